// push_rig.h: a scripted peer whose pushes land in a test folder, and an observer
// that records what the link said of each.
#pragma once

#include "tests/support/scripted_peer.h"
#include "tests/support/test_dir.h"

#include "link/link_observer.h"

#include <condition_variable>
#include <mutex>
#include <vector>

class Recorder : public LinkObserver {
public:
    void IncomingFileStored(const std::filesystem::path& path) override
    {
        std::lock_guard lock(mutex);
        stored.push_back(path);
        cv.notify_all();
    }
    void IncomingFileKept(const std::filesystem::path&,
                          const std::filesystem::path& keptAs) override
    {
        std::lock_guard lock(mutex);
        kept.push_back(keptAs);
    }
    void IncomingTransferFailed(const std::string& name, LinkStatus status) override
    {
        std::lock_guard lock(mutex);
        failed.emplace_back(name, status);
        cv.notify_all();
    }
    // Waits for the next outcome; false when none comes.
    bool WaitForOutcome(std::size_t count = 1)
    {
        std::unique_lock lock(mutex);
        return cv.wait_for(lock, 5s, [&] { return stored.size() + failed.size() >= count; });
    }

    std::mutex mutex;
    std::condition_variable cv;
    std::vector<std::filesystem::path> stored, kept;
    std::vector<std::pair<std::string, LinkStatus>> failed;
};

inline Bytes Record(const std::string& name, const std::string& content)
{
    return BuildFileRecord(Bytes(content.begin(), content.end()), "20260101120000", 0, name);
}

struct PushRig : LinkRig {
    PushRig()
    {
        link->SetReceiveFolder(dir.path);
        link->SetObserver(&recorder);
    }
    ~PushRig()
    {
        if (link)
            link->SetObserver(nullptr);
    }
    TestDir dir;
    Recorder recorder;
};
