// The terminal's file tree against the simulated terminal on SIM1: listing on
// every click of a container, marks kept by the release, the wait cursor while a
// job runs, drops toward the PC tree, the properties, delete and format through
// the main frame's commands; and malformed listings from a scripted terminal.
#include "connection/connect_setup_dialog.h"
#include "connection/connection_reaper.h"
#include "connection/kv_vidi_ridoved_doc.h"
#include "connection/program_settings.h"
#include "gui/message_window.h"
#include "gui_test_support.h"
#include "link/frame.h"
#include "link/terminal_link.h"
#include "pc/progress_dialog.h"
#include "pc/properties_dialog.h"
#include "shell/kv_vidi_ridoved_app.h"
#include "shell/main_frame.h"
#include "sim/sim_ports.h"
#include "terminal/code_page.h"
#include "terminal/terminal_file_tree.h"
#include "terminal/terminal_time_dialog.h"
#include "terminal/terminal_tree_rules.h"
#include "terminal/terminal_view.h"
#include "tests/support/scripted_peer.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMap>
#include <QMdiArea>
#include <QMenu>
#include <QPushButton>
#include <QScopeGuard>
#include <QThread>
#include <QTimer>

#include <ctime>
#include <functional>

namespace {

QString Text(const std::filesystem::path& p)
{
    return QString::fromStdString(p.string());
}

QStringList ChildTexts(const QTreeWidgetItem* item)
{
    QStringList texts;
    for (int i = 0; i < item->childCount(); ++i)
        texts << item->child(i)->text(0);
    return texts;
}

QTreeWidgetItem* Child(const QTreeWidgetItem* parent, const QString& text)
{
    for (int i = 0; i < parent->childCount(); ++i)
        if (parent->child(i)->text(0) == text)
            return parent->child(i);
    return nullptr;
}

bool HasOnlyPlaceholder(const QTreeWidgetItem* item)
{
    return item->childCount() == 1 && item->child(0)->text(0).isEmpty() &&
           CFileTreeCtrl::ImageOf(item->child(0)) == FileTreeImage::ImagePc;
}

// A point inside the item's text, where a press counts.
QPoint TextPoint(CFileTreeCtrl* tree, QTreeWidgetItem* item)
{
    const QRect r = tree->PressRect(item);
    return QPoint(r.right() - 4, r.center().y());
}

// Local time as the simulated terminal stamps its files.
std::time_t LocalTime(int year, int month, int day, int hour, int minute, int second)
{
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

void SetModified(const std::filesystem::path& p, std::time_t t)
{
    std::filesystem::last_write_time(
        p, std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(t)));
}

// Reads every properties dialog that shows, then closes it.
class PropertiesWatcher {
public:
    struct Seen {
        QString name, type, location, size, date;
    };
    PropertiesWatcher()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            auto* dialog = qobject_cast<PropertiesDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            const auto value = [dialog](const char* name) {
                return dialog->findChild<QLineEdit*>(QString::fromLatin1(name))->text();
            };
            seen.append({value("nameValue"), value("typeValue"), value("locationValue"),
                         value("sizeValue"), value("dateValue")});
            dialog->accept();
        });
        timer.start(10);
    }
    QList<Seen> seen;

private:
    QTimer timer;
};

// A command's dialog that counts the close requests it gets.
class ClosingDialog : public QDialog {
public:
    int closes = 0;

protected:
    void closeEvent(QCloseEvent* event) override
    {
        ++closes;
        QDialog::closeEvent(event);
    }
};

// A PC tree that records the drops it is given.
class RecordingPcTree : public CFileTreeCtrl {
public:
    RecordingPcTree()
    {
        isTerminalTree = 0;
        rootItem = InsertItem(nullptr, "PC", FileTreeImage::ImagePc);
        folder = InsertItem(rootItem, "/tmp", FileTreeImage::ImageFixedDisk);
        expandAll();
    }
    void AcceptDrop(QTreeWidgetItem* target, CFileTreeCtrl* source) override
    {
        drops.append({target, source});
    }
    QTreeWidgetItem* folder;
    QList<QPair<QTreeWidgetItem*, CFileTreeCtrl*>> drops;
};

// A port with no terminal behind it that notes the cursor shown each time the
// GUI thread writes to it.
class SilentLine : public LineTransport {
public:
    SilentLine()
    {
        auto [pc, far] = MakeInProcessLine();
        farEnd = far;
        AddPort("SILENT", pc);
    }
    std::uint32_t PortWrite(PortHandle port, std::uint32_t count,
                            const std::uint8_t* bytes) override
    {
        if (QThread::currentThread() == qApp->thread()) {
            const QCursor* cursor = QGuiApplication::overrideCursor();
            cursors << (cursor ? cursor->shape() : Qt::ArrowCursor);
        }
        return LineTransport::PortWrite(port, count, bytes);
    }
    std::shared_ptr<LineEnd> farEnd;
    QList<Qt::CursorShape> cursors;
};

// Answers one request of the PC (command 4) the way a terminal does: the request
// is taken, then answer goes back as a data phase. Returns the request's block.
Bytes AnswerRequest(ScriptedPeer& peer, std::size_t textLength, const Bytes& answer)
{
    peer.AnswerCommand(1, 0);
    Bytes block = peer.AnswerBlock(textLength + 3, kCommandRequest, 0);
    peer.SendPhase(answer);
    return block;
}

// A 32-byte listing entry; name and extension copied byte for byte.
Bytes Entry(std::string_view name, std::string_view ext, std::uint8_t kind, std::uint32_t size = 1)
{
    Bytes e(kListingEntrySize, 0);
    std::copy_n(name.begin(), std::min<std::size_t>(name.size(), 8), e.begin());
    std::copy_n(ext.begin(), std::min<std::size_t>(ext.size(), 3), e.begin() + 8);
    e[11] = kind;
    const std::string_view time = "20240105102030";
    std::copy(time.begin(), time.end(), e.begin() + 12);
    PutU32(e.data() + 26, size);
    return e;
}

