// The desktop program on a serial device the user may not open: after "Open
// communicate port fail!!!" a second message names the device, its group and the
// fix. As root the program runs as nobody, since root opens any device: the test
// starts this same binary with --probe in a child that has dropped its rights.
#include "connection/program_settings.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/process.h"

#include "connection/connect_setup_dialog.h"
#include "shell/kv_vidi_ridoved_app.h"
#include "shell/main_frame.h"

#include <QComboBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <grp.h>
#include <sys/stat.h>

namespace {

constexpr uid_t kNobody = 65534;

// The probe: the program's frame connects to device through the connect dialog
// and prints every message it shows, each followed by a line "--".
int RunProbe(int argc, char** argv, const QString& device)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    RecordingPrompter prompter;
    ProgramSettings().setValue("Ports/Extra", QStringList{device});
    CKVVidiRidovedApp app;
    app.convertIniPath =
        std::filesystem::path(qEnvironmentVariable("HOME").toStdString()) / "Convert.ini";
    CMainFrame& frame = app.CreateMainFrame();
    QTimer::singleShot(0, [device] {
        auto* timer = new QTimer;
        QObject::connect(timer, &QTimer::timeout, [timer, device] {
            auto* d = qobject_cast<ConnectSetupDialog*>(QApplication::activeModalWidget());
            if (!d)
                return;
            timer->stop();
            timer->deleteLater();
            auto* ports = d->findChild<QComboBox*>("portList");
            ports->setCurrentIndex(ports->findText(device));
            QTest::mouseClick(d->findChild<QPushButton*>("okButton"), Qt::LeftButton);
        });
        timer->start(10);
    });
    frame.OnFileNew();
    for (const QString& text : prompter.shown)
        std::printf("%s\n--\n", text.toUtf8().constData());
    app.DestroyMainFrame();
    return 0;
}

TEST(PortPermissionGui, SecondMessageNamesTheDeviceTheGroupAndTheFix)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const std::string device = ptsname(master);
    if (getuid() == 0) {
        ASSERT_EQ(chown(device.c_str(), 0, getgrnam("dialout")->gr_gid), 0);
    }
    ASSERT_EQ(chmod(device.c_str(), 0060), 0);
    struct stat info {};
    stat(device.c_str(), &info);
    const std::string group = getgrgid(info.st_gid)->gr_name;

    TestDir dir;
    std::filesystem::permissions(dir.path, std::filesystem::perms::all);
    const auto runtime = dir / "runtime";
    std::filesystem::create_directories(runtime);
    if (getuid() == 0) {
        ASSERT_EQ(chown(runtime.c_str(), kNobody, kNobody), 0);
    }
    chmod(runtime.c_str(), 0700);
    // A copy nobody may run, wherever the build folder is.
    const auto probe = dir / "probe";
    std::filesystem::copy_file("/proc/self/exe", probe);
    std::filesystem::permissions(probe, std::filesystem::perms::all);
    std::vector<std::string> args{probe.string(), "--probe", device};
    std::vector<std::string> env = process_detail::Environment({
        {"HOME", dir.path.string()},
        {"XDG_CONFIG_HOME", (dir / "config").string()},
        {"XDG_DATA_HOME", (dir / "data").string()},
        {"XDG_CACHE_HOME", (dir / "cache").string()},
        {"XDG_RUNTIME_DIR", runtime.string()},
        {"LANG", "C.UTF-8"},
        {"LC_ALL", "C.UTF-8"},
    });
    auto argv = process_detail::Pointers(args);
    auto envp = process_detail::Pointers(env);
    const auto outFile = dir / "probe.out";
    const pid_t pid = fork();
    if (pid == 0) {
        const int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        dup2(out, 1);
        if (getuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0))
            _exit(99);
        execve(argv[0], argv.data(), envp.data());
        _exit(98);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    close(master);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    const std::string shown = process_detail::Slurp(outFile);
    const std::string expected = "Open communicate port fail!!!\n--\nNo permission to open " +
                                 device + ": the device belongs to group " + group;
    EXPECT_EQ(shown.substr(0, expected.size()), expected) << shown;
    EXPECT_NE(shown.find("sudo usermod -aG " + group), std::string::npos) << shown;
    EXPECT_NE(shown.find("log in again."), std::string::npos) << shown;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--probe")
        return RunProbe(argc, argv, QString::fromLocal8Bit(argv[2]));
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
