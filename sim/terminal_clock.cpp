#include "sim/terminal_clock.h"

#include "link/local_time.h"

#include <algorithm>
#include <fstream>

namespace {

int Digits(std::string_view text, std::size_t at, std::size_t count)
{
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i)
        value = value * 10 + (text[i] - '0');
    return value;
}

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month)
{
    constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

} // namespace

std::optional<std::time_t> ParseTimeText(std::string_view text)
{
    constexpr std::size_t kTimeTextLength = 14;
    if (text.size() != kTimeTextLength ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const int year = Digits(text, 0, 4), month = Digits(text, 4, 2), day = Digits(text, 6, 2);
    const int hour = Digits(text, 8, 2), minute = Digits(text, 10, 2), second = Digits(text, 12, 2);
    if (year < kClockFirstYear || year > kClockLastYear || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month) || hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    const std::time_t time = std::mktime(&tm);
    if (time == static_cast<std::time_t>(-1))
        return std::nullopt;
    return time;
}

std::string FormatTimeText(std::time_t time)
{
    const std::tm tm = LocalTime(time);
    char text[32];
    const std::size_t n = std::strftime(text, sizeof text, "%Y%m%d%H%M%S", &tm);
    return std::string(text, n);
}

TerminalClock::TerminalClock(std::filesystem::path file) : clockFile(std::move(file)) {}

std::time_t TerminalClock::Now() const
{
    return std::time(nullptr) + static_cast<std::time_t>(offsetSeconds.load());
}

bool TerminalClock::Set(std::string_view text)
{
    const auto time = ParseTimeText(text);
    if (!time)
        return false;
    offsetSeconds.store(static_cast<std::int64_t>(*time - std::time(nullptr)));
    if (!clockFile.empty()) {
        // The clock itself is set; a clock file that cannot be written only
        // loses the record of it.
        std::ofstream out(clockFile, std::ios::binary | std::ios::trunc);
        out << text;
    }
    return true;
}
