#include "cli/sync_plan.h"

#include "link/windows_1250.h"
#include "sim/short_name.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <map>
#include <system_error>

namespace {

// Stands in a name pattern for a character the code page lacks; no name
// character, so never part of a stored name.
constexpr char kAnyByte = '?';

// The stored form a PC name would have on the terminal, with kAnyByte for each
// character (or byte that is no UTF-8) the code page lacks; nullopt when it
// could be no 8.3 name whatever those stand for.
std::optional<std::string> NamePattern(std::string_view pcName)
{
    std::string bytes;
    std::vector<std::size_t> unknown;
    for (std::size_t i = 0; i < pcName.size();) {
        const std::size_t length = Utf8CharacterAt(pcName, i).second;
        const auto byte = TerminalNameOfHost(pcName.substr(i, length));
        if (byte && byte->size() == 1) {
            bytes += *byte;
        } else {
            unknown.push_back(bytes.size());
            bytes += 'A';
        }
        i += length;
    }
    std::optional<std::string> pattern = ShortName(bytes);
    if (pattern)
        for (const std::size_t at : unknown)
            (*pattern)[at] = kAnyByte;
    return pattern;
}

bool Matches(const std::string& pattern, const std::string& stored)
{
    return std::equal(pattern.begin(), pattern.end(), stored.begin(), stored.end(),
                      [](char p, char s) { return p == kAnyByte || p == s; });
}

} // namespace

std::vector<SyncStep> PlanSync(std::vector<LocalFile> local,
                               const std::vector<TerminalEntry>& remote, const SyncOptions& options)
{
    std::sort(local.begin(), local.end(),
              [](const LocalFile& a, const LocalFile& b) { return a.name < b.name; });
    std::map<std::string, const TerminalEntry*> onTerminal;
    for (const TerminalEntry& entry : remote)
        if (entry.kind == kEntryFile) {
            // "NAME." (no extension) is the file NAME.
            const std::string shown = EntryDisplayName(entry);
            onTerminal.emplace(ShortName(shown).value_or(UpperAscii(shown)), &entry);
        }

    // Each PC name in the terminal's bytes (nullopt: the code page lacks one of
    // its characters), then as a stored 8.3 name.
    std::vector<std::optional<std::string>> encoded, shortNames;
    std::map<std::string, int> users; // names two PC files would share: neither is sent
    for (const LocalFile& file : local) {
        encoded.push_back(TerminalNameOfHost(file.name));
        shortNames.push_back(encoded.back() ? ShortName(*encoded.back()) : std::nullopt);
        if (shortNames.back() && file.regular)
            ++users[*shortNames.back()];
    }

    std::vector<SyncStep> steps;
    std::map<std::string, bool> wanted; // terminal names the PC folder holds
    std::vector<std::string> mightBe;   // patterns of PC names the code page cannot hold
    for (std::size_t i = 0; i < local.size(); ++i) {
        const LocalFile& file = local[i];
        const std::optional<std::string>& shortName = shortNames[i];
        SyncStep step{SyncAction::Skip, file.name, "", file.name, file.size};
        if (!file.regular) {
            step.reason = "not a file";
        } else if (!encoded[i]) {
            step.reason = "a character the terminal's code page lacks";
            if (auto pattern = NamePattern(file.name))
                mightBe.push_back(std::move(*pattern));
        } else if (!shortName) {
            step.reason = "not an 8.3 name";
        } else if (users[*shortName] > 1) {
            step.reason = "two files would be " + DecodeTerminalText(*shortName);
            wanted[*shortName] = true;
        } else {
            step.name = *shortName;
            wanted[*shortName] = true;
            const auto it = onTerminal.find(*shortName);
            if (it == onTerminal.end()) {
                step.action = SyncAction::Send;
                step.reason = "new";
            } else if (options.compareSize && it->second->size != file.size) {
                step.action = SyncAction::Send;
                step.reason = "size";
            } else if (it->second->time != file.time) {
                step.action = SyncAction::Send;
                step.reason = "time";
            } else {
                step.action = SyncAction::Keep;
                step.reason = "same";
            }
        }
        steps.push_back(std::move(step));
    }
    if (options.deleteExtra)
        for (const auto& [name, entry] : onTerminal)
            if (!wanted.contains(name) &&
                std::none_of(mightBe.begin(), mightBe.end(),
                             [&](const std::string& p) { return Matches(p, name); }))
                steps.push_back(SyncStep{SyncAction::Delete, name, "extra", "", entry->size});
    return steps;
}

std::string LocalTimeStamp(const std::filesystem::path& path)
{
    std::error_code ec;
    const auto written = std::filesystem::last_write_time(path, ec);
    if (ec)
        return {};
    const std::time_t t = std::chrono::system_clock::to_time_t(
        std::chrono::time_point_cast<std::chrono::system_clock::duration>(
            std::chrono::file_clock::to_sys(written)));
    std::tm local{};
    localtime_r(&t, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d%H%M%S", &local);
    return text;
}

std::vector<LocalFile> ScanLocalFolder(const std::filesystem::path& folder, bool* ok)
{
    std::vector<LocalFile> files;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    *ok = !ec;
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        LocalFile file;
        file.name = it->path().filename().string();
        file.regular = it->is_regular_file(ec);
        if (file.regular) {
            file.size = it->file_size(ec);
            file.time = LocalTimeStamp(it->path());
        }
        files.push_back(std::move(file));
    }
    std::sort(files.begin(), files.end(),
              [](const LocalFile& a, const LocalFile& b) { return a.name < b.name; });
    return files;
}
