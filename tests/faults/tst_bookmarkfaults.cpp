// A damaged or hostile bookmark file under the B key: the book's position and
// the settings stay as they were, other books' readable bookmarks survive, the
// program answers, and the file does not grow with repeated presses.
#include "BookmarkFile.h"
#include "MainWindowFixture.h"
#include "Messages.h"
#include "ReaderState.h"
#include "SettingsFile.h"
#include "SpeakAndWait.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

using Offsets = std::vector<qint64>;
Q_DECLARE_METATYPE(Offsets)

namespace {

const QString OtherBook = QStringLiteral("/llibres/Altre.txt");

QByteArray readAll(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestBookmarkFaults : public MainWindowTest {
    Q_OBJECT
private slots:
    void damagedFile_data();
    void damagedFile();
};

void TestBookmarkFaults::damagedFile_data() {
    QTest::addColumn<QByteArray>("content"); // "BOOK" stands for the book's path
    QTest::addColumn<bool>("folder");        // a folder in the file's place
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<Offsets>("otherKept");

    const QByteArray added = QByteArray("Marcador 1 afegit");
    QTest::newRow("garbage around a readable line")
        << QByteArray(1, '\0') + "\xff\xfe garbage\n[Marcadors]\n/llibres/Altre.txt=7,x,-1,"
                                 "99999999999999999999999,3, 7\n%zz=1\n=\n["
        << false << added << Offsets{3, 7};
    QTest::newRow("CRLF, the book twice, its first line wins")
        << QByteArray("[marcadors]\r\nBOOK=9,2\r\nBOOK=4\r\n/llibres/Altre.txt=1\r\n") << false
        << QByteArray("Marcador 1 esborrat") << Offsets{1};
    QByteArray many = "[Marcadors]\nBOOK=";
    for (int offset = 10; offset < 2010; ++offset) {
        many += QByteArray::number(offset) + ',';
    }
    QTest::newRow("the book full")
        << many + "\n/llibres/Altre.txt=5\n"
        << false << QByteArray(Messages::BookmarksFull.catalan) << Offsets{5};
    QTest::newRow("larger than the limit")
        << QByteArray("[Marcadors]\n/llibres/Altre.txt=5\n") +
               QByteArray(BookmarkFile::MaxFileSize, '#')
        << false << QByteArray(Messages::BookmarkNotSaved.catalan) << Offsets{};
    QTest::newRow("a folder") << QByteArray() << true
                              << QByteArray(Messages::BookmarkNotSaved.catalan) << Offsets{};
}

void TestBookmarkFaults::damagedFile() {
    QFETCH(QByteArray, content);
    QFETCH(bool, folder);
    QFETCH(QByteArray, answer);
    QFETCH(Offsets, otherKept);

    const QString book = m_fixture.writeBook("A. B. C.");
    const QString path = m_fixture.env().bookmarksPath();
    QFile::remove(path); // the test environment outlives a row
    QDir(path).removeRecursively();
    QVERIFY(QDir().mkpath(folder ? path : QFileInfo(path).path()));
    if (!folder) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content.replace("BOOK", book.toUtf8()));
    }
    QVERIFY(Settings().writeExitSettings(book, 2, 150, true));
    const QByteArray settings = readAll(Settings().path());
    TFormPrincipal &form = m_fixture.makeForm();
    MainWindowFixture::pausedAt(book, 2);

    m_fixture.press(Qt::Key_B);
    QCOMPARE(m_fixture.log().textsRead(), QList{MainWindowFixture::spoken(answer)});
    const qint64 sizeAfterOne = QFileInfo(path).size();
    for (int press = 0; press < 6; ++press) {
        m_fixture.press(Qt::Key_B);
    }
    QVERIFY(QFileInfo(path).size() <= qMax(sizeAfterOne, qint64(content.size())) + 2);
    QCOMPARE(form.Bookmarks.bookmarksOf(OtherBook), otherKept);
    QCOMPARE(readAll(Settings().path()), settings);
    QCOMPARE(State().ReadPosition, qint64(2));
    QVERIFY(!form.IsReading);
    QVERIFY(!State().BookFinished);
}

QTEST_MAIN(TestBookmarkFaults)
#include "tst_bookmarkfaults.moc"
