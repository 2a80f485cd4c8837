#include "link/serial/serial_transport.h"

#include "link/link_status.h"
#include "tests/serial/pty_pair.h"
#include "tests/support/test_dir.h"

#include <QCoreApplication>
#include <QSettings>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include <termios.h>

namespace {

SerialOptions TestOptions(std::chrono::milliseconds stall = kPatience)
{
    SerialOptions options;
    options.writeStallTimeout = stall;
    options.listDevices = [] { return std::vector<std::string>{}; };
    return options;
}

class SerialTransportTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(pty.Ok()); }

    PortHandle OpenPty()
    {
        const PortHandle port = transport.OpenDevice(pty.path);
        EXPECT_NE(port, kNoPort) << "error " << transport.PortLastError();
        transport.PortSetReceiveEvent(port, &event);
        return port;
    }
    std::uint32_t Write(PortHandle port, const Bytes& bytes)
    {
        return transport.PortWrite(port, static_cast<std::uint32_t>(bytes.size()), bytes.data());
    }
    termios Attributes() const
    {
        termios t{};
        tcgetattr(pty.master, &t);
        return t;
    }

    TestDir dir;
    QSettings settings{QString::fromStdString((dir / "ports.ini").string()), QSettings::IniFormat};
    PtyPair pty;
    Event event;
    SerialTransport transport{&settings, TestOptions()};
};

struct BaudRow {
    const char* name;
    int code; // BaudCode
    speed_t speed;
};

class SerialConfigureTest : public SerialTransportTest,
                            public ::testing::WithParamInterface<BaudRow> {};

