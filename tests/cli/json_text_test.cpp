// kvctl's JSON strings: the decoded text, whatever bytes it came as.
#include "cli/json_text.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>

TEST(JsonString, CarriesEachCharacterAsItsCodePoint)
{
    // "DOCK-Ł" came out as "DOCK-\u00a3" (£): escaped byte by byte.
    struct Row {
        const char* name;
        std::string text, json, back; // back: what a JSON reader makes of it
    };
    const std::vector<Row> rows = {
        {"printable ASCII as it is", "C:\\DATA \"A\"", "\"C:\\\\DATA \\\"A\\\"\"",
         "C:\\DATA \"A\""},
        {"control characters escaped", "a\tb\x7F", "\"a\\u0009b\\u007f\"", "a\tb\x7F"},
        {"a Polish letter by its code point", "DOCK-\u0141", "\"DOCK-\\u0141\"", "DOCK-\u0141"},
        {"past U+FFFF as a pair", "\U0001F600", "\"\\ud83d\\ude00\"", "\U0001F600"},
        {"a byte that is no UTF-8", "Z\xA3OTY", "\"Z\\ufffdOTY\"", "Z\uFFFDOTY"},
        {"an overlong form and a cut one", "\xC0\x80\xC5", "\"\\ufffd\\ufffd\\ufffd\"",
         "\uFFFD\uFFFD\uFFFD"},
        {"an encoded surrogate", "\xED\xA0\x80", "\"\\ufffd\\ufffd\\ufffd\"", "\uFFFD\uFFFD\uFFFD"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(JsonString(row.text), row.json) << row.name;
        const QJsonDocument parsed =
            QJsonDocument::fromJson(QByteArray::fromStdString("[" + JsonString(row.text) + "]"));
        EXPECT_EQ(parsed.array().at(0).toString().toStdString(), row.back) << row.name;
    }
}
