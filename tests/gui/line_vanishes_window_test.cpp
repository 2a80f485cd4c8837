// A connection window whose serial line vanishes mid-transfer: the real serial
// back-end against kvsim on a pseudo-terminal, kvsim ended while a dragged file
// moves (as when a USB adapter is pulled). The job ends with a message and a
// failure line, the terminal keeps no partial file, the window stays usable and
// closes, and a new connection on a fresh terminal works.
#include "connection/connect_setup_dialog.h"
#include "connection/connection_reaper.h"
#include "gui/message_window.h"
#include "gui_test_support.h"
#include "link/serial/serial_transport.h"
#include "pc/pc_file_tree.h"
#include "pc/progress_dialog.h"
#include "shell/kv_vidi_ridoved_app.h"
#include "shell/main_frame.h"
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
    const QRect r = tree->PressRect(item);
    return QPoint(std::min(r.right(), tree->viewport()->width()) - 4, r.center().y());
}

void Click(CFileTreeCtrl* tree, QTreeWidgetItem* item)
{
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, TextPoint(tree, item));
    QVERIFY(RequestDone(tree));
}

void Drag(CFileTreeCtrl* source, QTreeWidgetItem* from, CFileTreeCtrl* target, QTreeWidgetItem* to)
{
    QWidget* vp = source->viewport();
    const QPoint start = TextPoint(source, from);
    const QPoint end = vp->mapFromGlobal(target->viewport()->mapToGlobal(TextPoint(target, to)));
    SendMouse(vp, QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    SendMouse(vp, QEvent::MouseMove, end, Qt::NoButton, Qt::LeftButton);
    SendMouse(vp, QEvent::MouseButtonRelease, end, Qt::LeftButton, Qt::NoButton);
}

} // namespace

class LineVanishesWindowTest : public QObject {
    Q_OBJECT

private slots:
    void aDownloadWhoseLineVanishesEndsAndTheWindowStaysUsable();

private:
    void StartTerminal();
    std::string tty() const { return (*dir / "tty").string(); }

    std::unique_ptr<TestDir> dir;
    std::unique_ptr<BackgroundProgram> kvsim;
};

void LineVanishesWindowTest::StartTerminal()
{
    // Slow enough that the line goes well before the file is through.
    kvsim = std::make_unique<BackgroundProgram>(
        KVSIM_PATH,
        std::vector<std::string>{"--root", (*dir / "terminal").string(), "--pty", tty(),
                                 "--line-rate", "38400"},
        std::map<std::string, std::string>{}, *dir / "kvsim.err");
    QVERIFY(WaitForPath(tty(), std::chrono::seconds(10)));
}

void LineVanishesWindowTest::aDownloadWhoseLineVanishesEndsAndTheWindowStaysUsable()
{
    dir = std::make_unique<TestDir>();
    std::filesystem::create_directory(*dir / "pc");
    TestDir::WriteFile(*dir / "pc/BIG.TXT", std::string(48 * 1024, 'x'));
    TestDir::WriteFile(*dir / "pc/NEXT.TXT", "n\r\n");
    RecordingPrompter prompter;
    QSettings settings(Text(*dir / "ports.ini"), QSettings::IniFormat);
    SerialOptions options;
    const std::string device = tty();
    options.listDevices = [device] { return std::vector<std::string>{device}; };
    SerialTransport serial(&settings, options);
    StartTerminal();

    auto app = std::make_unique<CKVVidiRidovedApp>();
    app->convertIniPath = *dir / "Convert.ini";
    app->instanceServerName = Text(*dir / "VidiRidovedClass");
    app->SetTransport(&serial);
    CMainFrame* frame = &app->CreateMainFrame();
    frame->resize(1000, 700);
    frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame));
    CPCFileTree* pc = frame->pcTree();
    QTreeWidgetItem* pcFolder =
        pc->InsertItem(pc->rootItem, Text(*dir / "pc"), FileTreeImage::ImageFixedDisk);
    Click(pc, pcFolder);

    AcceptConnectDialog();
    frame->OnFileNew();
    QCOMPARE(frame->ConnectionWindows().size(), 1);
    CChildFrame* child = frame->ConnectionWindows().last();
    child->resize(420, 420);
    CTerminalFileTree& tree = child->view()->Tree();
    Click(&tree, tree.rootItem);
    Click(&tree, Child(tree.rootItem, "C:"));
    QTreeWidgetItem* data = Child(Child(tree.rootItem, "C:"), "DATA");
    QVERIFY(data);
    Click(&tree, data);

    // Both files go; the line vanishes during the first.
    QTest::mouseClick(pc->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      TextPoint(pc, Child(pcFolder, "BIG.TXT")));
    QTest::mouseClick(pc->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      TextPoint(pc, Child(pcFolder, "NEXT.TXT")));
    Drag(pc, Child(pcFolder, "BIG.TXT"), &tree, data);
    TransferProgress& progress = child->view()->progressDialog()->progress();
    QTRY_VERIFY_WITH_TIMEOUT(progress.bytesDone.load() > 2048, 10000);
    kvsim->Stop();
    QTRY_COMPARE_WITH_TIMEOUT(tree.jobRunning.load(), 0, 10000);

    const QStringList lines = frame->messageWindow()->Lines();
    const QString p = Text(*dir / "pc");
    // The folder listed again after the job finds the line gone too.
    QCOMPARE(lines, (QStringList{"Listing C:\\DATA failed: the line to the terminal is gone",
                                 "Copy " + p + "/NEXT.TXT to C:\\DATA\\NEXT.TXT fail",
                                 "Copy " + p + "/BIG.TXT to C:\\DATA\\BIG.TXT fail"}));
    QVERIFY(!std::filesystem::exists(*dir / "terminal/C/DATA/BIG.TXT"));
    QVERIFY(!std::filesystem::exists(*dir / "terminal/C/DATA/NEXT.TXT"));

    // The window still answers: the PC tree lists, the connection closes.
    std::filesystem::create_directory(*dir / "pc/LATER");
    Click(pc, pcFolder);
    QVERIFY(Child(pcFolder, "LATER"));
    child->close();
    QTRY_COMPARE(frame->ConnectionWindows().size(), 0);
    QTRY_VERIFY(app->reaper().Idle());

    // A fresh terminal on the same device path: a new connection works.
    std::filesystem::remove(tty());
    StartTerminal();
    AcceptConnectDialog();
    frame->OnFileNew();
    QCOMPARE(frame->ConnectionWindows().size(), 1);
    CTerminalFileTree& again = frame->ConnectionWindows().last()->view()->Tree();
    Click(&again, again.rootItem);
    QVERIFY(Child(again.rootItem, "C:"));
    app.reset();
    kvsim.reset();
}

KV_GUI_TEST_MAIN(LineVanishesWindowTest)
#include "line_vanishes_window_test.moc"
