// The connection's decisions that need no window, and the command line.
#include "connection/clock_sync_thread.h"
#include "connection/connection_rules.h"
#include "shell/start_options.h"

#include <gtest/gtest.h>

TEST(BaudCode, ExactRatesAndEverythingElseIsFastest)
{
    EXPECT_EQ(BaudCodeForRate(4800), 1);
    EXPECT_EQ(BaudCodeForRate(9600), 2);
    EXPECT_EQ(BaudCodeForRate(19200), 3);
    EXPECT_EQ(BaudCodeForRate(38400), 4);
    EXPECT_EQ(BaudCodeForRate(57600), 5);
    EXPECT_EQ(BaudCodeForRate(115200), 6);
    EXPECT_EQ(BaudCodeForRate(1200), 6);
    EXPECT_EQ(BaudCodeForRate(0), 6);
    // A new connection (code 0) offers 115200.
    EXPECT_EQ(BaudIndexForCode(0), 5);
    EXPECT_EQ(BaudIndexForCode(5), 4);
    EXPECT_EQ(BaudIndexForCode(6), 5);
}

TEST(TransmissionList, FirstLineGivesPortAndSpeed)
{
    const auto t = ParseTransmissionListHead("com2:57600\r\nC:\\DATA\\A.TXT\r\n");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->portName, "COM2");
    EXPECT_EQ(t->baudCode, 5);
    EXPECT_EQ(ParseTransmissionListHead("sim1:115200\r\n")->baudCode, 6);
}

TEST(TransmissionList, MalformedFirstLinesAreRejected)
{
    const char* rows[] = {
        "",                  // empty
        "com2 57600\r\n",    // no colon
        "com2:57600",        // no CR LF
        "com2:57600\n",      // LF alone
        ":57600\r\n",        // no port
        "com2:\r\n",         // no speed
        "com2:57a00\r\n",    // not a number
        "com2:-9600\r\n",    // sign
        "co\x01m:9600\r\n",  // control byte in the port
        "\xff\xfe:9600\r\n", // not text
        "com2:99999999999999\r\n",
    };
    for (const char* row : rows)
        EXPECT_FALSE(ParseTransmissionListHead(QByteArray(row))) << row;
    EXPECT_FALSE(ParseTransmissionListHead(QByteArray("\0\0:9600\r\n", 10)));
}

TEST(PortOpen, ComByNumberOtherNamesByPosition)
{
    auto com = ChoosePortOpen("COM2", 0);
    ASSERT_TRUE(com);
    EXPECT_EQ(com->kind, PortKind::SerialNumber);
    EXPECT_EQ(com->numberOrIndex, 2);
    // Serial lines are told apart without regard to case; a device path opens
    // as written.
    auto lower = ChoosePortOpen("com4", 3);
    ASSERT_TRUE(lower);
    EXPECT_EQ(lower->kind, PortKind::SerialNumber);
    EXPECT_EQ(lower->numberOrIndex, 4);
    for (const char* path : {"/dev/ttyUSB0", "/DEV/ttyUSB0"}) {
        auto device = ChoosePortOpen(path, 0);
        ASSERT_TRUE(device);
        EXPECT_EQ(device->kind, PortKind::DevicePath);
    }
    EXPECT_EQ(ParseTransmissionListHead("/dev/ttyUSB0:9600\r\n")->portName, "/dev/ttyUSB0");
    EXPECT_EQ(ParseTransmissionListHead("sim1:9600\r\n")->portName, "SIM1");
    EXPECT_FALSE(ChoosePortOpen("SIM9", 0));
    EXPECT_EQ(FindPortPosition({"SIM1", "/dev/ttyS0", "COM4"}, "com4"), 3);
    EXPECT_EQ(FindPortPosition({"SIM1"}, "SIM2"), 0);
}

