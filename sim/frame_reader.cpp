#include "sim/frame_reader.h"

#include "link/frame.h"

#include <algorithm>

namespace {

constexpr std::size_t kReadChunk = 4096;
constexpr std::size_t kBlockHead = 5; // STX and the block number

} // namespace

FrameReader::FrameReader(TerminalPort& terminalPort, const std::atomic<bool>& stopFlag)
    : port(terminalPort), stop(stopFlag)
{
}

Frame FrameReader::Next(const ExpectedFrames& expected, std::chrono::milliseconds silence)
{
    using Clock = std::chrono::steady_clock;
    auto lastByte = Clock::now();
    bool skipped = false; // bytes were passed over since the call began
    for (;;) {
        Frame frame;
        Match match;
        while ((match = Try(expected, frame)) == Match::Skip) {
            ++start;
            skipped = true;
        }
        if (match == Match::Found) {
            if (frame.kind == FrameKind::BadBlock)
                Resynchronise();
            return frame;
        }
        if (start == buffer.size()) {
            buffer.clear();
            start = 0;
        } else if (start >= kReadChunk) {
            buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(start));
            start = 0;
        }
        if (stop.load())
            return Frame{FrameKind::Stopped};
        const auto now = Clock::now();
        // A frame cut short, or bytes that began none, and then a quiet line:
        // what is missing is lost, and the PC waits for an answer.
        const bool pending = skipped || !buffer.empty();
        if (expected.reportNoise && pending && now - lastByte >= kQuietGap) {
            Resynchronise();
            return Frame{FrameKind::Noise};
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(lastByte + silence - now);
        if (left.count() <= 0)
            return Frame{FrameKind::Silence};
        if (expected.reportNoise && pending)
            left = std::min(left, std::chrono::duration_cast<std::chrono::milliseconds>(
                                      lastByte + kQuietGap - now) +
                                      std::chrono::milliseconds(1));
        const std::size_t old = buffer.size();
        buffer.resize(old + kReadChunk);
        const std::size_t n =
            port.Read(&buffer[old], kReadChunk, std::min(left, kStopPollInterval));
        buffer.resize(old + n);
        if (n > 0)
            lastByte = Clock::now();
        else if (port.IsGone())
            return Frame{FrameKind::Gone};
    }
}

void FrameReader::Discard()
{
    buffer.clear();
    start = 0;
    port.Purge();
}

void FrameReader::Resynchronise()
{
    using Clock = std::chrono::steady_clock;
    Discard();
    const auto end = Clock::now() + kLongestResync;
    std::uint8_t dropped[kReadChunk];
    while (!stop.load() && Clock::now() < end && !port.IsGone())
        if (port.Read(dropped, sizeof dropped, kQuietGap) == 0)
            return;
}

FrameReader::Match FrameReader::Try(const ExpectedFrames& expected, Frame& frame)
{
    const std::span<const std::uint8_t> bytes = std::span(buffer).subspan(start);
    if (bytes.empty())
        return Match::NeedMore;
    bool needMore = false;
    if (bytes[0] == kEsc) {
        if (expected.headerAck) {
            if (bytes.size() < kAckSize) {
                needMore = true;
            } else if (const auto answer = ParseHeaderAck(bytes.first(kAckSize))) {
                frame = Frame{FrameKind::HeaderAck};
                frame.answer = *answer;
                start += kAckSize;
                return Match::Found;
            }
        }
        if (expected.command) {
            std::uint32_t length = 0;
            if (bytes.size() < kCommandFrameSize) {
                needMore = true;
            } else if (const auto code =
                           ParseCommandFrame(bytes.first(kCommandFrameSize), &length)) {
                frame = Frame{FrameKind::Command};
                frame.command = *code;
                frame.length = length;
                start += kCommandFrameSize;
                return Match::Found;
            }
        }
        return needMore ? Match::NeedMore : Match::Skip;
    }
    if (bytes[0] != kStx)
        return Match::Skip;
    if (expected.blockAckTag) {
        if (bytes.size() < kBlockAckSize) {
            needMore = true;
        } else if (const auto result =
                       ParseBlockAckFromPc(bytes.first(kBlockAckSize), *expected.blockAckTag)) {
            frame = Frame{FrameKind::BlockAck};
            frame.answer = *result;
            start += kBlockAckSize;
            return Match::Found;
        }
    }
    if (expected.blockSize) {
        if (bytes.size() < kBlockHead)
            return Match::NeedMore;
        const std::uint32_t number = GetU32(&bytes[1]);
        const auto size = expected.blockSize(number);
        if (size && bytes.size() < *size + kBlockOverhead)
            return Match::NeedMore;
        if (size && CheckDataBlock(bytes.first(*size + kBlockOverhead), number)) {
            frame = Frame{FrameKind::DataBlock};
            frame.number = number;
            frame.data = bytes.subspan(kBlockHead, *size);
            start += *size + kBlockOverhead;
            return Match::Found;
        }
        if (expected.reportBadBlocks) {
            frame = Frame{FrameKind::BadBlock};
            return Match::Found;
        }
    }
    return needMore ? Match::NeedMore : Match::Skip;
}
