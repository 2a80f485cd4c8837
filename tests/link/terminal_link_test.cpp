// TerminalLink against a scripted terminal: commands, data phases both ways,
// failure counting, time-outs, cancel and busy.
#include "tests/support/link_layers.h"
#include "tests/support/scripted_peer.h"

#include "link/transfer_progress.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <future>
#include <numeric>

namespace {

Bytes Pattern(std::size_t n)
{
    Bytes b(n);
    std::iota(b.begin(), b.end(), 0);
    return b;
}

} // namespace

TEST(SendCommandFrame, StatusOfEachAcknowledgement)
{
    struct Row {
        const char* name;
        std::array<std::uint8_t, 8> ack;
        LinkStatus expected;
    };
    auto badSum = BuildCommandAck(1, 0);
    badSum[7] ^= 1;
    const Row rows[] = {
        {"go ahead", BuildCommandAck(1, 0), LinkStatus::Ok},
        {"accept byte 0", BuildCommandAck(0, 0), LinkStatus::Refused},
        {"answer code", BuildCommandAck(1, 9), AnswerCode(9)},
        {"bad checksum", badSum, LinkStatus::BadReply},
    };
    for (const Row& row : rows) {
        LinkRig rig;
        LinkLayers layers(*rig.link);
        Bytes frame;
        rig.Script([&] {
            frame = rig.peer->Read(kCommandFrameSize);
            // Split in two deliveries: the reader collects them.
            rig.peer->Write(std::span(row.ack).first(3));
            rig.peer->Write(std::span(row.ack).subspan(3));
        });
        EXPECT_EQ(layers.SendCommandFrame(kCommandDownload, 31), row.expected) << row.name;
        rig.Finish();
        const auto expectedFrame = BuildCommandFrame(kCommandDownload, 31);
        EXPECT_EQ(frame, Bytes(expectedFrame.begin(), expectedFrame.end())) << row.name;
    }
}

TEST(SendCommandFrame, SilentTerminalTimesOut)
{
    LinkRig rig;
    LinkLayers layers(*rig.link);
    EXPECT_EQ(layers.SendCommandFrame(kCommandRequest, 3), LinkStatus::NoReply);
}

TEST(SendCommand, MapsCommandAnswersTwoAndThree)
{
    for (auto [answer, expected] :
         {std::pair{2, LinkStatus::NotInInstallMode}, std::pair{3, LinkStatus::AppAreaTooSmall},
          std::pair{1, AnswerCode(1)}}) {
        LinkRig rig;
        LinkLayers layers(*rig.link);
        rig.Script([&] { rig.peer->AnswerCommand(1, static_cast<std::uint8_t>(answer)); });
        const Bytes data(10, 1);
        EXPECT_EQ(layers.SendCommand(kCommandInstallKv20, data.data(), 10, false), expected);
    }
}

TEST(SendCommand, BlockAnswer255IsTerminalFailure)
{
    LinkRig rig;
    LinkLayers layers(*rig.link);
    rig.Script([&] {
        rig.peer->AnswerCommand(1, 0);
        rig.peer->AnswerBlock(10, kCommandDownload, 255);
    });
    const Bytes data(10, 1);
    EXPECT_EQ(layers.SendCommand(kCommandDownload, data.data(), 10, false),
              LinkStatus::TerminalFailure);
}

TEST(SendCommand, AHeldLineSendsNothing)
{
    LinkRig rig;
    const LinkLayers holder(*rig.link);
    EXPECT_EQ(rig.link->DeleteTerminalFile("C:\\A.TXT"), LinkStatus::Busy);
    EXPECT_EQ(rig.peer->end->Pending(), 0u);
}

