// The drive list's volumes from mountinfo text: the same text the program reads,
// here fixed lines, so no real mount is needed.
#include "VolumeList.h"
#include "VolumeSource.h"

#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(VolumeKind)

namespace {

// Facts of a pretend machine, by device source and mount point.
class FixedFacts : public VolumeFacts {
public:
    QString labelOf(const MountEntry &entry) const override {
        static const QHash<QString, QString> labels{{u"/dev/sda2"_s, u"HOME"_s},
                                                    {u"/dev/sr0"_s, u"DISC_1"_s},
                                                    {u"/dev/sdb1"_s, u"USB STICK"_s},
                                                    {u"/dev/sda3"_s, u"Vell"_s},
                                                    {u"/dev/sda4"_s, u"MÚSICA"_s}};
        return labels.value(entry.source);
    }
    bool isRemovable(const MountEntry &entry) const override {
        return entry.source == u"/dev/sdb1" || entry.source == u"/dev/fd0";
    }
    bool isSingleFile(const MountEntry &entry) const override {
        return entry.mountPoint == u"/etc/hostname";
    }
};

const QByteArray Machine = R"(27 1 254:0 / / rw,relatime - ext4 /dev/vda rw
22 27 0:21 / /proc rw,relatime - proc proc rw
23 27 0:22 / /sys rw,relatime - sysfs sysfs rw
24 27 0:6 / /dev rw,relatime - devtmpfs devtmpfs rw,mode=755
25 24 0:23 / /dev/shm rw - tmpfs tmpfs rw
26 27 0:24 / /run rw,nosuid shared:5 - tmpfs tmpfs rw
30 26 8:17 / /run/media/anna/USB\040STICK rw shared:7 master:1 - vfat /dev/sdb1 rw
31 26 0:51 / /run/user/1000 rw - tmpfs tmpfs rw
32 26 0:52 / /run/lock rw - tmpfs tmpfs rw
40 27 8:2 / /home rw - ext4 /dev/sda2 rw
41 27 11:0 / /media/cdrom ro - iso9660 /dev/sr0 ro
42 27 0:40 / /mnt/xarxa rw - cifs //Servidor/Llibres rw,vers=3.0
43 27 0:41 / /tmp rw - tmpfs tmpfs rw
44 27 0:42 / /mnt/nfs rw - nfs4 srv:/Export rw
45 27 254:0 /etc/hostname /etc/hostname rw - ext4 /dev/vda rw
46 27 254:0 /srv/data /data rw - ext4 /dev/vda rw
47 23 0:50 / /sys/fs/cgroup rw - cgroup2 cgroup2 rw
48 27 7:0 / /snap/core/1 ro - squashfs /dev/loop0 ro
49 27 0:53 / /boot/efi rw - autofs systemd-1 rw
50 27 8:3 / /mnt/old rw - ext4 /dev/sda3 rw
51 27 8:4 / /mnt/old rw - ext4 /dev/sda4 rw
52 27 2:0 / /mnt/floppy rw - vfat /dev/fd0 rw
53 27 0:54 / /var/lib/docker/overlay2/x/merged rw - overlay overlay rw
)";

QString texts(const QList<Volume> &volumes) {
    QStringList entries;
    for (const Volume &volume : volumes) {
        entries.append(VolumeList::entryText(volume));
    }
    return entries.join(u'|');
}

} // namespace

class TestVolumeList : public QObject {
    Q_OBJECT
private slots:
    void entriesOfAMachine_data();
    void entriesOfAMachine();
    void kinds_data();
    void kinds();
    void entryTexts_data();
    void entryTexts();
    void searchKeys_data();
    void searchKeys();
    void parsesEveryField();
    void theSystemSourceListsTheRootAndNoSystemMount();
};

void TestVolumeList::entriesOfAMachine_data() {
    QTest::addColumn<QByteArray>("mountinfo");
    QTest::addColumn<QString>("entries");

    QTest::newRow("a desktop with media, shares and system mounts")
        << Machine
        << u"/ []|/data []|/home [home]|/media/cdrom [disc_1]|/mnt/floppy|/mnt/nfs srv:/export|"
           "/mnt/old [música]|/mnt/xarxa //servidor/llibres|/run/media/anna/USB STICK|/tmp []"_s;
    QTest::newRow("no root line: the root is listed anyway")
        << QByteArray("40 27 8:2 / /home rw - ext4 /dev/sda2 rw\n") << u"/ []|/home [home]"_s;
    QTest::newRow("empty text") << QByteArray() << u"/ []"_s;
    QTest::newRow("the root of a container is an overlay")
        << QByteArray("1 0 0:30 / / rw - overlay overlay rw\n") << u"/ []"_s;
    QTest::newRow("malformed lines are ignored")
        << QByteArray("garbage\n"
                      "40 27 8:2 / /home rw ext4 /dev/sda2 rw\n"
                      "40 27 8:2 / /home rw - ext4\n"
                      "40 27 eight / /home rw - ext4 /dev/sda2 rw\n"
                      "40 27 8:2 / relative rw - ext4 /dev/sda2 rw\n"
                      "40 27 8:2 / /home rw - ext4 /dev/sda2 rw\n"
                      "41 27 8:2 / /srv rw - ext4\n")
        << u"/ []|/home [home]"_s;
    QTest::newRow("escapes in mount points")
        << QByteArray("40 27 8:2 / /mnt/a\\011b\\134c rw - ext4 /dev/sdz rw\n")
        << u"/ []|/mnt/a\tb\\c []"_s;
}

