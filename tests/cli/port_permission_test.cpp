// A serial device the user may not open: kvctl says why after the usual message.
// As root the check runs kvctl as nobody, since root opens any device.
#include "tests/support/process.h"
#include "tests/support/test_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>

namespace {

constexpr uid_t kNobody = 65534;

std::string GroupOf(const std::string& path)
{
    struct stat info {};
    stat(path.c_str(), &info);
    const group* g = getgrgid(info.st_gid);
    return g ? g->gr_name : std::to_string(info.st_gid);
}

class PortPermission : public testing::Test {
protected:
    void SetUp() override
    {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master, 0);
        ASSERT_EQ(grantpt(master), 0);
        ASSERT_EQ(unlockpt(master), 0);
        device = ptsname(master);
        // kvctl as nobody keeps its settings and simulated disks here.
        std::filesystem::permissions(dir.path, std::filesystem::perms::all);
    }
    void TearDown() override { close(master); }

    // The device owned by group (when root may change it) with the given mode.
    void Restrict(mode_t mode, const char* group = nullptr)
    {
        if (getuid() == 0 && group) {
            const struct group* g = getgrnam(group);
            ASSERT_NE(g, nullptr) << group;
            ASSERT_EQ(chown(device.c_str(), 0, g->gr_gid), 0);
        }
        ASSERT_EQ(chmod(device.c_str(), mode), 0);
    }

    // kvctl with args as the test user, or as nobody when the test runs as root.
    ProgramResult KvctlUnprivileged(std::vector<std::string> args)
    {
        // A copy nobody may run, wherever the build folder is.
        const auto kvctl = dir / "kvctl";
        if (!std::filesystem::exists(kvctl)) {
            std::filesystem::copy_file(KVCTL_PATH, kvctl);
            std::filesystem::permissions(kvctl, std::filesystem::perms::all);
        }
        args.insert(args.begin(), kvctl.string());
        const std::map<std::string, std::string> extra{
            {"XDG_CONFIG_HOME", (dir / "config").string()},
            {"XDG_DATA_HOME", (dir / "data").string()},
            {"HOME", dir.path.string()}};
        std::vector<std::string> envItems = process_detail::Environment(extra);
        auto argv = process_detail::Pointers(args);
        auto envp = process_detail::Pointers(envItems);
        const auto outFile = dir / "run.out", errFile = dir / "run.err";
        const pid_t pid = fork();
        if (pid == 0) {
            const int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
            const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
            dup2(out, 1);
            dup2(err, 2);
            if (getuid() == 0 &&
                (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0))
                _exit(99);
            execve(argv[0], argv.data(), envp.data());
            _exit(98);
        }
        ProgramResult r;
        int status = 0;
        waitpid(pid, &status, 0);
        r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = process_detail::Slurp(outFile);
        r.err = process_detail::Slurp(errFile);
        return r;
    }

    TestDir dir;
    int master = -1;
    std::string device;
};

} // namespace

TEST_F(PortPermission, GroupDeviceNamesTheGroupAndTheFixInBothLanguages)
{
    // The user's own pseudo-terminal opens whatever its group may do.
    if (getuid() != 0)
        GTEST_SKIP() << "needs root to hand the device to another group";
    Restrict(0660, "dialout");
    const std::string group = GroupOf(device);
    ProgramResult r = KvctlUnprivileged({"--port", device, "ls", "PDT"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "");
    const std::string first = "Open communicate port fail!!!\nNo permission to open " + device +
                              ": the device belongs to group " + group;
    EXPECT_EQ(r.err.substr(0, first.size()), first) << r.err;
    EXPECT_NE(r.err.find("Fix: sudo usermod -aG " + group + " "), std::string::npos) << r.err;
    EXPECT_TRUE(r.err.ends_with("then log out and log in again.\n")) << r.err;

    r = KvctlUnprivileged({"ls", "PDT", "--lang", "pl", "--port", device});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("grupy " + group + ","), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("sudo usermod -aG " + group), std::string::npos) << r.err;
}

TEST_F(PortPermission, OwnerOnlyDeviceAsksTheAdministrator)
{
    Restrict(0600, "root");
    struct stat info {};
    stat(device.c_str(), &info);
    const passwd* owner = getpwuid(info.st_uid);
    ASSERT_NE(owner, nullptr);
    if (getuid() != 0)
        Restrict(0000);
    const ProgramResult r = KvctlUnprivileged({"df", "C:", "--port", device});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("only its owner " + std::string(owner->pw_name) + " may open it"),
              std::string::npos)
        << r.err;
}

TEST_F(PortPermission, ComNameGetsTheAdviceForTheDeviceItStandsFor)
{
    std::filesystem::create_directories(dir / "config" / "TELMARQ SOFTWARE");
    TestDir::WriteFile(dir / "config" / "TELMARQ SOFTWARE" / "KVVidiRidoved.conf",
                       "[Ports]\nCOM7=" + device + "\n");
    Restrict(0600, "root");
    if (getuid() != 0)
        Restrict(0000);
    const ProgramResult r = KvctlUnprivileged({"--port", "COM7", "ls", "PDT"});
    EXPECT_EQ(r.exitCode, 2);
    const std::string first =
        "Open communicate port fail!!!\nNo permission to open " + device + ":";
    EXPECT_EQ(r.err.substr(0, first.size()), first) << r.err;
}

TEST_F(PortPermission, OtherFailuresKeepTheUsualMessageAlone)
{
    const ProgramResult r =
        KvctlUnprivileged({"--port", (dir / "no-such-device").string(), "ls", "PDT"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "Open communicate port fail!!!\n");
}