TEST(SendData, BlockSizesAtThe1024Edge)
{
    for (std::size_t length : {std::size_t{0}, std::size_t{1024}, std::size_t{1025}}) {
        LinkRig rig;
        LinkLayers layers(*rig.link);
        const Bytes data = Pattern(length);
        Bytes received;
        std::vector<std::size_t> sizes;
        rig.Script([&] {
            std::size_t left = length;
            std::uint32_t number = 0;
            do {
                const std::size_t n = std::min(left, kMaxBlockData);
                const Bytes block = rig.peer->AnswerBlock(n, kCommandDownload, 0);
                EXPECT_TRUE(CheckDataBlock(block, number++));
                sizes.push_back(block.size());
                received.insert(received.end(), block.begin() + 5, block.end() - 3);
                left -= n;
            } while (left > 0);
        });
        EXPECT_EQ(layers.SendData(kCommandDownload, data.data(), static_cast<std::uint32_t>(length),
                                  false),
                  LinkStatus::Ok);
        rig.Finish();
        EXPECT_EQ(received, data);
        const std::vector<std::size_t> expected = length == 0 ? std::vector<std::size_t>{8}
                                                  : length == 1024
                                                      ? std::vector<std::size_t>{1032}
                                                      : std::vector<std::size_t>{1032, 9};
        EXPECT_EQ(sizes, expected);
    }
}

TEST(SendData, FiveSilencesInARowEndIt)
{
    LinkRig rig;
    LinkLayers layers(*rig.link);
    const Bytes data(100, 7);
    EXPECT_EQ(layers.SendData(kCommandDownload, data.data(), 100, false),
              LinkStatus::TooManyFailures);
    EXPECT_EQ(rig.peer->end->Pending(), 5 * (100 + kBlockOverhead)) << "the same block, 5 times";
}

TEST(SendData, RecoversFromResendRequestsAndMalformedAcknowledgements)
{
    // Answer 1 makes the PC send the block again; after a malformed
    // acknowledgement the block comes again too (at once for a request, after
    // the reply time-out for a download, which first waits for a fresh one).
    for (std::uint8_t command : {kCommandDownload, kCommandRequest}) {
        LinkRig rig;
        LinkLayers layers(*rig.link);
        int blocksSeen = 0;
        rig.Script([&] {
            rig.peer->AnswerBlock(20, command, 1);
            ++blocksSeen;
            rig.peer->Read(20 + kBlockOverhead);
            ++blocksSeen;
            rig.peer->Write(BuildBlockAck(command ^ 0x40, 0, false)); // wrong tag
            rig.peer->AnswerBlock(20, command, 0);
            ++blocksSeen;
        });
        const Bytes data(20, 3);
        EXPECT_EQ(layers.SendData(command, data.data(), 20, false), LinkStatus::Ok);
        rig.Finish();
        EXPECT_EQ(blocksSeen, 3);
        EXPECT_EQ(rig.peer->end->Pending(), 0u) << "nothing more was sent";
    }
}

TEST(SendData, ATerminalThatAsksForEverythingAgainIsNotAnsweredForever)
{
    // Every reply delivers bytes, so the time-out count never grows; the
    // resends of one block are counted on their own. Answer 1 and malformed
    // acknowledgements alike, both directions of the data phase's commands.
    for (std::uint8_t command : {kCommandDownload, kCommandRequest}) {
        LinkRig rig;
        LinkLayers layers(*rig.link);
        std::atomic<bool> done{false};
        std::atomic<int> blocksSeen{0};
        rig.Script([&] {
            for (int i = 0; !done.load(); ++i) {
                if (rig.peer->Read(20 + kBlockOverhead, 50ms).empty())
                    continue;
                ++blocksSeen;
                auto ack = BuildBlockAck(command, 1, false);
                if (i % 3 == 2)
                    ack[5] ^= 1;
                rig.peer->Write(ack);
            }
        });
        const Bytes data(20, 3);
        auto sending = std::async(std::launch::async,
                                  [&] { return layers.SendData(command, data.data(), 20, false); });
        if (sending.wait_for(30s) != std::future_status::ready)
            rig.link->cancel = 1;
        EXPECT_EQ(sending.get(), LinkStatus::TooManyFailures);
        done = true;
        rig.Finish();
        EXPECT_LE(blocksSeen.load(), kMaxResends + 1);
    }
}

