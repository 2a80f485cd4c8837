#include "cli/verify_copy.h"

#include "cli/kvctl_commands.h"
#include "convert/file_bytes.h"
#include "link/private_folder.h"
#include "link/source_file.h"
#include "link/terminal_link.h"

#include <algorithm>
#include <limits>
#include <system_error>

namespace {

// The longest file a send takes: its length travels in 32 bits.
constexpr std::uint64_t kLongestFile = std::numeric_limits<std::uint32_t>::max();

// Fetches terminalPath into *copy. *pcFailed when the private file cannot be
// made or read back.
LinkStatus Fetch(TerminalLink& link, const std::string& terminalPath, Bytes* copy, bool* pcFailed)
{
    const std::filesystem::path back = CreatePrivateTempFile("verify", "tmp");
    *pcFailed = back.empty();
    if (*pcFailed)
        return LinkStatus::FileError;
    const LinkStatus fetched = link.UploadFile(terminalPath, back, false);
    if (fetched == LinkStatus::Ok)
        *pcFailed = ReadSourceFile(back, kLongestFile, copy) != LinkStatus::Ok;
    std::error_code ec;
    std::filesystem::remove(back, ec);
    return fetched;
}

bool Equal(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

} // namespace

SentCopy::~SentCopy()
{
    if (!path.empty()) {
        std::error_code ec;
        std::filesystem::remove(path, ec);
    }
}

SentCopy::Outcome SentCopy::Make(const std::filesystem::path& source)
{
    std::error_code timeUnknown;
    const auto written = std::filesystem::last_write_time(source, timeUnknown);
    if (ReadSourceFile(source, kLongestFile, &bytes) != LinkStatus::Ok)
        return Outcome::SourceUnreadable;
    path = CreatePrivateTempFile("sent", "tmp");
    if (path.empty() || !WriteWholeFile(path, bytes))
        return Outcome::NoPrivateCopy;
    // The terminal keeps the time stamp sent with the file: the source's.
    std::error_code ec;
    if (!timeUnknown)
        std::filesystem::last_write_time(path, written, ec);
    return ec ? Outcome::NoPrivateCopy : Outcome::Made;
}

VerifyResult VerifyTerminalCopy(TerminalLink& link, std::span<const std::uint8_t> sent,
                                const std::string& terminalPath)
{
    VerifyResult result;
    Bytes first, second;
    bool pcFailed = false;
    result.fetch = Fetch(link, terminalPath, &first, &pcFailed);
    if (!pcFailed && result.fetch == LinkStatus::Ok && Equal(first, sent)) {
        result.outcome = VerifyOutcome::Same;
        return result;
    }
    if (!pcFailed && result.fetch == LinkStatus::Ok)
        result.fetch = Fetch(link, terminalPath, &second, &pcFailed);
    if (pcFailed)
        result.outcome = VerifyOutcome::PcFileFailed;
    else if (result.fetch != LinkStatus::Ok)
        result.outcome = VerifyOutcome::FetchFailed;
    else if (Equal(second, sent))
        result.outcome = VerifyOutcome::SameOnRefetch;
    else if (Equal(first, second))
        result.outcome = VerifyOutcome::Differs;
    else
        result.outcome = VerifyOutcome::LineSpoiled;
    if (result.outcome == VerifyOutcome::Differs) {
        const auto [at, unused] =
            std::mismatch(first.begin(), first.end(), sent.begin(), sent.end());
        result.firstDifference = static_cast<std::uint64_t>(at - first.begin());
    }
    return result;
}

int VerifyExitCode(const VerifyResult& result)
{
    switch (result.outcome) {
    case VerifyOutcome::Same: return kExitOk;
    case VerifyOutcome::Differs: return kExitVerifyFailed;
    // The two fetch-backs disagree: the line spoiled one. The copy matched once,
    // but a line that spoils what it carries is no line to call a send done on.
    default: return kExitFailed;
    }
}

LinkStatus VerifyStatus(const VerifyResult& result)
{
    switch (result.outcome) {
    case VerifyOutcome::Same:
    case VerifyOutcome::SameOnRefetch: return LinkStatus::Ok;
    case VerifyOutcome::Differs:
    case VerifyOutcome::LineSpoiled: return LinkStatus::NotConfirmed;
    case VerifyOutcome::PcFileFailed: return LinkStatus::FileError;
    default: return result.fetch;
    }
}

std::string VerifyText(const VerifyResult& result, const std::string& terminalPath,
                       Language language)
{
    const bool polish = language == Language::Polish;
    const std::string fail =
        (polish ? "Weryfikacja " : "Verify ") + terminalPath + (polish ? " nieudana: " : " fail: ");
    switch (result.outcome) {
    case VerifyOutcome::Same: return {};
    case VerifyOutcome::SameOnRefetch:
        return (polish ? "Weryfikacja " : "Verify ") + terminalPath +
               (polish ? ": linia zniekszta\u0142ci\u0142a pierwsz\u0105 pobran\u0105 kopi\u0119; "
                         "druga zgadza si\u0119 z wys\u0142anym plikiem"
                       : ": the line spoiled the first copy fetched back; a second one matches "
                         "the file sent");
    case VerifyOutcome::Differs:
        return fail +
               (polish ? "kopia w kolektorze r\u00F3\u017Cni si\u0119 od pliku od bajtu "
                       : "the copy on the terminal differs from the file from byte ") +
               std::to_string(result.firstDifference);
    case VerifyOutcome::LineSpoiled:
        return fail + (polish ? "linia zniekszta\u0142ci\u0142a pobran\u0105 kopi\u0119 (dwie "
                                "pobrane kopie si\u0119 r\u00F3\u017Cni\u0105); kopia w "
                                "kolektorze nie jest potwierdzona"
                              : "the line spoiled a copy fetched back (two fetches differ); "
                                "the copy on the terminal is not confirmed");
    case VerifyOutcome::FetchFailed:
        return fail + (polish ? "nie mo\u017Cna pobra\u0107 kopii z kolektora"
                              : "the copy cannot be fetched from the terminal");
    case VerifyOutcome::PcFileFailed:
        return fail + (polish ? "komputer nie mo\u017Ce zapisa\u0107 ani odczyta\u0107 swojej "
                                "kopii w prywatnym folderze tymczasowym"
                              : "the PC cannot write or read its copy in its private temporary "
                                "folder");
    }
    return {};
}
