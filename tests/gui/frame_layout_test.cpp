// What a desktop user expects of the main window: its size, place and panes as
// they were left, connection windows wholly inside the window area, and the
// usual keys on the commands.
#include "connection/program_settings.h"
#include "tests/gui/gui_test_support.h"

#include "connection/connect_setup_dialog.h"
#include "gui/message_window.h"
#include "pc/pc_file_tree.h"
#include "shell/frame_layout.h"
#include "shell/kv_vidi_ridoved_app.h"
#include "shell/main_frame.h"
#include "terminal/terminal_view.h"

#include <QComboBox>
#include <QDockWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

namespace {

QString Text(const std::filesystem::path& p)
{
    return QString::fromStdString(p.string());
}

} // namespace

class FrameLayoutTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void fitInsideMovesThenShrinks_data();
    void fitInsideMovesThenShrinks();
    void sizePlaceAndPanesAreKeptBetweenRuns();
    void newConnectionWindowsLieInsideTheArea();
    void keysCopyAndListAgain();

private:
    CMainFrame& OpenFrame();

    std::unique_ptr<TestDir> dir;
    std::unique_ptr<RecordingPrompter> prompter;
    std::unique_ptr<CKVVidiRidovedApp> app;
    CMainFrame* frame = nullptr;
};

void FrameLayoutTest::init()
{
    dir = std::make_unique<TestDir>();
    prompter = std::make_unique<RecordingPrompter>();
    app = std::make_unique<CKVVidiRidovedApp>();
    app->convertIniPath = dir->path / "Convert.ini";
}

void FrameLayoutTest::cleanup()
{
    app.reset();
    prompter.reset();
    ProgramSettings().clear();
    dir.reset();
}

CMainFrame& FrameLayoutTest::OpenFrame()
{
    frame = &app->CreateMainFrame();
    frame->show();
    [&] { QVERIFY(QTest::qWaitForWindowExposed(frame)); }();
    return *frame;
}

void FrameLayoutTest::fitInsideMovesThenShrinks_data()
{
    QTest::addColumn<QRect>("window");
    QTest::addColumn<QRect>("fitted");
    const QRect area(0, 0, 500, 300);
    QTest::newRow("inside stays") << QRect(10, 20, 100, 50) << QRect(10, 20, 100, 50);
    QTest::newRow("past the right and bottom")
        << QRect(450, 280, 100, 50) << QRect(400, 250, 100, 50);
    QTest::newRow("before the left and top") << QRect(-30, -5, 100, 50) << QRect(0, 0, 100, 50);
    QTest::newRow("larger than the area") << QRect(40, 40, 800, 400) << area;
    QTest::newRow("exactly the area") << area << area;
}

void FrameLayoutTest::fitInsideMovesThenShrinks()
{
    QFETCH(QRect, window);
    QFETCH(QRect, fitted);
    QCOMPARE(FitInside(window, QRect(0, 0, 500, 300)), fitted);
}

void FrameLayoutTest::sizePlaceAndPanesAreKeptBetweenRuns()
{
    OpenFrame();
    frame->resize(620, 430);
    frame->OnPcWindow();
    QVERIFY(frame->pcWindow()->isHidden());
    const QSize size = frame->size();
    frame->close();
    app = std::make_unique<CKVVidiRidovedApp>();
    app->convertIniPath = dir->path / "Convert.ini";

    OpenFrame();
    QCOMPARE(frame->size(), size);
    QVERIFY(frame->pcWindow()->isHidden());
    QVERIFY(!frame->messageWindow()->isHidden());
    // The toggle knows the restored state: one press shows the pane again.
    QCOMPARE(frame->pcWindowVisible, 0);
    frame->OnPcWindow();
    QVERIFY(!frame->pcWindow()->isHidden());
}

void FrameLayoutTest::newConnectionWindowsLieInsideTheArea()
{
    // Three simulated terminals, SIM1 to SIM3.
    ProgramSettings().setValue("Ports/Simulated", 3);
    app = std::make_unique<CKVVidiRidovedApp>();
    app->convertIniPath = dir->path / "Convert.ini";
    OpenFrame();
    // A viewport smaller than a new connection window.
    frame->resize(560, 420);
    QTRY_VERIFY(frame->mdiArea()->viewport()->width() < 420);
    for (int i = 0; i < 3; ++i) {
        AcceptConnectDialog(i);
        frame->OnFileNew();
    }
    const QList<QMdiSubWindow*> windows = frame->mdiArea()->subWindowList();
    QCOMPARE(windows.size(), 3);
    const QRect area = frame->mdiArea()->viewport()->rect();
    for (QMdiSubWindow* w : windows)
        QVERIFY2(area.contains(w->geometry()), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                              .arg(w->x())
                                                              .arg(w->y())
                                                              .arg(w->width())
                                                              .arg(w->height())));
    frame->CloseAllConnections();
}

void FrameLayoutTest::keysCopyAndListAgain()
{
    OpenFrame();
    TestDir::WriteFile(dir->path / "ITEM.TXT", "x");
    CPCFileTree* pc = frame->pcTree();
    QTreeWidgetItem* top =
        pc->InsertItem(pc->rootItem, Text(dir->path), FileTreeImage::ImageFixedDisk);
    pc->ListFolder(Text(dir->path), top);
    top->setExpanded(true);
    QCOMPARE(top->childCount(), 1);
    QTreeWidgetItem* file = top->child(0);
    QTest::mouseClick(pc->viewport(), Qt::RightButton, {}, pc->visualItemRect(file).center());
    frame->contextMenu()->hide();
    pc->setFocus();

    QTest::keyClick(pc, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(frame->commands.clipboardTree, pc);
    QCOMPARE(pc->copyMode, 1);
    QCOMPARE(pc->markedItems, QList<QTreeWidgetItem*>{file});
    QTest::keyClick(pc, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(pc->copyMode, 0);
    // The menus keep their texts; the keys show beside them.
    QCOMPARE(frame->action(Command::Copy)->text(), QStringLiteral("Copy"));
    QCOMPARE(frame->action(Command::Copy)->shortcut(), QKeySequence(QKeySequence::Copy));

    // F5 lists the folder of the current file again, from the disk.
    TestDir::WriteFile(dir->path / "NEW.TXT", "y");
    pc->setCurrentItem(file);
    QTest::keyClick(pc, Qt::Key_F5);
    QStringList names;
    for (int i = 0; i < top->childCount(); ++i)
        names << top->child(i)->text(0);
    names.sort();
    QCOMPARE(names, (QStringList{"ITEM.TXT", "NEW.TXT"}));
    QVERIFY(top->isExpanded());
}

KV_GUI_TEST_MAIN(FrameLayoutTest)
#include "frame_layout_test.moc"
