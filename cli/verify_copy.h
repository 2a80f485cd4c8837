// verify_copy.h: fetching a file back from the terminal and comparing it with
// what was sent. The wire's 16-bit additive checksum misses some corruptions
// (two bytes moved by +n and -n in one block); this comparison does not. The
// thread that owns the link.
#pragma once

#include "link/link_status.h"
#include "link/messages.h"

#include <cstdint>
#include <filesystem>
#include <string>

class TerminalLink;

struct VerifyResult {
    LinkStatus fetch = LinkStatus::Ok; // the fetch's status; the comparison needs Ok
    bool same = false;
    std::uint64_t firstDifference = 0; // byte offset, when !same and the fetch worked
};

// Fetches terminalPath into a private temporary file (removed again) and compares
// it byte for byte with sent. Leaves the link's progress reporting as it is.
VerifyResult VerifyTerminalCopy(TerminalLink& link, const std::filesystem::path& sent,
                                const std::string& terminalPath);

// "Verify C:\DATA\X.TXT fail: ..." in the language, for a result that is not the same.
std::string VerifyFailText(const VerifyResult& result, const std::string& terminalPath,
                           Language language);
