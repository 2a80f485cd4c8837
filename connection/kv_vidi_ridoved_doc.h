// kv_vidi_ridoved_doc.h: one open terminal connection: its port and speed, its
// TerminalLink, its transmission list and its clock worker. Created by the frame's
// New command; closing it hands the link to the reaper. GUI thread.
#pragma once

#include "connection/connection_rules.h"
#include "connection/program_services.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class ClockSyncThread;
class JobThread;
class ReceivedFileLog;
class TerminalLink;
class QWidget;

class CKVVidiRidovedDoc : public QObject {
    Q_OBJECT
public:
    explicit CKVVidiRidovedDoc(ProgramServices& services, QObject* parent = nullptr);
    ~CKVVidiRidovedDoc() override;

    // Opens the connection the application's start mode calls for: the connect
    // setup dialog (mode 0), the transmission list named in the registry (mode 1)
    // or the registry's port and speed (any other mode). True when the connection
    // is open; false when it was cancelled or failed (after message 40006 when
    // the port would not open). dialogParent: the dialog's parent window.
    bool OnNewDocument(QWidget* dialogParent = nullptr);
    // Closes the connection: a running job is cancelled and asks nothing more;
    // the job and the clock worker end, the link goes and the port closes, all
    // on the reaper's thread. Safe to call twice.
    void OnCloseDocument();
    // Reconnect, first half: the clock worker is told to stop and the port closes;
    // the link stays, without a port, until ReopenPort.
    void ClosePortForReconnect();
    enum class Reopened { Chosen, Previous, None };
    // Reconnect, second half: opens the port of chosen (listPosition: its place in
    // the port list) or, when that fails, the previous one again. The port that
    // opens gets a new link; the old link and its clock worker go to the reaper,
    // which ends the worker before the link. With synchronisation on, the new
    // link gets its own worker. None: no port is open and the link is the old one.
    Reopened ReopenPort(const ConnectionSettings& chosen, int listPosition);
    // The connection's speed (BaudCode 1-6), set on its open port at once.
    void SetSpeed(int baudCode);
    // Starts the clock worker (unless one runs) and wakes it in 500 ms.
    void StartClockThread();
    // Wakes the clock worker, which then sees whether the flag is still on.
    void WakeClockThread();
    bool ClockThreadRunning() const;
    // How many times this connection's worker has set the terminal's clock.
    int ClockSyncCount() const;

    ProgramServices& services() const { return program; }
    QString Title() const { return title; }
    void SetTitle(const QString& text);

    std::unique_ptr<TerminalLink> link;
    // The thread of the connection's transfer job; null once the connection closed.
    std::shared_ptr<JobThread> job;
    ConnectionSettings settings;
    QString transmissionFile;

signals:
    void TitleChanged(const QString& title);
    // The connection is about to close: its link still exists, and goes next.
    void Closing();
    // A registry-driven connection is open: the frame starts the automatic work.
    void AutoTransmitRequested();
    void AutoInstallRequested();

private:
    // Opens the port of choice; kNoPort when it cannot be opened.
    PortHandle OpenPort(const QString& portName, int listPosition);
    void InstallLink(const ConnectionSettings& chosen, PortHandle handle);

    ProgramServices& program;
    std::unique_ptr<ClockSyncThread> clockThread;
    // Where the link reports the files its terminal pushes; goes after the link.
    std::shared_ptr<ReceivedFileLog> receivedFiles;
    QString title;
};

// Message 40006 for portName, followed by what to do about it when the user may
// not open that device. GUI thread.
void ShowOpenPortFail(ProgramServices& services, const QString& portName);

// The first line of the transmission list at path, or nullopt when the file
// cannot be read or its first line is malformed. Reads at most the first 4 KiB.
std::optional<TransmissionTarget> ReadTransmissionList(const QString& path);
