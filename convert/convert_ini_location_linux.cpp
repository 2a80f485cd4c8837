#include "convert/convert_ini_location.h"

#include <cstdlib>
#include <iterator>
#include <string>
#include <system_error>

bool IsSystemProgramFolder(const std::filesystem::path& folder)
{
    const std::filesystem::path normal = folder.lexically_normal();
    if (!normal.is_absolute() || std::next(normal.begin()) == normal.end())
        return false;
    const std::string top = std::next(normal.begin())->string();
    return top == "usr" || top == "bin" || top == "sbin" || top == "opt";
}

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
