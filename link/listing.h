// listing.h: the terminal's directory listings, decoded. Pure, any thread.
//
// Listing entry, 32 bytes: 0-7 name (NUL-padded) | 8-10 extension | 11 kind
// (0 disk, 1 folder, 2 file) | 12-25 time stamp YYYYMMDDhhmmss | 26-29 size | 30-31 unused
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr std::size_t kListingEntrySize = 32;
inline constexpr std::uint8_t kEntryDisk = 0, kEntryFolder = 1, kEntryFile = 2;

struct TerminalEntry {
    std::uint8_t kind = 0;
    std::string name;      // raw bytes up to the first NUL, at most 8
    std::string extension; // raw bytes up to the first NUL, at most 3
    std::string time;      // 14 characters as sent
    std::uint32_t size = 0;
};

// The count entries at data (each 32 bytes).
std::vector<TerminalEntry> DecodeListing(const std::uint8_t* data, int count);
// The first count CR LF-terminated lines at data (the root listing's disks).
std::vector<std::string> DecodeRootListing(const std::uint8_t* data, int count);
// "NAME.EXT" for a file (the dot kept when the extension is empty), "NAME" otherwise.
std::string EntryDisplayName(const TerminalEntry& entry);
// "YYYY/MM/DD hh:mm:ss" from the 14-character stamp.
std::string FormatTimeStamp(const std::string& time14);
// The terminal's text for the PC (UTF-8): letters above ASCII decoded from the
// terminal's code page, control characters and bytes without a character as '?'.
std::string PrintableText(const std::string& text);