Bytes TextBytes(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

bool Contains(const Bytes& bytes, std::string_view text)
{
    return std::search(bytes.begin(), bytes.end(), text.begin(), text.end(),
                       [](std::uint8_t b, char c) { return b == static_cast<std::uint8_t>(c); }) !=
           bytes.end();
}

} // namespace

class TerminalFileTreeTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void clickOnTheRootListsTheDisksAgainAndToggles();
    void disksAndFoldersListTheirEntriesWithTheirImages();
    void aListingThatFailsKeepsTheExpanderAndSaysSo();
    void aClickWithoutADragKeepsOnlyThatMarkedFile();
    void dragsEndOnThePcTreeOnly();
    void whileAJobRunsClicksAreIgnoredAndTheCursorWaits();
    void everyTerminalCommandShowsTheWaitCursorAndOnlyDeleteAndFormatHoldTheWindow();
    void aListingRunsOnTheWorkerAndASilentTerminalIsNamed();
    void aReleaseOutsideTheTreeIsNoClick();
    void propertiesOfDisks();
    void propertiesOfAFolderAndAFile();
    void propertiesOfAFileRemovedMeanwhile();
    void deleteThreeFilesWithTheSecondInUse();
    void keyCommandsActOnTheMarksNotOnAnAbandonedRightClick();
    void listAgainListsTheHighlightedFolderAndKeepsWhatIsOpen();
    void formatDoneAndInUse();
    void malformedRootListings();
    void malformedEntriesAreShownSafelyAndSorted();
    void aListingCutShortSaysSo();
    void namesInTheTerminalsCodePageShowDecodedAndGoBackAsTheirBytes();
    void formatWithAnUnexpectedAnswerLogsOnlyTheFailLine();
    void whileAJobRunsTheFrameCommandsLeaveTheLinkAlone();
    void connectionWindowHoldsTheTreeAndTheProgress();

private:
    void Click(QTreeWidgetItem* item, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void RightClick(QTreeWidgetItem* item);
    // Listings run on a worker: the tests look once the tree is filled.
    void WaitForRequest() { QVERIFY(RequestDone(tree)); }
    // The Property command, once the terminal has answered it.
    void Property()
    {
        frame->action(Command::Property)->trigger();
        WaitForRequest();
    }
    // Clicks the root, then each named child in turn; returns the last item.
    QTreeWidgetItem* Open(const QStringList& path);
    std::filesystem::path HostPath(const std::string& relative) const;
    QStringList Lines() const { return frame->messageWindow()->Lines(); }
    // Uses a scripted terminal instead of SIM1.
    void UseScriptedPeer();

    std::unique_ptr<TestDir> dir;
    std::unique_ptr<RecordingPrompter> prompter;
    std::unique_ptr<CKVVidiRidovedApp> app;
    CMainFrame* frame = nullptr;
    std::unique_ptr<SimPortsTransport> sims;
    std::unique_ptr<TerminalLink> link;
    std::unique_ptr<LinkRig> rig;
    std::shared_ptr<SimTerminal> terminal;
    QWidget* host = nullptr;
    CTerminalFileTree* tree = nullptr;
    RecordingPcTree* pcTree = nullptr;
};

void TerminalFileTreeTest::init()
{
    dir = std::make_unique<TestDir>();
    prompter = std::make_unique<RecordingPrompter>();
    app = std::make_unique<CKVVidiRidovedApp>();
    app->convertIniPath = dir->path / "Convert.ini";
    app->instanceServerName = Text(dir->path / "VidiRidovedClass");
    frame = &app->CreateMainFrame();

    sims = std::make_unique<SimPortsTransport>(dir->path / "terminals", 1);
    const PortHandle handle = sims->PortOpen(PortKind::ListIndex, 1, "SIM1");
    QVERIFY(handle != kNoPort);
    terminal = sims->TerminalAt(1);
    link = std::make_unique<TerminalLink>(*sims);
    link->AttachPort(handle);

    host = new QWidget;
    auto* layout = new QHBoxLayout(host);
    tree = new CTerminalFileTree;
    pcTree = new RecordingPcTree;
    layout->addWidget(tree);
    layout->addWidget(pcTree);
    frame->AttachTree(tree);
    tree->AttachLink(link.get());
    tree->InsertRoot();
    host->resize(700, 500);
    host->show();
    QVERIFY(QTest::qWaitForWindowExposed(host));
}

void TerminalFileTreeTest::cleanup()
{
    delete host;
    host = nullptr;
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    rig.reset();
    link.reset();
    terminal.reset();
    sims.reset();
    app.reset();
    prompter.reset();
    dir.reset();
}

void TerminalFileTreeTest::Click(QTreeWidgetItem* item, Qt::KeyboardModifiers modifiers)
{
    tree->scrollToItem(item);
    const QPoint at = TextPoint(tree, item);
    SendMouse(tree->viewport(), QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton,
              modifiers);
    SendMouse(tree->viewport(), QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton,
              modifiers);
    WaitForRequest();
}

void TerminalFileTreeTest::RightClick(QTreeWidgetItem* item)
{
    tree->scrollToItem(item);
    const QPoint at = TextPoint(tree, item);
    SendMouse(tree->viewport(), QEvent::MouseButtonPress, at, Qt::RightButton, Qt::RightButton);
    SendMouse(tree->viewport(), QEvent::MouseButtonRelease, at, Qt::RightButton, Qt::NoButton);
    frame->contextMenu()->hide();
}

QTreeWidgetItem* TerminalFileTreeTest::Open(const QStringList& path)
{
    QTreeWidgetItem* item = tree->rootItem;
    Click(item);
    for (const QString& name : path) {
        item = Child(item, name);
        if (!item)
            return nullptr;
        Click(item);
    }
    return item;
}

std::filesystem::path TerminalFileTreeTest::HostPath(const std::string& relative) const
{
    return terminal->Root() / relative;
}

void TerminalFileTreeTest::UseScriptedPeer()
{
    rig = std::make_unique<LinkRig>();
    tree->AttachLink(rig->link.get());
}

