// The shared tree control driven with the mouse: marks, the press rectangle,
// drags and their cursors, right-click enabling, keys. A terminal-like tree (the
// base control, which counts as a terminal tree) sits beside the PC tree.
#include "gui_test_support.h"
#include "pc/pc_file_tree.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QSignalSpy>

namespace {

// Records the drops the release handlers deliver.
class RecordingPcTree : public CPCFileTree {
public:
    void AcceptDrop(QTreeWidgetItem* target, CFileTreeCtrl* source) override
    {
        drops << qMakePair(target, source);
    }
    QList<QPair<QTreeWidgetItem*, CFileTreeCtrl*>> drops;
};

class RecordingTerminalTree : public CFileTreeCtrl {
public:
    RecordingTerminalTree() { isTerminalTree = 1; }
    void StartDrop(QTreeWidgetItem* target, CFileTreeCtrl* source) override
    {
        drops << qMakePair(target, source);
    }
    QList<QPair<QTreeWidgetItem*, CFileTreeCtrl*>> drops;
};

QPoint TextPoint(CFileTreeCtrl* tree, QTreeWidgetItem* item)
{
    const QRect r = tree->PressRect(item);
    return QPoint(r.right() - 4, r.center().y());
}

Qt::CursorShape OverrideShape()
{
    const QCursor* c = QApplication::overrideCursor();
    return c ? c->shape() : Qt::ArrowCursor;
}

} // namespace

class FileTreeCtrlTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void ctrlAddsMarksAndPlainClickStartsANewSet();
    void pressOutsideTheWidenedTextRectangleDoesNothing();
    void programFolderFilesCannotBeMarkedInATerminalTree();
    void dragFromPcTreeHighlightsTargetsAndSetsCursors();
    void dragWithNothingMarkedDoesNotStart();
    void terminalTreeDragsOnlyToThePcTree();
    void rightClickEnablesByItemKind();
    void rightClickOnUnmarkedFileMarksOnlyIt();
    void doubleClickDoesNotExpand();
    void runningJobIgnoresClicks();
    void deleteKeyRunsDeleteAndClearsHighlight();

private:
    QWidget* host = nullptr;
    RecordingPcTree* pc = nullptr;
    RecordingTerminalTree* terminal = nullptr;
    QListWidget* other = nullptr;
    EditCommandState state;
    std::unique_ptr<TestDir> dir;
    QTreeWidgetItem* pcFolder = nullptr; // the test folder, listed
    QTreeWidgetItem *disk = nullptr, *data = nullptr, *program = nullptr;
    QList<QTreeWidgetItem*> files; // A.TXT, B.TXT, C.TXT in DATA
    QTreeWidgetItem* programFile = nullptr;
};

void FileTreeCtrlTest::init()
{
    state = {};
    dir = std::make_unique<TestDir>();
    for (const char* name : {"ONE.TXT", "TWO.TXT"})
        TestDir::WriteFile(*dir / name, "x");
    std::filesystem::create_directory(*dir / "SUB");

    host = new QWidget;
    auto* layout = new QHBoxLayout(host);
    pc = new RecordingPcTree;
    terminal = new RecordingTerminalTree;
    other = new QListWidget;
    layout->addWidget(pc);
    layout->addWidget(terminal);
    layout->addWidget(other);
    pc->SetCommandState(&state);
    terminal->SetCommandState(&state);
    host->resize(900, 400);
    host->show();
    QVERIFY(QTest::qWaitForWindowExposed(host));

    pcFolder = pc->InsertItem(pc->rootItem, QString::fromStdString(dir->path.string()),
                              FileTreeImage::ImageFixedDisk);
    pc->ListFolder(QString::fromStdString(dir->path.string()), pcFolder);
    pcFolder->setExpanded(true);

    terminal->rootItem = terminal->InsertItem(nullptr, "Terminal", FileTreeImage::ImageTerminal);
    disk = terminal->InsertItem(terminal->rootItem, "C:", FileTreeImage::ImageFixedDisk);
    data = terminal->InsertItem(disk, "DATA", FileTreeImage::ImageFolder);
    program = terminal->InsertItem(disk, "Program", FileTreeImage::ImageFolder);
    files.clear();
    for (const char* name : {"A.TXT", "B.TXT", "C.TXT"})
        files << terminal->InsertItem(data, name, FileTreeImage::ImageFile);
    programFile = terminal->InsertItem(program, "APP.BIN", FileTreeImage::ImageFile);
    terminal->expandAll();
}

