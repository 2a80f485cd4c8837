#include "sim/sim_storage.h"

#include "link/utf8_path.h"

#include <algorithm>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// Folders nested deeper than this are not followed (a host symlink loop).
constexpr int kMaxFolderDepth = 16;

// The host entries of dir that carry 8.3 names, by stored name; host names are
// UTF-8 (HostFileName). Of two host names that differ only in case, the
// upper-case one wins.
std::map<std::string, fs::directory_entry> ShortEntries(const fs::path& dir)
{
    std::map<std::string, fs::directory_entry> out;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string host = Utf8Text(it->path().filename());
        const auto terminal = TerminalNameOfHost(host);
        const auto stored = terminal ? ShortName(*terminal) : std::nullopt;
        std::error_code typeEc;
        if (!stored || (!it->is_directory(typeEc) && !it->is_regular_file(typeEc)))
            continue;
        const auto [pos, inserted] = out.try_emplace(*stored, *it);
        if (!inserted && host == HostFileName(*stored))
            pos->second = *it;
    }
    return out;
}

std::optional<fs::directory_entry> FindChild(const fs::path& dir, const std::string& stored)
{
    auto entries = ShortEntries(dir);
    const auto it = entries.find(stored);
    if (it == entries.end())
        return std::nullopt;
    return it->second;
}

std::uint32_t FileSize(const fs::directory_entry& entry)
{
    std::error_code ec;
    const std::uintmax_t size = entry.file_size(ec);
    return ec ? 0 : static_cast<std::uint32_t>(std::min<std::uintmax_t>(size, UINT32_MAX));
}

std::uint64_t SumFiles(const fs::path& dir, int depth)
{
    std::uint64_t sum = 0;
    for (const auto& [name, entry] : ShortEntries(dir)) {
        std::error_code ec;
        if (entry.is_directory(ec))
            sum += depth < kMaxFolderDepth ? SumFiles(entry.path(), depth + 1) : 0;
        else
            sum += FileSize(entry);
    }
    return sum;
}

} // namespace

SimStorage::SimStorage(fs::path rootFolder, std::uint32_t capacityC, std::uint32_t capacityD)
    : root(std::move(rootFolder)), capacity{{'C', capacityC}, {'D', capacityD}}
{
}

bool SimStorage::Prepare()
{
    std::error_code ec;
    bool ok = true;
    for (const char disk : kTerminalDisks) {
        fs::create_directories(DiskFolder(disk), ec);
        ok = ok && !ec;
    }
    for (const StandardFolder& folder : kStandardFolders) {
        if (!IsFormatted(folder.disk) || FindChild(DiskFolder(folder.disk), folder.name))
            continue;
        fs::create_directory(DiskFolder(folder.disk) / folder.name, ec);
        ok = ok && !ec;
    }
    return ok;
}

bool SimStorage::HasDisk(char disk)
{
    return std::find(kTerminalDisks.begin(), kTerminalDisks.end(), disk) != kTerminalDisks.end();
}

bool SimStorage::IsFormatted(char disk) const
{
    std::lock_guard lock(mutex);
    return HasDisk(disk) && !unformatted.contains(disk);
}

void SimStorage::SetFormatted(char disk, bool formatted)
{
    std::lock_guard lock(mutex);
    if (formatted)
        unformatted.erase(disk);
    else if (HasDisk(disk))
        unformatted.insert(disk);
}

std::uint32_t SimStorage::Capacity(char disk) const
{
    std::lock_guard lock(mutex);
    const auto it = capacity.find(disk);
    return it == capacity.end() ? 0 : it->second;
}

void SimStorage::SetCapacity(char disk, std::uint32_t bytes)
{
    std::lock_guard lock(mutex);
    if (HasDisk(disk))
        capacity[disk] = bytes;
}

std::uint64_t SimStorage::UsedSpace(char disk) const
{
    return HasDisk(disk) ? SumFiles(DiskFolder(disk), 0) : 0;
}

std::optional<std::uint32_t> SimStorage::FreeSpace(char disk) const
{
    if (!IsFormatted(disk))
        return std::nullopt;
    const std::uint64_t total = Capacity(disk), used = UsedSpace(disk);
    return static_cast<std::uint32_t>(used >= total ? 0 : total - used);
}

bool SimStorage::Lock(std::string_view path)
{
    const auto parsed = ParseTerminalPath(path);
    if (!parsed || parsed->IsDisk())
        return false;
    std::lock_guard lock(mutex);
    locked.insert(parsed->Text());
    return true;
}

void SimStorage::Unlock(std::string_view path)
{
    if (const auto parsed = ParseTerminalPath(path)) {
        std::lock_guard lock(mutex);
        locked.erase(parsed->Text());
    }
}

bool SimStorage::IsLocked(const TerminalPath& path) const
{
    std::lock_guard lock(mutex);
    return locked.contains(path.Text());
}

void SimStorage::SetFailWrites(bool fail)
{
    std::lock_guard lock(mutex);
    failWrites = fail;
}

