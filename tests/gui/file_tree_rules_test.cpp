// The file trees' decisions that need no window: names, paths, enabling, volumes.
#include "pc/file_tree_rules.h"
#include "pc/volumes.h"

#include <QDir>

#include <gtest/gtest.h>

using enum FileTreeImage;

TEST(EightThreeName, ListsOnlyNamesTheTerminalCanStore)
{
    struct Row {
        const char* name;
        bool listed;
    } rows[] = {
        {"readme.txt", true},  {"LONGNAME.TEXT", false}, // 13 characters
        {"Makefile", false},   {"datafile1.txt", false}, // 9 before the dot
        {"ab.cdefghij", true}, {"12345678.123", true},   {".profile", true},
        {"a.b.c", true},       {"ąęśćżź.t", false}, // 12 characters but more bytes
    };
    for (const Row& r : rows)
        EXPECT_EQ(IsEightThreeName(QString::fromUtf8(r.name)), r.listed) << r.name;
}

TEST(ItemPath, JoinsWithTheSeparatorOnce)
{
    EXPECT_EQ(JoinItemPath("/", "etc", u'/'), "/etc");
    EXPECT_EQ(JoinItemPath("/home/ann", "DATA", u'/'), "/home/ann/DATA");
    EXPECT_EQ(JoinItemPath("C:", "DATA", u'\\'), "C:\\DATA");
    EXPECT_EQ(JoinItemPath("C:\\", "DATA", u'\\'), "C:\\DATA");
}

TEST(RightClick, EnablesByItemKindAndTree)
{
    struct Row {
        const char* name;
        std::optional<FileTreeImage> image;
        bool terminal;
        const char* parent;
        EditEnables expected; // copy, cut, delete, format, property
        bool greyed = false;
    } rows[] = {
        {"pc root", ImagePc, false, "", {}},
        {"terminal root", ImageTerminal, true, "", {}},
        {"pc fixed disk", ImageFixedDisk, false, "PC", {}},
        {"terminal disk", ImageFixedDisk, true, "Terminal", {false, false, false, true, true}},
        {"pc folder", ImageFolder, false, "/", {}},
        {"terminal folder", ImageFolder, true, "C:", {false, false, false, false, true}},
        {"pc removable", ImageRemovable, false, "PC", {}},
        {"terminal cd-rom", ImageCdRom, true, "", {false, false, false, false, true}},
        {"pc network", ImageNetwork, false, "PC", {}},
        {"pc file", ImageFile, false, "DATA", {true, true, true, false, false}},
        {"terminal file", ImageFile, true, "DATA", {true, true, true, false, true}},
        {"pc program file", ImageFile, false, "MyPrograms", {false, false, true, false, false}},
        {"pc file with a long name",
         ImageFile,
         false,
         "DATA",
         {false, false, true, false, false},
         true},
        {"terminal program file", ImageFile, true, "Program", {false, false, true, false, true}},
        {"capitals do not match", ImageFile, true, "PROGRAM", {true, true, true, false, true}},
        {"empty space", std::nullopt, true, "", {}},
    };
    for (const Row& r : rows)
        EXPECT_EQ(RightClickEnables(r.image, r.terminal, r.parent, r.greyed), r.expected) << r.name;
}

TEST(Paste, FollowsTheClipboardAndTheTarget)
{
    // contextIsTerminal, clipboardSet, clipboardIsContext, clipboardHasMarks, image
    struct Row {
        const char* name;
        PasteSituation s;
        bool enabled;
    } rows[] = {
        {"pc copy onto terminal folder", {true, true, false, true, ImageFolder}, true},
        {"pc copy onto terminal disk", {true, true, false, true, ImageFixedDisk}, false},
        {"same terminal tree", {true, true, true, true, ImageFolder}, false},
        {"no marks left", {true, true, false, false, ImageFolder}, false},
        {"nothing cut or copied", {false, false, false, false, ImageFolder}, false},
        {"pc onto its own folder", {false, true, true, true, ImageFolder}, true},
        {"pc onto a drive", {false, true, true, true, ImageRemovable}, true},
        {"pc onto the root", {false, true, false, true, ImagePc}, false},
        {"pc onto a file", {false, true, false, true, ImageFile}, false},
        {"no item", {false, true, false, true, std::nullopt}, false},
    };
    for (const Row& r : rows)
        EXPECT_EQ(PasteEnabled(r.s), r.enabled) << r.name;
}

TEST(Volumes, KindFollowsFileSystemAndPlace)
{
    struct Row {
        const char* type;
        const char* root;
        bool removable;
        std::optional<FileTreeImage> image;
    } rows[] = {
        {"ext4", "/", false, ImageFixedDisk},
        {"vfat", "/media/ann/STICK", false, ImageRemovable},
        {"exfat", "/run/media/ann/CARD", false, ImageRemovable},
        {"ext4", "/mnt/usb", true, ImageRemovable},
        {"iso9660", "/media/ann/CD", true, ImageCdRom},
        {"udf", "/mnt/dvd", false, ImageCdRom},
        {"nfs4", "/net/share", false, ImageNetwork},
        {"cifs", "/mnt/office", false, ImageNetwork},
        {"fuse.sshfs", "/home/ann/remote", false, ImageNetwork},
        {"proc", "/proc", false, std::nullopt},
        {"tmpfs", "/run", false, std::nullopt},
        {"ramfs", "/mnt/ram", false, std::nullopt},
        {"overlay", "/", false, std::nullopt},
    };
    for (const Row& r : rows)
        EXPECT_EQ(VolumeImage(r.type, r.root, r.removable), r.image) << r.type << " " << r.root;
}

TEST(Volumes, ListsTheHomeFolderOnce)
{
    const std::vector<Volume> volumes = ListVolumes();
    int homes = 0;
    for (const Volume& v : volumes)
        homes += v.path == QDir::homePath();
    EXPECT_EQ(homes, 1);
}
