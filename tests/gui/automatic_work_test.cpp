// Work handed over by another program: the transmission list and the install
// named in the Transmission key, run on the simulated terminals and on kvsim
// over a pseudo-terminal, with no user action.
#include "connection/connect_setup_dialog.h"
#include "connection/connection_reaper.h"
#include "connection/kv_vidi_ridoved_doc.h"
#include "connection/program_settings.h"
#include "gui/message_window.h"
#include "gui_test_support.h"
#include "link/operation_text.h"
#include "link/serial/serial_transport.h"
#include "link/transfer_progress.h"
#include "pc/progress_dialog.h"
#include "shell/kv_vidi_ridoved_app.h"
#include "shell/main_frame.h"
#include "sim/sim_ports.h"
#include "sim/sim_terminal.h"
#include "terminal/application_download_job.h"
#include "terminal/terminal_view.h"
#include "tests/support/process.h"

#include <QComboBox>
#include <QPushButton>
#include <QSettings>
#include <QTimer>

namespace {

QString Text(const std::filesystem::path& p)
{
    return QString::fromStdString(p.string());
}

void SetTransmission(const QString& key, const QVariant& value)
{
    QSettings registry = TransmissionSettings();
    registry.setValue(QStringLiteral("Transmission/") + key, value);
}

} // namespace

class AutomaticWorkTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void transmitUsesTheConnectionOfThatTitleAtTheListsSpeed();
    void transmitWithoutAConnectionOpensOneAndRunsTheList();
    void aSecondTransmitDuringARunIsRefusedWithOneLine();
    void closingTheWindowDuringARunEndsItCleanly();
    void installNeedsAllThreeValuesWithinTheirLimits();
    void anInstallWritesItsOutcome();
    void serialLinesOpenByNumberAndByDevicePath();
    void aTransmissionAskedForUnderABoxRunsOnceItHasClosed();

private:
    // The frame over two simulated terminals; lineRate slows their lines.
    void OpenFrame(int lineRate = 0);
    // Writes the list file and names it in the Transmission key.
    void PostList(const std::string& content, const char* name = "project.lst");
    std::string Pc(const std::string& name, const std::string& content) const;
    std::filesystem::path Disk(int sim, const std::string& relative) const;
    CTerminalView* View(int window) const { return frame->ConnectionWindows().at(window)->view(); }

    std::unique_ptr<TestDir> dir;
    std::unique_ptr<RecordingPrompter> prompter;
    std::unique_ptr<SimPortsTransport> sims;
    std::unique_ptr<CKVVidiRidovedApp> app;
    CMainFrame* frame = nullptr;
};

void AutomaticWorkTest::init()
{
    dir = std::make_unique<TestDir>();
    std::filesystem::create_directories(dir->path / "pc");
    prompter = std::make_unique<RecordingPrompter>();
}

void AutomaticWorkTest::cleanup()
{
    if (app) {
        app->mainFrame()->CloseAllConnections();
        QTRY_VERIFY(app->reaper().Idle());
    }
    app.reset();
    sims.reset();
    prompter.reset();
    TransmissionSettings().clear();
    dir.reset();
}

void AutomaticWorkTest::OpenFrame(int lineRate)
{
    SimTerminalConfig base;
    base.lineRate = lineRate;
    base.installMode = true;
    sims = std::make_unique<SimPortsTransport>(dir->path / "terminals", 2, base);
    app = std::make_unique<CKVVidiRidovedApp>();
    app->convertIniPath = dir->path / "Convert.ini";
    app->instanceServerName = Text(dir->path / "VidiRidovedClass");
    app->SetTransport(sims.get());
    frame = &app->CreateMainFrame();
    frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame));
}

void AutomaticWorkTest::PostList(const std::string& content, const char* name)
{
    const auto list = dir->path / name;
    TestDir::WriteFile(list, content);
    SetTransmission("File", Text(list));
}

std::string AutomaticWorkTest::Pc(const std::string& name, const std::string& content) const
{
    TestDir::WriteFile(dir->path / "pc" / name, content);
    return (dir->path / "pc" / name).string();
}

