// Transfer jobs between the PC tree and a connection window on the simulated
// terminals: drags with real mouse events both ways, Paste, the refusals (a
// second job, terminal to terminal), moves taking their sources away, and a
// window closed while its job waits for the user.
#include "connection/connect_setup_dialog.h"
#include "connection/connection_reaper.h"
#include "connection/kv_vidi_ridoved_doc.h"
#include "connection/program_settings.h"
#include "gui/message_window.h"
#include "gui/ui_language.h"
#include "gui_test_support.h"
#include "link/incoming_file.h"
#include "link/operation_text.h"
#include "link/terminal_link.h"
#include "pc/pc_file_tree.h"
#include "pc/progress_dialog.h"
#include "shell/kv_vidi_ridoved_app.h"
#include "shell/main_frame.h"
#include "sim/sim_ports.h"
#include "sim/sim_terminal.h"
#include "terminal/terminal_view.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QMdiArea>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <unistd.h>

namespace {

QString Text(const std::filesystem::path& p)
{
    return QString::fromStdString(p.string());
}

QTreeWidgetItem* Child(const QTreeWidgetItem* parent, const QString& text)
{
    for (int i = 0; parent && i < parent->childCount(); ++i)
        if (parent->child(i)->text(0) == text)
            return parent->child(i);
    return nullptr;
}

QPoint TextPoint(CFileTreeCtrl* tree, QTreeWidgetItem* item)
{
    tree->scrollToItem(item);
    // Long folder names run past the viewport's right edge.
    const QRect r = tree->PressRect(item);
    return QPoint(std::min(r.right(), tree->viewport()->width()) - 4, r.center().y());
}

void Click(CFileTreeCtrl* tree, QTreeWidgetItem* item,
           Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, modifiers, TextPoint(tree, item));
    QVERIFY(RequestDone(tree));
}

// Clicks the root, then each named child in turn; returns the last item.
QTreeWidgetItem* Open(CTerminalFileTree& tree, const QStringList& path)
{
    QTreeWidgetItem* item = tree.rootItem;
    Click(&tree, item);
    for (const QString& name : path) {
        item = Child(item, name);
        if (!item)
            return nullptr;
        Click(&tree, item);
    }
    return item;
}

// Presses on from in source and moves over to in target.
void StartDrag(CFileTreeCtrl* source, QTreeWidgetItem* from, CFileTreeCtrl* target,
               QTreeWidgetItem* to)
{
    QWidget* vp = source->viewport();
    const QPoint end = vp->mapFromGlobal(target->viewport()->mapToGlobal(TextPoint(target, to)));
    SendMouse(vp, QEvent::MouseButtonPress, TextPoint(source, from), Qt::LeftButton,
              Qt::LeftButton);
    SendMouse(vp, QEvent::MouseMove, end, Qt::NoButton, Qt::LeftButton);
}

// Releases a drag of source over to in target.
void EndDrag(CFileTreeCtrl* source, CFileTreeCtrl* target, QTreeWidgetItem* to)
{
    QWidget* vp = source->viewport();
    const QPoint end = vp->mapFromGlobal(target->viewport()->mapToGlobal(TextPoint(target, to)));
    SendMouse(vp, QEvent::MouseButtonRelease, end, Qt::LeftButton, Qt::NoButton);
}

// Presses on from in source, moves over to in target and releases there.
void Drag(CFileTreeCtrl* source, QTreeWidgetItem* from, CFileTreeCtrl* target, QTreeWidgetItem* to)
{
    StartDrag(source, from, target, to);
    EndDrag(source, target, to);
}

// Answers like RecordingPrompter; a question first runs the hook, while the job
// that asks is waiting.
class HookPrompter : public RecordingPrompter {
public:
    bool AskYesNo(const QString& text) override
    {
        if (onQuestion) {
            auto hook = std::move(onQuestion);
            onQuestion = nullptr;
            hook();
        }
        return RecordingPrompter::AskYesNo(text);
    }
    std::function<void()> onQuestion;
};

} // namespace

class TerminalJobsTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void dragsCopyPcFilesToTheTerminalAndBack();
    void pasteMovesFilesEitherWayAndTakesTheSourcesAway();
    void aSecondJobAndATerminalToTerminalPasteAreRefused();
    void closingTheWindowWhileItsJobWaitsEndsTheJobSafely();
    void theProgramEndingWhileAJobRunsEndsTheJobFirst();
    void pcFilesDroppedOnAPcFolderAreCopiedThere();
    void aDragCarriesTheFilesMarkedWhenItStarted();
    void aScrambledProgramIsUnscrambledWithTheStoredKey();
    void aPushedFileReplacesItsNameAndIsLogged();
    void collectFetchesTheHighlightedFolderAndDeletesWhatItVerified();
    // Last: after a fork, ThreadSanitizer refuses new threads in this process.
    void exitDuringATransferEndsTheProgramAndSavesTheSettings();

private:
    // Opens a connection to SIM<index + 1>; returns its window.
    CChildFrame* Connect(int index);
    void RightClick(CFileTreeCtrl* tree, QTreeWidgetItem* item);
    std::filesystem::path Disk(int index, const std::string& relative) const;
    QStringList Lines() const { return frame->messageWindow()->Lines(); }

    std::unique_ptr<TestDir> dir;
    std::unique_ptr<HookPrompter> prompter;
    std::unique_ptr<SimPortsTransport> sims;
    std::unique_ptr<CKVVidiRidovedApp> app;
    CMainFrame* frame = nullptr;
    CPCFileTree* pc = nullptr;
    QTreeWidgetItem* pcFolder = nullptr; // the test's own folder, listed
    std::filesystem::path roots[2];      // the terminals' disks, once connected
};

void TerminalJobsTest::init()
{
    dir = std::make_unique<TestDir>();
    std::filesystem::create_directory(*dir / "pc");
    prompter = std::make_unique<HookPrompter>();
    sims = std::make_unique<SimPortsTransport>(dir->path / "terminals", 2);
    app = std::make_unique<CKVVidiRidovedApp>();
    app->convertIniPath = dir->path / "Convert.ini";
    app->instanceServerName = Text(dir->path / "VidiRidovedClass");
    app->SetTransport(sims.get());
    frame = &app->CreateMainFrame();
    frame->resize(1000, 700);
    frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame));
    pc = frame->pcTree();
    pcFolder = pc->InsertItem(pc->rootItem, Text(*dir / "pc"), FileTreeImage::ImageFixedDisk);
}

void TerminalJobsTest::cleanup()
{
    ResetUiLanguage(*qApp);
    app.reset();
    sims.reset();
    prompter.reset();
    dir.reset();
}

CChildFrame* TerminalJobsTest::Connect(int index)
{
    AcceptConnectDialog(index);
    frame->OnFileNew();
    CChildFrame* child = frame->ConnectionWindows().last();
    roots[index] = sims->TerminalAt(index + 1)->Root();
    child->resize(420, 420);
    child->move(index * 430, 0);
    return child;
}

void TerminalJobsTest::collectFetchesTheHighlightedFolderAndDeletesWhatItVerified()
{
    CChildFrame* child = Connect(0);
    CTerminalFileTree& tree = child->view()->Tree();
    Open(tree, {"C:", "DATA"});
    const std::string orders = TestDir::ReadFile(Disk(0, "C/DATA/ORDERS.TXT"));
    const std::filesystem::path into = *dir / "collected";
    std::filesystem::create_directory(into);
    // The dialog opens on the folder chosen last and takes it as it stands: a
    // name typed into it would race the dialog's listing of the folder.
    ProgramSettings().setValue("Setting/CollectFolder", Text(into));
    WhenModal<QFileDialog>(
        [](QFileDialog* dialog) { QMetaObject::invokeMethod(dialog, "accept"); });
    prompter->answer = true; // delete each verified file
    frame->action(Command::Collect)->trigger();
    QCOMPARE(
        prompter->shown,
        QStringList{"Delete each file of C:\\DATA on the terminal once its copy is verified?"});
    QTRY_COMPARE(tree.jobRunning.load(), 0);
    // A folder of the terminal's own, the files whole, the terminal's folder empty.
    const std::filesystem::path mine = into / "00000001";
    QCOMPARE(TestDir::ReadFile(mine / "ORDERS.TXT"), orders);
    QVERIFY(std::filesystem::exists(mine / "STOCK.DAT"));
    QVERIFY(std::filesystem::is_empty(Disk(0, "C/DATA")));
    QCOMPARE(Lines().first(), "Collect C:\\DATA into " + Text(mine) +
                                  ": 2 of 2 files collected, 2 deleted on the terminal");
    QCOMPARE(Lines().at(1),
             "C:\\DATA\\STOCK.DAT -> " + Text(mine / "STOCK.DAT") + " fetched; deleted");
    // The folder is listed again: empty now.
    QVERIFY(RequestDone(&tree));
    QCOMPARE(Child(Child(tree.rootItem, "C:"), "DATA")->childCount(), 0);
}