void TerminalFileTreeTest::clickOnTheRootListsTheDisksAgainAndToggles()
{
    QTreeWidgetItem* root = tree->rootItem;
    QCOMPARE(root->text(0), "Terminal");
    QCOMPARE(CFileTreeCtrl::ImageOf(root), FileTreeImage::ImageTerminal);
    QVERIFY(HasOnlyPlaceholder(root));

    Click(root);
    QCOMPARE(ChildTexts(root), (QStringList{"C:", "D:"}));
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(CFileTreeCtrl::ImageOf(root->child(i)), FileTreeImage::ImageFixedDisk);
        QVERIFY(HasOnlyPlaceholder(root->child(i)));
    }
    QVERIFY(root->isExpanded());

    // The second click asks the terminal again: a disk item gone from the tree returns.
    tree->RemoveItem(Child(root, "C:"));
    Click(root);
    QCOMPARE(ChildTexts(root), (QStringList{"C:", "D:"}));
    QVERIFY(!root->isExpanded());
    Click(root);
    QVERIFY(root->isExpanded());
}

void TerminalFileTreeTest::disksAndFoldersListTheirEntriesWithTheirImages()
{
    QTreeWidgetItem* d = Open({"D:"});
    QCOMPARE(ChildTexts(d), (QStringList{"FONTS", "LOOKUP", "PROGRAM"}));
    for (int i = 0; i < d->childCount(); ++i) {
        QCOMPARE(CFileTreeCtrl::ImageOf(d->child(i)), FileTreeImage::ImageFolder);
        QVERIFY(HasOnlyPlaceholder(d->child(i)));
    }
    QVERIFY(d->isExpanded());

    // Host files come in any order; the tree sorts them, a file name without
    // an extension keeps its dot.
    TestDir::WriteFile(HostPath("D/LOOKUP/ZED"), "z");
    TestDir::WriteFile(HostPath("D/LOOKUP/BRANDS.TXT"), "b");
    QTreeWidgetItem* lookup = Child(d, "LOOKUP");
    Click(lookup);
    QCOMPARE(ChildTexts(lookup), (QStringList{"BRANDS.TXT", "ITEMS.TXT", "PRICES.TXT", "ZED."}));
    for (int i = 0; i < lookup->childCount(); ++i) {
        QCOMPARE(CFileTreeCtrl::ImageOf(lookup->child(i)), FileTreeImage::ImageFile);
        QCOMPARE(lookup->child(i)->childCount(), 0);
    }
    QCOMPARE(tree->GetItemPath(Child(lookup, "ITEMS.TXT")), "D:\\LOOKUP\\ITEMS.TXT");

    // An empty folder loses its placeholder, so no expand button remains.
    QTreeWidgetItem* fonts = Child(d, "FONTS");
    Click(fonts);
    QCOMPARE(fonts->childCount(), 0);
    QCOMPARE(fonts->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicatorWhenChildless);
    QVERIFY(prompter->shown.isEmpty());
}

void TerminalFileTreeTest::aListingThatFailsKeepsTheExpanderAndSaysSo()
{
    QTreeWidgetItem* c = Open({"C:"});
    QCOMPARE(ChildTexts(c), QStringList{"DATA"});
    c->setExpanded(false);
    terminal->Storage().SetFormatted('C', false);
    Click(c);
    QVERIFY(HasOnlyPlaceholder(c));
    QVERIFY(!c->isExpanded());
    QVERIFY(prompter->shown.isEmpty());
    QCOMPARE(Lines(), QStringList{"Listing C: failed (status 2)"});
}

void TerminalFileTreeTest::aClickWithoutADragKeepsOnlyThatMarkedFile()
{
    QTreeWidgetItem* data = Open({"C:", "DATA"});
    QTreeWidgetItem* orders = Child(data, "ORDERS.TXT");
    QTreeWidgetItem* stock = Child(data, "STOCK.DAT");
    QVERIFY(orders && stock);
    Click(orders, Qt::ControlModifier);
    Click(stock, Qt::ControlModifier);
    QCOMPARE(tree->markedItems, (QList<QTreeWidgetItem*>{orders, stock}));
    Click(stock, Qt::ControlModifier);
    // Ctrl keeps the set.
    QCOMPARE(tree->markedItems.size(), 2);
    Click(stock);
    QCOMPARE(tree->markedItems, QList<QTreeWidgetItem*>{stock});
    QVERIFY(!tree->IsMarked(orders));
    QVERIFY(tree->IsMarked(stock));
}

