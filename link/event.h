// event.h: a manual-reset event (mutex + condition variable). Any thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

class Event {
public:
    void Set()
    {
        {
            std::lock_guard lock(mutex);
            signalled = true;
        }
        cv.notify_all();
    }
    void Reset()
    {
        std::lock_guard lock(mutex);
        signalled = false;
    }
    bool IsSet() const
    {
        std::lock_guard lock(mutex);
        return signalled;
    }
    // True when the event is (or becomes) signalled within the time-out.
    bool Wait(std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(mutex);
        return cv.wait_for(lock, timeout, [this] { return signalled; });
    }
    void Wait()
    {
        std::unique_lock lock(mutex);
        cv.wait(lock, [this] { return signalled; });
    }

private:
    mutable std::mutex mutex;
    std::condition_variable cv;
    bool signalled = false;
};
