// The automatic transmission's list and its run against the simulated terminal.
#include "tests/support/job_rig.h"

#include "link/operation_text.h"
#include "terminal/auto_transmission.h"

#include <gtest/gtest.h>

#include <thread>

using namespace std::chrono_literals;

namespace {

struct ListRow {
    const char* data;
    std::vector<const char*> targets; // nullptr: a malformed line, nothing sent
};

TEST(TransmissionList, EntriesAndTheirTargets)
{
    const ListRow rows[] = {
        // The first file goes to D:\Program whatever its type.
        {"COM1:9600\r\n3,C:\\Work\\Main.bin\r\n", {"D:\\Program\\Main.bin"}},
        {"COM1:9600\r\n0,/home/ann/Main.bin\r\n1,/home/ann/f/Big.fnt\r\n2,C:\\W\\Items.dbf\r\n"
         "3,rel\\Orders.txt\r\n7,C:\\Keep\\As.is\r\n",
         {"D:\\Program\\Main.bin", "D:\\Fonts\\Big.fnt", "D:\\Lookup\\Items.dbf",
          "C:\\Data\\Orders.txt", "C:\\Keep\\As.is"}},
        // Malformed lines count but name no file; the lines after them still do.
        {"COM1:9600\r\nno comma\r\nx,/a/B.TXT\r\n1234567890,/a/C.TXT\r\n2,\r\n2,/a/\r\n"
         "2,/a/\x01.TXT\r\n-1,/a/D.TXT\r\n2,/a/E.TXT\r\n",
         {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, "D:\\Lookup\\E.TXT"}},
        // A last line without CR LF is no entry; without any CR LF there is none.
        {"COM1:9600\r\n0,/a/A.BIN\r\n2,/a/B.DBF", {"D:\\Program\\A.BIN"}},
        {"COM1:9600", {}},
        {"COM1:9600\n0,/a/A.BIN\n2,/a/B.DBF\n", {}},
        {"COM1:9600\r\n123456789,/a/Big.num\r\n123456789,/a/Big.num\r\n",
         {"D:\\Program\\Big.num", "/a/Big.num"}},
    };
    for (const ListRow& row : rows) {
        const auto entries = ParseTransmissionList(row.data);
        ASSERT_EQ(entries.size(), row.targets.size()) << row.data;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (!row.targets[i]) {
                EXPECT_FALSE(entries[i]) << row.data << " line " << i + 2;
                continue;
            }
            ASSERT_TRUE(entries[i]) << row.data << " line " << i + 2;
            EXPECT_EQ(entries[i]->target, row.targets[i]);
        }
    }
}

struct Rig : JobRig {
    using JobRig::JobRig;
    std::filesystem::path List(const std::string& content)
    {
        TestDir::WriteFile(dir / "list.txt", content);
        return dir / "list.txt";
    }
    // The files the terminal's two disks list (its unfinished copies are hidden).
    std::vector<std::string> FilesOnTerminal() const
    {
        std::vector<std::string> files;
        for (const char* disk : {"C", "D"})
            for (const auto& e :
                 std::filesystem::recursive_directory_iterator(dir / "terminal" / disk))
                if (e.is_regular_file() && e.path().filename().string()[0] != '.')
                    files.push_back(e.path().string());
        return files;
    }
};

TEST(AutoTransmission, SendsEachFileToItsFolderSkippingMissingOnes)
{
    Rig rig;
    const std::string main = rig.Pc("MAIN.BIN", "program");
    const std::string items = rig.Pc("ITEMS.DBF", "items");
    const std::string orders = rig.Pc("ORDERS.TXT", "orders");
    // Overwrite is on: an older copy is replaced without a question.
    ASSERT_EQ(rig.link->DownloadFile(orders, "C:\\DATA\\ORDERS.TXT", 1, false, false),
              LinkStatus::Ok);
    rig.Pc("ORDERS.TXT", "new orders");
    const auto list = rig.List("COM1:115200\r\n3," + main + "\r\n2," + rig.dir.path.string() +
                               "/pc/GONE.DBF\r\n2," + items + "\r\n3," + orders + "\r\n");
    const TransmissionRunResult result = AutoTransmissionThread(*rig.link, list, rig.host);
    EXPECT_TRUE(result.listRead);
    EXPECT_EQ(result.entries, 4);
    EXPECT_EQ(result.sent, 3);
    EXPECT_EQ(result.status, LinkStatus::Ok);
    EXPECT_EQ(TestDir::ReadFile(rig.Disk("D/PROGRAM/MAIN.BIN")), "program");
    EXPECT_EQ(TestDir::ReadFile(rig.Disk("D/LOOKUP/ITEMS.DBF")), "items");
    EXPECT_EQ(TestDir::ReadFile(rig.Disk("C/DATA/ORDERS.TXT")), "new orders");
    EXPECT_EQ(rig.progress.totalFiles.load(), 4);
    EXPECT_EQ(rig.progress.finishedFiles.load(), 3);

    // Two lines: one file, counted as the first of one.
    const auto two = rig.List("COM1:9600\r\n0," + items + "\r\n");
    const TransmissionRunResult one = AutoTransmissionThread(*rig.link, two, rig.host);
    EXPECT_EQ(one.sent, 1);
    EXPECT_EQ(rig.progress.totalFiles.load(), 1);
    EXPECT_EQ(rig.progress.finishedFiles.load(), 0);
    EXPECT_EQ(TestDir::ReadFile(rig.Disk("D/PROGRAM/ITEMS.DBF")), "items");

    // Without the first file the run ends: the project's program is missing.
    const auto noFirst = rig.List("COM1:9600\r\n0,/no/such/A.BIN\r\n2," + items + "\r\n");
    EXPECT_EQ(AutoTransmissionThread(*rig.link, noFirst, rig.host).sent, 0);
}

