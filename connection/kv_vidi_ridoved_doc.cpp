#include "connection/kv_vidi_ridoved_doc.h"

#include "connection/clock_sync_thread.h"
#include "connection/connect_setup_dialog.h"
#include "connection/connection_reaper.h"
#include "connection/device_monitor.h"
#include "connection/job_thread.h"
#include "connection/program_settings.h"
#include "connection/received_file_log.h"
#include "gui/message_sink.h"
#include "gui/modal_box.h"
#include "gui/prompter.h"
#include "gui/ui_language.h"
#include "link/serial/port_permission.h"
#include "link/serial/program_ports.h"
#include "link/terminal_link.h"

#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSettings>
#include <QTimer>

namespace {

constexpr qint64 kListHeadBytes = 4096;
constexpr int kClockStartDelayMs = 500;

// The log of the files the terminal pushes over link, under the connection's
// name; it must outlive the link.
std::shared_ptr<ReceivedFileLog> LogIncomingFiles(TerminalLink& link, const QString& connection,
                                                  MessageSink& messages)
{
    link.SetReplacedKeepDays(ReplacedKeepDaysSetting());
    auto log = std::make_shared<ReceivedFileLog>(connection.toStdString(), messages);
    link.SetObserver(log.get());
    return log;
}

} // namespace

void ShowOpenPortFail(ProgramServices& services, const QString& portName)
{
    ShowMessage(MessageId::OpenPortFail);
    // The advice names the device a COMn name or the list stands for.
    std::string device = portName.toStdString();
    if (ProgramPorts* ports = services.programPorts())
        if (std::string path = ports->DevicePath(device); !path.empty())
            device = std::move(path);
    const std::string advice = PortPermissionAdvice(device, UiLanguage());
    if (!advice.empty())
        ThePrompter().ShowMessage(QString::fromStdString(advice));
}

