// interrupt.h: Ctrl+C (SIGINT) and SIGTERM during a kvctl command set the cancel
// of every link that asked for it, so the command ends its transfer cleanly (no
// half file, nothing deleted unverified) instead of dying mid-write. Outside
// such a scope the signals keep their default action.
#pragma once

#include <atomic>

class CancelOnInterrupt {
public:
    // While this lives, an interrupt sets cancel to 1.
    explicit CancelOnInterrupt(std::atomic<int>& cancel);
    ~CancelOnInterrupt();
    CancelOnInterrupt(const CancelOnInterrupt&) = delete;
    CancelOnInterrupt& operator=(const CancelOnInterrupt&) = delete;

    // An interrupt came since the program started.
    static bool Interrupted();
    // From now on an interrupt only marks the run as ending: the file in flight
    // is finished, and the commands stop before the next one (kvctl watch).
    static void FinishFileInFlight();

private:
    int slot = -1;
};
