// Where Convert.ini lives on Windows: never inside the program files or system
// folders, whatever the case of the path's letters; beside a portable copy.
#include "convert/convert_ini_location.h"

#include "tests/convert/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>

namespace {

TEST(ConvertIniLocationWindows, ProgramFilesAndTheSystemFolder)
{
    _putenv_s("ProgramFiles", "C:\\Program Files");
    _putenv_s("ProgramFiles(x86)", "C:\\Program Files (x86)");
    _putenv_s("SystemRoot", "C:\\Windows");
    const std::pair<const char*, bool> rows[] = {
        {"C:\\Program Files", true},
        {"C:\\Program Files\\KVVidiRidoved", true},
        {"c:/PROGRAM FILES/kv/", true}, // other case and slashes
        {"C:\\Program Files (x86)\\KV", true},
        {"C:\\Windows\\System32", true},
        {"C:\\Program Files Portable\\KV", false}, // the same beginning
        {"C:\\Users\\ann\\KV", false},
        {"Program Files\\KV", false}, // relative
    };
    for (const auto& [folder, system] : rows)
        EXPECT_EQ(IsSystemProgramFolder(folder), system) << folder;
}

TEST(ConvertIniLocationWindows, BesideAPortableCopyElseInTheUsersFolder)
{
    TempFolder program;
    const std::filesystem::path user = "C:\\Users\\ann\\AppData\\Roaming\\KV";
    EXPECT_EQ(ChooseConvertIniPath(program.Path(), user), program / "Convert.ini");
    _putenv_s("ProgramFiles", program.Path().string().c_str());
    EXPECT_EQ(ChooseConvertIniPath(program.Path(), user), user / "Convert.ini")
        << "an installed program keeps no settings beside itself";
    EXPECT_TRUE(std::filesystem::exists(ProgramFolder() / "convert_ini_location_windows_test.exe"));
    _putenv_s("APPDATA", "C:\\Users\\ann\\AppData\\Roaming");
    EXPECT_EQ(
        UserSettingsFolder(),
        std::filesystem::path("C:\\Users\\ann\\AppData\\Roaming\\TELMARQ SOFTWARE\\KVVidiRidoved"));
}

} // namespace
