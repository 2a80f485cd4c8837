// test_dir.h: a fresh temporary folder, removed with everything in it.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

class TestDir {
public:
    TestDir()
    {
        std::random_device rd;
        path = std::filesystem::temp_directory_path() /
               ("kvtest-" + std::to_string(rd()) + "-" + std::to_string(rd()));
        std::filesystem::create_directories(path);
    }
    ~TestDir()
    {
        std::error_code ec;
        std::filesystem::permissions(path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path, ec);
    }
    TestDir(const TestDir&) = delete;
    TestDir& operator=(const TestDir&) = delete;

    std::filesystem::path operator/(const std::string& name) const { return path / name; }

    static void WriteFile(const std::filesystem::path& p, const std::string& content)
    {
        std::ofstream(p, std::ios::binary) << content;
    }
    static std::string ReadFile(const std::filesystem::path& p)
    {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // The names in folder, hidden ones too, in UTF-8 and sorted.
    static std::vector<std::string> Names(const std::filesystem::path& folder)
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            const std::u8string name = entry.path().filename().u8string();
            names.emplace_back(name.begin(), name.end());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    std::filesystem::path path;
};
