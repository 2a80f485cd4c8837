#include "cli/watch_profile.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <map>
#include <set>

namespace {

std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::optional<bool> YesNo(const std::string& value)
{
    const std::string v = Lower(value);
    if (v == "yes" || v == "true" || v == "1")
        return true;
    if (v == "no" || v == "false" || v == "0")
        return false;
    return std::nullopt;
}

// A terminal disk or folder ("C:", "C:\DATA"), upper-cased; nullopt otherwise.
std::optional<std::string> TerminalFolder(std::string value)
{
    std::transform(value.begin(), value.end(), value.begin(), [](unsigned char c) {
        return static_cast<char>(c < 0x80 ? std::toupper(c) : c);
    });
    while (value.size() > 2 && value.back() == '\\')
        value.pop_back();
    if (value.size() < 2 || !std::isalpha(static_cast<unsigned char>(value[0])) ||
        value[1] != ':' || (value.size() > 2 && value[2] != '\\'))
        return std::nullopt;
    return value;
}

const std::map<std::string, std::string> kShown = {
    {"watch", "Watch"}, {"clock", "Clock"},     {"collect", "Collect"},
    {"sync", "Sync"},   {"install", "Install"},
};

const std::map<std::string, std::set<std::string>> kKeys = {
    {"watch", {"poll"}},
    {"clock", {"set"}},
    {"collect", {"from", "to", "delete"}},
    {"sync", {"from", "to", "delete", "convert", "ini"}},
    {"install", {"image"}},
};

} // namespace

std::optional<WatchProfile> ParseWatchProfile(std::istream& in, const std::string& fileName,
                                              std::string* error)
{
    WatchProfile profile;
    std::map<std::string, std::map<std::string, std::pair<std::string, int>>> values;
    std::map<std::string, int> groupLine;
    std::string group, line, groupShown;
    const auto fail = [&](int number, const std::string& key, const std::string& why) {
        if (error)
            *error = fileName + " line " + std::to_string(number) + ": " +
                     (groupShown.empty() ? std::string() : "[" + groupShown + "] ") +
                     (key.empty() ? std::string() : key + ": ") + why;
        return std::nullopt;
    };
    for (int number = 1; std::getline(in, line); ++number) {
        const std::string text = Trim(line);
        if (text.empty() || text[0] == ';' || text[0] == '#')
            continue;
        if (text.front() == '[') {
            if (text.back() != ']')
                return fail(number, "", "a group name ends with ]");
            groupShown = Trim(text.substr(1, text.size() - 2));
            group = Lower(groupShown);
            if (!kKeys.contains(group))
                return fail(number, "", "no such group");
            groupLine[group] = number;
            values[group];
            continue;
        }
        const auto equals = text.find('=');
        if (equals == std::string::npos)
            return fail(number, "", "Key=value expected");
        const std::string keyShown = Trim(text.substr(0, equals));
        const std::string key = Lower(keyShown);
        if (group.empty())
            return fail(number, keyShown, "a key before any group");
        if (!kKeys.at(group).contains(key))
            return fail(number, keyShown, "no such key");
        values[group][key] = {Trim(text.substr(equals + 1)), number};
    }
    // Each value, checked where it stands.
    const auto value = [&](const std::string& g,
                           const std::string& k) -> const std::pair<std::string, int>* {
        const auto found = values.find(g);
        if (found == values.end() || !found->second.contains(k))
            return nullptr;
        return &found->second.at(k);
    };
    const auto flag = [&](const std::string& g, const std::string& k, bool* out) {
        if (const auto* v = value(g, k)) {
            const auto parsed = YesNo(v->first);
            if (!parsed) {
                groupShown = kShown.at(g);
                std::string shown = k;
                shown[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(shown[0])));
                fail(v->second, shown, "yes or no expected");
                return false;
            }
            *out = *parsed;
        }
        return true;
    };
    if (const auto* v = value("watch", "poll")) {
        int seconds = 0;
        const auto [end, ec] =
            std::from_chars(v->first.data(), v->first.data() + v->first.size(), seconds);
        if (ec != std::errc() || end != v->first.data() + v->first.size() || seconds < 1 ||
            seconds > 3600) {
            groupShown = "Watch";
            return fail(v->second, "Poll", "whole seconds from 1 to 3600 expected");
        }
        profile.pollSeconds = seconds;
    }
    if (!flag("clock", "set", &profile.setClock))
        return std::nullopt;
    if (values.contains("collect")) {
        groupShown = "Collect";
        const auto* from = value("collect", "from");
        const auto* to = value("collect", "to");
        if (!from || !to)
            return fail(groupLine["collect"], from ? "To" : "From", "missing");
        const auto folder = TerminalFolder(from->first);
        if (!folder)
            return fail(from->second, "From",
                        "a disk or folder of the terminal expected (C:\\DATA)");
        WatchProfile::Collect collect{*folder, to->first, false};
        if (!flag("collect", "delete", &collect.deleteAfter))
            return std::nullopt;
        profile.collect = collect;
    }
    if (values.contains("sync")) {
        groupShown = "Sync";
        const auto* from = value("sync", "from");
        const auto* to = value("sync", "to");
        if (!from || !to)
            return fail(groupLine["sync"], from ? "To" : "From", "missing");
        const auto folder = TerminalFolder(to->first);
        if (!folder)
            return fail(to->second, "To", "a disk or folder of the terminal expected (D:\\LOOKUP)");
        WatchProfile::Sync sync{from->first, *folder, false, false, {}};
        if (!flag("sync", "delete", &sync.deleteExtra) || !flag("sync", "convert", &sync.convert))
            return std::nullopt;
        if (const auto* ini = value("sync", "ini"))
            sync.ini = ini->first;
        profile.sync = sync;
    }
    if (const auto* image = value("install", "image")) {
        if (image->first.empty()) {
            groupShown = "Install";
            return fail(image->second, "Image", "a file expected");
        }
        profile.installImage = image->first;
    }
    return profile;
}

std::optional<WatchProfile> ReadWatchProfile(const std::filesystem::path& file, std::string* error)
{
    std::ifstream in(file);
    if (!in) {
        if (error)
            *error = file.string() + ": cannot be read";
        return std::nullopt;
    }
    return ParseWatchProfile(in, file.string(), error);
}
