// The connection commands of menu 129 on the simulated terminals: the clock and
// its dialog, the terminal's information, the application and batch downloads,
// the reconnect and the convert mode.
#include "connection/connect_setup_dialog.h"
#include "connection/connection_reaper.h"
#include "connection/kv_vidi_ridoved_doc.h"
#include "convert/scramble.h"
#include "gui/message_window.h"
#include "gui_test_support.h"
#include "link/incoming_file.h"
#include "link/operation_text.h"
#include "link/private_folder.h"
#include "link/terminal_link.h"
#include "link/transfer_log.h"
#include "pc/progress_dialog.h"
#include "shell/kv_vidi_ridoved_app.h"
#include "shell/main_frame.h"
#include "sim/sim_ports.h"
#include "sim/sim_terminal.h"
#include "terminal/application_download_job.h"
#include "terminal/terminal_info_dialog.h"
#include "terminal/terminal_time_dialog.h"
#include "terminal/terminal_view.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <QTimer>

#include <functional>
#include <sstream>

namespace {

QString Text(const std::filesystem::path& p)
{
    return QString::fromStdString(p.string());
}

void ClickOk(QWidget* dialog)
{
    QTest::mouseClick(dialog->findChild<QPushButton*>("okButton"), Qt::LeftButton);
}

// Chooses the port at index (and the speed at baudIndex) in the next connect
// dialog and presses OK.
void AnswerConnect(int index, int baudIndex = -1)
{
    WhenModal<ConnectSetupDialog>([index, baudIndex](ConnectSetupDialog* dialog) {
        dialog->findChild<QComboBox*>("portList")->setCurrentIndex(index);
        if (baudIndex >= 0)
            dialog->baudIndex = baudIndex;
        ClickOk(dialog);
    });
}

// The connection the transfer log names for the last line that ends with text.
std::string LoggedConnection(const std::string& text)
{
    std::istringstream log(TestDir::ReadFile(DefaultTransferLogPath()));
    std::string connection;
    for (std::string line; std::getline(log, line);) {
        // "YYYY-MM-DD hh:mm:ss  connection  text"
        const std::size_t from = line.find("  ") + 2;
        if (line.size() >= from + text.size() + 2 && line.ends_with("  " + text))
            connection = line.substr(from, line.size() - text.size() - 2 - from);
    }
    return connection;
}

} // namespace

class ConnectionCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void informationShowsEachTextUpToItsNul();
    void setTimeSendsThePickedTimeOrThePcTimeOfOk();
    void closingTheWindowUnderItsDialogSendsNothing();
    void applicationDownloadTextForEachStatus_data();
    void applicationDownloadTextForEachStatus();
    void applicationDownloadRunsWithoutCancelAndNamesTheTerminalsErrorCode();
    void batchStopsAtTheFirstFailingRecordAndListsTheRootAgain();
    void scrambledBatchIsUnscrambledAndADamagedRecordIsNamed();
    void communicateMovesTheConnectionToTheChosenPortOnly();
    void communicateThatCannotOpenEitherPortClosesTheWindow();
    void pushesAfterAReconnectAreLoggedUnderTheirConnection();
    void convertModeIsTickedInEveryConnectionWindow();
    void clockSynchronizationSetsEveryTerminalOnceAndFollowsAReconnect();
    void aDockingSetsTheClockOnce();

private:
    // Answers the next file dialog with path, typed into its name box.
    static void AnswerFile(const std::filesystem::path& path)
    {
        WhenModal<QFileDialog>([path](QFileDialog* dialog) {
            dialog->findChild<QLineEdit*>("fileNameEdit")->setText(Text(path));
            QMetaObject::invokeMethod(dialog, "accept");
        });
    }
    std::filesystem::path Disk(int index, const std::string& relative) const
    {
        return dir->path / "terminals" / ("SIM" + std::to_string(index + 1)) / relative;
    }
    // Opens a connection to SIM<index + 1>; returns its window, made current.
    CChildFrame* Connect(int index);
    // Runs command and waits for the terminal's answer to be shown.
    void Trigger(int command)
    {
        frame->action(command)->trigger();
        for (CChildFrame* child : frame->ConnectionWindows())
            QVERIFY(RequestDone(&child->view()->Tree()));
    }
    std::string ClockText(int index) const
    {
        return TestDir::ReadFile(dir->path / "terminals" / ("SIM" + std::to_string(index + 1)) /
                                 kClockFileName);
    }

    std::unique_ptr<TestDir> dir;
    std::unique_ptr<RecordingPrompter> prompter;
    std::unique_ptr<SimPortsTransport> sims;
    std::unique_ptr<CKVVidiRidovedApp> app;
    CMainFrame* frame = nullptr;
};

