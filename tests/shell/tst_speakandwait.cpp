// The status timer and the speak-and-wait built on it, against the recording
// double: when a wait ends, and that it always ends.
#include "SpeakAndWait.h"
#include "UnitUPCTV.h"

#include "DoubleLog.h"
#include "Engines.h"
#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

// The double "speaks" this long per byte unless a test says otherwise: far longer
// than any test, so only a stop, a disarm or a reload ends the speech.
constexpr int ForEver = 1000000;

// Ends a wait that a fault would keep going for ever, so that the test fails on
// its assertions instead of hanging.
constexpr int SafetyMs = 20000;

QList<DoubleCall> statusPolls(const QList<DoubleCall> &calls) {
    QList<DoubleCall> polls;
    for (const DoubleCall &call : calls) {
        if (call.name == u"upcTVStatus") {
            polls.append(call);
        }
    }
    return polls;
}

} // namespace

class TestSpeakAndWait : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void returnsAtTheFirstIdlePoll_data();
    void returnsAtTheFirstIdlePoll();
    void handlerDuringTheWait_data();
    void handlerDuringTheWait();
    void nestedWaitEndsTheOuterToo();
    void libraryNotLoadedEndsTheWait_data();
    void libraryNotLoadedEndsTheWait();
    void startUpWaitEndsWhenIdle();
    void waitsStillEndWhileTheApplicationQuits();

private:
    std::unique_ptr<TestEnvironment> m_environment;
};

void TestSpeakAndWait::init() {
    m_environment = std::make_unique<TestEnvironment>();
    QVERIFY(m_environment->isValid());
    Speech().setLibraryName(doubleEnginePath());
    Speech().CatalanActive = true;
    QVERIFY(Speech().LoadSpeechLibrary());
    m_environment->log().clear();
}

void TestSpeakAndWait::cleanup() {
    TimerStatusUpcTV().disarm();
    Speech().ReleaseSpeechLibrary();
    m_environment.reset();
}

void TestSpeakAndWait::returnsAtTheFirstIdlePoll_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("msPerByte");
    QTest::newRow("empty text still waits for a tick") << QByteArray() << 10;
    QTest::newRow("silent engine") << QByteArray("hola") << 0;
    QTest::newRow("shorter than a tick") << QByteArray("hola") << 5;
    QTest::newRow("several ticks") << QByteArray("Bon dia a tothom.") << 40;
}

void TestSpeakAndWait::returnsAtTheFirstIdlePoll() {
    QFETCH(QByteArray, text);
    QFETCH(int, msPerByte);
    m_environment->setMsPerByte(msPerByte);
    const DoubleLog log = m_environment->log();

    QElapsedTimer clock;
    clock.start();
    LlegirFinsQueSAcabi(text);
    const qint64 elapsed = clock.elapsed();
    QVERIFY(!TimerStatusUpcTV().isArmed());

    const QList<DoubleCall> calls = log.calls();
    QCOMPARE(log.steps(),
             (QStringList{QStringLiteral("upcTVStop"),
                          QStringLiteral("upcTVRead ") + QString::fromLatin1(text + ' ')}));
    const QList<DoubleCall> polls = statusPolls(calls);
    QVERIFY2(!polls.isEmpty(), qPrintable(log.dump()));
    for (qsizetype i = 0; i < polls.size(); ++i) {
        QCOMPARE(polls[i].value, 0);
        // Busy at every poll but the last: the wait ends at the first idle one.
        QCOMPARE(polls[i].result, i + 1 < polls.size() ? 1 : 0);
    }
    const qint64 speechEnds = calls[1].ms + (text.size() + 1) * msPerByte;
    QVERIFY2(polls.constLast().ms >= speechEnds, qPrintable(log.dump()));
    QVERIFY2(elapsed >= StatusTimer::PollIntervalMs, qPrintable(QString::number(elapsed)));
}

void TestSpeakAndWait::handlerDuringTheWait_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("stillSpeaking"); // the wait ended before the speech

    QTest::newRow("disarm ends the wait") << QStringLiteral("disarm") << true;
    QTest::newRow("stop key: stop and disarm") << QStringLiteral("stop") << false;
    QTest::newRow("disarmed and armed again: waits on") << QStringLiteral("rearm") << false;
    QTest::newRow("language switch reloads an idle engine") << QStringLiteral("switch") << false;
    QTest::newRow("library released") << QStringLiteral("release") << false;
}

