// One running program per user: two endpoints in this process, a socket left
// behind, and two real starts of the program.
#include "gui_test_support.h"
#include "shell/single_instance.h"
#include "tests/support/process.h"

#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>

#include <memory>
#include <optional>
#include <unistd.h>

namespace {

QString Text(const std::filesystem::path& p)
{
    return QString::fromStdString(p.string());
}

// Sets environment variables for the life of the object, then puts them back.
class ScopedEnv {
public:
    explicit ScopedEnv(std::initializer_list<std::pair<const char*, std::filesystem::path>> values)
    {
        for (const auto& [name, value] : values) {
            saved.emplace_back(name, qEnvironmentVariableIsSet(name)
                                         ? std::optional<QByteArray>(qgetenv(name))
                                         : std::nullopt);
            qputenv(name, QByteArray::fromStdString(value.string()));
        }
    }
    ~ScopedEnv()
    {
        for (const auto& [name, value] : saved)
            value ? qputenv(name, *value) : qunsetenv(name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::vector<std::pair<const char*, std::optional<QByteArray>>> saved;
};

} // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT

private slots:
    void secondStartAsksTheFirstToComeToTheFront();
    void requestsOfTheAutomaticModesArrive();
    void socketLeftBehindIsTakenOver();
    void theSocketGoesOnlyToAFolderOfTheUsersOwn();
    void secondProgramEndsAndTheFirstRuns();
    void aSecondStartWithAnUnknownOptionReachesTheRunningProgramFirst();
    void postStartsTheProgramOrHandsTheRequestToIt();
};

void SingleInstanceTest::secondStartAsksTheFirstToComeToTheFront()
{
    TestDir dir;
    const QString name = QString::fromStdString((dir / "VidiRidovedClass").string());
    SingleInstance first(name);
    QVERIFY(first.Claim());
    QSignalSpy raised(&first, &SingleInstance::RaiseRequested);
    SingleInstance second(name);
    QVERIFY(!second.Claim());
    QVERIFY(raised.wait(5000));
    QCOMPARE(raised.size(), 1);
}

void SingleInstanceTest::requestsOfTheAutomaticModesArrive()
{
    TestDir dir;
    const QString name = QString::fromStdString((dir / "VidiRidovedClass").string());
    SingleInstance first(name);
    QVERIFY(first.Claim());
    QSignalSpy transmit(&first, &SingleInstance::AutoTransmitRequested);
    QSignalSpy install(&first, &SingleInstance::AutoInstallRequested);
    SingleInstance sender(name);
    QVERIFY(sender.Send("auto-transmit"));
    QVERIFY(sender.Send("auto-install"));
    QTRY_COMPARE(transmit.size(), 1);
    QTRY_COMPARE(install.size(), 1);
}

void SingleInstanceTest::socketLeftBehindIsTakenOver()
{
    TestDir dir;
    const QString name = QString::fromStdString((dir / "VidiRidovedClass").string());
    TestDir::WriteFile(dir / "VidiRidovedClass", "left behind");
    SingleInstance first(name);
    QVERIFY(first.Claim());
    SingleInstance second(name);
    QVERIFY(!second.Claim());
}

void SingleInstanceTest::theSocketGoesOnlyToAFolderOfTheUsersOwn()
{
    TestDir dir;
    const std::filesystem::path runtime = dir / "runtime" / "KVVidiRidoved",
                                temp = dir / "tmp" / ("KVVidiRidoved-" + std::to_string(getuid())),
                                cache = dir / "cache" / "KVVidiRidoved";
    // Every folder the socket could go to is there already, open to others.
    for (const auto& folder : {runtime, temp, cache}) {
        std::filesystem::create_directories(folder);
        std::filesystem::permissions(folder, std::filesystem::perms::all);
    }
    const ScopedEnv env({{"XDG_RUNTIME_DIR", runtime.parent_path()},
                         {"TMPDIR", temp.parent_path()},
                         {"XDG_CACHE_HOME", cache.parent_path()}});
    // The first that is the user's alone takes it.
    std::filesystem::permissions(cache, std::filesystem::perms::owner_all);
    QCOMPARE(DefaultInstanceServerName(), Text(cache / "VidiRidovedClass"));
    std::filesystem::permissions(temp, std::filesystem::perms::owner_all);
    QCOMPARE(DefaultInstanceServerName(), Text(temp / "VidiRidovedClass"));

    // None is: no socket at all rather than a bare name in the shared
    // temporary folder; the program runs unguarded.
    std::filesystem::permissions(temp, std::filesystem::perms::all);
    std::filesystem::permissions(cache, std::filesystem::perms::all);
    QCOMPARE(DefaultInstanceServerName(), QString());
    SingleInstance alone(DefaultInstanceServerName());
    QVERIFY(alone.Claim());
    QVERIFY(!alone.Send("raise"));
    QVERIFY(!std::filesystem::exists(temp.parent_path() / "VidiRidovedClass"));
}

void SingleInstanceTest::secondProgramEndsAndTheFirstRuns()
{
    QProcess first;
    first.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    first.start(QStringLiteral(KV_PROGRAM_PATH), {});
    QVERIFY(first.waitForStarted(10000));
    const QString socket =
        qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/KVVidiRidoved/VidiRidovedClass");
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(socket), 30000);

