// file_open.h: files opened, flushed, appended to and replaced through the path
// type, so that a name outside the system's narrow code page still works. One
// implementation per system. Any thread.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string_view>

// std::fopen for path with a C mode ("rb", "wb", "ab", ...); "x" creates the file
// only when none of that name exists (errno EEXIST otherwise). Null on failure,
// with errno set.
std::FILE* OpenFile(const std::filesystem::path& path, const char* mode);

// Flushes f and asks the system to put its bytes on the disk. False when either fails.
bool FlushToDisk(std::FILE* f);

// Appends bytes to path (created when missing) in one write, so that lines of
// other threads and processes appending to the same file never mix. False on failure.
bool AppendWhole(const std::filesystem::path& path, std::string_view bytes);

// Gives from the name to at once, replacing a file named to. False on failure,
// with both files as they were.
bool RenameOver(const std::filesystem::path& from, const std::filesystem::path& to);
