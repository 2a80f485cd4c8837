// pending_file.h: a host file written whole. The bytes go to a hidden temporary
// name beside the target; Commit gives it the target's name, so a transfer that
// breaks off never leaves a partial file under the real name. One thread at a time.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <optional>
#include <span>

// The modification time of a host file as a time_t, and the reverse.
std::optional<std::time_t> HostFileTime(const std::filesystem::path& path);
bool SetHostFileTime(const std::filesystem::path& path, std::time_t time);

class PendingFile {
public:
    PendingFile() = default;
    ~PendingFile() { Abandon(); }
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // Creates the temporary file for target. False when it cannot be created.
    bool Open(const std::filesystem::path& target);
    bool IsOpen() const { return file != nullptr; }
    bool Write(std::span<const std::uint8_t> bytes);
    // Closes the file, gives it the modification time (when set) and the
    // target's name, replacing what was there. False: the temporary file is
    // removed and the target is unchanged.
    bool Commit(std::optional<std::time_t> modified);
    // Closes and removes the temporary file.
    void Abandon();

private:
    std::FILE* file = nullptr;
    std::filesystem::path target, tempPath;
};
