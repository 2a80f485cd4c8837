// Where Convert.ini lives on Windows: never inside the program files or system
// folders, whatever the case of the path's letters; beside a portable copy.
#include "convert/convert_ini_location.h"

#include "tests/convert/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

struct SystemFolderRow {
    const char* name;
    const char* folder;
    bool system;
};

class SystemProgramFolderTest : public testing::TestWithParam<SystemFolderRow> {
protected:
    void SetUp() override
    {
        _putenv_s("ProgramFiles", "C:\\Program Files");
        _putenv_s("ProgramFiles(x86)", "C:\\Program Files (x86)");
        _putenv_s("SystemRoot", "C:\\Windows");
    }
};

TEST_P(SystemProgramFolderTest, ProgramFilesAndTheSystemFolder)
{
    EXPECT_EQ(IsSystemProgramFolder(GetParam().folder), GetParam().system);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SystemProgramFolderTest,
    testing::Values(SystemFolderRow{"program_files", "C:\\Program Files", true},
                    SystemFolderRow{"inside", "C:\\Program Files\\KVVidiRidoved", true},
                    SystemFolderRow{"other_case_and_slashes", "c:/PROGRAM FILES/kv/", true},
                    SystemFolderRow{"x86", "C:\\Program Files (x86)\\KV", true},
                    SystemFolderRow{"system", "C:\\Windows\\System32", true},
                    SystemFolderRow{"same_beginning", "C:\\Program Files Portable\\KV", false},
                    SystemFolderRow{"user", "C:\\Users\\ann\\KV", false},
                    SystemFolderRow{"relative", "Program Files\\KV", false}),
    [](const auto& info) { return info.param.name; });

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
