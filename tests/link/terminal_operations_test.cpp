// The terminal operations of the link against the simulated terminal: every
// answer the terminal can give and the status the PC makes of it.
#include "tests/support/test_dir.h"

#include "link/link_observer.h"
#include "link/terminal_link.h"
#include "link/transfer_progress.h"
#include "sim/in_process_line.h"
#include "sim/line_transport.h"
#include "sim/sim_terminal.h"
#include "sim/terminal_port.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include <condition_variable>
#include <functional>
#include <thread>

using namespace std::chrono_literals;

namespace {

// A link talking to a simulated terminal whose disks are in a test folder.
struct SimRig {
    explicit SimRig(const std::function<void(SimTerminalConfig&)>& setup = {},
                    LinkTimings timings = {500ms, 10ms})
    {
        SimTerminalConfig config;
        config.root = dir / "terminal";
        config.replyTimeout = 500ms;
        if (setup)
            setup(config);
        auto [pc, far] = MakeInProcessLine();
        pcEnd = pc;
        terminal = std::make_unique<SimTerminal>(config, std::make_unique<LinePort>(far));
        EXPECT_TRUE(terminal->Start());
        transport.AddPort("SIMTEST", pc);
        link = std::make_unique<TerminalLink>(transport, timings);
        link->AttachPort(transport.PortOpen(PortKind::ListIndex, 1, "SIMTEST"));
    }
    ~SimRig()
    {
        link.reset();
        terminal->Stop();
    }
    std::filesystem::path Disk(const std::string& relative) const
    {
        return dir.path / "terminal" / relative;
    }
    // Where the terminal keeps "C:\\DATA\\X.TXT": <root>/C/DATA/X.TXT.
    std::filesystem::path DiskFileOf(std::string terminalPath) const
    {
        terminalPath.erase(1, 1);
        std::replace(terminalPath.begin(), terminalPath.end(), '\\', '/');
        return Disk(terminalPath);
    }
    std::filesystem::path Local(const std::string& name, const std::string& content) const
    {
        const auto p = dir / name;
        TestDir::WriteFile(p, content);
        return p;
    }

    TestDir dir;
    std::shared_ptr<LineEnd> pcEnd;
    LineTransport transport;
    std::unique_ptr<SimTerminal> terminal;
    std::unique_ptr<TerminalLink> link;
};

std::string Sized(std::size_t n)
{
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        s[i] = static_cast<char>('a' + i % 26);
    return s;
}

} // namespace

TEST(Listing, RootDisksAndFolders)
{
    SimRig rig;
    DirectoryListing listing;
    ASSERT_EQ(rig.link->ListDirectory("pdt", &listing), LinkStatus::Ok);
    EXPECT_EQ(listing.count, 2);
    EXPECT_EQ(std::string(listing.bytes.begin(), listing.bytes.end()), "C:\r\nD:\r\n");

    ASSERT_EQ(rig.link->DownloadFile(rig.Local("a.txt", "abc"), "C:\\DATA\\A.TXT", 0, false, false),
              LinkStatus::Ok);
    ASSERT_EQ(rig.link->ListDirectory("C:\\DATA", &listing), LinkStatus::Ok);
    ASSERT_GE(listing.count, 1);
    bool found = false;
    for (int i = 0; i < listing.count; ++i) {
        const std::uint8_t* e = listing.bytes.data() + 32 * i;
        if (std::string(reinterpret_cast<const char*>(e), 1) == "A" && e[11] == 2) {
            found = true;
            EXPECT_EQ(GetU32(e + 26), 3u);
        }
    }
    EXPECT_TRUE(found);

    EXPECT_EQ(rig.link->ListDirectory("D:\\FONTS", &listing), LinkStatus::Ok)
        << "an empty folder is a listing, not a failure";
    EXPECT_EQ(listing.count, 0);

    EXPECT_EQ(rig.link->ListDirectory("C:\\NOWHERE", &listing), AnswerCode(2));
}

