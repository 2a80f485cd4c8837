// sync_plan.h: what a sync does to make a terminal folder match a PC folder,
// decided from the two listings alone. Pure, any thread.
#pragma once

#include "link/listing.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// A file of the PC folder as the plan sees it.
struct LocalFile {
    std::string name; // as on the PC
    std::uint64_t size = 0;
    std::string time;    // local modification time, YYYYMMDDhhmmss
    bool regular = true; // false: a folder or something else that is not sent
};

enum class SyncAction { Send, Keep, Delete, Skip };

struct SyncStep {
    SyncAction action = SyncAction::Keep;
    std::string name;   // the terminal's name (upper-case 8.3, its bytes); the PC name for Skip
    std::string reason; // "new", "size", "time", "same", "extra", why a file is skipped
    std::string pcName; // the PC file behind Send and Keep
    std::uint64_t size = 0;
};

struct SyncOptions {
    bool deleteExtra = false; // remove terminal files that the PC folder lacks
    bool compareSize = true;  // off when files are converted on the way (sizes differ)
};

// The steps in PC-name order, then the deletions in terminal-name order. A file
// is sent when the terminal lacks it or its size or time stamp differ. Both
// sides are compared as the terminal's bytes, upper case: a PC name (UTF-8) is
// encoded into the terminal's code page first. PC names with a character the
// code page lacks, that are not 8.3, or that only differ from another by case
// are skipped, never shortened; one the code page lacks keeps from deletion
// every terminal file it could stand for. Only kind-2 (file) entries count.
std::vector<SyncStep> PlanSync(std::vector<LocalFile> local,
                               const std::vector<TerminalEntry>& remote,
                               const SyncOptions& options);

// The regular files and other entries directly inside folder, sorted by name;
// empty when it cannot be read (*ok false).
std::vector<LocalFile> ScanLocalFolder(const std::filesystem::path& folder, bool* ok);

// The local modification time of path as YYYYMMDDhhmmss ("" when unknown).
std::string LocalTimeStamp(const std::filesystem::path& path);
