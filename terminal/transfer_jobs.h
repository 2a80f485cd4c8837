// transfer_jobs.h: the jobs that move files between the PC and one terminal.
// Each runs on a worker thread of its connection, one at a time per link; what
// it shows or changes in a window goes through its JobHost. The link's progress
// (when set) gets totalFiles, finishedFiles and fileText from the jobs, the byte
// counts from the link.
#pragma once

#include "convert/convert_settings.h"
#include "convert/scramble.h"
#include "link/job_host.h"

#include <filesystem>
#include <string>
#include <vector>

class TerminalLink;

// PC files to a terminal disk or folder.
struct DownloadJobInput {
    std::vector<std::filesystem::path> sources{}; // the marked PC files, in order
    std::string targetFolder{};                   // "C:" or "C:\DATA", as requests name it
    bool move = false;                            // delete each PC source once sent
    bool convert = false;                         // the convert mode is on
    ConvertSettings settings{};                   // with convert: the layouts and fixed name
    UnscrambleKey key = kDefaultUnscrambleKey;    // for BASIC programs bound for D:\Program\ .
    std::string shownTargetFolder{}; // the folder as the window shows it; empty: targetFolder
    // With convert: the fixed name as the window shows it; empty: its bytes decoded
    // with Windows-1250.
    std::string shownFixedName{};
};

// Terminal files to a PC folder.
struct UploadJobInput {
    std::vector<std::string> sources{}; // the marked terminal files ("C:\DATA\A.TXT"), in order,
                                        // as requests name them
    std::filesystem::path targetFolder{};
    bool move = false; // delete each terminal file once fetched
    // The same files as the window shows them (lines, PC names); where missing,
    // the source itself.
    std::vector<std::string> shownSources{};
};

// Worker thread. Walks the sources until the end or until the link's cancel is
// set, logs one line per file attempted, and clears cancel at its end.
void RunDownloadJob(TerminalLink& link, const DownloadJobInput& input, JobHost& host);
void RunUploadJob(TerminalLink& link, const UploadJobInput& input, JobHost& host);

// A BASIC program for the terminal's program folder (the only files that are
// unscrambled on the way): the source path holds "default.bas" after its first
// character (case matters) and the destination "D:\Program\" (in any case).
bool IsProgramForProgramFolder(const std::string& source, const std::string& destination);

// The PC path for a terminal file fetched into folder: the name shown for it
// (its last component) made safe as one file name: no control character, no
// separator, none of <>:"|?*, never "." or "..", so that the path never leaves
// the folder. Characters beyond ASCII stay. Empty when no usable name remains.
std::filesystem::path UploadTarget(const std::filesystem::path& folder,
                                   const std::string& terminalPath);
