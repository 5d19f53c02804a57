// Sentences longer than the cap: where long stretches without a full-stop
// boundary are cut, and that the forward scan from any offset and the step back
// find the same sentence starts there.
#include "ScannerReference.h"
#include "SentenceBounds.h"
#include "SentenceScanner.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

class TestLongSentences : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    // Stretches longer than the cap are cut at a blank, else at the grid point or
    // the start of the UTF-8 character there; shorter ones are left whole.
    void longStretches_data() {
        QTest::addColumn<QByteArray>("book");
        QTest::addColumn<QList<qint64>>("starts");
        const auto repeated = [](const QByteArray &unit, int times) {
            return unit.repeated(times);
        };
        QTest::newRow("long word") << QByteArray(10000, 'a') << QList<qint64>{0, 3072, 6144, 9216};
        QTest::newRow("long line of words")
            << repeated("abcd ", 2000) << QList<qint64>{0, 3069, 6144, 9214};
        QTest::newRow("CR LF lines without full stop")
            << repeated("abc def ghi\r\n", 500) << QList<qint64>{0, 3071, 6143};
        QTest::newRow("three-byte character at the cut")
            << QByteArray(3070, 'a') + "\xE2\x82\xAC" + QByteArray(1927, 'a')
            << QList<qint64>{0, 3070};
        QTest::newRow("four-byte character at the cut")
            << QByteArray(3069, 'a') + "\xF0\x9F\x98\x80" + QByteArray(1927, 'a')
            << QList<qint64>{0, 3069};
        QTest::newRow("not UTF-8 at the cut") << QByteArray(5000, '\x80') << QList<qint64>{0, 3072};
        QTest::newRow("exactly the cap") << QByteArray(4095, 'a') + '.' << QList<qint64>{0};
        QTest::newRow("one byte over the cap")
            << QByteArray(4096, 'a') + '.' << QList<qint64>{0, 3072};
        QTest::newRow("after a short sentence")
            << "Un. " + QByteArray(6000, 'b') << QList<qint64>{0, 3, 3072};
        QTest::newRow("blank too near a boundary")
            << QByteArray(2998, 'a') + ". " + QByteArray(5000, 'a') << QList<qint64>{0, 2999, 6144};
    }

    void longStretches() {
        QFETCH(QByteArray, book);
        QFETCH(QList<qint64>, starts);
        QCOMPARE(referenceSentenceStarts(book), starts);
        const QString path = writeBookIn(m_dir, book);
        checkScannerAgainstReference(path, book);
        // A scan from any offset ends at the next start: cut points do not depend
        // on where the scan began.
        for (qint64 from = 0; from < book.size(); from += 89) {
            const auto next = std::upper_bound(starts.cbegin(), starts.cend(), from);
            const QList<ScannedSentence> scanned = scanAll(path, from);
            QVERIFY(scanned.first().text.size() <= SentenceBounds::Cap);
            QCOMPARE(scanned.first().readPositionAfter,
                     next == starts.cend() ? book.size() - 1 : *next);
        }
    }

    // Random long books of words, blanks, line ends, multi-byte characters, now
    // and then a very long word and seldom a full stop: scans from the start and
    // from random offsets, and step backs, agree with the byte-by-byte rules.
    void randomLongBooks() {
        QRandomGenerator random(20261207);
        for (int round = 0; round < 12; ++round) {
            QByteArray book;
            while (book.size() < 4000 + qsizetype(round) * 1000) {
                const quint32 pick = random.bounded(100);
                book += pick < 2    ? QByteArray(". ")
                        : pick < 30 ? QByteArray(" ")
                        : pick < 35 ? QByteArray("\xE2\x82\xAC")
                        : pick < 38 ? QByteArray("\r\n")
                                    : QByteArray(int(random.bounded(pick < 40 ? 3000 : 9)), 'a');
            }
            const QString path = writeBookIn(m_dir, book);
            checkScannerAgainstReference(path, book);
            const QList<qint64> starts = referenceSentenceStarts(book);
            for (int probe = 0; probe < 20; ++probe) {
                const qint64 from = random.bounded(int(book.size()));
                const auto next = std::upper_bound(starts.cbegin(), starts.cend(), from);
                const qint64 end = next == starts.cend() ? book.size() - 1 : *next;
                QCOMPARE(scanAll(path, from).first().readPositionAfter, end);
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestLongSentences)
#include "tst_longsentences.moc"
