// clock_sync_thread.h: the worker that keeps one terminal's clock on the PC's
// local time. Each time the link's clockEvent is signalled it sets the terminal's
// clock, until the application flag goes off or the owner stops it. It never
// competes with an operation: while the link is in use it steps back, and the
// link signals again once that operation has ended.
#pragma once

#include <atomic>
#include <ctime>
#include <string>
#include <thread>

class TerminalLink;

// "%04d%02d%02d%02d%02d%02d" of a local time: year first, two digits for the rest.
std::string TerminalTimeText(const std::tm& local);
// The PC's local time now in that form. Any thread.
std::string NowTerminalTimeText();

class ClockSyncThread {
public:
    // Starts the worker. link and enabled must outlive this object.
    ClockSyncThread(TerminalLink& link, const std::atomic<int>& enabled);
    // Stops the worker and joins it.
    ~ClockSyncThread();
    ClockSyncThread(const ClockSyncThread&) = delete;
    ClockSyncThread& operator=(const ClockSyncThread&) = delete;

    // Any thread. The worker ends at its next wake-up, which this causes.
    void RequestStop();
    // Any thread. False once the worker has ended.
    bool Running() const { return running.load(); }
    // Any thread. How many times the clock has been set (or tried on a free link).
    int SyncCount() const { return syncs.load(); }
    // Any thread. How many times the worker found the line held and stepped back.
    int StepsBack() const { return stepsBack.load(); }

private:
    void Run();

    TerminalLink& link;
    const std::atomic<int>& enabled;
    std::atomic<bool> stop{false};
    std::atomic<bool> running{true};
    std::atomic<int> syncs{0};
    std::atomic<int> stepsBack{0};
    std::thread thread; // last: starts once everything above exists
};
