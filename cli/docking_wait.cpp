#include "cli/docking_wait.h"

#include "link/event.h"
#include "link/link_status.h"
#include "link/serial/program_ports.h"
#include "link/serial/serial_transport.h"

#include <thread>

namespace {

constexpr std::chrono::milliseconds kSlice{50};

// Sleeps until deadline in slices, ending early when asked.
void SleepUntil(std::chrono::steady_clock::time_point deadline, const std::function<bool()>& ending)
{
    while (std::chrono::steady_clock::now() < deadline && !ending())
        std::this_thread::sleep_for(kSlice);
}

// False once the port's device has gone: a purge is the cheapest call that
// asks the line whether it still stands.
bool LineStands(Transport& transport, PortHandle handle)
{
    SetThreadPortError(0);
    transport.PortPurge(handle);
    const std::uint32_t error = transport.PortLastError();
    return error != kLineGoneError && error != kSerialBadHandle;
}

} // namespace

BetweenAsks WaitBetweenAsks(ProgramPorts& ports, const std::string& port,
                            std::chrono::milliseconds poll, const std::function<bool()>& ending)
{
    const auto deadline = std::chrono::steady_clock::now() + poll;
    const PortHandle handle = ports.Open(port);
    if (handle == kNoPort) {
        SleepUntil(deadline, ending);
        return BetweenAsks::LineGone;
    }
    Transport& transport = ports.transport();
    Event lines;
    transport.PortSetSignalEvent(handle, &lines);
    BetweenAsks result = BetweenAsks::TimeUp;
    while (std::chrono::steady_clock::now() < deadline && !ending()) {
        if (lines.Wait(kSlice)) {
            result = BetweenAsks::Docking;
            break;
        }
        if (!LineStands(transport, handle)) {
            result = BetweenAsks::LineGone;
            break;
        }
    }
    transport.PortSetSignalEvent(handle, nullptr);
    transport.PortClose(handle);
    // A gone device is asked again at the poll's time, not at once and over again.
    if (result == BetweenAsks::LineGone)
        SleepUntil(deadline, ending);
    return result;
}
