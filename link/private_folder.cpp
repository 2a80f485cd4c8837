#include "link/private_folder.h"

#include "link/file_open.h"

#include <cerrno>
#include <cstdio>
#include <random>

namespace {

constexpr int kNameAttempts = 16;

} // namespace

std::filesystem::path CreatePrivateTempFile(const std::string& stem, const std::string& extension)
{
    const std::filesystem::path folder = PrivateTempFolder();
    if (folder.empty())
        return {};
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        char unique[16];
        std::snprintf(unique, sizeof unique, "%08x", static_cast<unsigned>(random()));
        const std::filesystem::path path = folder / (stem + "-" + unique + "." + extension);
        // Only a name nobody has taken: another process may share the folder.
        if (std::FILE* f = OpenFile(path, "wbx")) {
            std::fclose(f);
            return path;
        }
        if (errno != EEXIST)
            return {};
    }
    return {};
}
