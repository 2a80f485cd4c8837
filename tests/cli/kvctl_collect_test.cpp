// kvctl collect against kvsim terminals: each terminal's folder, nothing
// replaced, nothing deleted without a verified copy, nothing half left behind.
#include "tests/support/kvsim_fleet.h"

#include <filesystem>
#include <regex>
#include <thread>

namespace fs = std::filesystem;

using KvctlCollect = KvsimFleet;

TEST_F(KvctlCollect, TwoTerminalsEachIntoItsFolderAndNothingIsEverReplaced)
{
    for (const std::string name : {"a", "b"}) {
        fs::create_directories(dir / name / "C" / "DATA");
        TestDir::WriteFile(dir / name / "C" / "DATA" / "ORDERS.TXT", "orders of " + name);
    }
    const std::string ports =
        StartTerminal("a", {"--serial", "SN-A"}) + "," + StartTerminal("b", {"--serial", "SN/B"});
    const fs::path out = dir / "collected";
    ProgramResult r = Kvctl({"--port", ports, "collect", "c:\\data", out.string()});
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    // The table names each port's terminal and its count of files.
    EXPECT_NE(r.out.find("PORT"), std::string::npos) << r.out;
    for (const char* row : {"SN-A +1 +11 +done", "SNB +1 +11 +done"})
        EXPECT_TRUE(std::regex_search(r.out, std::regex(row))) << row << "\n" << r.out;
    EXPECT_EQ(TestDir::ReadFile(out / "SN-A" / "ORDERS.TXT"), "orders of a");
    EXPECT_EQ(TestDir::ReadFile(out / "SNB" / "ORDERS.TXT"), "orders of b");
    // A second run adds nothing.
    r = Kvctl({"--port", ports, "collect", "C:\\DATA", out.string(), "--json"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("\"result\": \"unchanged\""), std::string::npos) << r.out;
    EXPECT_EQ(TestDir::Names(out / "SN-A"), std::vector<std::string>{"ORDERS.TXT"});

    // Other bytes under a collected name: both kept; --delete empties the terminal.
    TestDir::WriteFile(dir / "a" / "C" / "DATA" / "ORDERS.TXT", "later orders");
    r = Kvctl({"--port", ports, "collect", "C:\\DATA", out.string(), "--delete"});
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    const std::vector<std::string> kept = TestDir::Names(out / "SN-A");
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(TestDir::ReadFile(out / "SN-A" / "ORDERS.TXT"), "orders of a");
    EXPECT_EQ(TestDir::ReadFile(out / "SN-A" / kept[0]), "later orders") << kept[0];
    EXPECT_FALSE(fs::exists(dir / "a" / "C" / "DATA" / "ORDERS.TXT"));
    EXPECT_FALSE(fs::exists(dir / "b" / "C" / "DATA" / "ORDERS.TXT"));
}

TEST_F(KvctlCollect, AFetchTheLineSpoiledIsNeverDeleted)
{
    // The terminal's data blocks: its information, the listing, the fetch, the
    // second fetch. A change the line's sum cannot see, in either fetch, keeps
    // the terminal's file.
    for (const char* block : {"3", "4"}) {
        SCOPED_TRACE(block);
        const std::string name = std::string("t") + block;
        fs::create_directories(dir / name / "C" / "DATA");
        TestDir::WriteFile(dir / name / "C" / "DATA" / "COUNT.TXT", std::string(200, 'c'));
        const std::string tty = StartTerminal(name, {"--balanced-block", block});
        const fs::path out = dir / ("out" + name);
        const ProgramResult r =
            Kvctl({"--port", tty, "collect", "C:\\DATA", out.string(), "--delete"});
        EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
        EXPECT_NE(r.out.find("kept on the terminal: the second fetch differs"), std::string::npos)
            << r.out;
        EXPECT_TRUE(fs::exists(dir / name / "C" / "DATA" / "COUNT.TXT"));
    }
}

TEST_F(KvctlCollect, InterruptedItLeavesNoHalfFileAndASecondRunFinishes)
{
    // The line vanishes, or the user presses Ctrl+C, while BIG.DAT is on its way
    // (5 s at this speed).
    for (const bool ctrlC : {false, true}) {
        SCOPED_TRACE(ctrlC ? "Ctrl+C" : "line gone");
        const std::string name = ctrlC ? "c" : "l";
        fs::create_directories(dir / name / "C" / "DATA");
        TestDir::WriteFile(dir / name / "C" / "DATA" / "A.TXT", "a");
        TestDir::WriteFile(dir / name / "C" / "DATA" / "BIG.DAT", std::string(64 * 1024, 'b'));
        const std::string tty = StartTerminal(name, {"--serial", name, "--line-rate", "115200"});
        const fs::path out = dir / "out";
        BackgroundProgram collect(KVCTL_PATH,
                                  {"--port", tty, "collect", "C:\\DATA", out.string(), "--delete"},
                                  env, dir / "collect.err");
        ASSERT_TRUE(WaitForPath(out / name / "A.TXT", std::chrono::seconds(10)));
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        if (ctrlC) {
            EXPECT_EQ(collect.Stop(), 1) << "it ends by itself, saying so";
            terminals.back()->Stop();
        } else {
            terminals.back()->Stop();
            EXPECT_TRUE(WaitUntil([&] { return !collect.Running(); }, std::chrono::seconds(20)))
                << "kvctl ends once its line is gone";
        }
        for (const std::string& left : TestDir::Names(out / name))
            EXPECT_EQ(left, "A.TXT") << "no half file, no temporary file";
        EXPECT_TRUE(fs::exists(dir / name / "C" / "DATA" / "BIG.DAT"));

        const std::string again = StartTerminal(name, {"--serial", name});
        const ProgramResult r =
            Kvctl({"--port", again, "collect", "C:\\DATA", out.string(), "--delete"});
        EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
        EXPECT_EQ(TestDir::ReadFile(out / name / "BIG.DAT"), std::string(64 * 1024, 'b'));
        EXPECT_TRUE(TestDir::Names(dir / name / "C" / "DATA").empty());
    }
}