void TestSpeakAndWait::handlerDuringTheWait() {
    QFETCH(QString, action);
    QFETCH(bool, stillSpeaking);
    m_environment->setMsPerByte(ForEver);
    bool handled = false;
    QTimer::singleShot(150, QCoreApplication::instance(), [&] {
        handled = true;
        if (action == u"stop") {
            Speech().upcTVStop();
            TimerStatusUpcTV().disarm();
        } else if (action == u"rearm") {
            TimerStatusUpcTV().disarm();
            TimerStatusUpcTV().arm();
            // Let the speech end soon, so the renewed wait ends by the engine.
            m_environment->setMsPerByte(10);
            Speech().SpeakText("fi");
        } else if (action == u"switch") {
            Speech().SwitchToSpanish();
        } else if (action == u"release") {
            Speech().ReleaseSpeechLibrary();
        } else {
            TimerStatusUpcTV().disarm();
        }
    });
    QTimer safety;
    safety.callOnTimeout([] { TimerStatusUpcTV().disarm(); });
    safety.start(SafetyMs);

    LlegirFinsQueSAcabi("Una frase molt llarga.");
    QVERIFY(safety.isActive());
    QVERIFY(handled);
    QVERIFY(!TimerStatusUpcTV().isArmed());
    QCOMPARE(Speech().upcTVStatus() != 0, stillSpeaking);
    const QList<DoubleCall> polls = statusPolls(m_environment->log().calls());
    if (action == u"rearm") {
        QVERIFY(!polls.isEmpty());
        QCOMPARE(polls.constLast().result, 0);
    }
}

void TestSpeakAndWait::nestedWaitEndsTheOuterToo() {
    m_environment->setMsPerByte(ForEver);
    QStringList order;
    QTimer::singleShot(150, QCoreApplication::instance(), [&] {
        m_environment->setMsPerByte(10);
        LlegirFinsQueSAcabi("interior");
        order << QStringLiteral("inner returned");
        m_environment->setMsPerByte(ForEver);
    });
    QTimer safety;
    safety.callOnTimeout([] { TimerStatusUpcTV().disarm(); });
    safety.start(SafetyMs);

    LlegirFinsQueSAcabi("exterior");
    order << QStringLiteral("outer returned");
    QVERIFY(safety.isActive());
    QCOMPARE(order,
             (QStringList{QStringLiteral("inner returned"), QStringLiteral("outer returned")}));
    const DoubleLog log = m_environment->log();
    QCOMPARE(log.textsRead(), (QList<QByteArray>{"exterior ", "interior "}));
    // The inner wait's idle poll was the last: the outer one did not poll again.
    const QList<DoubleCall> calls = log.calls();
    QCOMPARE(calls.constLast().name, QStringLiteral("upcTVStatus"));
    QCOMPARE(calls.constLast().result, 0);
}

void TestSpeakAndWait::libraryNotLoadedEndsTheWait_data() {
    QTest::addColumn<bool>("failedReload");
    QTest::newRow("released") << false;
    QTest::newRow("failed reload") << true;
}

void TestSpeakAndWait::libraryNotLoadedEndsTheWait() {
    QFETCH(bool, failedReload);
    m_environment->setMsPerByte(ForEver);
    Speech().SpeakText("Encara parla.");
    if (failedReload) {
        Speech().setLibraryName(m_environment->path() + QStringLiteral("/libupctv.so"));
        Speech().SwitchToSpanish();
    } else {
        Speech().ReleaseSpeechLibrary();
    }
    QVERIFY(!Speech().isLoaded());
    const DoubleLog log = m_environment->log();
    log.clear();

    QTimer safety;
    safety.callOnTimeout([] { TimerStatusUpcTV().disarm(); });
    safety.start(SafetyMs);
    LlegirFinsQueSAcabi("hola");
    QVERIFY(safety.isActive());
    QVERIFY(!TimerStatusUpcTV().isArmed());
    QCOMPARE(log.calls().size(), 0);
}

void TestSpeakAndWait::startUpWaitEndsWhenIdle() {
    m_environment->setMsPerByte(30);
    TimerStatusUpcTV().arm();
    Speech().SpeakText("Benvingut");
    TimerStatusUpcTV().waitWhileArmed();
    QVERIFY(!TimerStatusUpcTV().isArmed());
    const QList<DoubleCall> polls = statusPolls(m_environment->log().calls());
    QVERIFY(!polls.isEmpty());
    QCOMPARE(polls.constLast().result, 0);
    QCOMPARE(Speech().upcTVStatus(), 0);
}

// Once the application has been told to quit, Qt refuses to start nested event
// loops until the main loop has unwound; a wait begun then (the farewell, say)
// must still dispatch the status timer and end.
void TestSpeakAndWait::waitsStillEndWhileTheApplicationQuits() {
    m_environment->setMsPerByte(20);
    bool returned = false;
    QTimer::singleShot(0, QCoreApplication::instance(), [&] {
        QCoreApplication::exit(0);
        LlegirFinsQueSAcabi("Adéu");
        returned = true;
    });
    QCoreApplication::exec();
    QVERIFY(returned);
    const QList<DoubleCall> polls = statusPolls(m_environment->log().calls());
    QVERIFY(!polls.isEmpty());
    QCOMPARE(polls.constLast().result, 0);
}

QTEST_GUILESS_MAIN(TestSpeakAndWait)
#include "tst_speakandwait.moc"
