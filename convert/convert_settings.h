// convert_settings.h: the conversion settings record and its file, Convert.ini.
// Plain functions over a record the caller owns; any thread, one call at a time
// per record.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The one record of conversion settings. Field names are the keys of Convert.ini.
struct ConvertSettings {
    std::uint8_t OriSeparator = ',';        // 0: fixed-width source fields
    std::int32_t OriFieldCount = 0;         // as entered; the conversion ignores it
    std::vector<std::int32_t> OriFieldLen;  // source widths in bytes
    std::uint8_t ConvSeparator = ',';       // 0: fixed-width converted fields
    std::uint32_t ConvertField = 0;         // fields in every converted record
    std::vector<std::int32_t> ConvFieldLen; // converted widths in bytes
    std::int32_t OriFixedName = 0;          // non-zero: store under OriFixedFileName
    std::string OriFixedFileName;

    bool operator==(const ConvertSettings&) const = default;
};

// The separator a key gets when Convert.ini exists but lacks that key (an apostrophe).
inline constexpr std::uint8_t kMissingSeparator = 39;
// The field counts read from a file (OriFieldCount, ConvertField) are clamped to
// 0..kMaxIniCount: a hand-edited count must not overflow what is computed from it
// nor exhaust memory.
inline constexpr std::int32_t kMaxIniCount = 65536;
// Loading pads ConvFieldLen up to ConvertField entries, but never beyond this many.
inline constexpr std::size_t kMaxPaddedWidths = kMaxIniCount;

// The value of key (the text up to and including "=") in the text of an ini file:
// the bytes after the first occurrence of key at a line start (the beginning of
// the text or just after an LF) up to, not including, the line end that follows
// (CR LF or LF alone). Nothing else is trimmed. nullopt when the key is not found
// or no line end follows it.
std::optional<std::string_view> FindIniValue(std::string_view text, std::string_view key);

// A separator in hexadecimal, digits of either case up to the first other
// character; the low 8 bits of the value. "" gives 0, "ffffff80" gives 128.
std::uint8_t ParseHexByte(std::string_view text);
// The separator as Convert.ini writes it: the code as a signed byte widened to 32
// bits, lowercase hexadecimal without prefix or leading zeros (44 -> "2c",
// 200 -> "ffffffc8").
std::string FormatHexByte(std::uint8_t code);

// A decimal integer read as atoi reads it: leading blanks, an optional sign, digits
// up to the first other character; no digits gives 0. Values beyond 32 bits keep
// their low 32 bits.
std::int32_t ParseIniDecimal(std::string_view text);

// A width list: every piece followed by "," read as a decimal, in order; text
// after the last "," is ignored ("10,5,8," and "10,5,8,9" both give 10, 5, 8).
std::vector<std::int32_t> ParseIniList(std::string_view text);
// Every width in decimal followed by ","; "" for an empty list.
std::string FormatIniList(const std::vector<std::int32_t>& widths);

// Reads the keys found in text into record; a missing key gets its missing-key
// default (separators kMissingSeparator, numbers 0, empty name). Field counts are
// clamped to 0..kMaxIniCount. The lists are
// appended to what the record holds, then ConvFieldLen is padded with widths 0 up
// to ConvertField entries (at most kMaxPaddedWidths).
void ParseConvertIni(std::string_view text, ConvertSettings& record);
// The nine lines of Convert.ini for record, each ended by CR LF.
std::string FormatConvertIni(const ConvertSettings& record);

// Reads Convert.ini at path into record. Returns false, leaving record untouched,
// when the file cannot be read.
bool LoadConvertSettings(const std::filesystem::path& path, ConvertSettings& record);
// Writes record to path: a temporary file beside it, then a rename, so a failure
// at any point leaves the former file as it was. Creates the missing parent
// folders. Returns false when the file could not be written.
bool SaveConvertSettings(const std::filesystem::path& path, const ConvertSettings& record);
