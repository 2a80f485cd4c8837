// The link against peers that misbehave: a clean download reads nothing back,
// and a device that answers everything with nonsense.
#include "tests/support/operation_bound.h"
#include "tests/support/scripted_peer.h"
#include "tests/support/test_dir.h"

#include "link/listing.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <random>

TEST(LateAcknowledgement, DownloadWithoutRetriesReadsNothingBack)
{
    LinkRig rig;
    TestDir dir;
    TestDir::WriteFile(dir / "a.txt", "abc");
    rig.Script([&] {
        rig.peer->AnswerCommand(1, 0);
        rig.peer->AnswerBlock(kFileRecordHeaderSize + 13 + 3, kCommandDownload, 0);
    });
    EXPECT_EQ(rig.link->DownloadFile(dir / "a.txt", "C:\\DATA\\A.TXT", 1, false, false),
              LinkStatus::Ok);
    rig.Finish();
    EXPECT_TRUE(rig.peer->Read(1, 300ms).empty()) << "nothing after the last block";
}

namespace {

// A device that answers whatever comes with seeded nonsense: random bytes, and
// now and then a frame that looks right (acknowledgements, mostly asking for
// the block again; data headers; blocks of random numbers).
class NonsensePeer {
public:
    NonsensePeer(std::shared_ptr<LineEnd> e, std::uint32_t seed) : end(std::move(e)), random(seed)
    {
        thread = std::thread([this] { Run(); });
    }
    ~NonsensePeer()
    {
        stop = true;
        thread.join();
    }

private:
    void Run()
    {
        std::uint8_t in[4096];
        while (!stop.load()) {
            if (end->ReadFor(in, sizeof in, 20ms) == 0)
                continue;
            switch (random() % 7) {
            case 0: Write(BuildCommandAck(1, 0)); break;
            case 1: // mostly "send again"
                Write(BuildBlockAck(random() % 2 ? kCommandRequest : kCommandDownload,
                                    random() % 16 == 0 ? 0 : 1, false));
                break;
            case 2: Write(BuildDataHeader(1, kDataTypeMemory, random() % 3000)); break;
            case 3: {
                Bytes data(random() % (kMaxBlockData + 1));
                for (auto& b : data)
                    b = static_cast<std::uint8_t>(random());
                Write(BuildDataBlock(random() % 3, data));
                break;
            }
            default: {
                Bytes noise(1 + random() % 64);
                for (auto& b : noise)
                    b = static_cast<std::uint8_t>(random());
                Write(noise);
            }
            }
        }
    }
    template <typename Frame> void Write(const Frame& f) { end->Write(std::span(f)); }

    std::shared_ptr<LineEnd> end;
    std::mt19937 random;
    std::atomic<bool> stop{false};
    std::thread thread;
};

} // namespace

TEST(NonsensePeer, EveryOperationEndsWithinItsBound)
{
    // Headers announce at most 3000 bytes: three blocks in.
    const auto t = kTestTimings.replyTimeout;
    const auto requestBound = OperationBound(t, 1, 3);
    const std::string content(5000, 'x');
    for (std::uint32_t seed = 1; seed <= 12; ++seed) {
        LinkRig rig;
        NonsensePeer peer(rig.peer->end, seed);
        TestDir dir;
        TestDir::WriteFile(dir / "out.bin", content);
        struct Op {
            const char* name;
            std::function<LinkStatus()> run;
            std::chrono::milliseconds bound;
        };
        const Op ops[] = {
            {"info",
             [&] {
                 TerminalInfo info;
                 return rig.link->GetTerminalInfo(&info);
             },
             requestBound},
            {"list",
             [&] {
                 DirectoryListing listing;
                 return rig.link->ListDirectory("C:\\DATA", &listing);
             },
             requestBound},
            {"get", [&] { return rig.link->UploadFile("C:\\DATA\\X.BIN", dir / "in.bin", false); },
             requestBound},
            {"put",
             [&] {
                 return rig.link->DownloadFile(dir / "out.bin", "C:\\DATA\\X.BIN", 1, false, false);
             },
             OperationBound(t, BlocksOf(kFileRecordHeaderSize + 14 + content.size()), 0) +
                 2 * requestBound},
        };
        for (const Op& op : ops) {
            const auto start = std::chrono::steady_clock::now();
            auto running = std::async(std::launch::async, op.run);
            if (running.wait_for(op.bound) != std::future_status::ready) {
                rig.link->cancel = 1; // so that the test itself ends
                ADD_FAILURE() << op.name << " outlived its bound, seed " << seed;
            }
            running.get();
            rig.link->cancel = 0;
            EXPECT_LE(std::chrono::steady_clock::now() - start, op.bound + 1s)
                << op.name << ", seed " << seed;
        }
    }
}

