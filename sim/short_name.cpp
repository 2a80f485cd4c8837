#include "sim/short_name.h"

#include "link/windows_1250.h"

#include <algorithm>

namespace {

// The upper-case form of a code-page letter above ASCII, or 0 for a byte that is
// no letter. Upper-case letters, and ß, which has none, give themselves.
unsigned char UpperLetter(unsigned char b)
{
    constexpr std::string_view kLower = "\x9A\x9C\x9D\x9E\x9F\xB3\xB9\xBA\xBE\xBF";
    constexpr std::string_view kUpper = "\x8A\x8C\x8D\x8E\x8F\xA3\xA5\xAA\xBC\xAF";
    if (b >= 0xE0) // the lower half of the Latin letters; 0xF7 is ÷, 0xFF is ˙
        return b == 0xF7 || b == 0xFF ? 0 : static_cast<unsigned char>(b - 0x20);
    if (b >= 0xC0) // 0xD7 is ×
        return b == 0xD7 ? 0 : b;
    if (const std::size_t at = kLower.find(static_cast<char>(b)); at != std::string_view::npos)
        return static_cast<unsigned char>(kUpper[at]);
    return kUpper.find(static_cast<char>(b)) != std::string_view::npos ? b : 0;
}

bool IsNameChar(char c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
        return true;
    if (static_cast<unsigned char>(c) >= 0x80)
        return UpperLetter(static_cast<unsigned char>(c)) != 0;
    constexpr std::string_view kSpecial = "!#$%&'()-@^_`{}~";
    return kSpecial.find(c) != std::string_view::npos;
}

// Upper case in the code page; name characters only.
std::string UpperName(std::string_view name)
{
    std::string out = UpperAscii(name);
    for (char& c : out)
        if (static_cast<unsigned char>(c) >= 0x80)
            c = static_cast<char>(UpperLetter(static_cast<unsigned char>(c)));
    return out;
}

bool AllNameChars(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), IsNameChar);
}

} // namespace

std::string UpperAscii(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::optional<std::string> ShortName(std::string_view name)
{
    const std::size_t dot = name.find('.');
    const std::string_view base = name.substr(0, dot);
    const std::string_view ext =
        dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
    if (base.empty() || base.size() > kShortBaseMax || ext.size() > kShortExtMax ||
        !AllNameChars(base) || !AllNameChars(ext))
        return std::nullopt;
    std::string stored = UpperName(base);
    if (!ext.empty())
        stored += '.' + UpperName(ext);
    return stored;
}

std::string HostFileName(std::string_view stored)
{
    const CodePageTable& table = Windows1250();
    std::string host;
    for (const char c : stored) {
        const auto b = static_cast<unsigned char>(c);
        // A byte without a character gives U+0000, which no host name holds.
        AppendUtf8(host, b < 0x80 ? b : table[b - 0x80]);
    }
    return host;
}

std::optional<std::string> TerminalNameOfHost(std::string_view host)
{
    std::string bytes = EncodeTerminalText(host);
    // Encoding keeps what it cannot map as it was: such a name does not come back.
    if (HostFileName(bytes) != host)
        return std::nullopt;
    return bytes;
}

std::pair<std::string, std::string> SplitShortName(std::string_view name)
{
    const std::size_t dot = name.find('.');
    if (dot == std::string_view::npos)
        return {std::string(name), std::string()};
    return {std::string(name.substr(0, dot)), std::string(name.substr(dot + 1))};
}

std::string TerminalPath::Text() const
{
    std::string text{disk, ':'};
    for (const std::string& part : parts)
        text += kTerminalSeparator + part;
    return text;
}

std::optional<TerminalPath> ParseTerminalPath(std::string_view text)
{
    if (text.size() < 2 || text[1] != ':')
        return std::nullopt;
    const char letter = UpperAscii(text.substr(0, 1))[0];
    if (letter < 'A' || letter > 'Z')
        return std::nullopt;
    TerminalPath path;
    path.disk = letter;
    std::string_view rest = text.substr(2);
    if (rest.empty())
        return path;
    if (rest.front() != kTerminalSeparator)
        return std::nullopt;
    rest.remove_prefix(1);
    if (!rest.empty() && rest.back() == kTerminalSeparator)
        rest.remove_suffix(1);
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find(kTerminalSeparator), rest.size());
        const auto name = ShortName(rest.substr(0, end));
        if (!name)
            return std::nullopt;
        path.parts.push_back(*name);
        rest.remove_prefix(end);
        if (!rest.empty()) {
            rest.remove_prefix(1);
            if (rest.empty())
                return std::nullopt; // "A\\" after the one trailing backslash allowed
        }
    }
    return path;
}
