// replaced_history.h: the receive folder's history of pushed files that a newer
// push of the same name replaced. Two terminals pushing ORDERS.TXT between two
// collections must not lose the first one: before a push takes a name whose file
// has other bytes, that file moves to <folder>/.replaced/<name>.YYYYMMDD-hhmmss
// (the time it was replaced), where it is kept for a number of days.
#pragma once

#include <ctime>
#include <filesystem>
#include <optional>

inline constexpr const char* kReplacedFolderName = ".replaced";
inline constexpr int kDefaultReplacedKeepDays = 30;

enum class KeepResult { NothingToKeep, Kept, Failed };

// Before incoming is renamed to target: moves target into the history when it is
// a file whose bytes differ from incoming's (same bytes, or no file: nothing to
// keep). Failed when the older file could not be moved; the caller must not
// replace it then. keptAs receives the older file's new path.
KeepResult KeepReplacedFile(const std::filesystem::path& target,
                            const std::filesystem::path& incoming, std::time_t now,
                            std::filesystem::path* keptAs);

// Removes the history entries of folder replaced more than keepDays days before
// now (by the time in their names); names of another shape stay.
void PruneReplacedFiles(const std::filesystem::path& folder, int keepDays, std::time_t now);

// Both are readable files with the same bytes.
bool FilesHaveSameBytes(const std::filesystem::path& a, const std::filesystem::path& b);

// The time a history entry's name carries, or nullopt for another name.
std::optional<std::time_t> ReplacedTime(const std::string& fileName);
