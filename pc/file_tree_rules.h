// file_tree_rules.h: decisions of the file trees that need no widget: item kinds,
// item paths, which names the PC tree lists, which edit commands a click enables
// and when Paste is offered. Pure functions, any thread.
#pragma once

#include <QString>

#include <optional>

// The image of an item is its kind.
enum class FileTreeImage : int {
    ImagePc = 0,       // root "PC"; also placeholder children
    ImageTerminal = 1, // root "Terminal"
    ImageRemovable = 2,
    ImageFixedDisk = 3, // fixed PC volume; a terminal disk
    ImageCdRom = 4,
    ImageFolder = 5,
    ImageFile = 6,
    ImageNetwork = 7,
};
inline constexpr int kFileTreeImageCount = 8;

// Kinds a drag may point at: removable, fixed disk, folder, network.
bool IsDropContainer(FileTreeImage image);
// Drives and folders: the kinds a click lists.
bool IsListableContainer(FileTreeImage image);

// Files the terminal can store: the name has a ".", at most 8 bytes before the
// first "." and at most 12 bytes in all (bytes of its UTF-8 form).
bool IsEightThreeName(const QString& name);

// The path of an item below parentPath: joined directly when parentPath already
// ends with the separator, else with it between.
QString JoinItemPath(const QString& parentPath, const QString& name, QChar separator);

// A folder of the terminal's programs: its text contains "Program" (case matters).
bool IsProgramFolderText(const QString& text);

// The line a drop logs when none of the files its drag started with is left.
QString EmptyDropLine();

// The enable flags a tree writes for the frame's edit commands.
struct EditEnables {
    bool copy = false;
    bool cut = false;
    bool del = false;
    bool format = false;
    bool property = false;
    bool operator==(const EditEnables&) const = default;
};

// After a right-click on an item of the image (nullopt: empty space) in a PC or a
// terminal tree; parentText is the text of the item's parent. A greyed file (one
// the terminal cannot store) may only be deleted: Cut and Copy would let it reach
// a terminal.
EditEnables RightClickEnables(std::optional<FileTreeImage> image, bool terminalTree,
                              const QString& parentText, bool greyed = false);

// What the frame needs to know to offer Paste on the last right-clicked tree.
struct PasteSituation {
    bool contextIsTerminal = false;
    bool clipboardSet = false;
    bool clipboardIsContext = false;
    bool clipboardHasMarks = false;
    std::optional<FileTreeImage> contextItemImage; // nullopt: no item
};
bool PasteEnabled(const PasteSituation& s);