void TerminalJobsTest::RightClick(CFileTreeCtrl* tree, QTreeWidgetItem* item)
{
    QTest::mouseClick(tree->viewport(), Qt::RightButton, {}, TextPoint(tree, item));
    frame->contextMenu()->hide();
}

std::filesystem::path TerminalJobsTest::Disk(int index, const std::string& relative) const
{
    return roots[index] / relative;
}

void TerminalJobsTest::dragsCopyPcFilesToTheTerminalAndBack()
{
    TestDir::WriteFile(*dir / "pc/A.TXT", "alpha\r\n");
    TestDir::WriteFile(*dir / "pc/B.TXT", "beta\r\n");
    Click(pc, pcFolder);
    CChildFrame* child = Connect(0);
    CTerminalFileTree& tree = child->view()->Tree();
    ProgressDialog* progress = child->view()->progressDialog();
    QTreeWidgetItem* data = Open(tree, {"C:", "DATA"});
    QVERIFY(data);

    // PC to terminal: two marked files dragged onto C:\DATA.
    QTreeWidgetItem* a = Child(pcFolder, "A.TXT");
    QTreeWidgetItem* b = Child(pcFolder, "B.TXT");
    Click(pc, a, Qt::ControlModifier);
    Click(pc, b, Qt::ControlModifier);
    Drag(pc, b, &tree, data);
    QCOMPARE(tree.jobRunning.load(), 1);
    QVERIFY(progress->isVisible());
    QTRY_COMPARE(tree.jobRunning.load(), 0);
    QVERIFY(!progress->isVisible());
    const QString p = Text(*dir / "pc");
    QCOMPARE(Lines(), (QStringList{"Copy " + p + "/B.TXT to C:\\DATA\\B.TXT have done",
                                   "Copy " + p + "/A.TXT to C:\\DATA\\A.TXT have done"}));
    QCOMPARE(TestDir::ReadFile(Disk(0, "C/DATA/B.TXT")), "beta\r\n");
    // The target was listed again; the copies' sources stay; no marks remain.
    data = tree.FindItem("C:\\DATA");
    QVERIFY(Child(data, "A.TXT") && Child(data, "B.TXT") && Child(data, "ORDERS.TXT"));
    QVERIFY(data->isExpanded());
    QVERIFY(Child(pcFolder, "A.TXT"));
    QVERIFY(pc->markedItems.isEmpty());
    QCOMPARE(progress->progress().finishedFiles.load(), 2);

    // A Cancel that lands after the job's end (the dialog was still up) does
    // not stop the next job.
    progress->findChild<QPushButton*>("cancelButton")->click();

    // Terminal to PC: a drag of ORDERS.TXT onto the PC folder.
    QTreeWidgetItem* orders = Child(data, "ORDERS.TXT");
    Drag(&tree, orders, pc, pcFolder);
    QTRY_COMPARE(tree.jobRunning.load(), 0);
    QCOMPARE(Lines().first(), "Copy C:\\DATA\\ORDERS.TXT to " + p + "/ORDERS.TXT have done");
    QVERIFY(std::filesystem::exists(*dir / "pc/ORDERS.TXT"));
    QVERIFY(Child(pcFolder, "ORDERS.TXT"));
    QVERIFY(Child(data, "ORDERS.TXT"));
    QVERIFY(tree.markedItems.isEmpty());
    QVERIFY(prompter->shown.isEmpty());
}

