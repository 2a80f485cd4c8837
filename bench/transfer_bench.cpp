// DownloadFile and UploadFile of 1 MiB through TerminalLink against the
// simulated terminal over the in-process line.
#include "tests/support/test_dir.h"

#include "link/terminal_link.h"
#include "sim/in_process_line.h"
#include "sim/line_transport.h"
#include "sim/sim_terminal.h"
#include "sim/terminal_port.h"

#include <benchmark/benchmark.h>

namespace {

struct Rig {
    Rig()
    {
        SimTerminalConfig config;
        config.root = dir / "terminal";
        config.capacityC = 64u << 20;
        auto [pc, far] = MakeInProcessLine();
        terminal = std::make_unique<SimTerminal>(config, std::make_unique<LinePort>(far));
        terminal->Start();
        transport.AddPort("BENCH", pc);
        link = std::make_unique<TerminalLink>(transport);
        link->AttachPort(transport.PortOpen(PortKind::ListIndex, 1, "BENCH"));
        TestDir::WriteFile(dir / "source.bin", std::string(1 << 20, 'k'));
    }
    ~Rig()
    {
        link.reset();
        terminal->Stop();
    }
    TestDir dir;
    LineTransport transport;
    std::unique_ptr<SimTerminal> terminal;
    std::unique_ptr<TerminalLink> link;
};

void BM_Put1MiB(benchmark::State& state)
{
    Rig rig;
    for (auto _ : state)
        if (rig.link->DownloadFile(rig.dir / "source.bin", "C:\\DATA\\BENCH.BIN", 1, false,
                                   false) != LinkStatus::Ok)
            state.SkipWithError("put failed");
    state.SetBytesProcessed(state.iterations() * (1 << 20));
}
BENCHMARK(BM_Put1MiB)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_Get1MiB(benchmark::State& state)
{
    Rig rig;
    rig.link->DownloadFile(rig.dir / "source.bin", "C:\\DATA\\BENCH.BIN", 1, false, false);
    for (auto _ : state)
        if (rig.link->UploadFile("C:\\DATA\\BENCH.BIN", rig.dir / "back.bin", false) !=
            LinkStatus::Ok)
            state.SkipWithError("get failed");
    state.SetBytesProcessed(state.iterations() * (1 << 20));
}
BENCHMARK(BM_Get1MiB)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
