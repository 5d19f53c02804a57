// The bookmark file: toggles on one book, read back by a new instance as a new
// run of the program reads them.
#include "BookmarkFile.h"

#include <QTemporaryDir>
#include <QTest>

using Offsets = std::vector<qint64>;
Q_DECLARE_METATYPE(Offsets)

class TestBookmarkFile : public QObject {
    Q_OBJECT
private slots:
    void togglesAndRestart_data();
    void togglesAndRestart();
};

void TestBookmarkFile::togglesAndRestart_data() {
    QTest::addColumn<QString>("book");
    QTest::addColumn<QList<qint64>>("toggles");
    QTest::addColumn<QString>("answers"); // per toggle: +n added as n, -n removed as n
    QTest::addColumn<Offsets>("kept");

    const QString plain = QStringLiteral("/llibres/Tirant.txt");
    QTest::newRow("one added") << plain << QList<qint64>{5120} << "+1" << Offsets{5120};
    QTest::newRow("numbered in ascending order")
        << plain << QList<qint64>{900, 10, 500} << "+1 +1 +2" << Offsets{10, 500, 900};
    QTest::newRow("added then removed")
        << plain << QList<qint64>{10, 500, 10} << "+1 +2 -1" << Offsets{500};
    QTest::newRow("all removed") << plain << QList<qint64>{7, 7} << "+1 -1" << Offsets{};
    QTest::newRow("offset 0 and a large one")
        << plain << QList<qint64>{0, 6000000000} << "+1 +2" << Offsets{0, 6000000000};
    QTest::newRow("path with = and a line break")
        << QStringLiteral("/a=b\n[Zelvora]\nc.txt") << QList<qint64>{3, 1} << "+1 +1"
        << Offsets{1, 3};
    QTest::newRow("negative offset refused") << plain << QList<qint64>{-2} << "x" << Offsets{};
}

void TestBookmarkFile::togglesAndRestart() {
    QFETCH(QString, book);
    QFETCH(QList<qint64>, toggles);
    QFETCH(QString, answers);
    QFETCH(Offsets, kept);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("zelvora/Marcadors.ini"));
    const QString other = QStringLiteral("/llibres/Altre.txt");
    BookmarkFile file(path);
    QCOMPARE(file.toggle(other, 42).change, BookmarkFile::Change::Added);
    QStringList said;
    for (const qint64 offset : toggles) {
        const BookmarkFile::Toggled toggled = file.toggle(book, offset);
        switch (toggled.change) {
        case BookmarkFile::Change::Added:
            said << u'+' + QString::number(toggled.number);
            break;
        case BookmarkFile::Change::Removed:
            said << u'-' + QString::number(toggled.number);
            break;
        default:
            said << QStringLiteral("x");
        }
    }
    QCOMPARE(said.join(u' '), answers);
    const BookmarkFile restarted(path);
    QCOMPARE(restarted.bookmarksOf(book), kept);
    QCOMPARE(restarted.bookmarksOf(other), Offsets{42});
    QCOMPARE(restarted.bookmarksOf(book + u'x'), Offsets{});
}

QTEST_GUILESS_MAIN(TestBookmarkFile)
#include "tst_bookmarkfile.moc"