void TerminalJobsTest::pasteMovesFilesEitherWayAndTakesTheSourcesAway()
{
    TestDir::WriteFile(*dir / "pc/MOVE.TXT", "m\r\n");
    Click(pc, pcFolder);
    CChildFrame* child = Connect(0);
    CTerminalFileTree& tree = child->view()->Tree();
    QTreeWidgetItem* data = Open(tree, {"C:", "DATA"});

    RightClick(pc, Child(pcFolder, "MOVE.TXT"));
    frame->action(Command::Cut)->trigger();
    RightClick(&tree, data);
    QVERIFY(frame->action(Command::Paste)->isEnabled());
    frame->action(Command::Paste)->trigger();
    QTRY_COMPARE(tree.jobRunning.load(), 0);
    const QString p = Text(*dir / "pc");
    QCOMPARE(Lines().first(), "Move " + p + "/MOVE.TXT to C:\\DATA\\MOVE.TXT have done");
    QVERIFY(!std::filesystem::exists(*dir / "pc/MOVE.TXT"));
    QVERIFY(!Child(pcFolder, "MOVE.TXT"));
    QCOMPARE(TestDir::ReadFile(Disk(0, "C/DATA/MOVE.TXT")), "m\r\n");

    // And back: the terminal's file and its item go once it is on the PC.
    data = tree.FindItem("C:\\DATA");
    RightClick(&tree, Child(data, "STOCK.DAT"));
    frame->action(Command::Cut)->trigger();
    RightClick(pc, pcFolder);
    frame->action(Command::Paste)->trigger();
    QTRY_COMPARE(tree.jobRunning.load(), 0);
    QCOMPARE(Lines().first(), "Move C:\\DATA\\STOCK.DAT to " + p + "/STOCK.DAT have done");
    QVERIFY(!std::filesystem::exists(Disk(0, "C/DATA/STOCK.DAT")));
    QVERIFY(!Child(data, "STOCK.DAT"));
    QVERIFY(std::filesystem::exists(*dir / "pc/STOCK.DAT"));
    QVERIFY(Child(pcFolder, "STOCK.DAT"));
    QVERIFY(prompter->shown.isEmpty());
}

void TerminalJobsTest::aSecondJobAndATerminalToTerminalPasteAreRefused()
{
    TestDir::WriteFile(*dir / "pc/ORDERS.TXT", "pc copy\r\n");
    Click(pc, pcFolder);
    CTerminalFileTree& first = Connect(0)->view()->Tree();
    CTerminalFileTree& second = Connect(1)->view()->Tree();
    QTreeWidgetItem* data = Open(first, {"C:", "DATA"});
    QTreeWidgetItem* otherData = Open(second, {"C:", "DATA"});

    // Terminal to terminal: Paste is offered on a folder, and transfers nothing.
    RightClick(&second, Child(otherData, "STOCK.DAT"));
    frame->action(Command::Copy)->trigger();
    RightClick(&first, data);
    QVERIFY(frame->action(Command::Paste)->isEnabled());
    frame->action(Command::Paste)->trigger();
    QCOMPARE(first.jobRunning.load(), 0);
    QVERIFY(Lines().isEmpty());
    QVERIFY(prompter->shown.isEmpty());

    // The PC's ORDERS.TXT exists on the terminal: while the job asks, a second
    // Paste onto the same connection is refused with 40005.
    RightClick(pc, Child(pcFolder, "ORDERS.TXT"));
    frame->action(Command::Copy)->trigger();
    RightClick(&first, data);
    bool runningWhileAsked = false;
    prompter->onQuestion = [&] {
        runningWhileAsked = first.jobRunning.load() != 0;
        frame->action(Command::Paste)->trigger();
    };
    prompter->answer = false;
    frame->action(Command::Paste)->trigger();
    QTRY_COMPARE(first.jobRunning.load(), 0);
    QVERIFY(runningWhileAsked);
    QCOMPARE(prompter->shown,
             (QStringList{MessageText(MessageId::AnotherJob),
                          MessageText(MessageId::OverwriteQuestion, "C:\\DATA\\ORDERS.TXT")}));
    QCOMPARE(Lines(),
             QStringList{"Copy " + Text(*dir / "pc/ORDERS.TXT") + " to C:\\DATA\\ORDERS.TXT fail"});
    QVERIFY(TestDir::ReadFile(Disk(0, "C/DATA/ORDERS.TXT")) != "pc copy\r\n");
}