TEST(AutoTransmission, NamesEachFileItDoesNotSend)
{
    // Mended: skipped and failed files went unnamed; only a count was logged.
    Rig rig;
    const std::string main = rig.Pc("MAIN.BIN", "program"), items = rig.Pc("ITEMS.DBF", "items");
    const std::string bad = rig.Pc("BAD.TXT", "bad"), gone = (rig.dir / "pc/GONE.DBF").string();
    const std::string list = (rig.dir / "list.txt").string();
    struct Row {
        const char* name;
        std::string entries;
        int sent;
        std::vector<std::string> lines;
    };
    const Row rows[] = {
        {"a missing file and a malformed line are passed over",
         "0," + main + "\r\n2," + gone + "\r\nno comma\r\n2," + items + "\r\n",
         2,
         {SkippedUnreadableLine(gone, "D:\\Lookup\\GONE.DBF"), MalformedListLine(list, 4)}},
        {"without the first file nothing goes",
         "0," + gone + "\r\n2," + items + "\r\nno comma\r\n",
         0,
         {SkippedUnreadableLine(gone, "D:\\Program\\GONE.DBF"),
          NotSentLine(items, "D:\\Lookup\\ITEMS.DBF"), MalformedListLine(list, 4)}},
        // A type without a folder sends to the PC path itself, which no terminal has.
        {"a failed transfer ends the run",
         "0," + main + "\r\n9," + bad + "\r\n2," + items + "\r\n",
         1,
         {CopyFailLine(bad, bad), NotSentLine(items, "D:\\Lookup\\ITEMS.DBF")}},
        {"every file sent", "0," + main + "\r\n2," + items + "\r\n", 2, {}},
    };
    for (const Row& row : rows) {
        rig.host.lines.clear();
        const TransmissionRunResult result =
            AutoTransmissionThread(*rig.link, rig.List("COM1:9600\r\n" + row.entries), rig.host);
        EXPECT_EQ(result.sent, row.sent) << row.name;
        EXPECT_EQ(rig.host.lines, row.lines) << row.name;
    }
}

TEST(AutoTransmission, BrokenListsSendNothingAndEnd)
{
    Rig rig;
    const std::string main = rig.Pc("MAIN.BIN", "program");
    std::string binary(4096, '\0');
    for (std::size_t i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<char>(i * 7);
    const std::string rows[] = {
        "",
        binary,
        "COM1:9600\r\n" + main,                            // no CR LF after the only file
        "COM1:9600\r\n" + main + "\r\n",                   // no ","
        "COM1:9600\r\n" + main + "\r\n2," + main + "\r\n", // first line broken, then a good one
        "COM1:9600\n0," + main + "\n",                     // LF only
    };
    for (const std::string& row : rows) {
        const TransmissionRunResult result =
            AutoTransmissionThread(*rig.link, rig.List(row), rig.host);
        EXPECT_EQ(result.sent, 0) << row.substr(0, 40);
    }
    // Too large to be a list: refused unread.
    {
        std::ofstream huge(rig.dir / "huge.txt", std::ios::binary);
        huge << "COM1:9600\r\n0," << main << "\r\n";
    }
    std::filesystem::resize_file(rig.dir / "huge.txt", kMaxTransmissionListBytes + 1);
    EXPECT_FALSE(AutoTransmissionThread(*rig.link, rig.dir / "huge.txt", rig.host).listRead);
    EXPECT_FALSE(AutoTransmissionThread(*rig.link, rig.dir / "missing.txt", rig.host).listRead);
    EXPECT_EQ(rig.FilesOnTerminal(), std::vector<std::string>{});
}

TEST(AutoTransmission, CancelEndsTheRunWithoutAHalfFile)
{
    Rig rig([](SimTerminalConfig& c) { c.lineRate = 460800; }); // to cancel a file half-way
    const std::string big = rig.Pc("BIG.DAT", std::string(64 * 1024, 'b'));
    const std::string next = rig.Pc("NEXT.DAT", "n");
    const auto list = rig.List("COM1:9600\r\n0," + big + "\r\n3," + next + "\r\n");
    std::thread canceller([&] {
        while (rig.progress.bytesDone.load() < 4096)
            std::this_thread::sleep_for(1ms);
        rig.link->cancel = 1;
    });
    const TransmissionRunResult result = AutoTransmissionThread(*rig.link, list, rig.host);
    canceller.join();
    EXPECT_EQ(result.status, LinkStatus::Cancelled);
    EXPECT_EQ(result.sent, 0);
    EXPECT_EQ(rig.host.lines, (std::vector<std::string>{CopyFailLine(big, "D:\\Program\\BIG.DAT"),
                                                        NotSentLine(next, "C:\\Data\\NEXT.DAT")}));
    EXPECT_EQ(rig.FilesOnTerminal(), std::vector<std::string>{});
    EXPECT_EQ(rig.link->cancel.load(), 0) << "the run clears cancel at its end";
}

} // namespace
