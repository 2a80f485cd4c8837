// What the link promises whatever the terminal does: an answer of another kind
// is never taken for the answer, a retried download is vouched for by its bytes,
// a push is seen after any noise, and a pushed file is "taken" only once it is
// whole under its name.
#include "tests/support/push_rig.h"

#include "link/listing.h"

#include <gtest/gtest.h>

#include <functional>
#include <future>

namespace {

// Serves a request on the peer: its command, its one block, then the answer phase.
void AnswerRequest(ScriptedPeer& peer, std::span<const std::uint8_t> answer)
{
    const Bytes frame = peer.AnswerCommand(1, 0);
    ASSERT_EQ(frame.size(), kCommandFrameSize);
    peer.AnswerBlock(GetU32(&frame[5]), kCommandRequest, 0);
    peer.SendPhase(answer);
}

// Takes a download of record bytes block by block; returns the record.
Bytes TakeDownload(ScriptedPeer& peer)
{
    const Bytes frame = peer.AnswerCommand(1, 0);
    Bytes record;
    for (std::uint32_t left = frame.size() == kCommandFrameSize ? GetU32(&frame[5]) : 0;
         left > 0;) {
        const std::size_t n = std::min<std::size_t>(left, kMaxBlockData);
        const Bytes block = peer.AnswerBlock(n, kCommandDownload, 0);
        record.insert(record.end(), block.begin() + 5, block.end() - 3);
        left -= static_cast<std::uint32_t>(n);
    }
    return record;
}

// A listing entry of a file, as the terminal sends it.
Bytes FileEntry(const std::string& name, const std::string& ext, std::uint32_t size,
                const std::string& time14)
{
    Bytes e(kListingEntrySize, 0);
    std::copy(name.begin(), name.end(), e.begin());
    std::copy(ext.begin(), ext.end(), e.begin() + 8);
    e[11] = kEntryFile;
    std::copy(time14.begin(), time14.end(), e.begin() + 12);
    PutU32(&e[26], size);
    return e;
}

} // namespace

