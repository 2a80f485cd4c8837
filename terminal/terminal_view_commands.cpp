// terminal_view_commands.cpp: the connection commands of a terminal view: the
// clock, the terminal's information, the reconnect, and the application and
// batch downloads, which run on the connection's job thread.
#include "connection/connect_setup_dialog.h"
#include "connection/device_monitor.h"
#include "connection/job_thread.h"
#include "connection/kv_vidi_ridoved_doc.h"
#include "connection/program_settings.h"
#include "gui/gui_job_host.h"
#include "gui/message_sink.h"
#include "gui/modal_box.h"
#include "gui/prompter.h"
#include "gui/run_in_gui_thread.h"
#include "link/operation_text.h"
#include "link/terminal_link.h"
#include "link/transfer_log.h"
#include "pc/progress_dialog.h"
#include "terminal/application_download_job.h"
#include "terminal/auto_transmission.h"
#include "terminal/batch_download_job.h"
#include "terminal/terminal_info_dialog.h"
#include "terminal/terminal_time_dialog.h"
#include "terminal/terminal_view.h"

#include <QApplication>
#include <QFileDialog>
#include <QTimer>

#include <memory>

namespace {

// Between closing the old port and opening the new one.
constexpr int kReconnectPauseMs = 1000;

// The host of a view's job: once the connection is closing, nothing more is
// shown; lines still reach the message window.
class ViewJobHost : public GuiJobHost {
public:
    ViewJobHost(const JobThread& owner, MessageSink& messages) : GuiJobHost(messages), thread(owner)
    {
    }
    void ShowMessage(MessageId id, const std::string& argument) override
    {
        if (!thread.Abandoned())
            GuiJobHost::ShowMessage(id, argument);
    }
    bool AskYesNo(MessageId id, const std::string& argument) override
    {
        return !thread.Abandoned() && GuiJobHost::AskYesNo(id, argument);
    }

private:
    const JobThread& thread;
};

// The message box of a status, when it calls for one.
void ShowStatusMessage(std::optional<MessageId> id)
{
    if (id)
        ShowMessage(*id);
}

} // namespace

bool CTerminalView::ExecDialog(QDialog& dialog)
{
    // The view may go while the dialog waits (its window closed): the dialog
    // belongs to the main window, and nothing of the view is touched after.
    const QPointer<CTerminalView> self(this);
    openDialog = &dialog;
    const int answer = ExecModal(dialog);
    if (!self)
        return false;
    openDialog = nullptr;
    return answer == QDialog::Accepted;
}