namespace {

// A terminal that opens the exchange properly and then never stops: it
// trickles bytes one at a time, each gap shorter than the reply time-out and
// than the quiet the PC waits for, or it babbles without a pause.
enum class Pace { Trickle, Babble };

// A frame must be whole within 2T = 120 ms; a trickled block takes 26 s. The
// PC resynchronises until 30 ms of quiet (3 bursts), at most T.
constexpr LinkTimings kUnrulyTimings{60ms, 10ms};
constexpr auto kTrickleGap = 25ms;

// Talks on the peer's line until stop: the stream again and again, byte by
// byte, or random bytes in bursts every millisecond.
void Talk(ScriptedPeer& peer, Pace pace, const Bytes& stream, const std::atomic<bool>& stop)
{
    std::mt19937 random(7);
    for (std::size_t at = 0; !stop.load(); at = (at + 1) % stream.size()) {
        if (pace == Pace::Trickle) {
            peer.Write(std::span(stream).subspan(at, 1));
            std::this_thread::sleep_for(kTrickleGap);
        } else {
            Bytes noise(64);
            for (auto& b : noise)
                b = static_cast<std::uint8_t>(random());
            peer.Write(noise);
            std::this_thread::sleep_for(1ms);
        }
    }
}

} // namespace

TEST(UnrulyPeer, TricklingOrBabblingTerminalEndsEachTransferWithinItsBound)
{
    // A trickle holds every wait open; only the frame-wait bound ends it.
    // Babble never leaves the line quiet; only the cap on resynchronising ends
    // that. Either way the transfer must fail within its computed bound.
    const auto t = kUnrulyTimings.replyTimeout;
    const std::string content(1500, 'x');
    const std::uint32_t blocks = BlocksOf(content.size());
    const auto getBound = OperationBound(t, 1, blocks);
    const auto putBound =
        OperationBound(t, BlocksOf(kFileRecordHeaderSize + 14 + content.size()), 0) +
        2 * OperationBound(t, 1, 1);
    for (const Pace pace : {Pace::Trickle, Pace::Babble}) {
        for (const bool get : {true, false}) {
            const std::string name = std::string(pace == Pace::Trickle ? "trickle" : "babble") +
                                     (get ? ", get" : ", put");
            LinkRig rig(kUnrulyTimings);
            TestDir dir;
            TestDir::WriteFile(dir / "out.bin", content);
            std::atomic<bool> stop{false};
            rig.Script([&] {
                const Bytes frame = rig.peer->AnswerCommand(1, 0);
                if (get) {
                    rig.peer->AnswerBlock(GetU32(&frame[5]), kCommandRequest, 0);
                    rig.peer->Write(BuildDataHeader(1, kDataTypeMemory, 1500));
                    rig.peer->Read(kAckSize);
                }
                // What a terminal would say next (a put's block asked for
                // again, so that an answer that gets through ends nothing).
                const auto again = BuildBlockAck(kCommandDownload, 1, false);
                const Bytes next = get ? BuildDataBlock(0, Bytes(kMaxBlockData, 'x'))
                                       : Bytes(again.begin(), again.end());
                Talk(*rig.peer, pace, next, stop);
            });
            const auto bound = get ? getBound : putBound;
            const auto start = std::chrono::steady_clock::now();
            auto running = std::async(std::launch::async, [&] {
                return get ? rig.link->UploadFile("C:\\DATA\\X.BIN", dir / "in.bin", false)
                           : rig.link->DownloadFile(dir / "out.bin", "C:\\DATA\\X.BIN", 1, false,
                                                    false);
            });
            if (running.wait_for(bound) != std::future_status::ready) {
                ADD_FAILURE() << name << " outlived its bound";
                stop = true; // a quiet line and a cancel end it
                rig.link->cancel = 1;
            }
            const LinkStatus status = running.get();
            stop = true;
            rig.Finish();
            EXPECT_NE(status, LinkStatus::Ok) << name;
            EXPECT_LE(std::chrono::steady_clock::now() - start, bound) << name;
        }
    }
}
