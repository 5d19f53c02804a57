// The book goes wrong in the middle of a reading run: deleted, truncated, replaced
// by a folder or a FIFO, made unreadable. The run must end as the end of a book
// (the end message with the idle menu, positions 0, "0" saved), having spoken
// only sentences of the book in order, never crash or hang; a run started
// afterwards on the same name must not hang either.
#include "DoubleLog.h"
#include "Engines.h"
#include "Messages.h"
#include "ReadBook.h"
#include "ReaderState.h"
#include "SentenceScanner.h"
#include "SettingsFile.h"
#include "SpeakAndWait.h"
#include "TestEnvironment.h"
#include "UnitUPCTV.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using Texts = QList<QByteArray>;

namespace {

const QByteArray Menu = "MENU";

// The sentences of a book: they concatenate to the book. The small book lies in
// the first read window; the large one has a long sentence (read in pieces) that
// runs past it, so that the scanner must read the file again in mid-run.
Texts smallBook() {
    return {"Una frase primera.", " Dos.", " Tres.", "\nQuatre.", " Fi."};
}

Texts largeBook() {
    return {"Primera frase.", " " + QByteArray(200 * 1024, 'a') + ".", " Fi."};
}

// The sentences of the book at `path` as the scanner cuts them, long ones in pieces.
Texts scannedSentences(const QString &path) {
    qint64 readPosition = 0;
    qint64 sentenceStart = 0;
    SentenceScanner scanner(readPosition, sentenceStart);
    Texts sentences;
    ScanResult result = scanner.open(path) == BookFile::OpenStatus::Opened ? ScanResult::Sentence
                                                                           : ScanResult::ReadError;
    while (result == ScanResult::Sentence) {
        result = scanner.ScanSentence();
        sentences.append(scanner.SentenceText());
    }
    return sentences;
}

QByteArray joined(const Texts &sentences) {
    QByteArray book;
    for (const QByteArray &sentence : sentences) {
        book += sentence;
    }
    return book;
}

// What the engine is handed for each sentence: the sentence and one blank.
Texts spoken(const Texts &sentences) {
    Texts result;
    for (const QByteArray &sentence : sentences) {
        result.append(sentence + ' ');
    }
    return result;
}

} // namespace

class TestBookFaults : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;
    bool m_isReading = false;

    DoubleLog log() const { return m_env->log(); }

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void faultDuringRun_data();
    void faultDuringRun();
};

void TestBookFaults::initTestCase() {
    m_env = std::make_unique<TestEnvironment>();
    QVERIFY(m_env->isValid());
    Speech().setLibraryName(doubleEnginePath());
    QVERIFY(Speech().LoadSpeechLibrary());
}

void TestBookFaults::init() {
    m_env->setMsPerByte(1);
    Speech().CatalanActive = true;
    State() = ReaderState{};
    State().IdleMenuText = Menu;
    State().PauseMenuText = "PAUSE";
    TimerStatusUpcTV().disarm();
    log().clear();
}

void TestBookFaults::cleanupTestCase() {
    Speech().ReleaseSpeechLibrary();
    m_env.reset();
}

void TestBookFaults::faultDuringRun_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<Texts>("book");
    QTest::addColumn<int>("sentencesSpoken");  // at least, before the end message
    QTest::addColumn<bool>("cannotOpenAfter"); // a later run finds no book there
    // The open file stays readable: the run reads on to its end.
    QTest::newRow("deleted") << QStringLiteral("delete") << smallBook() << 5 << true;
    QTest::newRow("replaced by a folder") << QStringLiteral("folder") << smallBook() << 5 << true;
    QTest::newRow("replaced by a FIFO") << QStringLiteral("fifo") << smallBook() << 5 << true;
    // Root reads a file whatever its mode.
    QTest::newRow("made unreadable")
        << QStringLiteral("unreadable") << smallBook() << 5 << (::geteuid() != 0);
    // What is already in the read window is read; a read past it fails, before
    // the end of the book.
    QTest::newRow("truncated, within the window")
        << QStringLiteral("truncate") << smallBook() << 5 << false;
    QTest::newRow("truncated, beyond the window")
        << QStringLiteral("truncate") << largeBook() << 1 << false;
    QTest::newRow("emptied, beyond the window")
        << QStringLiteral("empty") << largeBook() << 1 << false;
}

void TestBookFaults::faultDuringRun() {
    QFETCH(QString, fault);
    QFETCH(Texts, book);
    QFETCH(int, sentencesSpoken);
    QFETCH(bool, cannotOpenAfter);
    m_env->setMsPerByte(20); // the fault lands while the first sentence is spoken
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("llibre.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(joined(book)), joined(book).size());
    file.close();
    const Texts sentences = scannedSentences(path);
    QVERIFY(Settings().writeBookPosition(path, 3));

    const QByteArray encoded = QFile::encodeName(path);
    QTimer trigger;
    trigger.setInterval(5);
    connect(&trigger, &QTimer::timeout, this, [&] {
        if (log().count(QStringLiteral("upcTVRead")) < 1) {
            return;
        }
        trigger.stop();
        if (fault == u"delete") {
            QVERIFY(QFile::remove(path));
        } else if (fault == u"folder" || fault == u"fifo") {
            QVERIFY(QFile::rename(path, path + QStringLiteral(".old")));
            QVERIFY(fault == u"folder" ? QDir().mkdir(path)
                                       : ::mkfifo(encoded.constData(), 0600) == 0);
        } else if (fault == u"unreadable") {
            QCOMPARE(::chmod(encoded.constData(), 0), 0);
        } else {
            QCOMPARE(::truncate(encoded.constData(), fault == u"empty" ? 0 : 10), 0);
        }
        m_env->setMsPerByte(0); // the rest, the long sentence above all, goes fast
    });
    trigger.start();
    State().BookPath = path;
    m_isReading = true;
    ReadBook(m_isReading);
    trigger.stop();

    const QByteArray ended = QByteArray(Messages::BookEnded.catalan) + Menu + ' ';
    const Texts read = log().textsRead();
    QVERIFY(!read.isEmpty());
    QCOMPARE(read.last(), ended);
    const qsizetype said = read.size() - 1;
    QCOMPARE(read.first(said), spoken(sentences.first(std::min(said, sentences.size()))));
    QVERIFY(said >= sentencesSpoken);
    QCOMPARE(said < sentences.size(), sentencesSpoken < book.size());
    QCOMPARE(SettingsFile(m_env->settingsPath()).readValue(path), QByteArray("0"));
    QCOMPARE(State().ReadPosition, qint64(0));
    QCOMPARE(State().SentenceStart, qint64(0));
    QVERIFY(State().BookFinished);
    QVERIFY(!m_isReading);
    QVERIFY(!ReadingRunActive());

    // Another run on the same name ends at once with the cannot-open message, or
    // reads whatever the name holds now to its end.
    log().clear();
    m_isReading = true;
    ReadBook(m_isReading);
    const Texts again = log().textsRead();
    QVERIFY(!again.isEmpty());
    if (cannotOpenAfter) {
        const QByteArray said = (encoded + Messages::CannotOpenBook.catalan).toLower() + ' ';
        QCOMPARE(again, Texts{said});
    } else {
        QCOMPARE(again.constLast(), ended);
    }
    QVERIFY(!ReadingRunActive());
    ::chmod(encoded.constData(), 0600);
}

QTEST_GUILESS_MAIN(TestBookFaults)
#include "tst_bookfaults.moc"
