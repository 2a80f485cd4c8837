// The main frame with the application object: commands and their enabling, the
// panes, Delete on PC files, Paste, connections opened on the simulated
// terminals through the dialog and from the registry, menu switching, the clock
// workers, device changes, settings at start and exit, both languages.
#include "connection/connect_setup_dialog.h"
#include "connection/connection_reaper.h"
#include "connection/device_monitor.h"
#include "connection/kv_vidi_ridoved_doc.h"
#include "connection/program_settings.h"
#include "convert/convert_settings.h"
#include "gui/message_window.h"
#include "gui/ui_language.h"
#include "gui_test_support.h"
#include "link/terminal_link.h"
#include "link/transfer_log.h"
#include "pc/pc_file_tree.h"
#include "shell/about_dialog.h"
#include "shell/kv_vidi_ridoved_app.h"
#include "shell/main_frame.h"
#include "shell/start_options.h"
#include "sim/sim_ports.h"
#include "terminal/terminal_view.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QToolBar>
#include <QToolTip>

#include <functional>
#include <thread>

namespace {

// The simulated terminals with the last ones hidden from the list, as when a
// device goes away.
class ShrinkingTransport : public Transport {
public:
    explicit ShrinkingTransport(Transport& t) : inner(t) {}
    PortHandle PortOpen(PortKind k, int n, const std::string& s) override
    {
        return inner.PortOpen(k, n, s);
    }
    void PortClose(PortHandle p) override { inner.PortClose(p); }
    int PortCount() override { return std::max(0, inner.PortCount() - hidden); }
    int PortNameLength() override { return inner.PortNameLength(); }
    void PortName(int i, char* b, std::uint32_t* l) override { inner.PortName(i, b, l); }
    void PortConfigure(PortHandle p, BaudCode b, int a1, int a2, int a3, int a4) override
    {
        inner.PortConfigure(p, b, a1, a2, a3, a4);
    }
    void PortSetReceiveEvent(PortHandle p, Event* e) override { inner.PortSetReceiveEvent(p, e); }
    void PortSetSignalEvent(PortHandle p, Event* e) override { inner.PortSetSignalEvent(p, e); }
    std::uint32_t PortWrite(PortHandle p, std::uint32_t c, const std::uint8_t* b) override
    {
        return inner.PortWrite(p, c, b);
    }
    std::uint32_t PortRead(PortHandle p, std::uint8_t* b, std::uint32_t c) override
    {
        return inner.PortRead(p, b, c);
    }
    void PortPurge(PortHandle p) override { inner.PortPurge(p); }
    std::uint32_t PortLastError() override { return inner.PortLastError(); }

    Transport& inner;
    std::atomic<int> hidden{0};
};

// A terminal-like tree: the base control counts as a terminal tree.
class TerminalLikeTree : public CFileTreeCtrl {
public:
    TerminalLikeTree()
    {
        isTerminalTree = 1;
        rootItem = InsertItem(nullptr, "Terminal", FileTreeImage::ImageTerminal);
        disk = InsertItem(rootItem, "C:", FileTreeImage::ImageFixedDisk);
        folder = InsertItem(disk, "DATA", FileTreeImage::ImageFolder);
        file = InsertItem(folder, "A.TXT", FileTreeImage::ImageFile);
        expandAll();
    }
    QTreeWidgetItem *disk, *folder, *file;
};

QPoint TextPoint(CFileTreeCtrl* tree, QTreeWidgetItem* item)
{
    tree->scrollToItem(item);
    // Long folder names run past the viewport's right edge.
    const QRect r = tree->PressRect(item);
    return QPoint(std::min(r.right(), tree->viewport()->width()) - 4, r.center().y());
}

QString Text(const std::filesystem::path& p)
{
    return QString::fromStdString(p.string());
}

// Chooses the port at index in the next connect dialog and presses OK (or Cancel).
void AnswerConnect(int index, bool ok = true, QString* titleSeen = nullptr)
{
    WhenModal<ConnectSetupDialog>([=](ConnectSetupDialog* d) {
        if (titleSeen)
            for (auto* doc : d->parentWidget()->findChildren<CKVVidiRidovedDoc*>())
                if (doc->parent() == d->parentWidget())
                    *titleSeen = doc->Title();
        d->findChild<QComboBox*>("portList")->setCurrentIndex(index);
        QTest::mouseClick(d->findChild<QPushButton*>(ok ? "okButton" : "cancelButton"),
                          Qt::LeftButton);
    });
}

QStringList MenuTitles(QMainWindow* w)
{
    QStringList titles;
    for (QAction* a : w->menuBar()->actions())
        titles << a->text();
    return titles;
}

} // namespace

class MainFrameTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void startsWithEditCommandsDisabledAndPanesTicked();
    void paneTogglesHideAndShowAtOnce();
    void logMessageFromAWorkerPutsTheNewestLineOnTop();
    void deleteRemovesPcFilesAndLogsEachInOrder();
    void deleteKeyActsOnTheTreeItIsPressedInAndTrashesPcFiles();
    void deleteOnThePcRootTouchesNoFile();
    void minimisingAndRestoringKeepsThePcTreeAndTheClipboard();
    void toolbarButtonsShowOnlyTheirOwnTooltips();
    void titlesGetNothingAppended();
    void pasteFollowsTheClipboardAndTheTarget();
    void contextMenuOffersTheEnabledEntries();
    void connectionOnSim1OpensAndClosesWithTheMenus();
    void clockSynchronizationStartsAndEndsTheWorkers();
    void closingWhileTheClockWorkerWaitsEndsIt();
    void deviceChangeClosesAConnectionWhosePortIsGone();
    void transmissionModeConnectsFromTheListFile();
    void installModeConnectsFromTheRegistry();
    void commandLineStartModes();
    void settingsAreReadAtStartAndWrittenAtExit();
    void unreadableSettingsGiveTheDefaults();
    void englishAndPolishTexts();
    void aboutBoxShowsTheVersion();

private:
    CMainFrame& OpenFrame();
    QString Lines() const;

    std::unique_ptr<CKVVidiRidovedApp> app;
    std::unique_ptr<TestDir> dir;
    std::unique_ptr<RecordingPrompter> prompter;
    CMainFrame* frame = nullptr;
};

void MainFrameTest::init()
{
    dir = std::make_unique<TestDir>();
    prompter = std::make_unique<RecordingPrompter>();
    app = std::make_unique<CKVVidiRidovedApp>();
    app->convertIniPath = dir->path / "Convert.ini";
    app->instanceServerName = Text(dir->path / "VidiRidovedClass");
    frame = nullptr;
}

void MainFrameTest::cleanup()
{
    app.reset();
    prompter.reset();
    ProgramSettings().clear();
    TransmissionSettings().clear();
    dir.reset();
}

CMainFrame& MainFrameTest::OpenFrame()
{
    frame = &app->CreateMainFrame();
    frame->show();
    [&] { QVERIFY(QTest::qWaitForWindowExposed(frame)); }();
    return *frame;
}

QString MainFrameTest::Lines() const
{
    return frame->messageWindow()->Lines().join(u'\n');
}

void MainFrameTest::startsWithEditCommandsDisabledAndPanesTicked()
{
    OpenFrame();
    using namespace Command;
    for (int id : {Cut, Copy, Paste, Delete, Format, Property})
        QVERIFY2(!frame->action(id)->isEnabled(), qPrintable(QString::number(id)));
    QVERIFY(frame->action(PcWindowToggle)->isChecked());
    QVERIFY(frame->action(MessageWindowToggle)->isChecked());
    QCOMPARE(MenuTitles(frame), (QStringList{"File", "View", "Help"}));
    QCOMPARE(frame->windowTitle(), "KVVidiRidoved");
    QCOMPARE(frame->action(New)->statusTip(), "Create a new document");
    QCOMPARE(frame->action(New)->toolTip(), "New");
}

void MainFrameTest::paneTogglesHideAndShowAtOnce()
{
    OpenFrame();
    LogMessage(QStringLiteral("kept line"));
    frame->action(Command::PcWindowToggle)->trigger();
    QVERIFY(!frame->pcWindow()->isVisible());
    QVERIFY(!frame->action(Command::PcWindowToggle)->isChecked());
    QCOMPARE(frame->pcWindowVisible, 0);
    frame->action(Command::MessageWindowToggle)->trigger();
    QVERIFY(!frame->messageWindow()->isVisible());
    frame->action(Command::MessageWindowToggle)->trigger();
    frame->action(Command::PcWindowToggle)->trigger();
    QVERIFY(frame->pcWindow()->isVisible());
    QVERIFY(frame->messageWindow()->isVisible());
    QCOMPARE(frame->dockWidgetArea(frame->messageWindow()), Qt::BottomDockWidgetArea);
    QCOMPARE(frame->messageWindow()->Lines(), QStringList{"kept line"});
    // Showing the PC Window again rebuilds the tree collapsed.
    QCOMPARE(frame->pcTree()->rootItem->text(0), "PC");
}

