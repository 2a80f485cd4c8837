// The terminal tree's decisions without a window: the texts the terminal's names
// become, the children a listing gives (well-formed and malformed), and the
// look-ups of the properties.
#include "terminal/terminal_tree_rules.h"

#include "link/frame.h"
#include "terminal/transfer_jobs.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using Bytes8 = std::vector<std::uint8_t>;

// A 32-byte listing entry; name and extension are copied byte for byte, at most
// 8 and 3 of them.
Bytes8 Entry(std::string_view name, std::string_view ext, std::uint8_t kind, std::uint32_t size = 0,
             std::string_view time = "20240105102030")
{
    Bytes8 e(kListingEntrySize, 0);
    std::memcpy(e.data(), name.data(), std::min<std::size_t>(name.size(), 8));
    std::memcpy(e.data() + 8, ext.data(), std::min<std::size_t>(ext.size(), 3));
    e[11] = kind;
    std::memcpy(e.data() + 12, time.data(), std::min<std::size_t>(time.size(), 14));
    PutU32(e.data() + 26, size);
    return e;
}

Bytes8 Join(std::initializer_list<Bytes8> parts)
{
    Bytes8 all;
    for (const Bytes8& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

Bytes8 TextBytes(std::string_view text)
{
    return Bytes8(text.begin(), text.end());
}

std::vector<std::string> Texts(const std::vector<TreeChild>& children)
{
    std::vector<std::string> texts;
    for (const TreeChild& c : children)
        texts.push_back(c.text);
    return texts;
}

struct NameRow {
    const char* name;
    std::string raw;
    std::string shown;
};

} // namespace

TEST(TerminalTreeRules, NamesBecomeOnePlainPathComponent)
{
    const NameRow rows[] = {
        {"plain name", "ITEMS", "ITEMS"},
        {"empty name", "", "?"},
        {"parent folder", "..", "??"},
        {"folder itself", ".", "?"},
        {"dots and more", "..X", "..X"},
        {"forward slash", "A/B", "A?B"},
        {"backslash", "..\\ETC", "..?ETC"},
        {"control bytes", std::string("A\x01\tB", 4), "A??B"},
        {"NUL inside a line", std::string("C\0:", 3), "C?:"},
        {"Windows-1250 letters and DEL",
         "\xB3\x7F"
         "DZ",
         "\u0142?DZ"},
        {"byte without a character in the code page",
         "\x81"
         "A",
         "?A"},
    };
    for (const NameRow& row : rows)
        EXPECT_EQ(SafeName(row.raw), row.shown) << row.name;
    EXPECT_EQ(SafeName("\xB3", nullptr), "?") << "no code page: not shown";
    EXPECT_EQ(SafeExtension(""), "") << "an extension may be empty";
    EXPECT_EQ(SafeExtension("/\\."), "??.");
}

TEST(TerminalTreeRules, RequestsUseTheTerminalsOwnBytes)
{
    const NameRow rows[] = {
        {"plain name", "ITEMS", "ITEMS"},
        {"Windows-1250 letters, unchanged", "Z\xA3OTY", "Z\xA3OTY"},
        {"bytes no code page has", "\x81\xFF", "\x81\xFF"},
        // Names that are no single component ask for their shown ASCII form,
        // never for another folder.
        {"parent folder", "..", "??"},
        {"separator", "A\\B", "A?B"},
        {"control byte", "A\x01", "A?"},
        {"empty name", "", "?"},
    };
    for (const NameRow& row : rows)
        EXPECT_EQ(RequestName(row.raw), row.shown) << row.name;
    EXPECT_EQ(RequestExtension("\xA3"), "\xA3");
    EXPECT_EQ(RequestExtension("/"), "?");

    const Bytes8 data =
        Join({Entry("Z\xA3OTY", "TXT", kEntryFile), Entry("\xAF\xD3\xA3W", "", kEntryFolder)});
    const std::vector<TreeChild> children = ListingChildren(data, 2);
    ASSERT_EQ(children.size(), 2u);
    EXPECT_EQ(children[0].text, "Z\u0141OTY.TXT");
    EXPECT_EQ(children[0].request, "Z\xA3OTY.TXT");
    EXPECT_EQ(children[1].text, "\u017B\u00D3\u0141W");
    EXPECT_EQ(children[1].request, "\xAF\xD3\xA3W");
    // Properties find the entry by the bytes, ASCII letters in any case.
    const auto entries = BoundedEntries(data, 2);
    EXPECT_TRUE(FindFileEntry(entries, "z\xA3oty.txt"));
    EXPECT_FALSE(FindFileEntry(entries, children[0].text)) << "not by the decoded text";
    EXPECT_TRUE(FindFolderEntry(entries, "\xAF\xD3\xA3w"));
    // A PC name for a fetched file comes from the shown text, made safe.
    EXPECT_EQ(UploadTarget("/home/ann", "C:\\" + children[0].text),
              std::filesystem::path("/home/ann/Z\u0141OTY.TXT"));
}

TEST(TerminalTreeRules, TheCodePageFromTheSettings)
{
    EXPECT_EQ(CodePageNamed("Windows-1250")[0xA3 - 0x80], U'\u0141');
    EXPECT_EQ(CodePageNamed("windows-1250")[0xB9 - 0x80], U'\u0105');
    EXPECT_EQ(CodePageNamed("ISO-8859-1")[0xA3 - 0x80], U'\u00A3') << "one Qt knows";
    EXPECT_EQ(CodePageNamed("no such code page"), Windows1250());
    EXPECT_EQ(SafeName("\xA3", &Windows1250()), "\u0141");
}

TEST(TerminalTreeRules, ListingsAreBoundedByTheirData)
{
    // Counts that the data does not hold (the link counts from the data, but the
    // tree never relies on it).
    EXPECT_TRUE(RootChildren(TextBytes("C:D:"), 1).empty());
    EXPECT_EQ(Texts(RootChildren(TextBytes("C:\r\n"), 50)), std::vector<std::string>{"C:"});
    EXPECT_EQ(Texts(RootChildren(TextBytes("C:\r\nD:\r\n"), 1)), std::vector<std::string>{"C:"});
    EXPECT_EQ(Texts(RootChildren(TextBytes("\r\n"), 1)), std::vector<std::string>{"?"});

    Bytes8 ragged = Join({Entry("A", "TXT", kEntryFile), Entry("B", "TXT", kEntryFile)});
    ragged.resize(70, 0xFF);
    EXPECT_EQ(ListingChildren(ragged, 9).size(), 2u);
    EXPECT_TRUE(ListingChildren(ragged, -1).empty());
    EXPECT_TRUE(ListingChildren({}, 4).empty());

    Bytes8 many;
    for (std::size_t i = 0; i < kMaxListedItems + 10; ++i) {
        const Bytes8 e = Entry("F" + std::to_string(i), "", kEntryFile);
        many.insert(many.end(), e.begin(), e.end());
    }
    EXPECT_EQ(ListingChildren(many, static_cast<int>(kMaxListedItems + 10)).size(),
              kMaxListedItems);
    // Cut only when the data holds more than is shown.
    EXPECT_TRUE(ListingIsCut(many, static_cast<int>(kMaxListedItems + 10), false));
    EXPECT_FALSE(ListingIsCut(many, static_cast<int>(kMaxListedItems), false));
    EXPECT_FALSE(ListingIsCut(std::span(many).first(kMaxListedItems * kListingEntrySize),
                              static_cast<int>(kMaxListedItems + 10), false))
        << "a count the data does not hold";
    std::string disks;
    for (std::size_t i = 0; i <= kMaxListedItems; ++i)
        disks += "D" + std::to_string(i) + "\r\n";
    EXPECT_TRUE(ListingIsCut(TextBytes(disks), static_cast<int>(kMaxListedItems + 1), true));
    EXPECT_FALSE(ListingIsCut(TextBytes("C:\r\n"), static_cast<int>(kMaxListedItems + 1), true));
}

TEST(TerminalTreeRules, NoShownTextLeavesTheUploadFolder)
{
    const Bytes8 data = Join({Entry("..", "", kEntryFile), Entry("", "", kEntryFile),
                              Entry("../..", "/", kEntryFile), Entry("\\ETC", "\x01", kEntryFile),
                              Entry(".", "", kEntryFolder), Entry("..", "", kEntryFolder)});
    const std::filesystem::path folder = "/home/ann/received";
    for (const TreeChild& child : ListingChildren(data, 6)) {
        EXPECT_NE(child.text, ".");
        EXPECT_NE(child.text, "..");
        EXPECT_EQ(child.text.find_first_of("/\\"), std::string::npos) << child.text;
        // The upload job names its target from the item's path: inside the folder or none.
        const std::filesystem::path target = UploadTarget(folder, "C:\\DATA\\" + child.text);
        if (!target.empty()) {
            EXPECT_EQ(target.parent_path(), folder) << child.text;
        }
    }
}

TEST(TerminalTreeRules, PropertiesFindEntriesByTheTextShown)
{
    const std::vector<TerminalEntry> entries = {
        {kEntryFolder, "Data", "", "20240105102030", 0},
        {kEntryFile, "ITEMS", "", "20230102030405", 12},
        {kEntryFile, "A\x01", "TXT", "20230102030405", 7},
    };
    ASSERT_TRUE(FindFolderEntry(entries, "DATA"));
    EXPECT_EQ(FindFolderEntry(entries, "DATA")->time, "20240105102030") << "case ignored";
    ASSERT_TRUE(FindFileEntry(entries, "items."));
    EXPECT_EQ(FindFileEntry(entries, "items.")->size, 12u);
    EXPECT_FALSE(FindFileEntry(entries, "ITEMS")) << "the dot is part of the text";
    ASSERT_TRUE(FindFileEntry(entries, "A?.TXT"));
    EXPECT_EQ(FindFileEntry(entries, "A?.TXT")->size, 7u);
}

TEST(TerminalTreeRules, FolderSizesAndDates)
{
    EXPECT_EQ(FolderSize({}), 0);
    EXPECT_EQ(FolderSize({{kEntryFile, "A", "", "", 10}, {kEntryFolder, "B", "", "", 5}}), 15)
        << "files and sub-entries alike";
    EXPECT_EQ(FolderSize({{kEntryFile, "A", "", "", 0xFFFFFFFFu}, {kEntryFile, "B", "", "", 9}}),
              std::numeric_limits<std::int32_t>::max())
        << "held to what the dialog can show";
    EXPECT_EQ(DateText("20240105102030"), "2024/01/05 10:20:30");
    EXPECT_EQ(DateText("2024"), "2024") << "a short stamp is shown as sent";
    EXPECT_EQ(DateText("2024\x01\x02"), "2024??");
}