void ConnectionCommandsTest::init()
{
    dir = std::make_unique<TestDir>();
    prompter = std::make_unique<RecordingPrompter>();
    sims = std::make_unique<SimPortsTransport>(dir->path / "terminals", 2);
    app = std::make_unique<CKVVidiRidovedApp>();
    app->convertIniPath = dir->path / "Convert.ini";
    app->instanceServerName = Text(dir->path / "VidiRidovedClass");
    app->SetTransport(sims.get());
    frame = &app->CreateMainFrame();
    frame->resize(900, 600);
    frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame));
}

void ConnectionCommandsTest::cleanup()
{
    SetPcClock({});
    app.reset();
    sims.reset();
    prompter.reset();
    dir.reset();
}

CChildFrame* ConnectionCommandsTest::Connect(int index)
{
    AnswerConnect(index);
    frame->OnFileNew();
    CChildFrame* child = frame->ConnectionWindows().last();
    frame->mdiArea()->setActiveSubWindow(child);
    return child;
}

void ConnectionCommandsTest::informationShowsEachTextUpToItsNul()
{
    Connect(0);
    TerminalIdentity identity;
    identity.model = std::string("LX-2\0JUNK", 9);
    identity.firmware = "2.15";
    identity.serial = std::string("1234\0"
                                  "5678",
                                  9);
    identity.equipment = "DOCK-\xa3"; // the terminal's code page: Windows-1250
    sims->TerminalAt(1)->SetIdentity(identity);

    QStringList texts;
    bool readOnly = true;
    WhenModal<TerminalInfoDialog>([&](TerminalInfoDialog* dialog) {
        for (const char* name : {"modelBox", "firmwareBox", "serialBox", "equipmentBox"}) {
            auto* box = dialog->findChild<QLineEdit*>(name);
            texts << box->text();
            readOnly = readOnly && box->isReadOnly();
        }
        ClickOk(dialog);
    });
    Trigger(Command::GetInformation);
    QCOMPARE(texts, QStringList({"LX-2", "2.15", "1234", QString::fromUtf8("DOCK-\u0141")}));
    QVERIFY(readOnly);
    QVERIFY(prompter->shown.isEmpty());
}

void ConnectionCommandsTest::setTimeSendsThePickedTimeOrThePcTimeOfOk()
{
    Connect(0);
    QDateTime pcNow(QDate(2025, 3, 1), QTime(8, 0, 0));
    SetPcClock([&pcNow] { return pcNow; });

    // "None Synchronize" with a date and time picked by hand.
    bool pickersWereDisabled = false, ticking = false;
    QString shownFirst;
    WhenModal<TerminalTimeDialog>([&](TerminalTimeDialog* dialog) {
        auto* date = dialog->findChild<QDateEdit*>("datePicker");
        auto* time = dialog->findChild<QTimeEdit*>("timePicker");
        pickersWereDisabled = !date->isEnabled() && !time->isEnabled();
        ticking = dialog->TimerRunning();
        shownFirst = dialog->ShownText();
        QTest::mouseClick(dialog->findChild<QRadioButton*>("noneSynchronizeRadio"), Qt::LeftButton);
        date->setDate(QDate(2024, 2, 29));
        time->setTime(QTime(13, 5, 9));
        QCOMPARE(dialog->ShownText(), QStringLiteral("2024/02/29 13:05:09"));
        ClickOk(dialog);
    });
    Trigger(Command::SetTime);
    QVERIFY(pickersWereDisabled);
    QVERIFY(ticking);
    QCOMPARE(shownFirst, QStringLiteral("2025/03/01 08:00:00"));
    QCOMPARE(ClockText(0), std::string("20240229130509"));
    QCOMPARE(prompter->shown.last(), MessageText(MessageId::SetTimeDone));

    // "Synchronize with PC": the PC's time when OK is pressed, not when the
    // dialog opened; the shown text follows the clock every second.
    WhenModal<TerminalTimeDialog>([&](TerminalTimeDialog* dialog) {
        pcNow = QDateTime(QDate(2025, 3, 1), QTime(8, 0, 5));
        QTRY_COMPARE(dialog->ShownText(), QStringLiteral("2025/03/01 08:00:05"));
        pcNow = QDateTime(QDate(2025, 12, 31), QTime(23, 59, 58));
        ClickOk(dialog);
    });
    Trigger(Command::SetTime);
    QCOMPARE(ClockText(0), std::string("20251231235958"));

    // Cancel leaves the terminal's clock alone.
    const int messages = static_cast<int>(prompter->shown.size());
    WhenModal<TerminalTimeDialog>([](TerminalTimeDialog* dialog) { dialog->reject(); });
    Trigger(Command::SetTime);
    QCOMPARE(ClockText(0), std::string("20251231235958"));
    QCOMPARE(prompter->shown.size(), messages);
}