TEST(SendData, OtherAnswersEndAtOnce)
{
    LinkRig rig;
    LinkLayers layers(*rig.link);
    rig.Script([&] { rig.peer->AnswerBlock(5, kCommandDownload, 4); });
    const Bytes data(5, 3);
    EXPECT_EQ(layers.SendData(kCommandDownload, data.data(), 5, false), AnswerCode(4));
}

TEST(SendData, CancelStopsAfterTheFirstReply)
{
    LinkRig rig;
    LinkLayers layers(*rig.link);
    rig.link->cancel = 1;
    rig.Script([&] { rig.peer->AnswerBlock(1024, kCommandDownload, 0); });
    const Bytes data(3000, 3);
    EXPECT_EQ(layers.SendData(kCommandDownload, data.data(), 3000, false), LinkStatus::Cancelled);
    rig.Finish();
    EXPECT_EQ(rig.peer->end->Pending(), 0u) << "no second block";
}

TEST(SendData, ReportsProgressForDownloads)
{
    LinkRig rig;
    LinkLayers layers(*rig.link);
    TransferProgress progress;
    rig.link->progress = &progress;
    rig.Script([&] {
        rig.peer->AnswerBlock(1024, kCommandDownload, 0);
        rig.peer->AnswerBlock(476, kCommandDownload, 0);
    });
    const Bytes data(1500, 3);
    EXPECT_EQ(layers.SendData(kCommandDownload, data.data(), 1500, true), LinkStatus::Ok);
    EXPECT_EQ(progress.bytesDone.load(), 1500u);
    rig.link->progress = nullptr;
}

TEST(ReceiveData, TakesA1025BytePhaseInTwoBlocks)
{
    LinkRig rig;
    LinkLayers layers(*rig.link);
    TransferProgress progress;
    rig.link->progress = &progress;
    const Bytes data = Pattern(1025);
    bool delivered = false;
    rig.Script([&] { delivered = rig.peer->SendPhase(data); });
    EXPECT_EQ(layers.ReceiveData(true, false), LinkStatus::Ok);
    rig.Finish();
    EXPECT_TRUE(delivered);
    EXPECT_EQ(layers.received, data);
    EXPECT_EQ(progress.byteTotal.load(), 1025u);
    EXPECT_EQ(progress.bytesDone.load(), 1025u);
    rig.link->progress = nullptr;
}

TEST(ReceiveData, EmptyPhaseWithAndWithoutAllowEmpty)
{
    {
        LinkRig rig;
        LinkLayers layers(*rig.link);
        rig.Script([&] {
            rig.peer->Write(BuildDataHeader(1, kDataTypeMemory, 0));
            EXPECT_EQ(ParseHeaderAck(rig.peer->Read(kAckSize)), std::optional<std::uint8_t>(0));
        });
        EXPECT_EQ(layers.ReceiveData(false, true), LinkStatus::Ok);
        rig.Finish();
        EXPECT_EQ(rig.peer->end->Pending(), 0u);
    }
    {
        LinkRig rig;
        LinkLayers layers(*rig.link);
        bool delivered = false;
        rig.Script([&] { delivered = rig.peer->SendPhase({}); }); // header and one empty block
        EXPECT_EQ(layers.ReceiveData(false, false), LinkStatus::Ok);
        rig.Finish();
        EXPECT_TRUE(delivered);
    }
}

