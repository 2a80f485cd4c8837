// Verified sends: a corruption the wire's additive checksum cannot see is caught
// by fetching the file back, and a copy the line spoiled on its way back is not
// taken for a bad copy on the terminal.
#include "cli/verify_copy.h"
#include "tests/support/test_dir.h"

#include "link/terminal_link.h"
#include "sim/sim_ports.h"

#include <gtest/gtest.h>

#include <random>

TEST(VerifyTerminalCopy, FetchesAgainToTellACopyThatDiffersFromALineThatSpoiledOne)
{
    // A fetch-back the line spoiled was reported as a copy that differs (exit 3).
    TestDir dir;
    SimPortsTransport transport(dir / "terminals", 1);
    const PortHandle port = transport.PortOpen(PortKind::ListIndex, 1, "SIM1");
    ASSERT_NE(port, kNoPort);
    TerminalLink link(transport);
    link.AttachPort(port);

    std::mt19937 random(7);
    Bytes content(600); // one block
    for (std::uint8_t& b : content)
        b = static_cast<std::uint8_t>(random());
    TestDir::WriteFile(dir / "app.bin", std::string(content.begin(), content.end()));

    struct Row {
        const char* name;
        std::uint32_t sendSpoiled;  // write of the send whose bytes move (2: its data block)
        std::uint32_t fetchSpoiled; // data block the terminal sends whose bytes move
        const char* terminalPath;
        VerifyOutcome outcome;
        int exitCode;
    };
    const std::vector<Row> rows = {
        {"a clean line", 0, 0, "C:\\DATA\\APP.BIN", VerifyOutcome::Same, 0},
        {"the copy differs", 2, 0, "C:\\DATA\\APP.BIN", VerifyOutcome::Differs, 3},
        {"the first fetch spoiled", 0, 1, "C:\\DATA\\APP.BIN", VerifyOutcome::SameOnRefetch, 1},
        {"the copy differs and a fetch is spoiled", 2, 1, "C:\\DATA\\APP.BIN",
         VerifyOutcome::LineSpoiled, 1},
        {"no copy to fetch", 0, 0, "C:\\DATA\\NONE.BIN", VerifyOutcome::FetchFailed, 1},
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(transport.SetPcFaults(port, LineFaults{.balancedWrite = row.sendSpoiled}));
        transport.TerminalOf(port)->SetFaults({});
        ASSERT_EQ(link.DownloadFile(dir / "app.bin", "C:\\DATA\\APP.BIN", 1, false, false),
                  LinkStatus::Ok)
            << row.name << ": the checksum does not see it";
        ASSERT_TRUE(transport.SetPcFaults(port, {}));
        transport.TerminalOf(port)->SetFaults({.balancedBlock = row.fetchSpoiled});

        const VerifyResult check = VerifyTerminalCopy(link, content, row.terminalPath);
        EXPECT_EQ(check.outcome, row.outcome) << row.name;
        EXPECT_EQ(VerifyExitCode(check), row.exitCode) << row.name;
        if (row.outcome != VerifyOutcome::Differs)
            continue;
        const std::string stored =
            TestDir::ReadFile(dir / "terminals" / "SIM1" / "C" / "DATA" / "APP.BIN");
        const std::size_t at = check.firstDifference;
        EXPECT_EQ(stored.substr(0, at), std::string(content.begin(), content.begin() + at));
        EXPECT_NE(static_cast<std::uint8_t>(stored.at(at)), content[at]);
        EXPECT_EQ(VerifyText(check, "C:\\DATA\\APP.BIN", Language::English),
                  "Verify C:\\DATA\\APP.BIN fail: the copy on the terminal differs from the file "
                  "from byte " +
                      std::to_string(at));
    }
}
