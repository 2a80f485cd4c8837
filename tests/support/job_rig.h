// job_rig.h: the jobs against a simulated terminal: its disks in DIR/terminal,
// PC files in DIR/pc, temporary copies in DIR/cache, the link's progress, and a
// host that records what the window would show.
#pragma once

#include "tests/support/recording_host.h"
#include "tests/support/sim_rig.h"

#include "link/transfer_progress.h"

#include <cstdlib>
#include <gtest/gtest.h>

struct JobRig : SimRig {
    explicit JobRig(const std::function<void(SimTerminalConfig&)>& setup = {})
        : SimRig([&](SimTerminalConfig& c) {
              c.replyTimeout = kReplyTimeout; // as patient as a real terminal
              if (setup)
                  setup(c);
          })
    {
        setenv("XDG_CACHE_HOME", (dir / "cache").c_str(), 1);
        std::filesystem::create_directories(dir / "pc");
        link->progress = &progress;
    }
    ~JobRig() { link.reset(); } // before the progress it writes to

    std::filesystem::path Pc(const std::string& name, const std::string& content)
    {
        const auto p = dir / "pc" / name;
        TestDir::WriteFile(p, content);
        return p;
    }
    // A file on the terminal, sent over the link.
    void Put(const std::string& terminalPath, const std::string& content)
    {
        ASSERT_EQ(link->DownloadFile(Pc("put.tmp", content), terminalPath, 1, false, false),
                  LinkStatus::Ok);
        std::filesystem::remove(dir / "pc" / "put.tmp");
    }
    bool PrivateFolderEmpty() const
    {
        const auto folder = dir / "cache" / "KVVidiRidoved";
        return !std::filesystem::exists(folder) || std::filesystem::is_empty(folder);
    }

    TransferProgress progress;
    RecordingHost host;
};
