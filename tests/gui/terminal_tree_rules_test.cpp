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
        {"bytes above 0x7E",
         "\xB3\x7F"
         "DZ",
         "??DZ"},
    };
    for (const NameRow& row : rows)
        EXPECT_EQ(SafeName(row.raw), row.shown) << row.name;
    EXPECT_EQ(SafeExtension(""), "") << "an extension may be empty";
    EXPECT_EQ(SafeExtension("/\\."), "??.");
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
