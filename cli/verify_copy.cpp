#include "cli/verify_copy.h"

#include "link/private_folder.h"
#include "link/terminal_link.h"

#include <fstream>
#include <iterator>
#include <system_error>

namespace {

// True when both files hold the same bytes; otherwise *difference is the offset
// of the first byte that differs (the shorter one's length for a prefix).
bool SameFiles(const std::filesystem::path& a, const std::filesystem::path& b,
               std::uint64_t* difference)
{
    std::ifstream first(a, std::ios::binary), second(b, std::ios::binary);
    if (!first || !second)
        return false;
    std::istreambuf_iterator<char> x(first), y(second), end;
    std::uint64_t at = 0;
    for (; x != end && y != end; ++x, ++y, ++at)
        if (*x != *y) {
            *difference = at;
            return false;
        }
    *difference = at;
    return x == end && y == end;
}

} // namespace

VerifyResult VerifyTerminalCopy(TerminalLink& link, const std::filesystem::path& sent,
                                const std::string& terminalPath)
{
    VerifyResult result;
    const std::filesystem::path back = CreatePrivateTempFile("verify", "tmp");
    if (back.empty()) {
        result.fetch = LinkStatus::FileError;
        return result;
    }
    result.fetch = link.UploadFile(terminalPath, back, false);
    if (result.fetch == LinkStatus::Ok)
        result.same = SameFiles(sent, back, &result.firstDifference);
    std::error_code ec;
    std::filesystem::remove(back, ec);
    return result;
}

std::string VerifyFailText(const VerifyResult& result, const std::string& terminalPath,
                           Language language)
{
    const bool polish = language == Language::Polish;
    if (result.fetch != LinkStatus::Ok)
        return (polish ? "Weryfikacja " : "Verify ") + terminalPath +
               (polish ? " nieudana: nie mo\u017Cna pobra\u0107 kopii z kolektora"
                       : " fail: the copy cannot be fetched from the terminal");
    const std::string at = std::to_string(result.firstDifference);
    return (polish ? "Weryfikacja " : "Verify ") + terminalPath +
           (polish ? " nieudana: kopia w kolektorze r\u00F3\u017Cni si\u0119 od pliku od bajtu "
                   : " fail: the copy on the terminal differs from the file from byte ") +
           at;
}