void MainFrameTest::logMessageFromAWorkerPutsTheNewestLineOnTop()
{
    OpenFrame();
    LogMessage(QStringLiteral("first"));
    std::atomic<bool> done{false};
    std::thread worker([&] {
        SetThreadLogConnection("COM7");
        LogMessage(QStringLiteral("from the worker"));
        done = true;
    });
    QTRY_VERIFY(done.load());
    worker.join();
    QCOMPARE(frame->messageWindow()->Lines(), (QStringList{"from the worker", "first"}));
    // Both lines also went to the transfer log, the worker's with its connection.
    const std::string log = TestDir::ReadFile(DefaultTransferLogPath());
    QVERIFY2(log.find("  COM7  from the worker\n") != std::string::npos, log.c_str());
    QVERIFY2(log.find("  first\n") != std::string::npos, log.c_str());
}

void MainFrameTest::deleteRemovesPcFilesAndLogsEachInOrder()
{
    OpenFrame();
    for (const char* name : {"A.TXT", "B.TXT", "C.TXT"})
        TestDir::WriteFile(*dir / name, "x");
    CPCFileTree* tree = frame->pcTree();
    QTreeWidgetItem* top =
        tree->InsertItem(tree->rootItem, Text(dir->path), FileTreeImage::ImageFixedDisk);
    tree->ListFolder(Text(dir->path), top);
    top->setExpanded(true);
    QTreeWidgetItem *a = top->child(0), *b = top->child(1), *c = top->child(2);
    QWidget* vp = tree->viewport();
    QTest::mouseClick(vp, Qt::LeftButton, {}, TextPoint(tree, a));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::ControlModifier, TextPoint(tree, b));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::ControlModifier, TextPoint(tree, c));
    QVERIFY(frame->action(Command::Delete)->isEnabled());
    // The second cannot be deleted: it became a folder after the listing.
    std::filesystem::remove(*dir / "B.TXT");
    std::filesystem::create_directory(*dir / "B.TXT");

    frame->action(Command::Delete)->trigger();
    const QString p = Text(dir->path);
    QCOMPARE(frame->messageWindow()->Lines(),
             (QStringList{"Delete file--" + p + "/C.TXT succeed!!",
                          "Delete file--" + p + "/B.TXT fail!!",
                          "Delete file--" + p + "/A.TXT succeed!!"}));
    QVERIFY(prompter->shown.isEmpty()); // a PC failure has no message box
    QCOMPARE(top->childCount(), 1);
    QCOMPARE(top->child(0)->text(0), "B.TXT");
    QVERIFY(!std::filesystem::exists(*dir / "A.TXT"));
    QVERIFY(tree->markedItems.isEmpty());
    QCOMPARE(frame->commands.clipboardTree, tree);
    QVERIFY(!frame->action(Command::Paste)->isEnabled());
}

void MainFrameTest::deleteKeyActsOnTheTreeItIsPressedInAndTrashesPcFiles()
{
    OpenFrame();
    TestDir::WriteFile(*dir / "GONE.TXT", "x");
    CPCFileTree* tree = frame->pcTree();
    QTreeWidgetItem* top =
        tree->InsertItem(tree->rootItem, Text(dir->path), FileTreeImage::ImageFixedDisk);
    tree->ListFolder(Text(dir->path), top);
    top->setExpanded(true);
    TerminalLikeTree terminal;
    frame->AttachTree(&terminal);
    terminal.show();
    QVERIFY(QTest::qWaitForWindowExposed(&terminal));

    // A PC file clicked, then the key pressed in another tree: the PC file stays.
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, TextPoint(tree, top->child(0)));
    QCOMPARE(tree->markedItems.size(), 1);
    QTest::keyClick(&terminal, Qt::Key_Delete);
    QVERIFY(std::filesystem::exists(*dir / "GONE.TXT"));
    QCOMPARE(top->childCount(), 1);
    QVERIFY(Lines().isEmpty());

    // The menu's Delete in the PC tree deletes the right-clicked file, into the
    // desktop's trash.
    QTest::mouseClick(tree->viewport(), Qt::RightButton, {}, TextPoint(tree, top->child(0)));
    frame->contextMenu()->findChild<QAction*>("menu130Delete")->trigger();
    frame->contextMenu()->hide();
    QCoreApplication::processEvents();
    QCOMPARE(frame->messageWindow()->Lines(),
             QStringList{"Delete file--" + Text(dir->path / "GONE.TXT") + " succeed!!"});
    QCOMPARE(top->childCount(), 0);
    QCOMPARE(tree->contextItem, nullptr);
    QVERIFY(!std::filesystem::exists(*dir / "GONE.TXT"));
    const auto trash = std::filesystem::path(qEnvironmentVariable("XDG_DATA_HOME").toStdString()) /
                       "Trash" / "files" / "GONE.TXT";
    QVERIFY(std::filesystem::exists(trash));
    std::filesystem::remove(trash);
}

