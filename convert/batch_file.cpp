#include "convert/batch_file.h"

#include <algorithm>
#include <charconv>

BatchContents ParseBatchFile(std::span<const std::uint8_t> bytes)
{
    BatchContents contents;
    const auto* const end = bytes.data() + bytes.size();
    const auto* at = bytes.data();
    while (at < end) {
        const auto* comma = std::find(at, end, ',');
        const auto* sizeEnd = comma == end ? end : std::find(comma + 1, end, ',');
        if (comma == end || sizeEnd == end) {
            contents.complete = false;
            break;
        }
        std::int32_t size = -1;
        const char* digits = reinterpret_cast<const char*>(comma + 1);
        const char* digitsEnd = reinterpret_cast<const char*>(sizeEnd);
        const auto [ptr, ec] = std::from_chars(digits, digitsEnd, size);
        // The size must be all the text between the separators and fit what is left.
        if (ec != std::errc() || ptr != digitsEnd || size < 0 ||
            static_cast<std::size_t>(size) > static_cast<std::size_t>(end - (sizeEnd + 1))) {
            contents.complete = false;
            break;
        }
        contents.records.push_back(BatchRecord{
            std::string(at, comma), std::span(sizeEnd + 1, static_cast<std::size_t>(size))});
        at = sizeEnd + 1 + size;
    }
    return contents;
}
