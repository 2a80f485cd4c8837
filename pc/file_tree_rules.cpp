#include "pc/file_tree_rules.h"

bool IsDropContainer(FileTreeImage image)
{
    switch (image) {
    case FileTreeImage::ImageRemovable:
    case FileTreeImage::ImageFixedDisk:
    case FileTreeImage::ImageFolder:
    case FileTreeImage::ImageNetwork: return true;
    default: return false;
    }
}

bool IsListableContainer(FileTreeImage image)
{
    return IsDropContainer(image) || image == FileTreeImage::ImageCdRom;
}

bool IsEightThreeName(const QString& name)
{
    const QByteArray bytes = name.toUtf8();
    const qsizetype dot = bytes.indexOf('.');
    return dot >= 0 && dot <= 8 && bytes.size() <= 12;
}

QString JoinItemPath(const QString& parentPath, const QString& name, QChar separator)
{
    if (parentPath.endsWith(separator))
        return parentPath + name;
    return parentPath + separator + name;
}

bool IsProgramFolderText(const QString& text)
{
    return text.contains(QStringLiteral("Program"), Qt::CaseSensitive);
}

EditEnables RightClickEnables(std::optional<FileTreeImage> image, bool terminalTree,
                              const QString& parentText, bool greyed)
{
    EditEnables e;
    if (!image)
        return e;
    switch (*image) {
    case FileTreeImage::ImagePc:
    case FileTreeImage::ImageTerminal: break;
    case FileTreeImage::ImageFixedDisk:
        e.format = terminalTree;
        e.property = terminalTree;
        break;
    case FileTreeImage::ImageRemovable:
    case FileTreeImage::ImageCdRom:
    case FileTreeImage::ImageFolder:
    case FileTreeImage::ImageNetwork: e.property = terminalTree; break;
    case FileTreeImage::ImageFile: {
        const bool program = IsProgramFolderText(parentText);
        e.cut = !program && !greyed;
        e.copy = !program && !greyed;
        e.del = true;
        e.property = terminalTree;
        break;
    }
    }
    return e;
}

bool PasteEnabled(const PasteSituation& s)
{
    if (!s.clipboardSet || !s.clipboardHasMarks || !s.contextItemImage)
        return false;
    if (s.contextIsTerminal)
        return !s.clipboardIsContext && *s.contextItemImage == FileTreeImage::ImageFolder;
    return *s.contextItemImage != FileTreeImage::ImagePc &&
           *s.contextItemImage != FileTreeImage::ImageFile;
}

QString EmptyDropLine()
{
    return QStringLiteral("Nothing dropped: the dragged files are no longer listed.");
}
