#include "convert/record_conversion.h"

#include "tests/convert/file_size_limit.h"
#include "tests/convert/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

ConvertSettings Delimited(char from, char to, std::uint32_t fields)
{
    ConvertSettings s;
    s.OriSeparator = static_cast<std::uint8_t>(from);
    s.ConvSeparator = static_cast<std::uint8_t>(to);
    s.ConvertField = fields;
    return s;
}

ConvertSettings DelimitedToFixedWidths(char from, std::uint32_t fields,
                                       std::vector<std::int32_t> widths)
{
    ConvertSettings s = Delimited(from, 0, fields);
    s.ConvFieldLen = std::move(widths);
    return s;
}

ConvertSettings FixedToDelimitedWidths(std::vector<std::int32_t> widths, char to,
                                       std::uint32_t fields)
{
    ConvertSettings s = Delimited(0, to, fields);
    s.OriFieldLen = std::move(widths);
    return s;
}

ConvertSettings FixedToFixedWidths(std::vector<std::int32_t> from, std::uint32_t fields,
                                   std::vector<std::int32_t> to)
{
    ConvertSettings s = Delimited(0, 0, fields);
    s.OriFieldLen = std::move(from);
    s.ConvFieldLen = std::move(to);
    return s;
}

std::string Convert(std::string_view data, const ConvertSettings& s)
{
    return ConvertRecords(data, s).value_or("<out of memory>");
}

// One record in, one line out.
struct RecordRow {
    const char* name;
    ConvertSettings settings;
    std::string record;
    std::string line;
};

class RecordTest : public testing::TestWithParam<RecordRow> {};

TEST_P(RecordTest, ConvertsTheRecord)
{
    EXPECT_EQ(Convert(GetParam().record + "\r\n", GetParam().settings), GetParam().line + "\r\n");
}

TEST_P(RecordTest, ConvertsTheRecordAtAnyOffset)
{
    // Copies one after another start at different offsets within a word; the last
    // one ends with LF alone.
    std::string data, lines;
    for (int i = 0; i < 9; ++i) {
        data += GetParam().record + "\r\n";
        lines += GetParam().line + "\r\n";
    }
    EXPECT_EQ(Convert(data + GetParam().record + "\n", GetParam().settings),
              lines + GetParam().line + "\r\n");
}

const auto kRowName = [](const auto& info) { return std::string(info.param.name); };

INSTANTIATE_TEST_SUITE_P(
    DelimitedToDelimited, RecordTest,
    testing::Values(RecordRow{"fourth_field_dropped", Delimited(',', ';', 3), "a,b,c,d", "a;b;c"},
                    RecordRow{"missing_fields_empty", Delimited(',', ';', 3), "a", "a;;"},
                    RecordRow{"empty_record", Delimited(',', ';', 3), "", ";;"},
                    RecordRow{"trailing_separator", Delimited(',', ';', 3), "a,b,", "a;b;"},
                    RecordRow{"separators_only", Delimited(',', ';', 3), ",,,,", ";;"},
                    RecordRow{"fields_across_words", Delimited(',', ';', 3),
                              "alpha,beta-gamma,delta,epsilon", "alpha;beta-gamma;delta"},
                    // '-' is ',' with its lowest bit flipped: no false separator after a real one.
                    RecordRow{"byte_next_to_separator_code", Delimited(',', ';', 9), ",-,-,-,-,-",
                              ";-;-;-;-;-;;;"},
                    RecordRow{"same_separator_both_sides", Delimited(',', ',', 2), "a,b,c", "a,b"},
                    RecordRow{"high_separator_code", Delimited('\xb6', '\xfe', 2),
                              "ab\xb6"
                              "cd\xb6"
                              "ef",
                              "ab\xfe"
                              "cd"},
                    RecordRow{"one_field", Delimited(',', ';', 1), "first,second", "first"},
                    RecordRow{"no_fields", Delimited(',', ';', 0), "a,b", ""},
                    RecordRow{"cr_as_source_separator", Delimited('\r', ';', 3), "a\rb", "a;b;"},
                    RecordRow{"many_fields", Delimited(',', ';', 5000), "a,b",
                              "a;b" + std::string(4998, ';')}),
    kRowName);

