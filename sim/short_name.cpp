#include "sim/short_name.h"

#include <algorithm>

namespace {

bool IsNameChar(char c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
        return true;
    constexpr std::string_view kSpecial = "!#$%&'()-@^_`{}~";
    return kSpecial.find(c) != std::string_view::npos;
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
    std::string stored = UpperAscii(base);
    if (!ext.empty())
        stored += '.' + UpperAscii(ext);
    return stored;
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