void ConnectionCommandsTest::closingTheWindowUnderItsDialogSendsNothing()
{
    CChildFrame* child = Connect(0);
    std::filesystem::remove(dir->path / "terminals/SIM1" / kClockFileName);
    const QPointer<CChildFrame> window(child);
    WhenModal<TerminalTimeDialog>([child](TerminalTimeDialog* dialog) {
        child->close();
        // Whatever the view did with its dialog, OK is what the user pressed.
        if (QApplication::activeModalWidget() == dialog)
            ClickOk(dialog);
    });
    Trigger(Command::SetTime);
    QTRY_VERIFY(!window);
    QVERIFY(!std::filesystem::exists(dir->path / "terminals/SIM1" / kClockFileName));
    QVERIFY(prompter->shown.isEmpty());
}

void ConnectionCommandsTest::applicationDownloadTextForEachStatus_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("text");
    const auto message = [](MessageId id) { return MessageText(id); };
    const auto systemError = [](int code) {
        return MessageText(MessageId::TerminalSystemError).replace("%d", QString::number(code));
    };
    QTest::newRow("done") << 0 << QStringLiteral("Application download complete");
    QTest::newRow("refused") << 3002 << message(MessageId::ProtocolVersion);
    QTest::newRow("busy") << 3004 << message(MessageId::AnotherJob);
    QTest::newRow("area too small") << 3009 << message(MessageId::ApSizeInsufficient);
    QTest::newRow("invalid image") << 3011 << message(MessageId::InvalidFile);
    QTest::newRow("unformatted") << 4002 << message(MessageId::DiskUnformat);
    QTest::newRow("not in install mode") << 4006 << message(MessageId::NotInstallMode);
    for (int code : {4010, 4011, 4012, 4013, 4014})
        QTest::newRow(qPrintable(QString::number(code))) << code << systemError(code);
    QTest::newRow("no reply") << 3007 << message(MessageId::ApplicationFail);
    QTest::newRow("no information") << 1106 << message(MessageId::ApplicationFail);
}

void ConnectionCommandsTest::applicationDownloadTextForEachStatus()
{
    QFETCH(int, status);
    QFETCH(QString, text);
    QCOMPARE(ApplicationDownloadText(static_cast<LinkStatus>(status)), text);
}

void ConnectionCommandsTest::applicationDownloadRunsWithoutCancelAndNamesTheTerminalsErrorCode()
{
    CChildFrame* child = Connect(0);
    SimTerminal& terminal = *sims->TerminalAt(1);
    TerminalIdentity identity;
    identity.model = "LX-2";
    terminal.SetIdentity(identity);
    terminal.SetInstallMode(true);
    terminal.SetInstallHooks(std::nullopt, 5); // the image's last block answered 5: 4012
    const auto image = *dir / "app.bin";
    TestDir::WriteFile(image, std::string(3000, 'x'));

    AnswerFile(image);
    Trigger(Command::ApplicationDownload);
    CTerminalView* view = child->view();
    QCOMPARE(view->appImagePath, Text(image));
    QCOMPARE(view->Tree().jobRunning.load(), 1);
    auto* cancel = view->progressDialog()->findChild<QPushButton*>("cancelButton");
    QVERIFY(cancel && !cancel->isVisible());
    QTRY_COMPARE(prompter->shown.size(), 1);
    QVERIFY(prompter->shown.first().contains("Error Code: 4012."));
    QCOMPARE(view->Tree().jobRunning.load(), 0);
    QVERIFY(!view->progressDialog()->isVisible());
}