INSTANTIATE_TEST_SUITE_P(
    DelimitedToFixed, RecordTest,
    testing::Values(
        RecordRow{"field_cut_and_padded", DelimitedToFixedWidths(',', 2, {3, 2}), "abcd,x",
                  "abcx "},
        RecordRow{"missing_field_all_spaces", DelimitedToFixedWidths(',', 2, {3, 2}), "a", "a    "},
        RecordRow{"width_beyond_list_is_zero", DelimitedToFixedWidths(',', 3, {3, 2}), "a,b,c",
                  "a  b "},
        RecordRow{"negative_width_is_zero", DelimitedToFixedWidths(',', 2, {-4, 2}), "a,b", "b "}),
    kRowName);

INSTANTIATE_TEST_SUITE_P(
    FixedToDelimited, RecordTest,
    testing::Values(RecordRow{"trailing_spaces_trimmed", FixedToDelimitedWidths({4, 3}, ',', 3),
                              "ab  xy ", "ab,xy,"},
                    RecordRow{"first_field_past_record_end", FixedToDelimitedWidths({4, 3}, ',', 3),
                              "ab", "ab,,"},
                    RecordRow{"second_field_cut_at_record_end",
                              FixedToDelimitedWidths({4, 3}, ',', 3), "a   b", "a,b,"},
                    RecordRow{"spaces_only_field_empty", FixedToDelimitedWidths({4, 3}, ',', 3),
                              "    xyz", ",xyz,"},
                    RecordRow{"leading_spaces_kept", FixedToDelimitedWidths({4, 3}, ',', 2),
                              " a   b ", " a, b"},
                    RecordRow{"cut_field_keeps_trailing_spaces",
                              FixedToDelimitedWidths({2, 6}, ',', 2), "abc  ", "ab,c  "},
                    RecordRow{"bytes_beyond_widths_dropped", FixedToDelimitedWidths({1, 1}, ';', 2),
                              "abcd", "a;b"}),
    kRowName);

INSTANTIATE_TEST_SUITE_P(
    FixedToFixed, RecordTest,
    testing::Values(
        RecordRow{"cut_and_padded", FixedToFixedWidths({4, 3}, 2, {2, 5}), "abcdxyz", "abxyz  "},
        RecordRow{"record_used_up", FixedToFixedWidths({4, 3}, 2, {2, 5}), "abc", "ab     "},
        RecordRow{"one_byte_record", FixedToFixedWidths({4, 3}, 2, {2, 5}), "a", "a      "},
        RecordRow{"no_trimming", FixedToFixedWidths({3, 3}, 2, {3, 3}), "a  b  ", "a  b  "},
        RecordRow{"no_source_width_gives_spaces", FixedToFixedWidths({2}, 2, {2, 3}), "abcd",
                  "ab   "}),
    kRowName);

// How data splits into records, whatever the mode; in memory and through a file.
struct DataRow {
    const char* name;
    std::string data;
    std::string converted; // empty: no record
};

class RecordSplitTest : public testing::TestWithParam<DataRow> {};

