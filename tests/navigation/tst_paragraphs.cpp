// The paragraph moves of the navigation keys, on small texts: from a paused
// sentence (its start on the separator after a full stop, or one byte past it
// in stop-after-sentence mode) Page Down goes to the next paragraph, never to
// the one already being read.
#include "Paragraphs.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(Paragraphs::Kind)

class TestParagraphs : public QObject {
    Q_OBJECT
private slots:
    void nextAndPrevious_data();
    void nextAndPrevious();
};

void TestParagraphs::nextAndPrevious_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<Paragraphs::Kind>("kind");
    QTest::addColumn<qint64>("from");
    QTest::addColumn<qint64>("next"); // -1: none
    QTest::addColumn<qint64>("previous");
    const QByteArray blocks = "A.\r\nB.\r\nC.";
    const auto extracted = Paragraphs::Kind::Extracted;
    QTest::newRow("extracted, from the start")
        << blocks << extracted << qint64(0) << qint64(3) << qint64(-1);
    QTest::newRow("extracted, from a paused paragraph's start")
        << blocks << extracted << qint64(2) << qint64(7) << qint64(0);
    QTest::newRow("extracted, from one byte past it")
        << blocks << extracted << qint64(3) << qint64(7) << qint64(0);
    QTest::newRow("extracted, from the last paragraph's start")
        << blocks << extracted << qint64(6) << qint64(-1) << qint64(3);
    const QByteArray lines = "Inici.\n\nU. Dos.\n\nTres.";
    QTest::newRow("plain text, from a paused paragraph's start")
        << lines << Paragraphs::Kind::PlainText << qint64(6) << qint64(16) << qint64(0);
}

void TestParagraphs::nextAndPrevious() {
    QFETCH(QByteArray, text);
    QFETCH(Paragraphs::Kind, kind);
    QFETCH(qint64, from);
    QFETCH(qint64, next);
    QFETCH(qint64, previous);
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("book.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
    file.close();
    QCOMPARE(Paragraphs::next(file.fileName(), kind, from).value_or(-1), next);
    QCOMPARE(Paragraphs::previous(file.fileName(), kind, from).value_or(-1), previous);
}

QTEST_GUILESS_MAIN(TestParagraphs)
#include "tst_paragraphs.moc"