namespace {

std::string Record(const std::string& path, const std::string& data)
{
    return path + "," + std::to_string(data.size()) + "," + data;
}

bool TempFilesLeft()
{
    for (const auto& entry : std::filesystem::directory_iterator(PrivateTempFolder()))
        if (entry.path().filename().string().rfind("KVSIM", 0) == 0)
            return true;
    return false;
}

} // namespace

void ConnectionCommandsTest::batchStopsAtTheFirstFailingRecordAndListsTheRootAgain()
{
    CChildFrame* child = Connect(0);
    CTerminalFileTree& tree = child->view()->Tree();
    const auto batch = *dir / "three.cmb";
    TestDir::WriteFile(batch, Record("C:\\DATA\\ONE.TXT", "first\r\n") +
                                  Record("C:\\NOSUCH\\TWO.TXT", "second\r\n") +
                                  Record("C:\\DATA\\THREE.TXT", "third\r\n"));

    // A Cancel pressed after the last job had ended stops nothing of this one.
    child->document()->link->cancel.store(1);
    AnswerFile(batch);
    Trigger(Command::BatchDownload);
    // Mended: it said the download was complete although two records never went.
    QTRY_COMPARE(prompter->shown,
                 QStringList{"Batch build file download incomplete: 1 of 3 records "
                             "sent. The message window names the others."});
    QTRY_COMPARE(tree.jobRunning.load(), 0); // the root listed again
    QCOMPARE(TestDir::ReadFile(Disk(0, "C/DATA/ONE.TXT")), std::string("first\r\n"));
    QVERIFY(!std::filesystem::exists(Disk(0, "C/DATA/THREE.TXT")));
    QVERIFY(!TempFilesLeft());
    QCOMPARE(frame->messageWindow()->Lines().mid(0, 4),
             (QStringList{Text(batch) + ": 1 of 3 records sent",
                          QString::fromStdString(NotSentLine("three.cmb", "C:\\DATA\\THREE.TXT")),
                          QString::fromStdString(CopyFailLine("three.cmb", "C:\\NOSUCH\\TWO.TXT")),
                          QString::fromStdString(CopyDoneLine("three.cmb", "C:\\DATA\\ONE.TXT"))}));
    QVERIFY(tree.rootItem->childCount() >= 2);
    QCOMPARE(tree.rootItem->child(0)->text(0), QStringLiteral("C:"));

    // Every record went: the message of old, and no count.
    prompter->shown.clear();
    const int lines = frame->messageWindow()->Lines().size();
    TestDir::WriteFile(batch, Record("C:\\DATA\\ONE.TXT", "again\r\n"));
    child->view()->batchFilePath = Text(batch);
    child->view()->BatchDownloadJob();
    QTRY_COMPARE(prompter->shown, QStringList{MessageText(MessageId::BatchDone)});
    QCOMPARE(frame->messageWindow()->Lines().size(), lines + 1);
    QTRY_COMPARE(tree.jobRunning.load(), 0); // the root listed again

    // A file that cannot be read: 40016 and nothing else.
    prompter->shown.clear();
    child->view()->batchFilePath = Text(*dir / "missing.cmb");
    child->view()->BatchDownloadJob();
    QTRY_COMPARE(prompter->shown, QStringList{MessageText(MessageId::OpenFileFail)});
}

void ConnectionCommandsTest::scrambledBatchIsUnscrambledAndADamagedRecordIsNamed()
{
    CChildFrame* child = Connect(0);
    CChildFrame* other = Connect(1);
    frame->mdiArea()->setActiveSubWindow(child);
    // Binary content makes the file look scrambled even before scrambling.
    std::string text = Record("C:\\DATA\\BIN.DAT", std::string("\x01\x02\xff", 3)) +
                       Record("C:\\DATA\\TWO.TXT", "two\r\n") + "C:\\DATA\\CUT.TXT,999,short";
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    Scramble(bytes, kDefaultUnscrambleKey);
    const auto batch = *dir / "scrambled.cmb";
    TestDir::WriteFile(batch, std::string(bytes.begin(), bytes.end()));

    AnswerFile(batch);
    Trigger(Command::BatchDownload);
    // The job's lines name its connection although another window is active.
    frame->mdiArea()->setActiveSubWindow(other);
    QTRY_COMPARE(prompter->shown,
                 QStringList{"Batch build file download incomplete: 2 of 3 records "
                             "sent. The message window names the others."});
    QCOMPARE(TestDir::ReadFile(Disk(0, "C/DATA/BIN.DAT")), std::string("\x01\x02\xff", 3));
    QCOMPARE(TestDir::ReadFile(Disk(0, "C/DATA/TWO.TXT")), std::string("two\r\n"));
    QVERIFY(!std::filesystem::exists(Disk(0, "C/DATA/CUT.TXT")));
    const QStringList lines = frame->messageWindow()->Lines();
    QCOMPARE(lines.first(), Text(batch) + ": 2 of 3 records sent");
    QVERIFY(lines.at(1).contains("scrambled.cmb"));
    QVERIFY(lines.at(1).contains("record 3"));
    QCOMPARE(LoggedConnection(lines.at(1).toStdString()), "SIM1");
    QCOMPARE(LoggedConnection(CopyDoneLine("scrambled.cmb", "C:\\DATA\\BIN.DAT")), "SIM1");
}

