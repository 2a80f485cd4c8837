// docking_wait.h: kvctl watch's wait between two asks on a port. It holds the
// port open meanwhile, so a terminal set into its cradle is seen at once on
// devices that report their modem lines, and a device that goes away (an
// adapter unplugged, a terminal's line closed) is noticed even when it comes
// back under the same name before the next ask.
#pragma once

#include <chrono>
#include <functional>
#include <string>

class ProgramPorts;

enum class BetweenAsks {
    TimeUp,   // nothing happened
    Docking,  // DSR or DCD rose: a terminal was set into its cradle
    LineGone, // the device was not there, or went away (the wait still lasts its time)
};

// Waits up to poll, or until ending() turns true.
BetweenAsks WaitBetweenAsks(ProgramPorts& ports, const std::string& port,
                            std::chrono::milliseconds poll, const std::function<bool()>& ending);
