#include "convert/file_bytes.h"

#include "link/file_open.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <new>
#include <random>
#include <stdexcept>
#include <system_error>

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

constexpr int kTemporaryNameAttempts = 16;

// Creates a file that did not exist before, beside path; its name is returned in
// created.
FileHandle CreateTemporaryBeside(const std::filesystem::path& path, std::filesystem::path& created)
{
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".~%08x", static_cast<unsigned>(random()));
        created = path;
        created += suffix;
        if (FileHandle file{OpenFile(created, "wbx")})
            return file;
        if (errno != EEXIST)
            break;
    }
    created.clear();
    return nullptr;
}

} // namespace

FileResult ReadFileBytes(const std::filesystem::path& path, std::string& bytes)
{
    const FileHandle file{OpenFile(path, "rb")};
    if (!file)
        return FileResult::CannotOpen;
    std::error_code ec;
    std::uintmax_t expected = std::filesystem::file_size(path, ec);
    if (ec)
        expected = 0;
    try {
        // One byte more than expected, so that a file of the expected size ends
        // in a single read.
        bytes.resize(static_cast<std::size_t>(expected) + 1);
        std::size_t used = 0;
        for (;;) {
            used += std::fread(bytes.data() + used, 1, bytes.size() - used, file.get());
            if (used < bytes.size())
                break;
            bytes.resize(bytes.size() * 2);
        }
        bytes.resize(used);
    } catch (const std::bad_alloc&) {
        return FileResult::OutOfMemory;
    } catch (const std::length_error&) {
        return FileResult::OutOfMemory;
    }
    return std::ferror(file.get()) ? FileResult::ReadFailed : FileResult::Ok;
}

bool ReplaceFileBytes(const std::filesystem::path& path, std::string_view bytes)
{
    std::filesystem::path temporary;
    FileHandle file = CreateTemporaryBeside(path, temporary);
    if (!file)
        return false;
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    written = std::fflush(file.get()) == 0 && written;
    written = std::fclose(file.release()) == 0 && written;
    written = written && RenameOver(temporary, path);
    if (!written) {
        std::error_code ec;
        std::filesystem::remove(temporary, ec);
        return false;
    }
    return true;
}

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    if (in.bad())
        return std::nullopt;
    return bytes;
}

bool WriteWholeFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}
