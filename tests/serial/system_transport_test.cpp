#include "link/serial/system_transport.h"

#include "link/link_status.h"
#include "sim/in_process_line.h"
#include "sim/line_transport.h"
#include "tests/serial/pty_pair.h"
#include "tests/support/test_dir.h"

#include <QSettings>

#include <gtest/gtest.h>

#include <termios.h>
#include <thread>

namespace {

struct NameRow {
    const char* name;
    const char* port;
    bool serial;
};

class SerialLineNameTest : public ::testing::TestWithParam<NameRow> {};

TEST_P(SerialLineNameTest, ComOrDevicePathIsASerialLine)
{
    EXPECT_EQ(IsSerialLineName(GetParam().port), GetParam().serial);
}

INSTANTIATE_TEST_SUITE_P(Cases, SerialLineNameTest,
                         ::testing::Values(NameRow{"COM_anywhere", "USB-COM2", true},
                                           NameRow{"lower_case_com_is_not", "com4", false},
                                           NameRow{"pseudo_terminal", "/dev/pts/3", true},
                                           NameRow{"dev_not_at_the_start", "x/dev/ttyS0", false},
                                           NameRow{"simulated_terminal", "SIM1", false}),
                         [](const auto& info) { return std::string(info.param.name); });

class SystemTransportTest : public ::testing::Test {
protected:
    SystemTransportTest()
    {
        sims.AddPort("SIM1", lineA.first);
        sims.AddPort("SIM2", lineB.first);
        settings.setValue("Ports/Extra",
                          QStringList{QString::fromStdString(pty.path), "/dev/ttyS1"});
    }
    void SetUp() override { ASSERT_TRUE(pty.Ok()); }

    static SerialOptions Options()
    {
        SerialOptions options;
        options.writeStallTimeout = kPatience;
        options.listDevices = [] { return std::vector<std::string>{"/dev/ttyUSB0", "/dev/ttyS1"}; };
        return options;
    }
    // The list as a port dialog reads it: count, longest name, then each name.
    std::vector<std::string> Names()
    {
        std::vector<std::string> names;
        const int count = system.PortCount();
        std::vector<char> buffer(static_cast<std::size_t>(system.PortNameLength()));
        for (int i = 0; i < count; ++i) {
            auto length = static_cast<std::uint32_t>(buffer.size());
            system.PortName(i, buffer.data(), &length);
            names.emplace_back(buffer.data());
        }
        return names;
    }

    TestDir dir;
    QSettings settings{QString::fromStdString((dir / "ports.ini").string()), QSettings::IniFormat};
    PtyPair pty;
    std::pair<std::shared_ptr<LineEnd>, std::shared_ptr<LineEnd>> lineA = MakeInProcessLine(),
                                                                  lineB = MakeInProcessLine();
    LineTransport sims;
    SystemTransport system{sims, &settings, Options()};
};

TEST_F(SystemTransportTest, ListsSimulatedThenSystemDevicesThenNewExtras)
{
    // The extra /dev/ttyS1 is listed by the system already; the buffer of
    // PortNameLength bytes holds the longest name whole.
    EXPECT_EQ(Names(),
              (std::vector<std::string>{"SIM1", "SIM2", "/dev/ttyS1", "/dev/ttyUSB0", pty.path}));
    for (const int index : {-1, 5}) {
        char buffer[16] = "junk";
        std::uint32_t length = sizeof buffer;
        system.PortName(index, buffer, &length);
        EXPECT_STREQ(buffer, "") << "index " << index;
    }
}

TEST_F(SystemTransportTest, ListPositionsOpenTheirOwnTransportsPorts)
{
    ASSERT_EQ(system.PortCount(), 5);
    // Both transports number their first open port 1.
    const PortHandle sim = system.PortOpen(PortKind::ListIndex, 2, "SIM2");
    const PortHandle serial = system.PortOpen(PortKind::ListIndex, 5, pty.path);
    ASSERT_NE(sim, kNoPort);
    ASSERT_NE(serial, kNoPort);
    EXPECT_FALSE(SystemTransport::IsSerialHandle(sim));
    EXPECT_TRUE(SystemTransport::IsSerialHandle(serial));

    const Bytes hello{'h', 'i'};
    ASSERT_EQ(system.PortWrite(sim, 2, hello.data()), 2u);
    ASSERT_EQ(system.PortWrite(serial, 2, hello.data()), 2u);
    Bytes atSim(2);
    EXPECT_EQ(lineB.second->ReadFor(atSim.data(), 2, kPatience), 2u);
    EXPECT_EQ(atSim, hello);
    EXPECT_EQ(pty.Read(2), hello);

    system.PortClose(sim);
    Event event;
    system.PortSetReceiveEvent(serial, &event);
    ASSERT_TRUE(pty.Write({'o', 'k'}));
    EXPECT_EQ(ReceiveBytes(system, serial, event, 2), (Bytes{'o', 'k'}));
}

TEST_F(SystemTransportTest, ComNumbersGoToTheSerialBackEnd)
{
    settings.setValue("Ports/COM2", QString::fromStdString(pty.path));
    const PortHandle port = system.PortOpen(PortKind::SerialNumber, 2, "COM2");
    ASSERT_NE(port, kNoPort);
    system.PortConfigure(port, Baud(5), 0, 0, 0, 1);
    termios t{};
    tcgetattr(pty.master, &t);
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B57600));
}

