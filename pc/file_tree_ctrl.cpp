#include "pc/file_tree_ctrl.h"

#include "gui/message_sink.h"

#include <QApplication>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QStyle>
#include <QTreeWidgetItemIterator>

#include <array>
#include <utility>

namespace {

constexpr int kImageRole = Qt::UserRole + 1;
constexpr int kMarkedRole = Qt::UserRole + 2;

QList<CFileTreeCtrl*>& AllTrees()
{
    static QList<CFileTreeCtrl*> trees;
    return trees;
}

std::array<QIcon, kFileTreeImageCount>& Images()
{
    static std::array<QIcon, kFileTreeImageCount> images;
    return images;
}

// Collects item and every item below it.
void CollectSubtree(QTreeWidgetItem* item, QList<QTreeWidgetItem*>& out)
{
    out << item;
    for (int i = 0; i < item->childCount(); ++i)
        CollectSubtree(item->child(i), out);
}

} // namespace

CFileTreeCtrl::CFileTreeCtrl(QWidget* parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(false);
    setExpandsOnDoubleClick(false);
    setIconSize(QSize(16, 16));
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    header()->setStretchLastSection(false);
    AllTrees() << this;
}

CFileTreeCtrl::~CFileTreeCtrl()
{
    RestoreDragCursor();
    AllTrees().removeAll(this);
    for (CFileTreeCtrl* tree : AllTrees())
        if (tree->jobSourceTree == this)
            tree->jobSourceTree = nullptr;
    if (state->contextTree == this)
        state->contextTree = nullptr;
    if (state->clipboardTree == this)
        state->clipboardTree = nullptr;
}

void CFileTreeCtrl::SetMessageSink(MessageSink* newSink)
{
    sink = newSink;
}

MessageSink& CFileTreeCtrl::messages() const
{
    // A tree on its own (a test's) logs nowhere.
    struct Nowhere : MessageSink {
        using MessageSink::Log;
        void Log(const QString&) override {}
    };
    static Nowhere nowhere;
    return sink ? *sink : nowhere;
}

void CFileTreeCtrl::SetCommandState(EditCommandState* newState)
{
    state = newState ? newState : &ownState;
}

QString CFileTreeCtrl::GetItemPath(const QTreeWidgetItem* item) const
{
    if (!item)
        return {};
    QString path = item->text(0);
    if (item == rootItem)
        return path;
    for (const QTreeWidgetItem* parent = item->parent(); parent && parent != rootItem;
         parent = parent->parent())
        path = JoinItemPath(parent->text(0), path, PathSeparator());
    return path;
}

QTreeWidgetItem* CFileTreeCtrl::FindItem(const QString& path) const
{
    for (QTreeWidgetItemIterator it(const_cast<CFileTreeCtrl*>(this)); *it; ++it) {
        // Placeholders stand for contents not listed yet; they may repeat a name.
        if (*it != rootItem && ImageOf(*it) == FileTreeImage::ImagePc)
            continue;
        if (GetItemPath(*it) == path)
            return *it;
    }
    return nullptr;
}

QStringList CFileTreeCtrl::MarkedPaths() const
{
    QStringList paths;
    for (const QTreeWidgetItem* item : markedItems)
        paths << GetItemPath(item);
    return paths;
}

void CFileTreeCtrl::ClearMarks()
{
    const QList<QTreeWidgetItem*> marked = markedItems;
    markedItems.clear();
    for (QTreeWidgetItem* item : marked)
        SetMarked(item, false);
}

void CFileTreeCtrl::DeleteChildren(QTreeWidgetItem* item)
{
    while (item && item->childCount() > 0)
        RemoveItem(item->child(0));
}

void CFileTreeCtrl::RemoveItem(QTreeWidgetItem* item)
{
    if (!item)
        return;
    QList<QTreeWidgetItem*> gone;
    CollectSubtree(item, gone);
    for (QTreeWidgetItem* g : gone)
        Forget(g);
    delete item;
}