void ConnectionCommandsTest::communicateMovesTheConnectionToTheChosenPortOnly()
{
    CChildFrame* child = Connect(0);
    CKVVidiRidovedDoc* doc = child->document();
    const PortHandle first = doc->settings.handle;
    TerminalLink* firstLink = doc->link.get();
    const auto firstTerminal = sims->TerminalAt(1);

    // OK without a change: the port and the link stay as they were.
    AnswerConnect(0);
    Trigger(Command::Communicate);
    QCOMPARE(doc->settings.handle, first);
    QCOMPARE(doc->link.get(), firstLink);
    QCOMPARE(sims->TerminalAt(1), firstTerminal);
    QVERIFY(prompter->shown.isEmpty());

    // While a job runs: 40005, no dialog.
    child->view()->Tree().jobRunning.store(1);
    Trigger(Command::Communicate);
    QCOMPARE(prompter->shown, QStringList{MessageText(MessageId::AnotherJob)});
    child->view()->Tree().jobRunning.store(0);
    prompter->shown.clear();

    // To SIM2: the old port closes, the new one opens after the pause with a new
    // link, which the tree and the progress dialog use.
    AnswerConnect(1);
    Trigger(Command::Communicate);
    QVERIFY(!sims->TerminalAt(1));
    QTRY_COMPARE(child->windowTitle(), QStringLiteral("SIM2"));
    QVERIFY(sims->TerminalAt(2));
    QCOMPARE(child->view()->Tree().Link(), doc->link.get());
    QCOMPARE(doc->link->progress.load(), &child->view()->progressDialog()->progress());
    QCOMPARE(child->view()->Tree().jobRunning.load(), 0);
    WhenModal<TerminalTimeDialog>([](TerminalTimeDialog* dialog) { ClickOk(dialog); });
    Trigger(Command::SetTime);
    QCOMPARE(prompter->shown, QStringList{MessageText(MessageId::SetTimeDone)});
    QVERIFY(!ClockText(1).empty());

    // A port that will not open (SIM1 is taken by another window): 40006, and the
    // connection goes back to its previous port.
    prompter->shown.clear();
    Connect(0);
    frame->mdiArea()->setActiveSubWindow(child);
    AnswerConnect(0);
    Trigger(Command::Communicate);
    QTRY_COMPARE(prompter->shown, QStringList{MessageText(MessageId::OpenPortFail)});
    QCOMPARE(child->windowTitle(), QStringLiteral("SIM2"));
    QVERIFY(doc->settings.handle != kNoPort);
    QCOMPARE(sims->TerminalOf(doc->settings.handle), sims->TerminalAt(2));
    QVERIFY(frame->messageWindow()->Lines().first().contains("SIM2"));
}

void ConnectionCommandsTest::communicateThatCannotOpenEitherPortClosesTheWindow()
{
    CChildFrame* child = Connect(0);
    Connect(1);
    frame->mdiArea()->setActiveSubWindow(child);
    AnswerConnect(1); // taken by the second window
    Trigger(Command::Communicate);
    // During the pause another window takes the port given up.
    Connect(0);
    QTRY_COMPARE(frame->ConnectionWindows().size(), 2);
    QCOMPARE(prompter->shown, QStringList{MessageText(MessageId::OpenPortFail)});
    QVERIFY(frame->messageWindow()->Lines().first().contains("SIM1"));
}

