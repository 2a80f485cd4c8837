// One operation at a time on a link: a second operation of the user side is
// refused, the clock's setting never mixes into another exchange, and an
// operation of the user side never fails because of the clock.
#include "tests/support/scripted_peer.h"
#include "tests/support/sim_rig.h"

#include "link/link_observer.h"
#include "link/listing.h"
#include "link/transfer_progress.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <functional>
#include <future>
#include <mutex>

namespace {

// Replies slow enough for a test thread to act while an exchange waits.
constexpr LinkTimings kPatientTimings{2000ms, 10ms};

// The rest of a request whose command frame the peer has read: acknowledge
// it, take its data block, answer with the given bytes.
Bytes AnswerRequest(ScriptedPeer& peer, const Bytes& frame, const Bytes& answer)
{
    peer.Write(BuildCommandAck(1, 0));
    const Bytes block = peer.AnswerBlock(GetU32(&frame[5]), kCommandRequest, 0);
    peer.SendPhase(answer);
    return block;
}

bool Contains(const Bytes& bytes, const std::string& text)
{
    return std::search(bytes.begin(), bytes.end(), text.begin(), text.end()) != bytes.end();
}

struct Operation {
    const char* name;
    std::function<LinkStatus(TerminalLink&, const TestDir&)> run;
};

// Every operation the user side can start.
std::vector<Operation> UserOperations()
{
    return {
        {"download",
         [](TerminalLink& l, const TestDir& d) {
             TestDir::WriteFile(d / "src", "data");
             return l.DownloadFile(d / "src", "C:\\DATA\\X.TXT", 0, false, false);
         }},
        {"upload",
         [](TerminalLink& l, const TestDir& d) {
             return l.UploadFile("C:\\DATA\\X.TXT", d / "fetched", false);
         }},
        {"listing",
         [](TerminalLink& l, const TestDir&) {
             DirectoryListing listing;
             return l.ListDirectory("C:\\DATA", &listing);
         }},
        {"delete", [](TerminalLink& l, const TestDir&) { return l.DeleteTerminalFile("C:\\X"); }},
        {"format", [](TerminalLink& l, const TestDir&) { return l.FormatDisk("C:"); }},
        {"disk information",
         [](TerminalLink& l, const TestDir&) {
             DiskFigures figures;
             return l.GetDiskInfo("C:", &figures);
         }},
        {"set time",
         [](TerminalLink& l, const TestDir&) { return l.SetTerminalTime("20260101000000"); }},
        {"terminal information",
         [](TerminalLink& l, const TestDir&) {
             TerminalInfo info;
             return l.GetTerminalInfo(&info);
         }},
        {"install",
         [](TerminalLink& l, const TestDir& d) {
             TestDir::WriteFile(d / "app.bin", "image");
             return l.InstallApplication(d / "app.bin", false);
         }},
    };
}

} // namespace

TEST(OneOperationAtATime, ASecondUserOperationIsRefusedWithBusy)
{
    LinkRig rig(kPatientTimings);
    TestDir dir;
    std::promise<void> frameRead, othersTried;
    bool othersQuiet = false;
    Bytes block;
    rig.Script([&] {
        const Bytes frame = rig.peer->Read(kCommandFrameSize);
        frameRead.set_value();
        othersTried.get_future().wait();
        othersQuiet = rig.peer->end->Pending() == 0;
        block = AnswerRequest(*rig.peer, frame, Bytes{0});
    });
    LinkStatus first = LinkStatus::NoReply;
    std::thread user([&] { first = rig.link->SetTerminalTime("20270303101010"); });
    frameRead.get_future().wait();
    for (const Operation& op : UserOperations())
        EXPECT_EQ(op.run(*rig.link, dir), LinkStatus::Busy) << op.name;
    othersTried.set_value();
    user.join();
    rig.Finish();
    EXPECT_TRUE(othersQuiet) << "a refused operation wrote to the line";
    EXPECT_EQ(first, LinkStatus::Ok);
    EXPECT_TRUE(Contains(block, "20270303101010"));
}

