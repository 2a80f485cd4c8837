#include "connection/clock_sync_thread.h"

#include "link/terminal_link.h"

#include <cstdio>

std::string TerminalTimeText(const std::tm& local)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

std::string NowTerminalTimeText()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return TerminalTimeText(local);
}

ClockSyncThread::ClockSyncThread(TerminalLink& l, const std::atomic<int>& flag)
    : link(l), enabled(flag), thread([this] { Run(); })
{
}

ClockSyncThread::~ClockSyncThread()
{
    RequestStop();
    thread.join();
}

void ClockSyncThread::RequestStop()
{
    stop.store(true);
    link.clockEvent.Set();
}

void ClockSyncThread::Run()
{
    for (;;) {
        if (enabled.load() == 0 || stop.load()) {
            // Says it has ended, then looks once more: the owner switches the
            // flag on before it asks Running(), so either it sees false and
            // starts a new worker, or this one sees the flag on and goes on.
            running.store(false);
            if (enabled.load() == 0 || stop.load())
                return;
            running.store(true);
        }
        link.clockEvent.Wait();
        link.clockEvent.Reset();
        // stop is set before the event, so a wake-up for stopping is never lost.
        if (enabled.load() == 0 || stop.load())
            continue;
        // A failed setting is silent: the next signal tries again. A link in
        // use is left alone; it signals again once that use has ended.
        if (link.TrySetTerminalTime(NowTerminalTimeText()) != LinkStatus::Busy)
            syncs.fetch_add(1);
        else
            stepsBack.fetch_add(1);
    }
}