void ConnectionCommandsTest::pushesAfterAReconnectAreLoggedUnderTheirConnection()
{
    CChildFrame* child = Connect(0);
    AnswerConnect(1);
    Trigger(Command::Communicate);
    QTRY_COMPARE(child->windowTitle(), QStringLiteral("SIM2"));
    Connect(0); // active from now on
    const std::string line = ReceiveDoneLine((DefaultReceiveFolder() / "PUSHED.TXT").string());
    sims->TerminalAt(2)->Push(Bytes{'o', 'k'}, "PUSHED.TXT");
    QTRY_VERIFY(frame->messageWindow()->Lines().contains(QString::fromStdString(line)));
    QCOMPARE(LoggedConnection(line), "SIM2");
}

void ConnectionCommandsTest::convertModeIsTickedInEveryConnectionWindow()
{
    CChildFrame* first = Connect(0);
    Connect(1);
    Trigger(Command::Convert);
    QCOMPARE(app->ConvertMode.load(), 1);
    for (CChildFrame* child : {first, frame->ConnectionWindows().last()}) {
        frame->mdiArea()->setActiveSubWindow(child);
        frame->UpdateCommands();
        QVERIFY(frame->action(Command::Convert)->isChecked());
        QVERIFY(!frame->action(Command::Standard)->isChecked());
    }
    Trigger(Command::Standard);
    QCOMPARE(app->ConvertMode.load(), 0);
    QVERIFY(frame->action(Command::Standard)->isChecked());
}

void ConnectionCommandsTest::clockSynchronizationSetsEveryTerminalOnceAndFollowsAReconnect()
{
    CKVVidiRidovedDoc* first = Connect(0)->document();
    CKVVidiRidovedDoc* second = Connect(1)->document();
    frame->OnClockSynchronization();
    QTRY_COMPARE(first->ClockSyncCount(), 1);
    QTRY_COMPARE(second->ClockSyncCount(), 1);
    QCOMPARE(ClockText(0).size(), std::size_t(14));
    QCOMPARE(ClockText(1).size(), std::size_t(14));

    // Off: both workers end without setting the clock again.
    frame->OnClockSynchronization();
    QTRY_VERIFY(!first->ClockThreadRunning());
    QTRY_VERIFY(!second->ClockThreadRunning());
    QCOMPARE(first->ClockSyncCount(), 1);
    QCOMPARE(second->ClockSyncCount(), 1);

    // On again, then a reconnect: the new link gets a worker of its own, which
    // sets the clock of the terminal now connected.
    frame->OnClockSynchronization();
    QTRY_COMPARE(first->ClockSyncCount(), 1);
    QTRY_COMPARE(second->ClockSyncCount(), 1);
    frame->mdiArea()->setActiveSubWindow(frame->ConnectionWindows().last());
    frame->ConnectionWindows().last()->close();
    QTRY_VERIFY(app->reaper().Idle());
    std::filesystem::remove(dir->path / "terminals/SIM2" / kClockFileName);
    frame->mdiArea()->setActiveSubWindow(frame->ConnectionWindows().first());
    AnswerConnect(1);
    Trigger(Command::Communicate);
    QTRY_COMPARE(first->Title(), QStringLiteral("SIM2"));
    QVERIFY(first->ClockThreadRunning());
    QTRY_COMPARE(first->ClockSyncCount(), 1);
    QCOMPARE(ClockText(1).size(), std::size_t(14));
}

void ConnectionCommandsTest::aDockingSetsTheClockOnce()
{
    CKVVidiRidovedDoc* doc = Connect(0)->document();
    std::filesystem::remove(dir->path / "terminals/SIM1" / kClockFileName);
    // Without synchronisation a docking sets nothing. Only time can show that
    // nothing came; a setting takes milliseconds.
    QVERIFY(sims->ShowDocking(1));
    QTest::qWait(500);
    QVERIFY(!std::filesystem::exists(dir->path / "terminals/SIM1" / kClockFileName));

    frame->OnClockSynchronization();
    QTRY_COMPARE(doc->ClockSyncCount(), 1);
    std::filesystem::remove(dir->path / "terminals/SIM1" / kClockFileName);
    QVERIFY(sims->ShowDocking(1));
    QTRY_COMPARE(doc->ClockSyncCount(), 2);
    QCOMPARE(ClockText(0).size(), std::size_t(14));
    // One docking, one setting: by the time the worker has ended, nothing more.
    frame->OnClockSynchronization();
    QTRY_VERIFY(!doc->ClockThreadRunning());
    QCOMPARE(doc->ClockSyncCount(), 2);
}

KV_GUI_TEST_MAIN(ConnectionCommandsTest)
#include "connection_commands_test.moc"
