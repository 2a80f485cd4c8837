#include "link/listing.h"

#include "link/windows_1250.h"

#include "link/frame.h"

#include <cstring>

namespace {

std::string Field(const std::uint8_t* bytes, std::size_t size)
{
    const auto* text = reinterpret_cast<const char*>(bytes);
    return std::string(text, strnlen(text, size));
}

} // namespace

std::vector<TerminalEntry> DecodeListing(const std::uint8_t* data, int count)
{
    std::vector<TerminalEntry> entries;
    if (!data || count <= 0)
        return entries;
    entries.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const std::uint8_t* e = data + static_cast<std::size_t>(i) * kListingEntrySize;
        entries.push_back(
            TerminalEntry{e[11], Field(e, 8), Field(e + 8, 3), Field(e + 12, 14), GetU32(e + 26)});
    }
    return entries;
}

std::vector<std::string> DecodeRootListing(const std::uint8_t* data, int count)
{
    std::vector<std::string> lines;
    if (!data)
        return lines;
    const auto* text = reinterpret_cast<const char*>(data);
    for (std::size_t pos = 0; static_cast<int>(lines.size()) < count;) {
        std::size_t end = pos;
        while (!(text[end] == '\r' && text[end + 1] == '\n'))
            ++end; // count was made from the CR LF pairs, so one follows
        lines.emplace_back(text + pos, end - pos);
        pos = end + 2;
    }
    return lines;
}

std::string EntryDisplayName(const TerminalEntry& entry)
{
    if (entry.kind == kEntryFile)
        return entry.name + "." + entry.extension;
    return entry.name;
}

std::string FormatTimeStamp(const std::string& t)
{
    if (t.size() < 14)
        return t;
    return t.substr(0, 4) + "/" + t.substr(4, 2) + "/" + t.substr(6, 2) + " " + t.substr(8, 2) +
           ":" + t.substr(10, 2) + ":" + t.substr(12, 2);
}

std::string PrintableText(const std::string& text)
{
    return DecodeTerminalText(text);
}
