// pc_file_tree.h: the tree of the PC's volumes, folders and files in the docked
// "PC Window". Fills itself with the volumes whenever it is shown, lists a folder
// when it is clicked, and delivers drops of its own marked files. GUI thread.
#pragma once

#include "pc/file_tree_ctrl.h"

class CPCFileTree : public CFileTreeCtrl {
    Q_OBJECT
public:
    explicit CPCFileTree(QWidget* parent = nullptr);

    // Rebuilds the whole tree: the root "PC" and one collapsed item per volume.
    void FillTree();
    // Replaces item's children by the listing of the folder at path: folders (each
    // with a placeholder child) and files; hidden and system entries never. A file
    // whose name is not 8.3 is greyed, with UnsendableNameTip as its tooltip. Any
    // full path the file system accepts is listed; a relative one leaves item empty.
    void ListFolder(const QString& path, QTreeWidgetItem* item);
    // Why a greyed file cannot be sent, in the interface language.
    static QString UnsendableNameTip();

    // The drop and paste entry: source's marked files into target, a drive or a
    // folder (anything else takes nothing). A terminal source starts its upload
    // job and returns at once; PC files are copied or moved here and now, one log
    // line each, then the target is listed again and both trees' marks cleared.
    void AcceptDrop(QTreeWidgetItem* target, CFileTreeCtrl* source) override;

    // Moves a regular file, named by its full path, to the desktop's trash, or
    // deletes it where there is none: Ok, or answer 1 when it is not one or stays.
    LinkStatus DeleteItemFile(const QString& path) override;

protected:
    void showEvent(QShowEvent* event) override;
    void HandleLeftRelease(QMouseEvent* event) override;
};