void FileTreeCtrlTest::cleanup()
{
    delete host;
    host = nullptr;
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void FileTreeCtrlTest::ctrlAddsMarksAndPlainClickStartsANewSet()
{
    QWidget* vp = terminal->viewport();
    QTest::mouseClick(vp, Qt::LeftButton, {}, TextPoint(terminal, files[0]));
    QCOMPARE(terminal->markedItems, QList<QTreeWidgetItem*>{files[0]});
    QCOMPARE(state.contextTree, terminal);
    QCOMPARE(state.copyEnabled + state.cutEnabled + state.deleteEnabled, 3);

    QTest::mouseClick(vp, Qt::LeftButton, Qt::ControlModifier, TextPoint(terminal, files[2]));
    QCOMPARE(terminal->markedItems, (QList<QTreeWidgetItem*>{files[0], files[2]}));

    // A plain press on a marked file keeps the set, so it can be dragged.
    QTest::mousePress(vp, Qt::LeftButton, {}, TextPoint(terminal, files[2]));
    QTest::mouseRelease(vp, Qt::LeftButton, {}, TextPoint(terminal, files[2]));
    QCOMPARE(terminal->markedItems.size(), 2);

    // Ctrl on a folder keeps the marks and clears the drop highlight.
    QTest::mouseClick(vp, Qt::LeftButton, Qt::ControlModifier, TextPoint(terminal, data));
    QCOMPARE(terminal->markedItems.size(), 2);
    QCOMPARE(terminal->dropHighlightItem(), nullptr);
    QCOMPARE(state.copyEnabled + state.cutEnabled + state.deleteEnabled, 0);

    // A plain click elsewhere starts a new set.
    QTest::mouseClick(vp, Qt::LeftButton, {}, TextPoint(terminal, files[1]));
    QCOMPARE(terminal->markedItems, QList<QTreeWidgetItem*>{files[1]});
    QVERIFY(!terminal->IsMarked(files[0]));
    QVERIFY(!terminal->IsMarked(files[2]));
    QTest::mouseClick(vp, Qt::LeftButton, {}, TextPoint(terminal, data));
    QVERIFY(terminal->markedItems.isEmpty());
    QCOMPARE(terminal->dropHighlightItem(), data);
}

void FileTreeCtrlTest::pressOutsideTheWidenedTextRectangleDoesNothing()
{
    QWidget* vp = terminal->viewport();
    const QRect r = terminal->PressRect(files[0]);
    QVERIFY(r.left() > 4); // a file four levels down lies far enough right
    QTest::mouseClick(vp, Qt::LeftButton, {}, QPoint(r.left() - 3, r.center().y()));
    QTest::mouseClick(vp, Qt::LeftButton, {}, QPoint(r.right() + 12, r.center().y()));
    QVERIFY(terminal->markedItems.isEmpty());
    QCOMPARE(state.contextTree, nullptr);
    // 54 pixels left of the text still counts: the image and the room before it.
    QTest::mouseClick(vp, Qt::LeftButton, {}, QPoint(r.left() + 2, r.center().y()));
    QCOMPARE(terminal->markedItems, QList<QTreeWidgetItem*>{files[0]});
}

void FileTreeCtrlTest::programFolderFilesCannotBeMarkedInATerminalTree()
{
    QWidget* vp = terminal->viewport();
    QTest::mouseClick(vp, Qt::LeftButton, {}, TextPoint(terminal, files[0]));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::ControlModifier, TextPoint(terminal, programFile));
    QVERIFY(terminal->markedItems.isEmpty());
    QVERIFY(!terminal->IsMarked(programFile));
    QCOMPARE(terminal->dropHighlightItem(), nullptr);
}

