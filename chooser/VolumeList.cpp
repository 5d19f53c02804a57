#include "VolumeList.h"

#include "PathRules.h"

#include <QFile>
#include <QRegularExpression>

#include <algorithm>

namespace VolumeList {

namespace {

// File systems that hold no user files: kernel interfaces, automount triggers,
// container layers and read-only package images.
const QStringList PseudoTypes{
    QStringLiteral("proc"),        QStringLiteral("sysfs"),
    QStringLiteral("cgroup"),      QStringLiteral("cgroup2"),
    QStringLiteral("devtmpfs"),    QStringLiteral("devpts"),
    QStringLiteral("securityfs"),  QStringLiteral("debugfs"),
    QStringLiteral("tracefs"),     QStringLiteral("pstore"),
    QStringLiteral("bpf"),         QStringLiteral("configfs"),
    QStringLiteral("fusectl"),     QStringLiteral("mqueue"),
    QStringLiteral("hugetlbfs"),   QStringLiteral("binfmt_misc"),
    QStringLiteral("autofs"),      QStringLiteral("efivarfs"),
    QStringLiteral("selinuxfs"),   QStringLiteral("rpc_pipefs"),
    QStringLiteral("nsfs"),        QStringLiteral("nfsd"),
    QStringLiteral("squashfs"),    QStringLiteral("overlay"),
    QStringLiteral("fuse.portal"), QStringLiteral("fuse.gvfsd-fuse"),
};

const QStringList NetworkTypes{
    QStringLiteral("nfs"),         QStringLiteral("nfs4"),        QStringLiteral("cifs"),
    QStringLiteral("smb3"),        QStringLiteral("smbfs"),       QStringLiteral("ncpfs"),
    QStringLiteral("afs"),         QStringLiteral("ceph"),        QStringLiteral("glusterfs"),
    QStringLiteral("9p"),          QStringLiteral("davfs"),       QStringLiteral("fuse.sshfs"),
    QStringLiteral("fuse.rclone"), QStringLiteral("fuse.davfs2"), QStringLiteral("fuse.s3fs"),
};

const QStringList SystemFolders{QStringLiteral("/proc"), QStringLiteral("/sys"),
                                QStringLiteral("/dev"), QStringLiteral("/run")};

// Undoes the octal escapes mountinfo uses for blank, tab, line feed and backslash.
QString unescape(const QByteArray &field) {
    QByteArray bytes;
    bytes.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const auto isOctal = [&field](qsizetype at) {
            return at < field.size() && field[at] >= '0' && field[at] <= '7';
        };
        if (field[i] == '\\' && isOctal(i + 1) && isOctal(i + 2) && isOctal(i + 3)) {
            bytes.append(char(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) |
                              (field[i + 3] - '0')));
            i += 3;
        } else {
            bytes.append(field[i]);
        }
    }
    return QFile::decodeName(bytes);
}

bool parseLine(const QByteArray &line, MountEntry &entry) {
    const QList<QByteArray> fields = line.split(' ');
    // id, parent, major:minor, root, mount point, options, optional fields..., "-",
    // type, source, super options.
    const qsizetype separator = fields.indexOf(QByteArrayLiteral("-"), 6);
    if (fields.size() < 10 || separator < 6 || separator + 2 >= fields.size()) {
        return false;
    }
    static const QRegularExpression deviceNumber(QStringLiteral("^[0-9]+:[0-9]+$"));
    entry.deviceNumber = QString::fromLatin1(fields[2]);
    entry.root = unescape(fields[3]);
    entry.mountPoint = unescape(fields[4]);
    entry.fsType = QString::fromLatin1(fields[separator + 1]);
    entry.source = unescape(fields[separator + 2]);
    return deviceNumber.match(entry.deviceNumber).hasMatch() && entry.root.startsWith(u'/') &&
           entry.mountPoint.startsWith(u'/') && !entry.fsType.isEmpty();
}

bool isOpticalDevice(const QString &source) {
    static const QRegularExpression optical(QStringLiteral("^/dev/(sr[0-9]+|scd[0-9]+|cdrom)$"));
    return optical.match(source).hasMatch();
}

