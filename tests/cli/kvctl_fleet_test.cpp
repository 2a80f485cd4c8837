// kvctl for a rack of terminals: sync, verified sends, several ports at once, the
// transfer log. Against kvsim on pseudo-terminals and the built-in SIM ports.
#include "tests/support/process.h"
#include "tests/support/test_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>

namespace fs = std::filesystem;

namespace {

class KvctlFleet : public testing::Test {
protected:
    // A kvsim on its own pseudo-terminal, its disks in DIR/name.
    std::string StartTerminal(const std::string& name, std::vector<std::string> options = {})
    {
        const std::string tty = (dir / (name + ".tty")).string();
        std::vector<std::string> args{"--root", (dir / name).string(), "--pty", tty};
        args.insert(args.end(), options.begin(), options.end());
        terminals.push_back(
            std::make_unique<BackgroundProgram>(KVSIM_PATH, args, env, dir / (name + ".err")));
        EXPECT_TRUE(WaitForPath(tty, std::chrono::seconds(10)))
            << process_detail::Slurp(dir / (name + ".err"));
        return tty;
    }
    ProgramResult Kvctl(const std::vector<std::string>& args)
    {
        return RunProgram(KVCTL_PATH, args, env, dir.path);
    }
    static void SetTime(const fs::path& path, int secondsAgo)
    {
        fs::last_write_time(path,
                            fs::file_time_type::clock::now() - std::chrono::seconds(secondsAgo));
    }

    TestDir dir;
    // kvctl must not touch the user's own settings, terminals or log.
    std::map<std::string, std::string> env{{"XDG_CONFIG_HOME", (dir / "config").string()},
                                           {"XDG_DATA_HOME", (dir / "data").string()},
                                           {"XDG_STATE_HOME", (dir / "state").string()}};
    std::vector<std::unique_ptr<BackgroundProgram>> terminals;
};

} // namespace

TEST_F(KvctlFleet, SyncSendsOnlyChangesDeletesOnlyExtrasAndDryRunChangesNothing)
{
    fs::create_directories(dir / "t" / "D" / "SHELF");
    TestDir::WriteFile(dir / "t" / "D" / "SHELF" / "OLD.TXT", "old");
    const std::string tty = StartTerminal("t");
    const fs::path shelf = dir / "shelf";
    fs::create_directories(shelf / "sub");
    TestDir::WriteFile(shelf / "items.txt", "items");
    TestDir::WriteFile(shelf / "PRICES.TXT", "prices");
    TestDir::WriteFile(shelf / "long file name.txt", "x");
    SetTime(shelf / "items.txt", 3600);
    const fs::path onTerminal = dir / "t" / "D" / "SHELF";
    const std::vector<std::string> sync = {"--port",       tty,         "sync",
                                           shelf.string(), "d:\\shelf", "--delete"};
    const auto with = [&](std::vector<std::string> extra) {
        std::vector<std::string> args = sync;
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    };

    ProgramResult r = Kvctl(with({"--dry-run"}));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "send    PRICES.TXT (new)\n"
                     "send    ITEMS.TXT (new)\n"
                     "skipped long file name.txt: not an 8.3 name\n"
                     "skipped sub: not a file\n"
                     "delete  OLD.TXT\n"
                     "dry run: 2 to send, 1 to delete, 0 same, 2 skipped\n");
    EXPECT_FALSE(fs::exists(onTerminal / "ITEMS.TXT"));
    EXPECT_TRUE(fs::exists(onTerminal / "OLD.TXT"));

    r = Kvctl(sync);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.substr(r.out.rfind("2 sent")),
              "2 sent, 1 deleted, 0 same, 2 skipped, 0 failed\n");
    EXPECT_EQ(TestDir::ReadFile(onTerminal / "ITEMS.TXT"), "items");
    EXPECT_EQ(TestDir::ReadFile(onTerminal / "PRICES.TXT"), "prices");
    EXPECT_FALSE(fs::exists(onTerminal / "OLD.TXT"));
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(onTerminal))
        names.push_back(e.path().filename().string());
    EXPECT_EQ(names.size(), 2u) << "nothing mangled into a short name";

    // The terminal keeps the time stamp sent with a file: the next run finds
    // nothing to do, and its listing shows the PC file's time.
    r = Kvctl(with({"--json"}));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(
        r.out.find("\"sent\": 0, \"deleted\": 0, \"same\": 2, \"skipped\": 2, \"failed\": 0}"),
        std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("{\"name\": \"ITEMS.TXT\", \"action\": \"same\""), std::string::npos)
        << r.out;
    const std::time_t t = std::chrono::system_clock::to_time_t(
        std::chrono::time_point_cast<std::chrono::system_clock::duration>(
            fs::file_time_type::clock::to_sys(fs::last_write_time(shelf / "items.txt"))));
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y/%m/%d %H:%M:%S", std::localtime(&t));
    r = Kvctl({"--port", tty, "ls", "D:\\SHELF"});
    EXPECT_NE(r.out.find("file\tITEMS.TXT\t5\t" + std::string(stamp)), std::string::npos) << r.out;

    // Same size, other time: sent again.
    SetTime(shelf / "PRICES.TXT", 60);
    r = Kvctl(sync);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("sent    PRICES.TXT (time)\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("1 sent, 0 deleted, 1 same"), std::string::npos) << r.out;

    // A folder the terminal lacks: the listing fails, nothing is sent.
    r = Kvctl({"--port", tty, "sync", shelf.string(), "D:\\NOWHERE"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("(status "), std::string::npos) << r.err;
}