QString CTerminalView::ChooseFile(const QString& suffix, const QString& filter)
{
    QFileDialog dialog(window());
    dialog.setObjectName(QStringLiteral("downloadFileDialog"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setDefaultSuffix(suffix);
    dialog.setNameFilter(filter);
    if (!ExecDialog(dialog) || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

void CTerminalView::OnCommunicate()
{
    if (tree.jobRunning.load()) {
        ShowMessage(MessageId::AnotherJob);
        return;
    }
    ProgramServices& app = doc.services();
    ConnectionSettings chosen = doc.settings;
    ConnectSetupDialog dialog(
        chosen, [&app] { return app.PortNames(); }, window());
    connect(&app.deviceMonitor(), &DeviceMonitor::DevicesChanged, &dialog,
            &ConnectSetupDialog::OnDeviceChange);
    if (!ExecDialog(dialog) ||
        (chosen.portName == doc.settings.portName && chosen.baudCode == doc.settings.baudCode))
        return;
    // A job may have started from the tree while the dialog was open.
    if (tree.jobRunning.load()) {
        ShowMessage(MessageId::AnotherJob);
        return;
    }
    // Nothing uses the link while it changes: the job flag keeps the jobs and
    // the commands away until the new port is open.
    tree.jobRunning.store(1);
    reconnecting = true;
    ReleaseLink();
    doc.ClosePortForReconnect();
    const int listPosition = dialog.listPosition;
    QTimer::singleShot(kReconnectPauseMs, this, [this, chosen, listPosition] {
        const CKVVidiRidovedDoc::Reopened reopened = doc.ReopenPort(chosen, listPosition);
        tree.jobRunning.store(0);
        reconnecting = false;
        const ScopedLogConnection logAs(doc.Title().toStdString());
        const QPointer<CTerminalView> self(this);
        if (reopened != CKVVidiRidovedDoc::Reopened::Chosen)
            ShowOpenPortFail(doc.services(), chosen.portName);
        if (!self)
            return;
        if (reopened == CKVVidiRidovedDoc::Reopened::None) {
            // Neither port opens: the connection is over.
            doc.services().messages().Log(
                tr("The connection on %1 is closed: its port cannot be opened again")
                    .arg(doc.settings.portName));
            if (QWidget* window = parentWidget())
                window->close();
            return;
        }
        if (reopened == CKVVidiRidovedDoc::Reopened::Previous)
            doc.services().messages().Log(
                tr("The connection stays on %1").arg(doc.settings.portName));
        AttachLink(*doc.link);
        // The tree showed what the other terminal holds.
        tree.InsertRoot();
    });
}

TerminalLink* CTerminalView::LinkForCommand()
{
    if (tree.jobRunning.load()) {
        ShowMessage(MessageId::AnotherJob);
        return nullptr;
    }
    return doc.link.get();
}

void CTerminalView::OnSetTime()
{
    TerminalLink* link = LinkForCommand();
    if (!link)
        return;
    DateTimeRecord chosen = RecordOf(PcLocalTime());
    TerminalTimeDialog dialog(chosen, window());
    if (!ExecDialog(dialog))
        return;
    // The link may have changed or gone while the dialog was shown.
    link = LinkForCommand();
    if (!link)
        return;
    const DateTimeRecord time = dialog.noSync == 0 ? RecordOf(PcLocalTime()) : chosen;
    auto status = std::make_shared<LinkStatus>(LinkStatus::NoReply);
    tree.RunRequest([text = TerminalTimeText(time),
                     status](TerminalLink& l) { *status = l.SetTerminalTime(text); },
                    [this, status] { ShowStatusMessage(MessageForSetTime(*status)); });
}

void CTerminalView::OnGetInformation()
{
    TerminalLink* link = LinkForCommand();
    if (!link)
        return;
    auto answer = std::make_shared<std::pair<LinkStatus, TerminalInfo>>();
    answer->first = LinkStatus::NoReply;
    tree.RunRequest(
        [answer](TerminalLink& l) { answer->first = l.GetTerminalInfo(&answer->second); },
        [this, answer] {
            if (answer->first != LinkStatus::Ok) {
                ShowStatusMessage(MessageForTerminalInfo(answer->first));
                return;
            }
            TerminalInfoDialog dialog(answer->second, window());
            ExecDialog(dialog);
        });
}

void CTerminalView::OnApplicationDownload()
{
    const QString path = ChooseFile(QStringLiteral("bin"), tr("Application Files (*.bin)"));
    if (path.isEmpty())
        return;
    appImagePath = path;
    ApplicationDownloadJob();
}

void CTerminalView::OnBatchDownload()
{
    const QString path = ChooseFile(QStringLiteral("cmb"), tr("Batch Build Files (*.cmb)"));
    if (path.isEmpty())
        return;
    batchFilePath = path;
    BatchDownloadJob();
}

void CTerminalView::ApplicationDownloadJob()
{
    StartApplicationDownload(false);
}

void CTerminalView::AutoInstallJob(const QString& image, int baudCode)
{
    doc.SetSpeed(baudCode);
    appImagePath = image;
    StartApplicationDownload(true);
}

void CTerminalView::StartApplicationDownload(bool automatic)
{
    const QString imagePath = appImagePath;
    const std::filesystem::path image = imagePath.toStdString();
    auto status = std::make_shared<LinkStatus>(LinkStatus::Ok);
    StartJob(
        false,
        [image, status](TerminalLink& link, JobHost&) {
            *status = RunApplicationDownloadJob(link, image);
        },
        [this, status, automatic, imagePath] {
            const QString text = ApplicationDownloadText(*status);
            // Nobody may be watching an install another program asked for:
            // the message window and the transfer log keep its outcome.
            if (automatic)
                doc.services().messages().Log(
                    tr("Automatic application install of %1: %2")
                        .arg(imagePath, QString(text).replace(u'\n', u' ')));
            ThePrompter().ShowMessage(text);
        });
}

void CTerminalView::BatchDownloadJob()
{
    BatchDownloadInput input;
    input.file = batchFilePath.toStdString();
    input.portName = doc.settings.portName.toStdString();
    input.key = UnscrambleKeySetting();
    auto result = std::make_shared<BatchDownloadResult>();
    const QString file = batchFilePath;
    StartJob(
        true,
        [input = std::move(input), result](TerminalLink& link, JobHost& host) {
            *result = RunBatchDownloadJob(link, input, host);
        },
        [this, result, file] {
            if (!result->opened) {
                ShowMessage(MessageId::OpenFileFail);
                return;
            }
            // The window may close while the closing box is open.
            const QPointer<CTerminalView> self(this);
            if (result->damagedRecord != 0)
                doc.services().messages().Log(
                    tr("%1: record %2 is damaged; it and the records after it were not sent")
                        .arg(file)
                        .arg(result->damagedRecord));
            if (result->sent == result->records) {
                ShowMessage(MessageId::BatchDone);
            } else {
                // The job has named each record that did not go.
                doc.services().messages().Log(tr("%1: %2 of %3 records sent")
                                                  .arg(file)
                                                  .arg(result->sent)
                                                  .arg(result->records));
                ThePrompter().ShowMessage(
                    tr("Batch build file download incomplete: %1 of %2 records sent. The message "
                       "window names the others.")
                        .arg(result->sent)
                        .arg(result->records));
            }
            if (self)
                tree.FillItem(tree.rootItem);
        });
}

bool CTerminalView::AutoTransmissionJob(const QString& listFile, int baudCode)
{
    doc.SetSpeed(baudCode);
    doc.transmissionFile = listFile;
    if (!doc.link || tree.jobRunning.load())
        return false;
    auto result = std::make_shared<TransmissionRunResult>();
    doc.settings.transmissionLock = 1;
    const bool started = StartJob(
        true,
        [list = std::filesystem::path(listFile.toStdString()), result](TerminalLink& link,
                                                                       JobHost& host) {
            *result = AutoTransmissionThread(link, list, host);
        },
        [this, result, listFile] {
            doc.settings.transmissionLock = 0;
            if (result->listRead)
                doc.services().messages().Log(
                    tr("Automatic transmission from %1: %2 of %3 files sent")
                        .arg(listFile)
                        .arg(result->sent)
                        .arg(result->entries));
        });
    if (!started)
        doc.settings.transmissionLock = 0;
    return started;
}

bool CTerminalView::StartJob(bool cancelVisible, std::function<void(TerminalLink&, JobHost&)> work,
                             std::function<void()> finish)
{
    TerminalLink* const link = doc.link.get();
    JobThread* const thread = doc.job.get();
    if (!link || !thread)
        return false;
    if (tree.jobRunning.load()) {
        ShowMessage(MessageId::AnotherJob);
        return false;
    }
    tree.jobRunning.store(1);
    // A Cancel pressed after the last job had ended belongs to that job.
    link->cancel.store(0);
    if (progress) {
        progress->SetCancelVisible(cancelVisible);
        progress->progress().totalFiles = 1;
        progress->progress().finishedFiles = 0;
        progress->show();
        // At once, so that a hidden Cancel never shows for a moment.
        progress->Refresh();
    }
    const QPointer<CTerminalView> self(this);
    const QPointer<ProgressDialog> dialog(progress.get());
    const std::string connection = doc.Title().toStdString();
    auto done = [self, dialog, connection, finish = std::move(finish)] {
        if (!self) {
            // The window went while the job ran; its dialog waited for the job.
            delete dialog.data();
            return;
        }
        if (dialog)
            dialog->hide();
        self->tree.jobRunning.store(0);
        // A connection closing asks nothing more of the user. Its lines carry
        // its name, whichever window is active by now.
        const ScopedLogConnection logAs(connection);
        if (self->doc.job)
            finish();
    };
    // The thread outlives the work it runs, and the link the thread: the reaper
    // joins the job before it destroys the link.
    thread->SetLogConnection(connection);
    thread->Start([work = std::move(work), done = std::move(done), link, thread,
                   sink = &doc.services().messages()] {
        ViewJobHost host(*thread, *sink);
        work(*link, host);
        PostToGuiThread(qApp, done);
    });
    return true;
}
