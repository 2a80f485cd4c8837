// terminal_tree_rules.h: decisions of the terminal's file tree that need no widget:
// the children a listing gives, the safe texts of the terminal's names, the request
// path of an item, and what the properties show. Pure functions, any thread.
#pragma once

#include "link/link_status.h"
#include "link/listing.h"
#include "link/messages.h"
#include "pc/file_tree_rules.h"
#include "terminal/code_page.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// A listing never gives more children than this; the rest is not shown.
inline constexpr std::size_t kMaxListedItems = 4096;
// Bytes of a root listing line kept as the disk's name.
inline constexpr std::size_t kMaxDiskNameLength = 16;
// The request path of the root listing.
inline constexpr const char* kRootRequestPath = "PDT";
// Stands for every byte of a terminal name that is not shown as it is.
inline constexpr char kUnshownByte = '?';

// One child item a listing gives: the text shown and the name its requests use.
struct TreeChild {
    std::string text; // UTF-8
    FileTreeImage image = FileTreeImage::ImageFile;
    std::string request; // the terminal's bytes (see RequestName)
    bool operator==(const TreeChild&) const = default;
};

// A name as the tree shows it (UTF-8): printable ASCII stays; bytes 0x80-0xFF
// are decoded with codePage (without one, and where it has no character, they
// become '?'); control bytes, 0x7F and the separators "/" and "\" become '?'.
// An empty name becomes "?" and a name of dots only has its dots replaced, so
// that the text is always one plain path component that names neither the
// folder itself nor its parent.
std::string SafeName(std::string_view raw, const CodePageTable* codePage = &Windows1250());
// An extension as the tree shows it: SafeName's byte rule, empty allowed.
std::string SafeExtension(std::string_view raw, const CodePageTable* codePage = &Windows1250());
// The name the terminal's requests use for a listed name: its own bytes,
// unchanged, when they make one plain path component (no control byte, no
// separator, not empty, not dots only); otherwise the ASCII form SafeName gives
// without a code page, which asks for nothing but a name.
std::string RequestName(std::string_view raw);
std::string RequestExtension(std::string_view raw);
// The text of a listing entry: the safe name, and for a file "." and the safe
// extension (the dot stays when the extension is empty).
std::string EntryText(const TerminalEntry& entry, const CodePageTable* codePage = &Windows1250());
// The entry's name as requests use it, built as EntryText is.
std::string EntryRequestText(const TerminalEntry& entry);
// The item's image for an entry kind; nullopt for the kinds the tree skips.
std::optional<FileTreeImage> EntryImage(std::uint8_t kind);

// The disks of a root listing: the first count CR LF-terminated lines within data,
// each bounded to kMaxDiskNameLength bytes; text after the last CR LF is dropped.
std::vector<TreeChild> RootChildren(std::span<const std::uint8_t> data, int count,
                                    const CodePageTable& codePage = Windows1250());
// The entries of a disk or folder listing: the first count whole 32-byte entries
// within data, without the kinds the tree skips.
std::vector<TreeChild> ListingChildren(std::span<const std::uint8_t> data, int count,
                                       const CodePageTable& codePage = Windows1250());
// Whether the listing holds more entries (at the root: disk lines) within data
// than the kMaxListedItems the tree shows.
bool ListingIsCut(std::span<const std::uint8_t> data, int count, bool root);
// The message window's line for a listing of path cut to shown items.
std::string ListingCutLine(const std::string& path, std::size_t shown);
// The first count whole entries within data, decoded (at most kMaxListedItems).
std::vector<TerminalEntry> BoundedEntries(std::span<const std::uint8_t> data, int count);

// The path a listing of the item asks for: "PDT" for the root, else the item's
// path in upper case.
std::string ListingRequestPath(bool root, const std::string& itemPath);
// The path up to (not including) its last "\"; empty when it has none.
std::string ParentLocation(const std::string& path);

// A folder's size: the sum of the sizes of its entries, one level deep, held to
// the largest size the properties can show.
std::int32_t FolderSize(const std::vector<TerminalEntry>& entries);
// The entry whose name (folder) or name.ext (file) equals the item's request
// name, ignoring the case of ASCII letters; compared on the names requests use.
std::optional<TerminalEntry> FindFolderEntry(const std::vector<TerminalEntry>& entries,
                                             const std::string& itemName);
std::optional<TerminalEntry> FindFileEntry(const std::vector<TerminalEntry>& entries,
                                           const std::string& itemName);
// "YYYY/MM/DD hh:mm:ss" from a 14-digit stamp; another stamp shown as sent, made
// printable.
std::string DateText(const std::string& time14);

// The message box for a disk's properties request that failed (nullopt for Ok).
std::optional<MessageId> MessageForDiskProperties(LinkStatus s);