void MainFrameTest::deleteOnThePcRootTouchesNoFile()
{
    // The root's text is no path: a file of that name in the current folder stays.
    OpenFrame();
    TestDir::WriteFile(*dir / "PC", "keep");
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(Text(dir->path)));
    CPCFileTree* tree = frame->pcTree();
    QTest::mouseClick(tree->viewport(), Qt::RightButton, {}, TextPoint(tree, tree->rootItem));
    frame->contextMenu()->hide();
    QVERIFY(!frame->action(Command::Delete)->isEnabled());
    QTest::keyClick(tree, Qt::Key_Delete);
    QDir::setCurrent(before);
    QVERIFY(std::filesystem::exists(*dir / "PC"));
    QVERIFY(tree->rootItem);
    QVERIFY(Lines().isEmpty());
}

void MainFrameTest::minimisingAndRestoringKeepsThePcTreeAndTheClipboard()
{
    OpenFrame();
    TestDir::WriteFile(*dir / "ITEM.TXT", "x");
    CPCFileTree* pc = frame->pcTree();
    QTreeWidgetItem* top =
        pc->InsertItem(pc->rootItem, Text(dir->path), FileTreeImage::ImageFixedDisk);
    QTest::mouseClick(pc->viewport(), Qt::LeftButton, {}, TextPoint(pc, top));
    QVERIFY(top->isExpanded());
    QTest::mouseClick(pc->viewport(), Qt::RightButton, {}, TextPoint(pc, top->child(0)));
    frame->contextMenu()->hide();
    frame->action(Command::Copy)->trigger();

    frame->showMinimized();
    QTRY_VERIFY(frame->isMinimized());
    frame->showNormal();
    QTRY_VERIFY(!frame->isMinimized());
    QVERIFY(pc->isVisible());
    // Rebuilt, the tree would have lost the test folder's item.
    QVERIFY(pc->FindItem(Text(dir->path)) == top);
    QVERIFY(top->isExpanded());
    QCOMPARE(pc->markedItems, QList<QTreeWidgetItem*>{top->child(0)});
    QTest::mouseClick(pc->viewport(), Qt::RightButton, {}, TextPoint(pc, top));
    QVERIFY(frame->action(Command::Paste)->isEnabled());
    frame->contextMenu()->hide();
}

void MainFrameTest::toolbarButtonsShowOnlyTheirOwnTooltips()
{
    OpenFrame();
    auto* bar = frame->findChild<QToolBar*>("toolBar");
    const auto tipOf = [this, bar](int id) {
        QWidget* button = bar->widgetForAction(frame->action(id));
        const QPoint at = button->rect().center();
        QHelpEvent help(QEvent::ToolTip, at, button->mapToGlobal(at));
        QApplication::sendEvent(button, &help);
        const QString shown = QToolTip::isVisible() ? QToolTip::text() : QString();
        QToolTip::hideText();
        (void)QTest::qWaitFor([] { return !QToolTip::isVisible(); });
        return shown;
    };
    using namespace Command;
    QCOMPARE(tipOf(PcWindowToggle), QString());
    QCOMPARE(tipOf(MessageWindowToggle), QString());
    QCOMPARE(tipOf(New), "New");
    QCOMPARE(tipOf(About), "About");
    // Ticking a toggle does not bring its tooltip back.
    frame->action(PcWindowToggle)->trigger();
    frame->action(PcWindowToggle)->trigger();
    QCOMPARE(tipOf(PcWindowToggle), QString());
}

