// terminal_jobs.cpp: the transfer jobs of a connection as its windows see them:
// started on the GUI thread, run on the connection's job thread, ended on the
// GUI thread again by what the worker posts as its last act.
#include "connection/job_thread.h"
#include "connection/kv_vidi_ridoved_doc.h"
#include "connection/program_settings.h"
#include "gui/gui_job_host.h"
#include "gui/message_sink.h"
#include "gui/prompter.h"
#include "gui/run_in_gui_thread.h"
#include "link/terminal_link.h"
#include "link/transfer_log.h"
#include "pc/pc_file_tree.h"
#include "pc/progress_dialog.h"
#include "terminal/code_page.h"
#include "terminal/terminal_file_tree.h"
#include "terminal/terminal_tree_rules.h"
#include "terminal/transfer_jobs.h"

#include <QApplication>

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

namespace {

// A folder's listing taken on a job's thread, for the window to show. The lock
// makes the hand-over plain to see, also to the thread checker, which cannot
// see through Qt's queued calls.
struct FolderListing {
    std::mutex lock;
    bool listed = false;
    int count = 0;
    std::vector<std::uint8_t> data;
};

void ListOnJobThread(TerminalLink& link, const std::string& request, FolderListing& listing)
{
    DirectoryListing answer;
    if (link.ListDirectory(request, &answer) != LinkStatus::Ok)
        return;
    const std::lock_guard hold(listing.lock);
    listing.data = std::move(answer.bytes);
    listing.count = answer.count;
    listing.listed = true;
}

// The host of a job of a window: once its connection is closing, the job shows
// and asks nothing more (every question counts as No); its lines still reach
// the message window.
class WindowJobHost : public GuiJobHost {
public:
    WindowJobHost(const JobThread& owner, MessageSink& messages,
                  std::function<void(std::size_t)> moved)
        : GuiJobHost(messages, std::move(moved)), thread(owner)
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

std::filesystem::path PcPath(const QString& path)
{
    return std::filesystem::path(path.toStdString());
}

} // namespace

void CTerminalFileTree::StartDrop(QTreeWidgetItem* target, CFileTreeCtrl* source)
{
    StartDownloadJob(target, source);
}

void CTerminalFileTree::StartDownloadJob(QTreeWidgetItem* target, CFileTreeCtrl* source)
{
    // Only PC files are sent: the job opens and deletes its sources as PC files.
    if (!target || !source || source->isTerminalTree != 0)
        return;
    const FileTreeImage image = ImageOf(target);
    if (image != FileTreeImage::ImageFixedDisk && image != FileTreeImage::ImageFolder)
        return;

    const QString targetPath = GetItemPath(target);
    const QStringList paths = source->MarkedPaths();
    DownloadJobInput input;
    for (const QString& path : paths)
        input.sources.push_back(PcPath(path));
    input.targetFolder = RequestPath(target);
    input.shownTargetFolder = targetPath.toStdString();
    input.move = source->copyMode == 0;
    if (document) {
        input.convert = document->services().convertOnSend();
        input.settings = document->services().convertSettings();
        input.shownFixedName =
            DecodeTerminalText(input.settings.OriFixedFileName, TerminalCodePage());
    }
    input.key = UnscrambleKeySetting();

    const QPointer<CTerminalFileTree> self(this);
    const QPointer<CFileTreeCtrl> pcTree(source);
    const QPointer<ProgressDialog> dialog(progressDialog);
    // The target folder is listed again on the job's thread, which holds the
    // link anyway: the window only fills its tree and never waits for a
    // terminal that other connections slow down.
    auto listing = std::make_shared<FolderListing>();
    const auto finish = [self, pcTree, dialog, targetPath, listing] {
        if (pcTree)
            pcTree->ClearMarks();
        if (!self) {
            // The window went while the job ran; the dialog waited for the job.
            delete dialog.data();
            return;
        }
        QTreeWidgetItem* item = self->FindItem(targetPath);
        bool listed = false;
        if (item) {
            const std::lock_guard hold(listing->lock);
            listed = listing->listed;
            if (listed) {
                self->FillItemFrom(item, listing->data, listing->count);
                item->setExpanded(true);
            }
        }
        if (dialog)
            dialog->hide();
        self->jobRunning.store(0);
        if (item && !listed)
            self->FillItem(item);
        self->ClearMarks();
        self->jobTargetItem = nullptr;
        self->jobSourceTree = nullptr;
    };
    const auto engine = [input = std::move(input), listing,
                         request = ListingRequestPath(false, RequestPath(target))](
                            TerminalLink& link, JobHost& host) {
        RunDownloadJob(link, input, host);
        ListOnJobThread(link, request, *listing);
    };
    if (!RunJob(engine, source, paths, finish))
        return;
    jobTargetItem = target;
    jobSourceTree = source;
}

void CTerminalFileTree::StartUploadJob(CFileTreeCtrl* pcTree, QTreeWidgetItem* target)
{
    if (!pcTree || !target)
        return;
    const QString targetPath = pcTree->GetItemPath(target);
    const QStringList paths = MarkedPaths();
    UploadJobInput input;
    for (const QTreeWidgetItem* item : markedItems)
        input.sources.push_back(RequestPath(item));
    for (const QString& path : paths)
        input.shownSources.push_back(path.toStdString());
    input.targetFolder = PcPath(targetPath);
    input.move = copyMode == 0;

    const QPointer<CTerminalFileTree> self(this);
    const QPointer<CFileTreeCtrl> pc(pcTree);
    const QPointer<ProgressDialog> dialog(progressDialog);
    const auto finish = [self, pc, dialog, targetPath] {
        if (self)
            self->jobRunning.store(0);
        if (auto* tree = qobject_cast<CPCFileTree*>(pc.data())) {
            if (QTreeWidgetItem* item = tree->FindItem(targetPath)) {
                tree->ListFolder(targetPath, item);
                item->setExpanded(true);
            }
            tree->ClearMarks();
        }
        if (!self) {
            delete dialog.data();
            return;
        }
        if (dialog)
            dialog->hide();
        self->ClearMarks();
        self->uploadTree = nullptr;
        self->uploadItem = nullptr;
    };
    const auto engine = [input = std::move(input)](TerminalLink& link, JobHost& host) {
        RunUploadJob(link, input, host);
    };
    if (!RunJob(engine, this, paths, finish))
        return;
    uploadTree = qobject_cast<CPCFileTree*>(pcTree);
    uploadItem = target;
}

bool CTerminalFileTree::RunJob(std::function<void(TerminalLink&, JobHost&)> engine,
                               CFileTreeCtrl* sourceTree, const QStringList& sourcePaths,
                               std::function<void()> finish)
{
    TerminalLink* const l = Link();
    JobThread* const thread = document ? document->job.get() : nullptr;
    if (!l || !thread)
        return false;
    if (jobRunning.load()) {
        ThePrompter().ShowMessage(MessageText(MessageId::AnotherJob));
        return false;
    }
    jobRunning.store(1);
    // A Cancel pressed after the last job had ended (while its dialog was still
    // up) belongs to that job, not to this one.
    l->cancel.store(0);
    if (progressDialog) {
        progressDialog->SetCancelVisible(true);
        progressDialog->progress().totalFiles = static_cast<int>(sourcePaths.size());
        progressDialog->progress().finishedFiles = 0;
        progressDialog->show();
    }
    // Runs on the GUI thread: a moved file's item leaves its tree. Items are found
    // by path, since the user may have listed the folder again meanwhile.
    const QPointer<CFileTreeCtrl> source(sourceTree);
    auto moved = [source, sourcePaths](std::size_t index) {
        if (!source || index >= static_cast<std::size_t>(sourcePaths.size()))
            return;
        if (QTreeWidgetItem* item = source->FindItem(sourcePaths[static_cast<qsizetype>(index)]))
            source->RemoveItem(item);
    };
    // The thread outlives the work it runs (it is joined before it goes), and the
    // link outlives the thread (the reaper joins the job before destroying it).
    // Its lines carry the connection's name, also those its end writes on the
    // GUI thread, whichever window is active by then.
    const std::string connection = document->Title().toStdString();
    thread->SetLogConnection(connection);
    // Made here, on the GUI thread: the job's thread only hands it back.
    auto done = [finish = std::move(finish), connection] {
        const ScopedLogConnection logAs(connection);
        finish();
    };
    thread->Start([engine = std::move(engine), done = std::move(done), moved = std::move(moved), l,
                   thread, sink = &messages()] {
        WindowJobHost host(*thread, *sink, moved);
        engine(*l, host);
        PostToGuiThread(qApp, done);
    });
    return true;
}
