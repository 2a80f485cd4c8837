// The desktop program's responsiveness: the longest gap between turns of the GUI
// thread's event loop while 1 and while 8 simulated terminals transfer files
// both ways from their windows, and the time to expand a PC folder of 20,000
// files in the PC tree. Runs offscreen; prints one line per figure.
// Usage: gui_bench [files per connection, default 6] [file size in KiB, default 512]
#include "connection/connect_setup_dialog.h"
#include "pc/pc_file_tree.h"
#include "shell/kv_vidi_ridoved_app.h"
#include "shell/main_frame.h"
#include "sim/sim_ports.h"
#include "terminal/terminal_file_tree.h"
#include "terminal/terminal_view.h"
#include "tests/gui/gui_test_support.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <ctime>
#include <fstream>

namespace {

// The loop is sampled by a timer this often; a gap is the time between ticks.
constexpr int kTickMs = 5;

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

// The longest time between two ticks of a timer on the GUI thread.
class GapMeter : public QObject {
public:
    GapMeter()
    {
        connect(&timer, &QTimer::timeout, this, [this] {
            const qint64 now = clock.nsecsElapsed();
            const qint64 cpu = ThreadCpuNs();
            if (last >= 0) {
                longest = std::max(longest, now - last);
                longestCpu = std::max(longestCpu, cpu - lastCpu);
                if (waiting && lastWaiting)
                    longestWaiting = std::max(longestWaiting, now - last);
            }
            last = now;
            lastCpu = cpu;
            lastWaiting = waiting;
        });
    }
    void Start()
    {
        longest = longestWaiting = longestCpu = 0;
        last = -1;
        clock.start();
        timer.start(kTickMs);
    }
    void Stop() { timer.stop(); }
    double LongestMs() const { return static_cast<double>(longest) / 1e6; }
    // Only the gaps while the bench itself did nothing: the program's own work.
    double LongestWaitingMs() const { return static_cast<double>(longestWaiting) / 1e6; }
    // The most processor time the GUI thread used between two ticks: a gap much
    // longer than this was the thread waiting for a processor, not our code.
    double LongestCpuMs() const { return static_cast<double>(longestCpu) / 1e6; }
    bool waiting = false;

private:
    QTimer timer;
    QElapsedTimer clock;
    static qint64 ThreadCpuNs()
    {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
    }
    qint64 last = -1, longest = 0, longestWaiting = 0, lastCpu = 0, longestCpu = 0;
    bool lastWaiting = false;
};

// Times every event the GUI thread delivers: the slowest one names what held
// the loop.
class TimingApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override
    {
        if (depth++ > 0) {
            const bool r = QApplication::notify(receiver, event);
            --depth;
            return r;
        }
        QElapsedTimer clock;
        clock.start();
        const QEvent::Type type = event->type();
        const char* name = receiver->metaObject()->className();
        const bool r = QApplication::notify(receiver, event);
        --depth;
        const qint64 ns = clock.nsecsElapsed();
        if (ns > slowest) {
            slowest = ns;
            slowestText = QString("%1 to %2").arg(int(type)).arg(name);
        }
        if (meter && meter->waiting && ns > slowestWaiting) {
            slowestWaiting = ns;
            slowestWaitingText = QString("%1 to %2").arg(int(type)).arg(name);
        }
        return r;
    }
    void Reset() { slowest = slowestWaiting = 0; }
    const GapMeter* meter = nullptr;
    qint64 slowest = 0, slowestWaiting = 0;
    QString slowestText, slowestWaitingText;
    int depth = 0;
};

struct Gaps {
    double all = 0, waiting = 0, seconds = 0, cpu = 0;
    double slowestEventMs = 0;
    QString slowestEvent;
    double slowestWaitingMs = 0;
    QString slowestWaiting;
};

class Bench {
public:
    Bench(const std::filesystem::path& home, int files, int kib)
        : root(home), files(files), kib(kib)
    {
        sims = std::make_unique<SimPortsTransport>(root / "terminals", 8);
        app = std::make_unique<CKVVidiRidovedApp>();
        app->convertIniPath = root / "Convert.ini";
        app->instanceServerName = Text(root / "VidiRidovedClass");
        app->SetTransport(sims.get());
        frame = &app->CreateMainFrame();
        frame->resize(1200, 800);
        frame->show();
        if (!QTest::qWaitForWindowExposed(frame))
            std::fprintf(stderr, "the main window was never shown\n");
        pc = frame->pcTree();
    }
    ~Bench()
    {
        app.reset();
        sims.reset();
    }

