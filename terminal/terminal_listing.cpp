// The terminal tree's requests (listings, properties), run on the connection's job
// thread so that a slow or silent terminal never freezes the window.
#include "terminal/terminal_file_tree.h"

#include "connection/job_thread.h"
#include "connection/kv_vidi_ridoved_doc.h"
#include "gui/message_sink.h"
#include "gui/run_in_gui_thread.h"
#include "link/terminal_link.h"
#include "link/transfer_log.h"
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

bool CTerminalFileTree::RunRequest(std::function<void(TerminalLink&)> ask,
                                   std::function<void()> answered)
{
    TerminalLink* const l = Link();
    if (!l || jobRunning.load())
        return false;
    JobThread* const thread = ListingThread();
    jobRunning.store(kRequestJob);
    ShowWaitCursor(true);
    const std::string connection = document ? document->Title().toStdString() : std::string();
    auto end = [self = QPointer<CTerminalFileTree>(this), connection,
                answered = std::move(answered)] {
        if (!self)
            return;
        const ScopedLogConnection logAs(connection);
        self->jobRunning.store(0);
        self->ShowWaitCursor(false);
        answered();
    };
    // What ask writes is read by answered once the post has passed it over.
    thread->Start([l, ask = std::move(ask), end = std::move(end)] {
        ask(*l);
        PostToGuiThread(qApp, end);
    });
    return true;
}

bool CTerminalFileTree::FillItem(QTreeWidgetItem* item, bool open, std::function<void()> then)
{
    if (!item || jobRunning.load())
        return false;
    if (!Link()) {
        DeleteChildren(item);
        return false;
    }
    const bool root = ImageOf(item) == FileTreeImage::ImageTerminal;
    const std::string request = ListingRequestPath(root, RequestPath(item));
    // The item is found again by its index, which dies with it should the tree be
    // filled anew meanwhile.
    const QPersistentModelIndex at(indexFromItem(item));
    auto result = std::make_shared<ListingResult>();
    const auto ask = [request, result](TerminalLink& link) {
        result->status = link.ListDirectory(request, &result->listing);
    };
    const auto answered = [this, at, open, then = std::move(then), result] {
        if (at.isValid())
            if (QTreeWidgetItem* listed = itemFromIndex(at))
                ListingEnded(listed, result->status, result->listing, open);
        if (then)
            then();
    };
    if (!RunRequest(ask, answered))
        return false;
    DeleteChildren(item);
    InsertItem(item, tr("listing..."), FileTreeImage::ImagePc);
    item->setExpanded(open);
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
        messages().Log(tr("Listing %1 failed: the terminal does not answer").arg(shown));
    else if (status == LinkStatus::LineGone)
        messages().Log(tr("Listing %1 failed: the line to the terminal is gone").arg(shown));
    else
        messages().Log(tr("Listing %1 failed (status %2)").arg(shown).arg(StatusValue(status)));
}