// Uppermost first is what counts, so later lines replace earlier ones.
void addOrReplace(QList<Volume> &volumes, Volume volume) {
    for (Volume &known : volumes) {
        if (known.mountPoint == volume.mountPoint) {
            known = std::move(volume);
            return;
        }
    }
    volumes.append(std::move(volume));
}

} // namespace

QList<MountEntry> parseMountInfo(const QByteArray &mountinfo) {
    QList<MountEntry> entries;
    for (const QByteArray &line : mountinfo.split('\n')) {
        MountEntry entry;
        if (parseLine(line.trimmed(), entry)) {
            entries.append(entry);
        }
    }
    return entries;
}

bool isSystemMount(const MountEntry &entry) {
    if (entry.mountPoint == u"/") {
        return false;
    }
    if (PseudoTypes.contains(entry.fsType)) {
        return true;
    }
    if (PathRules::isOnVolume(entry.mountPoint, QStringLiteral("/run/media"))) {
        return false;
    }
    return std::any_of(SystemFolders.cbegin(), SystemFolders.cend(),
                       [&entry](const QString &folder) {
                           return PathRules::isOnVolume(entry.mountPoint, folder);
                       });
}

bool isNetworkMount(const MountEntry &entry) {
    return NetworkTypes.contains(entry.fsType);
}

VolumeKind kindOf(const MountEntry &entry, const VolumeFacts &facts) {
    if (isNetworkMount(entry)) {
        return VolumeKind::Network;
    }
    if (entry.fsType == u"tmpfs" || entry.fsType == u"ramfs") {
        return VolumeKind::Ram;
    }
    if (entry.fsType == u"iso9660" || entry.fsType == u"udf" || isOpticalDevice(entry.source)) {
        return VolumeKind::Optical;
    }
    return facts.isRemovable(entry) ? VolumeKind::Removable : VolumeKind::Fixed;
}

QList<Volume> volumesFrom(const QByteArray &mountinfo, const VolumeFacts &facts) {
    QList<Volume> volumes;
    for (const MountEntry &entry : parseMountInfo(mountinfo)) {
        const bool network = isNetworkMount(entry);
        if (isSystemMount(entry) || (!network && entry.root != u"/" && facts.isSingleFile(entry))) {
            continue;
        }
        Volume volume;
        volume.mountPoint = entry.mountPoint;
        volume.kind = kindOf(entry, facts);
        volume.label = network ? QString() : facts.labelOf(entry);
        volume.source = network ? entry.source : QString();
        addOrReplace(volumes, volume);
    }
    if (std::none_of(volumes.cbegin(), volumes.cend(),
                     [](const Volume &volume) { return volume.mountPoint == u"/"; })) {
        volumes.append(Volume{QStringLiteral("/"), VolumeKind::Fixed, {}, {}});
    }
    std::sort(volumes.begin(), volumes.end(),
              [](const Volume &a, const Volume &b) { return a.mountPoint < b.mountPoint; });
    return volumes;
}

QString entryText(const Volume &volume) {
    switch (volume.kind) {
    case VolumeKind::Removable:
        return volume.mountPoint;
    case VolumeKind::Network:
        if (!volume.source.isEmpty()) {
            return volume.mountPoint + u' ' + volume.source.toLower();
        }
        break;
    case VolumeKind::Fixed:
    case VolumeKind::Optical:
    case VolumeKind::Ram:
        break;
    }
    return volume.mountPoint + QStringLiteral(" [") + volume.label.toLower() + u']';
}

QString searchKey(const QString &mountPoint) {
    if (mountPoint == u"/") {
        return mountPoint;
    }
    return mountPoint.mid(mountPoint.lastIndexOf(u'/') + 1);
}

QStringList mountPoints(const QList<Volume> &volumes) {
    QStringList points;
    for (const Volume &volume : volumes) {
        points.append(volume.mountPoint);
    }
    return points;
}

} // namespace VolumeList
