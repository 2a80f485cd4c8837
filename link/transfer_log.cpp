#include "link/transfer_log.h"

#include <cstdlib>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

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
    std::tm local{};
    localtime_r(&when, &local);
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
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool whole = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    return ::close(fd) == 0 && whole;
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
