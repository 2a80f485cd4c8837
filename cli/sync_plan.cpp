#include "cli/sync_plan.h"

#include "sim/short_name.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <map>
#include <system_error>

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

    // Names two PC files would share on the terminal: neither is sent.
    std::map<std::string, int> users;
    for (const LocalFile& file : local)
        if (const auto shortName = ShortName(file.name); shortName && file.regular)
            ++users[*shortName];

    std::vector<SyncStep> steps;
    std::map<std::string, bool> wanted; // terminal names the PC folder holds
    for (const LocalFile& file : local) {
        SyncStep step{SyncAction::Skip, file.name, "", file.name, file.size};
        const auto shortName = ShortName(file.name);
        if (!file.regular) {
            step.reason = "not a file";
        } else if (!shortName) {
            step.reason = "not an 8.3 name";
        } else if (users[*shortName] > 1) {
            step.reason = "two files would be " + *shortName;
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
            if (!wanted.contains(name))
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