void FileTreeCtrlTest::dragFromPcTreeHighlightsTargetsAndSetsCursors()
{
    QTreeWidgetItem* one = pcFolder->child(0);
    QTreeWidgetItem* sub = pcFolder->child(1);
    QCOMPARE(one->text(0), "ONE.TXT");
    QCOMPARE(sub->text(0), "SUB");
    QWidget* vp = pc->viewport();
    QTest::mouseClick(vp, Qt::LeftButton, {}, TextPoint(pc, one));
    SendMouse(vp, QEvent::MouseButtonPress, TextPoint(pc, one), Qt::LeftButton, Qt::LeftButton);

    auto moveTo = [&](QWidget* w, const QPoint& p) {
        SendMouse(vp, QEvent::MouseMove, vp->mapFromGlobal(w->mapToGlobal(p)), Qt::NoButton,
                  Qt::LeftButton);
    };
    moveTo(terminal->viewport(), TextPoint(terminal, data));
    QVERIFY(pc->dragging);
    QCOMPARE(terminal->dropHighlightItem(), data);
    QCOMPARE(OverrideShape(), Qt::DragCopyCursor);

    moveTo(terminal->viewport(), TextPoint(terminal, files[1]));
    QCOMPARE(terminal->dropHighlightItem(), files[1]);
    QCOMPARE(OverrideShape(), Qt::ForbiddenCursor);

    moveTo(vp, TextPoint(pc, sub));
    QCOMPARE(pc->dropHighlightItem(), sub);
    QCOMPARE(OverrideShape(), Qt::DragCopyCursor);

    // Over one of its own marked files: no highlight, no drop.
    moveTo(vp, TextPoint(pc, one));
    QCOMPARE(pc->dropHighlightItem(), nullptr);
    QCOMPARE(OverrideShape(), Qt::ForbiddenCursor);

    // Another window: the cursor stays as it was.
    moveTo(other->viewport(), QPoint(20, 20));
    QCOMPARE(OverrideShape(), Qt::ForbiddenCursor);

    moveTo(terminal->viewport(), TextPoint(terminal, data));
    const QPoint drop =
        vp->mapFromGlobal(terminal->viewport()->mapToGlobal(TextPoint(terminal, data)));
    SendMouse(vp, QEvent::MouseButtonRelease, drop, Qt::LeftButton, Qt::NoButton);
    QVERIFY(!pc->dragging);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QCOMPARE(terminal->drops.size(), 1);
    QCOMPARE(terminal->drops[0].first, data);
    QCOMPARE(terminal->drops[0].second, pc);

    // A drop on a PC folder goes to the PC tree's own AcceptDrop.
    SendMouse(vp, QEvent::MouseButtonPress, TextPoint(pc, one), Qt::LeftButton, Qt::LeftButton);
    moveTo(vp, TextPoint(pc, sub));
    SendMouse(vp, QEvent::MouseButtonRelease, TextPoint(pc, sub), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(pc->drops.size(), 1);
    QCOMPARE(pc->drops[0].first, sub);
    QCOMPARE(pc->drops[0].second, pc);
}

void FileTreeCtrlTest::dragWithNothingMarkedDoesNotStart()
{
    QWidget* vp = terminal->viewport();
    SendMouse(vp, QEvent::MouseButtonPress, TextPoint(terminal, data), Qt::LeftButton,
              Qt::LeftButton);
    SendMouse(vp, QEvent::MouseMove, TextPoint(terminal, files[0]), Qt::NoButton, Qt::LeftButton);
    QVERIFY(!terminal->dragging);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    SendMouse(vp, QEvent::MouseButtonRelease, TextPoint(terminal, files[0]), Qt::LeftButton,
              Qt::NoButton);
}

void FileTreeCtrlTest::terminalTreeDragsOnlyToThePcTree()
{
    QWidget* vp = terminal->viewport();
    QTest::mouseClick(vp, Qt::LeftButton, {}, TextPoint(terminal, files[0]));
    SendMouse(vp, QEvent::MouseButtonPress, TextPoint(terminal, files[0]), Qt::LeftButton,
              Qt::LeftButton);
    SendMouse(vp, QEvent::MouseMove, TextPoint(terminal, data), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(OverrideShape(), Qt::ForbiddenCursor);
    const QPoint overOther = vp->mapFromGlobal(other->viewport()->mapToGlobal(QPoint(10, 10)));
    SendMouse(vp, QEvent::MouseMove, overOther, Qt::NoButton, Qt::LeftButton);
    QCOMPARE(OverrideShape(), Qt::ForbiddenCursor);
    SendMouse(vp, QEvent::MouseButtonRelease, overOther, Qt::LeftButton, Qt::NoButton);
    QVERIFY(terminal->drops.isEmpty());
    QVERIFY(pc->drops.isEmpty());

    // Onto a PC folder: the PC tree accepts it with the terminal as source.
    QTreeWidgetItem* sub = pcFolder->child(1);
    const QPoint overSub = vp->mapFromGlobal(pc->viewport()->mapToGlobal(TextPoint(pc, sub)));
    SendMouse(vp, QEvent::MouseButtonPress, TextPoint(terminal, files[0]), Qt::LeftButton,
              Qt::LeftButton);
    SendMouse(vp, QEvent::MouseMove, overSub, Qt::NoButton, Qt::LeftButton);
    QCOMPARE(pc->dropHighlightItem(), sub);
    QCOMPARE(OverrideShape(), Qt::DragCopyCursor);
    SendMouse(vp, QEvent::MouseButtonRelease, overSub, Qt::LeftButton, Qt::NoButton);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void FileTreeCtrlTest::rightClickEnablesByItemKind()
{
    QSignalSpy menus(terminal, &CFileTreeCtrl::ContextMenuRequested);
    struct Row {
        CFileTreeCtrl* tree;
        QTreeWidgetItem* item;
        EditEnables expected; // copy, cut, delete, format, property
    };
    const Row rows[] = {
        {terminal, terminal->rootItem, {}},
        {terminal, disk, {false, false, false, true, true}},
        {terminal, data, {false, false, false, false, true}},
        {terminal, files[0], {true, true, true, false, true}},
        {terminal, programFile, {false, false, true, false, true}},
        {pc, pc->rootItem, {}},
        {pc, pcFolder, {}},
        {pc, pcFolder->child(1), {}},
        {pc, pcFolder->child(0), {true, true, true, false, false}},
    };
    for (const Row& r : rows) {
        QTest::mouseClick(r.tree->viewport(), Qt::RightButton, {}, TextPoint(r.tree, r.item));
        const EditEnables got{state.copyEnabled != 0, state.cutEnabled != 0,
                              state.deleteEnabled != 0, state.formatEnabled != 0,
                              state.propertyEnabled != 0};
        QVERIFY2(got == r.expected, qPrintable(r.item->text(0)));
        QCOMPARE(state.contextTree, r.tree);
        QCOMPARE(r.tree->contextItem, r.item);
        QCOMPARE(r.tree->dropHighlightItem(), r.item);
    }
    QCOMPARE(menus.size(), 5);

    // Empty space: the menu still opens, with nothing under it.
    QTest::mouseClick(terminal->viewport(), Qt::RightButton, {}, QPoint(5, 380));
    QCOMPARE(terminal->contextItem, nullptr);
    QCOMPARE(terminal->dropHighlightItem(), nullptr);
    QCOMPARE(state.formatEnabled + state.propertyEnabled, 0);
    QCOMPARE(menus.size(), 6);
}

void FileTreeCtrlTest::rightClickOnUnmarkedFileMarksOnlyIt()
{
    QWidget* vp = terminal->viewport();
    QTest::mouseClick(vp, Qt::LeftButton, {}, TextPoint(terminal, files[0]));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::ControlModifier, TextPoint(terminal, files[1]));
    QTest::mouseClick(vp, Qt::RightButton, {}, TextPoint(terminal, files[1]));
    QCOMPARE(terminal->markedItems.size(), 2); // a marked file keeps the set
    QTest::mouseClick(vp, Qt::RightButton, {}, TextPoint(terminal, files[2]));
    QVERIFY(terminal->markedItems.isEmpty()); // Cut and Copy append it
    QVERIFY(terminal->IsMarked(files[2]));
    QVERIFY(!terminal->IsMarked(files[0]));
}

void FileTreeCtrlTest::doubleClickDoesNotExpand()
{
    data->setExpanded(false);
    QTest::mouseDClick(terminal->viewport(), Qt::LeftButton, {}, TextPoint(terminal, data));
    QVERIFY(!data->isExpanded());
    // The PC tree expands on a click release, never on a double click's second press.
    QTreeWidgetItem* sub = pcFolder->child(1);
    QTest::mouseDClick(pc->viewport(), Qt::LeftButton, {}, TextPoint(pc, sub));
    QVERIFY(!sub->isExpanded());
}

void FileTreeCtrlTest::runningJobIgnoresClicks()
{
    QSignalSpy menus(terminal, &CFileTreeCtrl::ContextMenuRequested);
    terminal->jobRunning = 1;
    QTest::mouseClick(terminal->viewport(), Qt::RightButton, {}, TextPoint(terminal, files[0]));
    QTest::mouseClick(terminal->viewport(), Qt::LeftButton, {}, TextPoint(terminal, files[0]));
    QCOMPARE(menus.size(), 0);
    QVERIFY(terminal->markedItems.isEmpty());
    QCOMPARE(state.contextTree, nullptr);
    terminal->jobRunning = 0;
}

void FileTreeCtrlTest::deleteKeyRunsDeleteAndClearsHighlight()
{
    QSignalSpy deletes(terminal, &CFileTreeCtrl::DeleteKeyPressed);
    QTest::mouseClick(terminal->viewport(), Qt::RightButton, {}, TextPoint(terminal, data));
    QCOMPARE(terminal->currentItem(), data);
    QTest::keyClick(terminal, Qt::Key_Delete);
    QCOMPARE(deletes.size(), 1);
    QCOMPARE(terminal->dropHighlightItem(), nullptr);
    QVERIFY(terminal->selectedItems().isEmpty());
}

KV_GUI_TEST_MAIN(FileTreeCtrlTest)
#include "file_tree_ctrl_test.moc"
