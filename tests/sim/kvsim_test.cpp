// kvsim end to end: started on a pseudo-terminal, spoken to through its
// symbolic link as a PC would, stopped by a signal.
#include "link/frame.h"
#include "tests/support/test_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

extern char** environ;

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

constexpr auto kWait = 10s; // upper bound of every wait; kvsim answers at once

class Kvsim {
public:
    explicit Kvsim(std::vector<std::string> args)
    {
        args.insert(args.begin(), KVSIM_PATH);
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid, KVSIM_PATH, nullptr, nullptr, argv.data(), environ) != 0)
            pid = -1;
    }
    ~Kvsim()
    {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
    // The exit status after the signal, or -1.
    int Stop(int signal)
    {
        int status = 0;
        kill(pid, signal);
        const pid_t done = waitpid(pid, &status, 0);
        pid = -1;
        return done > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    int Wait()
    {
        int status = 0;
        const pid_t done = waitpid(pid, &status, 0);
        pid = -1;
        return done > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    pid_t pid = -1;
};

// The PC's end: the link opened raw, as a serial back-end opens a device.
class RawLine {
public:
    explicit RawLine(const fs::path& link)
    {
        const auto deadline = std::chrono::steady_clock::now() + kWait;
        while (!fs::exists(link) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(10ms);
        fd = open(link.c_str(), O_RDWR | O_NOCTTY);
        termios tio{};
        if (fd >= 0 && tcgetattr(fd, &tio) == 0) {
            cfmakeraw(&tio);
            tcsetattr(fd, TCSANOW, &tio);
        }
    }
    ~RawLine()
    {
        if (fd >= 0)
            close(fd);
    }
    void Write(std::span<const std::uint8_t> bytes)
    {
        ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    Bytes Read(std::size_t n)
    {
        Bytes out(n);
        std::size_t got = 0;
        const auto deadline = std::chrono::steady_clock::now() + kWait;
        while (got < n && std::chrono::steady_clock::now() < deadline) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 100) > 0) {
                const ssize_t r = read(fd, &out[got], n - got);
                if (r > 0)
                    got += static_cast<std::size_t>(r);
            }
        }
        out.resize(got);
        return out;
    }
    int fd = -1;
};

TEST(Kvsim, AnswersOverItsPseudoTerminalAndEndsCleanly)
{
    TestDir dir;
    const fs::path link = dir / "pty";
    Kvsim kvsim({"--root", (dir / "root").string(), "--pty", link.string(), "--model", "LX-250",
                 "--serial", "SN42", "--capacity", "C:=12345", "--unformatted", "D:"});
    ASSERT_GT(kvsim.pid, 0);
    {
        RawLine pc(link);
        ASSERT_GE(pc.fd, 0);
        // Terminal information: command, request block, answer header, answer block.
        pc.Write(BuildCommandFrame(kCommandRequest, 1));
        EXPECT_EQ(CheckCommandAck(pc.Read(kAckSize)), LinkStatus::Ok);
        pc.Write(BuildDataBlock(0, Bytes{7}));
        EXPECT_EQ(CheckBlockAck(pc.Read(kBlockAckSize), kCommandRequest), LinkStatus::Ok);
        const auto header = ParseDataHeader(pc.Read(kDataHeaderSize));
        ASSERT_TRUE(header);
        ASSERT_EQ(header->length, 60u);
        pc.Write(BuildHeaderAck(kDataTypeMemory, 0));
        const Bytes block = pc.Read(60 + kBlockOverhead);
        ASSERT_TRUE(CheckDataBlock(block, 0));
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&block[5])), "LX-250");
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&block[25])), "SN42");
        pc.Write(BuildBlockAck(kDataTypeMemory, 0, true));
    }
    EXPECT_TRUE(fs::is_directory(dir / "root/C/DATA"));
    EXPECT_EQ(kvsim.Stop(SIGTERM), 0);
    EXPECT_FALSE(fs::is_symlink(link));
}

TEST(Kvsim, OutOfItsCradleItAnswersNothingUntilPutBack)
{
    TestDir dir;
    const fs::path link = dir / "pty";
    Kvsim kvsim({"--root", (dir / "root").string(), "--pty", link.string(), "--undocked"});
    ASSERT_GT(kvsim.pid, 0);
    RawLine pc(link);
    ASSERT_GE(pc.fd, 0);
    // A command that no one answers is followed by silence; the terminal keeps no
    // part of it for later.
    const auto answered = [&] {
        pc.Write(BuildCommandFrame(9, 0)); // unknown: refused at once when docked
        pollfd p{pc.fd, POLLIN, 0};
        if (poll(&p, 1, 500) <= 0)
            return false;
        return pc.Read(kAckSize).size() == kAckSize;
    };
    EXPECT_FALSE(answered()) << "started out of its cradle";
    kill(kvsim.pid, SIGUSR2);
    std::this_thread::sleep_for(200ms);
    EXPECT_TRUE(answered()) << "in its cradle";
    kill(kvsim.pid, SIGUSR2);
    std::this_thread::sleep_for(200ms);
    EXPECT_FALSE(answered()) << "taken out again";
    EXPECT_EQ(kvsim.Stop(SIGTERM), 0);
}

TEST(Kvsim, PushesOnceThePcIsThere)
{
    TestDir dir;
    const fs::path link = dir / "pty";
    TestDir::WriteFile(dir / "local.txt", "pushed bytes");
    Kvsim kvsim({"--root", (dir / "root").string(), "--pty", link.string(), "--push",
                 (dir / "local.txt").string(), "--push-name", "C:\\DATA\\P.TXT"});
    ASSERT_GT(kvsim.pid, 0);
    RawLine pc(link);
    const auto header = ParseDataHeader(pc.Read(kDataHeaderSize));
    ASSERT_TRUE(header);
    EXPECT_EQ(header->type, kDataTypeFile);
    EXPECT_EQ(header->length, 22u + 13u + 12u);
    pc.Write(BuildHeaderAck(kDataTypeFile, 0));
    const Bytes block = pc.Read(header->length + kBlockOverhead);
    ASSERT_TRUE(CheckDataBlock(block, 0));
    EXPECT_EQ(std::string(block.end() - 15, block.end() - 3), "pushed bytes");
    pc.Write(BuildBlockAck(kDataTypeFile, 0, true));
    EXPECT_EQ(kvsim.Stop(SIGINT), 0);
}

TEST(Kvsim, BadUsage)
{
    TestDir dir;
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--pty", (dir / "x").string()},
             {"--root", dir.path.string()},
             {"--root", dir.path.string(), "--pty", "a", "--device", "b"},
             {"--root", dir.path.string(), "--pty", "a", "--capacity", "E:=5"},
             {"--root", dir.path.string(), "--pty", "a", "--frobnicate"},
             {"--root", dir.path.string(), "--pty", "a", "--unformatted", "E:"},
             {"--root", dir.path.string(), "--pty", "a", "--lock", "C:"},
             {"--root", dir.path.string(), "--pty", "a", "--drop-rate", "1.5"},
             {"--root", dir.path.string(), "--pty", "a", "--corrupt-rate", "0.1x"},
         }) {
        Kvsim kvsim(args);
        EXPECT_EQ(kvsim.Wait(), 2) << args.back();
    }
}

} // namespace
