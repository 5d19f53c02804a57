#include "ScannerReference.h"
#include "SentenceScanner.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <sys/stat.h>

using Sentences = QList<QByteArray>;

class TestSentenceScanner : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_files = 0;

    QString writeBook(const QByteArray &bytes) { return writeBookIn(m_dir, bytes); }

    void checkAgainstReference(const QByteArray &book) {
        checkScannerAgainstReference(writeBook(book), book);
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void forwardScan_data() {
        QTest::addColumn<QByteArray>("book");
        QTest::addColumn<Sentences>("sentences");
        const auto bytes = [](const char *text, int size) { return QByteArray(text, size); };
        QTest::newRow("worked example") << QByteArray("A. B. C.") << Sentences{"A.", " B.", " C."};
        QTest::newRow("one byte") << QByteArray("x") << Sentences{"x"};
        QTest::newRow("one full stop") << QByteArray(".") << Sentences{"."};
        QTest::newRow("no boundary") << QByteArray("abc def.ghi") << Sentences{"abc def.ghi"};
        QTest::newRow("full stop last") << QByteArray("Hola.") << Sentences{"Hola."};
        QTest::newRow("decimal number")
            << QByteArray("Val 3.5 euros. Fi") << Sentences{"Val 3.5 euros.", " Fi"};
        QTest::newRow("three full stops")
            << QByteArray("Ah... b. c") << Sentences{"Ah...", " b.", " c"};
        QTest::newRow("full stop and quote")
            << QByteArray("Dit.\" Ara. x") << Sentences{"Dit.\" Ara.", " x"};
        QTest::newRow("full stop and comma") << QByteArray("a., b. c") << Sentences{"a., b.", " c"};
        QTest::newRow("full stop and tab") << QByteArray("a.\tb") << Sentences{"a.\tb"};
        QTest::newRow("CR LF lines")
            << QByteArray("Un.\r\nDos.\r\n") << Sentences{"Un.", "\r\nDos.", "\r\n"};
        QTest::newRow("LF lines") << QByteArray("Un.\nDos.\n") << Sentences{"Un.", "\nDos.", "\n"};
        QTest::newRow("CR alone") << QByteArray("Un.\rDos") << Sentences{"Un.", "\rDos"};
        QTest::newRow("trailing full stop and blank")
            << QByteArray("Fi. ") << Sentences{"Fi.", " "};
        QTest::newRow("full stop and blank at start") << QByteArray(". a") << Sentences{".", " a"};
        QTest::newRow("full stops only") << QByteArray(". . .") << Sentences{".", " .", " ."};
        QTest::newRow("NUL bytes")
            << bytes("a\0b. \0c", 7) << Sentences{bytes("a\0b.", 4), bytes(" \0c", 3)};
        QTest::newRow("bytes above 127") << QByteArray("Aix\xf2 \xe9s.\r\xff\x80.")
                                         << Sentences{"Aix\xf2 \xe9s.", "\r\xff\x80."};
        QTest::newRow("blank before full stop")
            << QByteArray("a . b. c") << Sentences{"a .", " b.", " c"};
    }

    void forwardScan() {
        QFETCH(QByteArray, book);
        QFETCH(Sentences, sentences);
        const QList<ScannedSentence> scanned = scanAll(writeBook(book), 0);
        Sentences texts;
        for (const ScannedSentence &s : scanned) {
            texts.append(s.text);
        }
        QCOMPARE(texts, sentences);
        QCOMPARE(scanned.last().result, ScanResult::EndOfBook);
        QCOMPARE(scanned.last().readPositionAfter, book.size() - 1);
        checkAgainstReference(book);
    }

    void scanFromPosition_data() {
        QTest::addColumn<qint64>("from");
        QTest::addColumn<int>("result");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<qint64>("readPositionAfter");
        // Book: "A. B. C." (8 bytes).
        QTest::newRow("mid sentence")
            << qint64(3) << int(ScanResult::Sentence) << QByteArray("B.") << qint64(5);
        QTest::newRow("on a full stop")
            << qint64(1) << int(ScanResult::Sentence) << QByteArray(".") << qint64(2);
        QTest::newRow("last byte")
            << qint64(7) << int(ScanResult::EndOfBook) << QByteArray(".") << qint64(7);
        QTest::newRow("at the end")
            << qint64(8) << int(ScanResult::ReadError) << QByteArray() << qint64(8);
        QTest::newRow("past the end")
            << qint64(500000) << int(ScanResult::ReadError) << QByteArray() << qint64(500000);
        QTest::newRow("negative") << qint64(-1) << int(ScanResult::ReadError) << QByteArray()
                                  << qint64(-1);
    }

    void scanFromPosition() {
        QFETCH(qint64, from);
        QFETCH(int, result);
        QFETCH(QByteArray, text);
        QFETCH(qint64, readPositionAfter);
        const QList<ScannedSentence> scanned = scanAll(writeBook("A. B. C."), from);
        QCOMPARE(int(scanned.first().result), result);
        QCOMPARE(scanned.first().start, from);
        QCOMPARE(scanned.first().text, text);
        QCOMPARE(scanned.first().readPositionAfter, readPositionAfter);
    }

    // BookSize is taken once: bytes added by another program during a run are
    // not read, and a book cut short during a run fails where its end was.
    void bookChangedWhileOpen_data() {
        QTest::addColumn<QByteArray>("replacement");
        QTest::addColumn<Sentences>("sentences");
        QTest::addColumn<int>("lastResult");
        QTest::newRow("grown") << QByteArray("A. B. C. D. E.") << Sentences{"A.", " B.", " C."}
                               << int(ScanResult::EndOfBook);
        QTest::newRow("shortened")
            << QByteArray("A. B") << Sentences{"A.", " B"} << int(ScanResult::ReadError);
        QTest::newRow("emptied") << QByteArray() << Sentences{""} << int(ScanResult::ReadError);
    }

    void bookChangedWhileOpen() {
        QFETCH(QByteArray, replacement);
        QFETCH(Sentences, sentences);
        QFETCH(int, lastResult);
        const QString path = writeBook("A. B. C.");
        qint64 readPosition = 0;
        qint64 sentenceStart = 0;
        SentenceScanner scanner(readPosition, sentenceStart);
        QCOMPARE(scanner.open(path), BookFile::OpenStatus::Opened);
        QCOMPARE(scanner.BookSize(), qint64(8));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(replacement), replacement.size());
        file.close();
        Sentences texts;
        ScanResult result = ScanResult::Sentence;
        while (result == ScanResult::Sentence) {
            result = scanner.ScanSentence();
            texts.append(scanner.SentenceText());
        }
        QCOMPARE(int(result), lastResult);
        QCOMPARE(texts, sentences);
    }

    void stepBack_data() {
        QTest::addColumn<QByteArray>("book");
        QTest::addColumn<qint64>("sentenceStart");
        QTest::addColumn<bool>("stopAfterSentence");
        QTest::addColumn<qint64>("readPosition");
        const QByteArray example("A. B. C.");
        QTest::newRow("example from 5, continuous") << example << qint64(5) << false << qint64(2);
        QTest::newRow("example from 5, stopping") << example << qint64(5) << true << qint64(3);
        QTest::newRow("example from 2, continuous") << example << qint64(2) << false << qint64(0);
        QTest::newRow("example from 2, stopping") << example << qint64(2) << true << qint64(0);
        QTest::newRow("example from the last byte") << example << qint64(7) << false << qint64(5);
        const QByteArray tricky("A. Bb 3.5 c... d. E");
        QTest::newRow("over a decimal and three stops")
            << tricky << qint64(14) << false << qint64(2);
        QTest::newRow("over them, stopping") << tricky << qint64(14) << true << qint64(3);
        QTest::newRow("to the third of three stops") << tricky << qint64(17) << false << qint64(14);
        QTest::newRow("LF line end")
            << QByteArray("Un.\nDos.\nTres.") << qint64(8) << false << qint64(3);
        QTest::newRow("LF line end, stopping")
            << QByteArray("Un.\nDos.\nTres.") << qint64(8) << true << qint64(4);
        QTest::newRow("CR LF, stopping skips one byte")
            << QByteArray("Un.\r\nDos.\r\nTres.") << qint64(9) << true << qint64(4);
        QTest::newRow("offset 0 is never a boundary")
            << QByteArray(". Ab. C") << qint64(5) << true << qint64(0);
        QTest::newRow("no boundary before")
            << QByteArray("abc.def. x") << qint64(8) << true << qint64(0);
        QTest::newRow("NUL bytes passed over")
            << QByteArray("a. b\0c\0d. e", 11) << qint64(9) << false << qint64(2);
        QTest::newRow("book without full stop at its end read past")
            << QByteArray("A. Bc") << qint64(6) << false << qint64(2);
    }

    void stepBack() {
        QFETCH(QByteArray, book);
        QFETCH(qint64, sentenceStart);
        QFETCH(bool, stopAfterSentence);
        QFETCH(qint64, readPosition);
        qint64 position = -5;
        QVERIFY(StepBackOneSentence(writeBook(book), sentenceStart, stopAfterSentence, position));
        QCOMPARE(position, readPosition);
    }

    // From the first two offsets nothing happens: the book is not even opened.
    void stepBackFromTheStart_data() {
        QTest::addColumn<qint64>("sentenceStart");
        QTest::addColumn<bool>("stopAfterSentence");
        QTest::newRow("0, continuous") << qint64(0) << false;
        QTest::newRow("1, stopping") << qint64(1) << true;
        QTest::newRow("1, continuous") << qint64(1) << false;
        QTest::newRow("negative") << qint64(-3) << true;
    }

    void stepBackFromTheStart() {
        QFETCH(qint64, sentenceStart);
        QFETCH(bool, stopAfterSentence);
        qint64 position = 42;
        QVERIFY(StepBackOneSentence(m_dir.filePath(QStringLiteral("missing.txt")), sentenceStart,
                                    stopAfterSentence, position));
        QCOMPARE(position, qint64(42));
    }

    void stepBackFailure_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<qint64>("sentenceStart");
        QTest::newRow("missing book") << QStringLiteral("missing") << qint64(5);
        QTest::newRow("folder") << QStringLiteral("folder") << qint64(5);
        QTest::newRow("FIFO") << QStringLiteral("fifo") << qint64(5);
        QTest::newRow("shorter than the start") << QStringLiteral("short") << qint64(12);
        QTest::newRow("look-ahead past the end") << QStringLiteral("short") << qint64(11);
    }

    void stepBackFailure() {
        QFETCH(QString, kind);
        QFETCH(qint64, sentenceStart);
        QString path = m_dir.filePath(kind + QStringLiteral("%1.txt").arg(++m_files));
        if (kind == u"folder") {
            QVERIFY(QDir().mkdir(path));
        } else if (kind == u"fifo") {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (kind == u"short") {
            path = writeBook("A. B. Cde."); // 10 bytes, a full stop last
        }
        qint64 position = 77;
        QVERIFY(!StepBackOneSentence(path, sentenceStart, true, position));
        QCOMPARE(position, qint64(77));
    }

    // Boundaries placed at and around the edges of the read window, forwards and
    // backwards, and long stretches without any boundary.
    void windowEdges_data() {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QList<qint64>>("fullStops");
        QTest::addColumn<QByteArray>("followers");
        const qint64 w = BookFile::WindowSize;
        QTest::newRow("no boundary in three windows")
            << 3 * w + 17 << QList<qint64>{} << QByteArray();
        QTest::newRow("split over the first edge")
            << 2 * w << QList<qint64>{w - 1} << QByteArray(" ");
        QTest::newRow("just after the edge") << 2 * w << QList<qint64>{w} << QByteArray("\n");
        QTest::newRow("just before the edge") << 2 * w << QList<qint64>{w - 2} << QByteArray("\r");
        QTest::newRow("false stop on the edge")
            << 2 * w + 5 << QList<qint64>{w - 1, w + 3} << QByteArray("x ");
        QTest::newRow("one boundary far back")
            << 4 * w + 3 << QList<qint64>{1, 3 * w + 9} << QByteArray("  ");
        QTest::newRow("boundaries on every edge")
            << 3 * w + 1 << QList<qint64>{w - 1, 2 * w - 1, 2 * w, 3 * w - 1}
            << QByteArray(" \n. ");
        QTest::newRow("full stop last") << w + 1 << QList<qint64>{w - 1, w} << QByteArray(" .");
    }

    void windowEdges() {
        QFETCH(qint64, size);
        QFETCH(QList<qint64>, fullStops);
        QFETCH(QByteArray, followers);
        QByteArray book(size, 'a');
        for (qsizetype i = 0; i < fullStops.size(); ++i) {
            book[fullStops[i]] = '.';
            if (fullStops[i] + 1 < size && followers[i] != '.') {
                book[fullStops[i] + 1] = followers[i];
            }
        }
        checkAgainstReference(book);
        // Step back from past the last sentence's start too, and from deep inside.
        const QString path = writeBook(book);
        for (const qint64 from : {size - 1, size, size / 2, BookFile::WindowSize + 1}) {
            qint64 position = -1;
            const qint64 expected = referenceStepBack(book, from, false, -1);
            QCOMPARE(StepBackOneSentence(path, from, false, position), expected >= 0);
            QCOMPARE(position, expected);
        }
    }

    // Random books rich in the bytes that matter: the sentences of a forward scan
    // make up the book exactly, and stepping back from any offset agrees with the
    // byte-by-byte rule.
    void randomBooks() {
        QRandomGenerator random(20261207);
        const QByteArray alphabet("....    \r\r\n\naB3\"\0", 17);
        for (int round = 0; round < 400; ++round) {
            const int size = 1 + int(random.bounded(60));
            QByteArray book(size, ' ');
            for (char &c : book) {
                c = alphabet[random.bounded(int(alphabet.size()))];
            }
            checkAgainstReference(book);
            const QString path = writeBook(book);
            for (qint64 from = -1; from <= size + 2; ++from) {
                const bool stopAfter = random.bounded(2) == 1;
                qint64 position = 1000;
                const qint64 expected = referenceStepBack(book, from, stopAfter, 1000);
                QCOMPARE(StepBackOneSentence(path, from, stopAfter, position), expected >= 0);
                QCOMPARE(position, expected >= 0 ? expected : 1000);
            }
            QFile::remove(path);
        }
    }
};

QTEST_GUILESS_MAIN(TestSentenceScanner)
#include "tst_sentencescanner.moc"
