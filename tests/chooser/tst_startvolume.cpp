// The book chooser started in a folder of a second volume, a real one: a tmpfs
// mounted in a mount namespace of this process's own, so that nothing of the
// machine changes. The drive list must file the start folder under that volume,
// not under "/". Needs the right to make a mount namespace (root); skipped where
// that is refused.
#include "FileListBox.h"
#include "FolderListBox.h"
#include "UnitFitxerGrafic.h"
#include "VolumeComboBox.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <memory>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// A tmpfs mounted over a new folder of the temporary folder, seen by this process
// only. Made before any thread starts, since a mount namespace is a thread's.
class PrivateVolume {
public:
    PrivateVolume() {
        if (::unshare(CLONE_NEWNS) != 0) {
            m_refusal = u"unshare(CLONE_NEWNS): "_s + QString::fromLocal8Bit(std::strerror(errno));
            return;
        }
        // Nothing mounted from here on may reach the machine's own mount table.
        if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            m_refusal = u"making / private: "_s + QString::fromLocal8Bit(std::strerror(errno));
            return;
        }
        QByteArray folder = QFile::encodeName(QDir::tempPath()) + "/zelvora-volume-XXXXXX";
        if (::mkdtemp(folder.data()) == nullptr) {
            m_refusal = u"mkdtemp: "_s + QString::fromLocal8Bit(std::strerror(errno));
            return;
        }
        m_folder = folder;
        if (::mount("zelvora-test", m_folder.constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                    "size=1m,mode=0700") != 0) {
            m_refusal = u"mounting a tmpfs: "_s + QString::fromLocal8Bit(std::strerror(errno));
            return;
        }
        m_mounted = true;
    }
    ~PrivateVolume() {
        if (m_mounted) {
            ::umount2(m_folder.constData(), MNT_DETACH);
        }
        if (!m_folder.isEmpty()) {
            ::rmdir(m_folder.constData());
        }
    }
    PrivateVolume(const PrivateVolume &) = delete;
    PrivateVolume &operator=(const PrivateVolume &) = delete;

    // Why there is no volume; empty when there is one.
    QString refusal() const { return m_refusal; }
    QString mountPoint() const { return QFile::decodeName(m_folder); }

private:
    QByteArray m_folder;
    QString m_refusal;
    bool m_mounted = false;
};

} // namespace

class TestStartVolume : public QObject {
    Q_OBJECT
public:
    explicit TestStartVolume(const PrivateVolume &volume) : m_volume(volume) {}

private slots:
    void initTestCase();
    void cleanupTestCase();
    void eachVolumeKeepsItsOwnFolder_data();
    void eachVolumeKeepsItsOwnFolder();

private:
    const PrivateVolume &m_volume;
    QString m_startFolder;
    QString m_books;
};

void TestStartVolume::initTestCase() {
    if (!m_volume.refusal().isEmpty()) {
        QSKIP(qPrintable(u"no private volume to test on: "_s + m_volume.refusal()));
    }
    m_startFolder = QDir::currentPath();
    m_books = m_volume.mountPoint() + u"/Llibres"_s;
    QVERIFY(QDir().mkpath(m_books));
    QFile book(m_books + u"/Viatge.txt"_s);
    QVERIFY(book.open(QIODevice::WriteOnly));
    QCOMPARE(book.write("Una frase. "), 11);
}

void TestStartVolume::cleanupTestCase() {
    if (!m_startFolder.isEmpty()) {
        QDir::setCurrent(m_startFolder);
    }
}

void TestStartVolume::eachVolumeKeepsItsOwnFolder_data() {
    QTest::addColumn<QStringList>("chosen"); // "root" or "books", in turn
    QTest::addColumn<QString>("landsIn");    // "root" or "start"
    QTest::newRow("the root volume opens at its mount point")
        << QStringList{u"root"_s} << u"root"_s;
    QTest::newRow("back on the start volume, the start folder")
        << QStringList{u"root"_s, u"books"_s} << u"start"_s;
    QTest::newRow("the root volume again")
        << QStringList{u"root"_s, u"books"_s, u"root"_s} << u"root"_s;
    QTest::newRow("the volume shown already") << QStringList{u"books"_s} << u"start"_s;
}

// Started in a folder of the second volume, the chooser shows that volume; Enter
// on a volume opens the folder last opened on it, else its mount point.
void TestStartVolume::eachVolumeKeepsItsOwnFolder() {
    QFETCH(QStringList, chosen);
    QFETCH(QString, landsIn);
    QVERIFY(QDir::setCurrent(m_books));
    TFormObrirRecurs dialog;
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog, 20000));
    VolumeComboBox *drives = dialog.driveList();
    QCOMPARE(drives->Drive(), m_volume.mountPoint());
    QCOMPARE(dialog.lastConfirmedDrive(), m_volume.mountPoint());
    QTest::keyClick(dialog.fileList(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), drives);
    for (const QString &volume : chosen) {
        const QString mountPoint = volume == u"root" ? u"/"_s : m_volume.mountPoint();
        drives->setCurrentIndex(drives->findData(mountPoint));
        QCOMPARE(drives->Drive(), mountPoint);
        QTest::keyClick(drives, Qt::Key_Return);
        QCOMPARE(dialog.lastConfirmedDrive(), mountPoint);
        QCOMPARE(QApplication::focusWidget(), dialog.folderList());
        QTest::keyClick(dialog.folderList(), Qt::Key_Tab, Qt::ShiftModifier);
    }
    QCOMPARE(dialog.folderList()->Directory(), landsIn == u"root" ? u"/"_s : m_books);
    dialog.reject();
}

int main(int argc, char **argv) {
    const PrivateVolume volume; // before QApplication starts any thread
    QApplication application(argc, argv);
    TestStartVolume test(volume);
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_startvolume.moc"
