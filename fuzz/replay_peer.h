// replay_peer.h: a terminal that replays a fuzz input on the far end of an
// in-process line, and a link wired to the near end with short time-outs.
//
// The input is cut into chunks at kChunkSeparator. Before each chunk the peer
// waits briefly for the PC to write (taking what it wrote), then writes the
// chunk: a reply arrives after its request, and an unprompted chunk (a pushed
// file's header, a data header after a block acknowledgement) after a pause.
#pragma once

#include "link/terminal_link.h"
#include "sim/in_process_line.h"
#include "sim/line_transport.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <span>
#include <string_view>
#include <thread>
#include <vector>

inline constexpr std::string_view kChunkSeparator = "|~|";
// More chunks than this make each run slow without reaching new code.
inline constexpr std::size_t kMaxChunks = 48;
inline constexpr std::chrono::milliseconds kPeerPause{2};
inline constexpr LinkTimings kFuzzTimings{std::chrono::milliseconds(12),
                                          std::chrono::milliseconds(2)};

inline std::vector<std::span<const std::uint8_t>> SplitChunks(std::span<const std::uint8_t> input)
{
    std::vector<std::span<const std::uint8_t>> chunks;
    const auto* sep = reinterpret_cast<const std::uint8_t*>(kChunkSeparator.data());
    auto begin = input.begin();
    while (chunks.size() + 1 < kMaxChunks) {
        const auto at = std::search(begin, input.end(), sep, sep + kChunkSeparator.size());
        if (at == input.end())
            break;
        chunks.emplace_back(begin, at);
        begin = at + static_cast<std::ptrdiff_t>(kChunkSeparator.size());
    }
    chunks.emplace_back(begin, input.end());
    return chunks;
}

// Replays chunks into one end of a line on its own thread.
class LineReplay {
public:
    LineReplay(std::shared_ptr<LineEnd> end, std::span<const std::uint8_t> input)
        : chunks(SplitChunks(input)), far(std::move(end))
    {
    }
    ~LineReplay() { Stop(); }
    LineReplay(const LineReplay&) = delete;
    LineReplay& operator=(const LineReplay&) = delete;

    void Start()
    {
        thread = std::thread([this] {
            std::uint8_t sink[2048];
            for (const auto chunk : chunks) {
                if (stop)
                    break;
                if (far->ReadFor(sink, sizeof sink, kPeerPause) > 0)
                    while (far->Read(sink, sizeof sink) > 0) {
                    }
                far->Write(chunk);
            }
            replayed = true;
            while (!stop)
                far->ReadFor(sink, sizeof sink, kPeerPause);
        });
    }
    // Waits until every chunk has been written.
    void WaitReplayed() const
    {
        while (!replayed && thread.joinable())
            std::this_thread::sleep_for(kPeerPause);
    }
    void Stop()
    {
        stop = true;
        if (thread.joinable())
            thread.join();
    }

private:
    std::vector<std::span<const std::uint8_t>> chunks;
    std::shared_ptr<LineEnd> far;
    std::thread thread;
    std::atomic<bool> stop{false}, replayed{false};
};

// A link on the near end of a fresh line, the replaying terminal on the far end.
class ReplayRig {
public:
    explicit ReplayRig(std::span<const std::uint8_t> input)
    {
        auto [pc, terminal] = MakeInProcessLine();
        far = terminal;
        peer = std::make_unique<LineReplay>(terminal, input);
        transport.AddPort("FUZZ", pc);
        const PortHandle h = transport.PortOpen(PortKind::ListIndex, 1, "FUZZ");
        link = std::make_unique<TerminalLink>(transport, kFuzzTimings);
        link->AttachPort(h);
    }
    ~ReplayRig()
    {
        peer->Stop();
        link.reset();
        far->Close();
    }
    ReplayRig(const ReplayRig&) = delete;
    ReplayRig& operator=(const ReplayRig&) = delete;

    void Start() { peer->Start(); }
    void WaitReplayed() const { peer->WaitReplayed(); }

    std::shared_ptr<LineEnd> far;
    std::unique_ptr<LineReplay> peer;
    LineTransport transport;
    std::unique_ptr<TerminalLink> link;
};
