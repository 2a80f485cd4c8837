// The private folders: temporary copies on disk-backed storage, never in the
// memory-backed runtime folder; the socket's folder stays in the runtime folder.
#include "tests/support/test_dir.h"

#include "link/private_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <sys/stat.h>

namespace {

// Sets an environment variable (nullopt: unsets it) for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* n, const std::optional<std::string>& value) : name(n)
    {
        if (const char* old = std::getenv(name))
            previous = old;
        if (value)
            setenv(name, value->c_str(), 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (previous)
            setenv(name, previous->c_str(), 1);
        else
            unsetenv(name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name;
    std::optional<std::string> previous;
};

unsigned Mode(const std::filesystem::path& p)
{
    struct stat info {};
    stat(p.c_str(), &info);
    return info.st_mode & 0777;
}

} // namespace

TEST(PrivateFolder, TemporaryFilesInTheCacheTheSocketInTheRuntimeFolder)
{
    TestDir dir;
    std::filesystem::create_directories(dir / "runtime");
    const ScopedEnv runtime("XDG_RUNTIME_DIR", (dir / "runtime").string());
    const ScopedEnv cache("XDG_CACHE_HOME", (dir / "cache").string());

    const auto one = CreatePrivateTempFile("convert", "tmp");
    const auto two = CreatePrivateTempFile("convert", "tmp");
    EXPECT_EQ(one.parent_path(), dir / "cache" / "KVVidiRidoved");
    EXPECT_NE(one, two) << "every copy has a name of its own";
    EXPECT_TRUE(std::filesystem::exists(one) && std::filesystem::exists(two));
    EXPECT_EQ(Mode(dir / "cache" / "KVVidiRidoved"), 0700u);
    EXPECT_EQ(Mode(dir / "cache"), 0700u) << "a cache folder made here is the user's alone";
    EXPECT_EQ(PrivateRuntimeFolder(), dir / "runtime" / "KVVidiRidoved");
    EXPECT_TRUE(std::filesystem::is_empty(dir / "runtime" / "KVVidiRidoved"));
}

TEST(PrivateFolder, WithoutTheCacheVariableHomeCacheThenNeverAForeignFolder)
{
    TestDir dir;
    std::filesystem::create_directories(dir / "home");
    const ScopedEnv cache("XDG_CACHE_HOME", std::nullopt);
    const ScopedEnv home("HOME", (dir / "home").string());
    EXPECT_EQ(PrivateTempFolder(), dir / "home" / ".cache" / "KVVidiRidoved");

    // A folder others may enter is not used: the temporary folder's own is.
    std::filesystem::permissions(dir / "home" / ".cache" / "KVVidiRidoved",
                                 std::filesystem::perms::group_all,
                                 std::filesystem::perm_options::add);
    const auto folder = PrivateTempFolder();
    EXPECT_NE(folder, dir / "home" / ".cache" / "KVVidiRidoved");
    if (!folder.empty()) {
        EXPECT_EQ(Mode(folder), 0700u);
    }
}