std::filesystem::path AutomaticWorkTest::Disk(int sim, const std::string& relative) const
{
    return dir->path / "terminals" / ("SIM" + std::to_string(sim)) / relative;
}

void AutomaticWorkTest::transmitUsesTheConnectionOfThatTitleAtTheListsSpeed()
{
    OpenFrame();
    AcceptConnectDialog(1);
    frame->OnFileNew();
    AcceptConnectDialog(0);
    frame->OnFileNew();
    QCOMPARE(frame->Documents().size(), 2);
    CKVVidiRidovedDoc* sim1 = frame->Documents().at(1);
    QCOMPARE(sim1->Title(), "SIM1");

    const std::string main = Pc("MAIN.BIN", "main");
    const std::string items = Pc("ITEMS.DBF", "items");
    const std::string list =
        "sim1:9600\r\n3," + main + "\r\n2," + Pc("GONE.DBF", "") + "\r\n2," + items + "\r\n";
    std::filesystem::remove(dir->path / "pc/GONE.DBF");
    PostList(list);
    frame->OnAutoTransmit();
    QCOMPARE(frame->Documents().size(), 2);
    QCOMPARE(sim1->settings.baudCode, 2);
    QCOMPARE(sim1->settings.transmissionLock.load(), 1);
    QTRY_COMPARE(View(1)->Tree().jobRunning.load(), 0);
    QCOMPARE(sim1->settings.transmissionLock.load(), 0);
    QCOMPARE(TestDir::ReadFile(Disk(1, "D/PROGRAM/MAIN.BIN")), "main");
    QCOMPARE(TestDir::ReadFile(Disk(1, "D/LOOKUP/ITEMS.DBF")), "items");
    QVERIFY(!std::filesystem::exists(Disk(2, "D/PROGRAM/MAIN.BIN")));
    QCOMPARE(frame->messageWindow()->Lines().mid(0, 2),
             (QStringList{QStringLiteral("Automatic transmission from %1: 2 of 3 files sent")
                              .arg(Text(dir->path / "project.lst")),
                          QString::fromStdString(SkippedUnreadableLine(
                              (dir->path / "pc/GONE.DBF").string(), "D:\\Lookup\\GONE.DBF"))}));
    QVERIFY(!View(1)->progressDialog()->isVisible());
    QVERIFY(prompter->shown.isEmpty());
}

void AutomaticWorkTest::transmitWithoutAConnectionOpensOneAndRunsTheList()
{
    OpenFrame();
    bool asked = false;
    QTimer watch;
    connect(&watch, &QTimer::timeout, [&asked] {
        if (auto* d = qobject_cast<ConnectSetupDialog*>(QApplication::activeModalWidget())) {
            asked = true;
            d->reject();
        }
    });
    watch.start(10);
    PostList("SIM2:57600\r\n0," + Pc("MAIN.BIN", "main") + "\r\n");
    frame->OnAutoTransmit();
    QCOMPARE(frame->Documents().size(), 1);
    QCOMPARE(frame->Documents().first()->Title(), "SIM2");
    QCOMPARE(app->StartMode.load(), 0);
    QTRY_VERIFY(std::filesystem::exists(Disk(2, "D/PROGRAM/MAIN.BIN")));
    QTRY_COMPARE(View(0)->Tree().jobRunning.load(), 0);
    QVERIFY(!asked);

    // A list whose port does not exist opens nothing and asks nothing; the
    // user's next New asks again.
    PostList("SIM9:57600\r\n0," + Pc("MAIN.BIN", "main") + "\r\n");
    frame->OnAutoTransmit();
    QCOMPARE(frame->Documents().size(), 1);
    QVERIFY(!asked);
    QVERIFY(prompter->shown.isEmpty());
    QCOMPARE(app->StartMode.load(), 0);
}

