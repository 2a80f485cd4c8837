// scripted_peer.h: a terminal that says exactly what a test tells it to, on the
// far end of an in-process line, and a link wired to the near end.
#pragma once

#include "link/frame.h"
#include "link/terminal_link.h"
#include "sim/in_process_line.h"
#include "sim/line_transport.h"

#include <chrono>
#include <memory>
#include <span>
#include <thread>

using namespace std::chrono_literals;

// Test time-outs: short, so that a silent peer costs a fraction of a second.
inline constexpr LinkTimings kTestTimings{100ms, 10ms};

class ScriptedPeer {
public:
    explicit ScriptedPeer(std::shared_ptr<LineEnd> e) : end(std::move(e)) {}

    // Up to n bytes, waiting at most timeout for the rest.
    Bytes Read(std::size_t n, std::chrono::milliseconds timeout = 2000ms)
    {
        Bytes out(n);
        std::size_t got = 0;
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (got < n && std::chrono::steady_clock::now() < deadline)
            got += end->ReadFor(out.data() + got, n - got, 20ms);
        out.resize(got);
        return out;
    }
    void Write(std::span<const std::uint8_t> bytes) { end->Write(bytes); }

    // Reads a command frame and answers it.
    Bytes AnswerCommand(std::uint8_t accept, std::uint8_t result)
    {
        Bytes frame = Read(kCommandFrameSize);
        Write(BuildCommandAck(accept, result));
        return frame;
    }
    // Reads one block of n data bytes and answers it with result.
    Bytes AnswerBlock(std::size_t n, std::uint8_t tag, std::uint8_t result)
    {
        Bytes block = Read(n + kBlockOverhead);
        Write(BuildBlockAck(tag, result, false));
        return block;
    }
    // Sends a type-4 (or other) data phase the way a terminal does; returns
    // false when the PC does not take it.
    bool SendPhase(std::span<const std::uint8_t> data, std::uint8_t type = kDataTypeMemory)
    {
        Write(BuildDataHeader(1, type, static_cast<std::uint32_t>(data.size())));
        const Bytes headerAck = Read(kAckSize);
        if (ParseHeaderAck(headerAck) != std::optional<std::uint8_t>(0))
            return false;
        std::uint32_t number = 0;
        std::size_t offset = 0;
        do {
            const std::size_t n = std::min(data.size() - offset, kMaxBlockData);
            Write(BuildDataBlock(number, data.subspan(offset, n)));
            if (ParseBlockAckFromPc(Read(kBlockAckSize), type) != std::optional<std::uint8_t>(0))
                return false;
            offset += n;
            ++number;
        } while (offset < data.size());
        return true;
    }

    std::shared_ptr<LineEnd> end;
};

// A link on the near end of a fresh line, a scripted peer on the far end.
struct LinkRig {
    explicit LinkRig(LinkTimings timings = kTestTimings)
    {
        auto [pc, terminal] = MakeInProcessLine();
        pcEnd = pc;
        peer = std::make_unique<ScriptedPeer>(terminal);
        transport.AddPort("TEST", pcEnd);
        const PortHandle h = transport.PortOpen(PortKind::ListIndex, 1, "TEST");
        link = std::make_unique<TerminalLink>(transport, timings);
        link->AttachPort(h);
    }
    ~LinkRig()
    {
        if (script.joinable())
            script.join();
        link.reset();
    }
    // Runs the peer's part on its own thread while the test calls the link.
    template <typename Fn> void Script(Fn fn) { script = std::thread(std::move(fn)); }
    void Finish()
    {
        if (script.joinable())
            script.join();
    }

    std::shared_ptr<LineEnd> pcEnd;
    std::unique_ptr<ScriptedPeer> peer;
    LineTransport transport;
    std::unique_ptr<TerminalLink> link;
    std::thread script;
};
