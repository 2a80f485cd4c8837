// The transfer log: whole lines with date, time and connection, rotation at the limit.
#include "link/transfer_log.h"
#include "tests/support/test_dir.h"

#include <gtest/gtest.h>

#include <sstream>
#include <thread>

namespace {

std::vector<std::string> LinesOf(const std::filesystem::path& file)
{
    std::istringstream in(TestDir::ReadFile(file));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

} // namespace

TEST(TransferLog, LinesCarryDateTimeAndConnectionAndStayWhole)
{
    TestDir dir;
    TransferLog log(dir / "state" / "KVVidiRidoved" / "transfer.log");
    std::tm when{};
    when.tm_year = 2026 - 1900;
    when.tm_mon = 11;
    when.tm_mday = 7;
    when.tm_hour = 16;
    when.tm_min = 5;
    when.tm_sec = 9;
    when.tm_isdst = -1;
    ASSERT_TRUE(log.Write("SIM1", "Copy a.txt to D:\\LOOKUP\\A.TXT have done", std::mktime(&when)));
    ASSERT_TRUE(log.Write("", "two\r\nlines", std::mktime(&when)));
    EXPECT_EQ(LinesOf(log.Path()),
              (std::vector<std::string>{
                  "2026-12-07 16:05:09  SIM1  Copy a.txt to D:\\LOOKUP\\A.TXT have done",
                  "2026-12-07 16:05:09  -  two  lines"}));

    // Four threads at once: every line arrives whole.
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t)
        writers.emplace_back([&log, t] {
            for (int i = 0; i < 200; ++i)
                log.Write("COM" + std::to_string(t), std::string(100, static_cast<char>('a' + t)));
        });
    for (std::thread& w : writers)
        w.join();
    const std::vector<std::string> lines = LinesOf(log.Path());
    ASSERT_EQ(lines.size(), 802u);
    for (std::size_t i = 2; i < lines.size(); ++i) {
        const std::size_t at = lines[i].find("  COM");
        ASSERT_NE(at, std::string::npos) << lines[i];
        const char mark = static_cast<char>('a' + (lines[i][at + 5] - '0'));
        EXPECT_EQ(lines[i].substr(at + 8), std::string(100, mark)) << lines[i];
    }
}

TEST(TransferLog, RotatesAtTheLimitKeepingTheNewestOldFiles)
{
    TestDir dir;
    TransferLog log(dir / "transfer.log", 1000, 2);
    const std::string line(72, 'x'); // 100 bytes a line with date, time and name
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(log.Write("PORT", line));
    EXPECT_EQ(std::filesystem::file_size(log.Path()), 1000u);
    EXPECT_FALSE(std::filesystem::exists(dir / "transfer.log.1"));

    ASSERT_TRUE(log.Write("PORT", "first after the limit"));
    EXPECT_EQ(LinesOf(log.Path()).size(), 1u);
    EXPECT_EQ(LinesOf(dir / "transfer.log.1").size(), 10u);
    // Numbered lines, three files' worth: the old files follow on one another
    // and on the current one, none left behind by a skipped shift.
    for (int n = 0; n < 30; ++n) {
        std::string numbered = "#" + std::to_string(1000 + n);
        numbered.resize(line.size(), 'x');
        log.Write("PORT", numbered);
    }
    const auto number = [](const std::string& text) {
        const auto at = text.find('#');
        return at == std::string::npos ? -1 : std::stoi(text.substr(at + 1, 4));
    };
    const auto current = LinesOf(log.Path());
    const auto first = LinesOf(dir / "transfer.log.1");
    const auto second = LinesOf(dir / "transfer.log.2");
    ASSERT_FALSE(current.empty() || first.empty() || second.empty());
    EXPECT_EQ(number(second.back()) + 1, number(first.front()));
    EXPECT_EQ(number(first.back()) + 1, number(current.front()));
    EXPECT_EQ(number(current.back()), 1029);
    EXPECT_FALSE(std::filesystem::exists(dir / "transfer.log.3")) << "only two old files are kept";
    EXPECT_LE(std::filesystem::file_size(log.Path()), 1000u);
}

TEST(TransferLog, DefaultPathFollowsXdgStateHome)
{
    const char* saved = std::getenv("XDG_STATE_HOME");
    const std::string before = saved ? saved : "";
    setenv("XDG_STATE_HOME", "/tmp/state-here", 1);
    EXPECT_EQ(DefaultTransferLogPath(), "/tmp/state-here/KVVidiRidoved/transfer.log");
    setenv("XDG_STATE_HOME", "relative", 1); // not absolute: ignored
    EXPECT_EQ(DefaultTransferLogPath().filename(), "transfer.log");
    EXPECT_NE(DefaultTransferLogPath().string().rfind("relative", 0), 0u);
    if (saved)
        setenv("XDG_STATE_HOME", before.c_str(), 1);
    else
        unsetenv("XDG_STATE_HOME");
}
