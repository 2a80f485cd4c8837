// The clock worker on a link against the simulated terminal: it never sets the
// clock inside an operation, and sets it once the operation has ended.
#include "connection/clock_sync_thread.h"
#include "tests/support/sim_rig.h"

#include "link/transfer_progress.h"

#include <gtest/gtest.h>

#include <thread>

using namespace std::chrono_literals;

namespace {

// Polls cond until it holds or the time is up.
template <typename Cond> bool Eventually(Cond cond, std::chrono::milliseconds limit = 10s)
{
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!cond() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(1ms);
    return cond();
}

} // namespace

TEST(ClockSyncThread, WaitsForATransferAndSetsTheClockAfterIt)
{
    // A wake-up during a download at a real line speed: the download arrives
    // whole, and the clock is set after its file was stored, once.
    TransferProgress progress; // outlives the link that points at it
    SimRig rig([](SimTerminalConfig& c) {
        c.capacityC = 4 << 20;
        c.lineRate = 921600;
    });
    ASSERT_TRUE(rig.started);
    rig.pcEnd->SetFaults(LineFaults{.lineRate = 921600});
    rig.link->progress = &progress;
    const std::string content = SimRig::Sized(60000);
    const auto source = rig.Local("big.dat", content);
    LinkStatus status = LinkStatus::NoReply;
    std::thread download(
        [&] { status = rig.link->DownloadFile(source, "C:\\DATA\\BIG.DAT", 0, true, false); });
    EXPECT_TRUE(Eventually([&] { return progress.bytesDone.load() > 0; }));

    const std::atomic<int> enabled{1};
    ClockSyncThread worker(*rig.link, enabled);
    rig.link->clockEvent.Set();
    download.join();
    EXPECT_EQ(status, LinkStatus::Ok);
    EXPECT_TRUE(TestDir::ReadFile(rig.DiskFileOf("C:\\DATA\\BIG.DAT")) == content);

    const auto clockFile = rig.Disk(kClockFileName);
    ASSERT_TRUE(Eventually([&] { return worker.SyncCount() == 1; }));
    EXPECT_GE(worker.StepsBack(), 1) << "woken during the download, it waited for its end";
    ASSERT_TRUE(std::filesystem::exists(clockFile));
    EXPECT_EQ(TestDir::ReadFile(clockFile).size(), 14u);
    worker.RequestStop();
    EXPECT_TRUE(Eventually([&] { return !worker.Running(); }));
    EXPECT_EQ(worker.SyncCount(), 1);
}

TEST(ClockSyncThread, SwitchedBackOnAtOnceAWorkerStaysOrANewOneStarts)
{
    // Off and at once on again, as a quick double click on the menu item: the
    // owner keeps the worker it finds running or starts a new one, and either
    // way a worker goes on serving the link.
    SimRig rig;
    ASSERT_TRUE(rig.started);
    std::atomic<int> enabled{1};
    auto worker = std::make_unique<ClockSyncThread>(*rig.link, enabled);
    for (int i = 0; i < 300; ++i) {
        enabled = 0;
        rig.link->clockEvent.Set();
        const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(i % 50);
        while (std::chrono::steady_clock::now() < until) {
        }
        enabled = 1;
        if (!worker->Running())
            worker = std::make_unique<ClockSyncThread>(*rig.link, enabled);
        std::this_thread::sleep_for(2ms);
        ASSERT_TRUE(worker->Running()) << "switched on, yet no worker, at " << i;
    }
}