TEST(SerialLine, OneRuleForTheSpeedListAndDeviceChanges)
{
    struct Row {
        const char* name;
        bool serial;
    };
    const Row rows[] = {
        {"COM3", true},         {"com3", true},  {"USB-Com2", true},     {"/dev/ttyUSB0", true},
        {"/DEV/ttyUSB0", true}, {"SIM1", false}, {"x/dev/ttyS0", false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(SpeedListEnabled(row.name, 0), row.serial) << row.name;
        EXPECT_FALSE(SpeedListEnabled(row.name, 1)) << row.name;
        // A serial line's window stays; a port missing from the list closes.
        EXPECT_EQ(ShouldCloseOnDeviceChange(row.name, {}), !row.serial) << row.name;
    }
}

TEST(DeviceChange, ClosesOnlyConnectionsWhosePortIsGone)
{
    EXPECT_FALSE(ShouldCloseOnDeviceChange("KVFile2", {}));
    EXPECT_FALSE(ShouldCloseOnDeviceChange("SIM2", {"SIM1", "SIM2"}));
    EXPECT_FALSE(ShouldCloseOnDeviceChange("sim2", {"SIM2"}));
    EXPECT_TRUE(ShouldCloseOnDeviceChange("SIM2", {"SIM1"}));
    EXPECT_TRUE(ShouldCloseOnDeviceChange("SIM2", {}));
}

TEST(StartMode, ReadLikeAtoi)
{
    struct Row {
        const char* line;
        int mode;
    } rows[] = {{"1", 1},  {"2", 2},   {"7", 7},   {"abc", 0},    {"", 0},
                {" 1", 1}, {"-3", -3}, {"+4x", 4}, {"12abc", 12}, {"\t 5", 5}};
    for (const Row& r : rows)
        EXPECT_EQ(AtoiValue(r.line), r.mode) << r.line;
}

TEST(StartOptions, LanguageAndScreenshotBeforeTheMode)
{
    StartOptions o = ParseStartOptions({"--lang", "pl", "1"});
    EXPECT_TRUE(o.valid);
    EXPECT_EQ(o.language, Language::Polish);
    EXPECT_EQ(o.startMode, 1);
    o = ParseStartOptions({"--screenshot", "/tmp/a.png"});
    EXPECT_EQ(o.screenshotPath, "/tmp/a.png");
    EXPECT_EQ(o.startMode, 0);
    EXPECT_FALSE(ParseStartOptions({"--lang", "de"}).valid);
    EXPECT_FALSE(ParseStartOptions({"--lang"}).valid);
    EXPECT_FALSE(ParseStartOptions({"--bogus"}).valid);
    EXPECT_EQ(ParseStartOptions({"--post", "transmit"}).postMode, 1);
    EXPECT_EQ(ParseStartOptions({"--post", "install"}).postMode, 2);
    EXPECT_FALSE(ParseStartOptions({"--post", "send"}).valid);
    EXPECT_FALSE(ParseStartOptions({"--post"}).valid);
}

TEST(ClockText, YearFirstTwoDigitsForTheRest)
{
    std::tm t{};
    t.tm_year = 2024 - 1900;
    t.tm_mon = 1;
    t.tm_mday = 29;
    t.tm_hour = 13;
    t.tm_min = 5;
    t.tm_sec = 9;
    EXPECT_EQ(TerminalTimeText(t), "20240229130509");
}

TEST(TransmissionKey, ValuesBeyondTheirLimitsCountAsMissing)
{
    EXPECT_EQ(TransmissionText(QString(254, u'a')), QString(254, u'a'));
    EXPECT_FALSE(TransmissionText(QString(255, u'a'))) << "no room for the terminating zero";
    EXPECT_FALSE(TransmissionText(QString(128, u'ł'))) << "256 bytes in UTF-8";
    EXPECT_FALSE(TransmissionText(QVariant()));
    EXPECT_EQ(TransmissionBaud(QVariant(57600)), 57600);
    EXPECT_EQ(TransmissionBaud(QVariant("9600")), 9600);
    EXPECT_FALSE(TransmissionBaud(QVariant("fast")));
    EXPECT_FALSE(TransmissionBaud(QVariant(1LL << 33)));
    EXPECT_FALSE(TransmissionBaud(QVariant()));
}
