// fuzz_folder.h: a scratch folder per fuzz target, emptied for every input so
// that one input's files never meet the next one's, and removed at exit.
#pragma once

#include <filesystem>
#include <string>
#include <unistd.h>

inline std::filesystem::path FreshFuzzFolder(const std::string& target)
{
    struct Scratch {
        std::filesystem::path path;
        ~Scratch()
        {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
    };
    static const Scratch scratch{std::filesystem::temp_directory_path() /
                                 ("kvfuzz-" + target + "-" + std::to_string(::getpid()))};
    std::error_code ec;
    std::filesystem::remove_all(scratch.path, ec);
    std::filesystem::create_directories(scratch.path);
    return scratch.path;
}
