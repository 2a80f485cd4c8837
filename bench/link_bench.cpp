// Speed of the link over the in-process line: command round trips, 1 MiB data
// phases both ways, and the share of an emulated 115200 baud line a transfer uses.
#include "link/terminal_link.h"
#include "sim/in_process_line.h"
#include "sim/line_transport.h"
#include "tests/support/link_layers.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <thread>

using namespace std::chrono_literals;

namespace {

Bytes ReadN(LineEnd& end, std::size_t n)
{
    Bytes out(n);
    std::size_t got = 0;
    while (got < n) {
        const std::size_t k = end.ReadFor(out.data() + got, n - got, 1000ms);
        if (k == 0)
            return {};
        got += k;
    }
    return out;
}

// A link on one end of a line; the bench plays the terminal on the other.
struct Bench {
    explicit Bench(int lineRate = 0)
    {
        auto [pc, terminal] = MakeInProcessLine();
        far = terminal;
        LineFaults pace;
        pace.lineRate = lineRate;
        pc->SetFaults(pace);
        far->SetFaults(pace);
        transport.AddPort("BENCH", pc);
        link = std::make_unique<TerminalLink>(transport);
        link->AttachPort(transport.PortOpen(PortKind::ListIndex, 1, "BENCH"));
    }
    ~Bench()
    {
        if (peer.joinable())
            peer.join();
    }
    std::shared_ptr<LineEnd> far;
    LineTransport transport;
    std::unique_ptr<TerminalLink> link;
    std::thread peer;
};

// Acknowledges the blocks of a data phase of length bytes.
void AckBlocks(LineEnd& end, std::uint8_t command, std::size_t length)
{
    std::size_t left = length;
    do {
        const std::size_t n = std::min(left, kMaxBlockData);
        if (ReadN(end, n + kBlockOverhead).empty())
            return;
        end.Write(BuildBlockAck(command, 0, false));
        left -= n;
    } while (left > 0);
}

void SendPhase(LineEnd& end, const Bytes& data)
{
    end.Write(BuildDataHeader(1, kDataTypeMemory, static_cast<std::uint32_t>(data.size())));
    ReadN(end, kAckSize);
    std::uint32_t number = 0;
    for (std::size_t offset = 0; offset < data.size(); offset += kMaxBlockData) {
        const std::size_t n = std::min(kMaxBlockData, data.size() - offset);
        end.Write(BuildDataBlock(number++, std::span(data).subspan(offset, n)));
        ReadN(end, kBlockAckSize);
    }
}

void BM_CommandRoundTrip(benchmark::State& state)
{
    Bench b;
    std::atomic<bool> done{false};
    b.peer = std::thread([&] {
        while (!done) {
            if (ReadN(*b.far, kCommandFrameSize).empty())
                continue;
            b.far->Write(BuildCommandAck(1, 0));
        }
    });
    LinkLayers layers(*b.link);
    for (auto _ : state)
        if (layers.SendCommandFrame(kCommandRequest, 3) != LinkStatus::Ok)
            state.SkipWithError("command failed");
    done = true;
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CommandRoundTrip)->UseRealTime()->MinTime(1.0);

void BM_SendData1MiB(benchmark::State& state)
{
    const Bytes data(1 << 20, 0x5A);
    for (auto _ : state) {
        Bench b;
        LinkLayers layers(*b.link);
        b.peer = std::thread([&] { AckBlocks(*b.far, kCommandDownload, data.size()); });
        if (layers.SendData(kCommandDownload, data.data(), static_cast<std::uint32_t>(data.size()),
                            false) != LinkStatus::Ok)
            state.SkipWithError("send failed");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(data.size()));
}
BENCHMARK(BM_SendData1MiB)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_ReceiveData1MiB(benchmark::State& state)
{
    const Bytes data(1 << 20, 0xA5);
    for (auto _ : state) {
        Bench b;
        LinkLayers layers(*b.link);
        b.peer = std::thread([&] { SendPhase(*b.far, data); });
        if (layers.ReceiveData(false, false) != LinkStatus::Ok)
            state.SkipWithError("receive failed");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(data.size()));
}
BENCHMARK(BM_ReceiveData1MiB)->UseRealTime()->Unit(benchmark::kMillisecond);

// 64 KiB both ways at an emulated line rate; efficiency = data bytes per
// second over the line's rate / 10 bytes per second.
void BM_LineEfficiency(benchmark::State& state)
{
    const int rate = static_cast<int>(state.range(0));
    const bool send = state.range(1) == 0;
    const Bytes data(64 << 10, 0x33);
    double seconds = 0;
    for (auto _ : state) {
        Bench b(rate);
        LinkLayers layers(*b.link);
        const auto start = std::chrono::steady_clock::now();
        LinkStatus r;
        if (send) {
            b.peer = std::thread([&] { AckBlocks(*b.far, kCommandDownload, data.size()); });
            r = layers.SendData(kCommandDownload, data.data(),
                                static_cast<std::uint32_t>(data.size()), false);
        } else {
            b.peer = std::thread([&] { SendPhase(*b.far, data); });
            r = layers.ReceiveData(false, false);
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (r != LinkStatus::Ok)
            state.SkipWithError("transfer failed");
    }
    const double bytesPerSecond = state.iterations() * static_cast<double>(data.size()) / seconds;
    state.counters["bytes_per_s"] = bytesPerSecond;
    state.counters["efficiency_pct"] = 100.0 * bytesPerSecond / (rate / 10.0);
}
BENCHMARK(BM_LineEfficiency)
    ->Args({115200, 0})
    ->Args({115200, 1})
    ->ArgNames({"baud", "receive"})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
