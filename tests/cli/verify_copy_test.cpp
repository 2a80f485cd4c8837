// Verified sends: a corruption the wire's additive checksum cannot see is caught
// by fetching the file back.
#include "cli/verify_copy.h"
#include "tests/support/test_dir.h"

#include "link/terminal_link.h"
#include "sim/sim_ports.h"

#include <gtest/gtest.h>

#include <random>

TEST(VerifyTerminalCopy, CatchesTwoBytesMovedByPlusAndMinusOneInABlock)
{
    TestDir dir;
    SimPortsTransport transport(dir / "terminals", 1);
    const PortHandle port = transport.PortOpen(PortKind::ListIndex, 1, "SIM1");
    ASSERT_NE(port, kNoPort);
    TerminalLink link(transport);
    link.AttachPort(port);

    std::mt19937 random(7);
    std::string content(600, '\0'); // one block
    for (char& c : content)
        c = static_cast<char>(random());
    TestDir::WriteFile(dir / "app.bin", content);

    // Clean line: the copy is the same.
    ASSERT_EQ(link.DownloadFile(dir / "app.bin", "C:\\DATA\\APP.BIN", 1, false, false),
              LinkStatus::Ok);
    VerifyResult check = VerifyTerminalCopy(link, dir / "app.bin", "C:\\DATA\\APP.BIN");
    EXPECT_EQ(check.fetch, LinkStatus::Ok);
    EXPECT_TRUE(check.same);

    // Write 1 is the command frame, write 2 the only data block.
    LineFaults faults;
    faults.balancedWrite = 2;
    ASSERT_TRUE(transport.SetPcFaults(port, faults));
    ASSERT_EQ(link.DownloadFile(dir / "app.bin", "C:\\DATA\\APP.BIN", 1, false, false),
              LinkStatus::Ok)
        << "the checksum does not see it";
    const std::string stored =
        TestDir::ReadFile(dir / "terminals" / "SIM1" / "C" / "DATA" / "APP.BIN");
    ASSERT_EQ(stored.size(), content.size());
    ASSERT_NE(stored, content);

    check = VerifyTerminalCopy(link, dir / "app.bin", "C:\\DATA\\APP.BIN");
    EXPECT_EQ(check.fetch, LinkStatus::Ok);
    EXPECT_FALSE(check.same);
    EXPECT_EQ(stored.substr(0, check.firstDifference), content.substr(0, check.firstDifference));
    EXPECT_NE(stored[check.firstDifference], content[check.firstDifference]);
    EXPECT_EQ(VerifyFailText(check, "C:\\DATA\\APP.BIN", Language::English),
              "Verify C:\\DATA\\APP.BIN fail: the copy on the terminal differs from the file "
              "from byte " +
                  std::to_string(check.firstDifference));

    // A file the terminal does not have cannot be compared.
    check = VerifyTerminalCopy(link, dir / "app.bin", "C:\\DATA\\NONE.BIN");
    EXPECT_NE(check.fetch, LinkStatus::Ok);
    EXPECT_FALSE(check.same);
}
