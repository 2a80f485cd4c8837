// The terminal tree's listings, run on the connection's job thread so that a slow
// or silent terminal never freezes the window.
#include "terminal/terminal_file_tree.h"

#include "connection/job_thread.h"
#include "connection/kv_vidi_ridoved_doc.h"
#include "link/terminal_link.h"
#include "link/transfer_log.h"
#include "shell/message_window.h"
#include "shell/run_in_gui_thread.h"
#include "terminal/terminal_tree_rules.h"

#include <QApplication>
#include <QPersistentModelIndex>

namespace {

// Written by the job thread before it posts its end, read after on the GUI thread.
struct ListingResult {
    LinkStatus status = LinkStatus::NoReply;
    DirectoryListing listing;
};

} // namespace

CTerminalFileTree::~CTerminalFileTree()
{
    // A listing of its own thread ends within the link's time-outs; its end finds
    // the tree gone and does nothing.
    ownJobThread.reset();
}

JobThread* CTerminalFileTree::ListingThread()
{
    if (document)
        return document->job.get();
    if (!ownJobThread)
        ownJobThread = std::make_unique<JobThread>();
    return ownJobThread.get();
}

bool CTerminalFileTree::FillItem(QTreeWidgetItem* item, bool open, std::function<void()> then)
{
    if (!item || jobRunning.load())
        return false;
    TerminalLink* const l = Link();
    if (!l) {
        DeleteChildren(item);
        return false;
    }
    JobThread* const thread = ListingThread();
    const bool root = ImageOf(item) == FileTreeImage::ImageTerminal;
    std::string request = ListingRequestPath(root, RequestPath(item));
    jobRunning.store(kListingJob);
    ShowWaitCursor(true);
    DeleteChildren(item);
    InsertItem(item, tr("listing..."), FileTreeImage::ImagePc);
    item->setExpanded(open);

    // The item is found again by its index, which dies with it should the tree be
    // filled anew meanwhile.
    const QPersistentModelIndex at(indexFromItem(item));
    const std::string connection = document ? document->Title().toStdString() : std::string();
    auto result = std::make_shared<ListingResult>();
    auto done = [self = QPointer<CTerminalFileTree>(this), at, connection, open,
                 then = std::move(then), result] {
        if (!self)
            return;
        const ScopedLogConnection logAs(connection);
        self->jobRunning.store(0);
        self->ShowWaitCursor(false);
        if (at.isValid())
            if (QTreeWidgetItem* item = self->itemFromIndex(at))
                self->ListingEnded(item, result->status, result->listing, open);
        if (then)
            then();
    };
    thread->Start([l, request = std::move(request), result, done = std::move(done)] {
        result->status = l->ListDirectory(request, &result->listing);
        PostToGuiThread(qApp, done);
    });
    return true;
}

void CTerminalFileTree::ListingEnded(QTreeWidgetItem* item, LinkStatus status,
                                     const DirectoryListing& listing, bool open)
{
    if (status == LinkStatus::Ok) {
        FillItemFrom(item, listing.bytes, listing.count);
        item->setExpanded(open && item->childCount() > 0);
        return;
    }
    // The expander stays, so that a later click may list it.
    DeleteChildren(item);
    InsertItem(item, QString(), FileTreeImage::ImagePc);
    item->setExpanded(false);
    const QString shown = GetItemPath(item);
    if (status == LinkStatus::NoReply)
        LogMessage(tr("Listing %1 failed: the terminal does not answer").arg(shown));
    else if (status == LinkStatus::LineGone)
        LogMessage(tr("Listing %1 failed: the line to the terminal is gone").arg(shown));
    else
        LogMessage(tr("Listing %1 failed (status %2)").arg(shown).arg(StatusValue(status)));
}
