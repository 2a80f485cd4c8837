#include "link/private_folder.h"

#include <cerrno>
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

// folder made (mode 0700) when missing; empty unless it is private.
std::filesystem::path MadePrivate(const std::filesystem::path& folder)
{
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return {};
    return IsPrivateFolder(folder) ? folder : std::filesystem::path();
}

std::filesystem::path FromEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value == '/' ? std::filesystem::path(value) : std::filesystem::path();
}

std::filesystem::path SharedTempFolder()
{
    std::error_code ec;
    const std::filesystem::path temp = std::filesystem::temp_directory_path(ec);
    if (ec)
        return {};
    return MadePrivate(temp / ("KVVidiRidoved-" + std::to_string(getuid())));
}

std::filesystem::path CacheFolder()
{
    std::filesystem::path cache = FromEnvironment("XDG_CACHE_HOME");
    if (cache.empty())
        if (const std::filesystem::path home = FromEnvironment("HOME"); !home.empty())
            cache = home / ".cache";
    if (cache.empty())
        return {};
    // A cache folder made here is the user's alone, as the XDG rules ask.
    std::error_code ec;
    if (!std::filesystem::exists(cache, ec))
        mkdir(cache.c_str(), 0700);
    return MadePrivate(cache / "KVVidiRidoved");
}

} // namespace

std::filesystem::path PrivateTempFolder()
{
    if (std::filesystem::path folder = CacheFolder(); !folder.empty())
        return folder;
    return SharedTempFolder();
}

std::filesystem::path PrivateRuntimeFolder()
{
    if (const std::filesystem::path runtime = FromEnvironment("XDG_RUNTIME_DIR"); !runtime.empty())
        if (std::filesystem::path folder = MadePrivate(runtime / "KVVidiRidoved"); !folder.empty())
            return folder;
    // Another user may have taken the temporary folder's name first.
    if (std::filesystem::path folder = SharedTempFolder(); !folder.empty())
        return folder;
    return CacheFolder();
}
