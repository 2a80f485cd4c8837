// connection_reaper.h: ends closed connections away from the GUI thread. A closed
// connection's clock worker is stopped and joined, then its link destroyed and its
// port closed, in that order, on the reaper's own thread, so that the GUI never
// waits for a worker.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class ConnectionReaper {
public:
    ConnectionReaper();
    // Runs what is still queued, then joins the thread.
    ~ConnectionReaper();
    ConnectionReaper(const ConnectionReaper&) = delete;
    ConnectionReaper& operator=(const ConnectionReaper&) = delete;

    // Any thread. Queues work; the reaper runs it once, in queue order.
    void Retire(std::function<void()> work);
    // Any thread. True when nothing is queued or running.
    bool Idle() const { return pending.load() == 0; }

private:
    void Run();

    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void()>> queue;
    std::atomic<int> pending{0};
    bool stopping = false; // guarded by mutex
    std::thread thread;    // last: starts once everything above exists
};
