// private_folder.h: the user's private folders (mode 0700): one on disk-backed
// storage for the program's temporary files, whose copies may be as large as
// the files sent, and one in the runtime folder for the program's socket; and
// unique names in the first. On Windows both are in the user's local
// application data folder (%LOCALAPPDATA%\KVVidiRidoved), the user's alone.
// Any thread.
#pragma once

#include <filesystem>
#include <string>

// <cache>/KVVidiRidoved ($XDG_CACHE_HOME or ~/.cache), else a folder of the
// user's own in the system's temporary folder. Made on first use; empty when
// neither can be made or is safely ours.
std::filesystem::path PrivateTempFolder();

// The place of the single-instance socket: <runtime>/KVVidiRidoved
// ($XDG_RUNTIME_DIR), else the user's own folder in the system's temporary
// folder, else <cache>/KVVidiRidoved; the first that can be made and is safely
// ours. Empty when none is: never a folder others may enter.
std::filesystem::path PrivateRuntimeFolder();

// Creates a new, empty file "<stem>-<unique>.<extension>" in PrivateTempFolder
// and returns its path; empty on failure. The caller removes it.
std::filesystem::path CreatePrivateTempFile(const std::string& stem, const std::string& extension);
