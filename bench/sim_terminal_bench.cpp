// The simulated terminal's own pace: a file sent to it and fetched back by a
// PC that answers at once, over an in-process line, unthrottled and at an
// emulated line rate. What a TerminalLink reaches over the SIM ports cannot
// be faster than this.
#include "sim/sim_terminal.h"
#include "sim/terminal_port.h"
#include "tests/sim/pc_script.h"
#include "tests/support/test_dir.h"

#include <benchmark/benchmark.h>

namespace {

constexpr std::uint8_t kUploadRequest = 4;

struct Bench {
    explicit Bench(int lineRate)
    {
        SimTerminalConfig config;
        config.root = dir.path;
        config.capacityC = 64u << 20;
        config.lineRate = lineRate;
        auto [pcEnd, terminalEnd] = MakeInProcessLine();
        terminal = std::make_unique<SimTerminal>(config, std::make_unique<LinePort>(terminalEnd));
        terminal->Start();
        pc = std::make_unique<PcScript>(pcEnd);
    }
    TestDir dir;
    std::unique_ptr<SimTerminal> terminal;
    std::unique_ptr<PcScript> pc;
};

Bytes Content(std::size_t n)
{
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<std::uint8_t>(i * 31 + i / 977);
    return b;
}

// The share of a line's capacity used, where lineRate / 10 bytes a second is all of it.
void ReportLineShare(benchmark::State& state, int lineRate)
{
    if (lineRate > 0)
        state.counters["line_share"] = benchmark::Counter(
            static_cast<double>(state.iterations() * state.range(0)) / (lineRate / 10.0),
            benchmark::Counter::kIsRate);
}

void Put(benchmark::State& state, int lineRate)
{
    Bench bench(lineRate);
    const Bytes content = Content(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        if (bench.pc->Download("C:\\DATA\\BENCH.DAT", content, 1) != 0)
            state.SkipWithError("put failed");
    state.SetBytesProcessed(state.iterations() * state.range(0));
    ReportLineShare(state, lineRate);
}

void Get(benchmark::State& state, int lineRate)
{
    Bench bench(0);
    const Bytes content = Content(static_cast<std::size_t>(state.range(0)));
    if (bench.pc->Download("C:\\DATA\\BENCH.DAT", content, 1) != 0)
        state.SkipWithError("put failed");
    bench.terminal->SetLineRate(lineRate);
    const std::string ending("\r\n\0", 3);
    for (auto _ : state)
        if (bench.pc->Request(kUploadRequest, "C:\\DATA\\BENCH.DAT", ending).data != content)
            state.SkipWithError("get failed");
    state.SetBytesProcessed(state.iterations() * state.range(0));
    ReportLineShare(state, lineRate);
}

void BM_PutUnthrottled(benchmark::State& state)
{
    Put(state, 0);
}
void BM_GetUnthrottled(benchmark::State& state)
{
    Get(state, 0);
}
void BM_PutAt115200(benchmark::State& state)
{
    Put(state, 115200);
}
void BM_GetAt115200(benchmark::State& state)
{
    Get(state, 115200);
}

BENCHMARK(BM_PutUnthrottled)->Arg(1 << 20)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetUnthrottled)->Arg(1 << 20)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PutAt115200)
    ->Arg(64 << 10)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetAt115200)
    ->Arg(64 << 10)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