void TerminalJobsTest::closingTheWindowWhileItsJobWaitsEndsTheJobSafely()
{
    TestDir::WriteFile(*dir / "pc/ORDERS.TXT", "pc copy\r\n");
    TestDir::WriteFile(*dir / "pc/NEXT.TXT", "n\r\n");
    Click(pc, pcFolder);
    CChildFrame* child = Connect(0);
    CTerminalFileTree& tree = child->view()->Tree();
    QTreeWidgetItem* data = Open(tree, {"C:", "DATA"});
    Click(pc, Child(pcFolder, "ORDERS.TXT"), Qt::ControlModifier);
    Click(pc, Child(pcFolder, "NEXT.TXT"), Qt::ControlModifier);

    // The first file's question is answered Yes after the window has closed: the
    // closed connection's cancel stops the job before the second file.
    prompter->onQuestion = [child] { child->close(); };
    Drag(pc, Child(pcFolder, "NEXT.TXT"), &tree, data);
    QTRY_COMPARE(frame->ConnectionWindows().size(), 0);
    QTRY_VERIFY(app->reaper().Idle());
    QTRY_VERIFY(pc->markedItems.isEmpty());
    QCOMPARE(Lines(), QStringList{"Transmission break!"});
    QVERIFY(!std::filesystem::exists(Disk(0, "C/DATA/NEXT.TXT")));
    // The program can go on: a new connection works.
    CTerminalFileTree& again = Connect(0)->view()->Tree();
    QVERIFY(Open(again, {"C:", "DATA"}));
}

void TerminalJobsTest::theProgramEndingWhileAJobRunsEndsTheJobFirst()
{
    // A line of 115200 bit/s: the first file takes seconds.
    SimTerminalConfig slow;
    slow.lineRate = 115200;
    auto slowSims = std::make_unique<SimPortsTransport>(dir->path / "terminals", 2, slow);
    app->SetTransport(slowSims.get());
    sims = std::move(slowSims);
    TestDir::WriteFile(*dir / "pc/BIG.TXT", std::string(40000, 'x'));
    TestDir::WriteFile(*dir / "pc/NEXT.TXT", "n\r\n");
    Click(pc, pcFolder);
    CChildFrame* child = Connect(0);
    CTerminalFileTree& tree = child->view()->Tree();
    QTreeWidgetItem* data = Open(tree, {"C:", "DATA"});
    Click(pc, Child(pcFolder, "BIG.TXT"), Qt::ControlModifier);
    Click(pc, Child(pcFolder, "NEXT.TXT"), Qt::ControlModifier);
    Drag(pc, Child(pcFolder, "NEXT.TXT"), &tree, data);
    TransferProgress& progress = child->view()->progressDialog()->progress();
    QTRY_VERIFY(progress.bytesDone.load() > 0);
    // The job's last line waits for the GUI thread while the program ends: the
    // end must serve it rather than wait for the job alone.
    app.reset();
    QVERIFY(!std::filesystem::exists(Disk(0, "C/DATA/NEXT.TXT")));
}

void TerminalJobsTest::pcFilesDroppedOnAPcFolderAreCopiedThere()
{
    std::filesystem::create_directory(*dir / "pc/SUB");
    TestDir::WriteFile(*dir / "pc/A.TXT", "a");
    Click(pc, pcFolder);
    QTreeWidgetItem* sub = Child(pcFolder, "SUB");
    QTreeWidgetItem* a = Child(pcFolder, "A.TXT");
    // A file is no target: nothing happens.
    Click(pc, a);
    Drag(pc, a, pc, a);
    QVERIFY(Lines().isEmpty());
    Drag(pc, a, pc, sub);
    const QString p = Text(*dir / "pc");
    QCOMPARE(Lines(), QStringList{"Copy " + p + "/A.TXT to " + p + "/SUB/A.TXT have done"});
    QVERIFY(Child(sub, "A.TXT"));
    QVERIFY(sub->isExpanded());
    QVERIFY(pc->markedItems.isEmpty());
    QCOMPARE(TestDir::ReadFile(*dir / "pc/SUB/A.TXT"), "a");

    // A folder that takes no file: the line is the message's text in the user's
    // language. Root is not stopped by permissions; sysfs refuses everyone.
    InstallUiLanguage(*qApp, Language::Polish);
    QString denied = QStringLiteral("/sys");
    if (geteuid() != 0) {
        denied = Text(*dir / "ro");
        std::filesystem::create_directory(*dir / "ro");
        std::filesystem::permissions(*dir / "ro", std::filesystem::perms::owner_read |
                                                      std::filesystem::perms::owner_exec);
    }
    QTreeWidgetItem* deniedItem =
        pc->InsertItem(pc->rootItem, denied, FileTreeImage::ImageFixedDisk);
    Click(pc, a);
    Drag(pc, a, pc, deniedItem);
    QCOMPARE(Lines().first(),
             QString::fromStdString(MessageString(MessageId::ActionDenied, Language::Polish)));
    QVERIFY(Lines().first() != QString::fromStdString(MessageString(MessageId::ActionDenied)));
}

