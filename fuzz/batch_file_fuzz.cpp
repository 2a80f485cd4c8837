// Batch build files (*.cmb), plain or scrambled, as the batch download reads
// them, and the key text from the settings.
#include "convert/batch_file.h"
#include "convert/scramble.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::uint8_t> bytes(data, data + size);
    if (LooksScrambled(bytes))
        Unscramble(bytes, kDefaultUnscrambleKey);
    const BatchContents batch = ParseBatchFile(bytes);
    const std::uint8_t* const begin = bytes.data();
    const std::uint8_t* const end = begin + bytes.size();
    for (const BatchRecord& r : batch.records)
        if (!r.data.empty() && (r.data.data() < begin || r.data.data() + r.data.size() > end))
            std::abort();

    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto key = ParseUnscrambleKey(text)) {
        const auto again = ParseUnscrambleKey(FormatUnscrambleKey(*key));
        if (!again || *again != *key)
            std::abort();
        std::vector<std::uint8_t> copy(data, data + size);
        Scramble(copy, *key);
        Unscramble(copy, *key);
        if (copy != std::vector<std::uint8_t>(data, data + size))
            std::abort();
    }
    return 0;
}