TEST(ReceiveData, BadHeaders)
{
    struct Row {
        const char* name;
        std::array<std::uint8_t, kDataHeaderSize> header;
        LinkStatus expected;
        std::uint8_t ackType, ackAnswer;
    };
    auto broken = BuildDataHeader(1, kDataTypeMemory, 5);
    broken[12] ^= 1;
    const Row rows[] = {
        // A refused header is answered with 1 - 1 = 0.
        {"accept byte 0", BuildDataHeader(0, kDataTypeMemory, 5), LinkStatus::Refused, 1, 0},
        {"bad checksum", broken, LinkStatus::BadReply, 0, 1},
        {"announces 4 GiB", BuildDataHeader(1, kDataTypeMemory, 0xFFFFFFFF), LinkStatus::BadReply,
         kDataTypeMemory, 1},
    };
    for (const Row& row : rows) {
        LinkRig rig;
        LinkLayers layers(*rig.link);
        Bytes ack;
        rig.Script([&] {
            rig.peer->Write(row.header);
            ack = rig.peer->Read(kAckSize);
        });
        EXPECT_EQ(layers.ReceiveData(false, false), row.expected) << row.name;
        rig.Finish();
        const auto expectedAck = BuildHeaderAck(row.ackType, row.ackAnswer);
        EXPECT_EQ(ack, Bytes(expectedAck.begin(), expectedAck.end())) << row.name;
        EXPECT_LT(layers.received.capacity(), 1u << 21) << row.name;
    }
}

TEST(ReceiveData, DataOfAnotherTypeIsRefusedAtItsHeader)
{
    for (auto [type, expected] : {std::pair{std::uint8_t{5}, LinkStatus::BadDataType},
                                  std::pair{kDataTypeFile, LinkStatus::UnexpectedData}}) {
        LinkRig rig;
        LinkLayers layers(*rig.link);
        Bytes ack;
        rig.Script([&] {
            rig.peer->Write(BuildDataHeader(1, type, 3));
            ack = rig.peer->Read(kAckSize);
        });
        EXPECT_EQ(layers.ReceiveData(false, false), expected);
        rig.Finish();
        EXPECT_EQ(ParseHeaderAck(ack), std::optional<std::uint8_t>(1));
    }
}

TEST(ReceiveData, NoHeaderIsNoReply)
{
    LinkRig rig;
    LinkLayers layers(*rig.link);
    EXPECT_EQ(layers.ReceiveData(false, false), LinkStatus::NoReply);
}

TEST(ReceiveData, FailuresResetOnlyWhenABlockIsStored)
{
    // Four bad blocks, then a good one: taken. Five bad blocks: 3008.
    for (int bad : {4, 5}) {
        LinkRig rig;
        LinkLayers layers(*rig.link);
        const Bytes data{9, 8, 7};
        int resendRequests = 0;
        rig.Script([&] {
            rig.peer->Write(BuildDataHeader(1, kDataTypeMemory, 3));
            rig.peer->Read(kAckSize);
            for (int i = 0; i < bad; ++i) {
                Bytes block = BuildDataBlock(0, data);
                block[6] ^= 0xFF;
                rig.peer->Write(block);
                if (ParseBlockAckFromPc(rig.peer->Read(kBlockAckSize), kDataTypeMemory) ==
                    std::optional<std::uint8_t>(1))
                    ++resendRequests;
            }
            if (bad == 4)
                rig.peer->Write(BuildDataBlock(0, data));
        });
        const LinkStatus r = layers.ReceiveData(false, false);
        rig.Finish();
        EXPECT_EQ(r, bad == 4 ? LinkStatus::Ok : LinkStatus::TooManyFailures);
        EXPECT_EQ(resendRequests, bad);
    }
}

TEST(ReceiveData, ABlockStoredAlreadyIsAcknowledgedAgain)
{
    // Our acknowledgement of block 0 is lost: the terminal sends block 0 again
    // while we wait for the short last block. Asking for it again would make
    // both sides repeat it until the phase fails.
    LinkRig rig;
    LinkLayers layers(*rig.link);
    const Bytes data = Pattern(1025);
    std::vector<std::optional<std::uint8_t>> answers;
    rig.Script([&] {
        rig.peer->Write(BuildDataHeader(1, kDataTypeMemory, 1025));
        rig.peer->Read(kAckSize);
        const Bytes first = BuildDataBlock(0, std::span(data).first(1024));
        for (int i = 0; i < 2; ++i) {
            rig.peer->Write(first);
            answers.push_back(ParseBlockAckFromPc(rig.peer->Read(kBlockAckSize), kDataTypeMemory));
        }
        rig.peer->Write(BuildDataBlock(1, std::span(data).subspan(1024)));
        answers.push_back(ParseBlockAckFromPc(rig.peer->Read(kBlockAckSize), kDataTypeMemory));
    });
    EXPECT_EQ(layers.ReceiveData(false, false), LinkStatus::Ok);
    rig.Finish();
    EXPECT_EQ(layers.received, data);
    const std::optional<std::uint8_t> taken(0);
    EXPECT_EQ(answers, (std::vector{taken, taken, taken}));
}

