#include "VolumeSource.h"

#include <QDir>
#include <QFile>
#include <QHash>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>

namespace {

const char *const MountInfoPath = "/proc/self/mountinfo";
const char *const LabelFolder = "/dev/disk/by-label";
constexpr int NetworkAnswerTimeoutMs = 3000;

QByteArray readMountInfo() {
    QFile file(QString::fromLatin1(MountInfoPath));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

// udev writes unsafe characters of a label as \xHH in the link's name.
QString decodeLabel(const QByteArray &name) {
    QByteArray bytes;
    for (qsizetype i = 0; i < name.size(); ++i) {
        bool ok = false;
        const int value = name.mid(i + 2, 2).toInt(&ok, 16);
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' && ok) {
            bytes.append(char(value));
            i += 3;
        } else {
            bytes.append(name[i]);
        }
    }
    return QString::fromUtf8(bytes);
}

// The block device a mount entry stands for: the source's device node when it is
// one (stat of a node in /dev never waits), else the numbers mountinfo gives.
dev_t deviceOf(const MountEntry &entry) {
    struct stat info {};
    if (entry.source.startsWith(u"/dev/") &&
        ::stat(QFile::encodeName(entry.source).constData(), &info) == 0 && S_ISBLK(info.st_mode)) {
        return info.st_rdev;
    }
    const QStringList numbers = entry.deviceNumber.split(u':');
    return numbers.size() == 2 ? makedev(numbers[0].toUInt(), numbers[1].toUInt()) : dev_t(0);
}

bool readsOne(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(1) == "1";
}

class SystemVolumeFacts final : public VolumeFacts {
public:
    SystemVolumeFacts() {
        const QDir folder(QString::fromLatin1(LabelFolder));
        for (const QString &name : folder.entryList(QDir::System | QDir::NoDotAndDotDot)) {
            struct stat info {};
            if (::stat(QFile::encodeName(folder.filePath(name)).constData(), &info) == 0 &&
                S_ISBLK(info.st_mode)) {
                m_labels.insert(quint64(info.st_rdev), decodeLabel(QFile::encodeName(name)));
            }
        }
    }

    QString labelOf(const MountEntry &entry) const override {
        return m_labels.value(quint64(deviceOf(entry)));
    }

    bool isRemovable(const MountEntry &entry) const override {
        if (entry.mountPoint.startsWith(u"/media/") ||
            entry.mountPoint.startsWith(u"/run/media/")) {
            return true;
        }
        const dev_t device = deviceOf(entry);
        const QString sysPath =
            QStringLiteral("/sys/dev/block/%1:%2").arg(major(device)).arg(minor(device));
        // A partition's flag lives with its disk, one folder up.
        if (QFile::exists(sysPath + QStringLiteral("/partition"))) {
            return readsOne(sysPath + QStringLiteral("/../removable"));
        }
        return readsOne(sysPath + QStringLiteral("/removable"));
    }

    bool isSingleFile(const MountEntry &entry) const override {
        struct stat info {};
        return ::stat(QFile::encodeName(entry.mountPoint).constData(), &info) == 0 &&
               !S_ISDIR(info.st_mode);
    }

private:
    QHash<quint64, QString> m_labels;
};

// Whether `path` is a folder that answers within `timeoutMs`. The look runs on a
// thread of its own that touches nothing but its own copy of the path and the
// shared result; if the server never answers, the thread is left behind, blocked
// in the kernel, and the user hears at once that the volume is not available.
bool answersWithin(const QString &path, int timeoutMs) {
    struct Probe {
        std::mutex mutex;
        std::condition_variable finished;
        bool done = false;
        bool isFolder = false;
    };
    auto probe = std::make_shared<Probe>();
    std::thread([probe, bytes = std::string(QFile::encodeName(path).constData())] {
        struct stat info {};
        const bool isFolder = ::stat(bytes.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
        const std::lock_guard<std::mutex> lock(probe->mutex);
        probe->done = true;
        probe->isFolder = isFolder;
        probe->finished.notify_all();
    }).detach();
    std::unique_lock<std::mutex> lock(probe->mutex);
    probe->finished.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&probe] { return probe->done; });
    return probe->done && probe->isFolder;
}

class SystemVolumeSource final : public VolumeSource {
public:
    QList<Volume> volumes() override {
        return VolumeList::volumesFrom(readMountInfo(), SystemVolumeFacts());
    }

    bool isAvailable(const QString &mountPoint) override {
        if (mountPoint == u"/") {
            return true;
        }
        // The volume must still be mounted there: an empty mount point folder on
        // the root volume is not the medium the user chose.
        const QList<MountEntry> entries = VolumeList::parseMountInfo(readMountInfo());
        for (auto it = entries.crbegin(); it != entries.crend(); ++it) {
            if (it->mountPoint == mountPoint) {
                return !VolumeList::isNetworkMount(*it) ||
                       answersWithin(mountPoint, NetworkAnswerTimeoutMs);
            }
        }
        return false;
    }
};

} // namespace

std::shared_ptr<VolumeSource> systemVolumeSource() {
    return std::make_shared<SystemVolumeSource>();
}