void MainFrameTest::titlesGetNothingAppended()
{
    // The platform appends the application's display name to every window title
    // that does not end with it. None is set of our own when the display name
    // follows the application's name.
    CKVVidiRidovedApp::SetUpProcess(*qApp, ParseStartOptions({"--lang", "pl"}));
    const QString name = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(QStringLiteral("another name"));
    const QString displayName = QGuiApplication::applicationDisplayName();
    QCoreApplication::setApplicationName(name);
    ResetUiLanguage(*qApp);
    QCOMPARE(displayName, "another name");
}

void MainFrameTest::pasteFollowsTheClipboardAndTheTarget()
{
    OpenFrame();
    TestDir::WriteFile(*dir / "ITEM.TXT", "x");
    CPCFileTree* pc = frame->pcTree();
    QTreeWidgetItem* top =
        pc->InsertItem(pc->rootItem, Text(dir->path), FileTreeImage::ImageFixedDisk);
    pc->ListFolder(Text(dir->path), top);
    top->setExpanded(true);
    TerminalLikeTree terminal;
    frame->AttachTree(&terminal);
    terminal.resize(300, 300);
    terminal.show();
    QVERIFY(QTest::qWaitForWindowExposed(&terminal));
    QMenu* menu = frame->contextMenu();

    QTest::mouseClick(pc->viewport(), Qt::RightButton, {}, TextPoint(pc, top->child(0)));
    menu->hide();
    frame->action(Command::Copy)->trigger();
    QCOMPARE(pc->markedItems, QList<QTreeWidgetItem*>{top->child(0)});
    QCOMPARE(pc->copyMode, 1);

    QTest::mouseClick(terminal.viewport(), Qt::RightButton, {},
                      TextPoint(&terminal, terminal.folder));
    QVERIFY(frame->action(Command::Paste)->isEnabled());
    menu->hide();
    QTest::mouseClick(terminal.viewport(), Qt::RightButton, {},
                      TextPoint(&terminal, terminal.disk));
    QVERIFY(!frame->action(Command::Paste)->isEnabled());
    menu->hide();
    // Pasting back into the PC: any drive or folder, not a file.
    QTest::mouseClick(pc->viewport(), Qt::RightButton, {}, TextPoint(pc, top));
    QVERIFY(frame->action(Command::Paste)->isEnabled());
    menu->hide();

    // Copied in the terminal tree, pasted into the same tree: never.
    QTest::mouseClick(terminal.viewport(), Qt::RightButton, {},
                      TextPoint(&terminal, terminal.file));
    menu->hide();
    frame->action(Command::Cut)->trigger();
    QCOMPARE(terminal.copyMode, 0);
    QCOMPARE(frame->commands.clipboardTree, &terminal);
    QTest::mouseClick(terminal.viewport(), Qt::RightButton, {},
                      TextPoint(&terminal, terminal.folder));
    QVERIFY(!frame->action(Command::Paste)->isEnabled());
    menu->hide();
}

void MainFrameTest::contextMenuOffersTheEnabledEntries()
{
    OpenFrame();
    TestDir::WriteFile(*dir / "ITEM.TXT", "x");
    CPCFileTree* pc = frame->pcTree();
    QTreeWidgetItem* top =
        pc->InsertItem(pc->rootItem, Text(dir->path), FileTreeImage::ImageFixedDisk);
    pc->ListFolder(Text(dir->path), top);
    top->setExpanded(true);
    QTest::mouseClick(pc->viewport(), Qt::RightButton, {}, TextPoint(pc, top->child(0)));
    QMenu* menu = frame->contextMenu();
    QTRY_VERIFY(menu->isVisible());
    QStringList texts, enabled;
    for (QAction* a : menu->actions()) {
        texts << a->text();
        if (a->isEnabled() && !a->isSeparator())
            enabled << a->text();
    }
    QCOMPARE(texts, (QStringList{"Cut", "Copy", "Delete", "Paste", "", "Format", "", "Property"}));
    QCOMPARE(enabled, (QStringList{"Cut", "Copy", "Delete"}));
    menu->hide();
}

