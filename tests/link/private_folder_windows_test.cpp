// The private folders on Windows: inside the user's local application data
// folder, whatever letters its path holds.
#include "tests/support/test_dir.h"

#include "link/private_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

// Sets LOCALAPPDATA for the life of the object.
class ScopedLocalAppData {
public:
    explicit ScopedLocalAppData(const std::filesystem::path& folder)
    {
        if (const wchar_t* old = _wgetenv(L"LOCALAPPDATA"))
            previous = old;
        _wputenv_s(L"LOCALAPPDATA", folder.c_str());
    }
    ~ScopedLocalAppData() { _wputenv_s(L"LOCALAPPDATA", previous.c_str()); }
    ScopedLocalAppData(const ScopedLocalAppData&) = delete;
    ScopedLocalAppData& operator=(const ScopedLocalAppData&) = delete;

private:
    std::wstring previous;
};

} // namespace

TEST(PrivateFolderWindows, TemporaryFilesAndTheSocketUnderLocalApplicationData)
{
    TestDir dir;
    const auto local = dir.path / std::filesystem::path(u8"Łucja") / "AppData" / "Local";
    std::filesystem::create_directories(local);
    const ScopedLocalAppData env(local);

    EXPECT_EQ(PrivateRuntimeFolder(), local / "KVVidiRidoved");
    EXPECT_EQ(PrivateTempFolder(), local / "KVVidiRidoved" / "Temp");
    const auto one = CreatePrivateTempFile("convert", "tmp");
    const auto two = CreatePrivateTempFile("convert", "tmp");
    EXPECT_EQ(one.parent_path(), local / "KVVidiRidoved" / "Temp");
    EXPECT_NE(one, two) << "every copy has a name of its own";
    EXPECT_TRUE(std::filesystem::is_regular_file(one) && std::filesystem::is_regular_file(two));
    EXPECT_EQ(one.extension(), ".tmp");
}

TEST(PrivateFolderWindows, ARelativeLocalApplicationDataIsNeverUsed)
{
    const ScopedLocalAppData env("relative\\folder");
    EXPECT_TRUE(PrivateTempFolder().empty());
    EXPECT_TRUE(PrivateRuntimeFolder().empty());
    EXPECT_TRUE(CreatePrivateTempFile("convert", "tmp").empty());
}
