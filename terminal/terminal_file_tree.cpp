#include "terminal/terminal_file_tree.h"

#include "connection/job_thread.h"
#include "connection/kv_vidi_ridoved_doc.h"
#include "gui/message_sink.h"
#include "gui/modal_box.h"
#include "gui/prompter.h"
#include "gui/wait_cursor.h"
#include "link/operation_text.h"
#include "link/terminal_link.h"
#include "pc/properties_dialog.h"
#include "terminal/code_page.h"
#include "terminal/terminal_tree_rules.h"

#include <QMouseEvent>

#include <algorithm>
#include <memory>
#include <utility>

namespace {

// The terminal's bytes of an item's name, as its requests use them.
constexpr int kRequestNameRole = Qt::UserRole + 10;

// The name's bytes for requests: the terminal's own when the listing gave them,
// else the text (the root, a placeholder).
std::string RequestNameOf(const QTreeWidgetItem* item)
{
    const QVariant raw = item->data(0, kRequestNameRole);
    return raw.isValid() ? raw.toByteArray().toStdString() : item->text(0).toStdString();
}

// The entries of a listing, or nullopt when the listing failed.
using Entries = std::optional<std::vector<TerminalEntry>>;

// Any thread: the entries of a listing of path.
Entries ListEntries(TerminalLink& link, const std::string& path)
{
    DirectoryListing listing;
    if (link.ListDirectory(ListingRequestPath(false, path), &listing) != LinkStatus::Ok)
        return std::nullopt;
    return BoundedEntries(listing.bytes, listing.count);
}

QString Text(const std::string& s)
{
    return QString::fromStdString(s);
}

void ShowPropertiesDialog(QWidget* parent, PropertiesKind kind, const QString& location,
                          const QString& name, std::int32_t size, std::int32_t freeSpace,
                          std::int32_t spare, const QString& date)
{
    PropertiesDialog dialog(parent);
    dialog.SetInfo(static_cast<std::int32_t>(kind), location, name, size, freeSpace, spare, date);
    ExecModal(dialog);
}

} // namespace

CTerminalFileTree::CTerminalFileTree(QWidget* parent) : CFileTreeCtrl(parent)
{
    setObjectName(QStringLiteral("terminalTree"));
    isTerminalTree = 1;
    // Moves without a button reach the tree too, for the wait cursor.
    viewport()->setMouseTracking(true);
}

void CTerminalFileTree::Attach(CKVVidiRidovedDoc* doc)
{
    document = doc;
    link = doc ? doc->link.get() : nullptr;
}

void CTerminalFileTree::AttachLink(TerminalLink* newLink)
{
    link = newLink;
}

TerminalLink* CTerminalFileTree::Link() const
{
    // The document's link is asked for each time: a closed connection has none.
    return document ? document->link.get() : link;
}

std::string CTerminalFileTree::RequestPath(const QTreeWidgetItem* item) const
{
    if (!item)
        return {};
    if (item == rootItem)
        return RequestNameOf(item);
    std::string path = RequestNameOf(item);
    for (const QTreeWidgetItem* parent = item->parent(); parent && parent != rootItem;
         parent = parent->parent()) {
        const std::string above = RequestNameOf(parent);
        path = above + (above.ends_with('\\') ? "" : "\\") + path;
    }
    return path;
}

void CTerminalFileTree::InsertRoot()
{
    RemoveAllItems();
    rootItem = InsertItem(nullptr, QStringLiteral("Terminal"), FileTreeImage::ImageTerminal);
    InsertItem(rootItem, QString(), FileTreeImage::ImagePc);
}

void CTerminalFileTree::FillItemFrom(QTreeWidgetItem* item, std::span<const std::uint8_t> data,
                                     int count)
{
    DeleteChildren(item);
    if (count <= 0)
        return;
    const bool root = ImageOf(item) == FileTreeImage::ImageTerminal;
    const CodePageTable codePage = TerminalCodePage();
    const std::vector<TreeChild> children =
        root ? RootChildren(data, count, codePage) : ListingChildren(data, count, codePage);
    for (const TreeChild& child : children) {
        QTreeWidgetItem* added = InsertItem(item, Text(child.text), child.image);
        added->setData(0, kRequestNameRole, QByteArray::fromStdString(child.request));
        if (child.image != FileTreeImage::ImageFile)
            InsertItem(added, QString(), FileTreeImage::ImagePc);
    }
    // The rest is not shown: the user is told, so that nothing seems missing.
    if (ListingIsCut(data, count, root))
        messages().Log(ListingCutLine(GetItemPath(item).toStdString(), kMaxListedItems));
}