void MainFrameTest::connectionOnSim1OpensAndClosesWithTheMenus()
{
    OpenFrame();
    QString titleSeen;
    AnswerConnect(0, true, &titleSeen);
    frame->OnFileNew();
    QCOMPARE(titleSeen, "KVFile1");
    QCOMPARE(frame->ConnectionWindows().size(), 1);
    CKVVidiRidovedDoc* doc = frame->Documents().first();
    QCOMPARE(doc->Title(), "SIM1");
    QCOMPARE(frame->ConnectionWindows().first()->windowTitle(), "SIM1");
    QVERIFY(doc->link);
    QVERIFY(doc->settings.handle != kNoPort);
    QCOMPARE(MenuTitles(frame), (QStringList{"File", "Setup", "Tool", "View", "Window", "Help"}));
    QCOMPARE(frame->windowTitle(), "KVVidiRidoved - SIM1");
    // The link is alive: the terminal answers a listing.
    DirectoryListing listing;
    QCOMPARE(doc->link->ListDirectory("PDT", &listing), LinkStatus::Ok);
    QVERIFY(listing.count >= 2);

    frame->action(Command::Close)->trigger();
    QTRY_COMPARE(frame->ConnectionWindows().size(), 0);
    QTRY_COMPARE(MenuTitles(frame), (QStringList{"File", "View", "Help"}));
    QTRY_VERIFY(app->reaper().Idle());

    AnswerConnect(0, false);
    frame->OnFileNew();
    QCOMPARE(frame->ConnectionWindows().size(), 0);
    AnswerConnect(0, true, &titleSeen);
    frame->OnFileNew();
    QCOMPARE(titleSeen, "KVFile2"); // a cancelled connection takes no number
    QCOMPARE(frame->ConnectionWindows().size(), 1);
}

void MainFrameTest::clockSynchronizationStartsAndEndsTheWorkers()
{
    OpenFrame();
    AnswerConnect(0);
    frame->OnFileNew();
    CKVVidiRidovedDoc* doc = frame->Documents().first();
    QVERIFY(!doc->ClockThreadRunning());
    QAction* clock = frame->action(Command::ClockSynchronization);
    clock->trigger();
    QCOMPARE(app->ClockSynchronization.load(), 1);
    QVERIFY(clock->isChecked());
    QVERIFY(doc->ClockThreadRunning());
    QTRY_VERIFY_WITH_TIMEOUT(doc->ClockSyncCount() >= 1, 10000);
    const int synced = doc->ClockSyncCount();
    clock->trigger();
    QCOMPARE(app->ClockSynchronization.load(), 0);
    QTRY_VERIFY(!doc->ClockThreadRunning());
    QCOMPARE(doc->ClockSyncCount(), synced); // ending sets no clock
}

void MainFrameTest::closingWhileTheClockWorkerWaitsEndsIt()
{
    // Closing a connection whose clock worker waits: the worker ends before its link goes.
    OpenFrame();
    app->ClockSynchronization = 1;
    AnswerConnect(0);
    frame->OnFileNew();
    CKVVidiRidovedDoc* doc = frame->Documents().first();
    QVERIFY(doc->ClockThreadRunning());
    frame->ConnectionWindows().first()->close();
    QTRY_COMPARE(frame->ConnectionWindows().size(), 0);
    QTRY_VERIFY(app->reaper().Idle());
}

void MainFrameTest::deviceChangeClosesAConnectionWhosePortIsGone()
{
    SimPortsTransport sims(dir->path / "terminals", 2);
    ShrinkingTransport transport(sims);
    app->SetTransport(&transport);
    OpenFrame();
    AnswerConnect(0);
    frame->OnFileNew();
    AnswerConnect(1);
    frame->OnFileNew();
    QCOMPARE(frame->Documents().size(), 2);
    QCOMPARE(frame->Documents()[1]->Title(), "SIM2");

    emit app->deviceMonitor().DevicesChanged();
    QCOMPARE(frame->Documents().size(), 2);
    transport.hidden = 1;
    emit app->deviceMonitor().DevicesChanged();
    QTRY_COMPARE(frame->Documents().size(), 1);
    QCOMPARE(frame->Documents()[0]->Title(), "SIM1");
    transport.hidden = 2; // no ports at all
    emit app->deviceMonitor().DevicesChanged();
    QTRY_COMPARE(frame->Documents().size(), 0);
    QTRY_VERIFY(app->reaper().Idle());
    app.reset(); // the connections end before the transport goes
}

