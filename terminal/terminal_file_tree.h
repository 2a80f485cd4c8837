// terminal_file_tree.h: the disks, folders and files of one connected terminal,
// listed one level at a time whenever the user clicks a container; the source of
// terminal-to-PC transfers, with the properties, delete and format of its items.
// GUI thread; a job's worker reaches it only through RunInGuiThread.
#pragma once

#include "link/link_status.h"
#include "pc/file_tree_ctrl.h"

#include <QPointer>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>

class CKVVidiRidovedDoc;
class CPCFileTree;
class JobHost;
class JobThread;
struct DirectoryListing;
class ProgressDialog;
class TerminalLink;

class CTerminalFileTree : public CFileTreeCtrl {
    Q_OBJECT
public:
    explicit CTerminalFileTree(QWidget* parent = nullptr);
    ~CTerminalFileTree() override;

    // Stores the document and takes its link; null detaches.
    void Attach(CKVVidiRidovedDoc* doc);
    // Uses link for every request from now on (a new link after a reconnect, or a
    // tree without a document); not owned, null for none.
    void AttachLink(TerminalLink* newLink);
    // The link requests go through: the document's current one when a document is
    // attached, else the one given to AttachLink. Null when there is none.
    TerminalLink* Link() const;

    // The item's path as the terminal's requests name it: the terminal's own
    // bytes of each name below the root, joined with "\" (GetItemPath is the
    // text shown, decoded for the window).
    std::string RequestPath(const QTreeWidgetItem* item) const;

    // Deletes every item and inserts the root "Terminal" with a placeholder child.
    void InsertRoot();
    // Lists the item's contents again from the terminal on the connection's job
    // thread and returns at once; the window stays live. Until the answer is in
    // the item shows "listing..." and the tree the wait cursor; then the item is
    // filled (and opened when open is set) and then() runs. A listing that fails
    // keeps the item's expander and writes a line. False, and nothing happens,
    // while a job or another listing of the connection runs.
    bool FillItem(QTreeWidgetItem* item, bool open = true, std::function<void()> then = {});
    // Runs ask on the connection's job thread under the tree's wait cursor and
    // returns at once; answered() runs on the GUI thread after it, unless the tree
    // has gone. False, and nothing runs, while a job or request runs or there is
    // no link.
    bool RunRequest(std::function<void(TerminalLink&)> ask, std::function<void()> answered);
    bool RequestRunning() const { return jobRunning.load() == kRequestJob; }
    // Fills the item's children from a listing already received (count entries
    // in data), as FillItem does after its own listing.
    void FillItemFrom(QTreeWidgetItem* item, std::span<const std::uint8_t> data, int count);

    // The Property command for the caret-selected item: asks the terminal, then
    // shows the properties dialog or the message that says why not.
    void ShowTerminalProperties() override;
    // The Format command for the caret-selected disk: one log line, and the disk
    // listed again when it was formatted.
    void FormatSelectedDisk() override;
    // Deletes the terminal file at path (a shown path, of a marked item first):
    // the link's status or the terminal's answer.
    LinkStatus DeleteItemFile(const QString& path) override;

    // Sends source's marked PC files to target, a disk or folder of this tree, on
    // the connection's job thread, and returns at once. Any other target, a source
    // that is no PC tree, or a tree without a connection: nothing happens. While
    // a job of the connection runs: message 40005, nothing more.
    void StartDownloadJob(QTreeWidgetItem* target, CFileTreeCtrl* source);
    // The drop start: StartDownloadJob.
    void StartDrop(QTreeWidgetItem* target, CFileTreeCtrl* source) override;
    // Fetches this tree's marked files into target, a drive or folder of pcTree,
    // on the connection's job thread, and returns at once. While a job of the
    // connection runs: message 40005, nothing more.
    void StartUploadJob(CFileTreeCtrl* pcTree, QTreeWidgetItem* target) override;

    CKVVidiRidovedDoc* document = nullptr;
    CPCFileTree* uploadTree = nullptr;
    QTreeWidgetItem* uploadItem = nullptr;
    // The connection's progress dialog, which the jobs show; set by the view.
    QPointer<ProgressDialog> progressDialog;

protected:
    void HandleLeftRelease(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void ClickItem(QTreeWidgetItem* item, Qt::KeyboardModifiers modifiers);
    // GUI thread: a listing's answer for item.
    void ListingEnded(QTreeWidgetItem* item, LinkStatus status, const DirectoryListing& listing,
                      bool open);
    // The thread listings run on: the connection's job thread, or the tree's own
    // when it has no connection window.
    JobThread* ListingThread();
    // name and location as shown; path (and the name) as requests use them. Each
    // asks the terminal through RunRequest and shows its dialog once answered.
    void ShowDiskProperties(const QString& name, const std::string& path);
    void ShowFolderProperties(const QString& name, const QString& location, const std::string& path,
                              const std::string& requestName);
    void ShowFileProperties(const QString& name, const QString& location, const std::string& path);
    // The item of a shown path: a marked one first, else the first in the tree.
    const QTreeWidgetItem* ItemOfShownPath(const QString& path) const;
    void ShowWaitCursor(bool on);
    // Runs engine on the connection's job thread with a host whose moved sources
    // leave sourceTree; finish runs on the GUI thread once the job has ended.
    // False (nothing started) when the connection is gone or a job runs.
    bool RunJob(std::function<void(TerminalLink&, JobHost&)> engine, CFileTreeCtrl* sourceTree,
                const QStringList& sourcePaths, std::function<void()> finish);

    TerminalLink* link = nullptr;
    bool waitCursorShown = false;
    std::unique_ptr<JobThread> ownJobThread; // joined before the tree goes
};
