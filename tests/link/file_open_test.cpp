// Files opened, appended to and replaced through the path type: names beyond
// ASCII reach the disk as they are, an exclusive create never takes an existing
// file, and a replace is at once, over a file already there.
#include "tests/support/test_dir.h"

#include "link/file_open.h"
#include "link/utf8_path.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

TEST(FileOpen, PolishNamesAreWrittenAndReadBackUnderTheirOwnName)
{
    TestDir dir;
    for (const char* name : {"ZŁOTY.TXT", "żółć.dat", "Łódź ąę"}) {
        const auto path = dir.path / Utf8Path(name);
        SCOPED_TRACE(name);
        std::FILE* f = OpenFile(path, "wb");
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(std::fwrite("A\r\nB\n", 1, 5, f), 5u);
        EXPECT_TRUE(FlushToDisk(f));
        EXPECT_EQ(std::fclose(f), 0);
        f = OpenFile(path, "rb");
        ASSERT_NE(f, nullptr);
        char back[8] = {};
        EXPECT_EQ(std::fread(back, 1, sizeof back, f), 5u);
        std::fclose(f);
        EXPECT_EQ(std::string(back, 5), "A\r\nB\n") << "binary: line ends as written";
    }
    EXPECT_EQ(TestDir::Names(dir.path),
              (std::vector<std::string>{"ZŁOTY.TXT", "Łódź ąę", "żółć.dat"}));
}

TEST(FileOpen, AnExclusiveCreateNeverTakesAnExistingFile)
{
    TestDir dir;
    const auto path = dir.path / Utf8Path("ZŁOTY.TXT");
    TestDir::WriteFile(path, "old");
    errno = 0;
    EXPECT_EQ(OpenFile(path, "wbx"), nullptr);
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(TestDir::ReadFile(path), "old");

    const auto fresh = dir / "NEW.TXT";
    std::FILE* f = OpenFile(fresh, "wbx");
    ASSERT_NE(f, nullptr);
    EXPECT_GE(std::fputs("new\n", f), 0);
    std::fclose(f);
    EXPECT_EQ(TestDir::ReadFile(fresh), "new\n") << "opened in binary: no carriage return added";
}

TEST(FileOpen, RenameOverReplacesAnExistingFileAndAppendAddsWholeLines)
{
    TestDir dir;
    const auto target = dir.path / Utf8Path("ŚWIT.LOG");
    const auto temp = dir / ".part";
    TestDir::WriteFile(target, "older");
    TestDir::WriteFile(temp, "newer");
    EXPECT_TRUE(RenameOver(temp, target));
    EXPECT_EQ(TestDir::ReadFile(target), "newer");
    EXPECT_FALSE(std::filesystem::exists(temp));
    EXPECT_FALSE(RenameOver(temp, target)) << "nothing left to rename";
    EXPECT_EQ(TestDir::ReadFile(target), "newer");

    EXPECT_TRUE(AppendWhole(target, " one\n"));
    EXPECT_TRUE(AppendWhole(target, "two\n"));
    EXPECT_EQ(TestDir::ReadFile(target), "newer one\ntwo\n");
    EXPECT_FALSE(AppendWhole(dir.path / "missing" / "x.log", "x")) << "no folder is made";
}
