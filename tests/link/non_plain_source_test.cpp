// Sources that are no plain files (a FIFO, a device, a file too large for its
// record) are refused before anything reaches the line, and without waiting on
// them. POSIX files: the Linux build's alone.
#include "tests/support/push_rig.h"

#include "link/source_file.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <functional>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

TEST(LinkContract, SourcesThatAreNoPlainFilesNeverReachTheLine)
{
    TestDir dir;
    const auto fifo = dir / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const auto huge = dir / "huge.bin"; // sparse: no disk space used
    TestDir::WriteFile(huge, "");
    std::filesystem::resize_file(huge, (4ull << 30) + 1);
    const auto bigImage = dir / "big.img";
    TestDir::WriteFile(bigImage, "");
    std::filesystem::resize_file(bigImage, kMaxImageLength + 1);
    struct Row {
        const char* name;
        std::function<LinkStatus(TerminalLink&)> run;
    };
    const auto put = [](std::filesystem::path p) {
        return
            [p](TerminalLink& l) { return l.DownloadFile(p, "C:\\DATA\\X.TXT", 1, false, false); };
    };
    const auto install = [](std::filesystem::path p) {
        return [p](TerminalLink& l) { return l.InstallApplication(p, false); };
    };
    const Row rows[] = {
        {"a FIFO to send", put(fifo)},
        {"a FIFO as the image", install(fifo)},
        {"a device to send", put("/dev/zero")},
        {"a device as the image", install("/dev/zero")},
        {"4 GiB and one byte to send", put(huge)},
        {"an image beyond any application area", install(bigImage)},
        {"a FIFO as the batch list",
         [&](TerminalLink&) {
             Bytes batch;
             return ReadSourceFile(fifo, kMaxImageLength, &batch);
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        LinkRig rig;
        auto done = std::async(std::launch::async, [&] { return row.run(*rig.link); });
        const bool quick = done.wait_for(2s) == std::future_status::ready;
        if (!quick) // a reader stuck in the FIFO's open: a writer lets it go
            ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
        EXPECT_TRUE(quick);
        EXPECT_EQ(done.get(), LinkStatus::FileError);
        EXPECT_EQ(rig.peer->end->Pending(), 0u) << "nothing sent";
    }
}
