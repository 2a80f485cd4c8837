#include "convert/convert_ini_location.h"

#include <cerrno>
#include <cstdio>
#include <iterator>
#include <random>
#include <string>
#include <system_error>

namespace {

constexpr int kProbeAttempts = 8;

// A folder the system's packages install programs into: writable only by the
// administrator, and never a place for one user's settings, even when the
// administrator runs the program.
bool IsSystemProgramFolder(const std::filesystem::path& folder)
{
    const std::filesystem::path normal = folder.lexically_normal();
    if (!normal.is_absolute() || std::next(normal.begin()) == normal.end())
        return false;
    const std::string top = std::next(normal.begin())->string();
    return top == "usr" || top == "bin" || top == "sbin" || top == "opt";
}

} // namespace

bool IsWritableFolder(const std::filesystem::path& folder)
{
    std::error_code ec;
    if (folder.empty() || !std::filesystem::is_directory(folder, ec))
        return false;
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < kProbeAttempts; ++attempt) {
        const std::filesystem::path probe =
            folder / (".kv-probe-" + std::to_string(static_cast<unsigned>(random())));
        if (std::FILE* file = std::fopen(probe.c_str(), "wbx")) {
            std::fclose(file);
            std::filesystem::remove(probe, ec);
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

std::filesystem::path ChooseConvertIniPath(const std::filesystem::path& programFolder,
                                           const std::filesystem::path& userFolder)
{
    const bool installed = IsSystemProgramFolder(programFolder);
    if ((!installed && IsWritableFolder(programFolder)) ||
        (userFolder.empty() && !programFolder.empty()))
        return programFolder / kConvertIniName;
    if (!userFolder.empty())
        return userFolder / kConvertIniName;
    return {};
}

std::filesystem::path DefaultConvertIniPath()
{
    return ChooseConvertIniPath(ProgramFolder(), UserSettingsFolder());
}
