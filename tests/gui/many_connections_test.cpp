// Eight connection windows on the program's simulated terminals ("Ports/Simulated"
// = 8) transferring at once: half paste their own PC files onto their terminal's
// C:\DATA while the other half fetch their terminal's files into a PC folder of
// their own. The jobs really overlap, every file arrives whole, each window logs
// its own lines.
#include "connection/connect_setup_dialog.h"
#include "connection/kv_vidi_ridoved_doc.h"
#include "connection/program_settings.h"
#include "gui/message_window.h"
#include "gui_test_support.h"
#include "link/serial/program_ports.h"
#include "link/transfer_progress.h"
#include "pc/pc_file_tree.h"
#include "pc/progress_dialog.h"
#include "shell/kv_vidi_ridoved_app.h"
#include "shell/main_frame.h"
#include "sim/sim_ports.h"
#include "sim/sim_terminal.h"
#include "terminal/terminal_view.h"

#include <QComboBox>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include <thread>

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
    QVERIFY(RequestDone(tree));
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

// Watches the connections' byte counts from a thread of its own: a connection
// moves from the first to the last change it shows.
class ActivityWatch {
public:
    using Clock = std::chrono::steady_clock;
    struct Span {
        bool seen = false;
        Clock::time_point first, last;
    };

    explicit ActivityWatch(std::vector<TransferProgress*> watched)
        : progress(std::move(watched)), spans(progress.size()), thread([this] { Run(); })
    {
    }
    ~ActivityWatch() { Stop(); }

    // Ends the watch; the spans seen.
    const std::vector<Span>& Stop()
    {
        stop.store(true);
        if (thread.joinable())
            thread.join();
        return spans;
    }

