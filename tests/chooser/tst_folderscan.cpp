// Reading a folder for the chooser's lists, over a real temporary tree: what is a
// subfolder, what is a book, in which order, and what a failed read leaves.
#include "FolderScan.h"
#include "PathRules.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

bool makeFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("text. ") == 6;
}

} // namespace

class TestFolderScan : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void subfoldersLeaveOutHiddenOnesAndFiles();
    void booksAreRegularFilesMatchingTheMask_data();
    void booksAreRegularFilesMatchingTheMask();
    void booksAreSortedWithoutRegardToCase();
    void aFolderThatCannotBeReadFails_data();
    void aFolderThatCannotBeReadFails();

private:
    QTemporaryDir m_dir;
    QString m_tree;
};

void TestFolderScan::initTestCase() {
    QVERIFY(m_dir.isValid());
    m_tree = m_dir.filePath(u"tree"_s);
    QDir root(m_dir.path());
    for (const QString &folder : {u"tree/Zeta"_s, u"tree/alfa"_s, u"tree/.amagat"_s, u"tree/Beta"_s,
                                  u"tree/x.txt"_s, u"elsewhere"_s}) {
        QVERIFY(root.mkpath(folder));
    }
    for (const QString &file : {u"b.txt"_s, u"BOOK.TXT"_s, u"a.txt"_s, u".txt"_s, u".secret.txt"_s,
                                u"notes.md"_s, u"c.txt.bak"_s}) {
        QVERIFY(makeFile(m_tree + u'/' + file));
    }
    QVERIFY(makeFile(m_dir.filePath(u"elsewhere/target.txt"_s)));
    QCOMPARE(::mkfifo(QFile::encodeName(m_tree + u"/pipe.txt"_s).constData(), 0600), 0);
    // A name that is not UTF-8 could not be opened again by its decoded name.
    const QByteArray notUtf8 = QFile::encodeName(m_tree) + "/\xff\xfe book.txt";
    const int descriptor = ::open(notUtf8.constData(), O_CREAT | O_WRONLY, 0600);
    QVERIFY(descriptor >= 0);
    ::close(descriptor);
    QVERIFY(QFile::link(m_dir.filePath(u"elsewhere/target.txt"_s), m_tree + u"/link.txt"_s));
    QVERIFY(QFile::link(m_dir.filePath(u"elsewhere"_s), m_tree + u"/linked folder"_s));
    QVERIFY(QFile::link(m_dir.filePath(u"nowhere.txt"_s), m_tree + u"/dangling.txt"_s));
}

void TestFolderScan::subfoldersLeaveOutHiddenOnesAndFiles() {
    QStringList names;
    QVERIFY(FolderScan::subfolders(m_tree, names));
    QCOMPARE(names, (QStringList{u"alfa"_s, u"Beta"_s, u"linked folder"_s, u"x.txt"_s, u"Zeta"_s}));
}

void TestFolderScan::booksAreRegularFilesMatchingTheMask_data() {
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QStringList>("books");
    QTest::newRow("books: no FIFO, folder, dangling link or hidden file")
        << "*.txt" << QStringList{u".txt"_s, u"a.txt"_s, u"b.txt"_s, u"BOOK.TXT"_s, u"link.txt"_s};
    QTest::newRow("two patterns") << "*.md;b*"
                                  << QStringList{u"b.txt"_s, u"BOOK.TXT"_s, u"notes.md"_s};
    QTest::newRow("nothing matches") << "*.epub" << QStringList{};
}

void TestFolderScan::booksAreRegularFilesMatchingTheMask() {
    QFETCH(QString, mask);
    QFETCH(QStringList, books);
    QStringList names{u"left over"_s};
    QVERIFY(FolderScan::matchingFiles(m_tree, PathRules::maskPatterns(mask), names));
    QCOMPARE(names, books);
}

void TestFolderScan::booksAreSortedWithoutRegardToCase() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const QString &name : {u"c.txt"_s, u"B.txt"_s, u"a.TXT"_s, u"D.txt"_s}) {
        QVERIFY(makeFile(dir.filePath(name)));
    }
    QStringList names;
    QVERIFY(FolderScan::matchingFiles(dir.path(), {u"*.txt"_s}, names));
    QCOMPARE(names, (QStringList{u"a.TXT"_s, u"B.txt"_s, u"c.txt"_s, u"D.txt"_s}));
}

void TestFolderScan::aFolderThatCannotBeReadFails_data() {
    QTest::addColumn<QString>("folder");
    QTest::newRow("missing") << m_dir.filePath(u"missing"_s);
    QTest::newRow("a file") << m_tree + u"/a.txt"_s;
    QTest::newRow("a FIFO") << m_tree + u"/pipe.txt"_s;
}

void TestFolderScan::aFolderThatCannotBeReadFails() {
    QFETCH(QString, folder);
    QStringList names{u"kept"_s};
    const FolderResult files = FolderScan::matchingFiles(folder, {u"*"_s}, names);
    QVERIFY(!files.ok);
    QVERIFY(!files.error.isEmpty());
    QVERIFY(!FolderScan::subfolders(folder, names));
    QCOMPARE(names, QStringList{u"kept"_s});
}

QTEST_GUILESS_MAIN(TestFolderScan)
#include "tst_folderscan.moc"