void CFileTreeCtrl::RemoveAllItems()
{
    markedItems.clear();
    rootItem = nullptr;
    contextItem = nullptr;
    jobTargetItem = nullptr;
    dropItem = nullptr;
    clear();
}

void CFileTreeCtrl::BuildImageList()
{
    auto& images = Images();
    for (int i = 0; i < kFileTreeImageCount; ++i)
        if (images[static_cast<std::size_t>(i)].isNull())
            images[static_cast<std::size_t>(i)] =
                QIcon(QStringLiteral(":/icons/tree%1.png").arg(i));
    QList<QTreeWidgetItem*> all;
    for (int i = 0; i < topLevelItemCount(); ++i)
        CollectSubtree(topLevelItem(i), all);
    for (QTreeWidgetItem* item : all)
        item->setIcon(0, images[static_cast<std::size_t>(ImageOf(item))]);
}

QTreeWidgetItem* CFileTreeCtrl::InsertItem(QTreeWidgetItem* parent, const QString& text,
                                           FileTreeImage image)
{
    auto* item = new QTreeWidgetItem(QStringList{text});
    item->setData(0, kImageRole, static_cast<int>(image));
    item->setIcon(0, Images()[static_cast<std::size_t>(image)]);
    if (!parent) {
        addTopLevelItem(item);
        return item;
    }
    // Binary search for the first child that sorts after text.
    int lo = 0, hi = parent->childCount();
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (QString::compare(parent->child(mid)->text(0), text, Qt::CaseInsensitive) <= 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    parent->insertChild(lo, item);
    return item;
}

FileTreeImage CFileTreeCtrl::ImageOf(const QTreeWidgetItem* item)
{
    return static_cast<FileTreeImage>(item->data(0, kImageRole).toInt());
}

bool CFileTreeCtrl::IsGreyed(const QTreeWidgetItem* item)
{
    return !item->flags().testFlag(Qt::ItemIsEnabled);
}

bool CFileTreeCtrl::IsMarked(const QTreeWidgetItem* item) const
{
    return item && item->data(0, kMarkedRole).toBool();
}

void CFileTreeCtrl::SetMarked(QTreeWidgetItem* item, bool marked)
{
    if (!item)
        return;
    item->setData(0, kMarkedRole, marked);
    RefreshLook(item);
}

void CFileTreeCtrl::SetDropHighlight(QTreeWidgetItem* item)
{
    QTreeWidgetItem* old = dropItem;
    dropItem = item;
    if (old && old != item)
        RefreshLook(old);
    if (item)
        RefreshLook(item);
}

QRect CFileTreeCtrl::PressRect(const QTreeWidgetItem* item) const
{
    const QRect row = visualItemRect(item);
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    const int textLeft = row.left() + margin + iconSize().width() + 2 * margin;
    const int textWidth = fontMetrics().horizontalAdvance(item->text(0)) + 2 * margin;
    return QRect(textLeft - kPressLeftMargin, row.top(), kPressLeftMargin + textWidth,
                 row.height());
}

CFileTreeCtrl* CFileTreeCtrl::TreeAt(const QPoint& globalPos)
{
    if (QWidget* under = QApplication::widgetAt(globalPos)) {
        for (QWidget* w = under; w; w = w->parentWidget())
            if (auto* tree = qobject_cast<CFileTreeCtrl*>(w))
                return tree;
        return nullptr;
    }
    // Some platforms (the offscreen one) cannot name the window under a point:
    // fall back on the trees' own geometry.
    for (CFileTreeCtrl* tree : AllTrees()) {
        QWidget* vp = tree->viewport();
        if (tree->isVisible() && vp->rect().contains(vp->mapFromGlobal(globalPos)))
            return tree;
    }
    return nullptr;
}

void CFileTreeCtrl::AcceptDrop(QTreeWidgetItem*, CFileTreeCtrl*) {}

void CFileTreeCtrl::StartDrop(QTreeWidgetItem*, CFileTreeCtrl*) {}

void CFileTreeCtrl::StartUploadJob(CFileTreeCtrl*, QTreeWidgetItem*) {}

LinkStatus CFileTreeCtrl::DeleteItemFile(const QString&)
{
    return AnswerCode(1);
}

void CFileTreeCtrl::mousePressEvent(QMouseEvent* event)
{
    // Never passed on: the control's own click selection, expand buttons and
    // label editing are not used.
    if (event->button() == Qt::LeftButton) {
        LeftButtonDown(event->position().toPoint(), event->modifiers());
        // What a drag from here carries, whatever happens to the marks meanwhile.
        dragPaths = MarkedPaths();
    } else if (event->button() == Qt::RightButton)
        RightButtonDown(event->position().toPoint(), event->globalPosition().toPoint());
    event->accept();
}

void CFileTreeCtrl::LeftButtonDown(const QPoint& pos, Qt::KeyboardModifiers modifiers)
{
    if (jobRunning.load())
        return;
    QTreeWidgetItem* item = itemAt(pos);
    if (!item || !PressRect(item).contains(pos))
        return;
    state->contextTree = this;
    contextItem = nullptr;
    const bool file = ImageOf(item) == FileTreeImage::ImageFile;
    selectionModel()->clear();
    if (modifiers & Qt::ControlModifier) {
        SetDropHighlight(nullptr);
    } else if (!IsMarked(item)) {
        ClearMarks();
        SetDropHighlight(file ? nullptr : item);
    }
    if (!file || IsGreyed(item)) {
        state->copyEnabled = state->cutEnabled = state->deleteEnabled = 0;
    } else {
        state->copyEnabled = state->cutEnabled = state->deleteEnabled = 1;
        copyMode = 1;
        const QTreeWidgetItem* parent = item->parent();
        if (isTerminalTree != 0 && parent && IsProgramFolderText(parent->text(0))) {
            // Files of the terminal's program folder are neither marked nor dragged.
            markedItems.clear();
            SetDropHighlight(nullptr);
        } else if (!IsMarked(item)) {
            markedItems.append(item);
            SetMarked(item, true);
        }
    }
    emit CommandsChanged();
}

void CFileTreeCtrl::RightButtonDown(const QPoint& pos, const QPoint& globalPos)
{
    if (jobRunning.load())
        return;
    QTreeWidgetItem* item = itemAt(pos);
    if (item) {
        setCurrentItem(item);
    } else {
        selectionModel()->clear();
    }
    SetDropHighlight(item);
    state->contextTree = this;
    contextItem = item;
    std::optional<FileTreeImage> image;
    QString parentText;
    const bool greyed = item && IsGreyed(item);
    if (item) {
        image = ImageOf(item);
        if (item->parent())
            parentText = item->parent()->text(0);
        if (*image == FileTreeImage::ImageFile) {
            if (!IsMarked(item))
                ClearMarks();
            // Delete still reaches a greyed file as the context item.
            if (!greyed)
                SetMarked(item, true);
        }
    }
    const EditEnables e = RightClickEnables(image, isTerminalTree != 0, parentText, greyed);
    state->copyEnabled = e.copy;
    state->cutEnabled = e.cut;
    state->deleteEnabled = e.del;
    state->formatEnabled = e.format;
    state->propertyEnabled = e.property;
    emit CommandsChanged();
    emit ContextMenuRequested(globalPos);
}

void CFileTreeCtrl::EndContextMenu()
{
    QTreeWidgetItem* const item = std::exchange(contextItem, nullptr);
    if (item && IsMarked(item) && !markedItems.contains(item))
        SetMarked(item, false);
    state->formatEnabled = state->propertyEnabled = 0;
    if (markedItems.isEmpty())
        state->copyEnabled = state->cutEnabled = state->deleteEnabled = 0;
    emit CommandsChanged();
}

void CFileTreeCtrl::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton)) {
        QTreeWidget::mouseMoveEvent(event);
        return;
    }
    // The control's own handling of a move with the button held would select
    // rows; the press was never given to it, so neither is the move.
    event->accept();
    if (markedItems.isEmpty())
        return;
    dragging = true;
    const QPoint globalPos = event->globalPosition().toPoint();
    CFileTreeCtrl* target = TreeAt(globalPos);
    if (isTerminalTree != 0) {
        // A terminal's files go to the PC tree only.
        if (!target || target->isTerminalTree != 0) {
            SetDragCursor(Qt::ForbiddenCursor);
            return;
        }
    } else if (!target) {
        return;
    }
    DragOver(target, globalPos);
}

