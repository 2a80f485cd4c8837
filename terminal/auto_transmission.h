// auto_transmission.h: the project transmission another program hands over: the
// PC files of a transmission list go to fixed folders on the terminal, one after
// the other, with overwrite on. Plain C++; runs on the connection's job thread.
#pragma once

#include "link/job_host.h"
#include "link/link_status.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TerminalLink;

// One file of the list: where it is on the PC and where it goes on the terminal.
struct TransmissionEntry {
    std::string pcPath;
    std::string target;
};

// The entries of a transmission list (every line after the first, each ended by
// CR LF), in order. A malformed line (no ",", a type that is not a decimal number
// of at most 9 digits, an empty path or one holding a control byte) stays as
// nullopt: it counts, but nothing is sent for it. A last line without CR LF is
// not an entry. The first entry always goes to D:\Program, whatever its type.
std::vector<std::optional<TransmissionEntry>> ParseTransmissionList(std::string_view data);

// The terminal path of pcPath for a line of type: the type's folder (0 D:\Program,
// 1 D:\Fonts, 2 D:\Lookup, 3 C:\Data) followed by "\" and the file's name (what
// follows the path's last "/" or "\"); for any other type the PC path itself.
std::string TransmissionTargetPath(long type, const std::string& pcPath);

// Larger lists are refused whole: nothing is sent.
inline constexpr std::uintmax_t kMaxTransmissionListBytes = 4u << 20;

struct TransmissionRunResult {
    bool listRead = false;              // the list could be opened and is not too large
    int entries = 0;                    // lines after the first
    int sent = 0;                       // files the terminal took
    LinkStatus status = LinkStatus::Ok; // the transfer that ended the run, or Ok
};

// Worker thread. Sends the files of the list at listPath, first to last. A
// malformed line or a PC file that cannot be opened is skipped, except for the
// first entry: without it nothing is sent (status FileError). A failed transfer
// or the link's cancel (between files or inside one) ends the run. Logs one line
// through host for each entry not sent: skipped, failed, or left when the run
// ended; none for the files sent. Keeps the link's progress (when set) at the
// file being sent: fileText, totalFiles, finishedFiles. Clears cancel at its end.
TransmissionRunResult AutoTransmissionThread(TerminalLink& link,
                                             const std::filesystem::path& listPath, JobHost& host);
