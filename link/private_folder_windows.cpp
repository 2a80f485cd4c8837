#include "link/private_folder.h"

#include <cstdlib>
#include <system_error>

namespace {

// The user's local application data folder is the user's alone; the program
// keeps its own folder there.
std::filesystem::path ProgramDataFolder()
{
    const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
    std::filesystem::path base;
    if (local && *local)
        base = local;
    else {
        std::error_code ec;
        base = std::filesystem::temp_directory_path(ec);
        if (ec)
            return {};
    }
    if (!base.is_absolute())
        return {};
    return base / "KVVidiRidoved";
}

std::filesystem::path Made(const std::filesystem::path& folder)
{
    if (folder.empty())
        return {};
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return std::filesystem::is_directory(std::filesystem::symlink_status(folder, ec))
               ? folder
               : std::filesystem::path();
}

} // namespace

std::filesystem::path PrivateTempFolder()
{
    const std::filesystem::path data = ProgramDataFolder();
    return data.empty() ? data : Made(data / "Temp");
}

std::filesystem::path PrivateRuntimeFolder()
{
    return Made(ProgramDataFolder());
}
