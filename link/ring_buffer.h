// ring_buffer.h: the link's 4096-byte receive ring. One writer (the receive
// thread) and one reader (the operation's thread); positions are atomics. A write
// never overwrites unread bytes: it takes only what fits.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

class RingBuffer {
public:
    static constexpr std::uint32_t kSize = 4096; // holds at most kSize - 1 unread bytes

    RingBuffer();

    // Writer: bytes that fit without lapping the reader.
    std::size_t Free() const;
    // Writer: copies min(count, Free()) bytes, wrapping at the end; returns that number.
    std::size_t Write(const std::uint8_t* bytes, std::size_t count);
    // Reader: unread bytes.
    std::size_t Available() const;
    bool Empty() const { return Available() == 0; }
    // Reader: takes min(count, Available()) bytes; returns that number.
    std::size_t Read(std::uint8_t* out, std::size_t count);
    // Reader: copies min(count, Available()) bytes without taking them.
    std::size_t Peek(std::uint8_t* out, std::size_t count) const;
    // Reader: discards min(count, Available()) unread bytes.
    void Skip(std::size_t count);
    // Reader: discards everything unread.
    void Drop();
    // Reader: discards unread bytes up to the position (a write position seen earlier).
    void DropTo(std::uint32_t position);

    std::uint32_t ReadPosition() const { return readPos.load(std::memory_order_acquire); }
    std::uint32_t WritePosition() const { return writePos.load(std::memory_order_acquire); }

private:
    std::unique_ptr<std::uint8_t[]> bytes;
    std::atomic<std::uint32_t> readPos{0};
    std::atomic<std::uint32_t> writePos{0};
};
