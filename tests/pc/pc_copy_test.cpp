// Copy and move on the PC: questions, lines, and files never lost.
#include "tests/support/test_dir.h"

#include "link/operation_text.h"
#include "pc/pc_copy.h"
#include "tests/convert/file_size_limit.h"

#include <gtest/gtest.h>

#include <deque>
#include <unistd.h>

namespace {

class Host : public JobHost {
public:
    void LogLine(const std::string& line) override { lines.push_back(line); }
    void ShowMessage(MessageId, const std::string&) override { ++messages; }
    bool AskYesNo(MessageId id, const std::string& argument) override
    {
        questions.emplace_back(id, argument);
        const bool yes = !answers.empty() && answers.front();
        if (!answers.empty())
            answers.pop_front();
        return yes;
    }
    void SourceMoved(std::size_t index) override { moved.push_back(index); }

    std::vector<std::string> lines;
    int messages = 0;
    std::vector<std::pair<MessageId, std::string>> questions;
    std::deque<bool> answers;
    std::vector<std::size_t> moved;
};

struct Folders {
    Folders()
    {
        std::filesystem::create_directories(from);
        std::filesystem::create_directories(to);
    }
    TestDir dir;
    std::filesystem::path from = dir / "from", to = dir / "to";
};

} // namespace

TEST(PcCopy, ThreeFilesThreeLinesInOrder)
{
    Folders f;
    Host host;
    std::vector<std::filesystem::path> sources;
    for (const char* name : {"A.TXT", "B.TXT", "C.TXT"}) {
        TestDir::WriteFile(f.from / name, name);
        sources.push_back(f.from / name);
    }
    RunPcCopy({sources, f.to}, host);
    ASSERT_EQ(host.lines.size(), 3u);
    EXPECT_EQ(host.lines[2], CopyDoneLine((f.from / "C.TXT").string(), (f.to / "C.TXT").string()));
    EXPECT_EQ(TestDir::ReadFile(f.to / "B.TXT"), "B.TXT");
    EXPECT_TRUE(std::filesystem::exists(f.from / "B.TXT"));
}

TEST(PcCopy, ExistingTargetAsksFirst)
{
    Folders f;
    TestDir::WriteFile(f.from / "A.TXT", "new");
    TestDir::WriteFile(f.to / "A.TXT", "old");
    Host no;
    RunPcCopy({{f.from / "A.TXT"}, f.to}, no);
    EXPECT_TRUE(no.lines.empty()) << "No logs nothing";
    EXPECT_EQ(TestDir::ReadFile(f.to / "A.TXT"), "old");
    Host yes;
    yes.answers = {true};
    RunPcCopy({{f.from / "A.TXT"}, f.to}, yes);
    EXPECT_EQ(yes.questions.at(0).second, (f.to / "A.TXT").string());
    EXPECT_EQ(yes.lines.at(0),
              CopyDoneLine((f.from / "A.TXT").string(), (f.to / "A.TXT").string()));
    EXPECT_EQ(TestDir::ReadFile(f.to / "A.TXT"), "new");
}

TEST(PcCopy, OntoItselfLeavesTheFileIntact)
{
    Folders f;
    TestDir::WriteFile(f.from / "SAME.TXT", "precious");
    Host host;
    host.answers = {true, true};
    RunPcCopy({{f.from / "SAME.TXT"}, f.from}, host);
    EXPECT_EQ(TestDir::ReadFile(f.from / "SAME.TXT"), "precious");
    EXPECT_TRUE(host.questions.empty());
    RunPcCopy({{f.from / "SAME.TXT"}, f.from, true}, host);
    EXPECT_EQ(TestDir::ReadFile(f.from / "SAME.TXT"), "precious") << "moved onto its own folder";
    EXPECT_TRUE(host.moved.empty()) << "its item stays";
}

