// Transfers the terminal starts by itself: detection, busy, where the file goes.
#include "tests/support/link_layers.h"
#include "tests/support/push_rig.h"
#include "tests/support/scripted_peer.h"
#include "tests/support/test_dir.h"

#include "link/incoming_file.h"
#include "link/link_observer.h"
#include "link/local_time.h"
#include "link/replaced_history.h"
#include "link/windows_1250.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

TEST(IncomingTransfer, StoresAPushedFileWhileBusyRefusesCommands)
{
    PushRig rig;
    const std::string content(3000, 'q');
    const Bytes record = Record("DATA.TXT", content);
    rig.peer->Write(BuildDataHeader(1, kDataTypeFile, static_cast<std::uint32_t>(record.size())));
    // The header acknowledgement comes from the link's own transfer thread.
    EXPECT_EQ(ParseHeaderAck(rig.peer->Read(kAckSize)), std::optional<std::uint8_t>(0));
    EXPECT_EQ(rig.link->DeleteTerminalFile("C:\\A.TXT"), LinkStatus::Busy);
    EXPECT_EQ(rig.peer->end->Pending(), 0u) << "nothing written while busy";
    // Finish the phase block by block.
    std::uint32_t number = 0;
    for (std::size_t offset = 0; offset < record.size(); offset += kMaxBlockData, ++number) {
        const std::size_t n = std::min(kMaxBlockData, record.size() - offset);
        rig.peer->Write(BuildDataBlock(number, std::span(record).subspan(offset, n)));
        EXPECT_EQ(ParseBlockAckFromPc(rig.peer->Read(kBlockAckSize), kDataTypeFile),
                  std::optional<std::uint8_t>(0));
    }
    ASSERT_TRUE(rig.recorder.WaitForOutcome());
    ASSERT_EQ(rig.recorder.stored.size(), 1u);
    EXPECT_EQ(rig.recorder.stored[0], rig.dir / "DATA.TXT");
    EXPECT_EQ(TestDir::ReadFile(rig.dir / "DATA.TXT"), content);
}

TEST(IncomingTransfer, NeverWritesOutsideTheFolderAndANewPushKeepsTheOlderBytes)
{
    PushRig rig;
    TestDir::WriteFile(rig.dir / "passwd", "older");
    const std::vector<std::string> pushes = {"first", "second", "second"};
    for (std::size_t i = 0; i < pushes.size(); ++i) {
        bool taken = false;
        rig.Script([&] {
            taken = rig.peer->SendPhase(Record("..\\..\\etc/passwd", pushes[i]), kDataTypeFile);
        });
        rig.Finish();
        EXPECT_TRUE(taken);
        ASSERT_TRUE(rig.recorder.WaitForOutcome(i + 1));
    }
    EXPECT_EQ(TestDir::ReadFile(rig.dir / "passwd"), "second") << "the newest push under its name";
    EXPECT_EQ(rig.recorder.stored, (std::vector<std::filesystem::path>(3, rig.dir / "passwd")))
        << "each time the path it was saved to";
    // Each file with other bytes went to the history; the same bytes again add nothing.
    ASSERT_EQ(rig.recorder.kept.size(), 2u);
    std::vector<std::string> history;
    for (const auto& kept : rig.recorder.kept) {
        EXPECT_EQ(kept.parent_path(), rig.dir / kReplacedFolderName);
        EXPECT_TRUE(ReplacedTime(kept.filename().string())) << kept;
        history.push_back(TestDir::ReadFile(kept));
    }
    EXPECT_EQ(history, (std::vector<std::string>{"older", "first"}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(rig.dir.path), {}), 2)
        << "the file and the history: no NAME~1, no temporary file";
    EXPECT_FALSE(std::filesystem::exists(rig.dir.path.parent_path() / "etc"));
}

TEST(IncomingTransfer, AFailedReceiveLeavesNoFileAndIsReported)
{
    PushRig rig;
    TestDir::WriteFile(rig.dir / "HALF.DAT", "the last whole one");
    const Bytes record = Record("HALF.DAT", std::string(5000, 'h'));
    rig.peer->Write(BuildDataHeader(1, kDataTypeFile, static_cast<std::uint32_t>(record.size())));
    rig.peer->Read(kAckSize);
    rig.peer->Write(BuildDataBlock(0, std::span(record).first(1024)));
    rig.peer->Read(kBlockAckSize);
    // The terminal falls silent: five time-outs end the receive.
    ASSERT_TRUE(rig.recorder.WaitForOutcome());
    ASSERT_EQ(rig.recorder.failed.size(), 1u);
    EXPECT_EQ(rig.recorder.failed[0].first, "HALF.DAT");
    EXPECT_EQ(rig.recorder.failed[0].second, LinkStatus::TooManyFailures);
    EXPECT_EQ(TestDir::ReadFile(rig.dir / "HALF.DAT"), "the last whole one");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(rig.dir.path), {}), 1)
        << "nothing half-written left";
}

TEST(IncomingTransfer, MemoryHeaderNeverStartsOne)
{
    PushRig rig;
    rig.peer->Write(BuildDataHeader(1, kDataTypeMemory, 3));
    // No header acknowledgement comes: nobody receives it.
    EXPECT_TRUE(rig.peer->Read(kAckSize, 300ms).empty());
}