TEST_P(RecordSplitTest, ConvertsEveryRecord)
{
    const ConvertSettings settings = Delimited(',', ';', 2);
    EXPECT_EQ(Convert(GetParam().data, settings), GetParam().converted);

    TempFolder folder;
    WriteBytes(folder / "data.txt", GetParam().data);
    ConvertError error = ConvertError::OutOfMemory;
    const auto copy = ConvertFile(folder / "data.txt", settings, {}, &error);
    if (GetParam().converted.empty() && !GetParam().data.empty()) {
        EXPECT_TRUE(copy.empty());
        EXPECT_EQ(error, ConvertError::NoRecord);
        EXPECT_FALSE(std::filesystem::exists(folder / "VidiRidoved.tmp"));
    } else {
        EXPECT_EQ(error, ConvertError::None);
        EXPECT_EQ(ReadBytes(copy), GetParam().converted);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RecordSplitTest,
    testing::Values(DataRow{"lf_only", "a,b,c\nd\n", "a;b\r\nd;\r\n"},
                    DataRow{"cr_lf", "a,b,c\r\nd\r\n", "a;b\r\nd;\r\n"},
                    DataRow{"mixed", "a\r\nb\nc\r\n", "a;\r\nb;\r\nc;\r\n"},
                    DataRow{"last_line_without_end", "a,b\nc,d", "a;b\r\nc;d\r\n"},
                    DataRow{"no_line_end_at_all", "a,b,c", "a;b\r\n"},
                    DataRow{"cr_at_end_of_file", "a\r\nb,c\r", "a;\r\nb;c\r\n"},
                    DataRow{"empty_lines_are_records", "\r\n\n\r\n", ";\r\n;\r\n;\r\n"},
                    DataRow{"lone_cr_is_data", "a\rb,c\r\n", "a\rb;c\r\n"},
                    DataRow{"cr_before_cr_lf_is_data", "a\r\r\n", "a\r;\r\n"},
                    DataRow{"empty_source_empty_copy", "", ""},
                    DataRow{"lone_cr_no_record", "\r", ""},
                    // Mended: a zero byte used to end the data, silently losing the rest.
                    DataRow{"zero_byte_is_data", std::string("a\0,b\r\nc\r\n", 9),
                            std::string("a\0;b\r\nc;\r\n", 10)}),
    kRowName);

// The reading rule of DelimitedToDelimited, field by field, as a reference for
// the word-at-a-time conversion.
std::string ReferenceDelimited(std::string_view data, char from, char to, std::uint32_t count)
{
    std::string out;
    while (!data.empty() && data != "\r") {
        std::size_t end = data.find('\n');
        const std::size_t next = end == std::string_view::npos ? data.size() : end + 1;
        end = std::min(end, data.size());
        if (end > 0 && data[end - 1] == '\r')
            --end;
        std::string_view rest = data.substr(0, end);
        bool left = !rest.empty();
        for (std::uint32_t i = 0; i < count; ++i) {
            if (i > 0)
                out += to;
            if (!left)
                continue;
            const std::size_t cut = rest.find(from);
            out += rest.substr(0, cut);
            rest = cut == std::string_view::npos ? std::string_view{} : rest.substr(cut + 1);
            left = cut != std::string_view::npos && !rest.empty();
        }
        out += "\r\n";
        data.remove_prefix(next);
    }
    return out;
}

TEST(DelimitedToDelimitedTest, MatchesTheFieldRuleOnRandomData)
{
    // Few distinct bytes, so that separators, CR, LF and their neighbours in code
    // meet at every position of a word.
    const std::string alphabet = std::string(",,,\r\r\n\n-+a", 10);
    std::mt19937 random(20240611);
    for (int round = 0; round < 300; ++round) {
        std::string data(random() % 200, ' ');
        for (char& c : data)
            c = alphabet[random() % alphabet.size()];
        const std::uint32_t count = 1 + random() % 6;
        ASSERT_EQ(Convert(data, Delimited(',', ';', count)),
                  ReferenceDelimited(data, ',', ';', count))
            << "round " << round;
    }
}

TEST(DelimitedToDelimitedTest, RecordLongerThanAnyBufferIsConvertedWhole)
{
    std::string record;
    for (int i = 0; i < 200000; ++i)
        record += "field" + std::to_string(i) + ",";
    const std::string data = record + "\r\n" + "x,y\r\n";
    EXPECT_EQ(Convert(data, Delimited(',', ';', 3)), "field0;field1;field2\r\nx;y;\r\n");
    EXPECT_EQ(Convert(data, Delimited(',', ';', 4096)), ReferenceDelimited(data, ',', ';', 4096));
}

// Files.
class ConvertFileTest : public testing::Test {
protected:
    std::filesystem::path Source(std::string_view bytes, std::string_view name = "data.txt")
    {
        const auto path = folder / name;
        WriteBytes(path, bytes);
        return path;
    }

    TempFolder folder;
    const ConvertSettings settings = Delimited(',', ';', 2);
};

TEST_F(ConvertFileTest, WritesTheCopyBesideTheSource)
{
    ConvertError error = ConvertError::OutOfMemory;
    const auto converted = ConvertFile(Source("a,b,c\r\n"), settings, {}, &error);
    EXPECT_EQ(converted, folder / "VidiRidoved.tmp");
    EXPECT_EQ(error, ConvertError::None);
    EXPECT_EQ(ReadBytes(converted), "a;b\r\n");
}

TEST_F(ConvertFileTest, RelativeSourceGivesAnAbsoluteCopy)
{
    Source("a\r\n");
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path());
    const auto converted = ConvertFile("data.txt", settings);
    std::filesystem::current_path(previous);
    EXPECT_TRUE(converted.is_absolute());
    EXPECT_TRUE(std::filesystem::equivalent(converted, folder / "VidiRidoved.tmp"));
}

TEST_F(ConvertFileTest, SecondConversionOverwritesTheFirst)
{
    ConvertFile(Source("long,record,here\r\nmore\r\n"), settings);
    const auto converted = ConvertFile(Source("x\r\n", "other.txt"), settings);
    EXPECT_EQ(ReadBytes(converted), "x;\r\n");
}

