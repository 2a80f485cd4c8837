#include "terminal/terminal_tree_rules.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace {

char ShownByte(char c)
{
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b > 0x7E || c == '/' || c == '\\')
        return kUnshownByte;
    return c;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

std::size_t Bound(int count, std::size_t available)
{
    if (count <= 0)
        return 0;
    return std::min({static_cast<std::size_t>(count), available, kMaxListedItems});
}

} // namespace

std::string SafeName(std::string_view raw)
{
    std::string text = SafeExtension(raw);
    if (text.empty())
        return std::string(1, kUnshownByte);
    if (text.find_first_not_of('.') == std::string::npos)
        std::fill(text.begin(), text.end(), kUnshownByte);
    return text;
}

std::string SafeExtension(std::string_view raw)
{
    std::string text(raw);
    std::transform(text.begin(), text.end(), text.begin(), ShownByte);
    return text;
}

std::string EntryText(const TerminalEntry& entry)
{
    std::string text = SafeName(entry.name);
    if (entry.kind == kEntryFile)
        text += "." + SafeExtension(entry.extension);
    return text;
}

std::optional<FileTreeImage> EntryImage(std::uint8_t kind)
{
    switch (kind) {
    case kEntryDisk: return FileTreeImage::ImageFixedDisk;
    case kEntryFolder: return FileTreeImage::ImageFolder;
    case kEntryFile: return FileTreeImage::ImageFile;
    default: return std::nullopt;
    }
}

std::vector<TreeChild> RootChildren(std::span<const std::uint8_t> data, int count)
{
    std::vector<TreeChild> disks;
    const std::size_t wanted = Bound(count, data.size());
    const std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
    for (std::size_t pos = 0; disks.size() < wanted;) {
        const std::size_t end = text.find("\r\n", pos);
        if (end == std::string_view::npos)
            break;
        const std::string_view line = text.substr(pos, end - pos);
        disks.push_back(
            {SafeName(line.substr(0, kMaxDiskNameLength)), FileTreeImage::ImageFixedDisk});
        pos = end + 2;
    }
    return disks;
}

bool ListingIsCut(std::span<const std::uint8_t> data, int count, bool root)
{
    if (count <= 0 || static_cast<std::size_t>(count) <= kMaxListedItems)
        return false;
    if (!root)
        return data.size() / kListingEntrySize > kMaxListedItems;
    const std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
    std::size_t lines = 0;
    for (std::size_t pos = text.find("\r\n");
         pos != std::string_view::npos && lines <= kMaxListedItems;
         pos = text.find("\r\n", pos + 2))
        ++lines;
    return lines > kMaxListedItems;
}

std::string ListingCutLine(const std::string& path, std::size_t shown)
{
    return "The list of " + path + " shows its first " + std::to_string(shown) +
           " items only, more exist on the terminal";
}

std::vector<TerminalEntry> BoundedEntries(std::span<const std::uint8_t> data, int count)
{
    return DecodeListing(data.data(),
                         static_cast<int>(Bound(count, data.size() / kListingEntrySize)));
}

std::vector<TreeChild> ListingChildren(std::span<const std::uint8_t> data, int count)
{
    std::vector<TreeChild> children;
    for (const TerminalEntry& entry : BoundedEntries(data, count))
        if (const auto image = EntryImage(entry.kind))
            children.push_back({EntryText(entry), *image});
    return children;
}

std::string ListingRequestPath(bool root, const std::string& itemPath)
{
    if (root)
        return kRootRequestPath;
    std::string upper = itemPath;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return upper;
}

std::string ParentLocation(const std::string& path)
{
    const std::size_t cut = path.rfind('\\');
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

std::int32_t FolderSize(const std::vector<TerminalEntry>& entries)
{
    std::uint64_t sum = 0;
    for (const TerminalEntry& entry : entries)
        sum += entry.size;
    constexpr auto kLargest = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
    return static_cast<std::int32_t>(std::min(sum, kLargest));
}

std::optional<TerminalEntry> FindFolderEntry(const std::vector<TerminalEntry>& entries,
                                             const std::string& itemText)
{
    for (const TerminalEntry& entry : entries)
        if (EqualIgnoringCase(SafeName(entry.name), itemText))
            return entry;
    return std::nullopt;
}

std::optional<TerminalEntry> FindFileEntry(const std::vector<TerminalEntry>& entries,
                                           const std::string& itemText)
{
    // Every entry is compared as a file, whatever its kind.
    for (const TerminalEntry& entry : entries)
        if (EqualIgnoringCase(SafeName(entry.name) + "." + SafeExtension(entry.extension),
                              itemText))
            return entry;
    return std::nullopt;
}

std::string DateText(const std::string& time14)
{
    return PrintableText(FormatTimeStamp(time14));
}

std::optional<MessageId> MessageForDiskProperties(LinkStatus s)
{
    switch (s) {
    case LinkStatus::Ok: return std::nullopt;
    case LinkStatus::Refused: return MessageId::ProtocolVersion;
    case LinkStatus::Busy: return MessageId::AnotherJob;
    case LinkStatus::Cancelled: return MessageId::NoInformation;
    default: return MessageId::NoInformation;
    }
}
