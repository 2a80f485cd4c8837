#include "convert/convert_ini_location.h"

#include <cstdlib>
#include <system_error>

std::filesystem::path ProgramFolder()
{
    std::error_code ec;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path{} : executable.parent_path();
}

std::filesystem::path UserSettingsFolderFrom(std::string_view xdgConfigHome, std::string_view home)
{
    std::filesystem::path base{xdgConfigHome};
    if (!base.is_absolute()) {
        // A relative XDG_CONFIG_HOME is invalid and ignored.
        base = std::filesystem::path{home};
        if (!base.is_absolute())
            return {};
        base /= ".config";
    }
    return base / kMakerFolderName / kProgramFolderName;
}

std::filesystem::path UserSettingsFolder()
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    return UserSettingsFolderFrom(xdg ? xdg : "", home ? home : "");
}
