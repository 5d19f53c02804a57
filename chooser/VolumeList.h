#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The volumes that the drive list offers, read from the text of
// /proc/self/mountinfo. Only the reading of the text lives here; what the text
// does not say (labels, removable media, what a mount point is) comes through
// VolumeFacts, so every rule can be checked against fixed lines.

// One line of mountinfo, with the escapes (\040 for a blank ...) undone.
struct MountEntry {
    QString deviceNumber; // "major:minor"
    QString root;         // the mounted part of the file system, "/" for all of it
    QString mountPoint;
    QString fsType;
    QString source; // "/dev/sdb1", "//server/share", "host:/export", "tmpfs" ...
};

enum class VolumeKind { Removable, Fixed, Optical, Network, Ram };

struct Volume {
    QString mountPoint;
    VolumeKind kind = VolumeKind::Fixed;
    QString label;  // the volume label; empty when there is none
    QString source; // the remote source of a network volume
    bool operator==(const Volume &) const = default;
};

// What the mountinfo text does not tell. The system's answers come from /sys and
// /dev (SystemVolumes); tests give fixed ones.
class VolumeFacts {
public:
    virtual ~VolumeFacts() = default;
    virtual QString labelOf(const MountEntry &entry) const = 0;
    virtual bool isRemovable(const MountEntry &entry) const = 0;
    // Whether the mount point is a single file bound onto a file, not a folder.
    virtual bool isSingleFile(const MountEntry &entry) const = 0;
};

namespace VolumeList {

// Every well-formed line of `mountinfo`, in order; malformed lines are skipped.
QList<MountEntry> parseMountInfo(const QByteArray &mountinfo);

// Pseudo file systems and everything under /proc, /sys, /dev and /run (except
// /run/media): nothing a user keeps books on.
bool isSystemMount(const MountEntry &entry);

// Network file systems, whose mount points are never touched without need: a
// server that has gone away can make any access to them hang.
bool isNetworkMount(const MountEntry &entry);

VolumeKind kindOf(const MountEntry &entry, const VolumeFacts &facts);

// The volumes to offer, sorted by mount point: system mounts and single-file
// binds left out, a mount point mounted over again given once (the uppermost),
// and the root always there.
QList<Volume> volumesFrom(const QByteArray &mountinfo, const VolumeFacts &facts);

// The drive list's entry text: removable: the mount point; network: the mount
// point, a blank and the source, lower-cased; otherwise the mount point, a blank
// and the lower-cased label in brackets (empty brackets without a label).
QString entryText(const Volume &volume);

// What typing a character matches in the drive list: the mount point's last
// name ("/" for the root), since every mount point begins with "/".
QString searchKey(const QString &mountPoint);

QStringList mountPoints(const QList<Volume> &volumes);

} // namespace VolumeList
