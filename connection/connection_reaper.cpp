#include "connection/connection_reaper.h"

ConnectionReaper::ConnectionReaper() : thread([this] { Run(); }) {}

ConnectionReaper::~ConnectionReaper()
{
    {
        std::lock_guard lock(mutex);
        stopping = true;
    }
    wake.notify_all();
    thread.join();
}

void ConnectionReaper::Retire(std::function<void()> work)
{
    pending.fetch_add(1);
    {
        std::lock_guard lock(mutex);
        queue.push_back(std::move(work));
    }
    wake.notify_all();
}

void ConnectionReaper::Run()
{
    for (;;) {
        std::function<void()> work;
        {
            std::unique_lock lock(mutex);
            wake.wait(lock, [this] { return stopping || !queue.empty(); });
            if (queue.empty())
                return;
            work = std::move(queue.front());
            queue.pop_front();
        }
        work();
        work = nullptr;
        pending.fetch_sub(1);
    }
}
