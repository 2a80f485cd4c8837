#include "convert/convert_ini_location.h"

#include "tests/convert/temp_folder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct FolderRow {
    const char* name;
    const char* xdgConfigHome;
    const char* home;
    const char* folder; // "" when there is none
};

class UserSettingsFolderTest : public testing::TestWithParam<FolderRow> {};

TEST_P(UserSettingsFolderTest, FollowsTheEnvironment)
{
    EXPECT_EQ(UserSettingsFolderFrom(GetParam().xdgConfigHome, GetParam().home),
              std::filesystem::path(GetParam().folder));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, UserSettingsFolderTest,
    testing::Values(FolderRow{"xdg_config_home", "/cfg", "/home/ann",
                              "/cfg/TELMARQ SOFTWARE/KVVidiRidoved"},
                    FolderRow{"home_config", "", "/home/ann",
                              "/home/ann/.config/TELMARQ SOFTWARE/KVVidiRidoved"},
                    FolderRow{"relative_xdg_ignored", "cfg", "/home/ann",
                              "/home/ann/.config/TELMARQ SOFTWARE/KVVidiRidoved"},
                    FolderRow{"no_home", "", "", ""}, FolderRow{"relative_home", "", "ann", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IsWritableFolderTest, ProbesWithoutLeavingAFile)
{
    TempFolder folder;
    EXPECT_TRUE(IsWritableFolder(folder.Path()));
    EXPECT_TRUE(folder.Names().empty());
    EXPECT_FALSE(IsWritableFolder(folder / "missing"));
    WriteBytes(folder / "file", "x");
    EXPECT_FALSE(IsWritableFolder(folder / "file"));
    EXPECT_FALSE(IsWritableFolder({}));
}

TEST(ChooseConvertIniPathTest, ProgramFolderFirstThenTheUsers)
{
    TempFolder program;
    const std::filesystem::path user = "/home/ann/.config/TELMARQ SOFTWARE/KVVidiRidoved";
    EXPECT_EQ(ChooseConvertIniPath(program.Path(), user), program / "Convert.ini");
    EXPECT_EQ(ChooseConvertIniPath(program / "gone", user), user / "Convert.ini");
    EXPECT_EQ(ChooseConvertIniPath(program / "gone", {}), program / "gone" / "Convert.ini");
    EXPECT_EQ(ChooseConvertIniPath({}, {}), std::filesystem::path{});
    // An installed program keeps no settings beside itself, even run by root.
    EXPECT_EQ(ChooseConvertIniPath("/usr/bin", user), user / "Convert.ini");
    EXPECT_EQ(ChooseConvertIniPath("/opt/kv/bin", user), user / "Convert.ini");
}

TEST(ProgramFolderTest, HoldsThisTest)
{
    const std::filesystem::path folder = ProgramFolder();
    EXPECT_TRUE(folder.is_absolute());
    EXPECT_TRUE(std::filesystem::exists(folder / "convert_ini_location_test"));
}

} // namespace
