// A saved position in an extracted text moves back to a sentence start.
#include "BookMaker.h"
#include "BookSource.h"

#include <QTemporaryDir>
#include <QTest>

class TestBookSource : public QObject {
    Q_OBJECT
private slots:
    void positionMovesBackToASentenceStart_data();
    void positionMovesBackToASentenceStart();
};

void TestBookSource::positionMovesBackToASentenceStart_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<qint64>("saved");
    QTest::addColumn<qint64>("start");
    const QByteArray text = "Un. Dos.\r\nTres. 3.5 quatre.";
    // Offsets: "Un." 0-2, " Dos." 3-7, "\r\nTres." 8-14, " 3.5 quatre." 15-26.
    QTest::newRow("the start") << text << qint64(0) << qint64(0);
    QTest::newRow("a separator after a full stop") << text << qint64(3) << qint64(3);
    QTest::newRow("the byte after a separator") << text << qint64(4) << qint64(4);
    QTest::newRow("inside a sentence") << text << qint64(6) << qint64(4);
    QTest::newRow("a carriage return after a full stop") << text << qint64(8) << qint64(8);
    QTest::newRow("the line feed after it") << text << qint64(9) << qint64(9);
    QTest::newRow("inside the next line") << text << qint64(12) << qint64(9);
    QTest::newRow("a decimal point is no boundary") << text << qint64(19) << qint64(16);
    QTest::newRow("inside the first sentence") << text << qint64(1) << qint64(0);
    QTest::newRow("past the end stays") << text << qint64(500) << qint64(500);
    // A stretch of 12000 bytes without a full stop: real starts 0 and 3, then cut
    // points at the last blank up to each grid point (3067, 6139 and 9211).
    const QByteArray block = "Un." + QByteArray(" paraula").repeated(1500) + '.';
    QTest::newRow("a cut point") << block << qint64(3067) << qint64(3067);
    QTest::newRow("the byte after a cut point") << block << qint64(3068) << qint64(3068);
    QTest::newRow("inside a cut piece") << block << qint64(5000) << qint64(3068);
    QTest::newRow("the third cut point") << block << qint64(9211) << qint64(9211);
    QTest::newRow("the last piece") << block << qint64(11990) << qint64(9212);
    QTest::newRow("before the first cut point") << block << qint64(3000) << qint64(4);
}

void TestBookSource::positionMovesBackToASentenceStart() {
    QFETCH(QByteArray, text);
    QFETCH(qint64, saved);
    QFETCH(qint64, start);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("text.txt"));
    QVERIFY(BookMaker::writeFile(path, text));
    QCOMPARE(sentenceStartAtOrBefore(path, saved), start);
}

QTEST_GUILESS_MAIN(TestBookSource)
#include "tst_booksource.moc"
