// Many terminals at once: eight simulated terminals from the program's port list
// (settings "Ports/Simulated" = 8), each with its own link on its own thread,
// sending and fetching files at the same time. Every transfer completes and
// every file arrives byte for byte, on the terminal's disk and back on the PC.
#include "link/serial/program_ports.h"
#include "link/terminal_link.h"
#include "tests/serial/pty_pair.h"
#include "tests/support/test_dir.h"

#include <QSettings>

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

namespace {

constexpr int kTerminals = 8;
constexpr int kFilesEach = 3;
constexpr std::size_t kFileSize = 40 * 1024 + 17; // not a whole number of blocks

std::string Content(int terminal, int file)
{
    const Bytes bytes = Pattern(kFileSize + static_cast<std::size_t>(file),
                                static_cast<std::uint8_t>(terminal * 16 + file));
    return std::string(bytes.begin(), bytes.end());
}

struct Outcome {
    std::vector<LinkStatus> statuses;
    std::vector<std::string> mismatches;
};

// One connection's work: each file down to the terminal, then back up.
void Exchange(Transport& transport, PortHandle port, int terminal,
              const std::filesystem::path& folder, Outcome& outcome)
{
    TerminalLink link(transport);
    link.AttachPort(port);
    for (int f = 0; f < kFilesEach; ++f) {
        const std::string name = "F" + std::to_string(f) + ".BIN";
        const std::filesystem::path source = folder / ("source" + std::to_string(f));
        const std::filesystem::path back = folder / ("back" + std::to_string(f));
        TestDir::WriteFile(source, Content(terminal, f));
        outcome.statuses.push_back(link.DownloadFile(source, "C:\\DATA\\" + name, 1, false, false));
        outcome.statuses.push_back(link.UploadFile("C:\\DATA\\" + name, back, false));
        if (TestDir::ReadFile(back) != Content(terminal, f))
            outcome.mismatches.push_back(back.string());
    }
}

TEST(ManyTerminals, EightSimulatedConnectionsTransferAtOnce)
{
    TestDir dir;
    ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    QSettings("TELMARQ SOFTWARE", "KVVidiRidoved").setValue("Ports/Simulated", kTerminals);

    ProgramPorts ports;
    std::vector<PortHandle> handles;
    for (int t = 1; t <= kTerminals; ++t) {
        handles.push_back(ports.Open("SIM" + std::to_string(t)));
        ASSERT_NE(handles.back(), kNoPort) << "SIM" << t;
    }

    std::vector<Outcome> outcomes(kTerminals);
    std::vector<std::thread> threads;
    for (int t = 0; t < kTerminals; ++t) {
        const std::filesystem::path folder = dir / ("pc" + std::to_string(t + 1));
        std::filesystem::create_directories(folder);
        threads.emplace_back(Exchange, std::ref(ports.transport()), handles[t], t + 1, folder,
                             std::ref(outcomes[t]));
    }
    for (std::thread& thread : threads)
        thread.join();

    const std::filesystem::path terminals = dir / "data" / "KVVidiRidoved" / "terminals";
    for (int t = 0; t < kTerminals; ++t) {
        SCOPED_TRACE("SIM" + std::to_string(t + 1));
        EXPECT_EQ(outcomes[t].statuses, std::vector<LinkStatus>(2 * kFilesEach, LinkStatus::Ok));
        EXPECT_EQ(outcomes[t].mismatches, std::vector<std::string>{});
        for (int f = 0; f < kFilesEach; ++f)
            EXPECT_EQ(TestDir::ReadFile(terminals / ("SIM" + std::to_string(t + 1)) / "C" / "DATA" /
                                        ("F" + std::to_string(f) + ".BIN")),
                      Content(t + 1, f));
    }
    for (const PortHandle h : handles)
        ports.transport().PortClose(h);
}

} // namespace
