// frame_automatic_work.cpp: what the main frame does without the user: the
// sibling program's transmission and install requests, and closing the
// connections whose device went away.
#include "shell/main_frame.h"

#include "connection/connection_rules.h"
#include "connection/kv_vidi_ridoved_doc.h"
#include "connection/program_settings.h"
#include "gui/message_sink.h"
#include "gui/modal_box.h"
#include "shell/kv_vidi_ridoved_app.h"
#include "terminal/terminal_view.h"

#include <QSettings>
#include <QTimer>

void CMainFrame::OnDeviceChange()
{
    // The caller of an open box may hold a window the rescan would close.
    WhenNoModalBox(this, [this] {
        // Closing a window may let another notice in: one rescan at a time.
        if (deviceScanBusy != 0)
            return;
        deviceScanBusy = 1;
        const QStringList ports = app.PortNames();
        for (CChildFrame* child : ConnectionWindows())
            if (ShouldCloseOnDeviceChange(child->document()->Title(), ports))
                child->close();
        deviceScanBusy = 0;
    });
}

CChildFrame* CMainFrame::FindConnection(const QString& portName) const
{
    for (CChildFrame* child : ConnectionWindows())
        if (child->document()->Title().compare(portName, Qt::CaseInsensitive) == 0)
            return child;
    return nullptr;
}

bool CMainFrame::RefuseWhileBusy(CChildFrame& child, const QString& work,
                                 void (CMainFrame::*again)())
{
    CKVVidiRidovedDoc& doc = *child.document();
    if (child.view()->Tree().jobRunning.load() == 0 && doc.settings.transmissionLock == 0 &&
        doc.link)
        return false;
    // A listing the user started ends within the link's time-outs: the work
    // waits for it rather than being turned away.
    if (child.view()->Tree().RequestRunning()) {
        QTimer::singleShot(kListingWaitMs, this, again);
        return true;
    }
    app.messages().Log(
        tr("%1 on %2 refused: another job of this connection is running").arg(work, doc.Title()));
    return true;
}

// The sibling program's requests run once no box is open: served inside one, a
// run would start under the box's caller, which goes on when the box closes.
void CMainFrame::OnAutoTransmit()
{
    WhenNoModalBox(this, [this] {
        emit AutomaticWorkRequested(1);
        AutoTransmit();
    });
}

void CMainFrame::AutoTransmit()
{
    QSettings registry = TransmissionSettings();
    const std::optional<QString> file =
        TransmissionText(registry.value(QStringLiteral("Transmission/File")));
    if (!file)
        return;
    const std::optional<TransmissionTarget> target = ReadTransmissionList(*file);
    if (!target)
        return;
    if (CChildFrame* child = FindConnection(target->portName)) {
        // The run in progress keeps its speed and its list.
        if (RefuseWhileBusy(*child, tr("Automatic transmission"), &CMainFrame::AutoTransmit))
            return;
        child->view()->AutoTransmissionJob(*file, target->baudCode);
        return;
    }
    // The new connection reads the list itself and asks again once connected.
    // Should it fail, the user's next New shows the dialog again.
    app.StartMode.store(1);
    OnFileNew();
    app.StartMode.store(0);
}

void CMainFrame::OnAutoInstall()
{
    WhenNoModalBox(this, [this] {
        emit AutomaticWorkRequested(2);
        AutoInstall();
    });
}

void CMainFrame::AutoInstall()
{
    QSettings registry = TransmissionSettings();
    registry.beginGroup(QStringLiteral("Transmission"));
    const std::optional<QString> image =
        TransmissionText(registry.value(QStringLiteral("BI File")));
    const std::optional<QString> port = TransmissionText(registry.value(QStringLiteral("Port")));
    const std::optional<long long> baud = TransmissionBaud(registry.value(QStringLiteral("Baud")));
    if (!image || !port || !baud)
        return;
    if (CChildFrame* child = FindConnection(*port)) {
        if (RefuseWhileBusy(*child, tr("Automatic application install"), &CMainFrame::AutoInstall))
            return;
        child->view()->AutoInstallJob(*image, BaudCodeForRate(*baud));
        return;
    }
    app.StartMode.store(2);
    OnFileNew();
    app.StartMode.store(0);
}
