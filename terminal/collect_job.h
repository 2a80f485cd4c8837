// collect_job.h: collecting a terminal's data: every file of one terminal folder
// fetched into the PC without ever losing one. Each terminal's files go into a
// folder of their own named after its serial number, so two terminals never meet
// in one folder and a terminal keeps its folder whichever port it docks on. A
// file takes its name only once it is whole on disk; a PC file of that name with
// other bytes is never replaced (the new one is kept beside it); a terminal file
// is deleted only after a second fetch has matched the stored copy byte for byte.
// Plain C++; any one thread.
#pragma once

#include "link/link_status.h"

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

class TerminalLink;

struct CollectInput {
    std::string remoteDir;          // the terminal's folder, in its own bytes ("C:\DATA")
    std::filesystem::path localDir; // the files go to localDir/<terminal>/
    std::string portName;           // names the folder of a terminal without a serial number
    bool deleteAfter = false;       // delete each terminal file once its copy is verified
    std::function<bool()> stop;     // true: end before the next file (may be empty)
};

enum class CollectOutcome {
    Fetched,    // new on the PC
    Unchanged,  // the PC file of its name has the same bytes
    KeptBeside, // the PC file of its name has other bytes: both kept
    Failed,     // not on the PC (status says why)
};

struct CollectedFile {
    std::string name;       // the PC name (UTF-8)
    std::uint32_t size = 0; // as listed
    CollectOutcome outcome = CollectOutcome::Failed;
    LinkStatus status = LinkStatus::Ok;
    std::filesystem::path savedAs; // where its bytes are on the PC
    bool deleted = false;          // deleted on the terminal
    std::string keptBecause;       // with deleteAfter: why it stays on the terminal
};

struct CollectResult {
    LinkStatus status = LinkStatus::Ok; // the folder's listing
    std::string terminal;               // the terminal's folder name
    std::filesystem::path folder;       // localDir/<terminal>
    std::vector<CollectedFile> files;
    // Every file is on the PC and, when asked, deleted on the terminal.
    bool Complete(bool deleteAfter) const;
};

// The name of a terminal's folder: its serial number made safe for a file name,
// else "port-" and the port's last path component made safe.
std::string CollectFolderName(const std::string& serial, const std::string& portName);

// Fetches every file of input.remoteDir; onFile is told each file's outcome as it
// ends. The link's cancel stops it between and within files; nothing half is left
// under a final name and nothing unverified is deleted.
CollectResult RunCollect(TerminalLink& link, const CollectInput& input,
                         const std::function<void(const CollectedFile&)>& onFile = {});

// "fetched", "unchanged", "kept beside", "failed".
const char* CollectOutcomeWord(CollectOutcome outcome);
// The line of one file: "C:\DATA\ORDERS.TXT -> /pc/SN/ORDERS.TXT fetched; deleted"
// (shownDir: the terminal folder as shown).
std::string CollectFileLine(const std::string& shownDir, const CollectedFile& file);

// Where a fetched file with other bytes than the PC file at target is kept:
// NAME-YYYYMMDD-hhmmss.EXT beside it (-N added when that is taken too).
std::filesystem::path KeptBesidePath(const std::filesystem::path& target, std::time_t now);
