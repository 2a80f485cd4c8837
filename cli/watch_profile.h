// watch_profile.h: what kvctl watch does for each terminal set into its cradle,
// read from an INI file. Every group is optional:
//
//   [Watch]   Poll=3                       seconds between asks while no terminal answers
//   [Clock]   Set=yes
//   [Collect] From=C:\DATA  To=/srv/pdt/collected  Delete=yes
//   [Sync]    From=/srv/pdt/lookup  To=D:\LOOKUP  Delete=yes  Convert=no  Ini=FILE
//   [Install] Image=/srv/pdt/app/APP.BIN
//
// A profile with a group, key or value it does not know is refused whole, with
// the line and the key named: an unattended service must not guess.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>

struct WatchProfile {
    int pollSeconds = 3;
    bool setClock = false;
    struct Collect {
        std::string from; // a disk or folder of the terminal
        std::filesystem::path to;
        bool deleteAfter = false;
    };
    std::optional<Collect> collect;
    struct Sync {
        std::filesystem::path from;
        std::string to; // a disk or folder of the terminal
        bool deleteExtra = false;
        bool convert = false;
        std::filesystem::path ini; // empty: the program's Convert.ini
    };
    std::optional<Sync> sync;
    std::filesystem::path installImage; // empty: no install
};

// Reads a profile; nullopt with *error set ("FILE line N: [Group] Key: why").
std::optional<WatchProfile> ParseWatchProfile(std::istream& in, const std::string& fileName,
                                              std::string* error);
std::optional<WatchProfile> ReadWatchProfile(const std::filesystem::path& file, std::string* error);