void CFileTreeCtrl::DragOver(CFileTreeCtrl* target, const QPoint& globalPos)
{
    QTreeWidgetItem* item = target->itemAt(target->viewport()->mapFromGlobal(globalPos));
    if (!item || target->markedItems.contains(item))
        target->SetDropHighlight(nullptr);
    else
        target->SetDropHighlight(item);
    const bool container = item && IsDropContainer(ImageOf(item));
    SetDragCursor(container ? Qt::DragCopyCursor : Qt::ForbiddenCursor);
}

void CFileTreeCtrl::SetDragCursor(Qt::CursorShape shape)
{
    if (dragCursorSet) {
        QApplication::changeOverrideCursor(QCursor(shape));
    } else {
        QApplication::setOverrideCursor(QCursor(shape));
        dragCursorSet = true;
    }
}

void CFileTreeCtrl::RestoreDragCursor()
{
    if (dragCursorSet) {
        QApplication::restoreOverrideCursor();
        dragCursorSet = false;
    }
}

void CFileTreeCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        HandleLeftRelease(event);
    event->accept();
}

void CFileTreeCtrl::HandleLeftRelease(QMouseEvent* event)
{
    BaseLeftRelease(event);
}

void CFileTreeCtrl::BaseLeftRelease(QMouseEvent* event)
{
    // The cursor returns even when a job started meanwhile: it must never stay.
    RestoreDragCursor();
    if (jobRunning.load())
        return;
    dragging = false;
    QTreeWidget::mouseReleaseEvent(event);
}

