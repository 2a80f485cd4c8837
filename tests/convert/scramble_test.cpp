#include "convert/batch_file.h"
#include "convert/scramble.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::uint8_t> Bytes(const std::string& s)
{
    return {s.begin(), s.end()};
}

} // namespace

TEST(LooksScrambled, OnlyTheFirstHundredBytesCount)
{
    EXPECT_FALSE(LooksScrambled(Bytes("10 PRINT \"HI\"\r\n20 GOTO 10\r\n")));
    EXPECT_TRUE(LooksScrambled(Bytes("10 PRINT\t\"HI\"\r\n"))) << "a tab counts as scrambled";
    EXPECT_TRUE(LooksScrambled(Bytes(std::string(99, 'a') + "\x80")));
    EXPECT_FALSE(LooksScrambled(Bytes(std::string(100, 'a') + "\x80")))
        << "byte 101 is not looked at";
    EXPECT_FALSE(LooksScrambled({})) << "an empty file";
}

TEST(Unscramble, TakesOffWhatScrambleAdds)
{
    std::vector<std::uint8_t> bytes = Bytes("10 PRINT \"HELLO\"\r\n20 END\r\n");
    const std::vector<std::uint8_t> plain = bytes;
    const UnscrambleKey key{250, 1, 2, 3, 0x104, 5, 6, 7, 8, 9}; // 0x104: only 0x04 counts
    Scramble(bytes, key);
    EXPECT_EQ(bytes[0], static_cast<std::uint8_t>('1' + 250));
    EXPECT_EQ(bytes[4], static_cast<std::uint8_t>('R' + 4));
    Unscramble(bytes, key);
    EXPECT_EQ(bytes, plain);
}

TEST(UnscrambleKey, ParseAndFormat)
{
    const auto key = ParseUnscrambleKey("1, 2 3,0x10,5,6,7,8,9,4294967295");
    ASSERT_TRUE(key);
    EXPECT_EQ((*key)[3], 16u);
    EXPECT_EQ((*key)[9], 4294967295u);
    EXPECT_EQ(ParseUnscrambleKey(FormatUnscrambleKey(*key)), key);
    EXPECT_FALSE(ParseUnscrambleKey("1,2,3")) << "too few";
    EXPECT_FALSE(ParseUnscrambleKey("1,2,3,4,5,6,7,8,9,10,11")) << "too many";
    EXPECT_FALSE(ParseUnscrambleKey("1,2,3,4,5,6,7,8,9,x"));
    EXPECT_FALSE(ParseUnscrambleKey("1,2,3,4,5,6,7,8,9,4294967296")) << "over 32 bits";
}

TEST(BatchFile, RecordsOneAfterTheOther)
{
    static const char text[] = "D:\\PROGRAM\\A.BAS,3,a,\x00"
                               "C:\\DATA\\B.DAT,0,";
    const std::vector<std::uint8_t> bytes = Bytes(std::string(text, sizeof text - 1));
    const BatchContents batch = ParseBatchFile(bytes);
    EXPECT_TRUE(batch.complete);
    ASSERT_EQ(batch.records.size(), 2u);
    EXPECT_EQ(batch.records[0].terminalPath, "D:\\PROGRAM\\A.BAS");
    EXPECT_EQ(std::string(batch.records[0].data.begin(), batch.records[0].data.end()),
              std::string("a,\0", 3))
        << "data may hold any byte, separators included";
    EXPECT_EQ(batch.records[1].terminalPath, "C:\\DATA\\B.DAT");
    EXPECT_TRUE(batch.records[1].data.empty());
}

TEST(BatchFile, DamagedRecordsStopTheReading)
{
    const std::pair<const char*, std::string> rows[] = {
        {"size past the end", "A.TXT,2,ab"
                              "B.TXT,9,abc"},
        {"no separator after the size", "A.TXT,2,ab"
                                        "B.TXT,3"},
        {"no separator at all", "A.TXT,2,ab"
                                "B.TXT"},
        {"size not a number", "A.TXT,2,ab"
                              "B.TXT,x3,abc"},
        {"negative size", "A.TXT,2,ab"
                          "B.TXT,-1,abc"},
    };
    for (const auto& [name, text] : rows) {
        const BatchContents batch = ParseBatchFile(Bytes(text));
        EXPECT_FALSE(batch.complete) << name;
        ASSERT_EQ(batch.records.size(), 1u) << name;
        EXPECT_EQ(batch.records[0].terminalPath, "A.TXT") << name;
    }
}
