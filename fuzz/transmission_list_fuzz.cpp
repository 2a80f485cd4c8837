// A transmission list file, as the automatic transmission reads it: any bytes.
// The first line names the port and speed; every further line is a file to send.
#include "connection/connection_rules.h"
#include "terminal/auto_transmission.h"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray head(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (const auto target = ParseTransmissionListHead(head)) {
        if (target->portName.isEmpty() || target->baudCode < 1 || target->baudCode > 6)
            std::abort();
        (void)ChoosePortOpen(target->portName, 0);
    }

    const std::string_view list(reinterpret_cast<const char*>(data), size);
    const auto entries = ParseTransmissionList(list);
    // One entry per line ended by CR LF after the first.
    std::size_t lines = 0;
    for (std::size_t at = list.find("\r\n"); at != std::string_view::npos;
         at = list.find("\r\n", at + 2))
        ++lines;
    if (entries.size() != (lines == 0 ? 0 : lines - 1))
        std::abort();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!entries[i])
            continue;
        const TransmissionEntry& e = *entries[i];
        if (e.pcPath.empty() || e.target.empty() || list.find(e.pcPath) == std::string_view::npos)
            std::abort();
        for (const char c : e.pcPath)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
                std::abort();
        if (i == 0 && e.target.rfind("D:\\Program\\", 0) != 0)
            std::abort();
    }
    return 0;
}
