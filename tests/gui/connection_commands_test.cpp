// The connection commands of menu 129 on the simulated terminals: the clock and
// its dialog, the terminal's information, the application and batch downloads,
// the reconnect and the convert mode.
#include "connection/connect_setup_dialog.h"
#include "connection/connection_reaper.h"
#include "connection/kv_vidi_ridoved_doc.h"
#include "gui_test_support.h"
#include "link/terminal_link.h"
#include "pc/progress_dialog.h"
#include "shell/kv_vidi_ridoved_app.h"
#include "shell/main_frame.h"
#include "shell/message_window.h"
#include "sim/sim_ports.h"
#include "sim/sim_terminal.h"
#include "terminal/terminal_info_dialog.h"
#include "terminal/terminal_time_dialog.h"
#include "terminal/terminal_view.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <QTimer>

#include <functional>

namespace {

QString Text(const std::filesystem::path& p)
{
    return QString::fromStdString(p.string());
}

// Runs act on the next modal dialog of type T once it is shown.
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

void ClickOk(QWidget* dialog)
{
    QTest::mouseClick(dialog->findChild<QPushButton*>("okButton"), Qt::LeftButton);
}

// Chooses the port at index (and the speed at baudIndex) in the next connect
// dialog and presses OK.
void AnswerConnect(int index, int baudIndex = -1)
{
    WhenModal<ConnectSetupDialog>([index, baudIndex](ConnectSetupDialog* dialog) {
        dialog->findChild<QComboBox*>("portList")->setCurrentIndex(index);
        if (baudIndex >= 0)
            dialog->baudIndex = baudIndex;
        ClickOk(dialog);
    });
}

} // namespace

class ConnectionCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void informationShowsEachTextUpToItsNul();
    void setTimeSendsThePickedTimeOrThePcTimeOfOk();

private:
    // Opens a connection to SIM<index + 1>; returns its window, made current.
    CChildFrame* Connect(int index);
    void Trigger(int command) { frame->action(command)->trigger(); }
    std::string ClockText(int index) const
    {
        return TestDir::ReadFile(dir->path / "terminals" / ("SIM" + std::to_string(index + 1)) /
                                 kClockFileName);
    }

    std::unique_ptr<TestDir> dir;
    std::unique_ptr<RecordingPrompter> prompter;
    std::unique_ptr<SimPortsTransport> sims;
    std::unique_ptr<CKVVidiRidovedApp> app;
    CMainFrame* frame = nullptr;
};

void ConnectionCommandsTest::init()
{
    dir = std::make_unique<TestDir>();
    prompter = std::make_unique<RecordingPrompter>();
    sims = std::make_unique<SimPortsTransport>(dir->path / "terminals", 2);
    app = std::make_unique<CKVVidiRidovedApp>();
    app->convertIniPath = dir->path / "Convert.ini";
    app->instanceServerName = Text(dir->path / "VidiRidovedClass");
    app->SetTransport(sims.get());
    frame = &app->CreateMainFrame();
    frame->resize(900, 600);
    frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame));
}

void ConnectionCommandsTest::cleanup()
{
    SetPcClock({});
    app.reset();
    sims.reset();
    prompter.reset();
    dir.reset();
}

CChildFrame* ConnectionCommandsTest::Connect(int index)
{
    AnswerConnect(index);
    frame->OnFileNew();
    CChildFrame* child = frame->ConnectionWindows().last();
    frame->mdiArea()->setActiveSubWindow(child);
    return child;
}

void ConnectionCommandsTest::informationShowsEachTextUpToItsNul()
{
    Connect(0);
    TerminalIdentity identity;
    identity.model = std::string("LX-2\0JUNK", 9);
    identity.firmware = "2.15";
    identity.serial = std::string("1234\0"
                                  "5678",
                                  9);
    identity.equipment = "DOCK-7";
    sims->TerminalAt(1)->SetIdentity(identity);

    QStringList texts;
    bool readOnly = true;
    WhenModal<TerminalInfoDialog>([&](TerminalInfoDialog* dialog) {
        for (const char* name : {"modelBox", "firmwareBox", "serialBox", "equipmentBox"}) {
            auto* box = dialog->findChild<QLineEdit*>(name);
            texts << box->text();
            readOnly = readOnly && box->isReadOnly();
        }
        ClickOk(dialog);
    });
    Trigger(Command::GetInformation);
    QCOMPARE(texts, QStringList({"LX-2", "2.15", "1234", "DOCK-7"}));
    QVERIFY(readOnly);
    QVERIFY(prompter->shown.isEmpty());
}

void ConnectionCommandsTest::setTimeSendsThePickedTimeOrThePcTimeOfOk()
{
    Connect(0);
    QDateTime pcNow(QDate(2025, 3, 1), QTime(8, 0, 0));
    SetPcClock([&pcNow] { return pcNow; });

    // "None Synchronize" with a date and time picked by hand.
    bool pickersWereDisabled = false, ticking = false;
    QString shownFirst;
    WhenModal<TerminalTimeDialog>([&](TerminalTimeDialog* dialog) {
        auto* date = dialog->findChild<QDateEdit*>("datePicker");
        auto* time = dialog->findChild<QTimeEdit*>("timePicker");
        pickersWereDisabled = !date->isEnabled() && !time->isEnabled();
        ticking = dialog->TimerRunning();
        shownFirst = dialog->ShownText();
        QTest::mouseClick(dialog->findChild<QRadioButton*>("noneSynchronizeRadio"), Qt::LeftButton);
        date->setDate(QDate(2024, 2, 29));
        time->setTime(QTime(13, 5, 9));
        QCOMPARE(dialog->ShownText(), QStringLiteral("2024/02/29 13:05:09"));
        ClickOk(dialog);
    });
    Trigger(Command::SetTime);
    QVERIFY(pickersWereDisabled);
    QVERIFY(ticking);
    QCOMPARE(shownFirst, QStringLiteral("2025/03/01 08:00:00"));
    QCOMPARE(ClockText(0), std::string("20240229130509"));
    QCOMPARE(prompter->shown.last(), MessageText(MessageId::SetTimeDone));

    // "Synchronize with PC": the PC's time when OK is pressed, not when the
    // dialog opened; the shown text follows the clock every second.
    WhenModal<TerminalTimeDialog>([&](TerminalTimeDialog* dialog) {
        pcNow = QDateTime(QDate(2025, 3, 1), QTime(8, 0, 5));
        QTRY_COMPARE(dialog->ShownText(), QStringLiteral("2025/03/01 08:00:05"));
        pcNow = QDateTime(QDate(2025, 12, 31), QTime(23, 59, 58));
        ClickOk(dialog);
    });
    Trigger(Command::SetTime);
    QCOMPARE(ClockText(0), std::string("20251231235958"));

    // Cancel leaves the terminal's clock alone.
    const int messages = static_cast<int>(prompter->shown.size());
    WhenModal<TerminalTimeDialog>([](TerminalTimeDialog* dialog) { dialog->reject(); });
    Trigger(Command::SetTime);
    QCOMPARE(ClockText(0), std::string("20251231235958"));
    QCOMPARE(prompter->shown.size(), messages);
}

KV_GUI_TEST_MAIN(ConnectionCommandsTest)
#include "connection_commands_test.moc"