void TerminalFileTreeTest::dragsEndOnThePcTreeOnly()
{
    QTreeWidgetItem* data = Open({"C:", "DATA"});
    QTreeWidgetItem* orders = Child(data, "ORDERS.TXT");
    const QPoint from = TextPoint(tree, orders);
    const auto drag = [&](QWidget* over, const QPoint& at) {
        SendMouse(tree->viewport(), QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        const QPoint local = tree->viewport()->mapFromGlobal(over->mapToGlobal(at));
        SendMouse(tree->viewport(), QEvent::MouseMove, local, Qt::NoButton, Qt::LeftButton);
        SendMouse(tree->viewport(), QEvent::MouseButtonRelease, local, Qt::LeftButton,
                  Qt::NoButton);
    };

    drag(pcTree->viewport(), TextPoint(pcTree, pcTree->folder));
    QCOMPARE(pcTree->drops.size(), 1);
    QCOMPARE(pcTree->drops[0].first, pcTree->folder);
    QCOMPARE(pcTree->drops[0].second, tree);
    QVERIFY(!tree->dragging);

    // Back onto the same terminal tree: nothing is transferred, nothing listed.
    const QStringList before = ChildTexts(data);
    drag(tree->viewport(), TextPoint(tree, data));
    QCOMPARE(pcTree->drops.size(), 1);
    QCOMPARE(ChildTexts(data), before);
    QVERIFY(data->isExpanded());
}

void TerminalFileTreeTest::whileAJobRunsClicksAreIgnoredAndTheCursorWaits()
{
    tree->jobRunning = 1;
    Click(tree->rootItem);
    QVERIFY(HasOnlyPlaceholder(tree->rootItem));
    QVERIFY(!tree->rootItem->isExpanded());

    const QPoint at = TextPoint(tree, tree->rootItem);
    SendMouse(tree->viewport(), QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton);
    QCOMPARE(tree->viewport()->cursor().shape(), Qt::WaitCursor);
    tree->jobRunning = 0;
    SendMouse(tree->viewport(), QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton);
    QCOMPARE(tree->viewport()->cursor().shape(), Qt::ArrowCursor);
    Click(tree->rootItem);
    QCOMPARE(ChildTexts(tree->rootItem), (QStringList{"C:", "D:"}));
}

void TerminalFileTreeTest::
    everyTerminalCommandShowsTheWaitCursorAndOnlyDeleteAndFormatHoldTheWindow()
{
    SilentLine line;
    // The connection's own commands, in its view, use the same link.
    CKVVidiRidovedDoc doc(*app);
    doc.link = std::make_unique<TerminalLink>(line, kTestTimings);
    TerminalLink& silent = *doc.link;
    silent.AttachPort(line.PortOpen(PortKind::ListIndex, 1, "SILENT"));
    CTerminalView view(doc, host);
    tree->AttachLink(&silent);
    const auto back = qScopeGuard([&] {
        tree->AttachLink(link.get());
        doc.link.reset();
    });
    QTreeWidgetItem* disk = tree->InsertItem(tree->rootItem, "C:", FileTreeImage::ImageFixedDisk);
    QTreeWidgetItem* file = tree->InsertItem(disk, "A.TXT", FileTreeImage::ImageFile);
    tree->expandAll();
    // Delete and Format hold the window's thread under the wait cursor; the rest
    // ask on the connection's worker while the tree shows it.
    QStringList wrong;
    // worker: the tree that asks on the worker, or null.
    const auto command = [&](const QString& name, CTerminalFileTree* worker,
                             const std::function<void()>& run) {
        line.cursors.clear();
        run();
        const bool onWorker = worker != nullptr;
        CTerminalFileTree* shown = onWorker ? worker : tree;
        if (onWorker &&
            (!worker->RequestRunning() || shown->viewport()->cursor().shape() != Qt::WaitCursor))
            wrong << name + ": no wait cursor on the tree";
        (void)QTest::qWaitFor([shown] { return !shown->RequestRunning(); });
        const bool allWait = std::all_of(line.cursors.cbegin(), line.cursors.cend(),
                                         [](Qt::CursorShape c) { return c == Qt::WaitCursor; });
        if (onWorker ? !line.cursors.isEmpty() : line.cursors.isEmpty() || !allWait)
            wrong << name + ": the window's thread wrote";
        if (QGuiApplication::overrideCursor() ||
            shown->viewport()->cursor().shape() == Qt::WaitCursor)
            wrong << name + ": the cursor stayed";
    };
    command("delete", nullptr, [&] {
        RightClick(file);
        frame->action(Command::Delete)->trigger();
    });
    command("format", nullptr, [&] {
        RightClick(disk);
        frame->action(Command::Format)->trigger();
    });
    command("properties", tree, [&] {
        RightClick(disk);
        frame->action(Command::Property)->trigger();
    });
    command("set time", &view.Tree(), [&] {
        WhenModal<TerminalTimeDialog>([](TerminalTimeDialog* dialog) {
            QTest::mouseClick(dialog->findChild<QPushButton*>("okButton"), Qt::LeftButton);
        });
        view.OnSetTime();
    });
    command("information", &view.Tree(), [&] { view.OnGetInformation(); });
    QCOMPARE(wrong, QStringList{});
}

void TerminalFileTreeTest::aListingRunsOnTheWorkerAndASilentTerminalIsNamed()
{
    SilentLine line;
    TerminalLink silent(line);
    silent.AttachPort(line.PortOpen(PortKind::ListIndex, 1, "SILENT"));
    tree->AttachLink(&silent);
    const auto back = qScopeGuard([&] {
        (void)QTest::qWaitFor([this] { return !tree->RequestRunning(); });
        tree->AttachLink(link.get());
    });
    QTreeWidgetItem* disk = tree->InsertItem(tree->rootItem, "C:", FileTreeImage::ImageFixedDisk);
    tree->InsertItem(disk, QString(), FileTreeImage::ImagePc);
    tree->expandAll();
    // The click returns at once: the disk says it is being listed, the tree waits.
    const QPoint at = TextPoint(tree, disk);
    SendMouse(tree->viewport(), QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    SendMouse(tree->viewport(), QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    QVERIFY(tree->RequestRunning());
    QCOMPARE(ChildTexts(disk), QStringList{"listing..."});
    QCOMPARE(tree->viewport()->cursor().shape(), Qt::WaitCursor);
    // The rest of the window stays live meanwhile.
    QTest::mouseClick(pcTree->viewport(), Qt::LeftButton, {}, TextPoint(pcTree, pcTree->folder));
    QCOMPARE(pcTree->dropHighlightItem(), pcTree->folder);
    WaitForRequest();
    QVERIFY(line.cursors.isEmpty()); // the window's thread wrote nothing
    QCOMPARE(Lines(), QStringList{"Listing C: failed: the terminal does not answer"});
    QVERIFY(HasOnlyPlaceholder(disk));
    QCOMPARE(tree->viewport()->cursor().shape(), Qt::ArrowCursor);
}

void TerminalFileTreeTest::aReleaseOutsideTheTreeIsNoClick()
{
    // Pressed on a folder, released over the window beside at the same height:
    // the folder is neither listed again nor toggled.
    QTreeWidgetItem* c = Open({"C:"});
    QTreeWidgetItem* folder = tree->InsertItem(c, QString(60, u'F'), FileTreeImage::ImageFolder);
    tree->InsertItem(folder, QString(), FileTreeImage::ImagePc);
    tree->scrollToItem(folder);
    const QPoint at = TextPoint(tree, folder);
    const QPoint beside(tree->viewport()->width() + 10, at.y());
    SendMouse(tree->viewport(), QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    SendMouse(tree->viewport(), QEvent::MouseMove, beside, Qt::NoButton, Qt::LeftButton);
    SendMouse(tree->viewport(), QEvent::MouseButtonRelease, beside, Qt::LeftButton, Qt::NoButton);
    QVERIFY(tree->itemAt(beside) == folder); // the row reaches that far
    QVERIFY(!folder->isExpanded());
    QVERIFY(HasOnlyPlaceholder(folder));
}

void TerminalFileTreeTest::propertiesOfDisks()
{
    Open({});
    RightClick(Child(tree->rootItem, "C:"));
    QVERIFY(frame->action(Command::Property)->isEnabled());
    QVERIFY(frame->action(Command::Format)->isEnabled());
    PropertiesWatcher watcher;
    Property();
    QCOMPARE(watcher.seen.size(), 1);
    const std::uint64_t used = terminal->Storage().UsedSpace('C');
    QVERIFY(used > 0);
    QCOMPARE(watcher.seen[0].name, "C:");
    QCOMPARE(watcher.seen[0].type, "Local Disc");
    QCOMPARE(watcher.seen[0].location, QStringLiteral("%1 bytes").arg(used));
    QCOMPARE(watcher.seen[0].size, QStringLiteral("%1 bytes").arg(kDefaultCapacityC - used));
    QCOMPARE(watcher.seen[0].date, QStringLiteral("%1 bytes").arg(kDefaultCapacityC));

    terminal->Storage().SetFormatted('D', false);
    RightClick(Child(tree->rootItem, "D:"));
    Property();
    QCOMPARE(watcher.seen.size(), 2);
    QCOMPARE(watcher.seen[1].location, "UnFormat");
    QCOMPARE(watcher.seen[1].size, "UnFormat");
    QCOMPARE(watcher.seen[1].date, "UnFormat");

    // A disk the terminal does not know: message 40011, no dialog.
    QTreeWidgetItem* e = tree->InsertItem(tree->rootItem, "E:", FileTreeImage::ImageFixedDisk);
    RightClick(e);
    Property();
    QCOMPARE(watcher.seen.size(), 2);
    QCOMPARE(prompter->shown, QStringList{MessageText(MessageId::NoInformation)});
}

void TerminalFileTreeTest::propertiesOfAFolderAndAFile()
{
    std::filesystem::create_directory(HostPath("C/DATA/SUB"));
    TestDir::WriteFile(HostPath("C/DATA/SUB/INNER.TXT"), "not counted");
    SetModified(HostPath("C/DATA"), LocalTime(2024, 1, 5, 10, 20, 30));
    SetModified(HostPath("C/DATA/STOCK.DAT"), LocalTime(2023, 12, 31, 23, 59, 58));
    QTreeWidgetItem* data = Open({"C:", "DATA"});
    const auto size = [&](const char* name) {
        return std::filesystem::file_size(HostPath(std::string("C/DATA/") + name));
    };

    PropertiesWatcher watcher;
    RightClick(data);
    QVERIFY(frame->action(Command::Property)->isEnabled());
    QVERIFY(!frame->action(Command::Format)->isEnabled());
    Property();
    QCOMPARE(watcher.seen.size(), 1);
    QCOMPARE(watcher.seen[0].name, "DATA");
    QCOMPARE(watcher.seen[0].type, "File Folder");
    QCOMPARE(watcher.seen[0].location, "C:");
    QCOMPARE(watcher.seen[0].size,
             QStringLiteral("%1 bytes").arg(size("ORDERS.TXT") + size("STOCK.DAT")));
    QCOMPARE(watcher.seen[0].date, "2024/01/05 10:20:30");

    RightClick(Child(data, "STOCK.DAT"));
    Property();
    QCOMPARE(watcher.seen.size(), 2);
    QCOMPARE(watcher.seen[1].name, "STOCK.DAT");
    QCOMPARE(watcher.seen[1].type, "File");
    QCOMPARE(watcher.seen[1].location, "C:\\DATA");
    QCOMPARE(watcher.seen[1].size, QStringLiteral("%1 bytes").arg(size("STOCK.DAT")));
    QCOMPARE(watcher.seen[1].date, "2023/12/31 23:59:58");
    QVERIFY(prompter->shown.isEmpty());
}

void TerminalFileTreeTest::propertiesOfAFileRemovedMeanwhile()
{
    QTreeWidgetItem* lookup = Open({"D:", "LOOKUP"});
    std::filesystem::remove(HostPath("D/LOOKUP/ITEMS.TXT"));
    PropertiesWatcher watcher;
    RightClick(Child(lookup, "ITEMS.TXT"));
    Property();
    QCOMPARE(prompter->shown, QStringList{MessageText(MessageId::FileNotExist)});
    QVERIFY(watcher.seen.isEmpty());

    // The folder itself gone: the listing of the file's folder fails (40005).
    std::filesystem::remove_all(HostPath("D/LOOKUP"));
    RightClick(Child(lookup, "PRICES.TXT"));
    Property();
    QCOMPARE(prompter->shown.last(), MessageText(MessageId::AnotherJob));
    // The folder's own listing fails: 40011.
    RightClick(lookup);
    Property();
    QCOMPARE(prompter->shown.last(), MessageText(MessageId::NoInformation));
    QCOMPARE(prompter->shown.size(), 3);
    QVERIFY(watcher.seen.isEmpty());
}

void TerminalFileTreeTest::deleteThreeFilesWithTheSecondInUse()
{
    for (const char* name : {"A.TXT", "B.TXT", "C.TXT"})
        TestDir::WriteFile(HostPath(std::string("C/DATA/") + name), name);
    QVERIFY(terminal->Storage().Lock("C:\\DATA\\B.TXT"));
    QTreeWidgetItem* data = Open({"C:", "DATA"});
    for (const char* name : {"A.TXT", "B.TXT", "C.TXT"})
        Click(Child(data, name), Qt::ControlModifier);
    QCOMPARE(tree->markedItems.size(), 3);

    tree->setFocus();
    QTest::keyClick(tree, Qt::Key_Delete);
    QCOMPARE(prompter->shown, QStringList{MessageText(MessageId::FileInUse)});
    QCOMPARE(Lines(), (QStringList{"Delete file--C:\\DATA\\C.TXT succeed!!",
                                   "Delete file--C:\\DATA\\B.TXT fail!!",
                                   "Delete file--C:\\DATA\\A.TXT succeed!!"}));
    QCOMPARE(ChildTexts(data), (QStringList{"B.TXT", "ORDERS.TXT", "STOCK.DAT"}));
    QVERIFY(!std::filesystem::exists(HostPath("C/DATA/A.TXT")));
    QVERIFY(std::filesystem::exists(HostPath("C/DATA/B.TXT")));
    QVERIFY(tree->markedItems.isEmpty());

    // A file removed meanwhile, through the Delete command of the menu: 40003.
    std::filesystem::remove(HostPath("C/DATA/STOCK.DAT"));
    RightClick(Child(data, "STOCK.DAT"));
    QVERIFY(frame->action(Command::Delete)->isEnabled());
    frame->action(Command::Delete)->trigger();
    QCOMPARE(prompter->shown.last(), MessageText(MessageId::FileNotExist));
    QCOMPARE(Lines().first(), "Delete file--C:\\DATA\\STOCK.DAT fail!!");
    // Gone from the terminal, so gone from the tree.
    QCOMPARE(ChildTexts(data), (QStringList{"B.TXT", "ORDERS.TXT"}));
}

void TerminalFileTreeTest::keyCommandsActOnTheMarksNotOnAnAbandonedRightClick()
{
    TestDir::WriteFile(HostPath("C/DATA/STOCK.DAT"), "stock");
    TestDir::WriteFile(HostPath("C/DATA/RAND.BIN"), "rand");
    QTreeWidgetItem* data = Open({"C:", "DATA"});
    QTreeWidgetItem* stock = Child(data, "STOCK.DAT");
    QTreeWidgetItem* rand = Child(data, "RAND.BIN");
    // The menu closes without a command (Escape): the file shows plain again.
    RightClick(stock);
    QCoreApplication::processEvents();
    QVERIFY(!tree->IsMarked(stock));
    // Ctrl+C takes the file just clicked.
    Click(rand);
    frame->action(Command::Copy)->trigger();
    QCOMPARE(tree->MarkedPaths(), QStringList{"C:\\DATA\\RAND.BIN"});
    // Ctrl+V goes to the folder clicked last.
    frame->AttachTree(pcTree);
    QTest::mouseClick(pcTree->viewport(), Qt::LeftButton, {}, TextPoint(pcTree, pcTree->folder));
    frame->action(Command::Paste)->trigger();
    QCOMPARE(pcTree->drops.size(), 1);
    QCOMPARE(pcTree->drops[0].first, pcTree->folder);
    // Delete deletes the marks alone: not the folder right-clicked before.
    RightClick(data);
    QCoreApplication::processEvents();
    QTest::keyClick(tree, Qt::Key_Delete);
    QCOMPARE(Lines(), QStringList{"Delete file--C:\\DATA\\RAND.BIN succeed!!"});
    QVERIFY(!std::filesystem::exists(HostPath("C/DATA/RAND.BIN")));
    QVERIFY(std::filesystem::exists(HostPath("C/DATA/STOCK.DAT")));
    QCOMPARE(tree->FindItem("C:\\DATA"), data);
    QCOMPARE(ChildTexts(data), (QStringList{"ORDERS.TXT", "STOCK.DAT"}));
}

void TerminalFileTreeTest::listAgainListsTheHighlightedFolderAndKeepsWhatIsOpen()
{
    TestDir::WriteFile(HostPath("C/DATA/OLD.TXT"), "o");
    Open({"C:", "DATA"});
    TestDir::WriteFile(HostPath("C/DATA/NEW.TXT"), "n");
    TestDir::WriteFile(HostPath("C/TOP.TXT"), "t");
    QAction* listAgain = frame->findChild<QAction*>("actionListAgain");
    // The folder clicked last: it alone is listed again, and stays open.
    listAgain->trigger();
    WaitForRequest();
    QTreeWidgetItem* data = tree->FindItem("C:\\DATA");
    QVERIFY(data);
    QCOMPARE(ChildTexts(data), (QStringList{"NEW.TXT", "OLD.TXT", "ORDERS.TXT", "STOCK.DAT"}));
    QCOMPARE(ChildTexts(data->parent()), QStringList{"DATA"});
    QVERIFY(data->isExpanded() && data->parent()->isExpanded() && tree->rootItem->isExpanded());
    // A disk right-clicked: it, and the folder open below it, are listed again.
    std::filesystem::remove(HostPath("C/DATA/OLD.TXT"));
    RightClick(data->parent());
    QCoreApplication::processEvents();
    listAgain->trigger();
    WaitForRequest();
    data = tree->FindItem("C:\\DATA");
    QVERIFY(data);
    QCOMPARE(ChildTexts(data->parent()), (QStringList{"DATA", "TOP.TXT"}));
    QCOMPARE(ChildTexts(data), (QStringList{"NEW.TXT", "ORDERS.TXT", "STOCK.DAT"}));
    QVERIFY(data->isExpanded() && data->parent()->isExpanded());
}

void TerminalFileTreeTest::formatDoneAndInUse()
{
    TestDir::WriteFile(HostPath("C/DATA/OLD.TXT"), "old");
    TestDir::WriteFile(HostPath("C/NOTES.TXT"), "notes");
    QTreeWidgetItem* c = Open({"C:"});
    QCOMPARE(ChildTexts(c), (QStringList{"DATA", "NOTES.TXT"}));
    // Asked first: No leaves every file.
    const QString question = "Format disk C: of Terminal? Every file on it is lost.";
    prompter->answer = false;
    RightClick(c);
    frame->action(Command::Format)->trigger();
    QCOMPARE(prompter->shown, QStringList{question});
    QVERIFY(Lines().isEmpty());
    QVERIFY(std::filesystem::exists(HostPath("C/NOTES.TXT")));
    prompter->answer = true;
    prompter->shown.clear();
    RightClick(c);
    frame->action(Command::Format)->trigger();
    QCOMPARE(prompter->shown, QStringList{question});
    prompter->shown.clear();
    QCOMPARE(Lines(), QStringList{"Format Disk C: done."});
    // Listed again after the format.
    WaitForRequest();
    QCOMPARE(ChildTexts(c), QStringList{"DATA"});
    QVERIFY(HasOnlyPlaceholder(Child(c, "DATA")));
    QVERIFY(c->isExpanded());
    QVERIFY(!std::filesystem::exists(HostPath("C/DATA/OLD.TXT")));
    QVERIFY(prompter->shown.isEmpty());

    QTreeWidgetItem* d = Child(tree->rootItem, "D:");
    QVERIFY(terminal->Storage().Lock("D:\\LOOKUP\\ITEMS.TXT"));
    RightClick(d);
    frame->action(Command::Format)->trigger();
    QCOMPARE(prompter->shown[1], MessageText(MessageId::DiskInUse, "D:"));
    QCOMPARE(Lines(), (QStringList{"Format Disk D: fail.", "Format Disk C: done."}));
    // A failed format leaves the tree as it was.
    QVERIFY(HasOnlyPlaceholder(d));
    QVERIFY(std::filesystem::exists(HostPath("D/LOOKUP/ITEMS.TXT")));
}

void TerminalFileTreeTest::malformedRootListings()
{
    UseScriptedPeer();
    QTreeWidgetItem* root = tree->rootItem;
    const auto listRoot = [&](const std::string& answer) {
        Bytes request;
        rig->Script([&] { request = AnswerRequest(*rig->peer, 3, TextBytes(answer)); });
        Click(root);
        rig->Finish();
        return request;
    };
    QVERIFY(Contains(listRoot("C:\r\nD:"), "PDT\r\n"));
    // The line without CR LF is dropped.
    QCOMPARE(ChildTexts(root), QStringList{"C:"});
    listRoot("C:D:");
    // No CR LF at all: no disk.
    QCOMPARE(root->childCount(), 0);
    listRoot(std::string(300, 'X') + "\r\n\x01/\\..\r\n");
    QCOMPARE(ChildTexts(root), (QStringList{"???..", QString(kMaxDiskNameLength, u'X')}));
    QVERIFY(prompter->shown.isEmpty());
}

void TerminalFileTreeTest::malformedEntriesAreShownSafelyAndSorted()
{
    UseScriptedPeer();
    QTreeWidgetItem* root = tree->rootItem;
    rig->Script([&] { AnswerRequest(*rig->peer, 3, TextBytes("C:\r\n")); });
    Click(root);
    rig->Finish();
    QTreeWidgetItem* c = Child(root, "C:");
    QVERIFY(c);

    Bytes listing;
    for (const Bytes& e : {Entry("B", "TXT", kEntryFile), Entry("A", "TXT", kEntryFile),
                           Entry("ABCDEFGH", "XYZ", kEntryFile), Entry("../..", "", kEntryFolder),
                           Entry("..", "", kEntryFolder), Entry("A\\B", "TXT", kEntryFile),
                           Entry("\x01\xE9X", "DAT", kEntryFile), Entry("ODD", "", 3)})
        listing.insert(listing.end(), e.begin(), e.end());
    listing.resize(listing.size() + 6, 0xEE); // a remainder shorter than an entry
    Bytes request;
    rig->Script([&] { request = AnswerRequest(*rig->peer, 2, listing); });
    Click(c);
    rig->Finish();
    QVERIFY(Contains(request, "C:\r\n"));
    QCOMPARE(ChildTexts(c), (QStringList{"..?..", "??", "?\u00E9X.DAT", "A.TXT", "A?B.TXT",
                                         "ABCDEFGH.XYZ", "B.TXT"}));
    QCOMPARE(CFileTreeCtrl::ImageOf(Child(c, "??")), FileTreeImage::ImageFolder);

    // A click on the folder that was named ".." asks for the text shown, never
    // for the terminal's parent folder; the refusal keeps its expander.
    rig->Script([&] {
        rig->peer->AnswerCommand(1, 0);
        request = rig->peer->AnswerBlock(5 + 3, kCommandRequest, 2);
    });
    Click(Child(c, "??"));
    rig->Finish();
    QVERIFY(Contains(request, "C:\\??\r\n"));
    QVERIFY(HasOnlyPlaceholder(Child(c, "??")));
    QCOMPARE(Lines(), QStringList{"Listing C:\\?? failed (status 2)"});
    QVERIFY(prompter->shown.isEmpty());
}

void TerminalFileTreeTest::aListingCutShortSaysSo()
{
    UseScriptedPeer();
    rig->Script([&] { AnswerRequest(*rig->peer, 3, TextBytes("C:\r\n")); });
    Click(tree->rootItem);
    rig->Finish();
    QTreeWidgetItem* c = Child(tree->rootItem, "C:");
    Bytes listing;
    for (std::size_t i = 0; i < kMaxListedItems + 5; ++i) {
        const Bytes e = Entry("F" + std::to_string(i), "DAT", kEntryFile);
        listing.insert(listing.end(), e.begin(), e.end());
    }
    rig->Script([&] { AnswerRequest(*rig->peer, 2, listing); });
    Click(c);
    rig->Finish();
    QCOMPARE(static_cast<std::size_t>(c->childCount()), kMaxListedItems);
    QCOMPARE(Lines(), QStringList{"The list of C: shows its first 4096 items only, more exist "
                                  "on the terminal"});
}

void TerminalFileTreeTest::namesInTheTerminalsCodePageShowDecodedAndGoBackAsTheirBytes()
{
    UseScriptedPeer();
    rig->Script([&] { AnswerRequest(*rig->peer, 3, TextBytes("C:\r\n")); });
    Click(tree->rootItem);
    rig->Finish();
    QTreeWidgetItem* c = Child(tree->rootItem, "C:");
    // ZŁOTY.TXT and the folder ŻÓŁW in Windows-1250.
    Bytes listing = Entry("Z\xA3OTY", "TXT", kEntryFile, 5);
    const Bytes folder = Entry("\xAF\xD3\xA3W", "", kEntryFolder);
    listing.insert(listing.end(), folder.begin(), folder.end());
    rig->Script([&] { AnswerRequest(*rig->peer, 2, listing); });
    Click(c);
    rig->Finish();
    const QString zloty = QString::fromUtf8("Z\u0141OTY.TXT"),
                  turtle = QString::fromUtf8("\u017B\u00D3\u0141W");
    QCOMPARE(ChildTexts(c), (QStringList{zloty, turtle}));

    // Listing the folder asks for its bytes.
    Bytes request;
    rig->Script([&] { request = AnswerRequest(*rig->peer, 7, Entry("A", "TXT", kEntryFile)); });
    Click(Child(c, turtle));
    rig->Finish();
    QVERIFY(Contains(request, "C:\\\xAF\xD3\xA3W\r\n"));
    QCOMPARE(ChildTexts(Child(c, turtle)), QStringList{"A.TXT"});

    // Properties find the file by its bytes and show its name decoded.
    PropertiesWatcher watcher;
    rig->Script([&] { request = AnswerRequest(*rig->peer, 2, listing); });
    RightClick(Child(c, zloty));
    frame->action(Command::Property)->trigger();
    rig->Finish();
    WaitForRequest();
    QCOMPARE(watcher.seen.size(), 1);
    QCOMPARE(watcher.seen[0].name, zloty);
    QVERIFY(prompter->shown.isEmpty());

    // Delete sends the bytes; the line shows the name.
    rig->Script([&] { request = AnswerRequest(*rig->peer, 12, Bytes{0}); });
    RightClick(Child(c, zloty));
    frame->action(Command::Delete)->trigger();
    rig->Finish();
    QVERIFY(Contains(request, "C:\\Z\xA3OTY.TXT\r\n"));
    QCOMPARE(Lines().first(), "Delete file--C:\\" + zloty + " succeed!!");
    QVERIFY(!Child(c, zloty));

    // Another 8-bit code page named in the settings.
    ProgramSettings().setValue(kCodePageKey, "ISO-8859-1");
    rig->Script([&] { AnswerRequest(*rig->peer, 2, listing); });
    Click(c);
    rig->Finish();
    ProgramSettings().remove(kCodePageKey);
    QVERIFY(Child(c, QString::fromUtf8("Z\u00A3OTY.TXT")));
}

void TerminalFileTreeTest::formatWithAnUnexpectedAnswerLogsOnlyTheFailLine()
{
    UseScriptedPeer();
    rig->Script([&] { AnswerRequest(*rig->peer, 3, TextBytes("C:\r\n")); });
    Click(tree->rootItem);
    rig->Finish();
    QTreeWidgetItem* c = Child(tree->rootItem, "C:");
    RightClick(c);
    rig->Script([&] { AnswerRequest(*rig->peer, 2, Bytes{7}); });
    frame->action(Command::Format)->trigger();
    rig->Finish();
    QCOMPARE(prompter->shown.size(), 1); // the question only
    QCOMPARE(Lines(), QStringList{"Format Disk C: fail."});
    QVERIFY(HasOnlyPlaceholder(c));
}

void TerminalFileTreeTest::whileAJobRunsTheFrameCommandsLeaveTheLinkAlone()
{
    // The link serves one operation at a time: Format, Property and Delete
    // reached through the frame while a job runs must not send anything.
    TestDir::WriteFile(HostPath("C/DATA/KEEP.TXT"), "keep");
    QTreeWidgetItem* c = Open({"C:"});
    RightClick(c);
    tree->jobRunning = 1;
    frame->action(Command::Format)->trigger();
    QCOMPARE(prompter->shown, QStringList{MessageText(MessageId::AnotherJob)});
    QCOMPARE(Lines(), QStringList{"Format Disk C: fail."});
    tree->ShowTerminalProperties();
    QCOMPARE(prompter->shown.size(), 2);
    QCOMPARE(prompter->shown[1], MessageText(MessageId::AnotherJob));
    QCOMPARE(tree->DeleteItemFile("C:\\DATA\\KEEP.TXT"), LinkStatus::Busy);
    tree->jobRunning = 0;
    QVERIFY(std::filesystem::exists(HostPath("C/DATA/KEEP.TXT")));
}

void TerminalFileTreeTest::connectionWindowHoldsTheTreeAndTheProgress()
{
    frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame));
    AcceptConnectDialog();
    frame->OnFileNew();
    QCOMPARE(frame->ConnectionWindows().size(), 1);
    CChildFrame* child = frame->ConnectionWindows().first();
    CTerminalView* view = child->view();
    CTerminalFileTree& connectionTree = view->Tree();
    QCOMPARE(connectionTree.geometry(), view->rect());
    child->resize(child->size() + QSize(60, 40));
    QTRY_COMPARE(connectionTree.geometry(), view->rect());

    QCOMPARE(connectionTree.rootItem->text(0), "Terminal");
    QVERIFY(HasOnlyPlaceholder(connectionTree.rootItem));
    ProgressDialog* progress = view->progressDialog();
    QVERIFY(progress);
    QVERIFY(!progress->isVisible());
    QCOMPARE(child->document()->link->progress.load(), &progress->progress());

    // The frame's commands reach the connection's tree.
    tree = &connectionTree;
    Click(connectionTree.rootItem);
    QCOMPARE(ChildTexts(connectionTree.rootItem), (QStringList{"C:", "D:"}));
    PropertiesWatcher watcher;
    RightClick(Child(connectionTree.rootItem, "D:"));
    Property();
    QCOMPARE(watcher.seen.size(), 1);
    QCOMPARE(watcher.seen[0].name, "D:");

    // Closing the window closes a dialog its view shows, and the link, which
    // outlives the view on the reaper, no longer reports to the view's progress.
    ClosingDialog command;
    view->openDialog = &command;
    CKVVidiRidovedDoc* doc = child->document();
    TransferProgress* reported = &progress->progress();
    QObject::connect(doc, &CKVVidiRidovedDoc::Closing,
                     [&reported, doc] { reported = doc->link->progress.load(); });
    child->close();
    QCOMPARE(reported, nullptr);
    QTRY_COMPARE(frame->ConnectionWindows().size(), 0);
    QTRY_COMPARE(command.closes, 1);
    QTRY_VERIFY(app->reaper().Idle());
}

KV_GUI_TEST_MAIN(TerminalFileTreeTest)
#include "terminal_file_tree_test.moc"