TEST_P(SerialConfigureTest, SetsSpeedEightNoneOneRawWithoutFlowControl)
{
    const PortHandle port = OpenPty();
    transport.PortConfigure(port, Baud(GetParam().code), 0, 0, 0, 1);
    const termios t = Attributes();
    EXPECT_EQ(cfgetospeed(&t), GetParam().speed);
    EXPECT_EQ(cfgetispeed(&t), GetParam().speed);
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    BaudCodes, SerialConfigureTest,
    ::testing::Values(BaudRow{"code1_4800", 1, B4800}, BaudRow{"code2_9600", 2, B9600},
                      BaudRow{"code3_19200", 3, B19200}, BaudRow{"code4_38400", 4, B38400},
                      BaudRow{"code5_57600", 5, B57600}, BaudRow{"code6_115200", 6, B115200}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SerialTransportTest, WritesEveryByteValueUnchanged)
{
    const PortHandle port = OpenPty();
    // CR, LF, XON, XOFF and NUL among them: a cooked line would alter them.
    const Bytes bytes = Pattern(512);
    ASSERT_EQ(Write(port, bytes), bytes.size());
    EXPECT_EQ(pty.Read(bytes.size()), bytes);
}

TEST_F(SerialTransportTest, ReceiveEventIsSetExactlyWhileBytesWait)
{
    const PortHandle port = OpenPty();
    EXPECT_FALSE(event.IsSet());
    const Bytes sent = Pattern(300, 5);
    ASSERT_TRUE(pty.Write(sent));
    Bytes received;
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (received.size() < sent.size() && std::chrono::steady_clock::now() < deadline) {
        if (!event.Wait(100ms))
            continue;
        // Only this thread reads: a set event promises a byte.
        std::uint8_t byte = 0;
        ASSERT_EQ(transport.PortRead(port, &byte, 1), 1u);
        received.push_back(byte);
    }
    EXPECT_EQ(received, sent);
    EXPECT_FALSE(event.IsSet());
}

TEST_F(SerialTransportTest, PurgeDiscardsWhatWaitsAndKeepsLaterBytes)
{
    const PortHandle port = OpenPty();
    ASSERT_TRUE(pty.Write({'o', 'l', 'd'}));
    ASSERT_TRUE(event.Wait(kPatience));
    transport.PortPurge(port);
    EXPECT_FALSE(event.IsSet());
    std::uint8_t buffer[8];
    EXPECT_EQ(transport.PortRead(port, buffer, sizeof buffer), 0u);
    ASSERT_TRUE(pty.Write({'n', 'e', 'w'}));
    EXPECT_EQ(ReceiveBytes(transport, port, event, 3), (Bytes{'n', 'e', 'w'}));
}

TEST_F(SerialTransportTest, MovesMoreThanTheReceiveLimitBothWaysAtOnce)
{
    // While a write runs the device is read whatever room is left; small reads land
    // while the buffer refills; the sender stops at the end, so a missed wake-up
    // would strand the last bytes.
    const PortHandle port = OpenPty();
    const Bytes out = Pattern(1 << 20, 1), in = Pattern(4 * kSerialReceiveLimit + 1234, 2);
    Bytes atMaster;
    std::thread farReader([&] { atMaster = pty.Read(out.size()); });
    std::thread farWriter([&] { pty.Write(in); });
    std::uint32_t written = 0;
    std::thread nearWriter([&] { written = Write(port, out); });
    const Bytes received = ReceiveBytes(transport, port, event, in.size(), 517);
    nearWriter.join();
    farWriter.join();
    farReader.join();
    EXPECT_EQ(written, out.size());
    EXPECT_TRUE(received == in) << "received " << received.size() << " of " << in.size();
    EXPECT_TRUE(atMaster == out) << "master got " << atMaster.size() << " of " << out.size();
}

TEST_F(SerialTransportTest, ReadRunsWhileAnotherThreadWritesAndPurges)
{
    const PortHandle port = OpenPty();
    std::atomic<bool> stop{false};
    std::thread echo([&] {
        std::uint8_t buffer[4096];
        while (!stop) {
            pollfd p{pty.master, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0)
                continue;
            const ssize_t n = ::read(pty.master, buffer, sizeof buffer);
            if (n <= 0 || ::write(pty.master, buffer, static_cast<std::size_t>(n)) != n)
                break;
        }
    });
    std::atomic<std::size_t> received{0};
    std::thread receiver([&] {
        std::uint8_t buffer[97];
        while (!stop)
            if (event.Wait(20ms))
                received += transport.PortRead(port, buffer, sizeof buffer);
    });
    const Bytes block = Pattern(1037, 3);
    int shortWrites = 0;
    for (int i = 0; i < 300; ++i) {
        transport.PortPurge(port);
        shortWrites += Write(port, block) != block.size();
    }
    // The last block is never purged: it comes back whole.
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (received < block.size() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    stop = true;
    receiver.join();
    echo.join();
    EXPECT_EQ(shortWrites, 0);
    EXPECT_GE(received.load(), block.size());
}

TEST_F(SerialTransportTest, WriteAfterTheFarSideClosedIsShortWithLineGone)
{
    const PortHandle port = OpenPty();
    pty.CloseMaster();
    EXPECT_LT(Write(port, Pattern(64)), 64u);
    EXPECT_EQ(transport.PortLastError(), kLineGoneError);
    EXPECT_EQ(Write(port, Pattern(1)), 0u);
    EXPECT_EQ(transport.PortLastError(), kLineGoneError);
}

TEST_F(SerialTransportTest, WriteNobodyTakesStopsShortAfterTheStallTimeOut)
{
    SerialTransport stalling(&settings, TestOptions(100ms));
    const PortHandle port = stalling.OpenDevice(pty.path);
    ASSERT_NE(port, kNoPort);
    // Far more than the pseudo-terminal buffers while nobody reads the master.
    const Bytes bytes = Pattern(4 << 20);
    EXPECT_LT(stalling.PortWrite(port, static_cast<std::uint32_t>(bytes.size()), bytes.data()),
              bytes.size());
    EXPECT_EQ(stalling.PortLastError(), kSerialWriteStalled);
}

TEST_F(SerialTransportTest, RefusedCallsSayWhy)
{
    settings.setValue("Ports/COM9", "/dev/kv-no-such-device");
    EXPECT_EQ(transport.PortOpen(PortKind::SerialNumber, 9, "COM9"), kNoPort);
    EXPECT_EQ(transport.PortLastError(), kSerialNoSuchDevice);
    EXPECT_EQ(transport.PortOpen(PortKind::SerialNumber, 0, "COM0"), kNoPort);
    EXPECT_EQ(transport.PortLastError(), kSerialNoSuchDevice);

    const PortHandle port = OpenPty();
    EXPECT_EQ(transport.OpenDevice(pty.path), kNoPort);
    EXPECT_EQ(transport.PortLastError(), kSerialAccessDenied);
    transport.PortConfigure(port, Baud(2), 0, 0, 0, 1);
    transport.PortConfigure(port, Baud(7), 0, 0, 0, 1);
    EXPECT_EQ(transport.PortLastError(), kSerialBadSetting);
    const termios t = Attributes();
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600));

    transport.PortClose(port);
    EXPECT_EQ(Write(port, Pattern(1)), 0u);
    EXPECT_EQ(transport.PortLastError(), kSerialBadHandle);
    // Closing let go of the device.
    EXPECT_NE(transport.OpenDevice(pty.path), kNoPort);
}

