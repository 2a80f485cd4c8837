// file_tree_ctrl.h: the tree control both file trees are made of: item kinds and
// images, the marked files, the mouse rules that mark and drag files from one
// tree to another, the enable flags of the edit commands, the Delete key.
// GUI thread only, except where a member says otherwise.
#pragma once

#include "link/link_status.h"
#include "pc/file_tree_rules.h"

#include <QList>
#include <QTreeWidget>

#include <atomic>
#include <optional>

class CFileTreeCtrl;
class MessageSink;

// Shared by the trees and the main frame: the trees write it on clicks, the frame
// reads it to enable its edit commands and act on them.
struct EditCommandState {
    int copyEnabled = 0;
    int cutEnabled = 0;
    int deleteEnabled = 0;
    int formatEnabled = 0;
    int propertyEnabled = 0;
    CFileTreeCtrl* contextTree = nullptr;   // the tree last clicked or right-clicked
    CFileTreeCtrl* clipboardTree = nullptr; // the tree Cut or Copy last took items from
};

class CFileTreeCtrl : public QTreeWidget {
    Q_OBJECT
public:
    explicit CFileTreeCtrl(QWidget* parent = nullptr);
    ~CFileTreeCtrl() override;

    // The state this tree writes; not owned. Without one the tree keeps its own.
    void SetCommandState(EditCommandState* state);
    EditCommandState& commandState() { return *state; }
    // Where the tree and its jobs write their lines; not owned. Without one
    // they go nowhere.
    void SetMessageSink(MessageSink* sink);
    MessageSink& messages() const;

    // The item's path: the texts from below the root down to the item, joined with
    // the tree's separator ("/" on the PC, "\" on a terminal). The root's own text
    // is never part of it; for the root itself its text.
    QString GetItemPath(const QTreeWidgetItem* item) const;
    // The item whose GetItemPath is path, or null.
    QTreeWidgetItem* FindItem(const QString& path) const;
    // GetItemPath of every marked item, in order.
    QStringList MarkedPaths() const;
    // Unmarks every marked item and empties markedItems.
    void ClearMarks();
    // Deletes all children of item.
    void DeleteChildren(QTreeWidgetItem* item);
    // Deletes item and its children, forgetting every reference to them.
    void RemoveItem(QTreeWidgetItem* item);
    // Deletes every item.
    void RemoveAllItems();
    // Loads the eight images and gives every item its kind's image again.
    void BuildImageList();

    // Inserts an item under parent (null: top level, last) at its place by text,
    // compared without regard to case.
    QTreeWidgetItem* InsertItem(QTreeWidgetItem* parent, const QString& text, FileTreeImage image);
    static FileTreeImage ImageOf(const QTreeWidgetItem* item);
    // A greyed item (not enabled) is there to be seen: a file the terminal cannot
    // store. It is never marked, so it is never dragged, cut, copied or sent.
    static bool IsGreyed(const QTreeWidgetItem* item);
    bool IsMarked(const QTreeWidgetItem* item) const;
    void SetMarked(QTreeWidgetItem* item, bool marked);
    QTreeWidgetItem* dropHighlightItem() const { return dropItem; }
    void SetDropHighlight(QTreeWidgetItem* item);
    // The item's text rectangle widened 54 pixels to the left (viewport coordinates):
    // a left press elsewhere is ignored.
    QRect PressRect(const QTreeWidgetItem* item) const;
    QChar PathSeparator() const { return isTerminalTree == 0 ? u'/' : u'\\'; }

    // The file tree under a screen point, or null.
    static CFileTreeCtrl* TreeAt(const QPoint& globalPos);

    // The drop and paste entry of the PC tree: copies or moves source's marked
    // items to target.
    virtual void AcceptDrop(QTreeWidgetItem* target, CFileTreeCtrl* source);
    // The drop start of a terminal tree: sends source's marked items to target.
    virtual void StartDrop(QTreeWidgetItem* target, CFileTreeCtrl* source);
    // The terminal-to-PC job of a terminal tree: its marked items to target, a
    // drive or folder of pcTree.
    virtual void StartUploadJob(CFileTreeCtrl* pcTree, QTreeWidgetItem* target);
    // Deletes the file at path: Ok, or the status that says why not.
    virtual LinkStatus DeleteItemFile(const QString& path);
    // The right-click's menu closed and its command, if any, ran: the item it was
    // about stops being the one commands act on, and a file it showed marked
    // without being among the marks shows plain again.
    void EndContextMenu();
    // What Paste and F5 act on: the right-clicked item while its menu is open,
    // else the folder shown highlighted (the one clicked last).
    QTreeWidgetItem* CommandTarget() const { return contextItem ? contextItem : dropItem; }
    // Cut (mode 0) or Copy (1): the marks, or the file of the open menu alone
    // when it is not among them, become what Paste takes from this tree.
    void TakeForClipboard(int mode);
    // Delete: the marks and the file of the open menu, each deleted where it
    // lives (DeleteItemFile) and its item gone; each failure is told and logged.
    // The tree may be gone on return, its window closed while a box was open.
    void DeleteMarked();
    // A terminal tree's Property and Format commands on contextItem.
    virtual void ShowTerminalProperties() {}
    virtual void FormatSelectedDisk() {}

    static constexpr int kPressLeftMargin = 54;

    // Fields the trees, the frame and the jobs share.
    QTreeWidgetItem* rootItem = nullptr;
    int isTerminalTree = -1;             // 0 in the PC tree, 1 in a terminal tree
    int copyMode = 1;                    // 1: a transfer from this tree copies; 0: it moves
    QList<QTreeWidgetItem*> markedItems; // in the order they were marked
    QTreeWidgetItem* jobTargetItem = nullptr;
    QTreeWidgetItem* contextItem = nullptr; // only while its menu is open
    // Presses, releases and right-clicks are ignored while set: 1 while a job of
    // the connection runs, kRequestJob while a request of the window (a listing,
    // the properties, the terminal's clock or information) does.
    std::atomic<int> jobRunning{0};
    static constexpr int kRequestJob = 2;
    CFileTreeCtrl* jobSourceTree = nullptr;
    bool dragging = false;

signals:
    // The tree wrote the enable flags or the context tree.
    void CommandsChanged();
    // A right-click asks for the context menu at a screen point.
    void ContextMenuRequested(const QPoint& globalPos);
    // The Delete key: this tree is the context tree now; the frame's Delete
    // command runs on it.
    void DeleteKeyPressed();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

    // The left-button release of the derived tree; the base runs BaseLeftRelease.
    virtual void HandleLeftRelease(QMouseEvent* event);
    // Ends a drag: the cursor returns, dragging is cleared.
    void BaseLeftRelease(QMouseEvent* event);
    // At a drop: marks again the items marked when the drag's button went down
    // (a job that ended meanwhile may have cleared the marks), those still in the
    // tree. False, and the message window is told so, when none is left.
    bool TakeDragItems();

private:
    void LeftButtonDown(const QPoint& pos, Qt::KeyboardModifiers modifiers);
    void RightButtonDown(const QPoint& pos, const QPoint& globalPos);
    void DragOver(CFileTreeCtrl* target, const QPoint& globalPos);
    void SetDragCursor(Qt::CursorShape shape);
    void RestoreDragCursor();
    void Forget(QTreeWidgetItem* item);
    void RefreshLook(QTreeWidgetItem* item);

    EditCommandState ownState;
    EditCommandState* state = &ownState;
    MessageSink* sink = nullptr;
    QTreeWidgetItem* dropItem = nullptr;
    bool dragCursorSet = false;
    QStringList dragPaths; // the marked items at the last left press
};