TEST_F(ConvertFileTest, GivenOutputPathIsUsed)
{
    const auto output = folder / "private" / "KV1.tmp";
    std::filesystem::create_directory(output.parent_path());
    EXPECT_EQ(ConvertFile(Source("a,b\r\n"), settings, output), output);
    EXPECT_EQ(ReadBytes(output), "a;b\r\n");
    EXPECT_FALSE(std::filesystem::exists(folder / "VidiRidoved.tmp"));
}

TEST_F(ConvertFileTest, SourceWithoutARecordConvertedInPlaceIsKept)
{
    const auto source = Source("\r", "VidiRidoved.tmp");
    ConvertError error = ConvertError::None;
    EXPECT_TRUE(ConvertFile(source, settings, {}, &error).empty());
    EXPECT_EQ(error, ConvertError::NoRecord);
    EXPECT_EQ(ReadBytes(source), "\r");
}

TEST_F(ConvertFileTest, SourceNamedLikeTheCopyIsConvertedInPlace)
{
    const auto source = Source("a,b,c\r\nd\r\n", "VidiRidoved.tmp");
    EXPECT_EQ(ConvertFile(source, settings), source);
    EXPECT_EQ(ReadBytes(source), "a;b\r\nd;\r\n");
}

TEST_F(ConvertFileTest, LargeFileMatchesTheConversionInMemory)
{
    // Several read and write buffers' worth, records cut at every buffer edge.
    std::string data;
    for (int i = 0; data.size() < (std::size_t{5} << 20); ++i)
        data += std::to_string(i) + "," + std::string(i % 97, 'x') + ",tail," + "\r\n";
    data += "unfinished,record";
    for (const ConvertSettings& s :
         {Delimited(',', ';', 2), DelimitedToFixedWidths(',', 2, {4, 9}),
          FixedToDelimitedWidths({3, 5}, ';', 3), FixedToFixedWidths({3, 5}, 2, {2, 2})}) {
        const auto converted = ConvertFile(Source(data), s);
        ASSERT_FALSE(converted.empty());
        EXPECT_EQ(ReadBytes(converted), Convert(data, s));
    }
}

TEST_F(ConvertFileTest, UnreadableSourceLeavesTheCopyUntouched)
{
    WriteBytes(folder / "VidiRidoved.tmp", "former");
    ConvertError error = ConvertError::None;
    EXPECT_TRUE(ConvertFile(folder / "missing.txt", settings, {}, &error).empty());
    EXPECT_EQ(error, ConvertError::SourceUnreadable);
    EXPECT_EQ(ReadBytes(folder / "VidiRidoved.tmp"), "former");
}

TEST_F(ConvertFileTest, FolderAsSourceLeavesTheCopyUntouched)
{
    std::filesystem::create_directory(folder / "sub");
    WriteBytes(folder / "out.tmp", "former");
    ConvertError error = ConvertError::None;
    EXPECT_TRUE(ConvertFile(folder / "sub", settings, folder / "out.tmp", &error).empty());
    EXPECT_EQ(error, ConvertError::SourceUnreadable);
    EXPECT_EQ(ReadBytes(folder / "out.tmp"), "former");
}

TEST_F(ConvertFileTest, OutputThatCannotBeCreatedFails)
{
    ConvertError error = ConvertError::None;
    EXPECT_TRUE(ConvertFile(Source("a\r\n"), settings, folder / "no" / "such.tmp", &error).empty());
    EXPECT_EQ(error, ConvertError::OutputNotCreated);
}

TEST_F(ConvertFileTest, FullDeviceFails)
{
    // Mended: write errors were not checked, so a full disk passed a short copy on.
    ConvertError error = ConvertError::None;
    EXPECT_TRUE(ConvertFile(Source("a,b\r\n"), settings, "/dev/full", &error).empty());
    EXPECT_EQ(error, ConvertError::WriteFailed);
    EXPECT_TRUE(std::filesystem::exists("/dev/full"));
}

TEST_F(ConvertFileTest, WriteErrorPartWayRemovesTheShortCopy)
{
    std::string data;
    while (data.size() < (std::size_t{3} << 20))
        data += "0123456789,abcdefghij,klmnopqrst\r\n";
    const auto source = Source(data);
    for (const std::size_t limit : {std::size_t{4096}, std::size_t{1} << 20}) {
        std::filesystem::path converted;
        ConvertError error = ConvertError::None;
        {
            const FileSizeLimit full(limit);
            converted = ConvertFile(source, settings, {}, &error);
        }
        EXPECT_TRUE(converted.empty()) << limit;
        EXPECT_EQ(error, ConvertError::WriteFailed) << limit;
        EXPECT_FALSE(std::filesystem::exists(folder / "VidiRidoved.tmp")) << limit;
    }
}

} // namespace
