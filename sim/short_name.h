// short_name.h: the terminal's names and paths ("C:\DATA\ORDERS.TXT"): 8.3 names,
// disk letters, path components. Pure functions, any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::size_t kShortBaseMax = 8, kShortExtMax = 3;
inline constexpr char kTerminalSeparator = '\\';

std::string UpperAscii(std::string_view text);

// The name in its stored form (upper-case; "NAME." becomes "NAME"), or nullopt
// when it is not an 8.3 name: 1-8 name characters, an optional dot and 0-3
// extension characters, each a letter, a digit or one of ! # $ % & ' ( ) - @ ^ _ ` { } ~.
std::optional<std::string> ShortName(std::string_view name);

// Base name and extension of a stored 8.3 name ("ORDERS.TXT" -> "ORDERS", "TXT").
std::pair<std::string, std::string> SplitShortName(std::string_view name);

// A terminal path: a disk letter and the 8.3 components below it.
struct TerminalPath {
    char disk = 0;                  // upper-case letter
    std::vector<std::string> parts; // stored forms; empty for the disk itself

    bool IsDisk() const { return parts.empty(); }
    // "C:" or "C:\DATA\ORDERS.TXT".
    std::string Text() const;
};

// Parses "X:", "X:\" and "X:\A\B.TXT" (any case, one trailing backslash
// allowed). nullopt when there is no "X:" prefix, a component is empty or not 8.3.
std::optional<TerminalPath> ParseTerminalPath(std::string_view text);
