#include "link/replaced_history.h"

#include "link/local_time.h"
#include "link/utf8_path.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <string>
#include <system_error>

namespace {

constexpr std::size_t kStampLength = 15; // YYYYMMDD-hhmmss

std::string Stamp(std::time_t when)
{
    const std::tm local = LocalTime(when);
    std::array<char, 32> text{};
    std::strftime(text.data(), text.size(), "%Y%m%d-%H%M%S", &local);
    return text.data();
}

} // namespace

bool FilesHaveSameBytes(const std::filesystem::path& a, const std::filesystem::path& b)
{
    std::error_code ec;
    const auto sizeA = std::filesystem::file_size(a, ec);
    if (ec)
        return false;
    const auto sizeB = std::filesystem::file_size(b, ec);
    if (ec || sizeA != sizeB)
        return false;
    std::ifstream fa(a, std::ios::binary), fb(b, std::ios::binary);
    std::array<char, 65536> bufA{}, bufB{};
    while (fa && fb) {
        fa.read(bufA.data(), bufA.size());
        fb.read(bufB.data(), bufB.size());
        if (fa.gcount() != fb.gcount() ||
            !std::equal(bufA.begin(), bufA.begin() + fa.gcount(), bufB.begin()))
            return false;
    }
    return fa.eof() && fb.eof();
}

KeepResult KeepReplacedFile(const std::filesystem::path& target,
                            const std::filesystem::path& incoming, std::time_t now,
                            std::filesystem::path* keptAs)
{
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(target, ec);
    if (ec || !std::filesystem::exists(status))
        return KeepResult::NothingToKeep;
    // Anything but a plain file under that name is not ours to move or replace.
    if (!std::filesystem::is_regular_file(status))
        return KeepResult::Failed;
    if (FilesHaveSameBytes(target, incoming))
        return KeepResult::NothingToKeep;
    const std::filesystem::path history = target.parent_path() / kReplacedFolderName;
    std::filesystem::create_directories(history, ec);
    if (ec)
        return KeepResult::Failed;
    const std::string base = Utf8Text(target.filename()) + "." + Stamp(now);
    for (int n = 0; n < 100; ++n) {
        const std::filesystem::path kept =
            history / Utf8Path(n == 0 ? base : base + "-" + std::to_string(n));
        if (std::filesystem::exists(std::filesystem::symlink_status(kept, ec)))
            continue;
        std::filesystem::rename(target, kept, ec);
        if (ec)
            return KeepResult::Failed;
        if (keptAs)
            *keptAs = kept;
        return KeepResult::Kept;
    }
    return KeepResult::Failed;
}

std::optional<std::time_t> ReplacedTime(const std::string& fileName)
{
    // NAME.YYYYMMDD-hhmmss, perhaps followed by -N when two came in one second.
    std::size_t at = fileName.rfind('.');
    if (at == std::string::npos || fileName.size() - at - 1 < kStampLength)
        return std::nullopt;
    const std::string stamp = fileName.substr(at + 1, kStampLength);
    std::tm local{};
    if (std::sscanf(stamp.c_str(), "%4d%2d%2d-%2d%2d%2d", &local.tm_year, &local.tm_mon,
                    &local.tm_mday, &local.tm_hour, &local.tm_min, &local.tm_sec) != 6 ||
        stamp[8] != '-')
        return std::nullopt;
    local.tm_year -= 1900;
    local.tm_mon -= 1;
    local.tm_isdst = -1;
    const std::time_t when = std::mktime(&local);
    if (when == static_cast<std::time_t>(-1))
        return std::nullopt;
    return when;
}

void PruneReplacedFiles(const std::filesystem::path& folder, int keepDays, std::time_t now)
{
    const std::filesystem::path history = folder / kReplacedFolderName;
    std::error_code ec;
    std::filesystem::directory_iterator it(history, ec), end;
    const std::time_t oldest = now - static_cast<std::time_t>(keepDays) * 24 * 60 * 60;
    for (; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec))
            continue;
        const auto when = ReplacedTime(Utf8Text(it->path().filename()));
        if (when && *when < oldest)
            std::filesystem::remove(it->path(), ec);
    }
}
