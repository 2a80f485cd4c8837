// Root and folder listings as the terminal tree decodes them: any bytes, any
// entry count.
#include "link/listing.h"
#include "terminal/terminal_tree_rules.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    // The count the tree is given need not match the bytes.
    const int count = static_cast<std::int8_t>(data[0]) * 40;
    const std::span<const std::uint8_t> listing(data + 1, size - 1);

    for (const TreeChild& child : RootChildren(listing, count))
        // The bound is on the terminal's bytes; each may decode to three in UTF-8.
        if (child.text.empty() || child.request.size() > kMaxDiskNameLength ||
            child.text.size() > 3 * kMaxDiskNameLength ||
            child.text.find_first_of("/\\") != std::string::npos)
            std::abort();
    for (const TreeChild& child : ListingChildren(listing, count))
        if (child.text.empty() || child.text == "." || child.text == ".." ||
            child.text.find_first_of("/\\") != std::string::npos)
            std::abort();
    const std::vector<TerminalEntry> entries = BoundedEntries(listing, count);
    if (entries.size() > kMaxListedItems || entries.size() * kListingEntrySize > listing.size())
        std::abort();
    (void)FolderSize(entries);
    for (const TerminalEntry& e : entries) {
        (void)DateText(e.time);
        (void)FindFolderEntry(entries, EntryText(e));
        (void)FindFileEntry(entries, EntryText(e));
    }
    (void)ParentLocation(std::string(listing.begin(), listing.end()));
    return 0;
}
