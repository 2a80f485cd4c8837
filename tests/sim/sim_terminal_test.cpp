// The simulated terminal driven frame by frame from the PC's side: every answer
// code, the repeated-block rule, data phases both ways and the operator's push.
#include "link/utf8_path.h"
#include "pc_script.h"
#include "sim/image_receiver.h"
#include "sim/sim_terminal.h"
#include "sim/terminal_port.h"
#include "tests/support/test_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <thread>

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

constexpr std::uint8_t kList = 0, kDelete = 3, kUpload = 4, kFormat = 5, kDiskInfo = 6, kInfo = 7,
                       kSetTime = 8;
const std::string kUploadEnding("\r\n\0", 3);

Bytes Text(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

Bytes Pattern(std::size_t n)
{
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    return b;
}

Bytes HostBytes(const fs::path& p)
{
    return Text(TestDir::ReadFile(p));
}

using Adjust = std::function<void(SimTerminalConfig&)>;

class SimTerminalTest : public testing::Test {
protected:
    // A terminal on a fresh line; its disks under root (default: the test's folder).
    void Start(const Adjust& adjust = {}, const fs::path& root = {})
    {
        if (terminal)
            terminal->Stop();
        SimTerminalConfig config;
        config.root = root.empty() ? dir.path : root;
        config.replyTimeout = 200ms;
        if (adjust)
            adjust(config);
        auto [pcEnd, terminalEnd] = MakeInProcessLine();
        terminal = std::make_unique<SimTerminal>(config, std::make_unique<LinePort>(terminalEnd));
        ASSERT_TRUE(terminal->Start());
        pc = std::make_unique<PcScript>(pcEnd);
    }
    fs::path Host(const std::string& relative) const { return dir.path / Utf8Path(relative); }
    void Put(const std::string& relative, const std::string& content) const
    {
        fs::create_directories(Host(relative).parent_path());
        TestDir::WriteFile(Host(relative), content);
    }

    TestDir dir;
    std::unique_ptr<SimTerminal> terminal;
    std::unique_ptr<PcScript> pc;
};

TEST_F(SimTerminalTest, CommandAcknowledgement)
{
    const auto installMode = [](SimTerminalConfig& c) {
        c.installMode = true;
        c.appSize = 100;
    };
    const auto lx = [&](SimTerminalConfig& c) {
        installMode(c);
        c.identity.model = "LX-200";
    };
    struct Row {
        const char* name;
        Adjust adjust;
        std::uint8_t command;
        std::uint32_t length;
        int expected;
    };
    const Row rows[] = {
        {"unknown command code", {}, 9, 0, kRefusedByTerminal},
        {"download while busy", [](SimTerminalConfig& c) { c.busy = true; }, kCommandDownload, 30,
         1},
        {"download", {}, kCommandDownload, 30, 0},
        {"request", {}, kCommandRequest, 1, 0},
        {"KV-20 image outside install mode", {}, kCommandInstallKv20, 10, 2},
        {"KV-20 image larger than the area", installMode, kCommandInstallKv20, 101, 3},
        {"KV-20 image filling the area", installMode, kCommandInstallKv20, 100, 0},
        {"LX-2 image to a KV-20 terminal", installMode, kCommandInstallLx2, 10, kRefusedByTerminal},
        {"KV-20 image to an LX-2 terminal", lx, kCommandInstallKv20, 10, kRefusedByTerminal},
        {"LX-2 image to an LX-2 terminal", lx, kCommandInstallLx2, 10, 0},
        {"LX-2 image outside install mode",
         [](SimTerminalConfig& c) { c.identity.model = "LX-200"; }, kCommandInstallLx2, 10, 2},
        {"model of neither family",
         [&](SimTerminalConfig& c) {
             installMode(c);
             c.identity.model = "ZX-9";
         },
         kCommandInstallKv20, 10, kRefusedByTerminal},
        {"forced install acknowledgement",
         [&](SimTerminalConfig& c) {
             installMode(c);
             c.installAckResult = 9;
         },
         kCommandInstallKv20, 10, 9},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Start(row.adjust);
        EXPECT_EQ(pc->Command(row.command, row.length), row.expected);
    }
}

TEST_F(SimTerminalTest, DownloadAnswers)
{
    using Setup = std::function<void(SimTerminal&, const fs::path&)>;
    const auto existing = [](SimTerminal&, const fs::path& root) {
        TestDir::WriteFile(root / "C" / "DATA" / "OLD.TXT", "12345678");
    };
    const auto existingInUse = [&](SimTerminal& t, const fs::path& root) {
        existing(t, root);
        t.Storage().Lock("c:\\data\\old.txt");
    };
    struct Row {
        const char* name;
        Setup setup;
        const char* path;
        std::uint8_t overwrite;
        std::size_t size;
        int expected;
    };
    const Row rows[] = {
        {"stored", {}, "C:\\DATA\\NEW.TXT", 0, 10, 0},
        {"stored, name in lower case", {}, "c:\\data\\new.txt", 0, 10, 0},
        // Mended: a byte above ASCII was "not 8.3", answer 6.
        {"stored, Polish lower-case name", {}, "C:\\DATA\\z\xB3oty.txt", 0, 10, 0},
        {"disk missing", {}, "E:\\NEW.TXT", 0, 10, 6},
        {"no disk in the name", {}, "NEW.TXT", 0, 10, 6},
        {"folder missing", {}, "C:\\NOPE\\NEW.TXT", 0, 10, 6},
        {"name not 8.3", {}, "C:\\DATA\\TOOLONGNAME.TXT", 0, 10, 6},
        {"name of a folder", {}, "C:\\DATA", 1, 10, 6},
        {"disk not formatted",
         [](SimTerminal& t, const fs::path&) { t.Storage().SetFormatted('D', false); },
         "D:\\LOOKUP\\NEW.TXT", 0, 10, 2},
        {"file exists, overwrite 0", existing, "C:\\DATA\\OLD.TXT", 0, 10, 4},
        {"file exists and in use, overwrite 0", existingInUse, "C:\\DATA\\OLD.TXT", 0, 10, 4},
        {"file exists and in use, overwrite 1", existingInUse, "C:\\DATA\\OLD.TXT", 1, 10, 6},
        {"file exists, overwrite 1", existing, "C:\\DATA\\OLD.TXT", 1, 10, 0},
        {"not enough free space",
         [](SimTerminal& t, const fs::path&) { t.Storage().SetCapacity('C', 10); },
         "C:\\DATA\\NEW.TXT", 0, 11, 3},
        {"the replaced file's space counts as free",
         [&](SimTerminal& t, const fs::path& root) {
             existing(t, root);
             t.Storage().SetCapacity('C', 10);
         },
         "C:\\DATA\\OLD.TXT", 1, 10, 0},
        {"host write fails",
         [](SimTerminal& t, const fs::path&) { t.Storage().SetFailWrites(true); },
         "C:\\DATA\\NEW.TXT", 0, 10, 5},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TestDir root;
        Start({}, root.path);
        if (row.setup)
            row.setup(*terminal, root.path);
        const Bytes content = Pattern(row.size);
        ASSERT_EQ(pc->Download(row.path, content, row.overwrite, "20240105103000"), row.expected);
        // Whatever the answer, no temporary file is left behind.
        for (const auto& e : fs::directory_iterator(root / "C" / "DATA"))
            EXPECT_NE(Utf8Text(e.path().filename())[0], '.') << e.path();
        if (row.expected != 0)
            continue;
        const std::string path = row.path;
        const fs::path stored =
            root / "C" / "DATA" /
            Utf8Path(HostFileName(*ShortName(path.substr(path.rfind('\\') + 1))));
        EXPECT_EQ(HostBytes(stored), content);
        EXPECT_EQ(HostFileTime(stored), ParseTimeText("20240105103000"));
    }
}

TEST_F(SimTerminalTest, FilesOfEverySizeGoBothWays)
{
    Start();
    // "C:\DATA\A.TXT" makes a 35-byte record header: 989 and 990 bytes fill one
    // block exactly and spill one byte into a second.
    for (const std::size_t size : {0u, 1u, 989u, 990u, 1024u, 1025u, 5000u}) {
        SCOPED_TRACE(size);
        const Bytes content = Pattern(size);
        ASSERT_EQ(pc->Download("C:\\DATA\\A.TXT", content, 1), 0);
        EXPECT_EQ(HostBytes(Host("C/DATA/A.TXT")), content);
        const auto answer = pc->Request(kUpload, "C:\\DATA\\A.TXT", kUploadEnding);
        ASSERT_EQ(answer.error, 0);
        EXPECT_EQ(answer.data, content);
    }
}

TEST_F(SimTerminalTest, EmptyUploadIsHeaderAndOneEmptyBlock)
{
    Put("C/DATA/EMPTY.TXT", "");
    Start();
    Bytes request{kUpload};
    const Bytes path = Text(std::string("C:\\DATA\\EMPTY.TXT") + kUploadEnding);
    request.insert(request.end(), path.begin(), path.end());
    ASSERT_EQ(pc->Send(kCommandRequest, request), 0);
    const auto header = ParseDataHeader(pc->Read(kDataHeaderSize));
    ASSERT_TRUE(header);
    EXPECT_EQ(header->length, 0u);
    pc->Write(BuildHeaderAck(kDataTypeMemory, 0));
    EXPECT_TRUE(CheckDataBlock(pc->Read(kBlockOverhead), 0));
}

TEST_F(SimTerminalTest, Listings)
{
    Put("C/DATA/ORDERS.TXT", "0123456789");
    Put("C/DATA/notes.txt", "abc");
    Put("C/DATA/README", "x");
    Put("C/DATA/long file name.txt", "hidden");
    Put("C/DATA/TOOLONGNAME.TXT", "hidden");
    fs::create_directories(Host("C/DATA/SUB"));
    ASSERT_TRUE(SetHostFileTime(Host("C/DATA/ORDERS.TXT"), *ParseTimeText("20230708091011")));
    Start();

    for (const char* root : {"PDT", "pdt"}) {
        const auto answer = pc->Request(kList, root, "\r\n", true);
        ASSERT_EQ(answer.error, 0);
        EXPECT_EQ(answer.data, Text("C:\r\nD:\r\n"));
    }

    const auto listing = pc->Request(kList, "c:\\data", "\r\n", true);
    ASSERT_EQ(listing.error, 0);
    ASSERT_EQ(listing.data.size(), 4 * 32u);
    // The first 12 bytes of entry i (name, extension, kind) as text.
    const auto head = [&](int i) {
        return std::string(listing.data.begin() + 32 * i, listing.data.begin() + 32 * i + 12);
    };
    Bytes orders(32, 0);
    std::memcpy(&orders[0], "ORDERS", 6);
    std::memcpy(&orders[8], "TXT", 3);
    orders[11] = 2;
    std::memcpy(&orders[12], "20230708091011", 14);
    orders[26] = 10;
    EXPECT_EQ(Bytes(listing.data.begin() + 32, listing.data.begin() + 64), orders);
    EXPECT_EQ(head(0), std::string("NOTES\0\0\0TXT\2", 12));
    EXPECT_EQ(head(2), std::string("README\0\0\0\0\0\2", 12));
    EXPECT_EQ(head(3), std::string("SUB\0\0\0\0\0\0\0\0\1", 12));

    const auto disk = pc->Request(kList, "D:", "\r\n", true);
    ASSERT_EQ(disk.data.size(), 3 * 32u);
    EXPECT_EQ(disk.data[11], 1); // FONTS, a folder

    // An empty folder is answered by the header alone.
    const auto empty = pc->Request(kList, "D:\\FONTS", "\r\n", true);
    EXPECT_EQ(empty.error, 0);
    EXPECT_TRUE(empty.data.empty());
    EXPECT_EQ(pc->Request(kInfo, "", "").error, 0) << "the next request is served as usual";

    terminal->Storage().SetFormatted('D', false);
    for (const char* missing : {"C:\\NOPE", "E:", "C:\\DATA\\ORDERS.TXT", "D:", "D:\\LOOKUP"}) {
        SCOPED_TRACE(missing);
        EXPECT_EQ(pc->Request(kList, missing, "\r\n", true).error, 2);
    }
}

TEST_F(SimTerminalTest, PolishNameIsListedAndFetchedWithTheBytesItWasStoredUnder)
{
    Start();
    ASSERT_EQ(pc->Download("C:\\DATA\\Z\xA3OTY.TXT", Text("gold"), 0), 0);
    EXPECT_EQ(HostBytes(Host("C/DATA/ZŁOTY.TXT")), Text("gold")) << "kept as UTF-8 on the host";
    const auto listing = pc->Request(kList, "C:\\DATA", "\r\n", true);
    ASSERT_EQ(listing.data.size(), 32u);
    EXPECT_EQ(std::string(listing.data.begin(), listing.data.begin() + 12),
              std::string("Z\xA3OTY\0\0\0TXT\2", 12));
    EXPECT_EQ(pc->Request(kUpload, "c:\\data\\z\xB3oty.txt", kUploadEnding).data, Text("gold"));
}

TEST_F(SimTerminalTest, DeleteFormatAndUploadAnswers)
{
    Put("C/DATA/A.TXT", "a");
    Put("C/DATA/B.TXT", "b");
    Put("C/DATA/LOCKED.TXT", "l");
    Put("C/JUNK/X.TXT", "x");
    Start([](SimTerminalConfig& c) { c.locked = {"C:\\DATA\\LOCKED.TXT"}; });

    EXPECT_EQ(pc->Request(kDelete, "c:\\data\\a.txt").data, Bytes{0});
    EXPECT_FALSE(fs::exists(Host("C/DATA/A.TXT")));
    EXPECT_EQ(pc->Request(kDelete, "C:\\DATA\\A.TXT").error, 2) << "no such file";
    EXPECT_EQ(pc->Request(kDelete, "C:\\DATA").error, 2) << "a folder";
    EXPECT_EQ(pc->Request(kDelete, "C:\\DATA\\LOCKED.TXT").error, 3);
    EXPECT_TRUE(fs::exists(Host("C/DATA/LOCKED.TXT")));

    EXPECT_EQ(pc->Request(kUpload, "C:\\DATA\\NOPE.TXT", kUploadEnding).error, 2);
    EXPECT_EQ(pc->Request(kUpload, "C:\\DATA", kUploadEnding).error, 2);

    EXPECT_EQ(pc->Request(kFormat, "C:").error, 3) << "a file on the disk is in use";
    EXPECT_EQ(pc->Request(kFormat, "E:").data, Bytes{1});
    terminal->Storage().SetFailWrites(true);
    EXPECT_EQ(pc->Request(kFormat, "D:").data, Bytes{5}) << "the host refuses";
    terminal->Storage().SetFailWrites(false);
    terminal->Storage().Unlock("C:\\DATA\\LOCKED.TXT");
    EXPECT_EQ(pc->Request(kFormat, "C:").data, Bytes{0});
    EXPECT_FALSE(fs::exists(Host("C/DATA/B.TXT")));
    EXPECT_FALSE(fs::exists(Host("C/JUNK")));
    EXPECT_TRUE(fs::is_directory(Host("C/DATA")));
}

TEST_F(SimTerminalTest, FormatMakesAnUnformattedDiskUsable)
{
    Put("D/OLD.TXT", "old");
    Start([](SimTerminalConfig& c) { c.unformatted = {"D:"}; });
    EXPECT_EQ(pc->Download("D:\\LOOKUP\\X.TXT", Text("x")), 2);
    ASSERT_EQ(pc->Request(kFormat, "d:").data, Bytes{0});
    EXPECT_FALSE(fs::exists(Host("D/OLD.TXT")));
    for (const char* folder : {"PROGRAM", "FONTS", "LOOKUP"})
        EXPECT_TRUE(fs::is_directory(Host("D") / folder)) << folder;
    EXPECT_EQ(pc->Download("D:\\LOOKUP\\X.TXT", Text("x")), 0);
}

TEST_F(SimTerminalTest, DiskAndTerminalInformation)
{
    Put("C/DATA/A.TXT", std::string(1000, 'a'));
    Start([](SimTerminalConfig& c) {
        c.unformatted = {"D:"};
        c.identity = {"KV-2000", "1.00", "SN-0001", "A-VERY-LONG-EQUIPMENT-NAME"};
    });
    Bytes c(8);
    PutU32(&c[0], 4u << 20);
    PutU32(&c[4], (4u << 20) - 1000);
    EXPECT_EQ(pc->Request(kDiskInfo, "C:").data, c);
    Bytes d(8);
    PutU32(&d[0], 2u << 20);
    PutU32(&d[4], 0xFFFFFFFF);
    EXPECT_EQ(pc->Request(kDiskInfo, "D:").data, d);
    EXPECT_EQ(pc->Request(kDiskInfo, "E:").error, 2);

    Bytes info(60, 0);
    std::memcpy(&info[0], "KV-2000", 7);
    std::memcpy(&info[10], "1.00", 4);
    std::memcpy(&info[20], "SN-0001", 7);
    std::memcpy(&info[40], "A-VERY-LONG-EQUIPMEN", 20);
    EXPECT_EQ(pc->Request(kInfo, "", "").data, info);
}

TEST_F(SimTerminalTest, SetTime)
{
    Start();
    for (const char* bad : {"20240230120000", "20241301000000", "20240101240000", "20240101006000",
                            "2024010112000", "2024010112000x", "19790101000000"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(pc->Request(kSetTime, bad).data, Bytes{1});
    }
    EXPECT_FALSE(fs::exists(Host(kClockFileName)));
    EXPECT_EQ(pc->Request(kSetTime, "20310615120000").data, Bytes{0});
    EXPECT_EQ(TestDir::ReadFile(Host(kClockFileName)), "20310615120000");
    EXPECT_EQ(FormatTimeText(terminal->ClockNow()).substr(0, 6), "203106");
    EXPECT_EQ(pc->Request(kSetTime, "20240229235959").data, Bytes{0}) << "a leap day";
}

TEST_F(SimTerminalTest, UnknownOrEmptyRequest)
{
    Start();
    EXPECT_EQ(pc->Request(9, "C:").error, 2);
    EXPECT_EQ(pc->Request(1, "C:").error, 2);
    EXPECT_EQ(pc->Send(kCommandRequest, {}), 2);
}

TEST_F(SimTerminalTest, ApplicationImages)
{
    struct Row {
        const char* name;
        const char* model;
        std::size_t size;
        std::optional<std::uint8_t> forced;
        int expected;
    };
    const Row rows[] = {
        {"KV-20 image installed", "KV-2000", 3000, {}, 0},
        {"LX-2 image installed", "LX-200", 1024, {}, 0},
        {"empty KV-20 image", "KV-2000", 0, {}, 4},
        {"empty LX-2 image", "LX-200", 0, {}, 7},
        {"forced answer 2", "KV-2000", 10, 2, 2},
        {"forced answer 9", "LX-200", 10, 9, 9},
        {"forced answer 255", "LX-200", 2000, 255, 255},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TestDir root;
        Start(
            [&](SimTerminalConfig& c) {
                c.installMode = true;
                c.identity.model = row.model;
                c.installAnswer = row.forced;
            },
            root.path);
        const Bytes image = Pattern(row.size);
        const std::uint8_t command =
            FamilyOf(row.model) == ModelFamily::Kv20 ? kCommandInstallKv20 : kCommandInstallLx2;
        EXPECT_EQ(pc->Send(command, image), row.expected);
        if (row.expected == 0)
            EXPECT_EQ(HostBytes(root / "APP.BIN"), image);
        else
            EXPECT_FALSE(fs::exists(root / "APP.BIN"));
    }
}

// ---- Lost and damaged frames ----

TEST_F(SimTerminalTest, RepeatedLastBlockIsAcknowledgedAgainNotStoredTwice)
{
    // Frames the terminal sends: 1 command acknowledgement, 2 the block's.
    Start([](SimTerminalConfig& c) { c.faults.dropFrame = 2; });
    const Bytes record = BuildFileRecord(Text("hello"), "20240105103000", 0, "C:\\DATA\\R.TXT");
    ASSERT_EQ(pc->Command(kCommandDownload, static_cast<std::uint32_t>(record.size())), 0);
    pc->Write(BuildDataBlock(0, record));
    // The phase has ended on the terminal's side; the PC, without an answer, sends it again.
    EXPECT_EQ(pc->Block(kCommandDownload, 0, record), 0);
    EXPECT_EQ(TestDir::ReadFile(Host("C/DATA/R.TXT")), "hello");
    EXPECT_EQ(pc->Download("C:\\DATA\\S.TXT", Text("next")), 0);
}

TEST_F(SimTerminalTest, RepeatedMiddleBlockIsNotStoredTwice)
{
    Start([](SimTerminalConfig& c) { c.faults.dropFrame = 2; });
    const Bytes content = Pattern(1500);
    const Bytes record = BuildFileRecord(content, "20240105103000", 0, "C:\\DATA\\M.TXT");
    const std::span<const std::uint8_t> all(record);
    ASSERT_EQ(pc->Command(kCommandDownload, static_cast<std::uint32_t>(record.size())), 0);
    pc->Write(BuildDataBlock(0, all.first(1024)));
    EXPECT_EQ(pc->Block(kCommandDownload, 0, all.first(1024)), 0);
    EXPECT_EQ(pc->Block(kCommandDownload, 1, all.subspan(1024)), 0);
    EXPECT_EQ(HostBytes(Host("C/DATA/M.TXT")), content);
}

TEST_F(SimTerminalTest, RepeatedRequestBlockBringsTheAnswerAgain)
{
    Start([](SimTerminalConfig& c) { c.faults.dropFrame = 2; });
    const Bytes request{kInfo};
    ASSERT_EQ(pc->Command(kCommandRequest, 1), 0);
    // The block's acknowledgement is lost, so the PC reads the answer's header
    // where it wanted it, finds it malformed, purges and sends the block again.
    EXPECT_EQ(pc->Block(kCommandRequest, 0, request), kMalformed);
    pc->Purge();
    EXPECT_EQ(pc->Block(kCommandRequest, 0, request), 0);
    const auto answer = pc->Receive(false);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->data.size(), 60u);
}

TEST_F(SimTerminalTest, DamagedOrOutOfTurnBlockIsAskedForAgain)
{
    Start();
    const Bytes record = BuildFileRecord(Text("abc"), "20240105103000", 0, "C:\\DATA\\D.TXT");
    ASSERT_EQ(pc->Command(kCommandDownload, static_cast<std::uint32_t>(record.size())), 0);
    Bytes damaged = BuildDataBlock(0, record);
    damaged[7] ^= 0x10;
    pc->Write(damaged);
    EXPECT_EQ(pc->BlockAck(kCommandDownload), 1);
    EXPECT_EQ(pc->Block(kCommandDownload, 3, record), 1) << "wrong block number";
    EXPECT_EQ(pc->Block(kCommandDownload, 0, record), 0);
    EXPECT_EQ(TestDir::ReadFile(Host("C/DATA/D.TXT")), "abc");
}

// A byte lost or damaged on the way: the terminal waits until the PC has
// stopped sending, answers "send again" once, and reads the next block from
// its first byte.
TEST_F(SimTerminalTest, ShortOrDamagedBlockIsAskedForAgainOnceTheLineIsQuiet)
{
    Start();
    const Bytes content = Pattern(3000);
    const Bytes record = BuildFileRecord(content, "20240105103000", 0, "C:\\DATA\\R.TXT");
    ASSERT_EQ(pc->Command(kCommandDownload, static_cast<std::uint32_t>(record.size())), 0);
    const auto part = [&](std::uint32_t n) {
        return std::span(record).subspan(
            n * kMaxBlockData, std::min(kMaxBlockData, record.size() - n * kMaxBlockData));
    };

    Bytes shortBlock = BuildDataBlock(0, part(0));
    shortBlock.erase(shortBlock.begin() + 600);
    pc->Write(shortBlock);
    EXPECT_EQ(pc->BlockAck(kCommandDownload), 1) << "a block one byte short";
    EXPECT_EQ(pc->Block(kCommandDownload, 0, part(0)), 0);

    // The damage shows in the first bytes while the rest is still coming.
    Bytes damaged = BuildDataBlock(1, part(1));
    damaged[2] ^= 0x40;
    pc->Write(std::span(damaged).first(40));
    std::this_thread::sleep_for(5ms);
    pc->Write(std::span(damaged).subspan(40));
    EXPECT_EQ(pc->BlockAck(kCommandDownload), 1) << "a damaged block number";
    EXPECT_EQ(pc->Block(kCommandDownload, 1, part(1)), 0) << "one answer per damaged block";
    EXPECT_EQ(pc->Block(kCommandDownload, 2, part(2)), 0);
    EXPECT_EQ(HostBytes(Host("C/DATA/R.TXT")), content);
}

// A PC that keeps talking after a damaged block never leaves the line quiet:
// the terminal stops dropping after its longest resynchronisation and asks
// for the block again.
TEST_F(SimTerminalTest, APcThatNeverFallsSilentIsStillAskedForTheBlockAgain)
{
    Start();
    const Bytes record = BuildFileRecord(Pattern(100), "20240105103000", 0, "C:\\DATA\\B.TXT");
    ASSERT_EQ(pc->Command(kCommandDownload, static_cast<std::uint32_t>(record.size())), 0);
    Bytes damaged = BuildDataBlock(0, record);
    damaged.back() ^= 0x01;
    pc->Write(damaged);
    std::atomic<bool> stop{false};
    std::thread babble([&] {
        const Bytes noise = Pattern(64);
        while (!stop.load()) {
            pc->Write(noise);
            std::this_thread::sleep_for(1ms);
        }
    });
    // Answered within kLongestResync and the script's wait, not never.
    const int answer = pc->BlockAck(kCommandDownload);
    stop = true;
    babble.join();
    EXPECT_EQ(answer, 1);
}

// The PC's acknowledgement of a block arrives damaged: the terminal cannot
// tell "next" from "again" and sends the block again once the line is quiet.
TEST_F(SimTerminalTest, DamagedPcAcknowledgementBringsTheBlockAgain)
{
    Put("C/DATA/BIG.TXT", std::string(2000, 'z'));
    Start();
    const Bytes request = Text(std::string("\x04", 1) + "C:\\DATA\\BIG.TXT" + kUploadEnding);
    ASSERT_EQ(pc->Send(kCommandRequest, request), 0);
    ASSERT_TRUE(ParseDataHeader(pc->Read(kDataHeaderSize)));
    pc->Write(BuildHeaderAck(kDataTypeMemory, 0));
    const Bytes first = pc->Read(1024 + kBlockOverhead);
    ASSERT_TRUE(CheckDataBlock(first, 0));
    auto ack = BuildBlockAck(kDataTypeMemory, 0, true);
    ack[5] ^= 1;
    pc->Write(ack);
    EXPECT_EQ(pc->Read(1024 + kBlockOverhead, 1000ms), first);
    pc->Write(BuildBlockAck(kDataTypeMemory, 0, true));
    EXPECT_TRUE(CheckDataBlock(pc->Read(976 + kBlockOverhead), 1));
}

TEST_F(SimTerminalTest, BadCommandFrameAndNoiseAreSkipped)
{
    Start();
    auto bad = BuildCommandFrame(kCommandRequest, 1);
    bad[12] ^= 1;
    pc->Write(bad);
    pc->Write(Text("\x1b\x02noise\x02"));
    EXPECT_EQ(pc->Request(kInfo, "", "").data.size(), 60u);
}

TEST_F(SimTerminalTest, AbandonedDownloadLeavesNothingAndNextCommandIsServed)
{
    Start();
    const Bytes record = BuildFileRecord(Pattern(2000), "20240105103000", 0, "C:\\DATA\\H.TXT");
    ASSERT_EQ(pc->Command(kCommandDownload, static_cast<std::uint32_t>(record.size())), 0);
    ASSERT_EQ(pc->Block(kCommandDownload, 0, std::span(record).first(1024)), 0);
    EXPECT_EQ(pc->Request(kInfo, "", "").data.size(), 60u);
    EXPECT_TRUE(fs::is_empty(Host("C/DATA")));
}

TEST_F(SimTerminalTest, AnswerPhaseFollowsThePcAcknowledgements)
{
    Put("C/DATA/BIG.TXT", std::string(2000, 'z'));
    Start();
    const Bytes request = Text(std::string("\x04", 1) + "C:\\DATA\\BIG.TXT" + kUploadEnding);

    // Header refused (answer 1): nothing more comes, the next request is served.
    ASSERT_EQ(pc->Send(kCommandRequest, request), 0);
    ASSERT_TRUE(ParseDataHeader(pc->Read(kDataHeaderSize)));
    pc->Write(BuildHeaderAck(kDataTypeMemory, 1));
    EXPECT_EQ(pc->Request(kInfo, "", "").data.size(), 60u);

    // Header acknowledgement lost: the PC asks for block 0 again and gets it;
    // a block asked for again comes again, unchanged.
    ASSERT_EQ(pc->Send(kCommandRequest, request), 0);
    ASSERT_TRUE(ParseDataHeader(pc->Read(kDataHeaderSize)));
    pc->Write(BuildBlockAck(kDataTypeMemory, 1, true));
    const Bytes first = pc->Read(1024 + kBlockOverhead);
    EXPECT_TRUE(CheckDataBlock(first, 0));
    pc->Write(BuildBlockAck(kDataTypeMemory, 1, true));
    EXPECT_EQ(pc->Read(1024 + kBlockOverhead), first);
    pc->Write(BuildBlockAck(kDataTypeMemory, 0, true));
    EXPECT_TRUE(CheckDataBlock(pc->Read(976 + kBlockOverhead), 1));
    pc->Write(BuildBlockAck(kDataTypeMemory, 0, true));
    EXPECT_EQ(pc->Request(kInfo, "", "").data.size(), 60u);
}

TEST_F(SimTerminalTest, DamagedAcknowledgementReachesThePc)
{
    Start([](SimTerminalConfig& c) { c.faults.corruptFrame = 1; });
    EXPECT_EQ(pc->Command(kCommandRequest, 1), kMalformed);
}

TEST_F(SimTerminalTest, LineRateKeepsBytesWhole)
{
    Start([](SimTerminalConfig& c) { c.lineRate = 2'000'000; });
    const Bytes content = Pattern(3000);
    ASSERT_EQ(pc->Download("C:\\DATA\\L.TXT", content), 0);
    EXPECT_EQ(pc->Request(kUpload, "C:\\DATA\\L.TXT", kUploadEnding).data, content);
}

// ---- The operator's push ----

TEST_F(SimTerminalTest, PushSendsAFileRecord)
{
    Start();
    const Bytes content = Pattern(1500);
    terminal->Push(content, "C:\\DATA\\P.TXT");
    const auto received = pc->Receive(false);
    ASSERT_TRUE(received);
    EXPECT_EQ(received->header.accept, 1);
    EXPECT_EQ(received->header.type, kDataTypeFile);
    EXPECT_EQ(received->header.length, 22u + 13u + 1500u);
    const auto record = ParseFileRecordHeader(received->data);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->fileLength, 1500u);
    EXPECT_TRUE(ParseTimeText(record->time));
    EXPECT_EQ(std::string(received->data.begin() + 22, received->data.begin() + 35),
              "C:\\DATA\\P.TXT");
    EXPECT_EQ(Bytes(received->data.begin() + 35, received->data.end()), content);
    EXPECT_EQ(pc->Request(kInfo, "", "").data.size(), 60u);
    EXPECT_EQ(terminal->PushesSent(), 1u);
}

TEST_F(SimTerminalTest, UnansweredPushHeaderIsSentAgain)
{
    Start();
    terminal->Push(Text("x"), "X.TXT");
    const Bytes header = pc->Read(kDataHeaderSize);
    ASSERT_TRUE(ParseDataHeader(header));
    EXPECT_EQ(pc->Read(kDataHeaderSize), header) << "sent again after the reply time-out";
    pc->Write(BuildHeaderAck(kDataTypeFile, 0));
    const Bytes block = pc->Read(22 + 5 + 1 + kBlockOverhead);
    EXPECT_TRUE(CheckDataBlock(block, 0));
    EXPECT_EQ(block[block.size() - 4], 'x');
}

} // namespace