struct ComRow {
    const char* name;
    int number;
    const char* mapping; // "Ports/COMn" in the settings, null: none
    const char* path;
};

class ComPortPathTest : public SerialTransportTest, public ::testing::WithParamInterface<ComRow> {};

TEST_P(ComPortPathTest, MapsComNumbersToDevices)
{
    if (GetParam().mapping)
        settings.setValue(QString("Ports/COM%1").arg(GetParam().number), GetParam().mapping);
    EXPECT_EQ(transport.ComPortPath(GetParam().number), GetParam().path);
}

INSTANTIATE_TEST_SUITE_P(Cases, ComPortPathTest,
                         ::testing::Values(ComRow{"COM1_is_ttyS0", 1, nullptr, "/dev/ttyS0"},
                                           ComRow{"COM12_is_ttyS11", 12, nullptr, "/dev/ttyS11"},
                                           ComRow{"settings_map_COM3", 3, "/dev/ttyUSB0",
                                                  "/dev/ttyUSB0"},
                                           ComRow{"empty_mapping_is_ignored", 2, "", "/dev/ttyS1"},
                                           ComRow{"COM0_has_no_device", 0, nullptr, ""}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SerialTransportTest, WorksWithAnApplicationObjectToo)
{
    int argc = 1;
    char name[] = "serial_transport_test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    const PortHandle port = OpenPty();
    const Bytes bytes = Pattern(100);
    ASSERT_EQ(Write(port, bytes), 100u);
    ASSERT_EQ(pty.Read(100), bytes);
    ASSERT_TRUE(pty.Write(bytes));
    EXPECT_EQ(ReceiveBytes(transport, port, event, 100), bytes);
}

struct SortRow {
    const char* name;
    std::vector<std::string> input, sorted;
};

class SortDevicePathsTest : public ::testing::TestWithParam<SortRow> {};

TEST_P(SortDevicePathsTest, OrdersFamiliesThenNumbers)
{
    std::vector<std::string> paths = GetParam().input;
    SortDevicePaths(paths);
    EXPECT_EQ(paths, GetParam().sorted);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SortDevicePathsTest,
    ::testing::Values(
        SortRow{"numbers_by_value",
                {"/dev/ttyS10", "/dev/ttyS2", "/dev/rfcomm010", "/dev/rfcomm9"},
                {"/dev/ttyS2", "/dev/ttyS10", "/dev/rfcomm9", "/dev/rfcomm010"}},
        SortRow{"builtin_then_usb_then_acm_then_others",
                {"/dev/ttyAMA0", "/dev/ttyACM0", "/dev/ttyUSB1", "/dev/ttyS0", "/dev/ttyUSB0"},
                {"/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyACM0", "/dev/ttyAMA0"}},
        SortRow{"ttyS_needs_a_number_to_be_builtin",
                {"/dev/ttySAC0", "/dev/ttyS3"},
                {"/dev/ttyS3", "/dev/ttySAC0"}}),
    [](const auto& info) { return std::string(info.param.name); });

struct NameRow {
    const char* name;
    std::uint32_t capacity;
    const char* written;
};

class CopyPortNameTest : public ::testing::TestWithParam<NameRow> {};

TEST_P(CopyPortNameTest, TruncatesWithNulAndReportsTheFullLength)
{
    char buffer[32];
    std::memset(buffer, '#', sizeof buffer);
    std::uint32_t length = GetParam().capacity;
    CopyPortName("/dev/ttyUSB0", buffer, &length);
    if (GetParam().capacity > 0) {
        EXPECT_STREQ(buffer, GetParam().written);
    }
    EXPECT_EQ(buffer[GetParam().capacity], '#') << "wrote past the buffer";
    EXPECT_EQ(length, GetParam().capacity ? 12u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Cases, CopyPortNameTest,
                         ::testing::Values(NameRow{"exactly_name_and_nul", 13, "/dev/ttyUSB0"},
                                           NameRow{"one_short_loses_the_last_character", 12,
                                                   "/dev/ttyUSB"},
                                           NameRow{"zero_capacity_writes_nothing", 0, ""}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
