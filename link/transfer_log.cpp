#include "link/transfer_log.h"

#include "link/file_open.h"
#include "link/local_time.h"

#include <cstdlib>
#include <system_error>

namespace {

thread_local std::string threadConnection;

std::filesystem::path Numbered(const std::filesystem::path& file, int n)
{
    return file.string() + "." + std::to_string(n);
}

} // namespace

std::filesystem::path DefaultTransferLogPath()
{
    std::filesystem::path base;
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/')
        base = state;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::filesystem::path(home) / ".local" / "state";
    else
        base = std::filesystem::temp_directory_path();
    return base / "KVVidiRidoved" / "transfer.log";
}

TransferLog::TransferLog(std::filesystem::path path, std::uint64_t maxBytes, int oldFiles)
    : file(std::move(path)), limit(maxBytes), keep(oldFiles < 1 ? 1 : oldFiles)
{
}

bool TransferLog::Write(const std::string& connection, const std::string& line)
{
    return Write(connection, line, std::time(nullptr));
}

bool TransferLog::Write(const std::string& connection, const std::string& line, std::time_t when)
{
    const std::tm local = LocalTime(when);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    std::string text = std::string(stamp) + "  " + (connection.empty() ? "-" : connection) + "  ";
    for (const char c : line)
        text += c == '\r' || c == '\n' ? ' ' : c;
    text += '\n';

    std::lock_guard lock(mutex);
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    const auto size = std::filesystem::file_size(file, ec);
    if (!ec && size > 0 && size + text.size() > limit)
        Rotate();
    return AppendWhole(file, text);
}

void TransferLog::Rotate()
{
    std::error_code ec;
    std::filesystem::remove(Numbered(file, keep), ec);
    for (int n = keep - 1; n >= 1; --n)
        std::filesystem::rename(Numbered(file, n), Numbered(file, n + 1), ec);
    std::filesystem::rename(file, Numbered(file, 1), ec);
}

void SetThreadLogConnection(std::string name)
{
    threadConnection = std::move(name);
}

const std::string& ThreadLogConnection()
{
    return threadConnection;
}