std::optional<fs::path> SimStorage::FindFile(std::string_view text) const
{
    auto path = ParseTerminalPath(text);
    if (!path || path->IsDisk())
        return std::nullopt;
    const std::string name = path->parts.back();
    path->parts.pop_back();
    const auto folder = FindFolder(*path);
    if (!folder)
        return std::nullopt;
    const auto entry = FindChild(*folder, name);
    std::error_code ec;
    if (!entry || !entry->is_regular_file(ec))
        return std::nullopt;
    return entry->path();
}

std::optional<std::vector<StorageEntry>> SimStorage::List(std::string_view text) const
{
    const auto path = ParseTerminalPath(text);
    const auto folder = path ? FindFolder(*path) : std::nullopt;
    if (!folder)
        return std::nullopt;
    std::vector<StorageEntry> entries;
    for (const auto& [name, entry] : ShortEntries(*folder)) {
        StorageEntry e;
        e.name = name;
        std::error_code ec;
        e.folder = entry.is_directory(ec);
        e.size = e.folder ? 0 : FileSize(entry);
        e.modified = HostFileTime(entry.path()).value_or(0);
        entries.push_back(std::move(e));
    }
    return entries;
}

DeleteResult SimStorage::Delete(std::string_view text)
{
    const auto file = FindFile(text);
    if (!file)
        return DeleteResult::NoSuchFile;
    if (IsLocked(*ParseTerminalPath(text)))
        return DeleteResult::InUse;
    std::error_code ec;
    // A file the host will not let go of is as good as in use.
    return CanWrite() && fs::remove(*file, ec) ? DeleteResult::Ok : DeleteResult::InUse;
}

FormatResult SimStorage::Format(std::string_view text)
{
    const auto path = ParseTerminalPath(text);
    if (!path || !path->IsDisk() || !HasDisk(path->disk))
        return FormatResult::UnknownDisk;
    {
        std::unique_lock lock(mutex);
        const std::set<std::string> lockedNow = locked;
        lock.unlock();
        for (const std::string& name : lockedNow)
            if (name[0] == path->disk && FindFile(name))
                return FormatResult::InUse;
    }
    if (!CanWrite())
        return FormatResult::WriteFailed;
    const fs::path folder = DiskFolder(path->disk);
    std::error_code ec;
    fs::create_directories(folder, ec);
    bool removed = !ec;
    std::vector<fs::path> children;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        children.push_back(it->path());
    for (const fs::path& child : children) {
        std::error_code removeEc;
        fs::remove_all(child, removeEc);
        removed = removed && !removeEc;
    }
    SetFormatted(path->disk, true);
    return removed && !ec && Prepare() ? FormatResult::Ok : FormatResult::WriteFailed;
}

StoreCheck SimStorage::BeginStore(std::string_view text, std::uint32_t size, bool overwrite,
                                  PendingFile& file) const
{
    auto path = ParseTerminalPath(text);
    if (!path || path->IsDisk() || !HasDisk(path->disk))
        return StoreCheck::NoSuchPlace;
    if (!IsFormatted(path->disk))
        return StoreCheck::NotFormatted;
    const TerminalPath full = *path;
    const std::string name = path->parts.back();
    path->parts.pop_back();
    const auto folder = FindFolder(*path);
    if (!folder)
        return StoreCheck::NoSuchPlace;
    const auto existing = FindChild(*folder, name);
    std::error_code ec;
    if (existing && existing->is_directory(ec))
        return StoreCheck::NoSuchPlace;
    if (existing && !overwrite)
        return StoreCheck::Exists;
    if (existing && IsLocked(full))
        return StoreCheck::InUse;
    // The file it replaces frees its own space.
    const std::uint64_t used = UsedSpace(full.disk);
    const std::uint64_t replaced =
        existing ? std::min<std::uint64_t>(FileSize(*existing), used) : 0;
    if (used - replaced + size > Capacity(full.disk))
        return StoreCheck::NoSpace;
    const fs::path target = existing ? existing->path() : *folder / Utf8Path(HostFileName(name));
    if (!CanWrite() || !file.Open(target))
        return StoreCheck::WriteFailed;
    return StoreCheck::Ok;
}

bool SimStorage::BeginRootFile(const std::string& name, PendingFile& file) const
{
    return CanWrite() && file.Open(root / Utf8Path(name));
}

fs::path SimStorage::DiskFolder(char disk) const
{
    return root / std::string(1, disk);
}

std::optional<fs::path> SimStorage::FindFolder(const TerminalPath& path) const
{
    if (!IsFormatted(path.disk))
        return std::nullopt;
    fs::path folder = DiskFolder(path.disk);
    std::error_code ec;
    if (!fs::is_directory(folder, ec))
        return std::nullopt;
    for (const std::string& part : path.parts) {
        const auto child = FindChild(folder, part);
        if (!child || !child->is_directory(ec))
            return std::nullopt;
        folder = child->path();
    }
    return folder;
}

bool SimStorage::CanWrite() const
{
    std::lock_guard lock(mutex);
    return !failWrites;
}
