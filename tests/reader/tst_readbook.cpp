#include "DoubleLog.h"
#include "Engines.h"
#include "Messages.h"
#include "ReadBook.h"
#include "ReaderState.h"
#include "SettingsFile.h"
#include "SpeakAndWait.h"
#include "TestEnvironment.h"
#include "UnitUPCTV.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <sys/stat.h>

using Texts = QList<QByteArray>;

namespace {

const QByteArray Menu = "MENU";

QByteArray bookEnded(bool catalan) {
    return QByteArray(catalan ? Messages::BookEnded.catalan : Messages::BookEnded.spanish) + Menu +
           ' ';
}

QByteArray clipboardEnded(bool catalan) {
    return QByteArray(catalan ? Messages::ClipboardEnded.catalan
                              : Messages::ClipboardEnded.spanish) +
           Menu + ' ';
}

} // namespace

class TestReadBook : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;
    QTemporaryDir m_books;
    bool m_isReading = false;
    std::unique_ptr<QTimer> m_trigger;
    int m_files = 0;

    DoubleLog log() const { return m_env->log(); }
    QByteArray stored(const QString &path) const {
        return SettingsFile(m_env->settingsPath()).readValue(path);
    }
    QString writeBook(const QByteArray &bytes, const QString &name = QString()) {
        const QString path =
            m_books.filePath(name.isEmpty() ? QStringLiteral("book%1.txt").arg(++m_files) : name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(bytes) != bytes.size()) {
            qFatal("cannot write a test book");
        }
        return path;
    }
    void run(const QString &path, qint64 position, bool stopAfterSentence = false,
             bool clipboard = false) {
        ReaderState &state = State();
        state.BookPath = path;
        state.ReadPosition = position;
        state.SentenceStart = position;
        state.StopAfterSentence = stopAfterSentence;
        state.ClipboardMode = clipboard;
        m_isReading = true;
        ReadBook(m_isReading);
    }
    void runAgain() {
        m_isReading = true;
        ReadBook(m_isReading);
    }
    // Runs `action` nested inside the run, once the engine has been handed `reads`
    // texts (while the last of them is being spoken).
    void whenRead(int reads, std::function<void()> action) {
        m_trigger = std::make_unique<QTimer>();
        m_trigger->setInterval(5);
        connect(m_trigger.get(), &QTimer::timeout, this, [this, reads, action] {
            if (log().count(QStringLiteral("upcTVRead")) >= reads) {
                m_trigger->stop();
                action();
            }
        });
        m_trigger->start();
    }
    // What a stop key does to a run, less its own position write and menu.
    void stopKey() {
        State().ReadPosition = State().SentenceStart;
        m_isReading = false;
        TimerStatusUpcTV().disarm();
        Speech().upcTVStop();
    }

