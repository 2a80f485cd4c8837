// frame_reader.h: picks the PC's frames out of the bytes that reach a simulated
// terminal. Bytes that begin no expected frame are skipped one at a time, so
// the reader finds the next good frame after noise. The terminal's thread only.
#pragma once

#include "sim/terminal_port.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

// Longest wait on the port before the stop flag is looked at again.
inline constexpr std::chrono::milliseconds kStopPollInterval{20};
// Silence that ends whatever the PC was sending: after a damaged or short frame
// the reader drops bytes until the line has been this quiet, so the next frame
// is read from its first byte and not shifted by what was lost.
inline constexpr std::chrono::milliseconds kQuietGap{20};
// Longest such drop: a PC that never stops talking still gets an answer.
inline constexpr std::chrono::milliseconds kLongestResync{1000};

enum class FrameKind {
    Command,   // a 13-byte command frame
    HeaderAck, // an 8-byte header acknowledgement
    BlockAck,  // a 6-byte block acknowledgement
    DataBlock, // a data block
    BadBlock,  // a data block that is damaged or out of turn
    Noise,     // bytes that began no expected frame, then a quiet line
    Silence,   // nothing arrived for the silence asked for
    Stopped,   // the terminal is stopping
    Gone,      // the port is gone
};

// What the terminal accepts now.
struct ExpectedFrames {
    bool command = false;
    bool headerAck = false;
    std::optional<std::uint8_t> blockAckTag; // block acknowledgements with this tag
    // Data blocks: the data size of block number n, or nullopt when no block of
    // that number is expected. Unset: no data blocks.
    std::function<std::optional<std::size_t>(std::uint32_t)> blockSize;
    // A damaged or unexpected block is reported as BadBlock instead of skipped.
    bool reportBadBlocks = false;
    // Bytes that form no expected frame (a short block, a damaged
    // acknowledgement) are reported as Noise once the line is quiet, instead of
    // waiting for more.
    bool reportNoise = false;
};

struct Frame {
    FrameKind kind = FrameKind::Silence;
    std::uint8_t command = 0;             // Command: the command code
    std::uint32_t length = 0;             // Command: the data length
    std::uint8_t answer = 0;              // HeaderAck: the answer; BlockAck: the result
    std::uint32_t number = 0;             // DataBlock: the block number
    std::span<const std::uint8_t> data{}; // DataBlock: the data, valid until the next call
};

class FrameReader {
public:
    FrameReader(TerminalPort& port, const std::atomic<bool>& stop);

    // The next expected frame. Silence after that long without a byte (the
    // bytes of an unfinished frame are kept, unless noise is reported);
    // BadBlock and Noise after resynchronising; Stopped once stop is set; Gone
    // when the port is gone.
    Frame Next(const ExpectedFrames& expected, std::chrono::milliseconds silence);
    // Drops what is buffered and what waits at the port.
    void Discard();
    // Drops what is buffered and what keeps arriving until the line has been
    // quiet for kQuietGap (at most kLongestResync).
    void Resynchronise();

private:
    enum class Match { Found, NeedMore, Skip };
    Match Try(const ExpectedFrames& expected, Frame& frame);

    TerminalPort& port;
    const std::atomic<bool>& stop;
    std::vector<std::uint8_t> buffer;
    std::size_t start = 0; // first unread byte of buffer
};