void AutomaticWorkTest::aSecondTransmitDuringARunIsRefusedWithOneLine()
{
    OpenFrame(460800); // slow enough that the run is still going
    AcceptConnectDialog(0);
    frame->OnFileNew();
    CKVVidiRidovedDoc* doc = frame->Documents().first();
    const std::string big = Pc("BIG.DAT", std::string(48 * 1024, 'b'));
    PostList("SIM1:9600\r\n0," + big + "\r\n");
    frame->OnAutoTransmit();
    QCOMPARE(View(0)->Tree().jobRunning.load(), 1);
    const int lines = frame->messageWindow()->Lines().size();

    PostList("SIM1:4800\r\n0," + Pc("OTHER.DAT", "other") + "\r\n", "other.lst");
    frame->OnAutoTransmit();
    QCOMPARE(frame->messageWindow()->Lines().size(), lines + 1);
    QCOMPARE(frame->messageWindow()->Lines().first(),
             QStringLiteral("Automatic transmission on SIM1 refused: another job of this "
                            "connection is running"));
    QCOMPARE(doc->settings.baudCode, 2);
    // An install on the busy connection waits too.
    SetTransmission("BI File", Text(dir->path / "pc/BIG.DAT"));
    SetTransmission("Port", "SIM1");
    SetTransmission("Baud", 19200);
    frame->OnAutoInstall();
    QVERIFY(frame->messageWindow()->Lines().first().startsWith("Automatic application install"));
    QCOMPARE(doc->settings.baudCode, 2);

    QTRY_COMPARE_WITH_TIMEOUT(View(0)->Tree().jobRunning.load(), 0, 20000);
    QCOMPARE(TestDir::ReadFile(Disk(1, "D/PROGRAM/BIG.DAT")).size(), 48u * 1024);
    QVERIFY(!std::filesystem::exists(Disk(1, "D/PROGRAM/OTHER.DAT")));
    QVERIFY(prompter->shown.isEmpty());
}

