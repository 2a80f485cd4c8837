#include "convert/convert_settings.h"

#include "tests/convert/file_size_limit.h"
#include "tests/convert/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct HexRow {
    const char* name;
    const char* text;
    std::uint8_t code;
};

class ParseHexByteTest : public testing::TestWithParam<HexRow> {};

TEST_P(ParseHexByteTest, ReadsTheSeparator)
{
    EXPECT_EQ(ParseHexByte(GetParam().text), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(Rows, ParseHexByteTest,
                         testing::Values(HexRow{"tab", "9", 9}, HexRow{"space", "20", 32},
                                         HexRow{"upper_case", "2C", 44},
                                         HexRow{"lower_case", "2c", 44},
                                         HexRow{"zero_is_fixed_width", "0", 0},
                                         HexRow{"empty_is_fixed_width", "", 0},
                                         HexRow{"scan_stops_at_other_character", "2c;", 44},
                                         HexRow{"eight_digits_keep_low_byte", "ffffff80", 128},
                                         HexRow{"no_digit", "x1", 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FormatHexByteTest, WritesTheSignedByteWidened)
{
    EXPECT_EQ(FormatHexByte(0), "0");
    EXPECT_EQ(FormatHexByte(9), "9");
    EXPECT_EQ(FormatHexByte(32), "20");
    EXPECT_EQ(FormatHexByte(44), "2c");
    EXPECT_EQ(FormatHexByte(127), "7f");
    EXPECT_EQ(FormatHexByte(128), "ffffff80");
    EXPECT_EQ(FormatHexByte(200), "ffffffc8");
}

TEST(FormatHexByteTest, EveryCodeReadsBack)
{
    for (int code = 0; code < 256; ++code)
        EXPECT_EQ(ParseHexByte(FormatHexByte(static_cast<std::uint8_t>(code))), code) << code;
}

TEST(ParseIniDecimalTest, ReadsAsAtoiDoes)
{
    EXPECT_EQ(ParseIniDecimal("12"), 12);
    EXPECT_EQ(ParseIniDecimal(" \t-7x"), -7);
    EXPECT_EQ(ParseIniDecimal("+5"), 5);
    EXPECT_EQ(ParseIniDecimal("abc"), 0);
    EXPECT_EQ(ParseIniDecimal(""), 0);
    EXPECT_EQ(ParseIniDecimal("- 5"), 0);
    EXPECT_EQ(ParseIniDecimal("4294967295"), -1);           // low 32 bits
    EXPECT_EQ(ParseIniDecimal("99999999999999999999"), -1); // saturates, then low bits
}

struct ListRow {
    const char* name;
    const char* text;
    std::vector<std::int32_t> widths;
};

class ParseIniListTest : public testing::TestWithParam<ListRow> {};

TEST_P(ParseIniListTest, ReadsPiecesFollowedByAComma)
{
    EXPECT_EQ(ParseIniList(GetParam().text), GetParam().widths);
}

INSTANTIATE_TEST_SUITE_P(Rows, ParseIniListTest,
                         testing::Values(ListRow{"as_written", "10,5,8,", {10, 5, 8}},
                                         ListRow{
                                             "piece_after_last_comma_ignored", "10,5,8", {10, 5}},
                                         ListRow{"two_commas_alone", ",,", {0, 0}},
                                         ListRow{"empty", "", {}}, ListRow{"no_comma", "7", {}}),
                         [](const auto& info) { return std::string(info.param.name); });

struct LookupRow {
    const char* name;
    const char* text;
    const char* key;
    const char* value; // nullptr: missing
};

class FindIniValueTest : public testing::TestWithParam<LookupRow> {};

TEST_P(FindIniValueTest, FindsKeysAtLineStarts)
{
    const std::optional<std::string_view> found = FindIniValue(GetParam().text, GetParam().key);
    if (GetParam().value == nullptr) {
        EXPECT_FALSE(found);
    } else {
        ASSERT_TRUE(found);
        EXPECT_EQ(*found, GetParam().value);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FindIniValueTest,
    testing::Values(LookupRow{"first_line", "A=1\r\n", "A=", "1"},
                    LookupRow{"later_line_any_order", "[S]\r\nB=2\r\nA=1\r\n", "A=", "1"},
                    LookupRow{"nothing_trimmed", "A= 1 \r\n", "A=", " 1 "},
                    LookupRow{"empty_value", "A=\r\n", "A=", ""},
                    LookupRow{"first_occurrence_counts", "A=1\r\nA=2\r\n", "A=", "1"},
                    LookupRow{"no_cr_lf_after_key", "A=1", "A=", nullptr},
                    LookupRow{"lf_alone_ends_a_line", "A=1\nB=2\n", "A=", "1"},
                    LookupRow{"lf_alone_starts_a_line", "X=0\nA=1\r\n", "A=", "1"},
                    LookupRow{"cr_alone_does_not_start_a_line", "X=0\rA=1\r\n", "A=", nullptr},
                    LookupRow{"key_inside_a_value_is_not_a_key", "N=A=9\r\nA=1\r\n", "A=", "1"},
                    LookupRow{"key_only_inside_a_value", "N=A=9\r\n", "A=", nullptr},
                    LookupRow{"value_keeps_a_lone_cr", "A=x\ry\r\n", "A=", "x\ry"},
                    LookupRow{"only_the_cr_before_the_lf_is_dropped", "A=x\r\r\n", "A=", "x\r"},
                    LookupRow{"missing", "B=2\r\n", "A=", nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

// A record unlike the defaults in every field.
ConvertSettings SampleRecord()
{
    ConvertSettings r;
    r.OriSeparator = 0;
    r.OriFieldCount = 3;
    r.OriFieldLen = {4, 12, 7};
    r.ConvSeparator = 200;
    r.ConvertField = 2;
    r.ConvFieldLen = {6, 4};
    r.OriFixedName = 1;
    r.OriFixedFileName = "DANE.TXT";
    return r;
}

TEST(ParseConvertIniTest, EmptyFileGivesMissingKeyDefaults)
{
    ConvertSettings r;
    ParseConvertIni("", r);
    EXPECT_EQ(r.OriSeparator, kMissingSeparator);
    EXPECT_EQ(r.ConvSeparator, kMissingSeparator);
    EXPECT_EQ(r.OriFieldCount, 0);
    EXPECT_EQ(r.ConvertField, 0u);
    EXPECT_EQ(r.OriFixedName, 0);
    EXPECT_TRUE(r.OriFixedFileName.empty());
    EXPECT_TRUE(r.OriFieldLen.empty());
    EXPECT_TRUE(r.ConvFieldLen.empty());
}

TEST(LoadConvertSettingsTest, HandEditedFilesWithLfOrMixedLineEndsAreRead)
{
    // Mended: a Convert.ini saved by an editor here ends its lines in LF alone; every
    // key after the first line was ignored and the defaults silently replaced the
    // user's layout.
    const std::string written = FormatConvertIni(SampleRecord());
    std::string lfOnly = written;
    std::erase(lfOnly, '\r');
    std::string mixed; // CR LF and LF alone by turns
    bool keepCr = false;
    for (const char c : written)
        if (c != '\r' || (keepCr = !keepCr))
            mixed += c;
    ASSERT_EQ(std::count(mixed.begin(), mixed.end(), '\r'), 5);

    TempFolder folder;
    for (const std::string& text : {lfOnly, mixed}) {
        WriteBytes(folder / "Convert.ini", text);
        ConvertSettings loaded;
        ASSERT_TRUE(LoadConvertSettings(folder / "Convert.ini", loaded));
        EXPECT_EQ(loaded, SampleRecord());
        // Saving again writes CR LF throughout.
        ASSERT_TRUE(SaveConvertSettings(folder / "Convert.ini", loaded));
        EXPECT_EQ(ReadBytes(folder / "Convert.ini"), written);
    }
}

TEST(ParseConvertIniTest, ConvFieldLenIsFilledUpToConvertField)
{
    ConvertSettings r;
    ParseConvertIni("ConvertField=3\r\nConvFieldLen=4,4\r\n", r);
    EXPECT_EQ(r.ConvFieldLen, (std::vector<std::int32_t>{4, 0, 0}));
}

TEST(ParseConvertIniTest, OriFieldLenIsNeverFilledUp)
{
    ConvertSettings r;
    ParseConvertIni("OriFieldCount=3\r\nOriFieldLen=\r\n", r);
    EXPECT_EQ(r.OriFieldCount, 3);
    EXPECT_TRUE(r.OriFieldLen.empty());
}

// Hand-edited counts: OriFieldCount=-2147483648 overflowed every refresh of the
// dialog, and ConvertField=-1 asked for four billion fields a record.
struct CountRow {
    const char* name;
    const char* text;
    std::int32_t count; // both counts
    std::size_t padded;
};

class DamagedCountTest : public testing::TestWithParam<CountRow> {};

TEST_P(DamagedCountTest, IsClampedOnReading)
{
    ConvertSettings r;
    const std::string value = GetParam().text;
    ParseConvertIni("OriFieldCount=" + value + "\r\nConvertField=" + value + "\r\n", r);
    EXPECT_EQ(r.OriFieldCount, GetParam().count);
    EXPECT_EQ(r.ConvertField, static_cast<std::uint32_t>(GetParam().count));
    EXPECT_EQ(r.ConvFieldLen.size(), GetParam().padded);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DamagedCountTest,
    testing::Values(CountRow{"lowest_int", "-2147483648", 0, 0}, CountRow{"minus_one", "-1", 0, 0},
                    CountRow{"highest_int", "2147483647", kMaxIniCount, kMaxPaddedWidths},
                    CountRow{"in_range", "40", 40, 40}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FormatConvertIniTest, WritesTheNineLines)
{
    ConvertSettings r;
    r.OriFieldCount = 2;
    r.ConvSeparator = 0;
    r.ConvertField = 2;
    r.ConvFieldLen = {6, 4};
    EXPECT_EQ(FormatConvertIni(r), "[Convert Setting]\r\n"
                                   "OriSeparator=2c\r\n"
                                   "OriFieldCount=2\r\n"
                                   "ConvSeparator=0\r\n"
                                   "ConvertField=2\r\n"
                                   "OriFixedName=0\r\n"
                                   "OriFixedFileName=\r\n"
                                   "OriFieldLen=\r\n"
                                   "ConvFieldLen=6,4,\r\n");
}

struct RoundTripRow {
    const char* name;
    ConvertSettings record;
};

ConvertSettings WithName(std::string name)
{
    ConvertSettings r = SampleRecord();
    r.OriFixedFileName = std::move(name);
    return r;
}

class RoundTripTest : public testing::TestWithParam<RoundTripRow> {};

TEST_P(RoundTripTest, SavedRecordLoadsUnchangedAndSavesTheSameBytes)
{
    TempFolder folder;
    const auto path = folder / "Convert.ini";
    ASSERT_TRUE(SaveConvertSettings(path, GetParam().record));
    const std::string saved = ReadBytes(path);
    EXPECT_EQ(saved, FormatConvertIni(GetParam().record));

    ConvertSettings loaded;
    ASSERT_TRUE(LoadConvertSettings(path, loaded));
    EXPECT_EQ(loaded, GetParam().record);

    ASSERT_TRUE(SaveConvertSettings(path, loaded));
    EXPECT_EQ(ReadBytes(path), saved);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RoundTripTest,
    testing::Values(RoundTripRow{"defaults", ConvertSettings{}},
                    RoundTripRow{"every_field_set", SampleRecord()},
                    // Fixed names that hold a key text once shadowed the key.
                    RoundTripRow{"name_holds_a_later_key", WithName("ConvFieldLen=1,2,3,")},
                    RoundTripRow{"name_holds_an_earlier_key", WithName("ConvertField=9")},
                    RoundTripRow{"name_with_lone_cr", WithName("a\rb")},
                    RoundTripRow{"name_with_zero_byte", WithName(std::string("a\0b", 3))}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LoadConvertSettingsTest, MissingFileLeavesTheRecordUntouched)
{
    TempFolder folder;
    ConvertSettings r = SampleRecord();
    EXPECT_FALSE(LoadConvertSettings(folder / "none.ini", r));
    EXPECT_EQ(r, SampleRecord());
}

TEST(SaveConvertSettingsTest, CreatesMissingFoldersAndLeavesNoTemporaryFile)
{
    TempFolder folder;
    const auto path = folder / "TELMARQ SOFTWARE" / "KVVidiRidoved" / "Convert.ini";
    ASSERT_TRUE(SaveConvertSettings(path, SampleRecord()));
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"TELMARQ SOFTWARE"});
    EXPECT_EQ(std::filesystem::directory_entry(path).is_regular_file(), true);
    std::vector<std::string> beside;
    for (const auto& e : std::filesystem::directory_iterator(path.parent_path()))
        beside.push_back(e.path().filename().string());
    EXPECT_EQ(beside, std::vector<std::string>{"Convert.ini"});
}

TEST(SaveConvertSettingsTest, FullDiskKeepsTheFormerFile)
{
    // Mended: the file used to be truncated first and then written, so a full disk
    // left a cut-off Convert.ini.
    TempFolder folder;
    const auto path = folder / "Convert.ini";
    ASSERT_TRUE(SaveConvertSettings(path, SampleRecord()));
    const std::string former = ReadBytes(path);

    bool saved = true;
    {
        const FileSizeLimit limit(64);
        saved = SaveConvertSettings(path, WithName(std::string(200, 'n')));
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadBytes(path), former);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"Convert.ini"});
}

TEST(SaveConvertSettingsTest, PathThatIsAFolderFailsAndLeavesNothingBehind)
{
    TempFolder folder;
    std::filesystem::create_directory(folder / "Convert.ini");
    EXPECT_FALSE(SaveConvertSettings(folder / "Convert.ini", SampleRecord()));
    EXPECT_TRUE(std::filesystem::is_directory(folder / "Convert.ini"));
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"Convert.ini"});
}

} // namespace
