// One running program per user: two endpoints in this process, a socket left
// behind, and two real starts of the program.
#include "gui_test_support.h"
#include "shell/single_instance.h"

#include <QFile>
#include <QProcess>
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

KV_GUI_TEST_MAIN(SingleInstanceTest)
#include "single_instance_test.moc"
