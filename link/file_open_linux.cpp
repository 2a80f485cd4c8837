#include "link/file_open.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

std::FILE* OpenFile(const std::filesystem::path& path, const char* mode)
{
    return std::fopen(path.c_str(), mode);
}

bool FlushToDisk(std::FILE* f)
{
    return std::fflush(f) == 0 && fsync(fileno(f)) == 0;
}

bool AppendWhole(const std::filesystem::path& path, std::string_view bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool whole =
        ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    return ::close(fd) == 0 && whole;
}

bool RenameOver(const std::filesystem::path& from, const std::filesystem::path& to)
{
    return std::rename(from.c_str(), to.c_str()) == 0;
}