void CTerminalFileTree::ShowTerminalProperties()
{
    QTreeWidgetItem* item = currentItem();
    if (!item || !Link())
        return;
    // The link serves one operation at a time: not while this connection's job runs.
    if (jobRunning.load()) {
        ::ShowMessage(MessageId::AnotherJob);
        return;
    }
    const QString name = item->text(0);
    const QString location = Text(ParentLocation(GetItemPath(item).toStdString()));
    const std::string path = RequestPath(item);
    switch (ImageOf(item)) {
    case FileTreeImage::ImageFixedDisk: ShowDiskProperties(name, path); break;
    case FileTreeImage::ImageFolder:
        ShowFolderProperties(name, location, path, RequestNameOf(item));
        break;
    case FileTreeImage::ImageFile: ShowFileProperties(name, location, path); break;
    default: break;
    }
}

void CTerminalFileTree::ShowDiskProperties(const QString& name, const std::string& path)
{
    auto answer = std::make_shared<std::pair<LinkStatus, DiskFigures>>();
    RunRequest([path, answer](
                   TerminalLink& link) { answer->first = link.GetDiskInfo(path, &answer->second); },
               [this, name, answer] {
                   if (const auto message = MessageForDiskProperties(answer->first)) {
                       ShowMessage(*message);
                       return;
                   }
                   // The terminal's counts are shown as the signed numbers the dialog
                   // takes: a free space of 0xFFFFFFFF (an unformatted disk) is -1.
                   const auto [capacity, used, freeSpace] = answer->second;
                   ShowPropertiesDialog(window(), PropertiesKind::Disk, QString(), name,
                                        static_cast<std::int32_t>(capacity),
                                        static_cast<std::int32_t>(freeSpace),
                                        static_cast<std::int32_t>(used), QString());
               });
}

void CTerminalFileTree::ShowFolderProperties(const QString& name, const QString& location,
                                             const std::string& path,
                                             const std::string& requestName)
{
    auto answer = std::make_shared<std::pair<Entries, Entries>>(); // the folder's, its siblings
    RunRequest(
        [path, answer](TerminalLink& link) {
            answer->first = ListEntries(link, path);
            if (answer->first)
                answer->second = ListEntries(link, ParentLocation(path));
        },
        [this, name, location, requestName, answer] {
            const auto& [entries, siblings] = *answer;
            if (!entries || !siblings) {
                ShowMessage(MessageId::NoInformation);
                return;
            }
            QString date;
            if (const auto entry = FindFolderEntry(*siblings, requestName))
                date = Text(DateText(entry->time));
            ShowPropertiesDialog(window(), PropertiesKind::Folder, location, name,
                                 FolderSize(*entries), 0, 0, date);
        });
}

void CTerminalFileTree::ShowFileProperties(const QString& name, const QString& location,
                                           const std::string& path)
{
    auto siblings = std::make_shared<Entries>();
    RunRequest([path, siblings](
                   TerminalLink& link) { *siblings = ListEntries(link, ParentLocation(path)); },
               [this, name, location, path, siblings] {
                   if (!*siblings) {
                       ShowMessage(MessageId::AnotherJob);
                       return;
                   }
                   const std::size_t cut = path.rfind('\\');
                   const auto entry = FindFileEntry(
                       **siblings, cut == std::string::npos ? path : path.substr(cut + 1));
                   if (!entry) {
                       ShowMessage(MessageId::FileNotExist);
                       return;
                   }
                   // A size past the signed range shows as the dialog's signed number.
                   ShowPropertiesDialog(window(), PropertiesKind::File, location, name,
                                        static_cast<std::int32_t>(entry->size), 0, 0,
                                        Text(DateText(entry->time)));
               });
}