TEST(OneOperationAtATime, AUserOperationWaitsForTheClockSetting)
{
    // A user operation that arrives while the clock's setting is in flight
    // waits for its end and then runs whole.
    LinkRig rig(kPatientTimings);
    std::promise<void> clockFrameRead, userStarted;
    bool userWaited = false;
    Bytes clockBlock, userBlock;
    rig.Script([&] {
        const Bytes clockFrame = rig.peer->Read(kCommandFrameSize);
        clockFrameRead.set_value();
        userStarted.get_future().wait();
        userWaited = rig.peer->Read(1, 100ms).empty();
        clockBlock = AnswerRequest(*rig.peer, clockFrame, Bytes{0});
        const Bytes userFrame = rig.peer->Read(kCommandFrameSize);
        userBlock = AnswerRequest(*rig.peer, userFrame, Bytes{0});
    });
    LinkStatus clockResult = LinkStatus::NoReply, userResult = LinkStatus::NoReply;
    struct Joiner {
        std::atomic<bool>& done;
        std::thread& thread;
        void Stop()
        {
            done = true;
            if (thread.joinable())
                thread.join();
        }
        ~Joiner() { Stop(); }
    };
    std::thread clock([&] { clockResult = rig.link->TrySetTerminalTime("20260101000000"); });
    clockFrameRead.get_future().wait();
    std::thread user([&] { userResult = rig.link->SetTerminalTime("20270202020202"); });
    userStarted.set_value();
    user.join();
    clock.join();
    rig.Finish();
    EXPECT_TRUE(userWaited) << "the user's exchange began inside the clock's";
    EXPECT_EQ(clockResult, LinkStatus::Ok);
    EXPECT_EQ(userResult, LinkStatus::Ok);
    EXPECT_TRUE(Contains(clockBlock, "20260101000000"));
    EXPECT_TRUE(Contains(userBlock, "20270202020202"));
}

TEST(OneOperationAtATime, TheClockStepsBackAndSetsOnceTheUseEnds)
{
    // While the link is in use the clock's setting sends nothing and returns
    // Busy; the end of that use signals clockEvent, and the setting then runs.
    {
        LinkRig rig(kPatientTimings);
        std::promise<void> frameRead, clockTried;
        rig.Script([&] {
            const Bytes frame = rig.peer->Read(kCommandFrameSize);
            frameRead.set_value();
            clockTried.get_future().wait();
            AnswerRequest(*rig.peer, frame, Bytes{0});
        });
        LinkStatus userResult = LinkStatus::NoReply;
        std::thread user([&] { userResult = rig.link->SetTerminalTime("20270101000000"); });
        frameRead.get_future().wait();
        EXPECT_EQ(rig.link->TrySetTerminalTime("20260101000000"), LinkStatus::Busy);
        EXPECT_EQ(rig.peer->end->Pending(), 0u) << "the clock wrote during an operation";
        EXPECT_FALSE(rig.link->clockEvent.IsSet());
        clockTried.set_value();
        user.join();
        rig.Finish();
        EXPECT_EQ(userResult, LinkStatus::Ok);
        EXPECT_TRUE(rig.link->clockEvent.Wait(2000ms)) << "operation ended: the clock is owed";

        rig.link->clockEvent.Reset();
        Bytes block;
        rig.Script(
            [&] { block = AnswerRequest(*rig.peer, rig.peer->Read(kCommandFrameSize), Bytes{0}); });
        EXPECT_EQ(rig.link->TrySetTerminalTime("20260101000001"), LinkStatus::Ok);
        rig.Finish();
        EXPECT_TRUE(Contains(block, "20260101000001"));
        EXPECT_FALSE(rig.link->clockEvent.IsSet()) << "nothing more is owed";
    }
    {
        // A transfer the terminal started.
        LinkRig rig(kPatientTimings);
        TestDir dir;
        rig.link->SetReceiveFolder(dir.path);
        const std::string content(1500, 'p');
        const Bytes record = BuildFileRecord(Bytes(content.begin(), content.end()),
                                             "20260101120000", 0, "PUSHED.TXT");
        rig.peer->Write(
            BuildDataHeader(1, kDataTypeFile, static_cast<std::uint32_t>(record.size())));
        ASSERT_EQ(ParseHeaderAck(rig.peer->Read(kAckSize)), std::optional<std::uint8_t>(0));
        EXPECT_EQ(rig.link->TrySetTerminalTime("20260101000000"), LinkStatus::Busy);
        EXPECT_EQ(rig.peer->end->Pending(), 0u) << "the clock wrote during the terminal's transfer";
        EXPECT_FALSE(rig.link->clockEvent.IsSet());
        std::uint32_t number = 0;
        for (std::size_t offset = 0; offset < record.size(); offset += kMaxBlockData, ++number) {
            const std::size_t n = std::min(kMaxBlockData, record.size() - offset);
            rig.peer->Write(BuildDataBlock(number, std::span(record).subspan(offset, n)));
            EXPECT_EQ(ParseBlockAckFromPc(rig.peer->Read(kBlockAckSize), kDataTypeFile),
                      std::optional<std::uint8_t>(0));
        }
        EXPECT_TRUE(rig.link->clockEvent.Wait(2000ms)) << "transfer ended: the clock is owed";
        EXPECT_EQ(TestDir::ReadFile(dir / "PUSHED.TXT"), content);
    }
}

