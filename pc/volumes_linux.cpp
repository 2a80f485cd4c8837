#include "pc/volumes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

namespace {

// /sys says whether the block device (or the disk a partition belongs to) is removable.
bool IsRemovableDevice(const QByteArray& device)
{
    if (!device.startsWith("/dev/"))
        return false;
    const QString name =
        QFileInfo(QString::fromLocal8Bit(device)).canonicalFilePath().section(u'/', -1);
    if (name.isEmpty())
        return false;
    for (const QString& path : {QStringLiteral("/sys/class/block/%1/removable").arg(name),
                                QStringLiteral("/sys/class/block/%1/../removable").arg(name)}) {
        QFile f(path);
        if (f.open(QIODevice::ReadOnly))
            return f.read(1) == "1";
    }
    return false;
}

} // namespace

std::vector<Volume> ListVolumes()
{
    std::vector<Volume> volumes;
    auto known = [&volumes](const QString& path) {
        for (const Volume& v : volumes)
            if (v.path == path)
                return true;
        return false;
    };
    for (const QStorageInfo& info : QStorageInfo::mountedVolumes()) {
        const QString root = info.rootPath();
        if (!info.isValid() || !info.isReady() || !QFileInfo(root).isDir() || known(root))
            continue;
        const auto image = VolumeImage(QString::fromLatin1(info.fileSystemType()), root,
                                       IsRemovableDevice(info.device()));
        if (image)
            volumes.push_back({root, *image});
    }
    const QString home = QDir::homePath();
    if (QFileInfo(home).isDir() && !known(home))
        volumes.push_back({home, FileTreeImage::ImageFixedDisk});
    return volumes;
}
