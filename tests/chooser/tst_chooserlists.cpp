// The chooser's three lists as widgets, without the dialog and without speech:
// lines, opening folders, the process's current directory, the file list following
// the folder list, volumes, selections and what each reports.
#include "FileListBox.h"
#include "FixedVolumes.h"
#include "FolderListBox.h"
#include "VolumeComboBox.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

bool makeFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("x. ") == 3;
}

QStringList linesOf(const PlainListBox &list) {
    return list.lineTexts();
}

// The lines the folder list must show for `folder`, subfolders after.
QStringList expectedLines(const QString &folder, const QStringList &subfolders) {
    return QStringList{u"/"_s} + folder.split(u'/', Qt::SkipEmptyParts) + subfolders;
}

} // namespace

class TestChooserLists : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void changeFolderRebuildsLinesAndFollows();
    void changeFolderResolvesItsPath_data();
    void changeFolderResolvesItsPath();
    void aFolderThatCannotBeEnteredChangesNothing_data();
    void aFolderThatCannotBeEnteredChangesNothing();
    void openHighlightedLine_data();
    void openHighlightedLine();
    void onlyUserHighlightChangesAreReported();
    void enterAndDoubleClickOpenTheHighlightedLine();
    void enterOnAFolderThatIsGoneIsReportedOnce();
    void volumesKeepTheirLastFolder();
    void aVolumeThatIsNotAvailableIsRefused();
    void fileListKeys_data();
    void fileListKeys();
    void fileListReportsChangesAndEmptiesOnReRead();
    void fileListFollowsOnlyAnotherFolder();
    void driveListSelectionAndReports();
    void driveListKeys_data();
    void driveListKeys();

private:
    QString path(const QString &relative) const { return m_dir.filePath(relative); }

    QTemporaryDir m_dir;
    QString m_startDirectory;
    std::unique_ptr<QWidget> m_window;
    FolderListBox *m_folders = nullptr;
    FileListBox *m_files = nullptr;
};

void TestChooserLists::initTestCase() {
    QVERIFY(m_dir.isValid());
    m_startDirectory = QDir::currentPath();
    QDir root(m_dir.path());
    for (const QString &folder :
         {u"a/b/c/Zed"_s, u"a/b/c/alfa"_s, u"a/b/c/.amagat"_s, u"a/b/c/rosa"_s, u"a/buit"_s,
          u"vol1/llibres"_s, u"vol2"_s, u"gone"_s}) {
        QVERIFY(root.mkpath(folder));
    }
    for (const QString &file :
         {u"a/b/c/b.txt"_s, u"a/b/c/A.TXT"_s, u"a/b/c/carta.txt"_s, u"a/b/c/.ocult.txt"_s,
          u"a/b/c/res.doc"_s, u"a/b/top.txt"_s, u"vol1/llibres/v.txt"_s}) {
        QVERIFY(makeFile(path(file)));
    }
    QCOMPARE(::mkfifo(QFile::encodeName(path(u"a/b/c/fifo.txt"_s)).constData(), 0600), 0);
}

