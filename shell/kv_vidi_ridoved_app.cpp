#include "shell/kv_vidi_ridoved_app.h"

#include "connection/connection_reaper.h"
#include "connection/device_monitor.h"
#include "connection/program_settings.h"
#include "convert/convert_ini_location.h"
#include "gui/ui_language.h"
#include "link/replaced_history.h"
#include "link/serial/program_ports.h"
#include "shell/main_frame.h"
#include "shell/single_instance.h"
#include "shell/start_options.h"

#include <QApplication>
#include <QThread>

#include <algorithm>

CKVVidiRidovedApp::CKVVidiRidovedApp()
    : connectionReaper(std::make_unique<ConnectionReaper>()),
      monitor(std::make_unique<DeviceMonitor>())
{
}

CKVVidiRidovedApp::~CKVVidiRidovedApp()
{
    DestroyMainFrame();
    // A job of a closed connection may be waiting for the GUI thread (a log line):
    // keep serving it until the reaper has joined it, then run what it posted.
    if (QCoreApplication::instance()) {
        while (!connectionReaper->Idle()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            QThread::msleep(1);
        }
        QCoreApplication::processEvents();
    }
    // Closed connections end before the transport their ports belong to.
    connectionReaper.reset();
    ports.reset();
}

void CKVVidiRidovedApp::LoadClockSetting()
{
    QSettings settings = ProgramSettings();
    bool ok = false;
    const int value = settings.value(QStringLiteral("Setting/ClockSynchronization"), 0).toInt(&ok);
    // Anything unreadable counts as off; any other non-zero value as on.
    ClockSynchronization.store(ok && value != 0 ? 1 : 0);
}

void CKVVidiRidovedApp::SaveClockSetting()
{
    QSettings settings = ProgramSettings();
    settings.setValue(QStringLiteral("Setting/ClockSynchronization"), ClockSynchronization.load());
    settings.sync();
}

Transport& CKVVidiRidovedApp::transport()
{
    if (injectedTransport)
        return *injectedTransport;
    if (!ports)
        ports = std::make_unique<ProgramPorts>();
    return ports->transport();
}

ProgramPorts* CKVVidiRidovedApp::programPorts()
{
    if (injectedTransport)
        return nullptr;
    transport();
    return ports.get();
}

QStringList CKVVidiRidovedApp::PortNames()
{
    Transport& t = transport();
    QStringList names;
    const int count = t.PortCount();
    std::vector<char> buffer(static_cast<std::size_t>(std::max(t.PortNameLength(), 0)) + 1);
    for (int i = 0; i < count; ++i) {
        std::uint32_t length = static_cast<std::uint32_t>(buffer.size());
        std::fill(buffer.begin(), buffer.end(), '\0');
        t.PortName(i, buffer.data(), &length);
        names << QString::fromLocal8Bit(buffer.data());
    }
    return names;
}

CMainFrame& CKVVidiRidovedApp::CreateMainFrame()
{
    if (!frame)
        frame = std::make_unique<CMainFrame>(*this);
    return *frame;
}

void CKVVidiRidovedApp::DestroyMainFrame()
{
    if (frame) {
        frame->CloseAllConnections();
        frame.reset();
    }
}

void CKVVidiRidovedApp::SetUpProcess(QCoreApplication& qapp, const StartOptions& options)
{
    QCoreApplication::setOrganizationName(QStringLiteral("TELMARQ SOFTWARE"));
    QCoreApplication::setApplicationName(QStringLiteral("KVVidiRidoved"));
    // No display name: the platform would append it to every window title.
    InstallUiLanguage(qapp, options.language);
}

int CKVVidiRidovedApp::Run(const QStringList& args)
{
    if (!InitInstance(args))
        return anotherInstanceRaised || ParseStartOptions(args).valid ? 0 : 2;
    return ExitInstance(QApplication::exec());
}

bool CKVVidiRidovedApp::InitInstance(const QStringList& args)
{
    if (instanceServerName.isEmpty())
        instanceServerName = DefaultInstanceServerName();
    instance = std::make_unique<SingleInstance>(instanceServerName);
    const StartOptions options = ParseStartOptions(args);
    const bool posting = options.valid && options.postMode != 0;
    // A request for the running program goes to it, which stays where it is.
    if (posting && instance->Send(PostRequestLine(options.postMode))) {
        anotherInstanceRaised = true;
        return false;
    }
    // The running program comes to the front whatever this command line says.
    if (!instance->Claim()) {
        // It started between the two: it still gets the request.
        if (posting)
            instance->Send(PostRequestLine(options.postMode));
        anotherInstanceRaised = true;
        return false;
    }
    if (!options.valid)
        return false;
    StartMode.store(posting ? options.postMode : options.startMode);
    LoadClockSetting();
    ProgramFolder = QCoreApplication::applicationDirPath();
    if (convertIniPath.empty())
        convertIniPath = DefaultConvertIniPath();
    // Missing or unreadable: the record defaults stay; the exit writes the file.
    LoadConvertSettings(convertIniPath, Settings);

    CMainFrame& mainFrame = CreateMainFrame();
    QObject::connect(instance.get(), &SingleInstance::RaiseRequested, &mainFrame,
                     &CMainFrame::BringToFront);
    QObject::connect(instance.get(), &SingleInstance::AutoTransmitRequested, &mainFrame,
                     &CMainFrame::OnAutoTransmit);
    QObject::connect(instance.get(), &SingleInstance::AutoInstallRequested, &mainFrame,
                     &CMainFrame::OnAutoInstall);
    // The program ends with its frame. Left to Qt, it would wait for the last
    // window to close, and a stopping job's progress window refuses to close.
    QObject::connect(&mainFrame, &CMainFrame::FrameClosed, &mainFrame,
                     [] { QCoreApplication::exit(0); });
    mainFrame.show();
    mainFrame.repaint();
    if (beforeFirstNew)
        beforeFirstNew();
    mainFrame.OnFileNew();
    return true;
}

int CKVVidiRidovedApp::ExitInstance(int code)
{
    SaveClockSetting();
    // A file that cannot be written is left alone, without a message.
    if (!convertIniPath.empty())
        SaveConvertSettings(convertIniPath, Settings);
    return code;
}
