// The speech-dispatcher engine's own behaviour, beyond the contract that every
// engine keeps: how the settings map onto speech-dispatcher's, that a stop
// cancels this engine's messages only, that another client's speech of higher
// priority (a screen reader's) interrupts a sentence that is then said again,
// and that a server going away mid-sentence leaves the engine idle.
#include "Engines.h"
#include "LoadedEngine.h"
#include "SpeechDispatcherServer.h"
#include "SpeechdSettings.h"

#include <QTest>

#include <atomic>
#include <chrono>
#include <climits>
#include <libspeechd.h>
#include <memory>
#include <thread>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

const char *const Sentence = "Bon dia, avui fa sol i anem tots junts a la platja.";

// What the other client's notifications say; libspeechd's callbacks carry no
// pointer of their own.
std::atomic<int> g_otherEnded{0};
std::atomic<int> g_otherCancelled{0};

void otherClientNotified(size_t, size_t, SPDNotificationType type) {
    if (type == SPD_EVENT_END)
        ++g_otherEnded;
    else if (type == SPD_EVENT_CANCEL)
        ++g_otherCancelled;
}

// Another client of the same server, as a screen reader would be.
class OtherClient {
public:
    OtherClient() {
        g_otherEnded = 0;
        g_otherCancelled = 0;
        m_connection = spd_open("screenreader", "main", nullptr, SPD_MODE_THREADED);
        if (m_connection == nullptr)
            return;
        m_connection->callback_end = otherClientNotified;
        m_connection->callback_cancel = otherClientNotified;
        spd_set_notification_on(m_connection, SPD_END);
        spd_set_notification_on(m_connection, SPD_CANCEL);
    }
    ~OtherClient() {
        if (m_connection != nullptr)
            spd_close(m_connection);
    }
    OtherClient(const OtherClient &) = delete;
    OtherClient &operator=(const OtherClient &) = delete;
    bool isConnected() const { return m_connection != nullptr; }
    bool say(SPDPriority priority, const char *text) {
        return spd_say(m_connection, priority, text) > 0;
    }

private:
    SPDConnection *m_connection = nullptr;
};

bool waitFor(const std::atomic<int> &counter, int value, std::chrono::milliseconds timeout = 20s) {
    const auto deadline = Clock::now() + timeout;
    while (counter.load() < value) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

EngineKind speechdEngine() {
    return {QStringLiteral("speechd"), speechdEnginePath(), false, true};
}

} // namespace

class TestSpeechdEngine : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<SpeechDispatcherServer> m_server;
    QString m_serverMissing;

private slots:
    void initTestCase() {
        m_server = std::make_unique<SpeechDispatcherServer>();
        if (!m_server->start()) {
            m_serverMissing = QStringLiteral("no speech-dispatcher: ") + m_server->reason();
            m_server.reset();
        }
    }

    void rateFollowsTheSpeed_data();
    void rateFollowsTheSpeed();
    void everyStepOfSpeedChangesTheRate_data();
    void everyStepOfSpeedChangesTheRate();
    void languagesAndSpeakersMap_data();
    void languagesAndSpeakersMap();
    void stopCancelsOnlyThisEnginesMessages();
    void screenReaderInterruptsAndTheSentenceIsSaidAgain_data();
    void screenReaderInterruptsAndTheSentenceIsSaidAgain();
    void serverGoneWhileSpeakingLeavesTheEngineIdle();
};

#define REQUIRE_SERVER()                                                                           \
    if (!m_server)                                                                                 \
    QSKIP(qPrintable(m_serverMissing))

void TestSpeechdEngine::rateFollowsTheSpeed_data() {
    QTest::addColumn<int>("defaultRate"); // the user's
    QTest::addColumn<int>("speed");
    QTest::addColumn<int>("rate");
    QTest::newRow("140 is the user's default rate") << 0 << 140 << 0;
    QTest::newRow("10 is the slowest rate") << 0 << 10 << -100;
    QTest::newRow("300 is the fastest rate") << 0 << 300 << 100;
    QTest::newRow("75 is half way down") << 0 << 75 << -50;
    QTest::newRow("220 is half way up") << 0 << 220 << 50;
    QTest::newRow("0 is clamped") << 0 << 0 << -100;
    QTest::newRow("smallest int") << 0 << INT_MIN << -100;
    QTest::newRow("310 is clamped") << 0 << 310 << 100;
    QTest::newRow("largest int") << 0 << INT_MAX << 100;
    QTest::newRow("140 keeps a faster default") << 40 << 140 << 40;
    QTest::newRow("half way up from 40") << 40 << 220 << 70;
    QTest::newRow("half way down from 40") << 40 << 75 << -30;
    QTest::newRow("140 keeps a slower default") << -60 << 140 << -60;
    QTest::newRow("the ends stay the ends") << -60 << 10 << -100;
    QTest::newRow("a default near an end is held back") << 95 << 140 << 80;
}

void TestSpeechdEngine::rateFollowsTheSpeed() {
    QFETCH(int, defaultRate);
    QFETCH(int, speed);
    QFETCH(int, rate);
    QCOMPARE(upctv::speechd::rateForSpeed(speed, defaultRate), rate);
}

void TestSpeechdEngine::everyStepOfSpeedChangesTheRate_data() {
    QTest::addColumn<int>("defaultRate");
    QTest::addColumn<int>("smallestStep");
    QTest::addColumn<int>("largestStep");
    QTest::newRow("default 0") << 0 << 5 << 9;
    for (const int rate : {-100, -80, -50, 50, 80, 100})
        QTest::addRow("default %d", rate) << rate << 1 << 15;
}

