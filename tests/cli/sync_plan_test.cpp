// The sync plan: what is sent, kept, deleted and skipped, from two listings.
#include "cli/sync_plan.h"

#include <gtest/gtest.h>

namespace {

TerminalEntry File(std::string name, std::string ext, std::uint32_t size, std::string time)
{
    return TerminalEntry{kEntryFile, std::move(name), std::move(ext), std::move(time), size};
}

std::string Show(const std::vector<SyncStep>& steps)
{
    static const char* kWords[] = {"send", "keep", "delete", "skip"};
    std::string text;
    for (const SyncStep& s : steps)
        text +=
            std::string(kWords[static_cast<int>(s.action)]) + " " + s.name + " " + s.reason + "\n";
    return text;
}

constexpr const char* kT1 = "20261201080000";
constexpr const char* kT2 = "20261202080000";

} // namespace

TEST(SyncPlan, SendsWhatDiffersKeepsWhatMatchesDeletesOnlyWhenAsked)
{
    const std::vector<LocalFile> local = {
        {"items.txt", 10, kT1},  // same as on the terminal, by another case
        {"PRICES.TXT", 11, kT1}, // size differs
        {"STOCK.TXT", 12, kT2},  // time differs
        {"NEW.DAT", 5, kT1},     // not on the terminal
        {"README", 3, kT1},      // shown by the terminal as "README."
    };
    const std::vector<TerminalEntry> remote = {
        File("ITEMS", "TXT", 10, kT1), File("PRICES", "TXT", 99, kT1),
        File("STOCK", "TXT", 12, kT1), File("README", "", 3, kT1),
        File("OLD", "TXT", 1, kT1),    TerminalEntry{kEntryFolder, "SUB", "", kT1, 0},
    };
    EXPECT_EQ(Show(PlanSync(local, remote, {})), "send NEW.DAT new\n"
                                                 "send PRICES.TXT size\n"
                                                 "keep README same\n"
                                                 "send STOCK.TXT time\n"
                                                 "keep ITEMS.TXT same\n");
    // The folder SUB is never deleted; only the extra file is.
    EXPECT_EQ(Show(PlanSync(local, remote, {.deleteExtra = true})),
              "send NEW.DAT new\nsend PRICES.TXT size\nkeep README same\nsend STOCK.TXT time\n"
              "keep ITEMS.TXT same\ndelete OLD.TXT extra\n");
    // Converted files differ in size by nature: only the time counts.
    EXPECT_EQ(Show(PlanSync({{"PRICES.TXT", 11, kT1}}, remote, {.compareSize = false})),
              "keep PRICES.TXT same\n");
}

TEST(SyncPlan, NamesTheTerminalCannotHoldAreSkippedNotShortened)
{
    const std::vector<LocalFile> local = {
        {"a.txt", 1, kT1},     {"A.TXT", 1, kT1},         {"longername.txt", 1, kT1},
        {"data.json", 1, kT1}, {"has space.txt", 1, kT1}, {"sub", 0, "", false},
        {"OK.TXT", 1, kT1},
    };
    // A.TXT stays on the terminal under --delete: the PC folder has it, twice.
    const std::vector<TerminalEntry> remote = {File("A", "TXT", 1, kT1),
                                               File("LONGERNA", "TXT", 1, kT1)};
    EXPECT_EQ(Show(PlanSync(local, remote, {.deleteExtra = true})),
              "skip A.TXT two files would be A.TXT\n"
              "send OK.TXT new\n"
              "skip a.txt two files would be A.TXT\n"
              "skip data.json not an 8.3 name\n"
              "skip has space.txt not an 8.3 name\n"
              "skip longername.txt not an 8.3 name\n"
              "skip sub not a file\n"
              "delete LONGERNA.TXT extra\n");
}

TEST(SyncPlan, PcNamesMeetTerminalNamesInTheTerminalsCodePage)
{
    // ZŁOTY.TXT on both sides was a PC name "not 8.3" and a terminal file to delete.
    // Windows-1250: Ł 0xA3, ł 0xB3, Ź 0x8F; "✓" has no byte there.
    struct Row {
        const char* name;
        std::string pc;
        std::vector<TerminalEntry> terminal;
        std::string steps;
    };
    const std::vector<Row> rows = {
        {"a PC name in UTF-8 is the terminal's bytes",
         "Z\u0141OTY.TXT",
         {File("Z\xA3OTY", "TXT", 1, kT1)},
         "keep Z\xA3OTY.TXT same\n"},
        {"lower case on the PC",
         "z\u0142oty.txt",
         {File("Z\xA3OTY", "TXT", 1, kT1)},
         "keep Z\xA3OTY.TXT same\n"},
        {"lower case on the terminal",
         "Z\u0141OTY.TXT",
         {File("Z\xB3OTY", "TXT", 1, kT1)},
         "keep Z\xA3OTY.TXT same\n"},
        {"eight letters of the code page are an 8.3 name",
         "\u0179D\u0179B\u0141OWY.TXT",
         {File("OLD", "TXT", 1, kT1)},
         "send \x8F"
         "D\x8F"
         "B\xA3OWY.TXT new\ndelete OLD.TXT extra\n"},
        {"a byte that is no UTF-8 keeps the file it may be",
         "Z\xA3OTY.TXT",
         {File("Z\xA3OTY", "TXT", 1, kT1)},
         "skip Z\xA3OTY.TXT a character the terminal's code page lacks\n"},
        {"a character the code page lacks keeps what it may stand for",
         "Z\u0141OT\u2713.TXT",
         {File("Z\xA3OTA", "TXT", 1, kT1), File("ZLOTA", "TXT", 1, kT1)},
         "skip Z\u0141OT\u2713.TXT a character the terminal's code page lacks\n"
         "delete ZLOTA.TXT extra\n"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(Show(PlanSync({{row.pc, 1, kT1}}, row.terminal, {.deleteExtra = true})),
                  row.steps)
            << row.name;
}
