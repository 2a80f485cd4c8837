// private_folder.h: the user's private folder for the program's temporary files
// (mode 0700, under the runtime folder or the system's temporary folder), and
// unique names in it. Any thread.
#pragma once

#include <filesystem>
#include <string>

// Made on first use; empty when it cannot be made or is not safely ours.
std::filesystem::path PrivateTempFolder();

// Creates a new, empty file "<stem>-<unique>.<extension>" in the private folder
// and returns its path; empty on failure. The caller removes it.
std::filesystem::path CreatePrivateTempFile(const std::string& stem, const std::string& extension);