private slots:
    void initTestCase() {
        m_env = std::make_unique<TestEnvironment>();
        QVERIFY(m_env->isValid());
        QVERIFY(m_books.isValid());
        QCOMPARE(Settings().path(), m_env->settingsPath());
        Speech().setLibraryName(doubleEnginePath());
    }

    void init() {
        if (!Speech().isLoaded()) {
            QVERIFY(Speech().LoadSpeechLibrary());
        }
        m_env->setMsPerByte(2);
        Speech().CatalanActive = true;
        State() = ReaderState{};
        State().IdleMenuText = Menu;
        State().PauseMenuText = "PAUSE";
        TimerStatusUpcTV().disarm();
        m_trigger.reset();
        log().clear();
    }

    void cleanupTestCase() {
        Speech().ReleaseSpeechLibrary();
        m_env.reset();
    }

    void continuousReading_data() {
        QTest::addColumn<QByteArray>("book");
        QTest::addColumn<qint64>("from");
        QTest::addColumn<bool>("catalan");
        QTest::addColumn<Texts>("sentences");
        QTest::newRow("three sentences")
            << QByteArray("A. B. C.") << qint64(0) << true << Texts{"A. ", " B. ", " C. "};
        QTest::newRow("Spanish end")
            << QByteArray("A. B.") << qint64(0) << false << Texts{"A. ", " B. "};
        QTest::newRow("from a saved position") << QByteArray("Un.\nDos.\r\nTres") << qint64(3)
                                               << true << Texts{"\nDos. ", "\r\nTres "};
        QTest::newRow("one byte") << QByteArray("x") << qint64(0) << true << Texts{"x "};
        QTest::newRow("NUL cuts the engine's text")
            << QByteArray("a\0b. c", 6) << qint64(0) << true << Texts{"a", " c "};
        QTest::newRow("trailing separator")
            << QByteArray("Fi. ") << qint64(0) << true << Texts{"Fi. ", "  "};
    }

    // Every sentence in order with one blank added, then, 300 ms after the last
    // one has ended, the end message with the idle menu; the book is back at 0.
    void continuousReading() {
        QFETCH(QByteArray, book);
        QFETCH(qint64, from);
        QFETCH(bool, catalan);
        QFETCH(Texts, sentences);
        Speech().CatalanActive = catalan;
        const QString path = writeBook(book);
        QVERIFY(Settings().writeBookPosition(path, 3));
        run(path, from);
        QCOMPARE(log().textsRead(), sentences + Texts{bookEnded(catalan)});
        QCOMPARE(stored(path), QByteArray("0"));
        QCOMPARE(State().ReadPosition, qint64(0));
        QCOMPARE(State().SentenceStart, qint64(0));
        QVERIFY(State().BookFinished);
        QVERIFY(!m_isReading);
        QVERIFY(!ReadingRunActive());
        // The pause runs from the poll that found the last sentence ended.
        const QList<DoubleCall> calls = log().calls();
        qint64 lastIdle = -1;
        qint64 endMessage = -1;
        for (const DoubleCall &call : calls) {
            if (call.name == u"upcTVStatus" && call.result == 0 && endMessage < 0) {
                lastIdle = call.ms;
            }
            if (call.name == u"upcTVRead" && call.text == bookEnded(catalan)) {
                endMessage = call.ms;
            }
        }
        QVERIFY2(lastIdle >= 0 && endMessage - lastIdle >= 295, qPrintable(log().dump()));
    }

    void stopAfterSentence_data() {
        QTest::addColumn<qint64>("from");
        QTest::addColumn<QByteArray>("sentence");
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<qint64>("position");
        QTest::addColumn<bool>("finished");
        // Book: "A. B. C."
        QTest::newRow("first") << qint64(0) << QByteArray("A. ") << QByteArray("2") << qint64(2)
                               << false;
        QTest::newRow("second") << qint64(2) << QByteArray(" B. ") << QByteArray("5") << qint64(5)
                                << false;
        QTest::newRow("mid sentence")
            << qint64(3) << QByteArray("B. ") << QByteArray("5") << qint64(5) << false;
        QTest::newRow("last") << qint64(5) << QByteArray(" C. ") << QByteArray("0") << qint64(0)
                              << true;
    }

    // One sentence, then silence with the next start saved; the last sentence is
    // followed by the end of the book instead.
    void stopAfterSentence() {
        QFETCH(qint64, from);
        QFETCH(QByteArray, sentence);
        QFETCH(QByteArray, stored);
        QFETCH(qint64, position);
        QFETCH(bool, finished);
        const QString path = writeBook("A. B. C.");
        run(path, from, true);
        Texts expected{sentence};
        if (finished) {
            expected.append(bookEnded(true));
        }
        QCOMPARE(log().textsRead(), expected);
        QCOMPARE(this->stored(path), stored);
        QCOMPARE(State().ReadPosition, position);
        QCOMPARE(State().SentenceStart, position);
        QCOMPARE(State().BookFinished, finished);
        QVERIFY(!m_isReading);
    }

    void nothingToRead_data() {
        QTest::addColumn<QByteArray>("book");
        QTest::addColumn<qint64>("from");
        QTest::addColumn<bool>("stopAfterSentence");
        QTest::newRow("empty book") << QByteArray() << qint64(0) << false;
        QTest::newRow("empty book, stopping") << QByteArray() << qint64(0) << true;
        QTest::newRow("position at the end") << QByteArray("A. B.") << qint64(5) << false;
        QTest::newRow("position past the end") << QByteArray("A. B.") << qint64(900) << true;
        QTest::newRow("negative position") << QByteArray("A. B.") << qint64(-4) << false;
    }

    // Nothing to read is the end of the book: the end message at once, position 0.
    void nothingToRead() {
        QFETCH(QByteArray, book);
        QFETCH(qint64, from);
        QFETCH(bool, stopAfterSentence);
        const QString path = writeBook(book);
        QVERIFY(Settings().writeBookPosition(path, from));
        run(path, from, stopAfterSentence);
        QCOMPARE(log().textsRead(), Texts{bookEnded(true)});
        QCOMPARE(stored(path), QByteArray("0"));
        QCOMPARE(State().ReadPosition, qint64(0));
        QCOMPARE(State().SentenceStart, qint64(0));
        QVERIFY(State().BookFinished);
        QVERIFY(!m_isReading);
    }

    void cannotOpen_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("catalan");
        QTest::addColumn<QByteArray>("said");
        QTest::newRow("missing") << QStringLiteral("missing") << QStringLiteral("Llibre Perdut.txt")
                                 << true
                                 << QByteArray("/llibre perdut.txt. no hi ha cap fitxer amb "
                                               "aquest nom ");
        QTest::newRow("missing, accents kept")
            << QStringLiteral("missing") << QStringLiteral("ÀVIA ÉS.TXT") << false
            << QByteArray("/Àvia És.txt. no hay ningún archivo con este nombre ");
        QTest::newRow("FIFO") << QStringLiteral("fifo") << QStringLiteral("x.txt") << true
                              << QByteArray("/x.txt. no hi ha cap fitxer amb aquest nom ");
        QTest::newRow("folder") << QStringLiteral("folder") << QStringLiteral("Dir.txt") << true
                                << QByteArray("/dir.txt. no hi ha cap fitxer amb aquest nom ");
    }

    // Only the lower-cased message; no flag, position or saved value changes.
    void cannotOpen() {
        QFETCH(QString, kind);
        QFETCH(QString, name);
        QFETCH(bool, catalan);
        QFETCH(QByteArray, said);
        Speech().CatalanActive = catalan;
        QTemporaryDir folder;
        const QString path = folder.filePath(name);
        if (kind == u"fifo") {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (kind == u"folder") {
            QVERIFY(QDir().mkdir(path));
        }
        QVERIFY(Settings().writeBookPosition(path, 7));
        State().BookFinished = false;
        run(path, 7, true);
        const QByteArray folderPath = QFile::encodeName(folder.path()).toLower();
        QCOMPARE(log().textsRead(), Texts{folderPath + said});
        QCOMPARE(log().names(),
                 (QStringList{QStringLiteral("upcTVStop"), QStringLiteral("upcTVRead")}));
        QCOMPARE(stored(path), QByteArray("7"));
        QCOMPARE(State().ReadPosition, qint64(7));
        QCOMPARE(State().SentenceStart, qint64(7));
        QVERIFY(!State().BookFinished);
        QVERIFY(m_isReading);
    }

    // A run called with IsReading already cleared opens the book, marks it as
    // begun and ends paused without a word.
    void stoppedBeforeTheFirstSentence() {
        const QString path = writeBook("A. B.");
        State().BookPath = path;
        m_isReading = false;
        ReadBook(m_isReading);
        QVERIFY(log().textsRead().isEmpty());
        QVERIFY(!State().BookFinished);
        QCOMPARE(stored(path), QByteArray("NO"));
    }

    void stopKeyDuringSentence_data() {
        QTest::addColumn<bool>("stopAfterSentence");
        QTest::newRow("continuous") << false;
        QTest::newRow("stopping after each sentence") << true;
    }

    // A stop key in the middle of the second sentence ends the run there, and the
    // next run starts that sentence again from its first byte.
    void stopKeyDuringSentence() {
        QFETCH(bool, stopAfterSentence);
        m_env->setMsPerByte(100); // the second sentence would last 3 s
        const QByteArray second = " Una frase prou llarga, oi que si.";
        const QString path = writeBook("Ara." + second + " Fi.");
        QVERIFY(Settings().writeBookPosition(path, 0));
        if (stopAfterSentence) {
            run(path, 0, true);
            QCOMPARE(State().ReadPosition, qint64(4));
            whenRead(2, [this] { stopKey(); });
            runAgain();
        } else {
            whenRead(2, [this] { stopKey(); });
            run(path, 0);
        }
        QCOMPARE(log().textsRead(), (Texts{"Ara. ", second + ' '}));
        QCOMPARE(State().SentenceStart, qint64(4));
        QCOMPARE(State().ReadPosition, qint64(4));
        QVERIFY(!State().BookFinished);
        QVERIFY(!m_isReading);
        // Continuous reading writes nothing between sentences; stopping after
        // each writes the start of the interrupted sentence.
        QCOMPARE(stored(path), QByteArray(stopAfterSentence ? "4" : "0"));

        m_env->setMsPerByte(2);
        log().clear();
        runAgain();
        const Texts again = log().textsRead();
        QVERIFY2(!again.isEmpty(), qPrintable(log().dump()));
        QCOMPARE(again.first(), second + ' ');
    }

    void bookChangedBetweenRuns_data() {
        QTest::addColumn<QByteArray>("replacement");
        QTest::addColumn<Texts>("spoken");
        QTest::addColumn<QByteArray>("stored");
        // The first two runs stop after "A." and " B.": the third starts at 5.
        QTest::newRow("cut before the position")
            << QByteArray("A. B") << Texts{bookEnded(true)} << QByteArray("0");
        QTest::newRow("cut to the position")
            << QByteArray("A. B.") << Texts{bookEnded(true)} << QByteArray("0");
        QTest::newRow("cut just after it")
            << QByteArray("A. B. ") << Texts{"  ", bookEnded(true)} << QByteArray("0");
        QTest::newRow("grown") << QByteArray("A. B. Cx. D.") << Texts{" Cx. "} << QByteArray("9");
        QTest::newRow("emptied") << QByteArray() << Texts{bookEnded(true)} << QByteArray("0");
    }

    // Another program changes the book between runs: the next run reads the book
    // as it finds it, and a position past its new end is the end of the book.
    void bookChangedBetweenRuns() {
        QFETCH(QByteArray, replacement);
        QFETCH(Texts, spoken);
        QFETCH(QByteArray, stored);
        const QString path = writeBook("A. B. C. D.");
        run(path, 0, true);
        runAgain();
        QCOMPARE(this->stored(path), QByteArray("5"));
        writeBook(replacement, QFileInfo(path).fileName());
        log().clear();
        runAgain();
        QCOMPARE(log().textsRead(), spoken);
        QCOMPARE(this->stored(path), stored);
    }

    void clipboard_data() {
        QTest::addColumn<bool>("stopAfterSentence");
        QTest::addColumn<bool>("catalan");
        QTest::addColumn<Texts>("spoken");
        QTest::newRow("to the end")
            << false << true << Texts{"Hola. ", " Adeu. ", clipboardEnded(true)};
        QTest::newRow("to the end, Spanish")
            << false << false << Texts{"Hola. ", " Adeu. ", clipboardEnded(false)};
        QTest::newRow("one sentence") << true << true << Texts{"Hola. "};
    }

    // The clipboard's text never has a saved position; its temporary file goes
    // when it has been read to the end, and no "Carpeta.txt" of the user's is
    // touched.
    void clipboard() {
        QFETCH(bool, stopAfterSentence);
        QFETCH(bool, catalan);
        QFETCH(Texts, spoken);
        Speech().CatalanActive = catalan;
        QTemporaryDir current;
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(current.path()));
        const QString usersFile = current.filePath(QStringLiteral("Carpeta.txt"));
        QFile users(usersFile);
        QVERIFY(users.open(QIODevice::WriteOnly));
        users.close();
        const QString path = writeBook("Hola. Adeu.");
        run(path, 0, stopAfterSentence, true);
        QVERIFY(QDir::setCurrent(previous));
        QCOMPARE(log().textsRead(), spoken);
        QCOMPARE(stored(path), QByteArray("NO"));
        QCOMPARE(QFile::exists(path), stopAfterSentence);
        QVERIFY(QFile::exists(usersFile));
        QCOMPARE(State().ReadPosition, stopAfterSentence ? qint64(5) : qint64(0));
    }

    // A run or a step back started from a handler nested in a run does nothing.
    void noRunInsideARun() {
        const QString path = writeBook("A. B.");
        bool nestedReading = true;
        bool activeInside = false;
        bool stepBackInside = true;
        qint64 positionInside = -1;
        whenRead(1, [&] {
            activeInside = ReadingRunActive();
            const qint64 before = State().ReadPosition;
            stepBackInside = StepBackOneSentence();
            positionInside = State().ReadPosition - before;
            ReadBook(nestedReading);
        });
        run(path, 0);
        QVERIFY(activeInside);
        QVERIFY(!stepBackInside);
        QCOMPARE(positionInside, qint64(0));
        QVERIFY(nestedReading);
        QCOMPARE(log().textsRead(), (Texts{"A. ", " B. ", bookEnded(true)}));
        QVERIFY(!ReadingRunActive());
    }

    void closedDuringRun_data() {
        QTest::addColumn<QByteArray>("book");
        QTest::addColumn<bool>("stopAfterSentence");
        QTest::addColumn<int>("reads");
        QTest::newRow("last sentence") << QByteArray("A. Final sentence.") << false << 2;
        QTest::newRow("a sentence, stopping after each")
            << QByteArray("A sentence. B.") << true << 1;
        QTest::newRow("a sentence, continuous") << QByteArray("A sentence. B.") << false << 1;
    }

    // The close handler clears IsReading, disarms the timer, saves the position
    // and releases the library: the run then ends without a word and without
    // saving anything over that position.
    void closedDuringRun() {
        QFETCH(QByteArray, book);
        QFETCH(bool, stopAfterSentence);
        QFETCH(int, reads);
        m_env->setMsPerByte(100);
        const QString path = writeBook(book);
        qint64 savedByClose = -1;
        whenRead(reads, [&] {
            m_isReading = false;
            TimerStatusUpcTV().disarm();
            AbandonReadingRun();
            savedByClose = State().SentenceStart;
            QVERIFY(Settings().writeBookPosition(path, savedByClose));
            Speech().ReleaseSpeechLibrary();
        });
        run(path, 0, stopAfterSentence);
        QCOMPARE(log().textsRead().size(), reads);
        QCOMPARE(log().names().last(), QStringLiteral("unload"));
        QCOMPARE(stored(path), QByteArray::number(savedByClose));
        QCOMPARE(State().SentenceStart, savedByClose);
        QVERIFY(!ReadingRunActive());
    }

    void textChangedDuringLastSentence_data() {
        QTest::addColumn<bool>("clipboard");
        QTest::addColumn<bool>("samePath");
        QTest::addColumn<Texts>("spoken");
        QTest::addColumn<qint64>("position");
        QTest::newRow("another book opened")
            << false << false << Texts{"Un. ", " Dos. "} << qint64(42);
        QTest::newRow("clipboard read again into the same name")
            << true << true << Texts{"Un. ", " Dos. ", clipboardEnded(true)} << qint64(0);
    }

    // A handler nested in the last sentence makes another text current (and, as a
    // command that starts a run does, sets IsReading for it): the ended run saves
    // 0 for its own book only, reads no more sentences and leaves the new text's
    // file alone. Under another name the new text's positions stay too, and the
    // end message, which no longer fits, is not spoken.
    void textChangedDuringLastSentence() {
        QFETCH(bool, clipboard);
        QFETCH(bool, samePath);
        QFETCH(Texts, spoken);
        QFETCH(qint64, position);
        m_env->setMsPerByte(100);
        const QString path = writeBook("Un. Dos.");
        const QString other = samePath ? path : writeBook("Altre llibre.");
        whenRead(2, [&] {
            if (samePath) {
                QVERIFY(QFile::remove(path));
                writeBook("Nou text.", QFileInfo(path).fileName());
            }
            State().BookPath = other;
            State().ReadPosition = 42;
            State().SentenceStart = 42;
            m_isReading = true;
        });
        run(path, 0, false, clipboard);
        QCOMPARE(log().textsRead(), spoken);
        QCOMPARE(State().ReadPosition, position);
        QCOMPARE(State().SentenceStart, position);
        QVERIFY(QFile::exists(other));
        QCOMPARE(stored(path), QByteArray(clipboard ? "NO" : "0"));
        if (!samePath) {
            QCOMPARE(stored(other), QByteArray("NO"));
        }
    }

    // Stepping back on the reader's state: a failure leaves the position alone.
    void stepBackOnState_data() {
        QTest::addColumn<bool>("exists");
        QTest::addColumn<qint64>("sentenceStart");
        QTest::addColumn<bool>("succeeds");
        QTest::addColumn<qint64>("position");
        QTest::newRow("back one") << true << qint64(5) << true << qint64(3);
        QTest::newRow("book gone") << false << qint64(5) << false << qint64(99);
        QTest::newRow("book shorter") << true << qint64(40) << false << qint64(99);
        QTest::newRow("at the start") << false << qint64(1) << true << qint64(99);
    }

    void stepBackOnState() {
        QFETCH(bool, exists);
        QFETCH(qint64, sentenceStart);
        QFETCH(bool, succeeds);
        QFETCH(qint64, position);
        const QString path = writeBook("A. B. C.");
        if (!exists) {
            QVERIFY(QFile::remove(path));
        }
        State().BookPath = path;
        State().SentenceStart = sentenceStart;
        State().ReadPosition = 99;
        State().StopAfterSentence = true;
        QCOMPARE(StepBackOneSentence(), succeeds);
        QCOMPARE(State().ReadPosition, position);
        QCOMPARE(State().SentenceStart, sentenceStart);
    }
};

QTEST_GUILESS_MAIN(TestReadBook)
#include "tst_readbook.moc"
