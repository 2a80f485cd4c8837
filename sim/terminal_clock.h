// terminal_clock.h: the terminal's clock (an offset to the host clock) and its
// 14-digit time texts "YYYYMMDDhhmmss" in local time. Any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// Years the terminal's clock can hold.
inline constexpr int kClockFirstYear = 1980, kClockLastYear = 2099;

// The time of a 14-digit text read as local time; nullopt when it is not 14
// digits or not a valid date and time within the clock's years.
std::optional<std::time_t> ParseTimeText(std::string_view text);
// Local time as 14 digits.
std::string FormatTimeText(std::time_t time);

class TerminalClock {
public:
    // clockFile keeps the last time set (14 digits); empty: not kept.
    explicit TerminalClock(std::filesystem::path clockFile = {});

    std::time_t Now() const;
    // Sets the clock from a 14-digit text and keeps the text in the clock file.
    // False (the clock unchanged) when the text is not a valid date and time.
    bool Set(std::string_view text);

private:
    std::filesystem::path clockFile;
    std::atomic<std::int64_t> offsetSeconds{0};
};
