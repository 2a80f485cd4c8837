// Eight connection windows on the simulated terminals transferring at once: each
// pastes its own PC files onto its terminal's C:\DATA, then every window fetches
// them back into a PC folder of its own while the others still run. Every job
// ends, every file arrives whole, each window logs its own lines.
#include "connection/connect_setup_dialog.h"
#include "gui_test_support.h"
#include "pc/pc_file_tree.h"
#include "shell/kv_vidi_ridoved_app.h"
#include "shell/main_frame.h"
#include "shell/message_window.h"
#include "sim/sim_ports.h"
#include "sim/sim_terminal.h"
#include "terminal/terminal_view.h"

#include <QComboBox>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

namespace {

constexpr int kConnections = 8;
constexpr int kFilesEach = 2;

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

void Click(CFileTreeCtrl* tree, QTreeWidgetItem* item,
           Qt::KeyboardModifiers modifiers = Qt::NoModifier,
           Qt::MouseButton button = Qt::LeftButton)
{
    tree->scrollToItem(item);
    const QRect r = tree->PressRect(item);
    const QPoint at(std::min(r.right(), tree->viewport()->width()) - 4, r.center().y());
    QTest::mouseClick(tree->viewport(), button, modifiers, at);
}

// Different bytes for every connection and file, not a whole number of blocks.
std::string Content(int connection, int file)
{
    std::string s(30000 + 1000 * file + connection, '\0');
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<char>(i * 13 + connection * 7 + file + (i >> 9));
    return s;
}

QString Name(int connection, int file)
{
    return QString("C%1F%2.BIN").arg(connection).arg(file);
}

} // namespace

class ManyConnectionsTest : public QObject {
    Q_OBJECT

private slots:
    void eightWindowsSendAndFetchAtOnce();
};

void ManyConnectionsTest::eightWindowsSendAndFetchAtOnce()
{
    TestDir dir;
    RecordingPrompter prompter;
    // A paced line (46 KB/s): a job lasts long enough for the next ones to start
    // while it runs.
    SimTerminalConfig paced;
    paced.lineRate = 460800;
    SimPortsTransport sims(dir.path / "terminals", kConnections, paced);
    auto app = std::make_unique<CKVVidiRidovedApp>();
    app->convertIniPath = dir.path / "Convert.ini";
    app->instanceServerName = Text(dir.path / "VidiRidovedClass");
    app->SetTransport(&sims);
    CMainFrame* frame = &app->CreateMainFrame();
    frame->resize(1200, 800);
    frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame));
    CPCFileTree* pc = frame->pcTree();

    std::vector<CTerminalFileTree*> trees;
    for (int c = 0; c < kConnections; ++c) {
        AcceptConnectDialog(c);
        frame->OnFileNew();
        CChildFrame* child = frame->ConnectionWindows().last();
        child->resize(280, 380);
        child->move((c % 4) * 290, (c / 4) * 390);
        CTerminalFileTree& tree = child->view()->Tree();
        Click(&tree, tree.rootItem);
        Click(&tree, Child(tree.rootItem, "C:"));
        Click(&tree, Child(Child(tree.rootItem, "C:"), "DATA"));
        QVERIFY(tree.FindItem("C:\\DATA"));
        trees.push_back(&tree);
    }
    const auto anyRunning = [&] {
        for (const CTerminalFileTree* tree : trees)
            if (tree->jobRunning.load())
                return true;
        return false;
    };

    // PC to terminal: each window's own files pasted onto its C:\DATA.
    for (int c = 0; c < kConnections; ++c) {
        const std::filesystem::path out = dir / ("out" + std::to_string(c));
        std::filesystem::create_directories(out);
        for (int f = 0; f < kFilesEach; ++f)
            TestDir::WriteFile(out / Name(c, f).toStdString(), Content(c, f));
        QTreeWidgetItem* folder =
            pc->InsertItem(pc->rootItem, Text(out), FileTreeImage::ImageFixedDisk);
        Click(pc, folder);
        for (int f = 0; f < kFilesEach; ++f)
            Click(pc, Child(folder, Name(c, f)), Qt::ControlModifier);
        Click(pc, Child(folder, Name(c, 0)), Qt::NoModifier, Qt::RightButton);
        frame->contextMenu()->hide();
        frame->action(Command::Copy)->trigger();
        Click(trees[c], trees[c]->FindItem("C:\\DATA"), Qt::NoModifier, Qt::RightButton);
        frame->contextMenu()->hide();
        frame->action(Command::Paste)->trigger();
    }
    int runningAtOnce = 0;
    for (const CTerminalFileTree* tree : trees)
        runningAtOnce += tree->jobRunning.load();
    qInfo("%d of %d jobs running at once", runningAtOnce, kConnections);
    QTRY_VERIFY_WITH_TIMEOUT(!anyRunning(), 60000);
    for (int c = 0; c < kConnections; ++c)
        for (int f = 0; f < kFilesEach; ++f)
            QCOMPARE(TestDir::ReadFile(sims.TerminalAt(c + 1)->Root() / "C" / "DATA" /
                                       Name(c, f).toStdString()),
                     Content(c, f));

    // Terminal to PC: every window fetches its files back at once.
    for (int c = 0; c < kConnections; ++c) {
        const std::filesystem::path back = dir / ("back" + std::to_string(c));
        std::filesystem::create_directories(back);
        QTreeWidgetItem* folder =
            pc->InsertItem(pc->rootItem, Text(back), FileTreeImage::ImageFixedDisk);
        QTreeWidgetItem* data = trees[c]->FindItem("C:\\DATA");
        for (int f = 0; f < kFilesEach; ++f)
            Click(trees[c], Child(data, Name(c, f)), Qt::ControlModifier);
        Click(trees[c], Child(data, Name(c, 0)), Qt::NoModifier, Qt::RightButton);
        frame->contextMenu()->hide();
        frame->action(Command::Copy)->trigger();
        Click(pc, folder, Qt::NoModifier, Qt::RightButton);
        frame->contextMenu()->hide();
        frame->action(Command::Paste)->trigger();
    }
    QTRY_VERIFY_WITH_TIMEOUT(!anyRunning(), 60000);
    for (int c = 0; c < kConnections; ++c)
        for (int f = 0; f < kFilesEach; ++f)
            QCOMPARE(
                TestDir::ReadFile(dir / ("back" + std::to_string(c)) / Name(c, f).toStdString()),
                Content(c, f));

    const QStringList lines = frame->messageWindow()->Lines();
    QCOMPARE(lines.size(), 2 * kConnections * kFilesEach);
    QCOMPARE(lines.filter(" have done").size(), lines.size());
    QVERIFY(prompter.shown.isEmpty());
    app.reset();
}

KV_GUI_TEST_MAIN(ManyConnectionsTest)
#include "many_connections_test.moc"