struct FailureRow {
    const char* name;
    int index;
    std::uint32_t error;
};

class SystemOpenFailureTest : public SystemTransportTest,
                              public ::testing::WithParamInterface<FailureRow> {};

TEST_P(SystemOpenFailureTest, ReportsTheOwningTransportsError)
{
    ASSERT_EQ(system.PortCount(), 5);
    ASSERT_NE(system.PortOpen(PortKind::ListIndex, 1, "SIM1"), kNoPort);
    EXPECT_EQ(system.PortOpen(PortKind::ListIndex, GetParam().index, ""), kNoPort);
    EXPECT_EQ(system.PortLastError(), GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(Cases, SystemOpenFailureTest,
                         ::testing::Values(FailureRow{"position_0", 0, kSerialNoSuchDevice},
                                           FailureRow{"past_the_end", 6, kSerialNoSuchDevice},
                                           FailureRow{"simulated_port_in_use", 1, kErrorPortInUse}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SystemTransportTest, ShortWriteReportsLineGoneFromEitherTransport)
{
    const PortHandle sim = system.PortOpen(PortKind::ListIndex, 1, "SIM1");
    const PortHandle serial = system.OpenDevice(pty.path);
    ASSERT_NE(sim, kNoPort);
    ASSERT_NE(serial, kNoPort);
    const std::uint8_t byte = 7;
    lineA.second->Close();
    EXPECT_EQ(system.PortWrite(sim, 1, &byte), 0u);
    EXPECT_EQ(system.PortLastError(), kLineGoneError);

    system.PortConfigure(serial, Baud(9), 0, 0, 0, 1);
    EXPECT_EQ(system.PortLastError(), kSerialBadSetting);
    pty.CloseMaster();
    EXPECT_EQ(system.PortWrite(serial, 1, &byte), 0u);
    EXPECT_EQ(system.PortLastError(), kLineGoneError);
}

TEST_F(SystemTransportTest, OneThreadsFailureIsNeverAnothersError)
{
    const PortHandle sim = system.PortOpen(PortKind::ListIndex, 1, "SIM1");
    const PortHandle serial = system.OpenDevice(pty.path);
    ASSERT_NE(sim, kNoPort);
    ASSERT_NE(serial, kNoPort);
    const std::uint8_t byte = 7;
    // Two connections, each on a thread of its own: one line goes, the other
    // works; each thread asks for the error after its own write.
    lineA.second->Close();
    std::uint32_t failedWrite = 1, goneError = 0, fineWrite = 0, fineError = 1;
    std::thread([&] {
        failedWrite = system.PortWrite(sim, 1, &byte);
        goneError = system.PortLastError();
    }).join();
    std::thread([&] {
        fineWrite = system.PortWrite(serial, 1, &byte);
        fineError = system.PortLastError();
    }).join();
    EXPECT_EQ(failedWrite, 0u);
    EXPECT_EQ(goneError, kLineGoneError);
    EXPECT_EQ(fineWrite, 1u);
    EXPECT_EQ(fineError, 0u) << "the other connection's failure is not this one's";
}

TEST_F(SystemTransportTest, RefreshChangesTheListButKeepsOpenLines)
{
    ASSERT_EQ(system.PortCount(), 5);
    const PortHandle port = system.PortOpen(PortKind::ListIndex, 5, pty.path);
    ASSERT_NE(port, kNoPort);
    settings.setValue("Ports/Extra", QStringList{"/dev/kv-other"});
    EXPECT_EQ(Names(), (std::vector<std::string>{"SIM1", "SIM2", "/dev/ttyS1", "/dev/ttyUSB0",
                                                 "/dev/kv-other"}));
    EXPECT_EQ(system.PortWrite(port, 1, reinterpret_cast<const std::uint8_t*>("r")), 1u);
    EXPECT_EQ(pty.Read(1), Bytes{'r'});
}

} // namespace
