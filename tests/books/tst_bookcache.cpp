// The cache of extracted texts: written once, private, keyed on the book and the
// extractor, rebuilt when the book changes, trimmed past its limit.
#include "BookCache.h"
#include "BookMaker.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <utime.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray contentsOf(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Sets a file's modification time to `secondsAgo` before now.
bool age(const QString &path, int secondsAgo) {
    const time_t when = ::time(nullptr) - secondsAgo;
    const utimbuf times{when, when};
    return ::utime(QFile::encodeName(path).constData(), &times) == 0;
}

} // namespace

class TestBookCache : public QObject {
    Q_OBJECT
private slots:
    void init();
    void whichFileIsRead_data();
    void whichFileIsRead();
    void writtenOncePrivatelyAndReused();
    void changedBookGetsANewText();
    void oldTextsGoPastTheLimit();
    void refusalLeavesNoFile();
    void structureKeptBesideItsText();

private:
    QString book(const QString &name, const QByteArray &bytes);
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_cacheFolder;
};

void TestBookCache::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_cacheFolder = m_dir->filePath(u"cache/zelvora"_s);
}

QString TestBookCache::book(const QString &name, const QByteArray &bytes) {
    const QString path = m_dir->filePath(name);
    return BookMaker::writeFile(path, bytes) ? path : QString();
}

void TestBookCache::whichFileIsRead_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("extracted");
    QTest::newRow("plain text is its own text") << u"a.txt"_s << QByteArray("Hola. Adéu.") << false;
    QTest::newRow("UTF-8 mark read in place")
        << u"b.TXT"_s << QByteArray("\xEF\xBB\xBFHola.") << false;
    QTest::newRow("UTF-16 text is converted") << u"c.txt"_s << QByteArray("\xFF\xFEH\0", 4) << true;
    QTest::newRow("web page") << u"d.htm"_s << QByteArray("<p>Hola</p>") << true;
    QTest::newRow("PDF") << u"e.pdf"_s << BookMaker::pdf({{"Hola."}}) << true;
}

void TestBookCache::whichFileIsRead() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, extracted);
    const QString path = book(name, bytes);
    BookCache cache(m_cacheFolder);
    const BookText text = cache.textOf(path);
    QCOMPARE(int(text.status), int(ExtractionStatus::Ok));
    QCOMPARE(text.extracted, extracted);
    QCOMPARE(text.path, extracted ? cache.cachePathOf(path) : path);
    QCOMPARE(QFileInfo::exists(text.path), true);
    // A plain-text book stays byte for byte what it was.
    if (!extracted) {
        QCOMPARE(contentsOf(text.path), bytes);
    }
}

void TestBookCache::writtenOncePrivatelyAndReused() {
    const QString path = book(u"llibre.html"_s, "<h1>Títol</h1>");
    BookCache cache(m_cacheFolder);
    const BookText first = cache.textOf(path);
    QCOMPARE(int(first.status), int(ExtractionStatus::Ok));
    QVERIFY(first.path.startsWith(m_cacheFolder + u'/'));
    QCOMPARE(contentsOf(first.path), QByteArray("Títol."));
    struct stat info {};
    QCOMPARE(::stat(QFile::encodeName(first.path).constData(), &info), 0);
    QCOMPARE(info.st_mode & 0777, mode_t(0600));
    QCOMPARE(::stat(QFile::encodeName(m_cacheFolder).constData(), &info), 0);
    QCOMPARE(info.st_mode & 0777, mode_t(0700));

    // A second opening reads the cache file and does not extract again: a
    // marker put in the file is still there.
    QVERIFY(BookMaker::writeFile(first.path, "marca"));
    const BookText second = BookCache(m_cacheFolder).textOf(path);
    QCOMPARE(second.path, first.path);
    QCOMPARE(contentsOf(second.path), QByteArray("marca"));
    const QDir folder(m_cacheFolder);
    QCOMPARE(folder.entryList({u"*.txt"_s}, QDir::Files | QDir::Hidden).size(), 1);
    QCOMPARE(folder.entryList({u"*.structure"_s}, QDir::Files | QDir::Hidden).size(), 1);
}

