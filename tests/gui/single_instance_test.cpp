// One running program per user: two endpoints in this process, a socket left
// behind, and two real starts of the program.
#include "gui_test_support.h"
#include "shell/single_instance.h"

#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>

#include <memory>

class SingleInstanceTest : public QObject {
    Q_OBJECT

private slots:
    void secondStartAsksTheFirstToComeToTheFront();
    void requestsOfTheAutomaticModesArrive();
    void socketLeftBehindIsTakenOver();
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
    QCOMPARE(first.state(), QProcess::Running);
    first.kill();
    first.waitForFinished(10000);
    QSettings(QStringLiteral("TELMARQ SOFTWARE"), QStringLiteral("Korvane")).clear();
}

KV_GUI_TEST_MAIN(SingleInstanceTest)
#include "single_instance_test.moc"
