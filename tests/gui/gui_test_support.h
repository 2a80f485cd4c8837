// gui_test_support.h: what the widget tests share: a private home for each test
// program (settings, simulated terminals and the runtime folder live there), a
// prompter that answers in the user's place, and mouse events with held buttons.
#pragma once

#include "connection/connect_setup_dialog.h"
#include "gui/prompter.h"
#include "pc/file_tree_ctrl.h"
#include "tests/support/test_dir.h"

#include <QApplication>
#include <QComboBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <QTimer>

#include <functional>

#include <sys/stat.h>

// Points HOME and the XDG folders at a fresh temporary folder, before any Qt
// object reads them.
class GuiTestEnvironment {
public:
    GuiTestEnvironment()
    {
        const auto runtime = dir.path / "runtime";
        std::filesystem::create_directories(runtime);
        std::filesystem::create_directories(dir.path / "data"); // as on a desktop: the trash's home
        ::chmod(runtime.c_str(), 0700);
        qputenv("HOME", QByteArray::fromStdString(dir.path.string()));
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((dir.path / "config").string()));
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString((dir.path / "data").string()));
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime.string()));
        qputenv("XDG_STATE_HOME", QByteArray::fromStdString((dir.path / "state").string()));
        qputenv("XDG_CACHE_HOME", QByteArray::fromStdString((dir.path / "cache").string()));
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    TestDir dir;
};

// Records every message and answers questions with a fixed reply.
class RecordingPrompter : public Prompter {
public:
    RecordingPrompter() { SetPrompter(this); }
    ~RecordingPrompter() override { SetPrompter(nullptr); }
    void ShowMessage(const QString& text) override
    {
        shown << text;
        if (whileShown)
            whileShown();
    }
    bool AskYesNo(const QString& text) override
    {
        shown << text;
        return answer;
    }
    QStringList shown;
    bool answer = true;
    std::function<void()> whileShown; // what happens while a message box is open
};

// Listings run on the connection's worker: true once tree shows the answer.
inline bool RequestDone(const CFileTreeCtrl* tree)
{
    return QTest::qWaitFor(
        [tree] { return tree->jobRunning.load() != CFileTreeCtrl::kRequestJob; });
}

// A mouse event on widget at pos (widget coordinates) with the given buttons held.
inline void SendMouse(QWidget* widget, QEvent::Type type, const QPoint& pos, Qt::MouseButton button,
                      Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QMouseEvent event(type, QPointF(pos), QPointF(widget->mapToGlobal(pos)), button, buttons,
                      modifiers);
    QApplication::sendEvent(widget, &event);
}

// Runs act on the next modal dialog of type T once it shows (it is modal: the
// caller is inside its exec when it does).
template <typename T> void WhenModal(std::function<void(T*)> act)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(dialog);
        }
    });
    timer->start(10);
}

// Answers the next connect setup dialog with the port at index and OK, once it
// shows (it is modal: the caller is inside its exec when it does).
inline void AcceptConnectDialog(int index = 0)
{
    WhenModal<ConnectSetupDialog>([index](ConnectSetupDialog* dialog) {
        dialog->findChild<QComboBox*>("portList")->setCurrentIndex(index);
        QTest::mouseClick(dialog->findChild<QPushButton*>("okButton"), Qt::LeftButton);
    });
}

#define KV_GUI_TEST_MAIN(TestObject)                                                               \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        GuiTestEnvironment environment;                                                            \
        QApplication app(argc, argv);                                                              \
        TestObject test;                                                                           \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
