// emulated_line.h: the line between a simulated terminal and its port: its
// speed, and the faults a test asks for on the frames the terminal sends (each
// Write is one frame). The terminal's thread reads and writes; the settings may
// be changed from any thread while it runs.
#pragma once

#include "sim/terminal_port.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <random>

struct TerminalFaults {
    std::uint32_t dropFrame = 0;    // 1-based index of a sent frame that is lost (0: none)
    std::uint32_t corruptFrame = 0; // 1-based index of a sent frame whose last byte is flipped
    bool stall = false;             // everything the terminal sends is lost
    double corruptRate = 0;         // probability that any one sent byte is flipped
    double dropRate = 0;            // probability that any one sent byte is lost
    std::uint32_t seed = 1;         // of the random corruption and loss
    // 1-based index of a sent data block in which two neighbouring data bytes near
    // its middle move by +1 and -1: the block's additive checksum still matches.
    std::uint32_t balancedBlock = 0;
};

class EmulatedLine : public TerminalPort {
public:
    explicit EmulatedLine(std::unique_ptr<TerminalPort> port);

    // Frames are counted again from the call on.
    void SetFaults(const TerminalFaults& faults);
    // Bits per second: bytes pass at rate / 10 per second in both directions;
    // 0: as fast as the port goes.
    void SetLineRate(int bitsPerSecond) { lineRate.store(bitsPerSecond); }
    int LineRate() const { return lineRate.load(); }

    std::size_t Read(std::uint8_t* buffer, std::size_t capacity,
                     std::chrono::milliseconds timeout) override;
    bool Write(std::span<const std::uint8_t> bytes) override;
    void Purge() override { port->Purge(); }
    bool IsGone() const override { return port->IsGone(); }

private:
    using Clock = std::chrono::steady_clock;
    // Waits until count more bytes have passed a line that is free from lineFree on.
    void Pace(std::size_t count, Clock::time_point& lineFree) const;

    std::unique_ptr<TerminalPort> port;
    std::atomic<int> lineRate{0};
    std::mutex faultMutex;
    TerminalFaults faults;
    std::uint32_t framesSent = 0, blocksSent = 0;
    std::mt19937 random{1};
    Clock::time_point sendFree{}, receiveFree{}; // the terminal's thread only
};
