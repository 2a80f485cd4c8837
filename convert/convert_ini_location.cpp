#include "convert/convert_ini_location.h"

#include "link/file_open.h"

#include <cerrno>
#include <cstdio>
#include <random>
#include <string>
#include <system_error>

namespace {

constexpr int kProbeAttempts = 8;

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
        if (std::FILE* file = OpenFile(probe, "wbx")) {
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
