// file_bytes.h: whole-file reads and all-or-nothing writes for the conversion's
// files. Any thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

enum class FileResult { Ok, CannotOpen, ReadFailed, OutOfMemory };

// Reads the whole file at path into bytes. CannotOpen when it cannot be opened,
// ReadFailed when reading stops on an error (a folder, for example), OutOfMemory
// when it does not fit; bytes is then unspecified.
FileResult ReadFileBytes(const std::filesystem::path& path, std::string& bytes);

// Writes bytes into a new temporary file beside path and renames it over path.
// Returns false, leaving path as it was and no temporary file behind, when any
// step fails.
bool ReplaceFileBytes(const std::filesystem::path& path, std::string_view bytes);

// The whole file at path, or nullopt when it cannot be opened or read.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::filesystem::path& path);

// Writes bytes over path in place (not atomically); false when any write fails.
bool WriteWholeFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);
