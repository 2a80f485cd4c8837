// The terminal's 14-digit time texts and its clock.
#include "sim/terminal_clock.h"
#include "tests/support/test_dir.h"

#include <gtest/gtest.h>

namespace {

TEST(TerminalClock, TimeTexts)
{
    struct Row {
        const char* name;
        const char* text;
        bool valid;
    };
    const Row rows[] = {
        {"ordinary", "20240105103000", true},
        {"leap day", "20240229120000", true},
        {"end of day", "20241231235959", true},
        {"first year", "19800101000000", true},
        {"last year", "20991231235959", true},
        {"day 29 of a common February", "20230229120000", false},
        {"day 31 of April", "20240431120000", false},
        {"century not a leap year", "21000229000000", false},
        {"month 0", "20240001120000", false},
        {"month 13", "20241301120000", false},
        {"hour 24", "20240101240000", false},
        {"second 60", "20240101235960", false},
        {"before the first year", "19791231235959", false},
        {"13 digits", "2024010512000", false},
        {"15 digits", "202401051200000", false},
        {"a letter", "2024010512000a", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto time = ParseTimeText(row.text);
        ASSERT_EQ(time.has_value(), row.valid);
        if (time) {
            EXPECT_EQ(FormatTimeText(*time), row.text) << "read back";
        }
    }
}

TEST(TerminalClock, SetMovesTheClockAndKeepsTheText)
{
    TestDir dir;
    TerminalClock clock(dir / "CLOCK.TXT");
    EXPECT_FALSE(clock.Set("20240230000000"));
    EXPECT_FALSE(std::filesystem::exists(dir / "CLOCK.TXT"));
    ASSERT_TRUE(clock.Set("20450101000000"));
    EXPECT_EQ(FormatTimeText(clock.Now()).substr(0, 4), "2045");
    EXPECT_EQ(TestDir::ReadFile(dir / "CLOCK.TXT"), "20450101000000");
}

} // namespace
