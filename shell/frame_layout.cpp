#include "shell/frame_layout.h"

#include "connection/program_settings.h"
#include "pc/pc_file_tree.h"
#include "shell/kv_vidi_ridoved_app.h"
#include "shell/main_frame.h"
#include "terminal/terminal_file_tree.h"

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QPointer>
#include <QSettings>

namespace {

const QString kGeometryKey = QStringLiteral("Window/Geometry");
const QString kStateKey = QStringLiteral("Window/State");
// Bumped when the docks or bars change, so that an older layout is not applied.
constexpr int kLayoutVersion = 1;

// The file tree the user works in: the one with the keyboard focus, else the
// one the commands last came from.
CFileTreeCtrl* ActiveTree(CMainFrame& frame)
{
    for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget())
        if (auto* tree = qobject_cast<CFileTreeCtrl*>(w))
            return tree;
    return frame.commands.contextTree;
}

// The paths of the open folders below item, each before the ones inside it.
QStringList OpenFoldersBelow(const CFileTreeCtrl& tree, const QTreeWidgetItem* item)
{
    QStringList paths;
    for (int i = 0; i < item->childCount(); ++i) {
        const QTreeWidgetItem* child = item->child(i);
        if (child->isExpanded() && child->childCount() > 0) {
            paths << tree.GetItemPath(child);
            paths << OpenFoldersBelow(tree, child);
        }
    }
    return paths;
}

// Lists the terminal's folders at paths in turn, each once the one before has
// been answered, and opens them.
void ListInTurn(CTerminalFileTree* tree, QStringList paths)
{
    while (!paths.isEmpty()) {
        QTreeWidgetItem* folder = tree->FindItem(paths.takeFirst());
        const auto next = [guard = QPointer<CTerminalFileTree>(tree), paths] {
            if (guard)
                ListInTurn(guard, paths);
        };
        if (folder && tree->FillItem(folder, true, next))
            return;
    }
}

// F5: lists again the folder shown highlighted (a marked file's folder, else the
// root) and then each folder below it that was open, so nothing the user opened
// closes.
void ListAgain(CFileTreeCtrl* tree)
{
    if (!tree || tree->jobRunning.load())
        return;
    QTreeWidgetItem* item = tree->CommandTarget();
    if (!item && !tree->markedItems.isEmpty())
        item = tree->markedItems.last();
    if (item && CFileTreeCtrl::ImageOf(item) == FileTreeImage::ImageFile)
        item = item->parent();
    if (!item)
        item = tree->rootItem;
    if (!item)
        return;
    const QStringList paths = QStringList{tree->GetItemPath(item)} + OpenFoldersBelow(*tree, item);
    if (auto* terminal = qobject_cast<CTerminalFileTree*>(tree)) {
        ListInTurn(terminal, paths);
        return;
    }
    auto* pc = qobject_cast<CPCFileTree*>(tree);
    if (!pc)
        return;
    for (const QString& path : paths) {
        QTreeWidgetItem* folder = pc->FindItem(path);
        if (!folder)
            continue;
        if (folder == pc->rootItem)
            pc->FillTree(); // the drives: the root item is made anew
        else
            pc->ListFolder(path, folder);
        if (QTreeWidgetItem* again = pc->FindItem(path))
            again->setExpanded(true);
    }
}

} // namespace

QRect FitInside(const QRect& window, const QRect& area)
{
    QRect fitted = window;
    fitted.setWidth(std::min(window.width(), area.width()));
    fitted.setHeight(std::min(window.height(), area.height()));
    fitted.moveLeft(std::clamp(fitted.left(), area.left(), area.right() - fitted.width() + 1));
    fitted.moveTop(std::clamp(fitted.top(), area.top(), area.bottom() - fitted.height() + 1));
    return fitted;
}

void RestoreFrameLayout(QMainWindow& frame)
{
    const QSettings settings = ProgramSettings();
    const QByteArray geometry = settings.value(kGeometryKey).toByteArray();
    if (!geometry.isEmpty())
        frame.restoreGeometry(geometry);
    const QByteArray state = settings.value(kStateKey).toByteArray();
    if (!state.isEmpty())
        frame.restoreState(state, kLayoutVersion);
}

void SaveFrameLayout(const QMainWindow& frame)
{
    QSettings settings = ProgramSettings();
    settings.setValue(kGeometryKey, frame.saveGeometry());
    settings.setValue(kStateKey, frame.saveState(kLayoutVersion));
}

void AddStandardShortcuts(CMainFrame& frame)
{
    const struct {
        int command;
        QKeySequence keys;
    } keys[] = {
        {Command::Cut, QKeySequence::Cut},
        {Command::Copy, QKeySequence::Copy},
        {Command::Paste, QKeySequence::Paste},
        {Command::New, QKeySequence::New},
        {Command::Delete, QKeySequence(Qt::Key_Delete)},
    };
    for (const auto& [command, sequence] : keys) {
        QAction* action = frame.action(command);
        action->setShortcut(sequence);
        // On the frame itself, so the keys work whether or not a menu or bar
        // showing the command is there.
        frame.addAction(action);
    }
    // The trees take Delete themselves (and clear their selection after it): the
    // key only shows in the menus and acts when no tree has the focus.
    frame.action(Command::Delete)->setShortcutContext(Qt::WidgetShortcut);

    auto* listAgain = new QAction(&frame);
    listAgain->setObjectName(QStringLiteral("actionListAgain"));
    listAgain->setShortcut(QKeySequence(Qt::Key_F5));
    QObject::connect(listAgain, &QAction::triggered, &frame,
                     [&frame] { ListAgain(ActiveTree(frame)); });
    frame.addAction(listAgain);
}
