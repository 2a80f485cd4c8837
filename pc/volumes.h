// volumes.h: the PC's volumes as the PC tree shows them: mounted file systems
// plus the user's home folder, each with the image of its kind. Pseudo file
// systems are left out.
#pragma once

#include "pc/file_tree_rules.h"

#include <QString>

#include <optional>
#include <vector>

struct Volume {
    QString path; // the mount path, also the item's text
    FileTreeImage image;
};

// The image of a mounted file system, or nullopt when it is not listed (pseudo
// and memory file systems). removableDevice: the block device says it is removable.
// Pure, any thread.
std::optional<FileTreeImage> VolumeImage(const QString& fsType, const QString& rootPath,
                                         bool removableDevice);

// The volumes now, each path once, the home folder included. Any thread.
std::vector<Volume> ListVolumes();
