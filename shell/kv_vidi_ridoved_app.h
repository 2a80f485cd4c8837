// kv_vidi_ridoved_app.h: the one application object: start-up (single instance,
// command line, settings, Convert.ini, main frame, first connection), the
// program's services the connections are given, and the saving at exit.
// GUI thread, except the atomic fields, which workers read.
#pragma once

#include "connection/program_services.h"
#include "convert/convert_settings.h"
#include "gui/message_sink.h"

#include <QSettings>
#include <QString>
#include <QStringList>

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>

class CMainFrame;
class ConnectionReaper;
class DeviceMonitor;
class ProgramPorts;
class QCoreApplication;
class SingleInstance;
class Transport;
struct StartOptions;

class CKVVidiRidovedApp : public ProgramServices {
public:
    CKVVidiRidovedApp();
    ~CKVVidiRidovedApp() override;
    CKVVidiRidovedApp(const CKVVidiRidovedApp&) = delete;
    CKVVidiRidovedApp& operator=(const CKVVidiRidovedApp&) = delete;

    // Before any window exists: the names the settings store is kept under and
    // the interface language.
    static void SetUpProcess(QCoreApplication& qapp, const StartOptions& options);
    // The program's life once the QApplication exists: start-up, the message
    // loop, the saving at exit. Returns the process's exit status: 2 when the
    // command line is not understood and no other instance runs.
    int Run(const QStringList& args);
    // The start-up sequence; args without the program name. False: end at once
    // (another instance runs, or the command line is not understood).
    bool InitInstance(const QStringList& args);
    // Saves ClockSynchronization and Convert.ini; returns code.
    int ExitInstance(int code);

    void LoadClockSetting();
    void SaveClockSetting();

    // The port list and the transport every connection opens its port through.
    Transport& transport() override;
    QStringList PortNames() override;
    // Tests put their own transport in place; not owned, null for the program's.
    void SetTransport(Transport* replacement) { injectedTransport = replacement; }
    // The program's own ports, made on first use; null while a test's
    // transport is in place.
    ProgramPorts* programPorts() override;

    ConnectionReaper& reaper() override { return *connectionReaper; }
    MessageSink& messages() override { return windowLog; }
    DeviceMonitor& deviceMonitor() override { return *monitor; }
    std::atomic<int>& clockSwitch() override { return ClockSynchronization; }
    std::atomic<int>& startMode() override { return StartMode; }
    bool convertOnSend() const override { return ConvertMode.load() != 0; }
    ConvertSettings convertSettings() const override { return Settings; }
    CMainFrame* mainFrame() const { return frame.get(); }
    // Creates the main frame without the rest of the start-up (tests).
    CMainFrame& CreateMainFrame();
    // Closes and destroys the main frame (tests and exit).
    void DestroyMainFrame();
    // Runs once the frame is shown, before the first New (the screenshot option).
    void SetBeforeFirstNew(std::function<void()> hook) { beforeFirstNew = std::move(hook); }

    std::atomic<int> StartMode{0};
    std::atomic<int> ConvertMode{0};
    std::atomic<int> ClockSynchronization{0};
    ConvertSettings Settings;
    QString ProgramFolder;
    std::filesystem::path convertIniPath; // chosen at start-up unless set before
    QString instanceServerName;           // chosen at start-up unless set before

private:
    // Declared before the reaper: the jobs it ends may still write lines.
    MessageWindowSink windowLog;
    std::unique_ptr<ConnectionReaper> connectionReaper;
    std::unique_ptr<DeviceMonitor> monitor;
    std::unique_ptr<ProgramPorts> ports;
    std::unique_ptr<SingleInstance> instance;
    std::unique_ptr<CMainFrame> frame;
    Transport* injectedTransport = nullptr;
    std::function<void()> beforeFirstNew;
    bool anotherInstanceRaised = false;
};
