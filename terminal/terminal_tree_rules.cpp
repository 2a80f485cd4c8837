#include "terminal/terminal_tree_rules.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace {

// A byte that never shows as itself, nor goes back to the terminal as itself.
bool Unsafe(unsigned char b)
{
    return b < 0x20 || b == 0x7F || b == '/' || b == '\\';
}

// Every byte as shown: decoded, or '?'. A decoded character that is itself a
// control character or a separator is shown as '?' too.
std::string Shown(std::string_view raw, const CodePageTable* codePage)
{
    std::string text;
    for (const char c : raw) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            text += Unsafe(b) ? kUnshownByte : c;
            continue;
        }
        const char32_t decoded = codePage ? (*codePage)[b - 0x80] : 0;
        const bool shown = decoded >= 0xA0 ||
                           (decoded >= 0x20 && decoded < 0x7F && decoded != '/' && decoded != '\\');
        if (shown)
            AppendUtf8(text, decoded);
        else
            text += kUnshownByte;
    }
    return text;
}

bool AllDots(std::string_view text)
{
    return text.find_first_not_of('.') == std::string_view::npos;
}

// ASCII letters only, whatever the process's locale: the other bytes of a
// terminal name are its code page's and go back unchanged.
char AsciiUpper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiUpper(x) == AsciiUpper(y);
           });
}

std::size_t Bound(int count, std::size_t available)
{
    if (count <= 0)
        return 0;
    return std::min({static_cast<std::size_t>(count), available, kMaxListedItems});
}

} // namespace

std::string SafeName(std::string_view raw, const CodePageTable* codePage)
{
    std::string text = Shown(raw, codePage);
    if (text.empty())
        return std::string(1, kUnshownByte);
    if (AllDots(text))
        std::fill(text.begin(), text.end(), kUnshownByte);
    return text;
}

std::string SafeExtension(std::string_view raw, const CodePageTable* codePage)
{
    return Shown(raw, codePage);
}

std::string RequestName(std::string_view raw)
{
    const bool plain = !raw.empty() && !AllDots(raw) &&
                       std::none_of(raw.begin(), raw.end(),
                                    [](char c) { return Unsafe(static_cast<unsigned char>(c)); });
    return plain ? std::string(raw) : SafeName(raw, nullptr);
}

std::string RequestExtension(std::string_view raw)
{
    const bool plain = std::none_of(raw.begin(), raw.end(),
                                    [](char c) { return Unsafe(static_cast<unsigned char>(c)); });
    return plain ? std::string(raw) : SafeExtension(raw, nullptr);
}

std::string EntryText(const TerminalEntry& entry, const CodePageTable* codePage)
{
    std::string text = SafeName(entry.name, codePage);
    if (entry.kind == kEntryFile)
        text += "." + SafeExtension(entry.extension, codePage);
    return text;
}

std::string EntryRequestText(const TerminalEntry& entry)
{
    std::string text = RequestName(entry.name);
    if (entry.kind == kEntryFile)
        text += "." + RequestExtension(entry.extension);
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

std::vector<TreeChild> RootChildren(std::span<const std::uint8_t> data, int count,
                                    const CodePageTable& codePage)
{
    std::vector<TreeChild> disks;
    const std::size_t wanted = Bound(count, data.size());
    const std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
    for (std::size_t pos = 0; disks.size() < wanted;) {
        const std::size_t end = text.find("\r\n", pos);
        if (end == std::string_view::npos)
            break;
        const std::string_view line = text.substr(pos, end - pos).substr(0, kMaxDiskNameLength);
        disks.push_back(
            {SafeName(line, &codePage), FileTreeImage::ImageFixedDisk, RequestName(line)});
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

std::vector<TreeChild> ListingChildren(std::span<const std::uint8_t> data, int count,
                                       const CodePageTable& codePage)
{
    std::vector<TreeChild> children;
    for (const TerminalEntry& entry : BoundedEntries(data, count))
        if (const auto image = EntryImage(entry.kind))
            children.push_back({EntryText(entry, &codePage), *image, EntryRequestText(entry)});
    return children;
}

std::string ListingRequestPath(bool root, const std::string& itemPath)
{
    if (root)
        return kRootRequestPath;
    std::string upper = itemPath;
    std::transform(upper.begin(), upper.end(), upper.begin(), AsciiUpper);
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
                                             const std::string& itemName)
{
    for (const TerminalEntry& entry : entries)
        if (EqualIgnoringCase(RequestName(entry.name), itemName))
            return entry;
    return std::nullopt;
}

std::optional<TerminalEntry> FindFileEntry(const std::vector<TerminalEntry>& entries,
                                           const std::string& itemName)
{
    // Every entry is compared as a file, whatever its kind.
    for (const TerminalEntry& entry : entries)
        if (EqualIgnoringCase(RequestName(entry.name) + "." + RequestExtension(entry.extension),
                              itemName))
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
