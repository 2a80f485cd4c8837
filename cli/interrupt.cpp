#include "cli/interrupt.h"

#include <array>
#include <csignal>
#include <mutex>

namespace {

// The handler only loads and stores lock-free atomics: safe in a signal handler.
std::array<std::atomic<std::atomic<int>*>, 64> cancels{};
std::atomic<bool> interrupted{false};
std::atomic<bool> finishInFlight{false};
static_assert(std::atomic<std::atomic<int>*>::is_always_lock_free);

void OnInterrupt(int)
{
    interrupted.store(true);
    if (finishInFlight.load())
        return;
    for (auto& slot : cancels)
        if (std::atomic<int>* cancel = slot.load())
            cancel->store(1);
}

void InstallOnce()
{
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, nullptr);
        sigaction(SIGTERM, &action, nullptr);
    });
}

} // namespace

CancelOnInterrupt::CancelOnInterrupt(std::atomic<int>& cancel)
{
    InstallOnce();
    for (std::size_t i = 0; i < cancels.size(); ++i) {
        std::atomic<int>* expected = nullptr;
        if (cancels[i].compare_exchange_strong(expected, &cancel)) {
            slot = static_cast<int>(i);
            break;
        }
    }
    if (interrupted.load() && !finishInFlight.load())
        cancel.store(1);
}

CancelOnInterrupt::~CancelOnInterrupt()
{
    if (slot >= 0)
        cancels[static_cast<std::size_t>(slot)].store(nullptr);
}

void CancelOnInterrupt::FinishFileInFlight()
{
    finishInFlight.store(true);
}

bool CancelOnInterrupt::Interrupted()
{
    return interrupted.load();
}