TEST(LinkContract, ScriptedTerminals)
{
    const std::string content(1500, 'n');
    const std::string older(1500, 'o'); // the terminal's file of the same size
    const std::string name = "C:\\DATA\\LATE.BIN";
    struct Row {
        const char* name;
        std::function<void(PushRig&)> peer;
        std::function<LinkStatus(PushRig&)> run;
        LinkStatus expected;
        std::size_t pushedFiles; // in the receive folder afterwards
    };
    const auto deleteFile = [](PushRig& r) {
        return r.link->DeleteTerminalFile("C:\\DATA\\B.TXT");
    };
    const auto download = [&](PushRig& r) {
        std::filesystem::create_directory(r.dir / "src");
        TestDir::WriteFile(r.dir / "src" / "late.bin", content);
        return r.link->DownloadFile(r.dir / "src" / "late.bin", name, 1, false, false);
    };
    // Block 0 acknowledged after the PC's time-out: the PC takes that answer for
    // the copy it sent, and the copy's answer for block 1.
    const auto lateAcknowledgement = [&](PushRig& r) {
        r.peer->AnswerCommand(1, 0);
        r.peer->Read(kMaxBlockSize);
        std::this_thread::sleep_for(kTestTimings.replyTimeout + 50ms);
        r.peer->Write(BuildBlockAck(kCommandDownload, 0, false));
        r.peer->Read(kMaxBlockSize);
        std::this_thread::sleep_for(20ms);
        r.peer->Write(BuildBlockAck(kCommandDownload, 0, false));
        r.peer->Read(kFileRecordHeaderSize + name.size() + content.size() - kMaxBlockData +
                     kBlockOverhead);
    };
    const auto push = [](PushRig& r, Bytes record, bool expectTaken) {
        EXPECT_EQ(r.peer->SendPhase(record, kDataTypeFile), expectTaken)
            << "what the terminal heard";
    };
    const Row rows[] = {
        {"a delete answered by a push",
         [](PushRig& r) {
             const Bytes frame = r.peer->AnswerCommand(1, 0);
             r.peer->AnswerBlock(GetU32(&frame[5]), kCommandRequest, 0);
             r.peer->Write(BuildDataHeader(1, kDataTypeFile, 40));
             EXPECT_EQ(ParseHeaderAck(r.peer->Read(kAckSize)), std::optional<std::uint8_t>(1));
         },
         deleteFile, LinkStatus::UnexpectedData, 0},
        {"a get answered by a push",
         [](PushRig& r) {
             const Bytes frame = r.peer->AnswerCommand(1, 0);
             r.peer->AnswerBlock(GetU32(&frame[5]), kCommandRequest, 0);
             EXPECT_FALSE(r.peer->SendPhase(Record("P.TXT", "pushed"), kDataTypeFile));
         },
         [](PushRig& r) {
             const LinkStatus s = r.link->UploadFile("C:\\DATA\\B.TXT", r.dir / "B.TXT", false);
             EXPECT_FALSE(std::filesystem::exists(r.dir / "B.TXT")) << "no target written";
             return s;
         },
         LinkStatus::UnexpectedData, 0},
        {"a late acknowledgement, the older file read back, sent again whole",
         [&](PushRig& r) {
             lateAcknowledgement(r);
             AnswerRequest(*r.peer, Bytes(older.begin(), older.end()));
             const Bytes again = TakeDownload(*r.peer);
             ASSERT_GT(again.size(), kFileRecordHeaderSize);
             EXPECT_EQ(again[18], 1) << "replaces the copy just made";
             EXPECT_EQ(std::string(again.end() - 1500, again.end()), content);
         },
         download, LinkStatus::Ok, 0},
        {"a late acknowledgement, the read-back lost, an older file of that size listed",
         [&](PushRig& r) {
             lateAcknowledgement(r);
             const Bytes frame = r.peer->AnswerCommand(1, 0); // the read-back: never answered
             r.peer->AnswerBlock(GetU32(&frame[5]), kCommandRequest, 0);
             AnswerRequest(*r.peer, FileEntry("LATE", "BIN", 1500, "20200101000000"));
             EXPECT_GT(TakeDownload(*r.peer).size(), content.size()) << "sent again whole";
         },
         download, LinkStatus::Ok, 0},
        {"a late acknowledgement, the file read back whole",
         [&](PushRig& r) {
             lateAcknowledgement(r);
             AnswerRequest(*r.peer, Bytes(content.begin(), content.end()));
             EXPECT_TRUE(r.peer->Read(1, 300ms).empty()) << "nothing sent again";
         },
         download, LinkStatus::Ok, 0},
        {"a push after 10 KB of noise",
         [&](PushRig& r) {
             r.peer->Write(Bytes(10000, 0x55));
             std::this_thread::sleep_for(50ms);
             push(r, Record("AFTER.TXT", "seen"), true);
         },
         nullptr, LinkStatus::Ok, 1},
        {"a push while a job's Cancel is left set",
         [&](PushRig& r) {
             r.link->cancel = 1;
             push(r, Record("KEPT.TXT", "pushes have their own cancel"), true);
         },
         nullptr, LinkStatus::Ok, 1},
        {"a record whose length says 5000 but holds 12 bytes",
         [&](PushRig& r) {
             Bytes record = Record("SHORT.TXT", "twelve bytes");
             PutU32(&record[0], 5000);
             push(r, record, false);
         },
         nullptr, LinkStatus::BadRecord, 0},
        {"a name longer than the data",
         [&](PushRig& r) {
             Bytes record = Record("A.TXT", "abc");
             PutU16(&record[20], 500);
             push(r, record, false);
         },
         nullptr, LinkStatus::BadRecord, 0},
        {"a receive folder that cannot be written",
         [&](PushRig& r) {
             TestDir::WriteFile(r.dir / "file", "x");
             r.link->SetReceiveFolder(r.dir / "file" / "in");
             push(r, Record("LOST.TXT", "never acknowledged"), false);
         },
         nullptr, LinkStatus::FileError, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        PushRig rig;
        rig.Script([&] { row.peer(rig); });
        if (row.run) {
            EXPECT_EQ(row.run(rig), row.expected);
        } else {
            ASSERT_TRUE(rig.recorder.WaitForOutcome());
            EXPECT_EQ(rig.recorder.failed.empty() ? LinkStatus::Ok : rig.recorder.failed[0].second,
                      row.expected);
        }
        rig.Finish();
        std::size_t files = 0;
        for (const auto& e : std::filesystem::directory_iterator(rig.dir.path))
            files += e.is_regular_file() && e.path().filename() != "file";
        EXPECT_EQ(files, row.pushedFiles);
        EXPECT_EQ(rig.recorder.stored.size(), row.pushedFiles);
    }
}
