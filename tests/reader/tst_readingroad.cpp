// A typical use from start to exit, in-process, with the program's own start-up
// and wiring, the real book chooser and a real book, against the speech double:
// O, choose the book, hear it announced and read, Return in the middle of a
// sentence, C to hear that sentence again and the rest, the end, S.
#include "ChooserDriver.h"
#include "DoubleLog.h"
#include "Engines.h"
#include "Messages.h"
#include "ReaderHooks.h"
#include "ReaderState.h"
#include "SettingsFile.h"
#include "SpeakAndWait.h"
#include "Startup.h"
#include "TFormPrincipal.h"
#include "TestEnvironment.h"
#include "UnitUPCTV.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using Texts = QList<QByteArray>;

namespace {

const QByteArray First = "Primera frase del llibre.";
const QByteArray Second = " Segona frase, prou llarga perquè l'usuari premi la tecla de retorn "
                          "mentre encara la sent, i la torni a sentir sencera.";
const QByteArray Last = " Tercera i darrera.";

QByteArray spoken(const QByteArray &text) {
    return text + ' ';
}

// When the engine was first handed `text`; -1 if never.
qint64 firstTimeSpoken(const DoubleLog &log, const QByteArray &text) {
    for (const DoubleCall &call : log.calls()) {
        if (call.hasText && call.text == text) {
            return call.ms;
        }
    }
    return -1;
}

} // namespace

class TestReadingRoad : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void openInterruptContinueFinishExit();

private:
    // Waits until the greeting has been spoken and nothing more has been said for
    // a while (a second activation may greet again).
    bool waitUntilGreetedAndQuiet() const;

    std::unique_ptr<TestEnvironment> m_env;
    QString m_startFolder;
    QTemporaryDir m_books;
};

void TestReadingRoad::initTestCase() {
    m_env = std::make_unique<TestEnvironment>();
    QVERIFY(m_env->isValid());
    QVERIFY(m_books.isValid());
    m_env->setMsPerByte(25);
    m_startFolder = QDir::currentPath();
    Speech().setLibraryName(doubleEnginePath());
}

void TestReadingRoad::cleanupTestCase() {
    QDir::setCurrent(m_startFolder);
}

bool TestReadingRoad::waitUntilGreetedAndQuiet() const {
    const DoubleLog log = m_env->log();
    if (!log.waitUntil([](const QList<DoubleCall> &calls) {
            for (const DoubleCall &call : calls) {
                if (call.hasText && call.text == spoken(State().IdleMenuText)) {
                    return true;
                }
            }
            return false;
        })) {
        return false;
    }
    for (qsizetype seen = -1; seen != log.calls().size();) {
        seen = log.calls().size();
        WaitPumping(2000);
        if (TimerStatusUpcTV().isArmed()) {
            seen = -1;
        }
    }
    return true;
}

void TestReadingRoad::openInterruptContinueFinishExit() {
    const QString book = QDir(m_books.path()).canonicalPath() + u"/El viatge.txt"_s;
    QFile file(book);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.write(First + Second + Last) == First.size() + Second.size() + Last.size());
    file.close();
    QVERIFY(QDir::setCurrent(m_books.path())); // the chooser starts in this folder

    Startup startup(readerHooks());
    TFormPrincipal &form = *startup.mainWindow();
    const DoubleLog log = m_env->log();
    ChooserDriver chooser(ChooserDriver::firstBook());
    QVERIFY(startup.start());

    bool greeted = false;
    Texts afterOpen;
    QByteArray storedAfterReturn;
    qint64 secondStarted = -1;
    qint64 pauseMenuSpoken = -1;
    Texts afterContinue;
    QByteArray storedAtEnd;
    QTimer interrupt;
    interrupt.setInterval(5);
    connect(&interrupt, &QTimer::timeout, &form, [&] {
        if (log.textsRead().contains(spoken(Second))) {
            interrupt.stop();
            QTest::keyClick(&form, Qt::Key_Return);
        }
    });
    QTimer::singleShot(0, &form, [&] {
        greeted = waitUntilGreetedAndQuiet();
        if (!greeted) {
            form.close();
            return;
        }
        log.clear();
        interrupt.start();
        QTest::keyClick(&form, Qt::Key_O); // returns once the run has stopped
        afterOpen = log.textsRead();
        storedAfterReturn = Settings().readValue(book);
        secondStarted = firstTimeSpoken(log, spoken(Second));
        pauseMenuSpoken = firstTimeSpoken(log, spoken(State().PauseMenuText));

        log.clear();
        QTest::keyClick(&form, Qt::Key_C); // returns at the end of the book
        afterContinue = log.textsRead();
        storedAtEnd = Settings().readValue(book);
        QTest::keyClick(&form, Qt::Key_S);
    });
    QTimer::singleShot(120000, &form, [] { QCoreApplication::exit(99); });
    QCOMPARE(startup.exec(), 0);
    QVERIFY(greeted);

    // O: the chooser, the announcement, the first sentence, the second cut short
    // by Return, the pause menu 200 ms after the stop; the second one's start saved.
    QCOMPARE(chooser.timesShown(), 1);
    const QByteArray announced = spoken(QByteArray(Messages::OpeningBookBeforeTitle) + "El viatge" +
                                        Messages::OpeningBookAfterTitle);
    const qsizetype at = afterOpen.indexOf(announced);
    QVERIFY2(at >= 0, qPrintable(log.dump()));
    QCOMPARE(afterOpen.mid(at + 1),
             (Texts{spoken(First), spoken(Second), spoken(State().PauseMenuText)}));
    QCOMPARE(storedAfterReturn, QByteArray::number(First.size()));
    QVERIFY(pauseMenuSpoken - secondStarted >= 150);

    // C: announced with the title, the interrupted sentence from its first byte,
    // the rest, then the end with the idle menu, and the book back at 0.
    QCOMPARE(
        afterContinue,
        (Texts{spoken(Messages::ContinueReading.catalan + QByteArray("El viatge")), spoken(Second),
               spoken(Last), spoken(Messages::BookEnded.catalan + State().IdleMenuText)}));
    QCOMPARE(storedAtEnd, QByteArray("0"));

    // S: the farewell, then book, speed and language saved in that order.
    QVERIFY(form.ExitAnnounced);
    QCOMPARE(log.textsRead().constLast(), spoken(Messages::Farewell.catalan));
    QCOMPARE(log.names().constLast(), u"unload"_s);
    QFile settings(m_env->settingsPath());
    QVERIFY(settings.open(QIODevice::ReadOnly));
    QCOMPARE(settings.readAll(),
             "[Zelvora]\n" + book.toUtf8() + "=0\nVelocitat de lectura=140\nLlengua=Català\n");
}

QTEST_MAIN(TestReadingRoad)
#include "tst_readingroad.moc"
