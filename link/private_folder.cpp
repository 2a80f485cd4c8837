#include "link/private_folder.h"

#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The folder exists, is ours, not a link, and nobody else may enter it.
bool IsPrivateFolder(const std::filesystem::path& folder)
{
    struct stat info {};
    return lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid() &&
           (info.st_mode & 077) == 0;
}

} // namespace

std::filesystem::path PrivateTempFolder()
{
    std::filesystem::path base;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime == '/')
        base = std::filesystem::path(runtime) / "KVVidiRidoved";
    else
        base =
            std::filesystem::temp_directory_path() / ("KVVidiRidoved-" + std::to_string(getuid()));
    if (mkdir(base.c_str(), 0700) != 0 && errno != EEXIST)
        return {};
    return IsPrivateFolder(base) ? base : std::filesystem::path();
}

std::filesystem::path CreatePrivateTempFile(const std::string& stem, const std::string& extension)
{
    const std::filesystem::path folder = PrivateTempFolder();
    if (folder.empty())
        return {};
    std::string pattern = (folder / (stem + "-XXXXXX." + extension)).string();
    const int fd = mkstemps(pattern.data(), static_cast<int>(extension.size() + 1));
    if (fd < 0)
        return {};
    close(fd);
    return pattern;
}
