// The Collect command of a connection window: every file of the folder the user
// highlighted in the terminal's tree into a PC folder of the terminal's own, on
// the connection's job thread, with the progress dialog and its Cancel.
#include "connection/program_settings.h"
#include "terminal/terminal_view.h"

#include "connection/kv_vidi_ridoved_doc.h"
#include "gui/message_sink.h"
#include "gui/prompter.h"
#include "link/job_host.h"
#include "terminal/collect_job.h"

#include <QDir>
#include <QFileDialog>
#include <QSettings>

#include <algorithm>
#include <memory>

namespace {

const QString kCollectFolderKey = QStringLiteral("Setting/CollectFolder");

} // namespace

void CTerminalView::OnCollect()
{
    if (!doc.link)
        return;
    if (tree.jobRunning.load()) {
        ShowMessage(MessageId::AnotherJob);
        return;
    }
    QTreeWidgetItem* item = tree.CommandTarget();
    const FileTreeImage image = item ? CFileTreeCtrl::ImageOf(item) : FileTreeImage::ImagePc;
    if (image != FileTreeImage::ImageFolder && image != FileTreeImage::ImageFixedDisk) {
        ThePrompter().ShowMessage(tr("Click the terminal folder to collect first (C:\\DATA, for "
                                     "example)."));
        return;
    }
    const QString shown = tree.GetItemPath(item);
    CollectInput input;
    input.remoteDir = tree.RequestPath(item);
    input.portName = doc.settings.portName.toStdString();

    QFileDialog dialog(window(), tr("Collect %1 into").arg(shown));
    dialog.setObjectName(QStringLiteral("collectFolderDialog"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    QSettings settings = ProgramSettings();
    dialog.setDirectory(settings.value(kCollectFolderKey, QDir::homePath()).toString());
    if (!ExecDialog(dialog) || dialog.selectedFiles().isEmpty())
        return;
    const QString folder = dialog.selectedFiles().first();
    settings.setValue(kCollectFolderKey, folder);
    input.localDir = folder.toStdString();
    input.deleteAfter = ThePrompter().AskYesNoDefaultNo(
        tr("Delete each file of %1 on the terminal once its copy is verified?").arg(shown));

    auto result = std::make_shared<CollectResult>();
    StartJob(
        true,
        [input, result, shownDir = shown.toStdString()](TerminalLink& link, JobHost& host) {
            *result = RunCollect(link, input, [&](const CollectedFile& file) {
                host.LogLine(CollectFileLine(shownDir, file));
            });
        },
        [this, result, shown, deleteAfter = input.deleteAfter] {
            if (result->status != LinkStatus::Ok) {
                doc.services().messages().Log(tr("Collect %1 failed (status %2)")
                                                  .arg(shown)
                                                  .arg(StatusValue(result->status)));
                return;
            }
            const auto count = [&](auto pass) {
                return static_cast<int>(
                    std::count_if(result->files.begin(), result->files.end(), pass));
            };
            const int collected =
                count([](const CollectedFile& f) { return f.outcome != CollectOutcome::Failed; });
            const int deleted = count([](const CollectedFile& f) { return f.deleted; });
            doc.services().messages().Log(
                (deleteAfter ? tr("Collect %1 into %2: %3 of %4 files collected, %5 "
                                  "deleted on the terminal")
                             : tr("Collect %1 into %2: %3 of %4 files collected"))
                    .arg(shown, QString::fromStdString(result->folder.string()))
                    .arg(collected)
                    .arg(result->files.size())
                    .arg(deleted));
            if (QTreeWidgetItem* listed = tree.FindItem(shown))
                tree.FillItem(listed);
        });
}