    QProcess second;
    second.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    second.start(QStringLiteral(KV_PROGRAM_PATH), {"1"});
    QVERIFY(second.waitForFinished(30000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(first.state(), QProcess::Running);
    first.kill();
    first.waitForFinished(10000);
}

void SingleInstanceTest::aSecondStartWithAnUnknownOptionReachesTheRunningProgramFirst()
{
    // This test is the running program: it listens where the program looks.
    auto running = std::make_unique<SingleInstance>(DefaultInstanceServerName());
    QVERIFY(running->Claim());
    QSignalSpy raised(running.get(), &SingleInstance::RaiseRequested);
    QProcess second;
    second.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    second.start(QStringLiteral(KV_PROGRAM_PATH), {"--no-such-option"});
    QVERIFY(second.waitForFinished(30000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(raised.size(), 1, 5000);

    // With nothing running the option is refused.
    running.reset();
    QProcess alone;
    alone.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    alone.start(QStringLiteral(KV_PROGRAM_PATH), {"--no-such-option"});
    QVERIFY(alone.waitForFinished(30000));
    QCOMPARE(alone.exitCode(), 2);
}

void SingleInstanceTest::postStartsTheProgramOrHandsTheRequestToIt()
{
    TestDir dir;
    const auto post = [&dir](const std::string& list, const std::string& file) {
        TestDir::WriteFile(dir / file, "content of " + file);
        TestDir::WriteFile(dir / list, "sim1:57600\r\n0," + (dir / file).string() + "\r\n");
        QSettings registry(QStringLiteral("TELMARQ SOFTWARE"), QStringLiteral("Korvane"));
        registry.setValue("Transmission/File", QString::fromStdString((dir / list).string()));
    };
    const std::filesystem::path program = qEnvironmentVariable("XDG_DATA_HOME").toStdString() +
                                          "/KVVidiRidoved/terminals/SIM1/D/PROGRAM";

    // Nothing runs: the program starts in the transmission mode and sends the list.
    post("first.lst", "FIRST.BIN");
    QProcess first;
    first.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    first.start(QStringLiteral(KV_PROGRAM_PATH), {"--post", "transmit"});
    QVERIFY(first.waitForStarted(10000));
    QTRY_VERIFY_WITH_TIMEOUT(std::filesystem::exists(program / "FIRST.BIN"), 30000);

    // It runs: the request goes to it and the second process ends at once.
    post("second.lst", "SECOND.BIN");
    QProcess second;
    second.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    second.start(QStringLiteral(KV_PROGRAM_PATH), {"--post", "transmit"});
    QVERIFY(second.waitForFinished(30000));
    QCOMPARE(second.exitCode(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(std::filesystem::exists(program / "SECOND.BIN"), 30000);
    QCOMPARE(TestDir::ReadFile(program / "SECOND.BIN"), "content of SECOND.BIN");

    // An install goes the same way: the running program opens the line it
    // names (kvsim in install mode as COM1) and installs the image there.
    const std::string tty = (dir / "tty").string();
    BackgroundProgram kvsim(KVSIM_PATH,
                            {"--root", (dir / "terminal").string(), "--pty", tty, "--install-mode"},
                            {}, dir / "kvsim.err");
    QVERIFY(WaitForPath(tty, std::chrono::seconds(10)));
    QSettings(QStringLiteral("TELMARQ SOFTWARE"), QStringLiteral("KVVidiRidoved"))
        .setValue("Ports/COM1", QString::fromStdString(tty));
    const std::string image(3000, 'i');
    TestDir::WriteFile(dir / "app.bin", image);
    {
        QSettings registry(QStringLiteral("TELMARQ SOFTWARE"), QStringLiteral("Korvane"));
        registry.setValue("Transmission/BI File", Text(dir / "app.bin"));
        registry.setValue("Transmission/Port", "COM1");
        registry.setValue("Transmission/Baud", 57600);
    }
    QProcess third;
    third.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    third.start(QStringLiteral(KV_PROGRAM_PATH), {"--post", "install"});
    QVERIFY(third.waitForFinished(30000));
    QCOMPARE(third.exitCode(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(TestDir::ReadFile(dir / "terminal/APP.BIN"), image, 30000);

    QCOMPARE(first.state(), QProcess::Running);
    first.kill();
    first.waitForFinished(10000);
    QSettings(QStringLiteral("TELMARQ SOFTWARE"), QStringLiteral("Korvane")).clear();
    QSettings(QStringLiteral("TELMARQ SOFTWARE"), QStringLiteral("KVVidiRidoved")).remove("Ports");
}

KV_GUI_TEST_MAIN(SingleInstanceTest)
#include "single_instance_test.moc"