void AutomaticWorkTest::closingTheWindowDuringARunEndsItCleanly()
{
    // Closing the window, and quitting (every window at once).
    for (const bool quit : {false, true}) {
        OpenFrame(460800);
        AcceptConnectDialog(0);
        frame->OnFileNew();
        const std::string big = Pc("BIG.DAT", std::string(64 * 1024, 'b'));
        PostList("SIM1:9600\r\n0," + big + "\r\n3," + Pc("NEXT.DAT", "n") + "\r\n");
        frame->OnAutoTransmit();
        TransferProgress& progress = View(0)->progressDialog()->progress();
        QTRY_VERIFY(progress.bytesDone.load() > 2048);
        if (quit) {
            // Quitting asks first; No keeps the transfer going.
            prompter->answer = false;
            QVERIFY(!frame->close());
            QCOMPARE(prompter->shown,
                     QStringList{"A transfer to SIM1 is running. Stop it and quit?"});
            QCOMPARE(View(0)->Tree().jobRunning.load(), 1);
            prompter->answer = true;
            QVERIFY(frame->close());
        } else {
            frame->ConnectionWindows().first()->close();
        }
        QTRY_COMPARE(frame->Documents().size(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(app->reaper().Idle(), 10000);
        QVERIFY(!std::filesystem::exists(Disk(1, "D/PROGRAM/BIG.DAT")));
        QVERIFY(!std::filesystem::exists(Disk(1, "C/DATA/NEXT.DAT")));
        app.reset();
        sims.reset();
    }
}

void AutomaticWorkTest::installNeedsAllThreeValuesWithinTheirLimits()
{
    OpenFrame();
    const QString image = Text(dir->path / "pc/app.bin");
    TestDir::WriteFile(dir->path / "pc/app.bin", std::string(3000, 'a'));
    const QString tooLong = QString(255, u'x');
    struct Row {
        const char* name;
        QVariant image, port, baud;
    };
    const Row rows[] = {
        {"no BI File", {}, "SIM1", 9600},        {"no Port", image, {}, 9600},
        {"no Baud", image, "SIM1", {}},          {"BI File too long", tooLong, "SIM1", 9600},
        {"Port too long", image, tooLong, 9600}, {"Baud not a number", image, "SIM1", "fast"},
    };
    for (const Row& row : rows) {
        TransmissionSettings().clear();
        for (const auto& [key, value] :
             {std::pair{"BI File", row.image}, {"Port", row.port}, {"Baud", row.baud}})
            if (value.isValid())
                SetTransmission(key, value);
        frame->OnAutoInstall();
        QVERIFY2(frame->Documents().isEmpty(), row.name);
    }
    // A list path beyond the limit is as good as none, also for a new
    // connection, even when its first 255 bytes name a list.
    TransmissionSettings().clear();
    const std::string folder = (dir->path / "").string();
    const std::string list = folder + std::string(255 - folder.size() - 4, 'l') + ".lst";
    TestDir::WriteFile(list, "SIM1:57600\r\n0," + Pc("MAIN.BIN", "main") + "\r\n");
    SetTransmission("File", QString::fromStdString(list + "-not-this-one"));
    frame->OnAutoTransmit();
    app->StartMode = 1;
    frame->OnFileNew();
    QVERIFY(frame->Documents().isEmpty());
    QVERIFY(prompter->shown.isEmpty());

    // All three: the connection opens on its own and the image is installed.
    SetTransmission("BI File", image);
    SetTransmission("Port", "sim1");
    SetTransmission("Baud", 38400);
    frame->OnAutoInstall();
    QCOMPARE(frame->Documents().size(), 1);
    QCOMPARE(frame->Documents().first()->settings.baudCode, 4);
    QTRY_COMPARE(prompter->shown, QStringList{"Application download complete"});
    QCOMPARE(View(0)->appImagePath, image);

    // That window keeps "Port" as written; a list naming it in capitals finds it.
    CKVVidiRidovedDoc* doc = frame->Documents().first();
    QCOMPARE(doc->Title(), "sim1");
    QTRY_COMPARE(View(0)->Tree().jobRunning.load(), 0);
    PostList("SIM1:9600\r\n0," + Pc("MAIN.BIN", "main") + "\r\n");
    frame->OnAutoTransmit();
    QCOMPARE(frame->Documents(), QList<CKVVidiRidovedDoc*>{doc});
    QCOMPARE(doc->settings.baudCode, 2);
    QTRY_VERIFY(std::filesystem::exists(Disk(1, "D/PROGRAM/MAIN.BIN")));
}

void AutomaticWorkTest::anInstallWritesItsOutcome()
{
    // Mended: an install another program asked for left no line at all.
    OpenFrame();
    AcceptConnectDialog(0);
    frame->OnFileNew();
    const QString image = Text(dir->path / "pc/app.bin");
    TestDir::WriteFile(dir->path / "pc/app.bin", std::string(3000, 'a'));
    SetTransmission("BI File", image);
    SetTransmission("Port", "SIM1");
    SetTransmission("Baud", 57600);
    struct Row {
        const char* name;
        bool installMode;
        LinkStatus status;
    };
    for (const Row& row : {Row{"installed", true, LinkStatus::Ok},
                           Row{"not in install mode", false, LinkStatus::NotInInstallMode}}) {
        sims->TerminalAt(1)->SetInstallMode(row.installMode);
        prompter->shown.clear();
        frame->OnAutoInstall();
        const QString outcome = ApplicationDownloadText(row.status);
        QTRY_COMPARE(prompter->shown, QStringList{outcome});
        QCOMPARE(frame->messageWindow()->Lines().first(),
                 QStringLiteral("Automatic application install of %1: %2")
                     .arg(image, QString(outcome).replace(u'\n', u' ')));
        QTRY_COMPARE(View(0)->Tree().jobRunning.load(), 0);
    }
}

void AutomaticWorkTest::serialLinesOpenByNumberAndByDevicePath()
{
    const std::string tty = (dir->path / "tty").string();
    BackgroundProgram kvsim(KVSIM_PATH, {"--root", (dir->path / "terminal").string(), "--pty", tty},
                            std::map<std::string, std::string>{}, dir->path / "kvsim.err");
    QVERIFY(WaitForPath(tty, std::chrono::seconds(10)));
    const QString device = Text(std::filesystem::canonical(tty));
    QVERIFY(device.startsWith("/dev/"));
    QSettings ports(Text(dir->path / "ports.ini"), QSettings::IniFormat);
    ports.setValue("Ports/COM1", QString::fromStdString(tty)); // COM1 is this line
    ports.sync();
    SerialOptions options;
    options.listDevices = [] { return std::vector<std::string>{}; };
    SerialTransport serial(&ports, options);
    app = std::make_unique<CKVVidiRidovedApp>();
    app->convertIniPath = dir->path / "Convert.ini";
    app->instanceServerName = Text(dir->path / "VidiRidovedClass");
    app->SetTransport(&serial);
    frame = &app->CreateMainFrame();
    frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame));
    const auto terminal = [this](const char* path) { return dir->path / "terminal" / path; };

    // No connection: COM1 opens from the list; a second list in another case
    // and speed finds it and sets its speed.
    PostList("com1:57600\r\n0," + Pc("MAIN.BIN", "main") + "\r\n");
    frame->OnAutoTransmit();
    QCOMPARE(frame->Documents().size(), 1);
    CKVVidiRidovedDoc* com1 = frame->Documents().first();
    QCOMPARE(com1->Title(), "COM1");
    QTRY_VERIFY_WITH_TIMEOUT(std::filesystem::exists(terminal("D/PROGRAM/MAIN.BIN")), 10000);
    QTRY_COMPARE(View(0)->Tree().jobRunning.load(), 0);
    PostList("COM1:9600\r\n0," + Pc("MAIN.BIN", "main") + "\r\n1," + Pc("BIG.FNT", "f") + "\r\n");
    frame->OnAutoTransmit();
    QCOMPARE(frame->Documents().size(), 1);
    QCOMPARE(com1->settings.baudCode, 2);
    QTRY_VERIFY_WITH_TIMEOUT(std::filesystem::exists(terminal("D/FONTS/BIG.FNT")), 10000);
    QTRY_COMPARE(View(0)->Tree().jobRunning.load(), 0);
    frame->CloseAllConnections();
    QTRY_VERIFY(app->reaper().Idle());

    // A device path opens as written, not upper-cased.
    PostList(device.toStdString() + ":19200\r\n0," + Pc("SECOND.BIN", "2") + "\r\n");
    frame->OnAutoTransmit();
    QCOMPARE(frame->Documents().size(), 1);
    QCOMPARE(frame->Documents().first()->Title(), device);
    QTRY_VERIFY_WITH_TIMEOUT(std::filesystem::exists(terminal("D/PROGRAM/SECOND.BIN")), 10000);
    QTRY_COMPARE(View(0)->Tree().jobRunning.load(), 0);
    QVERIFY(prompter->shown.isEmpty());
    frame->CloseAllConnections();
    QTRY_VERIFY(app->reaper().Idle());
    app.reset();
}