TEST(IncomingTransfer, HeaderInsideADataBlockOfAnOperationIsData)
{
    // A listing whose bytes hold a complete type-8 header: the receive thread
    // must not take it for a transfer of the terminal's own.
    PushRig rig;
    Bytes data(600, 0);
    const auto header = BuildDataHeader(1, kDataTypeFile, 40);
    std::copy(header.begin(), header.end(), data.begin() + 100);
    bool taken = false;
    LinkLayers layers(*rig.link);
    rig.Script([&] { taken = rig.peer->SendPhase(data); });
    EXPECT_EQ(layers.ReceiveData(false, false), LinkStatus::Ok);
    rig.Finish();
    EXPECT_TRUE(taken);
    EXPECT_EQ(layers.received, data);
    EXPECT_TRUE(rig.peer->Read(1, 100ms).empty()) << "no stray acknowledgement";
}

TEST(IncomingTransfer, DestroyingTheLinkMidTransferEndsItsThreads)
{
    auto rig = std::make_unique<PushRig>();
    rig->peer->Write(BuildDataHeader(1, kDataTypeFile, 100000));
    rig->peer->Read(kAckSize);
    rig->link.reset(); // joins the receive and transfer threads
    EXPECT_TRUE(std::filesystem::is_empty(rig->dir.path));
}

TEST(SafeIncomingName, KeepsOnlyASafeBaseName)
{
    const std::pair<const char*, const char*> rows[] = {
        {"DATA.TXT", "DATA.TXT"},
        {"C:\\DATA\\ORDERS.DAT", "ORDERS.DAT"},
        {"../../etc/passwd", "passwd"},
        {"..", ""},
        {"...", ""},
        {"a\x01"
         "b\x7f.t\nx",
         "ab.tx"},
        {"VERYLONGNAME.TEXT", "VERYLONG.TEX"},
        {"NOEXT", "NOEXT"},
        {"\\", ""},
        // Letters of the terminal's code page stay letters; bytes without a
        // character, or with an invisible one, go.
        {"\xa3\xd3"
         "D\xa3.TXT",
         "\u0141\u00d3D\u0141.TXT"},
        {"\xb3\xb3\xb3\xb3\xb3\xb3\xb3\xb3\xb3.\xb9\xb9\xb9\xb9",
         "\u0142\u0142\u0142\u0142\u0142\u0142\u0142\u0142.\u0105\u0105\u0105"},
        {"A\x81\xa0\xad"
         "B.TXT",
         "AB.TXT"},
    };
    for (const auto& [in, out] : rows)
        EXPECT_EQ(SafeIncomingName(in), out) << in;
}

TEST(TerminalText, DecodedForThePcAndTypedNamesEncodedBack)
{
    // Terminal bytes, as kvctl shows them, and as a name typed on the PC is sent.
    const std::pair<const char*, const char*> rows[] = {
        {"C:\\DATA\\ORDERS.TXT", "C:\\DATA\\ORDERS.TXT"},
        {"\xa3\xd3"
         "D\x8f.TXT",
         "\u0141\u00d3D\u0179.TXT"},
        {"\xb9\xe6\xea\xb3\xf1\xf3\x9c\x9f\xbf",
         "\u0105\u0107\u0119\u0142\u0144\u00f3\u015b\u017a\u017c"},
    };
    for (const auto& [bytes, text] : rows) {
        EXPECT_EQ(DecodeTerminalText(bytes), text) << text;
        EXPECT_EQ(EncodeTerminalText(text), bytes) << text;
    }
    // Control bytes and bytes without a character show as '?'; characters the
    // code page lacks, and bytes that are no UTF-8, are sent as given.
    EXPECT_EQ(DecodeTerminalText("A\x01\x81\x7f"), "A???");
    EXPECT_EQ(EncodeTerminalText("\u65e5.TXT"), "\u65e5.TXT");
    EXPECT_EQ(EncodeTerminalText("\xa3\xc5"), "\xa3\xc5");
}

TEST(IncomingTransfer, TheHistoryForgetsAfterItsDaysAndNeverReplacesWhatIsNoFile)
{
    TestDir dir;
    const std::time_t now = std::time(nullptr);
    const auto entry = [&](int daysAgo) {
        const std::time_t when = now - static_cast<std::time_t>(daysAgo) * 24 * 60 * 60;
        const std::tm local = LocalTime(when);
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
        return dir / kReplacedFolderName / (std::string("A.TXT.") + stamp);
    };
    std::filesystem::create_directory(dir / kReplacedFolderName);
    for (const auto& path : {entry(40), entry(10), dir / kReplacedFolderName / "NOTES"})
        TestDir::WriteFile(path, "x");
    PruneReplacedFiles(dir.path, 30, now);
    EXPECT_FALSE(std::filesystem::exists(entry(40)));
    EXPECT_TRUE(std::filesystem::exists(entry(10)));
    EXPECT_TRUE(std::filesystem::exists(dir / kReplacedFolderName / "NOTES"));

    // A folder under the pushed file's name is neither moved nor replaced.
    std::filesystem::create_directory(dir / "B.TXT");
    TestDir::WriteFile(dir / "new", "y");
    std::filesystem::path keptAs;
    EXPECT_EQ(KeepReplacedFile(dir / "B.TXT", dir / "new", now, &keptAs), KeepResult::Failed);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "B.TXT"));
}
