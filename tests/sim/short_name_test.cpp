// 8.3 names and terminal paths.
#include "sim/short_name.h"

#include <gtest/gtest.h>

namespace {

TEST(ShortName, StoredForms)
{
    struct Row {
        const char* name;
        const char* text;
        std::optional<std::string> stored;
    };
    const Row rows[] = {
        {"upper case kept", "ORDERS.TXT", "ORDERS.TXT"},
        {"lower case raised", "orders.txt", "ORDERS.TXT"},
        {"no extension", "README", "README"},
        {"empty extension drops the dot", "README.", "README"},
        {"eight and three", "ABCDEFGH.IJK", "ABCDEFGH.IJK"},
        {"special characters", "A_B-C~1.$$$", "A_B-C~1.$$$"},
        {"nine-character name", "ABCDEFGHI.TXT", std::nullopt},
        {"four-character extension", "A.TEXT", std::nullopt},
        {"two dots", "A.B.C", std::nullopt},
        {"empty", "", std::nullopt},
        {"only an extension", ".TXT", std::nullopt},
        {"space", "MY FILE.TXT", std::nullopt},
        {"plus sign", "A+B.TXT", std::nullopt},
        {"UTF-8 is no code-page name", "\xC5\xBB.TXT", std::nullopt},
        {"code-page letters raised", "z\xB3oty.\xB9\xE6\xEA", "Z\xA3OTY.\xA5\xC6\xCA"},
        {"code-page upper case kept", "\xA3\xAF\x8C\xD3\xDF.TXT", "\xA3\xAF\x8C\xD3\xDF.TXT"},
        {"code-page sign",
         "A\xD7"
         "B.TXT",
         std::nullopt},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ShortName(row.text), row.stored) << row.name;
}

TEST(ShortName, HostFileNames)
{
    struct Row {
        const char* name;
        const char* host;
        std::optional<std::string> terminal;
    };
    const Row rows[] = {
        {"Polish letters", "ZŁOTY.ŻÓŁ", "Z\xA3OTY.\xAF\xD3\xA3"},
        {"character outside the code page", "CAFÑ.TXT", std::nullopt},
        {"bytes that are not UTF-8", "Z\xA3OTY.TXT", std::nullopt},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(TerminalNameOfHost(row.host), row.terminal) << row.name;
        if (row.terminal) {
            EXPECT_EQ(HostFileName(*row.terminal), row.host) << row.name;
        }
    }
}

TEST(ShortName, Paths)
{
    struct Row {
        const char* name;
        const char* text;
        std::optional<std::string> parsed; // TerminalPath::Text()
    };
    const Row rows[] = {
        {"disk", "C:", "C:"},
        {"disk with backslash", "d:\\", "D:"},
        {"file", "c:\\data\\orders.txt", "C:\\DATA\\ORDERS.TXT"},
        {"folder with trailing backslash", "C:\\DATA\\", "C:\\DATA"},
        {"no disk", "DATA\\ORDERS.TXT", std::nullopt},
        {"no backslash after the disk", "C:DATA", std::nullopt},
        {"empty component", "C:\\DATA\\\\X.TXT", std::nullopt},
        {"two trailing backslashes", "C:\\DATA\\\\", std::nullopt},
        {"component not 8.3", "C:\\LONGFOLDER\\X.TXT", std::nullopt},
        {"forward slash", "C:/DATA", std::nullopt},
        {"digit for a disk", "1:\\X", std::nullopt},
    };
    for (const Row& row : rows) {
        const auto path = ParseTerminalPath(row.text);
        EXPECT_EQ(path ? std::optional(path->Text()) : std::nullopt, row.parsed) << row.name;
    }
}

} // namespace