bool CFileTreeCtrl::TakeDragItems()
{
    const QStringList paths = std::exchange(dragPaths, {});
    ClearMarks();
    for (const QString& path : paths)
        if (QTreeWidgetItem* item = FindItem(path)) {
            markedItems.append(item);
            SetMarked(item, true);
        }
    if (markedItems.isEmpty())
        messages().Log(EmptyDropLine());
    return !markedItems.isEmpty();
}

void CFileTreeCtrl::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
}

void CFileTreeCtrl::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete) {
        const QPointer<CFileTreeCtrl> self(this);
        state->contextTree = this;
        emit DeleteKeyPressed();
        if (!self)
            return;
        selectionModel()->clear();
        SetDropHighlight(nullptr);
    }
    QTreeWidget::keyPressEvent(event);
}

void CFileTreeCtrl::showEvent(QShowEvent* event)
{
    QTreeWidget::showEvent(event);
    BuildImageList();
}

void CFileTreeCtrl::contextMenuEvent(QContextMenuEvent* event)
{
    // The right press has already opened the menu.
    event->accept();
}

void CFileTreeCtrl::Forget(QTreeWidgetItem* item)
{
    markedItems.removeAll(item);
    if (dropItem == item)
        dropItem = nullptr;
    if (contextItem == item)
        contextItem = nullptr;
    if (jobTargetItem == item)
        jobTargetItem = nullptr;
    if (rootItem == item)
        rootItem = nullptr;
}

void CFileTreeCtrl::RefreshLook(QTreeWidgetItem* item)
{
    const bool lit = IsMarked(item) || item == dropItem;
    item->setBackground(0, lit ? palette().highlight() : QBrush());
    item->setForeground(0, lit ? palette().highlightedText() : QBrush());
}