std::optional<TransmissionTarget> ReadTransmissionList(const QString& path)
{
    QFile file(path);
    // Only a regular file: opening a pipe could wait for ever.
    if (path.isEmpty() || !QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return ParseTransmissionListHead(file.read(kListHeadBytes));
}

CKVVidiRidovedDoc::CKVVidiRidovedDoc(ProgramServices& services, QObject* parent)
    : QObject(parent), job(std::make_shared<JobThread>()), program(services)
{
}

CKVVidiRidovedDoc::~CKVVidiRidovedDoc()
{
    OnCloseDocument();
}

void CKVVidiRidovedDoc::SetTitle(const QString& text)
{
    title = text;
    emit TitleChanged(title);
}

bool CKVVidiRidovedDoc::OnNewDocument(QWidget* dialogParent)
{
    ProgramServices& app = program;
    const int mode = app.startMode().load();
    int listPosition = 0;
    bool registryDriven = false;
    if (mode == 0) {
        ConnectSetupDialog dialog(
            settings, [&app] { return app.PortNames(); }, dialogParent);
        connect(&app.deviceMonitor(), &DeviceMonitor::DevicesChanged, &dialog,
                &ConnectSetupDialog::OnDeviceChange);
        if (ExecModal(dialog) != QDialog::Accepted)
            return false;
        listPosition = dialog.listPosition;
    } else {
        QSettings registry = TransmissionSettings();
        registry.beginGroup(QStringLiteral("Transmission"));
        if (mode == 1) {
            const std::optional<QString> value =
                TransmissionText(registry.value(QStringLiteral("File")));
            if (!value)
                return false;
            const QString file = *value;
            // A list that cannot be read or is malformed leaves the settings as
            // they are; the connection is then not an automatic one.
            if (const auto target = ReadTransmissionList(file)) {
                settings.portName = target->portName;
                settings.baudCode = target->baudCode;
                registryDriven = true;
            }
            transmissionFile = file;
        } else {
            const std::optional<QString> port =
                TransmissionText(registry.value(QStringLiteral("Port")));
            const std::optional<long long> baud =
                TransmissionBaud(registry.value(QStringLiteral("Baud")));
            if (!port || !baud)
                return false;
            settings.portName = *port;
            settings.baudCode = BaudCodeForRate(*baud);
            registryDriven = true;
        }
        listPosition = FindPortPosition(app.PortNames(), settings.portName);
    }

    const auto choice = ChoosePortOpen(settings.portName, listPosition);
    if (!choice)
        return false;
    Transport& transport = app.transport();
    settings.handle =
        transport.PortOpen(choice->kind, choice->numberOrIndex, settings.portName.toStdString());
    if (settings.handle == kNoPort) {
        ShowOpenPortFail(program, settings.portName);
        return false;
    }
    link = std::make_unique<TerminalLink>(transport);
    receivedFiles = LogIncomingFiles(*link, settings.portName, program.messages());
    transport.PortConfigure(settings.handle, static_cast<BaudCode>(settings.baudCode), 0, 0, 0, 1);
    link->AttachPort(settings.handle);

    if (app.clockSwitch().load() != 0)
        StartClockThread();
    if (registryDriven) {
        // Posted: the frame acts on it once the connection's window exists.
        QMetaObject::invokeMethod(
            this,
            [this, mode] {
                if (mode == 1)
                    emit AutoTransmitRequested();
                else
                    emit AutoInstallRequested();
            },
            Qt::QueuedConnection);
    }
    app.startMode().store(0);
    SetTitle(settings.portName);
    return true;
}

void CKVVidiRidovedDoc::OnCloseDocument()
{
    if (!link)
        return;
    emit Closing();
    // A running job stops at its current block and logs its last line while the
    // window side still exists; it asks no more questions.
    link->cancel.store(1);
    std::shared_ptr<JobThread> oldJob(std::move(job));
    if (oldJob)
        oldJob->Abandon();
    std::shared_ptr<ClockSyncThread> clock(std::move(clockThread));
    if (clock)
        clock->RequestStop();
    std::shared_ptr<TerminalLink> oldLink(std::move(link));
    std::shared_ptr<ReceivedFileLog> oldLog(std::move(receivedFiles));
    const PortHandle handle = settings.handle;
    settings.handle = kNoPort;
    ProgramServices& app = program;
    Transport* transport = &app.transport();
    // The workers must end before the link they use goes, the link before its
    // port and its log. Nothing of the connection stays behind here: the reaper
    // holds the last references.
    app.reaper().Retire([oldJob = std::move(oldJob), clock = std::move(clock),
                         oldLink = std::move(oldLink), oldLog = std::move(oldLog), transport,
                         handle]() mutable {
        oldJob.reset();
        clock.reset();
        oldLink.reset();
        oldLog.reset();
        transport->PortClose(handle);
    });
}

void CKVVidiRidovedDoc::ClosePortForReconnect()
{
    if (clockThread)
        clockThread->RequestStop();
    if (settings.handle != kNoPort)
        program.transport().PortClose(settings.handle);
    settings.handle = kNoPort;
}

CKVVidiRidovedDoc::Reopened CKVVidiRidovedDoc::ReopenPort(const ConnectionSettings& chosen,
                                                          int listPosition)
{
    if (const PortHandle handle = OpenPort(chosen.portName, listPosition); handle != kNoPort) {
        InstallLink(chosen, handle);
        return Reopened::Chosen;
    }
    const int previousPosition = FindPortPosition(program.PortNames(), settings.portName);
    if (const PortHandle handle = OpenPort(settings.portName, previousPosition);
        handle != kNoPort) {
        InstallLink(settings, handle);
        return Reopened::Previous;
    }
    return Reopened::None;
}

PortHandle CKVVidiRidovedDoc::OpenPort(const QString& portName, int listPosition)
{
    const auto choice = ChoosePortOpen(portName, listPosition);
    if (!choice)
        return kNoPort;
    return program.transport().PortOpen(choice->kind, choice->numberOrIndex,
                                        portName.toStdString());
}

void CKVVidiRidovedDoc::InstallLink(const ConnectionSettings& chosen, PortHandle handle)
{
    ProgramServices& app = program;
    Transport& transport = app.transport();
    transport.PortConfigure(handle, static_cast<BaudCode>(chosen.baudCode), 0, 0, 0, 1);
    auto fresh = std::make_unique<TerminalLink>(transport);
    std::shared_ptr<ReceivedFileLog> freshLog =
        LogIncomingFiles(*fresh, chosen.portName, program.messages());
    fresh->AttachPort(handle);
    // The old worker may still be inside an operation on the old link: it ends
    // first, on the reaper's thread, then the link, then the log it reports to.
    std::shared_ptr<ClockSyncThread> clock(std::move(clockThread));
    if (clock)
        clock->RequestStop();
    std::shared_ptr<TerminalLink> oldLink(std::move(link));
    std::shared_ptr<ReceivedFileLog> oldLog(std::move(receivedFiles));
    app.reaper().Retire([clock = std::move(clock), oldLink = std::move(oldLink),
                         oldLog = std::move(oldLog)]() mutable {
        clock.reset();
        oldLink.reset();
        oldLog.reset();
    });
    link = std::move(fresh);
    receivedFiles = std::move(freshLog);
    settings = chosen;
    settings.handle = handle;
    SetTitle(settings.portName);
    if (app.clockSwitch().load() != 0)
        StartClockThread();
}

void CKVVidiRidovedDoc::SetSpeed(int baudCode)
{
    settings.baudCode = baudCode;
    if (settings.handle != kNoPort)
        program.transport().PortConfigure(settings.handle, static_cast<BaudCode>(baudCode), 0, 0, 0,
                                          1);
}

void CKVVidiRidovedDoc::StartClockThread()
{
    if (!link)
        return;
    if (!clockThread || !clockThread->Running()) {
        clockThread.reset();
        clockThread = std::make_unique<ClockSyncThread>(*link, program.clockSwitch());
    }
    QTimer::singleShot(kClockStartDelayMs, this, [this] { WakeClockThread(); });
}

void CKVVidiRidovedDoc::WakeClockThread()
{
    if (link)
        link->clockEvent.Set();
}

bool CKVVidiRidovedDoc::ClockThreadRunning() const
{
    return clockThread && clockThread->Running();
}

int CKVVidiRidovedDoc::ClockSyncCount() const
{
    return clockThread ? clockThread->SyncCount() : 0;
}
