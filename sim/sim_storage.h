// sim_storage.h: the simulated terminal's disks C: and D:, kept in the host
// folders ROOT/C and ROOT/D. Names are 8.3, stored upper-case; look-ups ignore
// case; host entries whose names are not 8.3 do not exist for the terminal.
// The switches (formatted, capacity, locks, failing writes) may be changed from
// any thread; the file operations run on the terminal's thread.
#pragma once

#include "sim/pending_file.h"
#include "sim/short_name.h"

#include <array>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::array<char, 2> kTerminalDisks{'C', 'D'};
inline constexpr std::uint32_t kDefaultCapacityC = 4u << 20, kDefaultCapacityD = 2u << 20;

// Folders every formatted disk has.
struct StandardFolder {
    char disk;
    const char* name;
};
inline constexpr std::array<StandardFolder, 4> kStandardFolders{
    {{'D', "PROGRAM"}, {'D', "FONTS"}, {'D', "LOOKUP"}, {'C', "DATA"}}};

struct StorageEntry {
    std::string name; // stored 8.3 form
    bool folder = false;
    std::uint32_t size = 0;
    std::time_t modified = 0;
};

// Why a file cannot be stored, in the order the checks are made.
enum class StoreCheck { Ok, NoSuchPlace, NotFormatted, Exists, InUse, NoSpace, WriteFailed };
enum class DeleteResult { Ok, NoSuchFile, InUse };
enum class FormatResult { Ok, UnknownDisk, InUse, WriteFailed };

class SimStorage {
public:
    explicit SimStorage(std::filesystem::path root, std::uint32_t capacityC = kDefaultCapacityC,
                        std::uint32_t capacityD = kDefaultCapacityD);

    const std::filesystem::path& Root() const { return root; }
    // Makes the disk folders and, on formatted disks, the standard folders they
    // lack. False when the host refuses.
    bool Prepare();

    static bool HasDisk(char disk);
    bool IsFormatted(char disk) const;
    void SetFormatted(char disk, bool formatted);
    std::uint32_t Capacity(char disk) const;
    void SetCapacity(char disk, std::uint32_t bytes);
    // Sum of the sizes of the disk's files, in bytes.
    std::uint64_t UsedSpace(char disk) const;
    // Capacity minus used space (0 when the files hold more); nullopt for an
    // unknown or unformatted disk.
    std::optional<std::uint32_t> FreeSpace(char disk) const;

    // Marks a file "in use" (the terminal's own program holds it); the path as
    // the terminal names it, any case. False when it is not a terminal path.
    bool Lock(std::string_view path);
    void Unlock(std::string_view path);
    bool IsLocked(const TerminalPath& path) const;
    // Every later host write fails, as on a failing disk.
    void SetFailWrites(bool fail);

    // Host path of an existing file (not a folder) on a formatted disk.
    std::optional<std::filesystem::path> FindFile(std::string_view path) const;
    // The entries of a disk or folder, sorted by name; nullopt when there is no
    // such disk or folder or the disk is not formatted.
    std::optional<std::vector<StorageEntry>> List(std::string_view path) const;
    DeleteResult Delete(std::string_view path);
    // Removes everything on the disk and makes the standard folders again.
    FormatResult Format(std::string_view disk);
    // Checks that a file of size bytes may be stored at path (replacing an
    // existing one only when overwrite is set) and, when it may, opens file for
    // its bytes; the caller commits it when they are all in.
    StoreCheck BeginStore(std::string_view path, std::uint32_t size, bool overwrite,
                          PendingFile& file) const;
    // Opens a pending file for a host file outside the disks (ROOT/name).
    bool BeginRootFile(const std::string& name, PendingFile& file) const;

private:
    std::filesystem::path DiskFolder(char disk) const;
    // Host folder of a formatted disk or of a folder on it.
    std::optional<std::filesystem::path> FindFolder(const TerminalPath& path) const;
    bool CanWrite() const;

    const std::filesystem::path root;
    mutable std::mutex mutex;
    std::map<char, std::uint32_t> capacity;
    std::set<char> unformatted;
    std::set<std::string> locked; // TerminalPath::Text()
    bool failWrites = false;
};