void TerminalJobsTest::aDragCarriesTheFilesMarkedWhenItStarted()
{
    TestDir::WriteFile(*dir / "pc/A.TXT", "alpha\r\n");
    Click(pc, pcFolder);
    CTerminalFileTree& first = Connect(0)->view()->Tree();
    CTerminalFileTree& second = Connect(1)->view()->Tree();
    QTreeWidgetItem* data = Open(first, {"C:", "DATA"});
    QTreeWidgetItem* otherData = Open(second, {"C:", "DATA"});
    QTreeWidgetItem* a = Child(pcFolder, "A.TXT");
    Click(pc, a);

    // The first job ends, and clears the PC tree's marks, while the second drag
    // is under way: the second drop still carries the file.
    Drag(pc, a, &first, data);
    QCOMPARE(first.jobRunning.load(), 1);
    StartDrag(pc, a, &second, otherData);
    QTRY_COMPARE(first.jobRunning.load(), 0);
    QVERIFY(pc->markedItems.isEmpty());
    EndDrag(pc, &second, otherData);
    QCOMPARE(second.jobRunning.load(), 1);
    QTRY_COMPARE(second.jobRunning.load(), 0);
    QCOMPARE(TestDir::ReadFile(Disk(0, "C/DATA/A.TXT")), "alpha\r\n");
    QCOMPARE(TestDir::ReadFile(Disk(1, "C/DATA/A.TXT")), "alpha\r\n");
    QCOMPARE(Lines().size(), 2);

    // Gone from the tree before the drop: the drop carries nothing and says so.
    a = Child(pcFolder, "A.TXT");
    Click(pc, a);
    otherData = second.FindItem("C:\\DATA");
    StartDrag(pc, a, &second, otherData);
    std::filesystem::remove(*dir / "pc/A.TXT");
    pc->ListFolder(Text(*dir / "pc"), pcFolder);
    EndDrag(pc, &second, otherData);
    QCOMPARE(second.jobRunning.load(), 0);
    QCOMPARE(Lines().size(), 3);
    QCOMPARE(Lines().first(), EmptyDropLine());
    QVERIFY(prompter->shown.isEmpty());
}

void TerminalJobsTest::exitDuringATransferEndsTheProgramAndSavesTheSettings()
{
    QProcess program;
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("--exit-during-transfer"), Text(dir->path)});
    QVERIFY(program.waitForStarted(10000));
    QByteArray said;
    QElapsedTimer waited;
    waited.start();
    while (!said.contains("exit\n") && waited.elapsed() < 60000 &&
           program.state() == QProcess::Running)
        if (program.waitForReadyRead(1000))
            said += program.readAllStandardOutput();
    QVERIFY2(said.contains("exit\n"), said.constData());
    // A few seconds: the job stops at its next block, the link within its reply time.
    const bool ended = program.waitForFinished(10000);
    if (!ended)
        program.kill();
    QVERIFY(ended);
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(ProgramSettings().value("Setting/ClockSynchronization").toInt(), 1);
    QVERIFY(std::filesystem::exists(*dir / "Convert.ini"));
    ProgramSettings().clear();
}

