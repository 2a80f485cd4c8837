// in_process_line.h: a pair of connected byte pipes, the in-process stand-in for a
// serial cable. Each end is thread-safe: one thread may read while others write,
// purge or close. Faults and a line rate apply to what an end writes.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <utility>

class Event;

struct LineFaults {
    std::uint32_t dropWrite = 0;    // 1-based index of a write that is lost whole (0: none)
    std::uint32_t corruptWrite = 0; // 1-based index of a write whose last byte is flipped
    bool stall = false;             // a silent line: everything written is lost
    double corruptRate = 0;         // probability that any one byte is flipped
    double dropRate = 0;            // probability that any one byte is lost
    std::uint32_t seed = 1;         // of the random corruption and loss
    int lineRate = 0; // bits per second (bytes leave at rate / 10 per second); 0: no limit
    // 1-based index of a write in which two neighbouring bytes near its middle
    // move by +1 and -1: their sum stays, so an additive checksum cannot tell.
    std::uint32_t balancedWrite = 0;
};

struct LineChannel;

class LineEnd {
public:
    LineEnd(std::shared_ptr<LineChannel> in, std::shared_ptr<LineChannel> out);
    ~LineEnd();
    LineEnd(const LineEnd&) = delete;
    LineEnd& operator=(const LineEnd&) = delete;

    // Bytes accepted: all of them, or 0 once the line is closed. With a line rate
    // it returns when the last byte has left.
    std::size_t Write(std::span<const std::uint8_t> bytes);
    // Bytes read, 0 when none wait. Never blocks.
    std::size_t Read(std::uint8_t* buffer, std::size_t capacity);
    // Waits up to timeout for at least one byte.
    std::size_t ReadFor(std::uint8_t* buffer, std::size_t capacity,
                        std::chrono::milliseconds timeout);
    std::size_t Pending() const;
    // Discards what waits to be read at this end.
    void Purge();
    // Set while bytes wait at this end, reset when a read takes the last of them.
    void SetReceiveEvent(Event* event);
    void SetFaults(const LineFaults& faults);
    // Any thread. Called with the bytes this end puts on the line, after its
    // faults and before the far end can read them: for tests that judge what
    // the line really delivered. Empty: none.
    void SetDeliveryTap(std::function<void(std::span<const std::uint8_t>)> tap);
    // Closes the whole line: both ends see it gone, blocked readers wake.
    void Close();
    bool IsClosed() const;

private:
    struct Writer;
    std::shared_ptr<LineChannel> in, out;
    std::unique_ptr<Writer> writer;
};

// Two connected ends: what one writes, the other reads.
std::pair<std::shared_ptr<LineEnd>, std::shared_ptr<LineEnd>> MakeInProcessLine();
