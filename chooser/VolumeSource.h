#pragma once

#include "VolumeList.h"

#include <QList>
#include <QString>

#include <memory>

// Where the book chooser learns which volumes exist and whether one can be
// entered now. The program uses the system's (systemVolumeSource); tests give
// volumes of their own, which is how they make one unavailable. UI thread only.
class VolumeSource {
public:
    virtual ~VolumeSource() = default;
    // The volumes to offer, sorted by mount point, the root among them.
    virtual QList<Volume> volumes() = 0;
    // Whether the volume mounted at `mountPoint` is still mounted and answering.
    // Returns within a few seconds even when a network server has gone away.
    virtual bool isAvailable(const QString &mountPoint) = 0;
};

// The volumes of /proc/self/mountinfo, with labels from /dev/disk/by-label and
// removable media from /sys. Never touches a network mount point while listing.
std::shared_ptr<VolumeSource> systemVolumeSource();
