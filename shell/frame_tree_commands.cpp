// frame_tree_commands.cpp: the main frame's commands on the tree the user last
// clicked or pressed a key in: cut, copy, paste, delete, properties, format.
#include "shell/main_frame.h"

#include "pc/file_tree_rules.h"

#include <QMenu>

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
    if (CFileTreeCtrl* tree = commands.contextTree)
        tree->TakeForClipboard(mode);
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
    if (CFileTreeCtrl* tree = commands.contextTree)
        tree->DeleteMarked();
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
