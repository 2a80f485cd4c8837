#include "pc/pc_file_tree.h"

#include "gui/gui_job_host.h"
#include "pc/pc_copy.h"
#include "pc/volumes.h"

#include <QDir>
#include <QFile>
#include <QMouseEvent>

CPCFileTree::CPCFileTree(QWidget* parent) : CFileTreeCtrl(parent)
{
    setObjectName(QStringLiteral("pcTree"));
    isTerminalTree = 0;
}

void CPCFileTree::FillTree()
{
    RemoveAllItems();
    rootItem = InsertItem(nullptr, QStringLiteral("PC"), FileTreeImage::ImagePc);
    for (const Volume& v : ListVolumes()) {
        QTreeWidgetItem* drive = InsertItem(rootItem, v.path, v.image);
        InsertItem(drive, QString(), FileTreeImage::ImagePc);
    }
    rootItem->setExpanded(true);
}

void CPCFileTree::ListFolder(const QString& path, QTreeWidgetItem* item)
{
    DeleteChildren(item);
    if (QDir::isRelativePath(path))
        return;
    const QDir dir(path);
    const QFileInfoList entries = dir.entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QFileInfo& entry : entries) {
        const QString name = entry.fileName();
        // Hidden: the name begins with "."; system: neither a folder nor a regular file.
        if (name.startsWith(u'.') || (!entry.isDir() && !entry.isFile()))
            continue;
        if (entry.isDir()) {
            QTreeWidgetItem* folder = InsertItem(item, name, FileTreeImage::ImageFolder);
            InsertItem(folder, name, FileTreeImage::ImagePc);
        } else {
            QTreeWidgetItem* file = InsertItem(item, name, FileTreeImage::ImageFile);
            // Shown, so that the user learns why it cannot go, but greyed.
            if (!IsEightThreeName(name)) {
                file->setFlags(file->flags() & ~Qt::ItemIsEnabled);
                file->setToolTip(0, UnsendableNameTip());
            }
        }
    }
}

QString CPCFileTree::UnsendableNameTip()
{
    return tr("The terminal stores names of up to 8 letters and a 3-letter extension; this file "
              "cannot be sent.");
}

void CPCFileTree::AcceptDrop(QTreeWidgetItem* target, CFileTreeCtrl* source)
{
    if (!target || !source || !IsDropContainer(ImageOf(target)))
        return;
    if (source->isTerminalTree != 0) {
        source->StartUploadJob(this, target);
        return;
    }
    const QString folder = GetItemPath(target);
    const QStringList paths = source->MarkedPaths();
    PcCopyInput input;
    input.targetFolder = folder.toStdString();
    input.move = source->copyMode == 0;
    for (const QString& path : paths)
        input.sources.emplace_back(path.toStdString());
    // On this thread the host's requests run at once; a moved file's item goes
    // from its tree as soon as the file has gone.
    GuiJobHost host(messages(), [source, &paths](std::size_t index) {
        if (index < static_cast<std::size_t>(paths.size()))
            if (QTreeWidgetItem* item = source->FindItem(paths[static_cast<qsizetype>(index)]))
                source->RemoveItem(item);
    });
    RunPcCopy(input, host);
    // Only file items go with a move, so the target folder's item is still there.
    ListFolder(folder, target);
    target->setExpanded(true);
    source->ClearMarks();
    ClearMarks();
}

LinkStatus CPCFileTree::DeleteItemFile(const QString& path)
{
    // A relative path (the root's "PC") would be read against the current folder.
    if (QDir::isRelativePath(path) || !QFileInfo(path).isFile())
        return AnswerCode(1);
    // The desktop's trash keeps it where there is one, so a slip can be undone.
    if (QFile::moveToTrash(path) || QFile::remove(path))
        return LinkStatus::Ok;
    return AnswerCode(1);
}

void CPCFileTree::showEvent(QShowEvent* event)
{
    CFileTreeCtrl::showEvent(event);
    // A window coming back from minimised shows its children spontaneously:
    // the open folders and a pending Cut or Copy stay.
    if (!event->spontaneous())
        FillTree();
}

void CPCFileTree::HandleLeftRelease(QMouseEvent* event)
{
    if (jobRunning.load()) {
        BaseLeftRelease(event);
        return;
    }
    const QPoint pos = event->position().toPoint();
    if (dragging) {
        const QPoint globalPos = event->globalPosition().toPoint();
        CFileTreeCtrl* target = TreeAt(globalPos);
        BaseLeftRelease(event);
        if (target == this) {
            if (TakeDragItems())
                AcceptDrop(itemAt(pos), this);
        } else if (target && target->isTerminalTree != 0) {
            if (TakeDragItems())
                target->StartDrop(target->itemAt(target->viewport()->mapFromGlobal(globalPos)),
                                  this);
        }
        return;
    }
    // Released over another window: no click, whatever item sits at that height.
    QTreeWidgetItem* item = viewport()->rect().contains(pos) ? itemAt(pos) : nullptr;
    if (item) {
        const FileTreeImage image = ImageOf(item);
        if (image == FileTreeImage::ImageFile) {
            if (!(event->modifiers() & Qt::ControlModifier) && IsMarked(item)) {
                const QList<QTreeWidgetItem*> others = markedItems;
                for (QTreeWidgetItem* other : others)
                    if (other != item) {
                        markedItems.removeAll(other);
                        SetMarked(other, false);
                    }
            }
        } else if (image == FileTreeImage::ImagePc) {
            item->setExpanded(!item->isExpanded());
        } else if (IsListableContainer(image)) {
            // The path keeps its case: on this file system case matters.
            ListFolder(GetItemPath(item), item);
            item->setExpanded(!item->isExpanded());
        }
    }
    BaseLeftRelease(event);
}
