// The watch profile: a full one read as written, and every kind of mistake
// refused with its line and key named.
#include "cli/watch_profile.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

std::optional<WatchProfile> Parse(const std::string& text, std::string* error)
{
    std::istringstream in(text);
    return ParseWatchProfile(in, "p.ini", error);
}

} // namespace

TEST(WatchProfile, AFullProfileReadsAsWritten)
{
    std::string error;
    const auto profile = Parse("; the shift's work\n"
                               "[Watch]\nPoll=5\n"
                               "[Clock]\nSet=yes\n"
                               "[collect]\nFrom=c:\\data\\\nTo=/srv/pdt/collected\nDelete=Yes\n"
                               "[Sync]\nFrom=/srv/pdt/lookup\nTo=D:\\LOOKUP\nDelete=no\n"
                               "Convert=no\n"
                               "[Install]\nImage=/srv/pdt/app/APP.BIN\n",
                               &error);
    ASSERT_TRUE(profile) << error;
    EXPECT_EQ(profile->pollSeconds, 5);
    EXPECT_TRUE(profile->setClock);
    ASSERT_TRUE(profile->collect);
    EXPECT_EQ(profile->collect->from, "C:\\DATA");
    EXPECT_EQ(profile->collect->to, "/srv/pdt/collected");
    EXPECT_TRUE(profile->collect->deleteAfter);
    ASSERT_TRUE(profile->sync);
    EXPECT_EQ(profile->sync->to, "D:\\LOOKUP");
    EXPECT_FALSE(profile->sync->deleteExtra);
    EXPECT_EQ(profile->installImage, "/srv/pdt/app/APP.BIN");

    // Nothing asked: nothing done, and the default poll.
    const auto empty = Parse("", &error);
    ASSERT_TRUE(empty);
    EXPECT_FALSE(empty->setClock || empty->collect || empty->sync);
    EXPECT_EQ(empty->pollSeconds, 3);
}

TEST(WatchProfile, MistakesAreRefusedWithTheirLineAndKey)
{
    const std::pair<const char*, const char*> rows[] = {
        {"[Clok]\nSet=yes\n", "p.ini line 1: [Clok] no such group"},
        {"[Clock]\nSet=maybe\n", "p.ini line 2: [Clock] Set: yes or no expected"},
        {"[Clock]\nReset=yes\n", "p.ini line 2: [Clock] Reset: no such key"},
        {"Set=yes\n", "p.ini line 1: Set: a key before any group"},
        {"[Clock]\nSet yes\n", "p.ini line 2: [Clock] Key=value expected"},
        {"[Watch]\nPoll=0\n", "p.ini line 2: [Watch] Poll: whole seconds from 1 to 3600 expected"},
        {"[Collect]\nTo=/x\n", "p.ini line 1: [Collect] From: missing"},
        {"[Collect]\nFrom=PDT\nTo=/x\n",
         "p.ini line 2: [Collect] From: a disk or folder of the terminal expected (C:\\DATA)"},
        {"[Sync]\nFrom=/x\nTo=lookup\n",
         "p.ini line 3: [Sync] To: a disk or folder of the terminal expected (D:\\LOOKUP)"},
        {"[Install]\nImage=\n", "p.ini line 2: [Install] Image: a file expected"},
    };
    for (const auto& [text, expected] : rows) {
        std::string error;
        EXPECT_FALSE(Parse(text, &error)) << text;
        EXPECT_EQ(error, expected) << text;
    }
}
