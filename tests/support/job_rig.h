// job_rig.h: the jobs against a simulated terminal: its disks in DIR/terminal,
// PC files in DIR/pc, temporary copies in DIR/cache, the link's progress, and a
// host that records what the window would show.
#pragma once

#include "tests/support/sim_rig.h"

#include "link/transfer_progress.h"
#include "link/job_host.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <mutex>
#include <utility>
#include <vector>

// Records what the window would show and answers the overwrite question from a
// queue (No once it is empty). Any thread.
class RecordingHost : public JobHost {
public:
    void LogLine(const std::string& line) override
    {
        std::lock_guard lock(mutex);
        lines.push_back(line);
        if (onLine)
            onLine(line);
    }
    void ShowMessage(MessageId id, const std::string& argument) override
    {
        std::lock_guard lock(mutex);
        messages.emplace_back(id, argument);
    }
    bool AskYesNo(MessageId id, const std::string& argument) override
    {
        std::lock_guard lock(mutex);
        questions.emplace_back(id, argument);
        if (answers.empty())
            return false;
        const bool yes = answers.front();
        answers.pop_front();
        return yes;
    }
    void SourceMoved(std::size_t index) override
    {
        std::lock_guard lock(mutex);
        moved.push_back(index);
    }

    std::mutex mutex;
    std::vector<std::string> lines;
    std::vector<std::pair<MessageId, std::string>> messages, questions;
    std::deque<bool> answers;
    std::vector<std::size_t> moved;
    std::function<void(const std::string&)> onLine;
};

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