    // Opens connections until there are count; each lists C:\DATA.
    void ConnectUpTo(int count)
    {
        while (static_cast<int>(windows.size()) < count) {
            const int index = static_cast<int>(windows.size());
            auto* timer = new QTimer;
            QObject::connect(timer, &QTimer::timeout, [timer, index] {
                if (auto* dialog =
                        qobject_cast<ConnectSetupDialog*>(QApplication::activeModalWidget())) {
                    timer->deleteLater();
                    timer->stop();
                    dialog->findChild<QComboBox*>("portList")->setCurrentIndex(index);
                    QTest::mouseClick(dialog->findChild<QPushButton*>("okButton"), Qt::LeftButton);
                }
            });
            timer->start(10);
            frame->OnFileNew();
            CChildFrame* child = frame->ConnectionWindows().last();
            child->resize(280, 380);
            child->move((index % 4) * 290, (index / 4) * 390);
            CTerminalFileTree& tree = child->view()->Tree();
            Click(&tree, tree.rootItem);
            Click(&tree, Child(tree.rootItem, "C:"));
            Click(&tree, Child(Child(tree.rootItem, "C:"), "DATA"));
            windows.push_back(child);
        }
    }

    // Every connection sends its own set of PC files to C:\DATA, then fetches
    // them back into a PC folder of its own. The longest loop gap over both.
    Gaps TransferGap(int connections)
    {
        ConnectUpTo(connections);
        const std::string content(static_cast<std::size_t>(kib) * 1024, 'x');
        for (int c = 0; c < connections; ++c)
            std::filesystem::create_directories(root / ("back" + std::to_string(c)));
        for (int c = 0; c < connections; ++c) {
            const std::filesystem::path out = root / ("out" + std::to_string(c));
            std::filesystem::create_directories(out);
            for (int f = 0; f < files; ++f)
                std::ofstream(out / ("C" + std::to_string(c) + "F" + std::to_string(f) + ".BIN"),
                              std::ios::binary)
                    << content;
        }
        GapMeter meter;
        QElapsedTimer clock;
        clock.start();
        meter.Start();
        auto* timing = static_cast<TimingApplication*>(qApp);
        timing->Reset();
        timing->meter = &meter;
        // PC to terminal: each connection's files are copied and pasted onto its DATA.
        for (int c = 0; c < connections; ++c) {
            const std::filesystem::path out = root / ("out" + std::to_string(c));
            QTreeWidgetItem* folder =
                pc->InsertItem(pc->rootItem, Text(out), FileTreeImage::ImageFixedDisk);
            Click(pc, folder);
            for (int i = 0; i < folder->childCount(); ++i)
                Click(pc, folder->child(i), Qt::ControlModifier);
            Click(pc, folder->child(0), Qt::NoModifier, Qt::RightButton);
            frame->contextMenu()->hide();
            frame->action(Command::Copy)->trigger();
            CTerminalFileTree& tree = windows[c]->view()->Tree();
            Click(&tree, tree.FindItem("C:\\DATA"), Qt::NoModifier, Qt::RightButton);
            frame->contextMenu()->hide();
            frame->action(Command::Paste)->trigger();
        }
        meter.waiting = true;
        WaitForJobs(connections);
        meter.waiting = false;
        // Terminal to PC: each connection's files come back into a folder of its own.
        for (int c = 0; c < connections; ++c) {
            const std::filesystem::path back = root / ("back" + std::to_string(c));
            QTreeWidgetItem* folder =
                pc->InsertItem(pc->rootItem, Text(back), FileTreeImage::ImageFixedDisk);
            CTerminalFileTree& tree = windows[c]->view()->Tree();
            QTreeWidgetItem* data = tree.FindItem("C:\\DATA");
            QTreeWidgetItem* first = nullptr;
            for (int f = 0; f < files; ++f) {
                QTreeWidgetItem* item = Child(data, QString("C%1F%2.BIN").arg(c).arg(f));
                if (!item)
                    continue;
                first = first ? first : item;
                Click(&tree, item, Qt::ControlModifier);
            }
            Click(&tree, first, Qt::NoModifier, Qt::RightButton);
            frame->contextMenu()->hide();
            frame->action(Command::Copy)->trigger();
            Click(pc, folder, Qt::NoModifier, Qt::RightButton);
            frame->contextMenu()->hide();
            frame->action(Command::Paste)->trigger();
        }
        meter.waiting = true;
        WaitForJobs(connections);
        meter.waiting = false;
        meter.Stop();
        const Gaps gap{meter.LongestMs(),
                       meter.LongestWaitingMs(),
                       static_cast<double>(clock.nsecsElapsed()) / 1e9,
                       meter.LongestCpuMs(),
                       static_cast<double>(timing->slowest) / 1e6,
                       timing->slowestText,
                       static_cast<double>(timing->slowestWaiting) / 1e6,
                       timing->slowestWaitingText};
        timing->meter = nullptr;
        for (int c = 0; c < connections; ++c)
            for (int f = 0; f < files; ++f) {
                const auto name = "C" + std::to_string(c) + "F" + std::to_string(f) + ".BIN";
                std::ifstream in(root / ("back" + std::to_string(c)) / name, std::ios::binary);
                const std::string got((std::istreambuf_iterator<char>(in)), {});
                if (got != content)
                    std::fprintf(stderr, "%s did not come back whole\n", name.c_str());
            }
        return gap;
    }

