#include "link/frame.h"

#include <gtest/gtest.h>

TEST(Frame, CommandFrameForRequestWithParameterSix)
{
    const auto f = BuildCommandFrame(kCommandRequest, 6);
    const std::array<std::uint8_t, 13> expected{0x1B, 0x02, 0x01, 0x00, 0x04, 0x06, 0x00,
                                                0x00, 0x00, 0x02, 0x1B, 0x45, 0x00};
    EXPECT_EQ(f, expected);
    std::uint32_t length = 0;
    EXPECT_EQ(ParseCommandFrame(f, &length), std::optional<std::uint8_t>(4));
    EXPECT_EQ(length, 6u);
}

TEST(Frame, AcknowledgementsThePcSendsUseTheSignedSum)
{
    // 0x1B + 0x02 + 0x08 + 0x00 + 0x02 + 0x1B = 0x42; a byte 0xFF counts as -1.
    const auto header = BuildHeaderAck(8, 0);
    EXPECT_EQ(header[6], 0x42);
    EXPECT_EQ(header[7], 0x00);
    const auto block = BuildBlockAck(0xFF, 1, true); // 2 - 1 + 1 + 2 = 4
    EXPECT_EQ(block[4], 0x04);
    EXPECT_EQ(block[5], 0x00);
    const auto terminalBlock = BuildBlockAck(0xFF, 1, false); // 2 + 255 + 1 + 2 = 260
    EXPECT_EQ(terminalBlock[4], 0x04);
    EXPECT_EQ(terminalBlock[5], 0x01);
    EXPECT_EQ(ParseBlockAckFromPc(block, 0xFF), std::optional<std::uint8_t>(1));
    EXPECT_FALSE(ParseBlockAckFromPc(terminalBlock, 0xFF));
}

struct AckRow {
    const char* name;
    std::array<std::uint8_t, 8> bytes;
    LinkStatus expected;
};

class CommandAck : public testing::TestWithParam<AckRow> {};

TEST_P(CommandAck, Checks)
{
    EXPECT_EQ(CheckCommandAck(GetParam().bytes), GetParam().expected);
}

std::array<std::uint8_t, 8> Damaged(std::array<std::uint8_t, 8> a, std::size_t at, std::uint8_t v)
{
    a[at] = v;
    return a;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CommandAck,
    testing::Values(
        AckRow{"go_ahead", BuildCommandAck(1, 0), LinkStatus::Ok},
        AckRow{"answer_code", BuildCommandAck(1, 7), AnswerCode(7)},
        AckRow{"accept_byte_0", BuildCommandAck(0, 0), LinkStatus::Refused},
        AckRow{"accept_0_wins_over_bad_sum", Damaged(BuildCommandAck(0, 0), 7, 9),
               LinkStatus::Refused},
        AckRow{"bad_first_marker", Damaged(BuildCommandAck(1, 0), 0, 0), LinkStatus::BadReply},
        AckRow{"bad_trailing_marker", Damaged(BuildCommandAck(1, 0), 5, 0), LinkStatus::BadReply},
        AckRow{"bad_checksum", Damaged(BuildCommandAck(1, 0), 6, 0), LinkStatus::BadReply}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Frame, BlockAckTagMustBeTheCommand)
{
    const auto ack = BuildBlockAck(8, 0, false);
    EXPECT_EQ(CheckBlockAck(ack, 8), LinkStatus::Ok);
    EXPECT_EQ(CheckBlockAck(ack, 4), LinkStatus::BadReply);
    EXPECT_EQ(CheckBlockAck(BuildBlockAck(8, 255, false), 8), AnswerCode(255));
}

TEST(Frame, DataBlocks)
{
    const Bytes data(1024, 0xAB);
    const Bytes full = BuildDataBlock(3, data);
    ASSERT_EQ(full.size(), 1032u);
    EXPECT_TRUE(CheckDataBlock(full, 3));
    EXPECT_FALSE(CheckDataBlock(full, 2)) << "out of sequence";
    Bytes damaged = full;
    damaged[500] ^= 1;
    EXPECT_FALSE(CheckDataBlock(damaged, 3));
    const Bytes empty = BuildDataBlock(0, {});
    ASSERT_EQ(empty.size(), 8u);
    EXPECT_TRUE(CheckDataBlock(empty, 0));
}

TEST(Frame, FileRecordOfThreeBytesUnderABTxt)
{
    const Bytes content{'x', 'y', 'z'};
    const Bytes r = BuildFileRecord(content, "20261208101112", 1, "AB.TXT");
    ASSERT_EQ(r.size(), 31u);
    EXPECT_EQ(GetU32(&r[0]), 3u);
    EXPECT_EQ(std::string(r.begin() + 4, r.begin() + 18), "20261208101112");
    EXPECT_EQ(r[18], 1);
    EXPECT_EQ(r[19], 0);
    EXPECT_EQ(r[20], 0x06);
    EXPECT_EQ(r[21], 0x00);
    EXPECT_EQ(std::string(r.begin() + 22, r.begin() + 28), "AB.TXT");
    EXPECT_EQ(r[28], 'x');
    const auto h = ParseFileRecordHeader(r);
    ASSERT_TRUE(h);
    EXPECT_EQ(h->nameLength, 6);
    EXPECT_EQ(h->fileLength, 3u);
}