TEST(Download, EveryAnswerOfTheTerminal)
{
    struct Row {
        const char* name;
        std::function<void(SimTerminalConfig&)> setup;
        std::string target;
        std::size_t size;
        LinkStatus expected;
    };
    const Row rows[] = {
        {"stored", {}, "C:\\DATA\\NEW.TXT", 10, LinkStatus::Ok},
        {"empty file", {}, "C:\\DATA\\EMPTY.TXT", 0, LinkStatus::Ok},
        {"exactly one block", {}, "C:\\DATA\\B1024.DAT", 1024 - 22 - 16, LinkStatus::Ok},
        {"one byte more", {}, "C:\\DATA\\B1025.DAT", 1025 - 22 - 16, LinkStatus::Ok},
        {"terminal busy", [](SimTerminalConfig& c) { c.busy = true; }, "C:\\DATA\\X.TXT", 5,
         LinkStatus::FileInUse},
        {"disk not formatted", [](SimTerminalConfig& c) { c.unformatted = {"C:"}; },
         "C:\\DATA\\X.TXT", 5, LinkStatus::DiskNotFormatted},
        {"disk full", [](SimTerminalConfig& c) { c.capacityD = 100; }, "D:\\LOOKUP\\BIG.DAT", 5000,
         LinkStatus::DiskFull},
        {"no such folder", {}, "C:\\NOWHERE\\X.TXT", 5, LinkStatus::CannotStoreHere},
        {"name not 8.3", {}, "C:\\DATA\\TOOLONGNAME.TXT", 5, LinkStatus::CannotStoreHere},
        {"host write fails", [](SimTerminalConfig& c) { c.failHostWrites = true; },
         "C:\\DATA\\X.TXT", 5, LinkStatus::FileError},
    };
    for (const Row& row : rows) {
        SimRig rig(row.setup);
        const std::string content = Sized(row.size);
        const LinkStatus s =
            rig.link->DownloadFile(rig.Local("src", content), row.target, 0, false, false);
        EXPECT_EQ(s, row.expected) << row.name;
        if (row.expected == LinkStatus::Ok) {
            EXPECT_EQ(TestDir::ReadFile(rig.DiskFileOf(row.target)), content) << row.name;
        }
    }
}

TEST(Download, ExistingFileNeedsTheOverwriteFlag)
{
    SimRig rig;
    const auto first = rig.Local("one", "first");
    const auto second = rig.Local("two", "second version");
    ASSERT_EQ(rig.link->DownloadFile(first, "D:\\LOOKUP\\T.DAT", 0, false, false), LinkStatus::Ok);
    EXPECT_EQ(rig.link->DownloadFile(second, "D:\\LOOKUP\\T.DAT", 0, false, false),
              LinkStatus::FileExists);
    EXPECT_EQ(TestDir::ReadFile(rig.Disk("D/LOOKUP/T.DAT")), "first");
    EXPECT_EQ(rig.link->DownloadFile(second, "D:\\LOOKUP\\T.DAT", 1, false, false), LinkStatus::Ok);
    EXPECT_EQ(TestDir::ReadFile(rig.Disk("D/LOOKUP/T.DAT")), "second version");
}

TEST(Download, LockedFileAndMissingSource)
{
    SimRig rig([](SimTerminalConfig& c) { c.locked = {"C:\\DATA\\IN.USE"}; });
    const auto src = rig.Local("s", "x");
    ASSERT_EQ(rig.link->DownloadFile(src, "C:\\DATA\\IN.USE", 1, false, false), LinkStatus::Ok)
        << "first copy: nothing there yet to be in use";
    EXPECT_EQ(rig.link->DownloadFile(src, "C:\\DATA\\IN.USE", 1, false, false),
              LinkStatus::CannotStoreHere);
    EXPECT_EQ(rig.link->DownloadFile(rig.dir / "missing", "C:\\DATA\\M.TXT", 0, false, false),
              LinkStatus::FileError);
}

TEST(Download, ReportsProgressAndTheDisplayName)
{
    SimRig rig;
    TransferProgress progress;
    rig.link->progress = &progress;
    const std::string content = Sized(5000);
    const auto src = rig.Local("a-rather-long-source-file-name.txt", content);
    ASSERT_EQ(rig.link->DownloadFile(src, "C:\\DATA\\P.TXT", 0, true, true), LinkStatus::Ok);
    EXPECT_EQ(progress.Title(), "Download File....");
    EXPECT_EQ(progress.byteTotal.load(), 22u + 13 + 5000);
    EXPECT_EQ(progress.bytesDone.load(), progress.byteTotal.load());
    EXPECT_EQ(progress.FileText(),
              "/.../" + src.parent_path().filename().string() + "/" + src.filename().string());
    rig.link->progress = nullptr;
}

TEST(Upload, FetchesFilesWhole)
{
    for (std::size_t size :
         {std::size_t{0}, std::size_t{1024}, std::size_t{1025}, std::size_t{70000}}) {
        SimRig rig([](SimTerminalConfig& c) { c.capacityC = 1 << 20; });
        const std::string content = Sized(size);
        ASSERT_EQ(
            rig.link->DownloadFile(rig.Local("src", content), "C:\\DATA\\F.DAT", 0, false, false),
            LinkStatus::Ok);
        const auto target = rig.dir / "fetched.dat";
        EXPECT_EQ(rig.link->UploadFile("C:\\DATA\\F.DAT", target, false), LinkStatus::Ok) << size;
        EXPECT_EQ(TestDir::ReadFile(target), content) << size;
    }
}

