#include "link/ring_buffer.h"

#include <algorithm>
#include <cstring>

RingBuffer::RingBuffer() : bytes(std::make_unique<std::uint8_t[]>(kSize)) {}

std::size_t RingBuffer::Free() const
{
    const std::uint32_t r = readPos.load(std::memory_order_acquire);
    const std::uint32_t w = writePos.load(std::memory_order_relaxed);
    return kSize - 1 - ((w - r) % kSize);
}

std::size_t RingBuffer::Write(const std::uint8_t* in, std::size_t count)
{
    const std::size_t n = std::min(count, Free());
    const std::uint32_t w = writePos.load(std::memory_order_relaxed);
    const std::size_t first = std::min<std::size_t>(n, kSize - w);
    std::memcpy(&bytes[w], in, first);
    std::memcpy(&bytes[0], in + first, n - first);
    writePos.store(static_cast<std::uint32_t>((w + n) % kSize), std::memory_order_release);
    return n;
}

std::size_t RingBuffer::Available() const
{
    const std::uint32_t w = writePos.load(std::memory_order_acquire);
    const std::uint32_t r = readPos.load(std::memory_order_relaxed);
    return (w - r) % kSize;
}

std::size_t RingBuffer::Read(std::uint8_t* out, std::size_t count)
{
    const std::size_t n = std::min(count, Available());
    const std::uint32_t r = readPos.load(std::memory_order_relaxed);
    const std::size_t first = std::min<std::size_t>(n, kSize - r);
    std::memcpy(out, &bytes[r], first);
    std::memcpy(out + first, &bytes[0], n - first);
    readPos.store(static_cast<std::uint32_t>((r + n) % kSize), std::memory_order_release);
    return n;
}

std::size_t RingBuffer::Peek(std::uint8_t* out, std::size_t count) const
{
    const std::size_t n = std::min(count, Available());
    const std::uint32_t r = readPos.load(std::memory_order_relaxed);
    const std::size_t first = std::min<std::size_t>(n, kSize - r);
    std::memcpy(out, &bytes[r], first);
    std::memcpy(out + first, &bytes[0], n - first);
    return n;
}

void RingBuffer::Skip(std::size_t count)
{
    const std::size_t n = std::min(count, Available());
    const std::uint32_t r = readPos.load(std::memory_order_relaxed);
    readPos.store(static_cast<std::uint32_t>((r + n) % kSize), std::memory_order_release);
}

void RingBuffer::Drop()
{
    readPos.store(writePos.load(std::memory_order_acquire), std::memory_order_release);
}

void RingBuffer::DropTo(std::uint32_t position)
{
    // Only forward, and never past what was written.
    const std::size_t skip =
        std::min<std::size_t>((position - ReadPosition()) % kSize, Available());
    readPos.store(static_cast<std::uint32_t>((ReadPosition() + skip) % kSize),
                  std::memory_order_release);
}
