// The simulated terminal's disks: 8.3 names over host folders, space, locks,
// format, and files that take their name only when whole.
#include "sim/sim_storage.h"
#include "sim/terminal_clock.h"
#include "tests/support/test_dir.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Names(const std::optional<std::vector<StorageEntry>>& entries)
{
    std::vector<std::string> names;
    if (entries)
        for (const StorageEntry& e : *entries)
            names.push_back(e.name + (e.folder ? "\\" : ""));
    return names;
}

class SimStorageTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(storage.Prepare()); }
    void Put(const std::string& relative, const std::string& content)
    {
        fs::create_directories((dir / relative).parent_path());
        TestDir::WriteFile(dir / relative, content);
    }
    TestDir dir;
    SimStorage storage{dir.path, 1000, 500};
};

TEST_F(SimStorageTest, ShortNamesOnlyUpperCaseAnyCaseLookUp)
{
    Put("C/DATA/Orders.Txt", "lower");
    Put("C/DATA/ORDERS.TXT", "upper");
    Put("C/DATA/notes", "n");
    Put("C/DATA/a long name.txt", "x");
    Put("C/DATA/.hidden", "x");
    Put("C/DATA/sub/INNER.DAT", "i");
    EXPECT_EQ(Names(storage.List("c:\\data")),
              (std::vector<std::string>{"NOTES", "ORDERS.TXT", "SUB\\"}));
    EXPECT_EQ(storage.FindFile("c:\\DATA\\orders.TXT"), dir / "C/DATA/ORDERS.TXT")
        << "the upper-case host name wins";
    EXPECT_EQ(storage.FindFile("C:\\DATA\\SUB\\inner.dat"), dir / "C/DATA/sub/INNER.DAT");
    EXPECT_FALSE(storage.FindFile("C:\\DATA\\SUB"));
    EXPECT_FALSE(storage.List("C:\\DATA\\NOTES")) << "a file is not a folder";
}

TEST_F(SimStorageTest, FreeSpaceIsCapacityLessTheDiskFiles)
{
    Put("C/DATA/A.TXT", std::string(100, 'a'));
    Put("C/DATA/SUB/B.TXT", std::string(50, 'b'));
    Put("C/not short.txt", std::string(400, 'x'));
    EXPECT_EQ(storage.UsedSpace('C'), 150u);
    EXPECT_EQ(storage.FreeSpace('C'), 850u);
    storage.SetCapacity('C', 100);
    EXPECT_EQ(storage.FreeSpace('C'), 0u) << "more on the disk than it holds";
    storage.SetFormatted('D', false);
    EXPECT_EQ(storage.FreeSpace('D'), std::nullopt);
    EXPECT_EQ(storage.FreeSpace('E'), std::nullopt);
}

TEST_F(SimStorageTest, StandardFoldersOnFormattedDisks)
{
    TestDir other;
    SimStorage fresh(other.path);
    fresh.SetFormatted('D', false);
    ASSERT_TRUE(fresh.Prepare());
    EXPECT_TRUE(fs::is_directory(other / "C/DATA"));
    EXPECT_TRUE(fs::is_directory(other / "D"));
    EXPECT_TRUE(fs::is_empty(other / "D"));
}

TEST_F(SimStorageTest, FormatRemovesEverythingButRespectsFilesInUse)
{
    Put("D/LOOKUP/ITEMS.TXT", "i");
    Put("D/not short.txt", "x");
    Put("D/EXTRA/X.TXT", "x");
    ASSERT_TRUE(storage.Lock("d:\\lookup\\items.txt"));
    ASSERT_TRUE(storage.Lock("D:\\LOOKUP\\GONE.TXT"));
    EXPECT_EQ(storage.Format("D:"), FormatResult::InUse);
    EXPECT_TRUE(fs::exists(dir / "D/EXTRA/X.TXT"));
    storage.Unlock("D:\\LOOKUP\\ITEMS.TXT");
    storage.SetFormatted('D', false);
    EXPECT_EQ(storage.Format("D:"), FormatResult::Ok) << "a lock on a missing file holds nothing";
    EXPECT_TRUE(storage.IsFormatted('D'));
    EXPECT_EQ(Names(storage.List("D:")),
              (std::vector<std::string>{"FONTS\\", "LOOKUP\\", "PROGRAM\\"}));
    EXPECT_FALSE(fs::exists(dir / "D/not short.txt"));
    EXPECT_EQ(storage.Format("E:"), FormatResult::UnknownDisk);
    EXPECT_EQ(storage.Format("D:\\LOOKUP"), FormatResult::UnknownDisk);
}

TEST_F(SimStorageTest, StoredFileTakesItsNameOnlyWhenWhole)
{
    Put("C/DATA/OLD.TXT", "old");
    {
        PendingFile file;
        ASSERT_EQ(storage.BeginStore("C:\\DATA\\OLD.TXT", 3, true, file), StoreCheck::Ok);
        const std::uint8_t bytes[] = {'n', 'e', 'w'};
        ASSERT_TRUE(file.Write(bytes));
        EXPECT_EQ(TestDir::ReadFile(dir / "C/DATA/OLD.TXT"), "old") << "until committed";
    }
    EXPECT_EQ(TestDir::ReadFile(dir / "C/DATA/OLD.TXT"), "old") << "abandoned";
    EXPECT_EQ(Names(storage.List("C:\\DATA")), std::vector<std::string>{"OLD.TXT"});

    PendingFile file;
    ASSERT_EQ(storage.BeginStore("c:\\data\\new.txt", 0, false, file), StoreCheck::Ok);
    const auto time = ParseTimeText("20200304050607");
    ASSERT_TRUE(file.Commit(time));
    EXPECT_EQ(HostFileTime(dir / "C/DATA/NEW.TXT"), time);
}

} // namespace