TEST(Upload, MissingFileAndUnwritableTarget)
{
    SimRig rig;
    const auto target = rig.dir / "t.dat";
    EXPECT_EQ(rig.link->UploadFile("C:\\DATA\\NONE.DAT", target, false), LinkStatus::NoSuchFile);
    EXPECT_FALSE(std::filesystem::exists(target));
    ASSERT_EQ(rig.link->DownloadFile(rig.Local("s", "data"), "C:\\DATA\\F.DAT", 0, false, false),
              LinkStatus::Ok);
    EXPECT_EQ(rig.link->UploadFile("C:\\DATA\\F.DAT", rig.dir / "no" / "such" / "dir", false),
              LinkStatus::FileError);
}

TEST(Upload, AFailedUploadLeavesTheOldTargetAlone)
{
    SimRig rig;
    ASSERT_EQ(
        rig.link->DownloadFile(rig.Local("s", Sized(20000)), "C:\\DATA\\F.DAT", 0, false, false),
        LinkStatus::Ok);
    const auto target = rig.Local("existing.dat", "the user's file");
    rig.terminal->SetFaults(TerminalFaults{.stall = true}); // the terminal falls silent
    EXPECT_NE(rig.link->UploadFile("C:\\DATA\\F.DAT", target, false), LinkStatus::Ok);
    EXPECT_EQ(TestDir::ReadFile(target), "the user's file");
    for (const auto& e : std::filesystem::directory_iterator(rig.dir.path))
        EXPECT_EQ(e.path().string().find(".kvpart"), std::string::npos) << e.path();
}

TEST(DeleteAndFormat, Answers)
{
    SimRig rig([](SimTerminalConfig& c) { c.locked = {"D:\\LOOKUP\\L.DAT"}; });
    const auto src = rig.Local("s", "x");
    ASSERT_EQ(rig.link->DownloadFile(src, "C:\\DATA\\D.TXT", 0, false, false), LinkStatus::Ok);
    ASSERT_EQ(rig.link->DownloadFile(src, "D:\\LOOKUP\\L.DAT", 0, false, false), LinkStatus::Ok);
    EXPECT_EQ(rig.link->DeleteTerminalFile("C:\\DATA\\D.TXT"), LinkStatus::Ok);
    EXPECT_FALSE(std::filesystem::exists(rig.Disk("C/DATA/D.TXT")));
    EXPECT_EQ(rig.link->DeleteTerminalFile("C:\\DATA\\D.TXT"), LinkStatus::NoSuchFile);
    EXPECT_EQ(rig.link->DeleteTerminalFile("D:\\LOOKUP\\L.DAT"), LinkStatus::InUse);

    EXPECT_EQ(rig.link->FormatDisk("D:"), LinkStatus::InUse);
    EXPECT_EQ(rig.link->FormatDisk("Q:"), LinkStatus::FileInUse) << "answer byte 1";
    ASSERT_EQ(rig.link->DownloadFile(src, "C:\\DATA\\E.TXT", 0, false, false), LinkStatus::Ok);
    EXPECT_EQ(rig.link->FormatDisk("C:"), LinkStatus::Ok);
    EXPECT_FALSE(std::filesystem::exists(rig.Disk("C/DATA/E.TXT")));
    EXPECT_TRUE(std::filesystem::is_directory(rig.Disk("C/DATA"))) << "standard folder made again";
}

TEST(DiskInfo, CapacityUsedAndFree)
{
    SimRig rig([](SimTerminalConfig& c) { c.unformatted = {"D:"}; });
    DiskFigures d;
    ASSERT_EQ(rig.link->GetDiskInfo("C:", &d), LinkStatus::Ok);
    EXPECT_EQ(d.capacity, 4u << 20);
    EXPECT_EQ(d.used + d.freeSpace, d.capacity);
    ASSERT_EQ(rig.link->GetDiskInfo("D:", &d), LinkStatus::Ok);
    EXPECT_EQ(d.freeSpace, 0xFFFFFFFFu);
    EXPECT_EQ(d.used, d.capacity + 1) << "wraps as an unsigned 32-bit number";
    EXPECT_EQ(rig.link->GetDiskInfo("Z:", &d), AnswerCode(2));
}

