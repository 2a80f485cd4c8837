// event.h: a manual-reset event (mutex + condition variable). Any thread.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

class Event {
public:
    void Set()
    {
        {
            std::lock_guard lock(mutex);
            signalled = true;
            flag.store(true, std::memory_order_release);
        }
        cv.notify_all();
    }
    void Reset()
    {
        std::lock_guard lock(mutex);
        signalled = false;
        flag.store(false, std::memory_order_release);
    }
    bool IsSet() const { return flag.load(std::memory_order_acquire); }
    // True when the event is (or becomes) signalled within the time-out.
    bool Wait(std::chrono::milliseconds timeout)
    {
        if (Spin())
            return true;
        std::unique_lock lock(mutex);
        return cv.wait_for(lock, timeout, [this] { return signalled; });
    }
    void Wait()
    {
        if (Spin())
            return;
        std::unique_lock lock(mutex);
        cv.wait(lock, [this] { return signalled; });
    }

private:
    // A reply usually follows within microseconds: look a few times before
    // going to sleep, which costs a scheduler round trip to wake from.
    bool Spin() const
    {
        for (int i = 0; i < kSpins; ++i) {
            if (flag.load(std::memory_order_acquire))
                return true;
            std::this_thread::yield();
        }
        return flag.load(std::memory_order_acquire);
    }

    static constexpr int kSpins = 50;
    mutable std::mutex mutex;
    std::condition_variable cv;
    bool signalled = false;
    std::atomic<bool> flag{false};
};