KV_GUI_TEST_MAIN(AutomaticWorkTest)
#include "automatic_work_test.moc"

void AutomaticWorkTest::aTransmissionAskedForUnderABoxRunsOnceItHasClosed()
{
    OpenFrame();
    AcceptConnectDialog(0);
    frame->OnFileNew();
    CKVVidiRidovedDoc* sim1 = frame->Documents().at(0);
    CTerminalFileTree& tree = View(0)->Tree();
    PostList("sim1:9600\r\n2," + Pc("ITEMS.DBF", "items") + "\r\n");
    // The sibling program asks while the batch's closing box is open: served
    // there, the run started under the box's caller, which then listed the root.
    int lockedUnderTheBox = -1;
    prompter->whileShown = [&] {
        frame->OnAutoTransmit();
        lockedUnderTheBox = sim1->settings.transmissionLock.load();
    };
    TestDir::WriteFile(dir->path / "one.cmb", "C:\\DATA\\ONE.TXT,3,one");
    View(0)->batchFilePath = Text(dir->path / "one.cmb");
    View(0)->BatchDownloadJob();
    QTRY_COMPARE(prompter->shown, QStringList{MessageText(MessageId::BatchDone)});
    QCOMPARE(lockedUnderTheBox, 0);
    QTRY_COMPARE(TestDir::ReadFile(Disk(1, "D/PROGRAM/ITEMS.DBF")), std::string("items"));
    QTRY_COMPARE(tree.jobRunning.load(), 0);
    QCOMPARE(TestDir::ReadFile(Disk(1, "C/DATA/ONE.TXT")), std::string("one"));
    QVERIFY(tree.rootItem->childCount() >= 2);
}