TEST(Clock, SetTime)
{
    SimRig rig;
    EXPECT_EQ(rig.link->SetTerminalTime("20261208093000"), LinkStatus::Ok);
    EXPECT_EQ(TestDir::ReadFile(rig.Disk("CLOCK.TXT")).substr(0, 14), "20261208093000");
    EXPECT_EQ(rig.link->SetTerminalTime("20261399250000"), AnswerCode(1));
}

TEST(TerminalInformation, Fields)
{
    SimRig rig([](SimTerminalConfig& c) {
        c.identity = TerminalIdentity{"KV-2000", "1.00", "SN-123", "SHOP-7"};
    });
    TerminalInfo info;
    ASSERT_EQ(rig.link->GetTerminalInfo(&info), LinkStatus::Ok);
    EXPECT_EQ(info.model, "KV-2000");
    EXPECT_EQ(info.firmware, "1.00");
    EXPECT_EQ(info.serial, "SN-123");
    EXPECT_EQ(info.equipment, "SHOP-7");
}

TEST(Install, StatusesOfBothFamilies)
{
    struct Row {
        const char* name;
        std::string model;
        bool installMode;
        std::size_t size;
        std::optional<std::uint8_t> answer;
        LinkStatus expected;
    };
    const Row rows[] = {
        {"KV-20 installed", "KV-2000", true, 3000, std::nullopt, LinkStatus::Ok},
        {"LX-2 installed", "LX-210", true, 3000, std::nullopt, LinkStatus::Ok},
        {"not in install mode", "KV-2000", false, 10, std::nullopt, LinkStatus::NotInInstallMode},
        {"LX-2 not in install mode", "LX-210", false, 10, std::nullopt,
         LinkStatus::NotInInstallMode},
        {"image larger than the area", "KV-2000", true, 2 << 20, std::nullopt,
         LinkStatus::AppAreaTooSmall},
        {"KV-20 empty image (answer 4)", "KV-2000", true, 0, std::nullopt, LinkStatus::FileInUse},
        {"LX-2 empty image (answer 7)", "LX-210", true, 0, std::nullopt, LinkStatus::InvalidImage},
        {"KV-20 answer 7 stays 7", "KV-2000", true, 10, 7, AnswerCode(7)},
        {"KV-20 answer 2", "KV-2000", true, 10, 2, LinkStatus::DiskNotFormatted},
        {"LX-2 answer 3", "LX-210", true, 10, 3, LinkStatus::InstallError3},
        {"LX-2 answer 4", "LX-210", true, 10, 4, LinkStatus::InstallError4},
        {"LX-2 answer 5", "LX-210", true, 10, 5, LinkStatus::InstallError5},
        {"LX-2 answer 6", "LX-210", true, 10, 6, LinkStatus::InstallError6},
        {"LX-2 answer 9", "LX-210", true, 10, 9, LinkStatus::InstallError9},
        {"LX-2 answer 8", "LX-210", true, 10, 8, LinkStatus::InvalidImage},
        {"LX-2 answer 255", "LX-210", true, 10, 255, LinkStatus::TooManyFailures},
        {"model of neither family", "ZX-9", true, 10, std::nullopt, LinkStatus::NoTerminalInfo},
        {"both names: KV-20 first", "KV-20/LX-2", true, 10, std::nullopt, LinkStatus::Ok},
    };
    for (const Row& row : rows) {
        SimRig rig([&](SimTerminalConfig& c) {
            c.identity.model = row.model;
            c.installMode = row.installMode;
            c.installAnswer = row.answer;
        });
        const std::string image = Sized(row.size);
        EXPECT_EQ(rig.link->InstallApplication(rig.Local("app.bin", image), false), row.expected)
            << row.name;
        if (row.expected == LinkStatus::Ok) {
            EXPECT_EQ(TestDir::ReadFile(rig.Disk("APP.BIN")), image) << row.name;
        }
    }
}

TEST(Install, MissingImage)
{
    SimRig rig;
    EXPECT_EQ(rig.link->InstallApplication(rig.dir / "none.bin", false), LinkStatus::FileError);
}

TEST(Cancel, StopsATransferInTheMiddle)
{
    SimRig rig([](SimTerminalConfig& c) {
        c.capacityC = 8 << 20;
        c.lineRate = 921600; // slow enough to cancel half-way
    });
    TransferProgress progress;
    rig.link->progress = &progress;
    const std::string content = Sized(300000);
    const auto src = rig.Local("big", content);
    std::thread canceller([&] {
        while (progress.bytesDone.load() < 20000)
            std::this_thread::sleep_for(1ms);
        rig.link->cancel = 1;
    });
    EXPECT_EQ(rig.link->DownloadFile(src, "C:\\DATA\\BIG.DAT", 0, true, false),
              LinkStatus::Cancelled);
    canceller.join();
    EXPECT_LT(progress.bytesDone.load(), content.size());
    EXPECT_FALSE(std::filesystem::exists(rig.Disk("C/DATA/BIG.DAT")))
        << "a cancelled file is not stored";
    rig.link->progress = nullptr;
}

