#include "ScannerReference.h"

#include <QFile>
#include <QTest>

#include <algorithm>

bool isBlankByte(char byte) {
    return byte == ' ' || byte == '\t' || byte == '\r' || byte == '\n';
}

// The cut point candidate of the grid point `g`, the slow obvious way: the last
// blank up to BlankReach bytes before it, else the first byte of the UTF-8
// character at it (when one starts at most three bytes before), else itself.
static qint64 referenceCandidate(const QByteArray &book, qint64 g) {
    for (qint64 at = std::min(g, book.size() - 1); at > g - SentenceBounds::BlankReach; --at) {
        if (isBlankByte(book[at])) {
            return at;
        }
    }
    for (qint64 at = g; g < book.size() && at >= g - 3; --at) {
        if ((book[at] & 0xC0) != 0x80) {
            return at;
        }
    }
    return g;
}

// The boundary rule written out byte by byte, the slow obvious way: the oracle
// that the buffered scanner is compared with. Stretches between full-stop
// boundaries that are longer than the cap get the cut points of their grid.
QList<qint64> referenceSentenceStarts(const QByteArray &book) {
    QList<qint64> real{0};
    const qint64 last = book.size() - 1;
    for (qint64 i = 0; i < last; ++i) {
        const char next = book[i + 1];
        if (book[i] == '.' && (next == ' ' || next == '\r' || next == '\n')) {
            real.append(i + 1);
        }
    }
    QList<qint64> starts;
    for (qsizetype k = 0; k < real.size(); ++k) {
        const qint64 r = real[k];
        const qint64 n = k + 1 < real.size() ? real[k + 1] : book.size();
        starts.append(r);
        for (qint64 g = SentenceBounds::CutSpacing;
             n - r > SentenceBounds::Cap && g < n + SentenceBounds::BlankReach;
             g += SentenceBounds::CutSpacing) {
            const qint64 x = referenceCandidate(book, g);
            if (x - r >= SentenceBounds::MinPiece && n - x >= SentenceBounds::MinPiece) {
                starts.append(x);
            }
        }
    }
    return starts;
}

// Stepping back written out byte by byte; -1 when a read would fail. It lands on
// the last sentence start before `sentenceStart` (a start at 1, after a full stop
// at offset 0, counts as 0), one byte further in stop-after-sentence mode when
// that byte is a separator or a blank.
qint64 referenceStepBack(const QByteArray &book, qint64 sentenceStart, bool stopAfterSentence,
                         qint64 readPosition) {
    if (sentenceStart < 2) {
        return readPosition;
    }
    const auto readable = [&](qint64 at) { return at >= 0 && at < book.size(); };
    qint64 p = sentenceStart - 2;
    for (;;) {
        if (!readable(p)) {
            return -1;
        }
        if (p == 0) {
            break;
        }
        if (book[p] == '.') {
            if (!readable(p + 1)) {
                return -1;
            }
            const char next = book[p + 1];
            if (next == ' ' || next == '\r' || next == '\n') {
                break;
            }
        }
        --p;
    }
    const QList<qint64> starts = referenceSentenceStarts(book);
    p = *std::prev(std::lower_bound(starts.cbegin(), starts.cend(), sentenceStart));
    if (p == 1) {
        p = 0;
    }
    if (stopAfterSentence && p != 0 && isBlankByte(book[p])) {
        ++p;
    }
    return p;
}

// Every sentence from `from` to the end of the book or the first error.
QList<ScannedSentence> scanAll(const QString &path, qint64 from) {
    qint64 readPosition = from;
    qint64 sentenceStart = -99;
    SentenceScanner scanner(readPosition, sentenceStart);
    QList<ScannedSentence> out;
    if (scanner.open(path) != BookFile::OpenStatus::Opened) {
        return out;
    }
    for (int guard = 0; guard < 1000000; ++guard) {
        const ScanResult result = scanner.ScanSentence();
        out.append({sentenceStart, readPosition, scanner.SentenceText(), result});
        if (result != ScanResult::Sentence) {
            break;
        }
    }
    return out;
}

QString writeBookIn(const QTemporaryDir &folder, const QByteArray &bytes) {
    static int books = 0;
    const QString path = folder.filePath(QStringLiteral("book%1.txt").arg(++books));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        qFatal("cannot write a test book");
    }
    return path;
}

void checkScannerAgainstReference(const QString &path, const QByteArray &book) {
    const QList<qint64> starts = referenceSentenceStarts(book);
    const QList<ScannedSentence> scanned = scanAll(path, 0);
    QCOMPARE(scanned.size(), starts.size());
    QByteArray joined;
    for (qsizetype i = 0; i < scanned.size(); ++i) {
        QCOMPARE(scanned[i].start, starts[i]);
        const bool last = i + 1 == scanned.size();
        QCOMPARE(scanned[i].result, last ? ScanResult::EndOfBook : ScanResult::Sentence);
        QCOMPARE(scanned[i].readPositionAfter, last ? book.size() - 1 : starts[i + 1]);
        joined += scanned[i].text;
    }
    QCOMPARE(joined, book);
    for (qsizetype i = 1; i < starts.size(); ++i) {
        for (const bool stopAfter : {false, true}) {
            qint64 readPosition = -7;
            QVERIFY(StepBackOneSentence(path, starts[i], stopAfter, readPosition));
            QCOMPARE(readPosition, referenceStepBack(book, starts[i], stopAfter, -7));
            if (starts[i] >= 2) {
                // Continuous reading resumes at the previous sentence's start,
                // except after a full stop at offset 0, which is never taken
                // for a boundary when stepping back.
                const qint64 previous = starts[i - 1] == 1 ? 0 : starts[i - 1];
                const bool skip = stopAfter && previous != 0 && isBlankByte(book[previous]);
                QCOMPARE(readPosition, skip ? previous + 1 : previous);
            }
        }
    }
}