TEST(PcMove, AsksOnlyAfterTheMoveFoundTheNameTaken)
{
    Folders f;
    TestDir::WriteFile(f.from / "M.TXT", "mine");
    TestDir::WriteFile(f.to / "M.TXT", "theirs");
    Host no;
    RunPcCopy({{f.from / "M.TXT"}, f.to, true}, no);
    EXPECT_EQ(no.lines, (std::vector<std::string>{PcMoveFailLine((f.from / "M.TXT").string(),
                                                                 (f.to / "M.TXT").string())}));
    EXPECT_EQ(TestDir::ReadFile(f.to / "M.TXT"), "theirs") << "a move never replaces silently";
    EXPECT_EQ(TestDir::ReadFile(f.from / "M.TXT"), "mine");

    Host yes;
    yes.answers = {true};
    RunPcCopy({{f.from / "M.TXT"}, f.to, true}, yes);
    EXPECT_EQ(yes.lines.at(0),
              MoveDoneLine((f.from / "M.TXT").string(), (f.to / "M.TXT").string()));
    EXPECT_EQ(TestDir::ReadFile(f.to / "M.TXT"), "mine");
    EXPECT_FALSE(std::filesystem::exists(f.from / "M.TXT"));
    EXPECT_EQ(yes.moved, std::vector<std::size_t>{0});
}

TEST(PcCopy, DeniedAndMissing)
{
    Folders f;
    TestDir::WriteFile(f.from / "D.TXT", "d");
    Host host;
    // Root is not stopped by permissions; sysfs refuses new files to everyone.
    const std::filesystem::path denied = geteuid() == 0 ? "/sys" : f.dir / "ro";
    if (geteuid() != 0) {
        std::filesystem::create_directories(denied);
        std::filesystem::permissions(denied, std::filesystem::perms::owner_read |
                                                 std::filesystem::perms::owner_exec);
    }
    RunPcCopy({{f.from / "D.TXT"}, denied}, host);
    RunPcCopy({{f.from / "D.TXT"}, denied, true}, host);
    RunPcCopy({{f.from / "GONE.TXT"}, f.to}, host);
    ASSERT_EQ(host.lines.size(), 3u);
    EXPECT_EQ(host.lines[0], "Action denied. You may have no right.");
    EXPECT_EQ(host.lines[1], "Action denied. You may have no right.");
    EXPECT_EQ(host.lines[2],
              CopyFailLine((f.from / "GONE.TXT").string(), (f.to / "GONE.TXT").string()));
    EXPECT_TRUE(std::filesystem::exists(f.from / "D.TXT"));
}

TEST(PcMove, AcrossFileSystemsAFailedCopyLeavesNoHalfFile)
{
    Folders f;
    const std::string content(64 * 1024, 'x');
    TestDir::WriteFile(f.from / "BIG.DAT", content);
    {
        const FileSizeLimit full(16 * 1024); // the target disk fills up half-way
        EXPECT_EQ(MoveAcrossFileSystems(f.from / "BIG.DAT", f.to / "BIG.DAT"),
                  PcFileOutcome::Failed);
    }
    EXPECT_EQ(TestDir::ReadFile(f.from / "BIG.DAT"), content) << "the source stays";
    EXPECT_TRUE(std::filesystem::is_empty(f.to)) << "no truncated file, no temporary left";

    TestDir::WriteFile(f.to / "BIG.DAT", "theirs");
    EXPECT_EQ(MoveAcrossFileSystems(f.from / "BIG.DAT", f.to / "BIG.DAT"), PcFileOutcome::Exists);
    EXPECT_EQ(TestDir::ReadFile(f.to / "BIG.DAT"), "theirs") << "never replaced silently";

    std::filesystem::remove(f.to / "BIG.DAT");
    EXPECT_EQ(MoveAcrossFileSystems(f.from / "BIG.DAT", f.to / "BIG.DAT"), PcFileOutcome::Done);
    EXPECT_EQ(TestDir::ReadFile(f.to / "BIG.DAT"), content);
    EXPECT_FALSE(std::filesystem::exists(f.from / "BIG.DAT"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(f.to), {}), 1);
}
