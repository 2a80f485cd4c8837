// The simulated terminal against a PC that sends anything: command frames,
// requests, file records, acknowledgements. Its disks live in a scratch folder;
// nothing outside that folder may change.
#include "fuzz/fuzz_folder.h"
#include "fuzz/replay_peer.h"

#include "sim/sim_terminal.h"
#include "sim/terminal_port.h"

#include <cstdlib>
#include <fstream>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::filesystem::path folder = FreshFuzzFolder("sim_request");
    const std::filesystem::path outside = folder / "OUTSIDE.TXT";
    std::ofstream(outside) << "keep";
    {
        auto [pc, terminal] = MakeInProcessLine();
        SimTerminalConfig config;
        config.root = folder / "terminal";
        config.replyTimeout = kFuzzTimings.replyTimeout;
        config.locked = {"C:\\DATA\\LOCKED.TXT"};
        SimTerminal sim(config, std::make_unique<LinePort>(terminal));
        std::filesystem::create_directories(config.root / "C" / "DATA");
        std::ofstream(config.root / "C" / "DATA" / "A.TXT") << "terminal file";
        if (!sim.Start())
            std::abort();
        LineReplay replay(pc, std::span(data, size));
        replay.Start();
        replay.WaitReplayed();
        std::this_thread::sleep_for(2 * kPeerPause);
        replay.Stop();
        sim.Stop();
        pc->Close();
    }
    for (const auto& e : std::filesystem::directory_iterator(folder))
        if (e.path() != outside && e.path() != folder / "terminal")
            std::abort();
    if (!std::filesystem::exists(outside))
        std::abort();
    return 0;
}
