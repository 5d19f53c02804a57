// Fuzz target: the reading of the mount table (/proc/self/mountinfo text).
//
// Input: any bytes, taken as the text of mountinfo.
//
// Properties: any text parses without a crash; every entry has an absolute mount
// point and root and a "major:minor" device number; the volume list made from it
// has absolute, distinct mount points in order, always holds the root, leaves out
// system mounts, and gives every volume an entry text that starts with its mount
// point.
#include "FuzzCheck.h"
#include "PathRules.h"
#include "VolumeList.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// Answers that depend on the entry only, so that every branch of the list is
// reached: labels for some, removable and single-file binds for others.
class FuzzFacts : public VolumeFacts {
public:
    QString labelOf(const MountEntry &entry) const override { return entry.source.left(8); }
    bool isRemovable(const MountEntry &entry) const override {
        return entry.source.size() % 3 == 0;
    }
    bool isSingleFile(const MountEntry &entry) const override { return entry.root.size() % 2 == 0; }
};

bool isDeviceNumber(const QString &text) {
    const qsizetype colon = text.indexOf(u':');
    if (colon <= 0 || colon == text.size() - 1 || text.count(u':') != 1) {
        return false;
    }
    for (const QChar c : text) {
        if (c != u':' && (c < u'0' || c > u'9')) {
            return false;
        }
    }
    return true;
}

void checkEntries(const QList<MountEntry> &entries) {
    for (const MountEntry &entry : entries) {
        FUZZ_CHECK(entry.mountPoint.startsWith(u'/'));
        FUZZ_CHECK(entry.root.startsWith(u'/'));
        FUZZ_CHECK(!entry.fsType.isEmpty());
        FUZZ_CHECK(isDeviceNumber(entry.deviceNumber));
        (void)VolumeList::isSystemMount(entry);
        (void)VolumeList::isNetworkMount(entry);
    }
}

void checkVolumes(const QList<Volume> &volumes) {
    QSet<QString> seen;
    bool root = false;
    for (qsizetype i = 0; i < volumes.size(); ++i) {
        const Volume &volume = volumes[i];
        FUZZ_CHECK(volume.mountPoint.startsWith(u'/'));
        FUZZ_CHECK(!seen.contains(volume.mountPoint));
        seen.insert(volume.mountPoint);
        FUZZ_CHECK(i == 0 || volumes[i - 1].mountPoint < volume.mountPoint);
        root = root || volume.mountPoint == u"/";
        FUZZ_CHECK(VolumeList::entryText(volume).startsWith(volume.mountPoint));
        const bool underProc = PathRules::isOnVolume(volume.mountPoint, QStringLiteral("/proc"));
        FUZZ_CHECK(volume.mountPoint == u"/" || !underProc);
        (void)VolumeList::searchKey(volume.mountPoint);
    }
    FUZZ_CHECK(root);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    checkEntries(VolumeList::parseMountInfo(text));
    const FuzzFacts facts;
    checkVolumes(VolumeList::volumesFrom(text, facts));
    return 0;
}
