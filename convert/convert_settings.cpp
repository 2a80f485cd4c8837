#include "convert/convert_settings.h"

#include "convert/file_bytes.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <system_error>

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kSectionLine = "[Convert Setting]";

bool IsAtoiBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string FormatDecimal(std::int64_t value)
{
    char digits[24];
    const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
    return std::string(digits, end);
}

} // namespace

std::optional<std::string_view> FindIniValue(std::string_view text, std::string_view key)
{
    // Lines end in LF, with or without a CR before it: the program writes CR LF,
    // editors on this platform write LF alone.
    std::size_t at = 0;
    while (at < text.size()) {
        if (text.compare(at, key.size(), key) == 0) {
            const std::size_t valueStart = at + key.size();
            const std::size_t end = text.find('\n', valueStart);
            if (end == std::string_view::npos)
                return std::nullopt;
            std::string_view value = text.substr(valueStart, end - valueStart);
            if (value.ends_with('\r'))
                value.remove_suffix(1);
            return value;
        }
        const std::size_t next = text.find('\n', at);
        if (next == std::string_view::npos)
            break;
        at = next + 1;
    }
    return std::nullopt;
}

std::uint8_t ParseHexByte(std::string_view text)
{
    std::uint32_t value = 0; // wraps; only the low 8 bits count
    for (const char c : text) {
        std::uint32_t digit = 0;
        if (c >= '0' && c <= '9')
            digit = static_cast<std::uint32_t>(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<std::uint32_t>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<std::uint32_t>(c - 'A' + 10);
        else
            break;
        value = value * 16 + digit;
    }
    return static_cast<std::uint8_t>(value & 0xFF);
}

std::string FormatHexByte(std::uint8_t code)
{
    const auto widened =
        static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<std::int8_t>(code)));
    char digits[8];
    const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, widened, 16);
    return std::string(digits, end);
}

std::int32_t ParseIniDecimal(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && IsAtoiBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // atoi converts through a 64-bit long that saturates, then keeps the low 32 bits.
    constexpr std::uint64_t kMaxLong = std::numeric_limits<std::int64_t>::max();
    constexpr std::uint64_t kCap = kMaxLong + 1; // the magnitude of the lowest long
    std::uint64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const auto digit = static_cast<std::uint64_t>(text[i] - '0');
        magnitude = magnitude > (kCap - digit) / 10 ? kCap : magnitude * 10 + digit;
    }
    const std::uint64_t bits = negative ? ~magnitude + 1 : std::min(magnitude, kMaxLong);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(bits));
}

std::vector<std::int32_t> ParseIniList(std::string_view text)
{
    std::vector<std::int32_t> widths;
    std::size_t start = 0;
    for (std::size_t comma = text.find(','); comma != std::string_view::npos;
         comma = text.find(',', start)) {
        widths.push_back(ParseIniDecimal(text.substr(start, comma - start)));
        start = comma + 1;
    }
    return widths;
}

std::string FormatIniList(const std::vector<std::int32_t>& widths)
{
    std::string text;
    for (const std::int32_t w : widths) {
        text += FormatDecimal(w);
        text += ',';
    }
    return text;
}

void ParseConvertIni(std::string_view text, ConvertSettings& record)
{
    const auto value = [text](std::string_view key) { return FindIniValue(text, key); };
    const auto separator = [](std::optional<std::string_view> v) {
        return v ? ParseHexByte(*v) : kMissingSeparator;
    };
    const auto decimal = [](std::optional<std::string_view> v) {
        return v ? ParseIniDecimal(*v) : 0;
    };
    const auto count = [&decimal](std::optional<std::string_view> v) {
        return std::clamp(decimal(v), 0, kMaxIniCount);
    };

    record.OriSeparator = separator(value("OriSeparator="));
    record.OriFieldCount = count(value("OriFieldCount="));
    record.ConvSeparator = separator(value("ConvSeparator="));
    record.ConvertField = static_cast<std::uint32_t>(count(value("ConvertField=")));
    record.OriFixedName = decimal(value("OriFixedName="));
    record.OriFixedFileName = std::string(value("OriFixedFileName=").value_or(""));
    for (const std::int32_t w : ParseIniList(value("OriFieldLen=").value_or("")))
        record.OriFieldLen.push_back(w);
    for (const std::int32_t w : ParseIniList(value("ConvFieldLen=").value_or("")))
        record.ConvFieldLen.push_back(w);

    const std::size_t wanted = std::min<std::size_t>(record.ConvertField, kMaxPaddedWidths);
    if (record.ConvFieldLen.size() < wanted)
        record.ConvFieldLen.resize(wanted, 0);
}

std::string FormatConvertIni(const ConvertSettings& record)
{
    std::string text;
    const auto line = [&text](std::string_view key, std::string_view value) {
        text += key;
        text += value;
        text += kCrLf;
    };
    line(kSectionLine, "");
    line("OriSeparator=", FormatHexByte(record.OriSeparator));
    line("OriFieldCount=", FormatDecimal(record.OriFieldCount));
    line("ConvSeparator=", FormatHexByte(record.ConvSeparator));
    line("ConvertField=", FormatDecimal(record.ConvertField));
    line("OriFixedName=", FormatDecimal(record.OriFixedName));
    line("OriFixedFileName=", record.OriFixedFileName);
    line("OriFieldLen=", FormatIniList(record.OriFieldLen));
    line("ConvFieldLen=", FormatIniList(record.ConvFieldLen));
    return text;
}

bool LoadConvertSettings(const std::filesystem::path& path, ConvertSettings& record)
{
    std::string text;
    if (ReadFileBytes(path, text) != FileResult::Ok)
        return false;
    ParseConvertIni(text, record);
    return true;
}

bool SaveConvertSettings(const std::filesystem::path& path, const ConvertSettings& record)
{
    std::error_code ec;
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path(), ec);
    return ReplaceFileBytes(path, FormatConvertIni(record));
}