void TestBookCache::changedBookGetsANewText() {
    const QString path = book(u"llibre.html"_s, "<p>Abans</p>");
    BookCache cache(m_cacheFolder);
    const BookText before = cache.textOf(path);
    QVERIFY(age(path, 100)); // a new modification time, same size
    const BookText touched = cache.textOf(path);
    QVERIFY(touched.path != before.path);
    QVERIFY(BookMaker::writeFile(path, "<p>Després, més llarg</p>"));
    const BookText changed = cache.textOf(path);
    QVERIFY(changed.path != touched.path);
    QCOMPARE(contentsOf(changed.path), QByteArray("Després, més llarg."));
}

void TestBookCache::oldTextsGoPastTheLimit() {
    const QByteArray page = "<p>" + QByteArray(1000, 'x') + "</p>";
    BookCache cache(m_cacheFolder, 2500); // room for two texts of 1001 bytes
    QStringList texts;
    for (int i = 0; i < 4; ++i) {
        texts.append(cache.textOf(book(u"b%1.html"_s.arg(i), page)).path);
        QVERIFY(age(texts.last(), 100 - i)); // each newer than the one before
    }
    QVERIFY(BookMaker::writeFile(m_cacheFolder + u"/.tmp-old"_s, "x"));
    QVERIFY(age(m_cacheFolder + u"/.tmp-old"_s, 7200));
    QVERIFY(BookMaker::writeFile(m_cacheFolder + u"/.tmp-new"_s, "x"));
    // Using the oldest text makes it the most recent; the next write trims.
    QCOMPARE(cache.textOf(m_dir->filePath(u"b0.html"_s)).path, texts[0]);
    const QString latest = cache.textOf(book(u"b4.html"_s, page)).path;
    const QStringList left =
        QDir(m_cacheFolder).entryList({u"*.txt"_s, u".tmp-*"_s}, QDir::Files | QDir::Hidden);
    QCOMPARE(left.size(), 3);
    // Each text kept has its structure, and no structure outlives its text.
    QCOMPARE(QDir(m_cacheFolder).entryList({u"*.structure"_s}, QDir::Files).size(), 2);
    QVERIFY(left.contains(QFileInfo(texts[0]).fileName()));
    QVERIFY(left.contains(QFileInfo(latest).fileName()));
    QVERIFY(left.contains(u".tmp-new"_s));
}

void TestBookCache::refusalLeavesNoFile() {
    const QString path = book(u"buit.pdf"_s, BookMaker::pdf({{}}));
    const BookText text = BookCache(m_cacheFolder).textOf(path);
    QCOMPARE(int(text.status), int(ExtractionStatus::NoText));
    QCOMPARE(text.path, path);
    QVERIFY(QDir(m_cacheFolder).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

// The structure comes back from the cache with the text; a text whose structure
// is gone is extracted again rather than read without one; a changed book has no
// structure until it is extracted anew.
void TestBookCache::structureKeptBesideItsText() {
    const QString path = book(u"llibre.html"_s, "<h1>Un</h1><p>Text.</p><h2>Dos</h2>");
    BookCache cache(m_cacheFolder);
    const BookText text = cache.textOf(path);
    const std::optional<BookStructure> kept = cache.structureOf(path);
    QVERIFY(kept.has_value());
    QCOMPARE(kept->headingCount(), 2);
    QCOMPARE(kept->heading(1).text, QByteArrayView("Dos"));
    QCOMPARE(kept->heading(1).level, 2);

    QVERIFY(BookMaker::writeFile(text.path, "marca"));
    QString structure = text.path;
    structure.chop(4);
    QVERIFY(QFile::remove(structure + u".structure"_s));
    QCOMPARE(contentsOf(cache.textOf(path).path), QByteArray("Un.\r\nText.\r\nDos."));

    QVERIFY(age(path, 100));
    QVERIFY(!cache.structureOf(path).has_value());
}

QTEST_GUILESS_MAIN(TestBookCache)
#include "tst_bookcache.moc"
