#include "sim/emulated_line.h"

#include "link/frame.h"

#include <algorithm>
#include <thread>
#include <vector>

namespace {

constexpr double kBitsPerByte = 10;        // start bit, 8 data bits, stop bit
constexpr std::size_t kBlockDataStart = 5; // STX and the block number come first

// A data block: STX first and longer than a block acknowledgement. Every other
// frame the terminal sends begins with ESC.
bool IsDataBlock(const std::vector<std::uint8_t>& frame)
{
    return frame.size() >= kBlockOverhead && frame[0] == kStx;
}

// Moves the first pair of neighbouring data bytes from the middle on where
// neither wraps around by +1 and -1.
void ShiftPairKeepingSum(std::vector<std::uint8_t>& block)
{
    const std::size_t end = block.size() - (kBlockOverhead - kBlockDataStart);
    for (std::size_t i = kBlockDataStart + (end - kBlockDataStart) / 2; i + 1 < end; ++i)
        if (block[i] < 0xFF && block[i + 1] > 0) {
            ++block[i];
            --block[i + 1];
            return;
        }
}

} // namespace

EmulatedLine::EmulatedLine(std::unique_ptr<TerminalPort> basePort) : port(std::move(basePort)) {}

void EmulatedLine::SetFaults(const TerminalFaults& newFaults)
{
    std::lock_guard lock(faultMutex);
    faults = newFaults;
    framesSent = blocksSent = 0;
    random.seed(newFaults.seed);
}

std::size_t EmulatedLine::Read(std::uint8_t* buffer, std::size_t capacity,
                               std::chrono::milliseconds timeout)
{
    const std::size_t n = port->Read(buffer, capacity, timeout);
    if (n > 0)
        Pace(n, receiveFree);
    return n;
}

bool EmulatedLine::Write(std::span<const std::uint8_t> bytes)
{
    std::vector<std::uint8_t> sent(bytes.begin(), bytes.end());
    {
        std::lock_guard lock(faultMutex);
        const std::uint32_t index = ++framesSent;
        if (faults.stall || index == faults.dropFrame)
            sent.clear();
        if (!sent.empty() && index == faults.corruptFrame)
            sent.back() ^= 0x5A;
        if (IsDataBlock(sent) && ++blocksSent == faults.balancedBlock)
            ShiftPairKeepingSum(sent);
        if (faults.corruptRate > 0) {
            std::bernoulli_distribution flip(faults.corruptRate);
            for (std::uint8_t& b : sent)
                if (flip(random))
                    b ^= static_cast<std::uint8_t>(1u << (random() % 8));
        }
        if (faults.dropRate > 0) {
            std::bernoulli_distribution lose(faults.dropRate);
            std::erase_if(sent, [&](std::uint8_t) { return lose(random); });
        }
    }
    Pace(bytes.size(), sendFree);
    return sent.empty() || port->Write(sent);
}

void EmulatedLine::Pace(std::size_t count, Clock::time_point& lineFree) const
{
    const int rate = lineRate.load();
    if (rate <= 0)
        return;
    const auto duration = std::chrono::duration<double>(count * kBitsPerByte / rate);
    lineFree =
        std::max(lineFree, Clock::now()) + std::chrono::duration_cast<Clock::duration>(duration);
    std::this_thread::sleep_until(lineFree);
}