TEST(ReceiveData, CancelRefusesTheHeader)
{
    LinkRig rig;
    LinkLayers layers(*rig.link);
    rig.link->cancel = 1;
    Bytes ack;
    rig.Script([&] {
        rig.peer->Write(BuildDataHeader(1, kDataTypeMemory, 3));
        ack = rig.peer->Read(kAckSize);
    });
    EXPECT_EQ(layers.ReceiveData(false, false), LinkStatus::Cancelled);
    rig.Finish();
    EXPECT_EQ(ParseHeaderAck(ack), std::optional<std::uint8_t>(1));
}

TEST(ReceiveData, LineGoneEndsAtOnce)
{
    LinkRig rig;
    LinkLayers layers(*rig.link);
    rig.Script([&] {
        rig.peer->Write(BuildDataHeader(1, kDataTypeMemory, 3000));
        rig.peer->Read(kAckSize);
        rig.peer->end->Close();
    });
    EXPECT_EQ(layers.ReceiveData(false, false), LinkStatus::LineGone);
}

TEST(ReadReply, NeverLosesBytesWhenMoreThanTheRingArrives)
{
    // 10,000 bytes arrive at once while the reader is slow: the ring (4096)
    // must hold back what does not fit instead of overwriting it.
    LinkRig rig;
    LinkLayers layers(*rig.link);
    const Bytes data = Pattern(10000);
    rig.peer->Write(data);
    Bytes got;
    std::array<std::uint8_t, 100> chunk{};
    while (got.size() < data.size()) {
        std::size_t n = 0;
        ASSERT_EQ(layers.ReadReply(chunk.data(), chunk.size(), &n, 1000ms), LinkStatus::Ok);
        got.insert(got.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(n));
    }
    EXPECT_EQ(got, data);
}

TEST(Requests, AnswersShorterThanTheOperationReadsAreBadReplies)
{
    // A terminal that answers with fewer bytes than the operation reads: never
    // stale bytes of an earlier answer.
    struct Row {
        const char* name;
        std::size_t answerSize;
        std::function<LinkStatus(TerminalLink&)> run;
    };
    const Row rows[] = {
        {"delete, 0 bytes", 0, [](TerminalLink& l) { return l.DeleteTerminalFile("C:\\A.TXT"); }},
        {"format, 0 bytes", 0, [](TerminalLink& l) { return l.FormatDisk("C:"); }},
        {"set time, 0 bytes", 0,
         [](TerminalLink& l) { return l.SetTerminalTime("20260101000000"); }},
        {"disk information, 7 bytes", 7,
         [](TerminalLink& l) {
             DiskFigures figures;
             return l.GetDiskInfo("C:", &figures);
         }},
        {"terminal information, 59 bytes", 59,
         [](TerminalLink& l) {
             TerminalInfo info;
             return l.GetTerminalInfo(&info);
         }},
    };
    for (const Row& row : rows) {
        LinkRig rig;
        rig.Script([&] {
            const Bytes frame = rig.peer->AnswerCommand(1, 0);
            rig.peer->AnswerBlock(GetU32(&frame[5]), kCommandRequest, 0);
            rig.peer->SendPhase(Bytes(row.answerSize, 0));
        });
        EXPECT_EQ(row.run(*rig.link), LinkStatus::BadReply) << row.name;
    }
}
