// The start-up and the message loop in-process: the program really ends after the
// main window has closed, wherever the close came from.
#include "DoubleLog.h"
#include "Messages.h"
#include "ReaderState.h"
#include "SpeakAndWait.h"
#include "Startup.h"
#include "TFormPrincipal.h"
#include "TestEnvironment.h"
#include "UnitUPCTV.h"

#include <QAction>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <memory>

class TestStartupExit : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void closeInsideReadingRunEndsMessageLoop();
    void closeFromMenuEndsMessageLoop();

private:
    // Ends a message loop that failed to end by itself, so the test fails instead
    // of hanging.
    static void watchdog(QObject *context) {
        QTimer::singleShot(60000, context, [] { QCoreApplication::exit(99); });
    }
    bool waitForGreeting() const {
        const DoubleLog log = m_env->log();
        return log.waitUntil([](const QList<DoubleCall> &calls) {
            return std::any_of(calls.begin(), calls.end(), [](const DoubleCall &call) {
                return call.hasText && call.text == State().IdleMenuText + ' ';
            });
        });
    }

    std::unique_ptr<TestEnvironment> m_env;
};

void TestStartupExit::initTestCase() {
    m_env = std::make_unique<TestEnvironment>();
    QVERIFY(m_env->isValid());
    m_env->setMsPerByte(2);
    Speech().setLibraryName(QStringLiteral(ZELVORA_DOUBLE_ENGINE));
}

void TestStartupExit::init() {
    Speech().ReleaseSpeechLibrary();
    Speech().ReadingSpeed = SpeechService::DefaultReadingSpeed;
    Speech().CatalanActive = true;
    State() = ReaderState{};
    m_env->log().clear();
}

// A close that arrives while a reading run waits for its sentence: the run ends,
// nothing is read after the farewell, and the message loop returns.
void TestStartupExit::closeInsideReadingRunEndsMessageLoop() {
    const QByteArray sentence(300, 'a'); // lasts 600 ms
    int sentencesRead = 0;
    bool runEnded = false;
    ShellHooks hooks;
    Startup startup(hooks);
    TFormPrincipal &form = *startup.mainWindow();
    form.Hooks.readBook = [&](bool &isReading) {
        QTimer::singleShot(300, &form, [&] { form.close(); });
        while (isReading) {
            ++sentencesRead;
            form.LlegirFinsQueSAcabi(sentence);
        }
        runEnded = true;
    };
    QVERIFY(startup.start());
    QTimer::singleShot(0, &form, [&] {
        if (waitForGreeting()) {
            form.IsReading = true;
            form.ReadBook();
        }
    });
    watchdog(&form);
    QCOMPARE(startup.exec(), 0);

    QVERIFY(startup.hasClosed());
    QVERIFY(runEnded);
    QCOMPARE(sentencesRead, 1);
    const QList<QByteArray> texts = m_env->log().textsRead();
    QCOMPARE(texts.constLast(), QByteArray(Messages::Farewell.catalan) + ' ');
    QCOMPARE(m_env->log().names().constLast(), QStringLiteral("unload"));
}

// The context menu's exit, chosen while the menu runs its own event loop.
void TestStartupExit::closeFromMenuEndsMessageLoop() {
    Startup startup;
    TFormPrincipal &form = *startup.mainWindow();
    QVERIFY(startup.start());
    QTimer::singleShot(0, &form, [&] {
        if (waitForGreeting()) {
            QTimer::singleShot(200, form.PopupMenu1, [&] { form.MenuSortir->trigger(); });
            form.PopupMenu1->exec(form.mapToGlobal(QPoint(10, 10)));
        }
    });
    watchdog(&form);
    QCOMPARE(startup.exec(), 0);
    QVERIFY(form.ExitAnnounced);
    QCOMPARE(m_env->log().names().constLast(), QStringLiteral("unload"));
}

QTEST_MAIN(TestStartupExit)
#include "tst_startupexit.moc"
