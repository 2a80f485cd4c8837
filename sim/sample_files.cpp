#include "sim/sample_files.h"

#include "sim/sim_storage.h"

#include <array>
#include <span>
#include <string_view>

namespace {

struct SampleFile {
    std::string_view path, text;
};

constexpr std::array<SampleFile, 4> kSamples{{
    {"C:\\DATA\\ORDERS.TXT", "5901234123457;2;20240105\r\n"
                             "4006381333931;1;20240105\r\n"
                             "5000112637922;6;20240106\r\n"},
    {"C:\\DATA\\STOCK.DAT", "A01;5901234123457;12\r\n"
                            "A02;4006381333931;3\r\n"
                            "B01;5000112637922;40\r\n"},
    {"D:\\LOOKUP\\ITEMS.TXT", "5901234123457;MINERAL WATER 1.5L\r\n"
                              "4006381333931;PENCIL HB\r\n"
                              "5000112637922;COLA 0.33L\r\n"},
    {"D:\\LOOKUP\\PRICES.TXT", "5901234123457;1.99\r\n"
                               "4006381333931;0.89\r\n"
                               "5000112637922;2.49\r\n"},
}};

} // namespace

bool SeedSampleFiles(SimStorage& storage)
{
    bool ok = true;
    for (const SampleFile& sample : kSamples) {
        PendingFile file;
        const auto size = static_cast<std::uint32_t>(sample.text.size());
        switch (storage.BeginStore(sample.path, size, false, file)) {
        case StoreCheck::Ok: {
            const auto bytes = std::as_bytes(std::span(sample.text));
            ok = file.Write({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}) &&
                 file.Commit(std::nullopt) && ok;
            break;
        }
        case StoreCheck::Exists: break;
        default: ok = false; break;
        }
    }
    return ok;
}