    // Seconds from the click on a folder of count files to the listed tree.
    double ExpandSeconds(int count)
    {
        const std::filesystem::path big = root / "big";
        std::filesystem::create_directories(big);
        for (int i = 0; i < count; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "F%07d.TXT", i);
            std::ofstream(big / name);
        }
        QTreeWidgetItem* folder =
            pc->InsertItem(pc->rootItem, Text(big), FileTreeImage::ImageFixedDisk);
        QElapsedTimer clock;
        clock.start();
        Click(pc, folder);
        QCoreApplication::processEvents();
        const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        if (folder->childCount() != count)
            std::fprintf(stderr, "listed %d of %d\n", folder->childCount(), count);
        return seconds;
    }

private:
    void WaitForJobs(int connections)
    {
        const auto running = [&] {
            for (int c = 0; c < connections; ++c)
                if (windows[c]->view()->Tree().jobRunning.load())
                    return true;
            return false;
        };
        while (running())
            QTest::qWait(kTickMs);
    }

    std::filesystem::path root;
    int files, kib;
    std::unique_ptr<SimPortsTransport> sims;
    std::unique_ptr<CKVVidiRidovedApp> app;
    CMainFrame* frame = nullptr;
    CPCFileTree* pc = nullptr;
    std::vector<CChildFrame*> windows;
};

void Print(int connections, const Gaps& gaps)
{
    std::printf("%d connection(s) transferring for %.2f s: longest event-loop gap %.1f ms "
                "(%.1f ms while only the program worked)\n",
                connections, gaps.seconds, gaps.all, gaps.waiting);
    std::printf("  most GUI-thread processor time between two ticks: %.1f ms\n", gaps.cpu);
    std::printf("  slowest event: %.1f ms, event type %s\n", gaps.slowestEventMs,
                qPrintable(gaps.slowestEvent));
    std::printf("  slowest event while only the program worked: %.1f ms, event type %s\n",
                gaps.slowestWaitingMs, qPrintable(gaps.slowestWaiting));
}

} // namespace

int main(int argc, char** argv)
{
    GuiTestEnvironment environment;
    TimingApplication application(argc, argv);
    RecordingPrompter prompter;
    const int files = argc > 1 ? std::atoi(argv[1]) : 6;
    const int kib = argc > 2 ? std::atoi(argv[2]) : 512;
    {
        Bench bench(environment.dir.path / "one", files, kib);
        Print(1, bench.TransferGap(1));
        std::printf("expand a PC folder of 20000 files: %.3f s\n", bench.ExpandSeconds(20000));
    }
    {
        Bench bench(environment.dir.path / "eight", files, kib);
        Print(8, bench.TransferGap(8));
    }
    if (!prompter.shown.isEmpty())
        std::fprintf(stderr, "messages shown: %s\n", qPrintable(prompter.shown.join(" | ")));
    return 0;
}
