// kv_vidi_ridoved_app.h: the one application object: start-up (single instance,
// command line, settings, Convert.ini, main frame, first connection), the
// process-wide settings the other parts read, and the saving at exit.
// GUI thread, except the atomic fields, which workers read.
#pragma once

#include "convert/convert_settings.h"
#include "convert/scramble.h"

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

class CKVVidiRidovedApp {
public:
    // Becomes the object TheApp() returns.
    CKVVidiRidovedApp();
    ~CKVVidiRidovedApp();
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

    // The per-user store: group "Setting" holds "ClockSynchronization".
    static QSettings ProgramSettings();
    // Where the sibling program leaves automatic work: group "Transmission".
    static QSettings TransmissionSettings();
    void LoadClockSetting();
    // The key of BASIC programs (group "Setting", value "UnscrambleKey": ten
    // numbers); the built-in key when the store names none or something else.
    static UnscrambleKey UnscrambleKeySetting();
    // Days the receive folder keeps a pushed file a newer push replaced:
    // "Setting/ReplacedKeepDays", 30 when unset or unreadable, at most ten years.
    static int ReplacedKeepDaysSetting();
    void SaveClockSetting();

    // The port list and the transport every connection opens its port through.
    Transport& transport();
    QStringList PortNames();
    // Tests put their own transport in place; not owned, null for the program's.
    void SetTransport(Transport* replacement) { injectedTransport = replacement; }
    // The program's own ports, made on first use; null while a test's
    // transport is in place.
    ProgramPorts* programPorts();

    ConnectionReaper& reaper() { return *connectionReaper; }
    DeviceMonitor& deviceMonitor() { return *monitor; }
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
    std::unique_ptr<ConnectionReaper> connectionReaper;
    std::unique_ptr<DeviceMonitor> monitor;
    std::unique_ptr<ProgramPorts> ports;
    std::unique_ptr<SingleInstance> instance;
    std::unique_ptr<CMainFrame> frame;
    Transport* injectedTransport = nullptr;
    std::function<void()> beforeFirstNew;
    bool anotherInstanceRaised = false;
};

// The application object, or null before it exists.
CKVVidiRidovedApp* TheApp();
