// incoming_file.h: where a file pushed by the terminal is written. The terminal
// names the file; the PC keeps only a safe 8.3 base name, writes into one receive
// folder under a hidden temporary name and gives the file its name only when it
// is whole, replacing a file of that name at once (a second push of a file is
// its newer version); a replaced file with other bytes is kept in the folder's
// history first. The link's receiving thread only.
#pragma once

#include "link/replaced_history.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// The last path component of name with characters unsafe in a file name removed,
// cut to 8.3, the terminal's letters above ASCII (Windows-1250) in UTF-8; empty
// when nothing usable remains ("..", only separators, ...).
std::string SafeIncomingName(std::string_view name);

// <user data folder>/KVVidiRidoved/Received ($XDG_DATA_HOME or ~/.local/share).
std::filesystem::path DefaultReceiveFolder();

class IncomingFile {
public:
    IncomingFile() = default;
    ~IncomingFile() { Abandon(); }
    IncomingFile(const IncomingFile&) = delete;
    IncomingFile& operator=(const IncomingFile&) = delete;

    // Opens a temporary file in folder (created when missing) for the safe name.
    bool Open(const std::filesystem::path& folder, const std::string& safeName);
    bool IsOpen() const { return file != nullptr; }
    bool Write(const std::uint8_t* bytes, std::size_t count);
    // Closes the file and renames it to its name, over an existing file of that
    // name, which goes to the history first when its bytes differ. The final
    // path, or nullopt (the temporary file is removed, the older file stays).
    std::optional<std::filesystem::path> Commit();
    // After a Commit: where the replaced file went, or empty when none was kept.
    const std::filesystem::path& KeptAs() const { return keptAs; }
    // Days the history keeps a replaced file.
    void SetKeepDays(int days) { keepDays = days; }
    // Closes and removes the temporary file.
    void Abandon();

private:
    std::FILE* file = nullptr;
    std::filesystem::path folder, tempPath, keptAs;
    std::string name;
    int keepDays = kDefaultReplacedKeepDays;
};
