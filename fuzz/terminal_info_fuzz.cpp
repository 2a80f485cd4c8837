// The terminal information answer: whatever the terminal sends back to the
// information request becomes four bounded texts or a status.
#include "fuzz/replay_peer.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ReplayRig rig(std::span(data, size));
    rig.Start();
    TerminalInfo info;
    if (rig.link->GetTerminalInfo(&info) == LinkStatus::Ok &&
        (info.model.size() > 10 || info.firmware.size() > 10 || info.serial.size() > 20 ||
         info.equipment.size() > 20))
        std::abort();
    return 0;
}