void TestSpeechdEngine::everyStepOfSpeedChangesTheRate() {
    QFETCH(int, defaultRate);
    QFETCH(int, smallestStep);
    QFETCH(int, largestStep);
    for (int speed = 20; speed <= 300; speed += 10) {
        const int step = upctv::speechd::rateForSpeed(speed, defaultRate) -
                         upctv::speechd::rateForSpeed(speed - 10, defaultRate);
        QVERIFY2(step >= smallestStep && step <= largestStep,
                 qPrintable(QStringLiteral("%1: %2").arg(speed).arg(step)));
    }
}

void TestSpeechdEngine::languagesAndSpeakersMap_data() {
    QTest::addColumn<int>("value");
    QTest::addColumn<QByteArray>("language");
    QTest::addColumn<int>("voiceType");
    QTest::newRow("99, speaker 0") << 99 << QByteArray("ca") << int(SPD_MALE1);
    QTest::newRow("101, speaker 1") << 101 << QByteArray("es") << int(SPD_FEMALE1);
    QTest::newRow("100, speaker 2") << 100 << QByteArray() << -1;
    QTest::newRow("0, speaker -1") << 0 << QByteArray() << -1;
}

void TestSpeechdEngine::languagesAndSpeakersMap() {
    QFETCH(int, value);
    QFETCH(QByteArray, language);
    QFETCH(int, voiceType);
    const char *mapped = upctv::speechd::languageForCode(value);
    QCOMPARE(QByteArray(mapped), language);
    const int speaker = value == 99 ? 0 : value == 101 ? 1 : value == 100 ? 2 : -1;
    QCOMPARE(upctv::speechd::voiceTypeForSpeaker(speaker), voiceType);
}

// The other client's text, queued behind the engine's, is still spoken to its
// end after the engine's stop.
void TestSpeechdEngine::stopCancelsOnlyThisEnginesMessages() {
    REQUIRE_SERVER();
    LoadedEngine engine(speechdEngine(), QString(), Pace::RealTime, m_server.get());
    QVERIFY(engine.isLoaded());
    OtherClient other;
    QVERIFY(other.isConnected());
    QCOMPARE(engine.read(Sentence), 0);
    QVERIFY(other.say(SPD_TEXT, "Hola."));
    std::this_thread::sleep_for(500ms);
    QCOMPARE(engine.stop(), 0);
    QCOMPARE(engine.status(0), 0);
    QVERIFY(waitFor(g_otherEnded, 1));
    QCOMPARE(g_otherCancelled.load(), 0);
    QCOMPARE(engine.status(0), 0);
}

void TestSpeechdEngine::screenReaderInterruptsAndTheSentenceIsSaidAgain_data() {
    QTest::addColumn<int>("priority");
    QTest::newRow("message") << int(SPD_MESSAGE);
    QTest::newRow("important") << int(SPD_IMPORTANT);
}

// The screen reader speaks at once, not after the sentence; the engine stays
// busy until it has said the whole sentence again.
void TestSpeechdEngine::screenReaderInterruptsAndTheSentenceIsSaidAgain() {
    QFETCH(int, priority);
    REQUIRE_SERVER();
    LoadedEngine engine(speechdEngine(), QString(), Pace::RealTime, m_server.get());
    QVERIFY(engine.isLoaded());
    const double alone = engine.spokenSeconds(Sentence);
    QVERIFY(alone > 1.5);
    OtherClient other;
    QVERIFY(other.isConnected());
    const auto start = Clock::now();
    QCOMPARE(engine.read(Sentence), 0);
    std::this_thread::sleep_for(800ms);
    const auto interrupted = Clock::now();
    QVERIFY(other.say(SPDPriority(priority), "Finestra nova."));
    QVERIFY(waitFor(g_otherEnded, 1));
    const double screenReader = secondsSince(interrupted);
    // Still busy once the screen reader has finished: it spoke in the middle of
    // the sentence, not after it (timing it instead would fail on a busy machine).
    QVERIFY(engine.status(0) != 0);
    QVERIFY(engine.waitIdle());
    const double busy = secondsSince(start);
    QVERIFY2(busy > 0.8 + screenReader + 0.9 * alone,
             qPrintable(QStringLiteral("busy %1 s, screen reader %2 s, sentence %3 s")
                            .arg(busy)
                            .arg(screenReader)
                            .arg(alone)));
}

void TestSpeechdEngine::serverGoneWhileSpeakingLeavesTheEngineIdle() {
    SpeechDispatcherServer server; // its own, since it is ended
    if (!server.start())
        QSKIP(qPrintable(server.reason()));
    LoadedEngine engine(speechdEngine(), QString(), Pace::RealTime, &server);
    QVERIFY(engine.isLoaded());
    QCOMPARE(engine.read(Sentence), 0);
    std::this_thread::sleep_for(300ms);
    server.killSpeechDispatcher();
    QVERIFY(engine.waitIdle());
    QCOMPARE(engine.read(Sentence), -1);
    QCOMPARE(engine.status(0), 0);
    QCOMPARE(engine.stop(), 0);
}

QTEST_GUILESS_MAIN(TestSpeechdEngine)
#include "tst_speechd_engine.moc"