TEST(OneOperationAtATime, ClockSettingsNeverMixIntoTransfers)
{
    // Puts, gets and listings of a few hundred kB on one thread while the
    // clock's settings arrive every few milliseconds on another, as the clock
    // worker makes them: every transfer whole, every listing right, and the
    // clock set between the transfers.
    SimRig rig([](SimTerminalConfig& c) { c.capacityC = 16 << 20; });
    ASSERT_TRUE(rig.started);
    std::atomic<bool> done{false};
    std::atomic<int> settings{0}, stepsBack{0}, failures{0};
    std::string lastSet;
    struct Joiner {
        std::atomic<bool>& done;
        std::thread& thread;
        void Stop()
        {
            done = true;
            if (thread.joinable())
                thread.join();
        }
        ~Joiner() { Stop(); }
    };
    std::thread clock([&] {
        for (int i = 0; !done.load(); ++i) {
            char text[16];
            std::snprintf(text, sizeof text, "203001%02d%02d%02d%02d", 1 + i / 86400 % 28,
                          i / 3600 % 24, i / 60 % 60, i % 60);
            const LinkStatus r = rig.link->TrySetTerminalTime(text);
            if (r == LinkStatus::Ok) {
                lastSet = text;
                settings.fetch_add(1);
            } else if (r == LinkStatus::Busy) {
                stepsBack.fetch_add(1);
            } else {
                failures.fetch_add(1);
            }
            rig.link->clockEvent.Wait(2ms);
            rig.link->clockEvent.Reset();
        }
    });
    Joiner joiner{done, clock}; // also when an assertion ends the test
    // The clock is set between one transfer and the next.
    const auto clockSetSince = [&](int before) {
        const auto until = std::chrono::steady_clock::now() + 10s;
        while (settings.load() == before && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(1ms);
        return settings.load() > before;
    };
    std::vector<std::pair<std::string, std::size_t>> stored;
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const std::string content = SimRig::Sized(200000 + 60000 * i, i);
        const std::string name = "T" + std::to_string(i);
        const std::string terminalPath = "C:\\DATA\\" + name + ".DAT";
        int before = settings.load();
        ASSERT_EQ(rig.link->DownloadFile(rig.Local(name, content), terminalPath, 0, false, false),
                  LinkStatus::Ok);
        EXPECT_TRUE(TestDir::ReadFile(rig.DiskFileOf(terminalPath)) == content) << "put mixed";
        stored.emplace_back(name, content.size());
        EXPECT_TRUE(clockSetSince(before));

        before = settings.load();
        const auto back = rig.dir / (name + ".back");
        ASSERT_EQ(rig.link->UploadFile(terminalPath, back, false), LinkStatus::Ok);
        EXPECT_TRUE(TestDir::ReadFile(back) == content) << "get mixed";
        EXPECT_TRUE(clockSetSince(before));

        DirectoryListing listing;
        ASSERT_EQ(rig.link->ListDirectory("C:\\DATA", &listing), LinkStatus::Ok);
        const std::vector<TerminalEntry> entries =
            DecodeListing(listing.bytes.data(), listing.count);
        for (const auto& [storedName, size] : stored) {
            const auto entry = std::find_if(entries.begin(), entries.end(), [&](const auto& e) {
                return e.name == storedName && e.extension == "DAT";
            });
            ASSERT_NE(entry, entries.end()) << storedName;
            EXPECT_EQ(entry->size, size) << storedName;
        }
    }
    joiner.Stop();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_GT(stepsBack.load(), 0) << "the clock never met an operation";
    EXPECT_EQ(TestDir::ReadFile(rig.Disk(kClockFileName)), lastSet);
}
