// frame_tree_commands.cpp: the main frame's commands on the tree the user last
// clicked or pressed a key in: cut, copy, paste, delete, properties, format.
#include "shell/main_frame.h"

#include "gui/message_window.h"
#include "gui/prompter.h"
#include "link/operation_text.h"
#include "pc/file_tree_rules.h"
#include "terminal/terminal_tree_rules.h"

#include <QMenu>
#include <QPointer>

bool CMainFrame::PasteEnabledNow() const
{
    const CFileTreeCtrl* context = commands.contextTree;
    const CFileTreeCtrl* clip = commands.clipboardTree;
    if (!context)
        return false;
    PasteSituation s;
    s.contextIsTerminal = context->isTerminalTree != 0;
    s.clipboardSet = clip != nullptr;
    s.clipboardIsContext = clip == context;
    s.clipboardHasMarks = clip && !clip->markedItems.isEmpty();
    if (const QTreeWidgetItem* target = context->CommandTarget())
        s.contextItemImage = CFileTreeCtrl::ImageOf(target);
    return PasteEnabled(s);
}

void CMainFrame::CutOrCopy(int mode)
{
    CFileTreeCtrl* tree = commands.contextTree;
    if (!tree)
        return;
    commands.clipboardTree = tree;
    tree->copyMode = mode;
    // From the menu of a file outside the marks: that file alone. Otherwise (the
    // keys, or a marked file's menu) the marks as they are.
    if (QTreeWidgetItem* item = tree->contextItem;
        item && CFileTreeCtrl::ImageOf(item) == FileTreeImage::ImageFile &&
        !tree->markedItems.contains(item)) {
        tree->ClearMarks();
        tree->markedItems.append(item);
        tree->SetMarked(item, true);
    }
    UpdateCommands();
}

void CMainFrame::OnCut()
{
    CutOrCopy(0);
}

void CMainFrame::OnCopy()
{
    CutOrCopy(1);
}

void CMainFrame::OnPaste()
{
    CFileTreeCtrl* clip = commands.clipboardTree;
    CFileTreeCtrl* context = commands.contextTree;
    if (!clip || !context || clip->markedItems.isEmpty())
        return;
    QTreeWidgetItem* target = context->CommandTarget();
    if (context->isTerminalTree != 0)
        context->StartDrop(target, clip);
    else
        context->AcceptDrop(target, clip);
}

void CMainFrame::OnDelete()
{
    const QPointer<CFileTreeCtrl> tree = commands.contextTree;
    if (!tree)
        return;
    // The menu of a file adds that file; the key deletes the marks alone.
    if (QTreeWidgetItem* item = tree->contextItem;
        item && CFileTreeCtrl::ImageOf(item) == FileTreeImage::ImageFile &&
        !tree->markedItems.contains(item))
        tree->markedItems.append(item);
    commands.clipboardTree = tree;
    const QList<QTreeWidgetItem*> items = tree->markedItems;
    for (QTreeWidgetItem* item : items) {
        // Removing an item forgets everything below it.
        if (!tree->markedItems.contains(item))
            continue;
        const QString path = tree->GetItemPath(item);
        const LinkStatus result = tree->DeleteItemFile(path);
        std::string line;
        if (result == LinkStatus::Ok) {
            tree->RemoveItem(item);
            line = DeleteDoneLine(path.toStdString());
        } else {
            if (const auto message = MessageForDelete(result))
                ShowMessage(*message);
            line = DeleteFailLine(path.toStdString());
            // The tree's window may close while the box is open.
            if (!tree) {
                LogMessage(line);
                return;
            }
            // Gone already: the item goes too, as the terminal no longer lists it.
            if (result == LinkStatus::NoSuchFile &&
                CFileTreeCtrl::ImageOf(item) == FileTreeImage::ImageFile)
                tree->RemoveItem(item);
        }
        LogMessage(line);
    }
    tree->markedItems.clear();
    tree->SetDropHighlight(nullptr);
    UpdateCommands();
}

void CMainFrame::OnProperty()
{
    if (commands.contextTree)
        commands.contextTree->ShowTerminalProperties();
}

void CMainFrame::OnFormat()
{
    if (commands.contextTree)
        commands.contextTree->FormatSelectedDisk();
}

void CMainFrame::ShowContextMenu(const QPoint& globalPos)
{
    UpdateCommands();
    treeMenu->popup(globalPos);
}
