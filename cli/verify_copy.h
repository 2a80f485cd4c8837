// verify_copy.h: fetching a file back from the terminal and comparing it with
// the bytes that were sent. The wire's 16-bit additive checksum misses some
// corruptions (two bytes moved by +n and -n in one block); this comparison does
// not. A copy that differs is fetched a second time, so that a copy the line
// spoiled on its way back is not taken for a bad copy on the terminal. The
// thread that owns the link.
#pragma once

#include "link/frame.h"
#include "link/link_status.h"
#include "link/messages.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

class TerminalLink;

// A private copy of a file about to be sent, with the file's time stamp, and
// its bytes: sending the copy and comparing with its bytes checks what was sent,
// whatever becomes of the file meanwhile. Removed with the object.
struct SentCopy {
    enum class Outcome { Made, SourceUnreadable, NoPrivateCopy };
    SentCopy() = default;
    SentCopy(const SentCopy&) = delete;
    SentCopy& operator=(const SentCopy&) = delete;
    ~SentCopy();
    // SourceUnreadable: source is no regular file that reads whole (what the
    // send would find); NoPrivateCopy: the private folder cannot take the copy.
    Outcome Make(const std::filesystem::path& source);
    std::filesystem::path path;
    Bytes bytes;
};

enum class VerifyOutcome {
    Same,          // the copy fetched back is the bytes sent
    SameOnRefetch, // the first copy fetched back differs, the second is the bytes sent
    Differs,       // two copies fetched back agree with each other, not with the bytes sent
    LineSpoiled,   // two copies fetched back differ from each other and from the bytes sent
    FetchFailed,   // the terminal did not give the copy: fetch says why
    PcFileFailed,  // the PC could not write or read the copy in its private folder
};

struct VerifyResult {
    VerifyOutcome outcome = VerifyOutcome::FetchFailed;
    LinkStatus fetch = LinkStatus::Ok;
    std::uint64_t firstDifference = 0; // Differs: the offset of the first byte that differs
};

// Fetches terminalPath through a private temporary file (removed again) and
// compares it with sent; on a difference fetches it once more.
VerifyResult VerifyTerminalCopy(TerminalLink& link, std::span<const std::uint8_t> sent,
                                const std::string& terminalPath);

// kvctl's exit status for a result: 0 for the same bytes, kExitVerifyFailed for a
// copy that differs, kExitFailed for a copy that could not be checked.
int VerifyExitCode(const VerifyResult& result);
// The status a result reports: Ok, NotConfirmed (Differs, LineSpoiled), the
// fetch's, or FileError (PcFileFailed).
LinkStatus VerifyStatus(const VerifyResult& result);

// What the user is told of a result other than Same, in the language:
// "Verify C:\DATA\X.TXT fail: ..." or, for SameOnRefetch, a note.
std::string VerifyText(const VerifyResult& result, const std::string& terminalPath,
                       Language language);
