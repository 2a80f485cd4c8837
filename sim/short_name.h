// short_name.h: the terminal's names and paths ("C:\DATA\ORDERS.TXT"): 8.3 names,
// disk letters, path components, and the host file names they are kept under.
// Names are bytes in the terminal's code page, Windows-1250. Pure functions, any
// thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::size_t kShortBaseMax = 8, kShortExtMax = 3;
inline constexpr char kTerminalSeparator = '\\';

std::string UpperAscii(std::string_view text);

// The name in its stored form (upper-case, code-page letters included; "NAME."
// becomes "NAME"), or nullopt when it is not an 8.3 name: 1-8 name characters, an
// optional dot and 0-3 extension characters, each a letter (ASCII or of the code
// page, such as 0xA3 for "Ł"), a digit or one of ! # $ % & ' ( ) - @ ^ _ ` { } ~.
std::optional<std::string> ShortName(std::string_view name);

// The host file name a stored name is kept under: its characters in UTF-8
// ("Z\xA3OTY.TXT" -> "ZŁOTY.TXT").
std::string HostFileName(std::string_view stored);
// The terminal name a host file name stands for, or nullopt when one of its
// characters has no byte in the code page.
std::optional<std::string> TerminalNameOfHost(std::string_view host);

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