void MainFrameTest::transmissionModeConnectsFromTheListFile()
{
    OpenFrame();
    QSignalSpy automatic(frame, &CMainFrame::AutomaticWorkRequested);
    const auto list = dir->path / "project.lst";
    TestDir::WriteFile(list, "sim1:57600\r\nC:\\DATA\\ITEMS.TXT\r\n");
    {
        QSettings registry = TransmissionSettings();
        registry.setValue("Transmission/File", Text(list));
    }
    app->StartMode = 1;
    frame->OnFileNew();
    QCOMPARE(frame->Documents().size(), 1);
    CKVVidiRidovedDoc* doc = frame->Documents().first();
    QCOMPARE(doc->Title(), "SIM1");
    QCOMPARE(doc->settings.baudCode, 5);
    QCOMPARE(doc->transmissionFile, Text(list));
    QCOMPARE(app->StartMode.load(), 0);
    QVERIFY(automatic.wait(5000));
    QCOMPARE(automatic.first().first().toInt(), 1);

    // A malformed or binary list: no connection, no message, nothing automatic.
    for (const QByteArray& bad :
         {QByteArray("sim1 57600\r\n"), QByteArray("\0\xff\x01", 3), QByteArray()}) {
        TestDir::WriteFile(list, bad.toStdString());
        app->StartMode = 1;
        frame->OnFileNew();
        QCOMPARE(frame->Documents().size(), 1);
    }
    QVERIFY(prompter->shown.isEmpty());
    QCOMPARE(automatic.size(), 1);

    // Without the registry value nothing happens.
    TransmissionSettings().clear();
    frame->OnFileNew();
    QCOMPARE(frame->Documents().size(), 1);
}

void MainFrameTest::installModeConnectsFromTheRegistry()
{
    OpenFrame();
    QSignalSpy automatic(frame, &CMainFrame::AutomaticWorkRequested);
    {
        QSettings registry = TransmissionSettings();
        registry.setValue("Transmission/Port", "sim1"); // found without regard to case
        registry.setValue("Transmission/Baud", 9600);
    }
    app->StartMode = 7;
    frame->OnFileNew();
    QCOMPARE(frame->Documents().size(), 1);
    CKVVidiRidovedDoc* doc = frame->Documents().first();
    QCOMPARE(doc->Title(), "sim1");
    QCOMPARE(doc->settings.baudCode, 2);
    QCOMPARE(app->StartMode.load(), 0);
    QVERIFY(automatic.wait(5000));
    QCOMPARE(automatic.first().first().toInt(), 2);

    // Back in interactive mode the next New asks.
    AnswerConnect(0, false);
    frame->OnFileNew();
    QCOMPARE(frame->Documents().size(), 1);

    // A port that would not open: message 40006.
    TransmissionSettings().setValue("Transmission/Port", "COM250");
    app->StartMode = 2;
    frame->OnFileNew();
    QCOMPARE(prompter->shown, QStringList{"Open communicate port fail!!!"});
    QCOMPARE(frame->Documents().size(), 1);
}

void MainFrameTest::commandLineStartModes()
{
    {
        QSettings registry = TransmissionSettings();
        registry.setValue("Transmission/Port", "SIM1");
        registry.setValue("Transmission/Baud", 57600);
    }
    QVERIFY(app->InitInstance({"2"}));
    frame = app->mainFrame();
    QCOMPARE(frame->Documents().size(), 1);
    QCOMPARE(frame->Documents().first()->Title(), "SIM1");
    QCOMPARE(app->StartMode.load(), 0);

    // "abc" reads as 0: the dialog asks.
    app.reset();
    app = std::make_unique<CKVVidiRidovedApp>();
    app->convertIniPath = dir->path / "Convert.ini";
    app->instanceServerName = Text(dir->path / "VidiRidovedClass");
    bool asked = false;
    WhenModal<ConnectSetupDialog>([&asked](ConnectSetupDialog* d) {
        asked = true;
        d->reject();
    });
    QVERIFY(app->InitInstance({"abc"}));
    QVERIFY(asked);
    QCOMPARE(app->mainFrame()->Documents().size(), 0);

    // A second start in the same session ends at once.
    CKVVidiRidovedApp second;
    second.convertIniPath = dir->path / "Other.ini";
    second.instanceServerName = app->instanceServerName;
    QVERIFY(!second.InitInstance({"1"}));
    QCOMPARE(second.mainFrame(), nullptr);
}