TEST(Push, TheTerminalSendsAFile)
{
    struct Watcher : LinkObserver {
        void IncomingFileStored(const std::filesystem::path& p) override
        {
            std::lock_guard lock(mutex);
            path = p;
            cv.notify_all();
        }
        void IncomingTransferFailed(const std::string&, LinkStatus) override {}
        std::mutex mutex;
        std::condition_variable cv;
        std::filesystem::path path;
    } watcher;
    SimRig rig;
    rig.link->SetReceiveFolder(rig.dir / "received");
    rig.link->SetObserver(&watcher);
    const std::string content = Sized(4000);
    rig.terminal->Push(Bytes(content.begin(), content.end()), "ORDERS.DAT");
    {
        std::unique_lock lock(watcher.mutex);
        ASSERT_TRUE(watcher.cv.wait_for(lock, 5s, [&] { return !watcher.path.empty(); }));
    }
    EXPECT_EQ(watcher.path, rig.dir / "received" / "ORDERS.DAT");
    EXPECT_EQ(TestDir::ReadFile(watcher.path), content);
    rig.link->SetObserver(nullptr);
}

// True when got equals want, or differs only in ways the protocol's 16-bit
// additive block checksum cannot see: same length, and every data block (1024
// bytes of the phase, which starts offset bytes before the content) keeps its
// byte sum. Anything else (a lost, repeated or shifted block) is a fault.
bool SameOrBeyondTheChecksum(const std::string& want, const std::string& got, std::size_t offset)
{
    if (want.size() != got.size())
        return false;
    std::map<std::size_t, int> drift; // block -> sum difference
    for (std::size_t i = 0; i < want.size(); ++i)
        drift[(offset + i) / kMaxBlockData] +=
            static_cast<unsigned char>(got[i]) - static_cast<unsigned char>(want[i]);
    return std::all_of(drift.begin(), drift.end(),
                       [](const auto& d) { return d.second % 65536 == 0; });
}

TEST(LossyLine, SuccessMeansTheBytesTheChecksumVouchesFor)
{
    // One byte in a thousand flipped, both ways: whatever reports success
    // delivered the same bytes (up to errors that cancel out in a block's sum,
    // which no check on the PC side can see); the rest fail with a status.
    SimRig rig(
        [](SimTerminalConfig& c) {
            c.capacityC = 8 << 20;
            c.faults.corruptRate = 1e-3;
            c.faults.seed = 7;
            c.replyTimeout = 100ms;
        },
        LinkTimings{100ms, 10ms});
    LineFaults pcFaults;
    pcFaults.corruptRate = 1e-3;
    pcFaults.seed = 11;
    rig.pcEnd->SetFaults(pcFaults);
    int downloads = 0, uploads = 0, identical = 0;
    for (int i = 0; i < 12; ++i) {
        const std::string content = Sized(3000 + 997 * i);
        const std::string name = "C:\\DATA\\L" + std::to_string(i) + ".DAT";
        const LinkStatus put = rig.link->DownloadFile(rig.Local("s" + std::to_string(i), content),
                                                      name, 1, false, false);
        const auto stored = rig.DiskFileOf(name);
        if (put != LinkStatus::Ok) {
            // Not confirmed: a copy that read back wrong may be there; any
            // other failure leaves nothing.
            if (put != LinkStatus::NotConfirmed) {
                EXPECT_FALSE(std::filesystem::exists(stored)) << "failed download stored: " << i;
            }
            continue;
        }
        ++downloads;
        const std::string onTerminal = TestDir::ReadFile(stored);
        EXPECT_TRUE(
            SameOrBeyondTheChecksum(content, onTerminal, kFileRecordHeaderSize + name.size()))
            << "download " << i;
        const auto back = rig.dir / ("back" + std::to_string(i));
        const LinkStatus get = rig.link->UploadFile(name, back, false);
        if (get != LinkStatus::Ok) {
            EXPECT_FALSE(std::filesystem::exists(back)) << "failed upload left a file: " << i;
            continue;
        }
        ++uploads;
        const std::string fetched = TestDir::ReadFile(back);
        EXPECT_TRUE(SameOrBeyondTheChecksum(onTerminal, fetched, 0)) << "upload " << i;
        identical += fetched == content;
    }
    EXPECT_GT(downloads, 0);
    EXPECT_GT(uploads, 0);
    EXPECT_GT(identical, 0);
}
