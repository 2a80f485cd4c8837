// pc_script.h: the PC's side of the protocol written out frame by frame, for
// tests that drive a simulated terminal over an in-process line. The test's thread.
#pragma once

#include "link/frame.h"
#include "sim/in_process_line.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>

// A command's outcome: the terminal's answer byte, or one of these.
inline constexpr int kRefusedByTerminal = -1, kNoAnswer = -2, kMalformed = -3;

class PcScript {
public:
    // Upper bound of every wait; a terminal that answers at all answers at once.
    static constexpr std::chrono::milliseconds kWait{5000};

    explicit PcScript(std::shared_ptr<LineEnd> lineEnd) : end(std::move(lineEnd)) {}

    void Write(std::span<const std::uint8_t> bytes) { end->Write(bytes); }
    // Drops what waits to be read, as the PC does before it sends again.
    void Purge() { end->Purge(); }
    // Exactly n bytes, or fewer when the wait ends first.
    Bytes Read(std::size_t n, std::chrono::milliseconds wait = kWait)
    {
        Bytes bytes(n);
        std::size_t got = 0;
        const auto deadline = std::chrono::steady_clock::now() + wait;
        while (got < n) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                break;
            got += end->ReadFor(&bytes[got], n - got, left);
        }
        bytes.resize(got);
        return bytes;
    }

    // The command acknowledgement's result, kRefusedByTerminal (accept 0),
    // kNoAnswer or kMalformed.
    int Command(std::uint8_t code, std::uint32_t length)
    {
        Write(BuildCommandFrame(code, length));
        const Bytes ack = Read(kAckSize);
        if (ack.size() < kAckSize)
            return kNoAnswer;
        const LinkStatus s = CheckCommandAck(ack);
        if (s == LinkStatus::Refused)
            return kRefusedByTerminal;
        return IsAnswerCode(s) || s == LinkStatus::Ok ? StatusValue(s) : kMalformed;
    }
    // The block acknowledgement's result for one block.
    int Block(std::uint8_t code, std::uint32_t number, std::span<const std::uint8_t> data)
    {
        Write(BuildDataBlock(number, data));
        return BlockAck(code);
    }
    int BlockAck(std::uint8_t code)
    {
        const Bytes ack = Read(kBlockAckSize);
        if (ack.size() < kBlockAckSize)
            return kNoAnswer;
        const LinkStatus s = CheckBlockAck(ack, code);
        return IsAnswerCode(s) || s == LinkStatus::Ok ? StatusValue(s) : kMalformed;
    }
    // Command and data phase, block after block while the answer is 0: the
    // first non-zero answer, or 0.
    int Send(std::uint8_t code, std::span<const std::uint8_t> data)
    {
        if (const int r = Command(code, static_cast<std::uint32_t>(data.size())); r != 0)
            return r;
        std::size_t offset = 0;
        std::uint32_t number = 0;
        do {
            const std::size_t n = std::min(data.size() - offset, kMaxBlockData);
            if (const int r = Block(code, number++, data.subspan(offset, n)); r != 0)
                return r;
            offset += n;
        } while (offset < data.size());
        return 0;
    }
    int Download(const std::string& name, const Bytes& content, std::uint8_t overwrite = 0,
                 const std::string& time = "20240105103000")
    {
        return Send(kCommandDownload, BuildFileRecord(content, time, overwrite, name));
    }

    // A data phase from the terminal: header (acknowledged with answer 0),
    // then its blocks. nullopt when the header is missing or malformed.
    struct Received {
        DataHeader header;
        Bytes data;
    };
    std::optional<Received> Receive(bool allowEmpty)
    {
        const auto header = ParseDataHeader(Read(kDataHeaderSize));
        if (!header)
            return std::nullopt;
        Write(BuildHeaderAck(header->type, 0));
        Received received{*header, {}};
        if (header->length == 0 && allowEmpty)
            return received;
        std::uint32_t number = 0;
        do {
            const std::size_t n =
                std::min<std::size_t>(header->length - received.data.size(), kMaxBlockData);
            const Bytes block = Read(n + kBlockOverhead);
            if (!CheckDataBlock(block, number++))
                return std::nullopt;
            received.data.insert(received.data.end(), block.begin() + 5, block.end() - 3);
            Write(BuildBlockAck(header->type, 0, true));
        } while (received.data.size() < header->length);
        return received;
    }

    // A request: the error code in the acknowledgement of its last block
    // (non-zero: nothing follows), else the answer's data.
    struct Answer {
        int error = kNoAnswer;
        Bytes data;
    };
    // The request byte, text and ending (CR LF; an upload adds a NUL; the
    // information request has neither text nor ending).
    Answer Request(std::uint8_t request, const std::string& text,
                   const std::string& ending = "\r\n", bool allowEmpty = false)
    {
        Bytes bytes{request};
        bytes.insert(bytes.end(), text.begin(), text.end());
        bytes.insert(bytes.end(), ending.begin(), ending.end());
        Answer answer;
        answer.error = Send(kCommandRequest, bytes);
        if (answer.error != 0)
            return answer;
        if (const auto received = Receive(allowEmpty)) {
            answer.data = received->data;
        } else {
            answer.error = kMalformed;
        }
        return answer;
    }

private:
    std::shared_ptr<LineEnd> end;
};