void TestChooserLists::init() {
    QVERIFY(QDir::setCurrent(path(u"a/b"_s)));
    m_window = std::make_unique<QWidget>();
    m_folders = new FolderListBox(m_window.get());
    m_files = new FileListBox(m_window.get());
    m_files->setMask(u"*.txt"_s);
    m_folders->setFileList(m_files);
    m_files->setGeometry(0, 0, 160, 170);
    m_folders->setGeometry(170, 0, 160, 170);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestChooserLists::cleanup() {
    m_window.reset();
    QDir::setCurrent(m_startDirectory);
}

void TestChooserLists::changeFolderRebuildsLinesAndFollows() {
    // First showing: the folder the process started in.
    const QString start = QDir(path(u"a/b"_s)).canonicalPath();
    QCOMPARE(m_folders->Directory(), start);
    QCOMPARE(linesOf(*m_folders), expectedLines(start, {u"c"_s}));
    QCOMPARE(linesOf(*m_files), QStringList{u"top.txt"_s});

    QSignalSpy changed(m_folders, &FolderListBox::folderChanged);
    const QString c = start + u"/c"_s;
    QVERIFY(m_folders->ChangeFolder(c));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(m_folders->Directory(), c);
    QCOMPARE(QDir::currentPath(), c);
    QCOMPARE(linesOf(*m_folders), expectedLines(c, {u"alfa"_s, u"rosa"_s, u"Zed"_s}));
    const int current = int(c.count(u'/'));
    QCOMPARE(m_folders->highlightedLine(), current);
    QCOMPARE(m_folders->LinePath(current), c);
    QCOMPARE(m_folders->LinePath(current - 1), start);
    QCOMPARE(m_folders->LinePath(0), u"/"_s);
    QCOMPARE(m_folders->LinePath(current + 3), c + u"/Zed"_s);
    QCOMPARE(m_folders->LinePath(current + 4), QString());
    QCOMPARE(m_files->Directory(), c);
    QCOMPARE(linesOf(*m_files), (QStringList{u"A.TXT"_s, u"b.txt"_s, u"carta.txt"_s}));
    QCOMPARE(m_files->FileName(), QString());
}

void TestChooserLists::changeFolderResolvesItsPath_data() {
    QTest::addColumn<QString>("request");
    QTest::addColumn<QString>("directory");
    QTest::addColumn<int>("reports");
    const QString b = QDir(path(u"a/b"_s)).canonicalPath();
    QTest::newRow("relative to the current directory") << u"c/alfa"_s << b + u"/c/alfa"_s << 1;
    QTest::newRow("a file stands for its folder") << b + u"/c/b.txt"_s << b + u"/c"_s << 1;
    QTest::newRow("dot dot") << u".."_s << QDir(path(u"a"_s)).canonicalPath() << 1;
    QTest::newRow("trailing slash") << b + u"/c/"_s << b + u"/c"_s << 1;
    QTest::newRow("empty path: nothing") << QString() << b << 0;
    QTest::newRow("the current folder: nothing") << b << b << 0;
    QTest::newRow("the current folder spelled with a dot: nothing") << u"."_s << b << 0;
}

void TestChooserLists::changeFolderResolvesItsPath() {
    QFETCH(QString, request);
    QFETCH(QString, directory);
    QFETCH(int, reports);
    QSignalSpy changed(m_folders, &FolderListBox::folderChanged);
    QVERIFY(m_folders->ChangeFolder(request));
    QCOMPARE(m_folders->Directory(), directory);
    QCOMPARE(QDir::currentPath(), directory);
    QCOMPARE(changed.count(), reports);
}

void TestChooserLists::aFolderThatCannotBeEnteredChangesNothing_data() {
    QTest::addColumn<QString>("request");
    QTest::newRow("missing") << path(u"a/b/nothing here"_s);
    QTest::newRow("a FIFO") << path(u"a/b/c/fifo.txt"_s);
}

void TestChooserLists::aFolderThatCannotBeEnteredChangesNothing() {
    QFETCH(QString, request);
    const QString c = QDir(path(u"a/b/c"_s)).canonicalPath();
    QVERIFY(m_folders->ChangeFolder(c));
    m_folders->setCurrentRow(m_folders->highlightedLine() + 2);
    m_files->setCurrentRow(1);
    const QStringList folderLines = linesOf(*m_folders);
    const QStringList fileLines = linesOf(*m_files);
    QSignalSpy changed(m_folders, &FolderListBox::folderChanged);

    const FolderResult result = m_folders->ChangeFolder(request);
    QVERIFY(!result.ok);
    QVERIFY(!result.error.isEmpty());
    QCOMPARE(changed.count(), 0);
    QCOMPARE(m_folders->Directory(), c);
    QCOMPARE(QDir::currentPath(), c);
    QCOMPARE(linesOf(*m_folders), folderLines);
    QCOMPARE(m_folders->LinePath(m_folders->highlightedLine()), c + u"/rosa"_s);
    QCOMPARE(linesOf(*m_files), fileLines);
    QCOMPARE(m_files->FileName(), c + u"/b.txt"_s);
}

void TestChooserLists::openHighlightedLine_data() {
    QTest::addColumn<int>("fromCurrent");
    QTest::addColumn<QString>("directory");
    const QString b = QDir(path(u"a/b"_s)).canonicalPath();
    QTest::newRow("current line: nothing") << 0 << b;
    QTest::newRow("level above") << -1 << QDir(path(u"a"_s)).canonicalPath();
    QTest::newRow("subfolder") << 1 << b + u"/c"_s;
    QTest::newRow("past the last line: nothing") << 2 << b;
}

void TestChooserLists::openHighlightedLine() {
    QFETCH(int, fromCurrent);
    QFETCH(QString, directory);
    const int line = m_folders->highlightedLine() + fromCurrent;
    if (line < m_folders->count()) {
        m_folders->setCurrentRow(line);
    }
    QVERIFY(m_folders->OpenHighlightedLine());
    QCOMPARE(m_folders->Directory(), directory);
    QCOMPARE(m_files->Directory(), directory);
    QCOMPARE(m_folders->highlightedLine(), int(directory.count(u'/')));
}

void TestChooserLists::onlyUserHighlightChangesAreReported() {
    QVERIFY(m_folders->ChangeFolder(path(u"a/b/c"_s)));
    QSignalSpy clicks(m_folders, &FolderListBox::lineClicked);
    const int current = m_folders->highlightedLine();
    QTest::keyClick(m_folders, Qt::Key_Down);
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(m_folders->highlightedLine(), current + 1);
    QCOMPARE(m_folders->Directory(), QDir(path(u"a/b/c"_s)).canonicalPath());

    QTest::keyClick(m_folders, Qt::Key_R); // type-ahead: "rosa"
    QCOMPARE(clicks.count(), 2);
    QCOMPARE(m_folders->item(m_folders->highlightedLine())->text(), u"rosa"_s);
    QTest::keyClick(m_folders, Qt::Key_Home);
    QCOMPARE(m_folders->highlightedLine(), 0);
    QTest::keyClick(m_folders, Qt::Key_End);
    QCOMPARE(m_folders->highlightedLine(), m_folders->count() - 1);
    QTest::keyClick(m_folders, Qt::Key_Left);
    QCOMPARE(clicks.count(), 5);
    QCOMPARE(m_folders->item(m_folders->highlightedLine())->text(), u"rosa"_s);

    // A rebuild highlights the current line without a report.
    QVERIFY(m_folders->ChangeFolder(path(u"a"_s)));
    QCOMPARE(clicks.count(), 5);
}

void TestChooserLists::enterAndDoubleClickOpenTheHighlightedLine() {
    const QString b = QDir(path(u"a/b"_s)).canonicalPath();
    m_folders->setCurrentRow(m_folders->highlightedLine() + 1);
    QTest::keyClick(m_folders, Qt::Key_Return);
    QCOMPARE(m_folders->Directory(), b + u"/c"_s);
    QCOMPARE(m_files->Directory(), b + u"/c"_s);

    m_folders->setCurrentRow(m_folders->highlightedLine() - 1);
    QTest::keyClick(m_folders, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(m_folders->Directory(), b);

    QListWidgetItem *line = m_folders->item(m_folders->highlightedLine() + 1);
    const QPoint centre = m_folders->visualItemRect(line).center();
    QTest::mouseClick(m_folders->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(m_folders->viewport(), Qt::LeftButton, {}, centre);
    QCOMPARE(m_folders->Directory(), b + u"/c"_s);
}

void TestChooserLists::enterOnAFolderThatIsGoneIsReportedOnce() {
    QVERIFY(m_folders->ChangeFolder(path(u"gone"_s) + u"/.."_s));
    const QString parent = m_folders->Directory();
    const int gone = int(linesOf(*m_folders).indexOf(u"gone"_s));
    QVERIFY(gone > 0);
    m_folders->setCurrentRow(gone);
    QVERIFY(QDir(path(u"gone"_s)).removeRecursively());
    QSignalSpy failures(m_folders, &FolderListBox::cannotEnter);
    QTest::keyClick(m_folders, Qt::Key_Return);
    QCOMPARE(failures.count(), 1);
    QCOMPARE(failures.at(0).at(0).toString(), parent + u"/gone"_s);
    QCOMPARE(m_folders->Directory(), parent);
    QCOMPARE(m_folders->highlightedLine(), gone);
    QVERIFY(QDir(m_dir.path()).mkpath(u"gone"_s));
}

void TestChooserLists::volumesKeepTheirLastFolder() {
    auto volumes = std::make_shared<FixedVolumes>();
    const QString vol1 = QDir(path(u"vol1"_s)).canonicalPath();
    const QString vol2 = QDir(path(u"vol2"_s)).canonicalPath();
    volumes->list = {volumeAt(u"/"_s), volumeAt(vol1), volumeAt(vol2)};
    m_folders->setVolumes(volumes, {u"/"_s, vol1, vol2});
    const QString b = m_folders->Directory();
    QCOMPARE(m_folders->drive(), u"/"_s);

    QVERIFY(m_folders->SelectDrive(vol1));
    QCOMPARE(m_folders->Directory(), vol1);
    QVERIFY(m_folders->ChangeFolder(vol1 + u"/llibres"_s));
    QCOMPARE(m_folders->drive(), vol1);
    QCOMPARE(linesOf(*m_files), QStringList{u"v.txt"_s});

    // Its own volume: nothing, though the folder is not the mount point.
    QSignalSpy changed(m_folders, &FolderListBox::folderChanged);
    QVERIFY(m_folders->SelectDrive(vol1));
    QCOMPARE(changed.count(), 0);
    QCOMPARE(m_folders->Directory(), vol1 + u"/llibres"_s);

    QVERIFY(m_folders->SelectDrive(u"/"_s));
    QCOMPARE(m_folders->Directory(), b);
    QVERIFY(m_folders->SelectDrive(vol1));
    QCOMPARE(m_folders->Directory(), vol1 + u"/llibres"_s);

    // The last folder has gone: the mount point instead.
    QVERIFY(m_folders->SelectDrive(vol2));
    QVERIFY(QDir::setCurrent(vol2));
    QVERIFY(QDir(vol1 + u"/llibres"_s).removeRecursively());
    QVERIFY(m_folders->SelectDrive(vol1));
    QCOMPARE(m_folders->Directory(), vol1);
    QVERIFY(QDir(vol1).mkpath(u"llibres"_s));
    QVERIFY(makeFile(vol1 + u"/llibres/v.txt"_s));
}

void TestChooserLists::aVolumeThatIsNotAvailableIsRefused() {
    auto volumes = std::make_shared<FixedVolumes>();
    const QString vol2 = QDir(path(u"vol2"_s)).canonicalPath();
    volumes->list = {volumeAt(u"/"_s), volumeAt(vol2)};
    volumes->unavailable = {vol2};
    m_folders->setVolumes(volumes, {u"/"_s, vol2});
    const QString before = m_folders->Directory();
    const QStringList lines = linesOf(*m_folders);
    const FolderResult result = m_folders->SelectDrive(vol2);
    QVERIFY(!result.ok);
    QCOMPARE(volumes->availabilityQuestions, 1);
    QCOMPARE(m_folders->Directory(), before);
    QCOMPARE(QDir::currentPath(), before);
    QCOMPARE(linesOf(*m_folders), lines);
    QVERIFY(!m_folders->SelectDrive(QString()).ok);
}

void TestChooserLists::fileListKeys_data() {
    QTest::addColumn<bool>("focusFirst");
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<QString>("selected");
    struct Row {
        const char *name;
        QList<int> keys;
        const char *selected;
    };
    const QList<Row> rows{
        {"first Down selects the first book", QList<int>{Qt::Key_Down}, "A.TXT"},
        {"first Up selects the first book", QList<int>{Qt::Key_Up}, "A.TXT"},
        {"Down Down", QList<int>{Qt::Key_Down, Qt::Key_Down}, "b.txt"},
        {"Right moves like Down", QList<int>{Qt::Key_Down, Qt::Key_Right}, "b.txt"},
        {"Left moves like Up", QList<int>{Qt::Key_End, Qt::Key_Left}, "b.txt"},
        {"End", QList<int>{Qt::Key_End}, "carta.txt"},
        {"Home", QList<int>{Qt::Key_Home}, "A.TXT"},
        {"Page Down", QList<int>{Qt::Key_PageDown}, "carta.txt"},
        {"End Home", QList<int>{Qt::Key_End, Qt::Key_Home}, "A.TXT"},
        {"typing a letter", QList<int>{Qt::Key_C}, "carta.txt"},
        {"typing the same letter moves on, wrapping", QList<int>{Qt::Key_B, Qt::Key_A, Qt::Key_A},
         "A.TXT"},
        {"two letters do not make a prefix", QList<int>{Qt::Key_C, Qt::Key_B}, "b.txt"},
        {"a letter that starts nothing", QList<int>{Qt::Key_Z}, ""},
    };
    // Focused before or after the folder's files are read: Qt's own cursor differs.
    for (bool focusFirst : {false, true}) {
        for (const Row &row : rows) {
            QTest::addRow("%s, %s", row.name, focusFirst ? "focused first" : "read first")
                << focusFirst << row.keys << QString::fromUtf8(row.selected);
        }
    }
}

void TestChooserLists::fileListKeys() {
    QFETCH(QList<int>, keys);
    QFETCH(QString, selected);
    QFETCH(bool, focusFirst);
    if (focusFirst) {
        m_files->setFocus();
    }
    QVERIFY(m_folders->ChangeFolder(path(u"a/b/c"_s)));
    m_files->setFocus();
    for (int key : keys) {
        QTest::keyClick(m_files, Qt::Key(key));
    }
    const QString expected =
        selected.isEmpty() ? QString() : QDir(path(u"a/b/c"_s)).canonicalPath() + u'/' + selected;
    QCOMPARE(m_files->FileName(), expected);
}

void TestChooserLists::fileListReportsChangesAndEmptiesOnReRead() {
    QVERIFY(m_folders->ChangeFolder(path(u"a/b/c"_s)));
    QSignalSpy changes(m_files, &FileListBox::changed);
    QTest::keyClick(m_files, Qt::Key_Down);
    QCOMPARE(changes.count(), 1);
    QTest::keyClick(m_files, Qt::Key_Up); // stays on the first book: no report
    QCOMPARE(changes.count(), 1);
    QTest::keyClick(m_files, Qt::Key_Down);
    QCOMPARE(changes.count(), 2);
    QVERIFY(!m_files->FileName().isEmpty());

    QVERIFY(m_folders->ChangeFolder(path(u"a/buit"_s)));
    QCOMPARE(changes.count(), 3);
    QCOMPARE(m_files->count(), 0);
    QCOMPARE(m_files->FileName(), QString());
    QTest::keyClick(m_files, Qt::Key_Down);
    QCOMPARE(m_files->FileName(), QString());

    m_files->setMask(u"*"_s);
    QCOMPARE(changes.count(), 4);
}

void TestChooserLists::fileListFollowsOnlyAnotherFolder() {
    QVERIFY(m_folders->ChangeFolder(path(u"a/b/c"_s)));
    m_files->setCurrentRow(2);
    QSignalSpy changes(m_files, &FileListBox::changed);
    QVERIFY(m_files->followFolder(m_folders->Directory()));
    QCOMPARE(changes.count(), 0);
    QCOMPARE(m_files->selectedRow(), 2);
    // A folder that cannot be read leaves the list as it was.
    QVERIFY(!m_files->followFolder(path(u"missing"_s)).ok);
    QCOMPARE(m_files->Directory(), m_folders->Directory());
    QCOMPARE(m_files->selectedRow(), 2);
    QCOMPARE(changes.count(), 0);
}

void TestChooserLists::driveListSelectionAndReports() {
    VolumeComboBox drives(m_window.get());
    QSignalSpy changes(&drives, &VolumeComboBox::driveChanged);
    const QList<Volume> volumes{volumeAt(u"/"_s), volumeAt(u"/home"_s, VolumeKind::Fixed, u"H"_s),
                                volumeAt(u"/media/pen"_s, VolumeKind::Removable)};
    drives.readEntries(volumes, u"/home/anna/llibres"_s);
    QCOMPARE(changes.count(), 0); // filling the list is not a change of drive
    QCOMPARE(drives.Drive(), u"/home"_s);
    QCOMPARE(drives.currentText(), u"/home [h]"_s);
    drives.readEntries({volumeAt(u"/other"_s)}, u"/"_s); // read once only
    QCOMPARE(drives.count(), 3);
    QCOMPARE(changes.count(), 0);

    drives.SelectDrive(u"/home"_s);
    QCOMPARE(changes.count(), 0);
    drives.SelectDrive(u"/media/pen"_s);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(drives.currentIndex(), 2);
    drives.SelectDrive(u"/not/listed"_s);
    QCOMPARE(changes.count(), 2);
    QCOMPARE(drives.currentIndex(), -1);
    QCOMPARE(drives.Drive(), u"/not/listed"_s);
    drives.SelectDrive(u"/not/listed"_s); // nothing selected: reported again
    QCOMPARE(changes.count(), 3);
    drives.SelectDrive(QString());
    QCOMPARE(changes.count(), 4);
    QCOMPARE(drives.Drive(), QString());
}

void TestChooserLists::driveListKeys_data() {
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<QString>("drive");
    QTest::addColumn<int>("reports");
    QTest::newRow("Down") << QList<int>{Qt::Key_Down} << "/media/pen" << 1;
    QTest::newRow("Up at the top") << QList<int>{Qt::Key_Home, Qt::Key_Up} << "/" << 1;
    QTest::newRow("End") << QList<int>{Qt::Key_End} << "/tmp" << 1;
    QTest::newRow("Page Down") << QList<int>{Qt::Key_PageDown} << "/tmp" << 1;
    QTest::newRow("Page Up") << QList<int>{Qt::Key_PageUp} << "/" << 1;
    QTest::newRow("Right") << QList<int>{Qt::Key_Right} << "/media/pen" << 1;
    QTest::newRow("typing the last name's letter") << QList<int>{Qt::Key_T} << "/tmp" << 1;
    QTest::newRow("typing P") << QList<int>{Qt::Key_P} << "/media/pen" << 1;
    QTest::newRow("a letter that starts nothing") << QList<int>{Qt::Key_Q} << "/home" << 0;
}

void TestChooserLists::driveListKeys() {
    QFETCH(QList<int>, keys);
    QFETCH(QString, drive);
    QFETCH(int, reports);
    VolumeComboBox drives(m_window.get());
    drives.readEntries({volumeAt(u"/"_s), volumeAt(u"/home"_s), volumeAt(u"/media/pen"_s),
                        volumeAt(u"/tmp"_s, VolumeKind::Ram)},
                       u"/home"_s);
    drives.show();
    QSignalSpy changes(&drives, &VolumeComboBox::driveChanged);
    for (int key : keys) {
        QTest::keyClick(&drives, Qt::Key(key));
    }
    QCOMPARE(drives.Drive(), drive);
    QCOMPARE(changes.count(), reports);
}

QTEST_MAIN(TestChooserLists)
#include "tst_chooserlists.moc"
