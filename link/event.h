// event.h: a manual-reset event (mutex + condition variable). Any thread.
#pragma once

#include <atomic>
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
    // A reply usually follows within microseconds: keep looking for a short
    // while before going to sleep, which costs a scheduler round trip to wake
    // from. The look never yields: on a busy machine a yield can cost a whole
    // time slice.
    bool Spin() const
    {
        const auto until = std::chrono::steady_clock::now() + kSpinTime;
        do {
            for (int i = 0; i < 64; ++i) {
                if (flag.load(std::memory_order_acquire))
                    return true;
                CpuRelax();
            }
        } while (std::chrono::steady_clock::now() < until);
        return flag.load(std::memory_order_acquire);
    }
    static void CpuRelax()
    {
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#elif defined(__aarch64__)
        asm volatile("yield");
#endif
    }

    static constexpr std::chrono::microseconds kSpinTime{50};
    mutable std::mutex mutex;
    std::condition_variable cv;
    bool signalled = false;
    std::atomic<bool> flag{false};
};