    static bool Overlap(const Span& a, const Span& b)
    {
        return a.seen && b.seen && a.first <= b.last && b.first <= a.last;
    }

private:
    void Run()
    {
        std::vector<std::uint64_t> last;
        for (const TransferProgress* p : progress)
            last.push_back(p->bytesDone.load());
        while (!stop.load()) {
            const Clock::time_point now = Clock::now();
            for (std::size_t i = 0; i < progress.size(); ++i) {
                if (const std::uint64_t done = progress[i]->bytesDone.load(); done != last[i]) {
                    last[i] = done;
                    if (!spans[i].seen)
                        spans[i].first = now;
                    spans[i].seen = true;
                    spans[i].last = now;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    const std::vector<TransferProgress*> progress;
    std::vector<Span> spans;
    std::atomic<bool> stop{false};
    std::thread thread;
};

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
    ProgramSettings().setValue("Ports/Simulated", kConnections);
    // Odd windows fetch: their terminals hold their files from the start.
    const auto terminalFile = [](int c, int f) {
        return DefaultTerminalsRoot() / SimPortsTransport::SimPortName(c + 1) / "C" / "DATA" /
               Name(c, f).toStdString();
    };
    for (int c = 1; c < kConnections; c += 2) {
        std::filesystem::create_directories(terminalFile(c, 0).parent_path());
        for (int f = 0; f < kFilesEach; ++f)
            TestDir::WriteFile(terminalFile(c, f), Content(c, f));
    }
    auto app = std::make_unique<CKVVidiRidovedApp>();
    app->convertIniPath = dir.path / "Convert.ini";
    app->instanceServerName = Text(dir.path / "VidiRidovedClass");
    CMainFrame* frame = &app->CreateMainFrame();
    frame->resize(1200, 800);
    frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame));
    CPCFileTree* pc = frame->pcTree();

    std::vector<CTerminalFileTree*> trees;
    std::vector<TransferProgress*> progress;
    for (int c = 0; c < kConnections; ++c) {
        AcceptConnectDialog(c);
        frame->OnFileNew();
        CChildFrame* child = frame->ConnectionWindows().last();
        QCOMPARE(child->document()->Title().toStdString(), SimPortsTransport::SimPortName(c + 1));
        // A paced line (46 KB/s): a job lasts long enough for the others to
        // start while it runs.
        app->programPorts()->simulated().TerminalAt(c + 1)->SetLineRate(460800);
        child->resize(280, 380);
        child->move((c % 4) * 290, (c / 4) * 390);
        CTerminalFileTree& tree = child->view()->Tree();
        Click(&tree, tree.rootItem);
        Click(&tree, Child(tree.rootItem, "C:"));
        Click(&tree, Child(Child(tree.rootItem, "C:"), "DATA"));
        QVERIFY(tree.FindItem("C:\\DATA"));
        trees.push_back(&tree);
        progress.push_back(&child->view()->progressDialog()->progress());
    }
    const auto anyRunning = [&] {
        for (const CTerminalFileTree* tree : trees)
            if (tree->jobRunning.load())
                return true;
        return false;
    };

    // Even windows paste their PC files onto C:\DATA, odd ones fetch theirs,
    // one after the other without waiting.
    ActivityWatch watch(progress);
    for (int c = 0; c < kConnections; ++c) {
        const bool send = c % 2 == 0;
        const std::filesystem::path folder = dir / ((send ? "out" : "back") + std::to_string(c));
        std::filesystem::create_directories(folder);
        if (send)
            for (int f = 0; f < kFilesEach; ++f)
                TestDir::WriteFile(folder / Name(c, f).toStdString(), Content(c, f));
        QTreeWidgetItem* pcFolder =
            pc->InsertItem(pc->rootItem, Text(folder), FileTreeImage::ImageFixedDisk);
        QTreeWidgetItem* data = trees[c]->FindItem("C:\\DATA");
        CFileTreeCtrl* from = send ? static_cast<CFileTreeCtrl*>(pc) : trees[c];
        CFileTreeCtrl* to = send ? static_cast<CFileTreeCtrl*>(trees[c]) : pc;
        QTreeWidgetItem* source = send ? pcFolder : data;
        if (send)
            Click(pc, pcFolder);
        for (int f = 0; f < kFilesEach; ++f)
            Click(from, Child(source, Name(c, f)), Qt::ControlModifier);
        Click(from, Child(source, Name(c, 0)), Qt::NoModifier, Qt::RightButton);
        frame->contextMenu()->hide();
        frame->action(Command::Copy)->trigger();
        Click(to, send ? data : pcFolder, Qt::NoModifier, Qt::RightButton);
        frame->contextMenu()->hide();
        frame->action(Command::Paste)->trigger();
    }
    QTRY_VERIFY_WITH_TIMEOUT(!anyRunning(), 60000);
    const std::vector<ActivityWatch::Span>& spans = watch.Stop();

    int mostAtOnce = 0;
    bool sendingWhileFetching = false;
    for (int i = 0; i < kConnections; ++i) {
        int atOnce = 0;
        for (int j = 0; j < kConnections; ++j) {
            atOnce += spans[j].seen && spans[j].first <= spans[i].first &&
                      spans[i].first <= spans[j].last;
            sendingWhileFetching |= i % 2 != j % 2 && ActivityWatch::Overlap(spans[i], spans[j]);
        }
        mostAtOnce = std::max(mostAtOnce, atOnce);
    }
    qInfo("at most %d of %d connections moving bytes at once", mostAtOnce, kConnections);
    QVERIFY(mostAtOnce > 1);
    QVERIFY(sendingWhileFetching);

    for (int c = 0; c < kConnections; ++c)
        for (int f = 0; f < kFilesEach; ++f)
            QCOMPARE(TestDir::ReadFile(c % 2 == 0 ? terminalFile(c, f)
                                                  : dir / ("back" + std::to_string(c)) /
                                                        Name(c, f).toStdString()),
                     Content(c, f));
    const QStringList lines = frame->messageWindow()->Lines();
    QCOMPARE(lines.size(), kConnections * kFilesEach);
    QCOMPARE(lines.filter(" have done").size(), lines.size());
    QVERIFY(prompter.shown.isEmpty());
    app.reset();
}

KV_GUI_TEST_MAIN(ManyConnectionsTest)
#include "many_connections_test.moc"