void TerminalJobsTest::aScrambledProgramIsUnscrambledWithTheStoredKey()
{
    const UnscrambleKey key{1, 2, 3, 4, 5, 6, 7, 8, 9, 200};
    ProgramSettings().setValue("Setting/UnscrambleKey",
                               QString::fromStdString(FormatUnscrambleKey(key)));
    const std::string plain = "10 PRINT \"HELLO\"\r\n20 GOTO 10\r\n";
    std::string scrambled = plain;
    Scramble(std::span(reinterpret_cast<std::uint8_t*>(scrambled.data()), scrambled.size()), key);
    TestDir::WriteFile(*dir / "pc/default.bas", scrambled);
    Click(pc, pcFolder);
    CChildFrame* child = Connect(0);
    std::filesystem::create_directories(Disk(0, "D/PROGRAM"));
    CTerminalFileTree& tree = child->view()->Tree();
    // The simulated terminal names its folders in capitals; a real one keeps the
    // program folder's own spelling, which decides about unscrambling.
    QTreeWidgetItem* program =
        tree.InsertItem(Open(tree, {"D:"}), "Program", FileTreeImage::ImageFolder);
    Drag(pc, Child(pcFolder, "default.bas"), &tree, program);
    QTRY_COMPARE(tree.jobRunning.load(), 0);
    ProgramSettings().remove("Setting/UnscrambleKey");
    QCOMPARE(TestDir::ReadFile(Disk(0, "D/PROGRAM/DEFAULT.BAS")), plain);
    QCOMPARE(Lines(), QStringList{"Copy " + Text(*dir / "pc/default.bas") +
                                  " to D:\\Program\\default.bas have done"});
}

void TerminalJobsTest::aPushedFileReplacesItsNameAndIsLogged()
{
    Connect(0);
    const auto terminal = sims->TerminalAt(1);
    const std::filesystem::path saved = DefaultReceiveFolder() / "ORDERS.TXT";
    const QString line = QString::fromStdString(ReceiveDoneLine(saved.string()));
    terminal->Push(Bytes{'o', 'l', 'd'}, "ORDERS.TXT");
    QTRY_COMPARE(Lines().count(line), 1);
    terminal->Push(Bytes{'n', 'e', 'w'}, "ORDERS.TXT");
    QTRY_COMPARE(Lines().count(line), 2);
    // Whoever collects the fixed name takes the newest file.
    QCOMPARE(TestDir::ReadFile(saved), "new");
    QVERIFY(!std::filesystem::exists(DefaultReceiveFolder() / "ORDERS~1.TXT"));
}

namespace {

// The program's life, in a process of its own, when File > Exit is chosen while
// a transfer runs: SIM1 is taken in the connect dialog, a big file starts on
// its way to C:\DATA over a slow line, and once its first bytes have gone the
// clock setting is switched on, "exit" is written to stdout and Exit chosen.
int RunExitDuringTransfer(int argc, char** argv, const std::filesystem::path& folder)
{
    QApplication qapp(argc, argv);
    std::filesystem::create_directories(folder / "pc");
    TestDir::WriteFile(folder / "pc/BIG.TXT", std::string(200000, 'x'));
    SimTerminalConfig slow;
    slow.lineRate = 115200;
    SimPortsTransport sims(folder / "terminals", 1, slow);
    RecordingPrompter prompter;
    CKVVidiRidovedApp app;
    app.convertIniPath = folder / "Convert.ini";
    app.instanceServerName = Text(folder / "VidiRidovedClass");
    app.SetTransport(&sims);
    QTimer steps;
    bool started = false;
    QObject::connect(&steps, &QTimer::timeout, [&] {
        CMainFrame* frame = app.mainFrame();
        if (!frame || QApplication::activeModalWidget() || frame->ConnectionWindows().isEmpty())
            return;
        CChildFrame* child = frame->ConnectionWindows().first();
        if (!started) {
            started = true;
            CPCFileTree* pc = frame->pcTree();
            QTreeWidgetItem* folderItem =
                pc->InsertItem(pc->rootItem, Text(folder / "pc"), FileTreeImage::ImageFixedDisk);
            Click(pc, folderItem);
            CTerminalFileTree& tree = child->view()->Tree();
            QTreeWidgetItem* big = Child(folderItem, "BIG.TXT");
            Click(pc, big);
            Drag(pc, big, &tree, Open(tree, {"C:", "DATA"}));
            return;
        }
        if (child->view()->progressDialog()->progress().bytesDone.load() == 0)
            return;
        steps.stop();
        app.ClockSynchronization = 1;
        std::fputs("exit\n", stdout);
        std::fflush(stdout);
        frame->findChild<QAction*>("action57665c")->trigger();
    });
    app.SetBeforeFirstNew([&steps] {
        AcceptConnectDialog(0);
        steps.start(20);
    });
    return app.Run({});
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string_view(argv[1]) == "--exit-during-transfer")
        return RunExitDuringTransfer(argc, argv, argv[2]);
    GuiTestEnvironment environment;
    QApplication app(argc, argv);
    TerminalJobsTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "terminal_jobs_test.moc"
