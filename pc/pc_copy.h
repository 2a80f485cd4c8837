// pc_copy.h: copying and moving files on the PC, file by file, with the
// overwrite question and one log line per file. No window of its own: the PC
// tree's drop runs it on the GUI thread with itself as the host.
#pragma once

#include "terminal/job_host.h"

#include <filesystem>
#include <vector>

struct PcCopyInput {
    std::vector<std::filesystem::path> sources{}; // the marked PC files, in order
    std::filesystem::path targetFolder{};
    bool move = false;
};

// Copies or moves every source into the target folder. A copy asks before it
// replaces a file; a move asks only after it found the name taken. An existing
// target is replaced only once the new copy is whole. A file copied onto
// itself is left as it is (fail line); one moved onto its own folder stays.
void RunPcCopy(const PcCopyInput& input, JobHost& host);
