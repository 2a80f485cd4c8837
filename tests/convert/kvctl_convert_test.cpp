// kvctl convert, run as the built program: stdout, stderr and exit status.
#include "convert/convert_ini_location.h"
#include "convert/convert_settings.h"

#include "tests/convert/temp_folder.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <string>

namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

class KvctlConvertTest : public testing::Test {
protected:
    // Runs kvctl with words, each quoted for the shell.
    Outcome Run(const std::vector<std::string>& words)
    {
        std::string command = std::string("'") + KVCTL_PATH + "'";
        for (const std::string& w : words)
            command += " '" + w + "'";
        command +=
            " >'" + (folder / "stdout").string() + "' 2>'" + (folder / "stderr").string() + "'";
        const int raw = std::system(command.c_str());
        Outcome o;
        o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        o.out = ReadBytes(folder / "stdout");
        o.err = ReadBytes(folder / "stderr");
        return o;
    }

    std::string Ini(const ConvertSettings& s)
    {
        const auto path = (folder / "Convert.ini").string();
        SaveConvertSettings(path, s);
        return path;
    }

    TempFolder folder;
};

ConvertSettings CommaToSemicolon()
{
    ConvertSettings s;
    s.OriSeparator = ',';
    s.ConvSeparator = ';';
    s.ConvertField = 2;
    return s;
}

TEST_F(KvctlConvertTest, ConvertPrintsTheCopysPath)
{
    WriteBytes(folder / "data.txt", "a,b,c\r\nd\r\n");
    const Outcome o =
        Run({"convert", (folder / "data.txt").string(), "--ini", Ini(CommaToSemicolon())});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, (folder / "VidiRidoved.tmp").string() + "\n");
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(ReadBytes(folder / "VidiRidoved.tmp"), "a;b\r\nd;\r\n");
}

TEST_F(KvctlConvertTest, SaveIniWritesTheLoadedSettings)
{
    ConvertSettings s = CommaToSemicolon();
    s.ConvSeparator = 0;
    s.ConvFieldLen = {6, 4};
    s.OriFixedName = 1;
    s.OriFixedFileName = "ConvFieldLen=9,";
    const std::string ini = Ini(s);
    const auto copy = folder / "copy.ini";
    const Outcome o = Run({"convert", "--ini", ini, "--save-ini", copy.string()});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(ReadBytes(copy), ReadBytes(ini));
}

TEST_F(KvctlConvertTest, ConvertAndSaveTogether)
{
    WriteBytes(folder / "data.txt", "x,y\r\n");
    const auto copy = folder / "copy.ini";
    const Outcome o = Run({"convert", (folder / "data.txt").string(), "--ini",
                           Ini(CommaToSemicolon()), "--save-ini", copy.string()});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(ReadBytes(folder / "VidiRidoved.tmp"), "x;y\r\n");
    ConvertSettings loaded = CommaToSemicolon();
    loaded.ConvFieldLen = {0, 0}; // loading fills the widths up to ConvertField
    EXPECT_EQ(ReadBytes(copy), FormatConvertIni(loaded));
}

TEST_F(KvctlConvertTest, LfLinesConvertAndASourceWithoutARecordFails)
{
    // Mended: LF-only lines gave an empty copy and a success.
    const std::string ini = Ini(CommaToSemicolon());
    WriteBytes(folder / "lf.txt", "a,b,c\nd");
    Outcome o = Run({"convert", (folder / "lf.txt").string(), "--ini", ini});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(ReadBytes(folder / "VidiRidoved.tmp"), "a;b\r\nd;\r\n");

    const auto none = (folder / "none.txt").string();
    WriteBytes(none, "\r");
    o = Run({"convert", none, "--ini", ini});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.err, "kvctl: cannot convert " + none + ": the file holds no record\n");
    EXPECT_FALSE(std::filesystem::exists(folder / "VidiRidoved.tmp"));
}

struct UsageRow {
    const char* name;
    std::vector<std::string> words;
};

class KvctlConvertUsageTest : public KvctlConvertTest,
                              public testing::WithParamInterface<UsageRow> {};

TEST_P(KvctlConvertUsageTest, BadUsageExitsWithTwo)
{
    const Outcome o = Run(GetParam().words);
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.out, "");
    EXPECT_NE(o.err.find("usage: kvctl convert"), std::string::npos) << o.err;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, KvctlConvertUsageTest,
    testing::Values(UsageRow{"no_source", {"convert"}},
                    UsageRow{"ini_without_source", {"convert", "--ini", "a.ini"}},
                    UsageRow{"ini_without_value", {"convert", "data.txt", "--ini"}},
                    UsageRow{"two_sources", {"convert", "a.txt", "b.txt"}},
                    UsageRow{"unknown_option", {"convert", "a.txt", "--fast"}},
                    UsageRow{"ini_twice", {"convert", "a.txt", "--ini", "x", "--ini", "y"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(KvctlConvertTest, HelpNamesTheConvertIniOfTheDesktopProgram)
{
    // Mended: kvctl looked beside itself, in another folder than the desktop
    // program, so without --ini it read settings the user never made.
    const std::filesystem::path program = KV_PROGRAM_PATH;
    const std::filesystem::path ini =
        ChooseConvertIniPath(program.parent_path(), UserSettingsFolder());
    ASSERT_FALSE(ini.empty());
    for (const std::vector<std::string>& words : {std::vector<std::string>{"convert", "--help"},
                                                  {"--help", "convert"},
                                                  {"convert", "-h"}}) {
        const Outcome o = Run(words);
        EXPECT_EQ(o.status, 0) << words[0] << " " << words[1];
        EXPECT_NE(o.out.find("usage: kvctl convert"), std::string::npos) << o.out;
        EXPECT_NE(o.out.find("\n  " + ini.string() + "\n"), std::string::npos) << o.out;
        EXPECT_EQ(o.err, "");
    }
}

TEST_F(KvctlConvertTest, MissingSourceFailsWithOne)
{
    const auto missing = (folder / "missing.txt").string();
    const Outcome o = Run({"convert", missing, "--ini", Ini(CommaToSemicolon())});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.err, "kvctl: cannot convert " + missing + ": the file cannot be read\n");
}

TEST_F(KvctlConvertTest, MissingIniFailsWithOne)
{
    WriteBytes(folder / "data.txt", "a\r\n");
    const auto missing = (folder / "none.ini").string();
    const Outcome o = Run({"convert", (folder / "data.txt").string(), "--ini", missing});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, "kvctl: cannot read " + missing + "\n");
    EXPECT_FALSE(std::filesystem::exists(folder / "VidiRidoved.tmp"));
}

TEST_F(KvctlConvertTest, UnwritableSaveIniFailsWithOne)
{
    const auto target = folder / "dir.ini";
    std::filesystem::create_directory(target);
    const Outcome o =
        Run({"convert", "--ini", Ini(CommaToSemicolon()), "--save-ini", target.string()});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, "kvctl: cannot write " + target.string() + "\n");
}

} // namespace
