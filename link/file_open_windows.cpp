#include "link/file_open.h"

#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <string>
#include <sys/stat.h>
#include <windows.h>

std::FILE* OpenFile(const std::filesystem::path& path, const char* mode)
{
    std::string narrow(mode);
    // The C library may not know "x": an exclusive create is asked of the system.
    if (const auto x = narrow.find('x'); x != std::string::npos) {
        narrow.erase(x, 1);
        int flags = _O_CREAT | _O_EXCL | _O_NOINHERIT;
        flags |= narrow.find('+') != std::string::npos ? _O_RDWR : _O_WRONLY;
        flags |= narrow.find('t') != std::string::npos ? _O_TEXT : _O_BINARY;
        const int fd = _wopen(path.c_str(), flags, _S_IREAD | _S_IWRITE);
        if (fd < 0)
            return nullptr;
        std::FILE* f = _fdopen(fd, narrow.c_str());
        if (!f)
            _close(fd);
        return f;
    }
    const std::wstring wide(narrow.begin(), narrow.end());
    return _wfopen(path.c_str(), wide.c_str());
}

bool FlushToDisk(std::FILE* f)
{
    return std::fflush(f) == 0 && _commit(_fileno(f)) == 0;
}

bool AppendWhole(const std::filesystem::path& path, std::string_view bytes)
{
    // Append-only access: the system puts every write at the end of the file.
    const HANDLE h = CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool whole =
        WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size();
    return CloseHandle(h) && whole;
}

bool RenameOver(const std::filesystem::path& from, const std::filesystem::path& to)
{
    return MoveFileExW(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}