void CTerminalFileTree::FormatSelectedDisk()
{
    QTreeWidgetItem* item = currentItem();
    if (!item)
        return;
    const QString disk = GetItemPath(item);
    TerminalLink* const l = Link();
    // Every file of the disk goes: the user says so first, when it can run.
    // The connection is named: with several open, the user sees which terminal.
    const QString connection =
        document ? document->Title() : (rootItem ? rootItem->text(0) : QString());
    if (l && !jobRunning.load() &&
        !ThePrompter().AskYesNoDefaultNo(
            tr("Format disk %1 of %2? Every file on it is lost.").arg(disk, connection)))
        return;
    // The link serves one operation at a time: not while this connection's job runs.
    const LinkStatus status = [&] {
        if (!l)
            return LinkStatus::NoReply;
        if (jobRunning.load())
            return LinkStatus::Busy;
        const WaitCursor wait;
        return l->FormatDisk(RequestPath(item));
    }();
    if (status == LinkStatus::Ok) {
        FillItem(item);
        messages().Log(FormatDoneLine(disk.toStdString()));
        return;
    }
    if (const auto message = MessageForFormat(status))
        ThePrompter().ShowMessage(MessageText(*message, disk));
    messages().Log(FormatFailLine(disk.toStdString()));
}

LinkStatus CTerminalFileTree::DeleteItemFile(const QString& path)
{
    TerminalLink* const l = Link();
    if (!l)
        return LinkStatus::NoReply;
    if (jobRunning.load())
        return LinkStatus::Busy; // the link serves one operation at a time
    const QTreeWidgetItem* item = ItemOfShownPath(path);
    const WaitCursor wait;
    return l->DeleteTerminalFile(item ? RequestPath(item) : path.toStdString());
}

const QTreeWidgetItem* CTerminalFileTree::ItemOfShownPath(const QString& path) const
{
    // Two names may show alike (control bytes both shown as '?'): the marked
    // items are the ones a delete is about.
    for (const QTreeWidgetItem* item : markedItems)
        if (GetItemPath(item) == path)
            return item;
    return FindItem(path);
}

void CTerminalFileTree::HandleLeftRelease(QMouseEvent* event)
{
    if (jobRunning.load())
        return;
    if (dragging) {
        // Terminal files go to the PC tree only; a drop anywhere else moves nothing.
        CFileTreeCtrl* target = TreeAt(event->globalPosition().toPoint());
        if (target && target->isTerminalTree == 0 && TakeDragItems()) {
            const QPoint at = target->viewport()->mapFromGlobal(event->globalPosition().toPoint());
            target->AcceptDrop(target->itemAt(at), this);
        }
    } else if (const QPoint pos = event->position().toPoint(); viewport()->rect().contains(pos)) {
        // Released over another window, it is no click.
        ClickItem(itemAt(pos), event->modifiers());
    }
    BaseLeftRelease(event);
}

void CTerminalFileTree::ClickItem(QTreeWidgetItem* item, Qt::KeyboardModifiers modifiers)
{
    if (!item)
        return;
    const FileTreeImage image = ImageOf(item);
    if (image == FileTreeImage::ImageFile) {
        // A click without a drag on one file of a set keeps that file alone.
        if (!(modifiers & Qt::ControlModifier) && markedItems.contains(item)) {
            const QList<QTreeWidgetItem*> others = markedItems;
            markedItems = {item};
            for (QTreeWidgetItem* other : others)
                if (other != item)
                    SetMarked(other, false);
        }
        return;
    }
    // A placeholder stands for contents not listed yet; it has no path of its own.
    if (image == FileTreeImage::ImagePc)
        return;
    // Every click asks the terminal again, also the one that collapses.
    FillItem(item, !item->isExpanded());
}

void CTerminalFileTree::mouseMoveEvent(QMouseEvent* event)
{
    CFileTreeCtrl::mouseMoveEvent(event);
    ShowWaitCursor(jobRunning.load() != 0);
}

void CTerminalFileTree::ShowWaitCursor(bool on)
{
    if (on == waitCursorShown)
        return;
    waitCursorShown = on;
    if (on)
        viewport()->setCursor(Qt::WaitCursor);
    else
        viewport()->unsetCursor();
}
