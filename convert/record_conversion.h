// record_conversion.h: rewrites a DBMS text file record by record from the source
// layout of a ConvertSettings record to its converted layout. File-to-file
// functions that show and log nothing; any thread.
#pragma once

#include "convert/convert_settings.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

enum class ConversionMode {
    DelimitedToDelimited,
    DelimitedToFixed,
    FixedToDelimited,
    FixedToFixed
};

// NoRecord: the source has bytes but not one record.
enum class ConvertError {
    None,
    SourceUnreadable,
    OutputNotCreated,
    WriteFailed,
    OutOfMemory,
    NoRecord
};

// The converted copy's name when the caller names no output file.
inline constexpr std::string_view kConvertedFileName = "VidiRidoved.tmp";

// Fixed width on a side whose separator is 0.
ConversionMode ChooseConversionMode(const ConvertSettings& settings);

// The converted lines of data, each ended by CR LF: one per record. A record is
// the bytes before each LF, less a CR just before it; the bytes after the last LF
// are a record too, less a CR that ends the data (a lone CR there is no record).
// Every other byte is data, zero bytes and lone CRs included. nullopt when memory
// runs out.
std::optional<std::string> ConvertRecords(std::string_view data, const ConvertSettings& settings);

// kConvertedFileName in the folder of source (made absolute).
std::filesystem::path DefaultConvertedPath(const std::filesystem::path& source);

// Converts the file source into output (DefaultConvertedPath(source) when empty),
// which is created anew or truncated. Returns the output's path, or an empty path
// when the source cannot be opened (output untouched), the output cannot be
// created, or reading or writing fails part-way (a partly written regular output
// file is removed), or the source has bytes but not one record (NoRecord; the
// output is removed). error, when given, receives the reason (ConvertError::None on
// success). May start one helper thread for the writes; it ends before the return.
std::filesystem::path ConvertFile(const std::filesystem::path& source,
                                  const ConvertSettings& settings,
                                  const std::filesystem::path& output = {},
                                  ConvertError* error = nullptr);
