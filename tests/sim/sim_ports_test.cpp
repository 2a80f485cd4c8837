// The built-in simulated terminals as a Transport: the SIMn list, open and
// close, disks kept between runs, and a link-free exchange over an open port.
#include "link/event.h"
#include "sim/in_process_line.h"
#include "sim/line_transport.h"
#include "sim/sim_ports.h"
#include "tests/support/test_dir.h"

#include <gtest/gtest.h>

#include <thread>

#include <cstdlib>

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

std::string NameAt(Transport& t, int index)
{
    char buffer[16];
    std::uint32_t length = sizeof buffer;
    t.PortName(index, buffer, &length);
    return buffer;
}

// One command frame (written 1 + extraWrites times) and its acknowledgement
// through the transport's calls.
Bytes Exchange(Transport& t, PortHandle port, std::span<const std::uint8_t> frame, Event& received,
               int extraWrites = 0)
{
    for (int i = 0; i <= extraWrites; ++i)
        EXPECT_EQ(t.PortWrite(port, static_cast<std::uint32_t>(frame.size()), frame.data()),
                  frame.size());
    Bytes reply(kAckSize);
    std::size_t got = 0;
    while (got < reply.size() && received.Wait(5s))
        got += t.PortRead(port, &reply[got], static_cast<std::uint32_t>(reply.size() - got));
    reply.resize(got);
    return reply;
}

TEST(SimPorts, ListOpenCloseAndKeepDisks)
{
    TestDir dir;
    SimPortsTransport ports(dir.path, 2);
    EXPECT_EQ(ports.PortCount(), 2);
    EXPECT_EQ(ports.PortNameLength(), 4);
    EXPECT_EQ(NameAt(ports, 0), "SIM1");
    EXPECT_EQ(NameAt(ports, 1), "SIM2");
    EXPECT_EQ(NameAt(ports, 2), "");

    EXPECT_EQ(ports.PortOpen(PortKind::ListIndex, 3, "SIM3"), kNoPort);
    EXPECT_EQ(ports.PortOpen(PortKind::SerialNumber, 1, "COM1"), kNoPort);
    const PortHandle port = ports.PortOpen(PortKind::ListIndex, 2, "SIM2");
    ASSERT_NE(port, kNoPort);
    EXPECT_EQ(ports.PortOpen(PortKind::ListIndex, 2, "SIM2"), kNoPort) << "already open";
    EXPECT_EQ(ports.PortLastError(), kErrorPortInUse);
    std::uint32_t elsewhere = 1;
    std::thread([&] { elsewhere = ports.PortLastError(); }).join();
    EXPECT_EQ(elsewhere, 0u) << "the failure was this thread's alone";

    // A new terminal comes with sample files.
    EXPECT_TRUE(fs::exists(dir / "SIM2/C/DATA/ORDERS.TXT"));
    EXPECT_TRUE(fs::exists(dir / "SIM2/D/LOOKUP/ITEMS.TXT"));
    EXPECT_FALSE(fs::exists(dir / "SIM1"));
    const auto terminal = ports.TerminalOf(port);
    ASSERT_TRUE(terminal);
    EXPECT_EQ(ports.TerminalAt(2), terminal);
    EXPECT_EQ(ports.TerminalAt(1), nullptr);
    EXPECT_TRUE(terminal->IsRunning());
    EXPECT_EQ(terminal->Identity().serial, "00000002") << "each terminal a serial of its own";

    Event received;
    ports.PortSetReceiveEvent(port, &received);
    // A command code the terminal does not know: refused, no data phase follows.
    const auto unknown = BuildCommandFrame(9, 0);
    const auto refused = BuildCommandAck(0, 0);
    EXPECT_EQ(Exchange(ports, port, unknown, received), Bytes(refused.begin(), refused.end()));

    // A fault on the PC's side of the line: the damaged frame goes unanswered,
    // the next one is answered.
    LineFaults faults;
    faults.corruptWrite = 1;
    EXPECT_TRUE(ports.SetPcFaults(port, faults));
    EXPECT_EQ(Exchange(ports, port, unknown, received, 1), Bytes(refused.begin(), refused.end()));

    fs::remove(dir / "SIM2/C/DATA/ORDERS.TXT");
    ports.PortClose(port);
    EXPECT_FALSE(terminal->IsRunning());
    EXPECT_EQ(ports.TerminalOf(port), nullptr);
    EXPECT_EQ(ports.PortWrite(port, unknown.size(), unknown.data()), 0u);

    // Opened again: the same disks, not seeded a second time.
    const PortHandle again = ports.PortOpen(PortKind::ListIndex, 2, "SIM2");
    ASSERT_NE(again, kNoPort);
    EXPECT_NE(again, port);
    EXPECT_FALSE(fs::exists(dir / "SIM2/C/DATA/ORDERS.TXT"));
    EXPECT_TRUE(fs::exists(dir / "SIM2/C/DATA/STOCK.DAT"));
}

TEST(SimPorts, ADockingSetsTheSignalEventOfAnOpenPortOnly)
{
    TestDir dir;
    SimPortsTransport ports(dir.path, 2);
    EXPECT_FALSE(ports.ShowDocking(1)) << "not open";
    const PortHandle port = ports.PortOpen(PortKind::ListIndex, 1, "SIM1");
    ASSERT_NE(port, kNoPort);
    Event docked;
    ports.PortSetSignalEvent(port, &docked);
    EXPECT_FALSE(docked.Wait(0ms));
    EXPECT_FALSE(ports.ShowDocking(2));
    EXPECT_TRUE(ports.ShowDocking(1));
    EXPECT_TRUE(docked.Wait(0ms));
    // Handed back (the link going): a docking reaches no event any more.
    docked.Reset();
    ports.PortSetSignalEvent(port, nullptr);
    EXPECT_TRUE(ports.ShowDocking(1));
    EXPECT_FALSE(docked.Wait(0ms));
    ports.PortSetSignalEvent(port, &docked);
    ports.PortClose(port);
    EXPECT_FALSE(ports.ShowDocking(1));
    EXPECT_FALSE(docked.Wait(0ms));

    // The same on a line of the in-process transport.
    LineTransport lines;
    auto [pc, terminal] = MakeInProcessLine();
    lines.AddPort("LINE1", pc);
    EXPECT_FALSE(lines.ShowDocking(1));
    const PortHandle line = lines.PortOpen(PortKind::ListIndex, 1, "LINE1");
    ASSERT_NE(line, kNoPort);
    lines.PortSetSignalEvent(line, &docked);
    EXPECT_TRUE(lines.ShowDocking(1));
    EXPECT_TRUE(docked.Wait(0ms));
    lines.PortClose(line);
}

TEST(SimPorts, DefaultRootFollowsTheDataFolder)
{
    const char* oldData = std::getenv("XDG_DATA_HOME");
    const char* oldHome = std::getenv("HOME");
    const std::string keepData = oldData ? oldData : "", keepHome = oldHome ? oldHome : "";
    setenv("XDG_DATA_HOME", "/srv/data", 1);
    EXPECT_EQ(DefaultTerminalsRoot(), fs::path("/srv/data/KVVidiRidoved/terminals"));
    setenv("XDG_DATA_HOME", "relative/ignored", 1);
    setenv("HOME", "/home/ann", 1);
    EXPECT_EQ(DefaultTerminalsRoot(), fs::path("/home/ann/.local/share/KVVidiRidoved/terminals"));
    if (oldData)
        setenv("XDG_DATA_HOME", keepData.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
    if (oldHome)
        setenv("HOME", keepHome.c_str(), 1);
}

} // namespace
