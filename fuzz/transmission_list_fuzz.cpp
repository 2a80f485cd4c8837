// The first line of a transmission list file, as the automatic transmission
// reads it: any bytes.
#include "connection/connection_rules.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray head(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (const auto target = ParseTransmissionListHead(head)) {
        if (target->portName.isEmpty() || target->baudCode < 1 || target->baudCode > 6)
            std::abort();
        (void)ChoosePortOpen(target->portName, 0);
    }
    return 0;
}
