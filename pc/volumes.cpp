#include "pc/volumes.h"

#include <QSet>

std::optional<FileTreeImage> VolumeImage(const QString& fsType, const QString& rootPath,
                                         bool removableDevice)
{
    static const QSet<QString> pseudo{QStringLiteral("proc"),
                                      QStringLiteral("sysfs"),
                                      QStringLiteral("tmpfs"),
                                      QStringLiteral("devtmpfs"),
                                      QStringLiteral("cgroup"),
                                      QStringLiteral("cgroup2"),
                                      QStringLiteral("overlay"),
                                      QStringLiteral("devpts"),
                                      QStringLiteral("securityfs"),
                                      QStringLiteral("debugfs"),
                                      QStringLiteral("tracefs"),
                                      QStringLiteral("pstore"),
                                      QStringLiteral("bpf"),
                                      QStringLiteral("mqueue"),
                                      QStringLiteral("hugetlbfs"),
                                      QStringLiteral("configfs"),
                                      QStringLiteral("fusectl"),
                                      QStringLiteral("autofs"),
                                      QStringLiteral("binfmt_misc"),
                                      QStringLiteral("ramfs"),
                                      QStringLiteral("rpc_pipefs"),
                                      QStringLiteral("nsfs"),
                                      QStringLiteral("efivarfs"),
                                      QStringLiteral("squashfs"),
                                      QStringLiteral("fuse.portal"),
                                      QStringLiteral("fuse.gvfsd-fuse"),
                                      QStringLiteral("shm"),
                                      QStringLiteral("none"),
                                      QStringLiteral("")};
    static const QSet<QString> network{QStringLiteral("nfs"),       QStringLiteral("nfs4"),
                                       QStringLiteral("cifs"),      QStringLiteral("smb3"),
                                       QStringLiteral("smbfs"),     QStringLiteral("sshfs"),
                                       QStringLiteral("fuse.sshfs")};
    const QString type = fsType.toLower();
    if (pseudo.contains(type))
        return std::nullopt;
    if (network.contains(type))
        return FileTreeImage::ImageNetwork;
    if (type == QStringLiteral("iso9660") || type == QStringLiteral("udf"))
        return FileTreeImage::ImageCdRom;
    if (removableDevice || rootPath.startsWith(QStringLiteral("/media/")) ||
        rootPath.startsWith(QStringLiteral("/run/media/")))
        return FileTreeImage::ImageRemovable;
    return FileTreeImage::ImageFixedDisk;
}
