// kvctl watch against kvsim terminals taken out of their cradles and put back.
#include "tests/support/kvsim_fleet.h"

#include "cli/kvctl_commands.h"
#include "link/serial/program_ports.h"
#include "sim/sim_ports.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <ostream>
#include <thread>

namespace fs = std::filesystem;

namespace {

class KvctlWatch : public KvsimFleet {
protected:
    // Waits until the watch's output holds text count times.
    bool WaitForOutput(const std::string& text, int count = 1)
    {
        return WaitFor([this] { return process_detail::Slurp(dir / "watch.out"); }, text, count);
    }
    static bool WaitFor(const std::function<std::string()>& now, const std::string& text, int count)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < deadline) {
            const std::string output = now();
            int seen = 0;
            for (auto at = output.find(text); at != std::string::npos;
                 at = output.find(text, at + 1))
                ++seen;
            if (seen >= count)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }
    // Puts the terminal into its cradle or takes it out.
    void Cradle(std::size_t terminal) { kill(terminals[terminal]->Pid(), SIGUSR2); }
};

// What a watch run in this process writes, read while it runs.
class SharedText : public std::streambuf {
public:
    std::string Text()
    {
        const std::lock_guard lock(mutex);
        return text;
    }

protected:
    int overflow(int c) override
    {
        if (c != traits_type::eof()) {
            const std::lock_guard lock(mutex);
            text += static_cast<char>(c);
        }
        return c;
    }

private:
    std::mutex mutex;
    std::string text;
};

} // namespace

TEST_F(KvctlWatch, EachDockedTerminalGetsItsStepsOnceAndSigtermEndsIt)
{
    for (const std::string name : {"a", "b"}) {
        fs::create_directories(dir / name / "C" / "DATA");
        TestDir::WriteFile(dir / name / "C" / "DATA" / "ORDERS.TXT", "orders of " + name);
    }
    const std::string a = StartTerminal("a", {"--serial", "A", "--undocked"});
    const std::string ports = a + "," + StartTerminal("b", {"--serial", "B", "--undocked"});
    TestDir::WriteFile(dir / "p.ini", "[Watch]\nPoll=1\n[Collect]\nFrom=C:\\DATA\nTo=" +
                                          (dir / "out").string() + "\nDelete=yes\n");
    BackgroundProgram watch(KVCTL_PATH,
                            {"--port", ports, "watch", "--profile", (dir / "p.ini").string()}, env,
                            dir / "watch.err", dir / "watch.out");
    // Docked at different moments: each collected once.
    Cradle(0);
    ASSERT_TRUE(WaitForOutput("terminal A done")) << process_detail::Slurp(dir / "watch.out");
    Cradle(1);
    ASSERT_TRUE(WaitForOutput("terminal B done"));
    EXPECT_EQ(TestDir::ReadFile(dir / "out" / "A" / "ORDERS.TXT"), "orders of a");
    EXPECT_EQ(TestDir::ReadFile(dir / "out" / "B" / "ORDERS.TXT"), "orders of b");
    // Taken out and docked again with nothing new: the steps run, nothing moves.
    Cradle(0);
    ASSERT_TRUE(WaitForOutput("taken out of its cradle"));
    Cradle(0);
    ASSERT_TRUE(WaitForOutput("terminal A done", 2));
    EXPECT_TRUE(WaitForOutput("0 files collected, 0 bytes"));
    EXPECT_EQ(process_detail::Slurp(dir / "watch.out").find("terminal B done", 0),
              process_detail::Slurp(dir / "watch.out").rfind("terminal B done"))
        << "B, still in its cradle, is not worked twice";
    EXPECT_EQ(watch.Stop(), 0);
}

TEST_F(KvctlWatch, ABadProfileIsRefusedWithItsLine)
{
    TestDir::WriteFile(dir / "p.ini", "[Clock]\nSet=perhaps\n");
    const ProgramResult r = Kvctl({"watch", "--profile", (dir / "p.ini").string()});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("p.ini line 2: [Clock] Set: yes or no expected"), std::string::npos)
        << r.err;
}

TEST_F(KvctlWatch, ATerminalStartedAgainIsWatchedAgainAndSigtermLeavesNoHalfFile)
{
    const fs::path data = dir / "a" / "C" / "DATA";
    fs::create_directories(data);
    TestDir::WriteFile(data / "FIRST.TXT", "first");
    const std::string tty = StartTerminal("a", {"--serial", "A"});
    TestDir::WriteFile(dir / "p.ini", "[Watch]\nPoll=1\n[Collect]\nFrom=C:\\DATA\nTo=" +
                                          (dir / "out").string() + "\nDelete=yes\n");
    BackgroundProgram watch(KVCTL_PATH,
                            {"--port", tty, "watch", "--profile", (dir / "p.ini").string()}, env,
                            dir / "watch.err", dir / "watch.out");
    ASSERT_TRUE(WaitForOutput("terminal A done"));
    // The device goes and comes back on the same path within a poll (a USB
    // adapter replugged, here with the same device number): a new docking all
    // the same. A hand is not faster than the watch turning to its wait.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    terminals.back()->Stop();
    TestDir::WriteFile(data / "SECOND.TXT", "second");
    StartTerminal("a", {"--serial", "A"});
    ASSERT_TRUE(WaitForOutput("terminal A done", 2)) << process_detail::Slurp(dir / "watch.out");
    EXPECT_EQ(TestDir::ReadFile(dir / "out" / "A" / "SECOND.TXT"), "second");

    // SIGTERM while a file is on its way: that file is finished, then exit 0.
    terminals.back()->Stop();
    ASSERT_TRUE(WaitForOutput("taken out of its cradle", 2));
    TestDir::WriteFile(data / "BIG.DAT", std::string(64 * 1024, 'b'));
    TestDir::WriteFile(data / "LATER.TXT", "later");
    StartTerminal("a", {"--serial", "A", "--line-rate", "115200"});
    ASSERT_TRUE(WaitForOutput("terminal A in its cradle", 3));
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    EXPECT_EQ(watch.Stop(), 0);
    EXPECT_EQ(TestDir::ReadFile(dir / "out" / "A" / "BIG.DAT"), std::string(64 * 1024, 'b'));
    for (const auto& entry : fs::directory_iterator(dir / "out" / "A"))
        EXPECT_NE(entry.path().filename().string()[0], '.') << "no temporary file";
    EXPECT_TRUE(fs::exists(data / "LATER.TXT")) << "nothing after the file in flight";
}

TEST_F(KvctlWatch, ModemLinesRisingAreADockingWithoutWaitingForThePoll)
{
    for (const auto& [name, value] : env)
        setenv(name.c_str(), value.c_str(), 1);
    TestDir::WriteFile(dir / "p.ini", "[Watch]\nPoll=600\n[Clock]\nSet=yes\n");
    ProgramPorts ports;
    KvctlOptions options;
    options.port = "SIM1";
    options.sharedPorts = &ports;
    SharedText text;
    std::ostream out(&text);
    int status = -1;
    const std::vector<std::string> args{"--profile", (dir / "p.ini").string()};
    std::thread watch([&] { status = RunWatchCommand(args, options, out, out); });
    const auto output = [&text] { return text.Text(); };
    EXPECT_TRUE(WaitFor(output, "done: 1 steps done", 1)) << text.Text();
    // Set into its cradle again while the watch waits for its next ask.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!ports.simulated().ShowDocking(1) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(WaitFor(output, "done: 1 steps done", 2)) << text.Text();
    std::raise(SIGTERM);
    watch.join();
    EXPECT_EQ(status, 0);
}
