// pc_copy.h: copying and moving files on the PC, file by file, with the
// overwrite question and one log line per file. No window of its own: the PC
// tree's drop runs it on the GUI thread with itself as the host.
#pragma once

#include "link/job_host.h"

#include <filesystem>
#include <vector>

struct PcCopyInput {
    std::vector<std::filesystem::path> sources{}; // the marked PC files, in order
    std::filesystem::path targetFolder{};
    bool move = false;
};

enum class PcFileOutcome { Done, Exists, Denied, Failed };

// A move between file systems: source is copied whole under a temporary name
// beside target, which gets target's name only when complete and never over an
// existing file (Exists); the source goes last. On any failure source stays and
// nothing is left beside target. Any thread.
PcFileOutcome MoveAcrossFileSystems(const std::filesystem::path& source,
                                    const std::filesystem::path& target);

// Copies or moves every source into the target folder. A copy asks before it
// replaces a file; a move asks only after it found the name taken. An existing
// target is replaced only once the new copy is whole. A file copied onto
// itself is left as it is (fail line); one moved onto its own folder stays.
void RunPcCopy(const PcCopyInput& input, JobHost& host);
