#include "sim/pending_file.h"

#include "link/file_open.h"
#include "link/utf8_path.h"

#include <atomic>
#include <chrono>
#include <string>
#include <system_error>

namespace {

// Temporary names begin with a dot, which no 8.3 name does, so the terminal's
// listings never show them.
std::filesystem::path TempNameFor(const std::filesystem::path& target)
{
    static std::atomic<unsigned> counter{0};
    return target.parent_path() /
           Utf8Path("." + Utf8Text(target.filename()) + ".~" + std::to_string(++counter));
}

} // namespace

std::optional<std::time_t> HostFileTime(const std::filesystem::path& path)
{
    std::error_code ec;
    const auto fileTime = std::filesystem::last_write_time(path, ec);
    if (ec)
        return std::nullopt;
    const auto sys = std::chrono::file_clock::to_sys(fileTime);
    return std::chrono::system_clock::to_time_t(
        std::chrono::time_point_cast<std::chrono::system_clock::duration>(sys));
}

bool SetHostFileTime(const std::filesystem::path& path, std::time_t time)
{
    std::error_code ec;
    const auto sys = std::chrono::system_clock::from_time_t(time);
    std::filesystem::last_write_time(path, std::chrono::file_clock::from_sys(sys), ec);
    return !ec;
}

bool PendingFile::Open(const std::filesystem::path& targetPath)
{
    Abandon();
    target = targetPath;
    tempPath = TempNameFor(targetPath);
    file = OpenFile(tempPath, "wb");
    return file != nullptr;
}

bool PendingFile::Write(std::span<const std::uint8_t> bytes)
{
    return file && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

bool PendingFile::Commit(std::optional<std::time_t> modified)
{
    if (!file)
        return false;
    bool ok = std::fclose(file) == 0;
    file = nullptr;
    if (ok && modified)
        ok = SetHostFileTime(tempPath, *modified);
    ok = ok && RenameOver(tempPath, target);
    if (!ok) {
        std::error_code ec;
        std::filesystem::remove(tempPath, ec);
    }
    return ok;
}

void PendingFile::Abandon()
{
    if (!file)
        return;
    std::fclose(file);
    file = nullptr;
    std::error_code ec;
    std::filesystem::remove(tempPath, ec);
}
