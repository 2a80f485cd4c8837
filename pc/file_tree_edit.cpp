// file_tree_edit.cpp: what the edit commands do to the tree they act on: Cut and
// Copy take its items for Paste, Delete deletes them. The tree keeps its marks
// and its place as the clipboard; the frame only picks the tree.
#include "pc/file_tree_ctrl.h"

#include "gui/message_sink.h"
#include "gui/prompter.h"
#include "link/operation_text.h"

#include <QPointer>

namespace {

// The file of the open menu when it is not among the marks, else null.
QTreeWidgetItem* MenuFileOutsideMarks(const CFileTreeCtrl& tree)
{
    QTreeWidgetItem* item = tree.contextItem;
    return item && CFileTreeCtrl::ImageOf(item) == FileTreeImage::ImageFile &&
                   !tree.markedItems.contains(item)
               ? item
               : nullptr;
}

} // namespace

void CFileTreeCtrl::TakeForClipboard(int mode)
{
    state->clipboardTree = this;
    copyMode = mode;
    // From the menu of a file outside the marks: that file alone. Otherwise (the
    // keys, or a marked file's menu) the marks as they are.
    if (QTreeWidgetItem* item = MenuFileOutsideMarks(*this)) {
        ClearMarks();
        markedItems.append(item);
        SetMarked(item, true);
    }
}

void CFileTreeCtrl::DeleteMarked()
{
    // The menu of a file adds that file; the key deletes the marks alone.
    if (QTreeWidgetItem* item = MenuFileOutsideMarks(*this))
        markedItems.append(item);
    state->clipboardTree = this;
    const QPointer<CFileTreeCtrl> self(this);
    const QList<QTreeWidgetItem*> items = markedItems;
    for (QTreeWidgetItem* item : items) {
        // Removing an item forgets everything below it.
        if (!markedItems.contains(item))
            continue;
        const QString path = GetItemPath(item);
        const LinkStatus result = DeleteItemFile(path);
        if (result == LinkStatus::Ok) {
            RemoveItem(item);
            messages().Log(DeleteDoneLine(path.toStdString()));
            continue;
        }
        if (const auto message = MessageForDelete(result))
            ShowMessage(*message);
        messages().Log(DeleteFailLine(path.toStdString()));
        // The tree's window may close while the box is open.
        if (!self)
            return;
        // Gone already: the item goes too, as the terminal no longer lists it.
        if (result == LinkStatus::NoSuchFile && ImageOf(item) == FileTreeImage::ImageFile)
            RemoveItem(item);
    }
    markedItems.clear();
    SetDropHighlight(nullptr);
}