void TestVolumeList::entriesOfAMachine() {
    QFETCH(QByteArray, mountinfo);
    QFETCH(QString, entries);
    QCOMPARE(texts(VolumeList::volumesFrom(mountinfo, FixedFacts())), entries);
}

void TestVolumeList::kinds_data() {
    QTest::addColumn<QString>("mountPoint");
    QTest::addColumn<VolumeKind>("kind");
    QTest::newRow("root disk") << "/" << VolumeKind::Fixed;
    QTest::newRow("home disk") << "/home" << VolumeKind::Fixed;
    QTest::newRow("optical by type") << "/media/cdrom" << VolumeKind::Optical;
    QTest::newRow("removable by facts") << "/mnt/floppy" << VolumeKind::Removable;
    QTest::newRow("usb stick") << "/run/media/anna/USB STICK" << VolumeKind::Removable;
    QTest::newRow("cifs share") << "/mnt/xarxa" << VolumeKind::Network;
    QTest::newRow("nfs export") << "/mnt/nfs" << VolumeKind::Network;
    QTest::newRow("tmpfs") << "/tmp" << VolumeKind::Ram;
}

void TestVolumeList::kinds() {
    QFETCH(QString, mountPoint);
    QFETCH(VolumeKind, kind);
    const QList<Volume> volumes = VolumeList::volumesFrom(Machine, FixedFacts());
    const auto found = std::find_if(volumes.cbegin(), volumes.cend(), [&](const Volume &volume) {
        return volume.mountPoint == mountPoint;
    });
    QVERIFY(found != volumes.cend());
    QCOMPARE(found->kind, kind);
}

void TestVolumeList::entryTexts_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("text");
    const auto row = [](const char *name, VolumeKind kind, const QString &label,
                        const QString &source, const QString &text) {
        QTest::newRow(name) << int(kind) << label << source << text;
    };
    row("removable: mount point alone", VolumeKind::Removable, u"STICK"_s, {}, u"/m/Pen"_s);
    row("fixed with a label", VolumeKind::Fixed, u"Dades"_s, {}, u"/m/Pen [dades]"_s);
    row("fixed without a label", VolumeKind::Fixed, {}, {}, u"/m/Pen []"_s);
    row("optical without a disc", VolumeKind::Optical, {}, {}, u"/m/Pen []"_s);
    row("RAM", VolumeKind::Ram, u"RAM"_s, {}, u"/m/Pen [ram]"_s);
    row("network", VolumeKind::Network, {}, u"//SRV/Share"_s, u"/m/Pen //srv/share"_s);
    row("network without a source", VolumeKind::Network, u"X"_s, {}, u"/m/Pen [x]"_s);
    row("accented label", VolumeKind::Fixed, u"ÀLBUM"_s, {}, u"/m/Pen [àlbum]"_s);
}

void TestVolumeList::entryTexts() {
    QFETCH(int, kind);
    QFETCH(QString, label);
    QFETCH(QString, source);
    QFETCH(QString, text);
    QCOMPARE(VolumeList::entryText(Volume{u"/m/Pen"_s, VolumeKind(kind), label, source}), text);
}

void TestVolumeList::searchKeys_data() {
    QTest::addColumn<QString>("mountPoint");
    QTest::addColumn<QString>("key");
    QTest::newRow("root") << "/"
                          << "/";
    QTest::newRow("one level") << "/home"
                               << "home";
    QTest::newRow("deep") << "/run/media/anna/USB STICK"
                          << "USB STICK";
}

void TestVolumeList::searchKeys() {
    QFETCH(QString, mountPoint);
    QFETCH(QString, key);
    QCOMPARE(VolumeList::searchKey(mountPoint), key);
}

void TestVolumeList::parsesEveryField() {
    const QList<MountEntry> entries = VolumeList::parseMountInfo(
        "30 26 8:17 /sub /run/media/a\\040b rw shared:7 master:1 - vfat /dev/sd\\040b1 rw\n");
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries[0].deviceNumber, u"8:17"_s);
    QCOMPARE(entries[0].root, u"/sub"_s);
    QCOMPARE(entries[0].mountPoint, u"/run/media/a b"_s);
    QCOMPARE(entries[0].fsType, u"vfat"_s);
    QCOMPARE(entries[0].source, u"/dev/sd b1"_s);
}

void TestVolumeList::theSystemSourceListsTheRootAndNoSystemMount() {
    const std::shared_ptr<VolumeSource> source = systemVolumeSource();
    const QList<Volume> volumes = source->volumes();
    QVERIFY(!volumes.isEmpty());
    QCOMPARE(volumes.first().mountPoint, u"/"_s);
    for (const Volume &volume : volumes) {
        for (const QString &system : {u"/proc"_s, u"/sys"_s, u"/dev"_s}) {
            QVERIFY2(volume.mountPoint != system && !volume.mountPoint.startsWith(system + u'/'),
                     qPrintable(volume.mountPoint));
        }
    }
    QVERIFY(source->isAvailable(u"/"_s));
    QVERIFY(!source->isAvailable(u"/no/volume/is/mounted/here"_s));
}

QTEST_GUILESS_MAIN(TestVolumeList)
#include "tst_volumelist.moc"