void MainFrameTest::settingsAreReadAtStartAndWrittenAtExit()
{
    {
        QSettings settings = ProgramSettings();
        settings.setValue("Setting/ClockSynchronization", 1);
    }
    WhenModal<ConnectSetupDialog>([](ConnectSetupDialog* d) { d->reject(); });
    QVERIFY(app->InitInstance({}));
    frame = app->mainFrame();
    QCOMPARE(app->ClockSynchronization.load(), 1);
    QVERIFY(frame->action(Command::ClockSynchronization)->isChecked());
    QCOMPARE(app->Settings, ConvertSettings{}); // no Convert.ini yet: the defaults
    QVERIFY(!std::filesystem::exists(app->convertIniPath));

    frame->action(Command::ClockSynchronization)->trigger();
    app->Settings.OriSeparator = ';';
    QCOMPARE(app->ExitInstance(3), 3);
    QCOMPARE(ProgramSettings().value("Setting/ClockSynchronization").toInt(), 0);
    QCOMPARE(TestDir::ReadFile(app->convertIniPath), FormatConvertIni(app->Settings));
}

void MainFrameTest::unreadableSettingsGiveTheDefaults()
{
    const auto conf = std::filesystem::path(qEnvironmentVariable("XDG_CONFIG_HOME").toStdString()) /
                      "TELMARQ SOFTWARE" / "KVVidiRidoved.conf";
    std::filesystem::create_directories(conf.parent_path());
    const char junk[] = "\0\xff[Setting]\nClockSynchronization=\x01\x02\n";
    TestDir::WriteFile(conf, std::string(junk, sizeof junk - 1));
    app->LoadClockSetting();
    QCOMPARE(app->ClockSynchronization.load(), 0);
    TestDir::WriteFile(app->convertIniPath, std::string(5000, '\xff'));
    ConvertSettings record;
    LoadConvertSettings(app->convertIniPath, record); // must not crash
    std::filesystem::remove(conf);
}

void MainFrameTest::englishAndPolishTexts()
{
    InstallUiLanguage(*qApp, Language::Polish);
    OpenFrame();
    using namespace Command;
    QCOMPARE(MenuTitles(frame), (QStringList{"Plik", "Widok", "Pomoc"}));
    QCOMPARE(frame->action(Exit)->text(), "Wyjdź");
    QCOMPARE(frame->findChild<QAction*>("action57665c")->text(), "Wyjdź");
    // Qt's own texts in Polish too: the question boxes' buttons.
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), "&Tak");
    QCOMPARE(frame->action(PcWindowToggle)->text(), "Okno komputera");
    QCOMPARE(frame->action(PcWindowToggle)->statusTip(), "Pokaż lub ukryj okno komputera.");
    QCOMPARE(frame->action(New)->statusTip(), "Utwórz nowe połączenie");
    QCOMPARE(frame->action(New)->toolTip(), "Nowy");
    QCOMPARE(frame->findChild<QAction*>("menu130Delete")->text(), "Usuń.");
    QCOMPARE(frame->action(ConvertSetting)->text(), "Ustawienia konwertowania bazy");
    QCOMPARE(frame->windowTitle(), "KV VidiRidoved");
    QVERIFY(frame->findChild<QMenu*>("menu129Tool")
                ->actions()
                .contains(frame->action(ClockSynchronization)));
    QCOMPARE(frame->action(ClockSynchronization)->text(), "Synchronizacja zegara");
    QCOMPARE(MessageText(MessageId::FileNotExist), "Brak pliku.");
    QCOMPARE(VersionText(QCoreApplication::translate("AboutDialog", "KVVidiRidoved Version"), 1.09),
             "Wersja KV VidiRidoved 1.09");
    app->DestroyMainFrame();

    ResetUiLanguage(*qApp);
    InstallUiLanguage(*qApp, Language::English);
    OpenFrame();
    QCOMPARE(MenuTitles(frame), (QStringList{"File", "View", "Help"}));
    QCOMPARE(frame->action(Exit)->text(), "Exit");
    QCOMPARE(frame->findChild<QAction*>("menu130Delete")->text(), "Delete");
    QVERIFY(frame->findChild<QMenu*>("menu129Tool")
                ->actions()
                .contains(frame->action(ClockSynchronization)));
    QCOMPARE(MessageText(MessageId::FileNotExist), "The file is not exist.");
    ResetUiLanguage(*qApp);
}

void MainFrameTest::aboutBoxShowsTheVersion()
{
    OpenFrame();
    QString shown;
    WhenModal<AboutDialog>([&shown](AboutDialog* d) {
        shown = d->findChild<QLabel*>("versionText")->text();
        d->accept();
    });
    frame->action(Command::About)->trigger();
    QCOMPARE(shown, "KVVidiRidoved Version 1.09");
}

KV_GUI_TEST_MAIN(MainFrameTest)
#include "main_frame_test.moc"
