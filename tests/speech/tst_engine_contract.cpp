// The contract every speech engine of this build keeps (see speech/upctv.h),
// run over each engine in turn: every row names its engine. Engines that write
// WAV are measured exactly from that file, mostly unpaced; the others are timed
// in real time through a private speech-dispatcher whose sink is recorded. An
// engine whose server cannot be started here is skipped with the reason.
#include "EngineRows.h"
#include "LoadedEngine.h"

#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>
#include <thread>

using namespace std::chrono_literals;

namespace {

constexpr int Catalan = 99;
constexpr int Spanish = 101;
const char *const CatalanSentence = "Bon dia, avui fa sol i anem tots junts a la platja.";
// Numbers are read quite differently by the two languages' rules (about a
// fifth longer in Spanish), which makes the language audible in the length alone.
const char *const LanguageProbe = "El 1997, el 1998 i el 1999.";

QString figures(const QList<double> &values) {
    QStringList parts;
    for (double value : values)
        parts << QString::number(value, 'f', 3);
    return parts.join(QStringLiteral(", "));
}

} // namespace

// Loads the row's engine as `engine`, or skips the row when its server is missing.
#define LOAD_ENGINE(engine, wavName, pace)                                                         \
    FETCH_ENGINE_OR_SKIP(kind, m_contract);                                                        \
    LoadedEngine engine(kind, m_dir.filePath(QStringLiteral(wavName)), pace,                       \
                        m_contract.server.get());                                                  \
    QVERIFY(engine.isLoaded())

class TestEngineContract : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    ContractServer m_contract;

private slots:
    void initTestCase();

    void everyVoiceSpeaks_data();
    void everyVoiceSpeaks();
    void freshLibrarySpeaksCatalanAndLanguageCodesSwitch_data() { addOneRowPerEngine(); }
    void freshLibrarySpeaksCatalanAndLanguageCodesSwitch();
    void secondSpeakerHasAHigherVoice_data() { addOneRowPerEngine(); }
    void secondSpeakerHasAHigherVoice();
    void speedChangesThePace_data();
    void speedChangesThePace();
    void outOfRangeSpeedsAreClamped_data();
    void outOfRangeSpeedsAreClamped();
    void equivalentTextsLastAlike_data();
    void equivalentTextsLastAlike();
    void queuedTextsAreAllSpoken_data() { addOneRowPerEngine(); }
    void queuedTextsAreAllSpoken();
    void textsWithNothingToSayEndAtOnce_data();
    void textsWithNothingToSayEndAtOnce();
    void stopSilencesAndDiscards_data();
    void stopSilencesAndDiscards();
    void statusLastsAsLongAsTheAudio_data() { addOneRowPerEngine(); }
    void statusLastsAsLongAsTheAudio();
};

void TestEngineContract::initTestCase() {
    QVERIFY(m_dir.isValid());
    m_contract.startIfNeeded();
}

void TestEngineContract::everyVoiceSpeaks_data() {
    addEngineRows(
        [] {
            QTest::addColumn<int>("language"); // -1: no call, as after a fresh load
            QTest::addColumn<int>("speaker");
            QTest::addColumn<QByteArray>("text");
        },
        [](const EngineKind &, auto row) {
            const QByteArray spanish("Buenos d\xC3\xAD"
                                     "as, hoy hace sol y vamos todos juntos a la playa.");
            row(QStringLiteral("fresh library")) << -1 << -1 << QByteArray(CatalanSentence);
            row(QStringLiteral("Catalan, speaker 0"))
                << Catalan << 0 << QByteArray(CatalanSentence);
            row(QStringLiteral("Catalan, speaker 1"))
                << Catalan << 1 << QByteArray(CatalanSentence);
            row(QStringLiteral("Spanish, speaker 0")) << Spanish << 0 << spanish;
            row(QStringLiteral("Spanish, speaker 1")) << Spanish << 1 << spanish;
        });
}

void TestEngineContract::everyVoiceSpeaks() {
    QFETCH(int, language);
    QFETCH(int, speaker);
    QFETCH(QByteArray, text);
    LOAD_ENGINE(engine, "voices.wav", Pace::Unpaced);
    if (language >= 0)
        QCOMPARE(engine.setLanguage(language), 0);
    if (speaker >= 0)
        QCOMPARE(engine.setSpeaker(speaker), 0);
    const size_t before = engine.audio().samples.size();
    const double seconds = engine.spokenSeconds(text.constData());
    const Audio audio = engine.audio();
    QVERIFY(audio.valid);
    QVERIFY2(audio.rate >= 8000 && audio.rate <= 48000, qPrintable(QString::number(audio.rate)));
    const double sounding = audio.soundingSeconds(before);
    QVERIFY2(seconds > 1.5 && seconds < 15 && sounding > 0.6 * seconds,
             qPrintable(figures({seconds, sounding})));
    QVERIFY2(audio.peak(before) > 5000, qPrintable(QString::number(audio.peak(before))));
    if (engine.measuresExactly())
        QVERIFY2(audio.rms(before) > 500, qPrintable(QString::number(audio.rms(before))));
}

void TestEngineContract::freshLibrarySpeaksCatalanAndLanguageCodesSwitch() {
    LOAD_ENGINE(engine, "languages.wav", Pace::Unpaced);
    const double fresh = engine.spokenSeconds(LanguageProbe);
    QCOMPARE(engine.setLanguage(Catalan), 0);
    QCOMPARE(engine.setSpeaker(0), 0);
    QCOMPARE(engine.setSpeed(140), 0);
    const double catalan = engine.spokenSeconds(LanguageProbe);
    QCOMPARE(engine.setLanguage(Spanish), 0);
    const double spanish = engine.spokenSeconds(LanguageProbe);
    QCOMPARE(engine.setLanguage(42), -1);
    const double stillSpanish = engine.spokenSeconds(LanguageProbe);
    QCOMPARE(engine.setLanguage(Catalan), 0);
    const double catalanAgain = engine.spokenSeconds(LanguageProbe);

    const QString all = figures({fresh, catalan, spanish, stillSpanish, catalanAgain});
    QVERIFY2(catalan > 1 && engine.near(fresh, catalan, 0.02), qPrintable(all));
    QVERIFY2(std::abs(spanish - catalan) > 0.1 * catalan, qPrintable(all));
    QVERIFY2(engine.near(stillSpanish, spanish, 0.02), qPrintable(all));
    QVERIFY2(engine.near(catalanAgain, catalan, 0.02), qPrintable(all));
}

void TestEngineContract::secondSpeakerHasAHigherVoice() {
    LOAD_ENGINE(engine, "speakers.wav", Pace::Unpaced);
    for (const int language : {Catalan, Spanish}) {
        QCOMPARE(engine.setLanguage(language), 0);
        QList<double> pitches;
        for (const int speaker : {0, 1, 2}) {
            QCOMPARE(engine.setSpeaker(speaker), speaker == 2 ? -1 : 0); // 2 keeps speaker 1
            const size_t before = engine.audio().samples.size();
            QVERIFY(engine.spokenSeconds(CatalanSentence) > 1);
            pitches.push_back(medianPitch(engine.audio(), before));
        }
        const QString all =
            QStringLiteral("language %1: %2 Hz").arg(language).arg(figures(pitches));
        QVERIFY2(pitches[0] > 50 && pitches[1] > 1.25 * pitches[0], qPrintable(all));
        QVERIFY2(pitches[2] > 1.25 * pitches[0], qPrintable(all));
    }
}

void TestEngineContract::speedChangesThePace_data() {
    addEngineRows(
        [] {
            QTest::addColumn<int>("slower");
            QTest::addColumn<int>("faster");
            QTest::addColumn<double>("minimumRatio");
        },
        [](const EngineKind &kind, auto row) {
            // Measured exactly, every step of 10 must lengthen running text by 3 %
            // (room for jitter in a 7-10 % step). Timed in real time, the steps are
            // checked in wider strides that the timing cannot blur.
            const int stride = kind.writesWav ? 10 : 50;
            for (int speed = 10; speed < 300; speed += stride) {
                const int next = std::min(speed + stride, 300);
                row(QStringLiteral("%1 then %2").arg(speed).arg(next))
                    << speed << next << (kind.writesWav ? 1.03 : 1.1);
            }
            // Through a server the voice's own rate scale decides how far
            // apart these are; they must still be far apart.
            const bool exact = kind.writesWav;
            row(QStringLiteral("60 is much slower than 140")) << 60 << 140 << (exact ? 1.5 : 1.3);
            row(QStringLiteral("250 is much faster than 140")) << 140 << 250 << (exact ? 1.6 : 1.4);
            row(QStringLiteral("10 is the slowest by far")) << 10 << 60 << (exact ? 1.3 : 1.15);
        });
}

void TestEngineContract::speedChangesThePace() {
    QFETCH(int, slower);
    QFETCH(int, faster);
    QFETCH(double, minimumRatio);
    LOAD_ENGINE(engine, "speeds.wav", Pace::Unpaced);
    QCOMPARE(engine.setSpeed(slower), 0);
    const double slow = engine.spokenSeconds(CatalanSentence);
    QCOMPARE(engine.setSpeed(faster), 0);
    const double fast = engine.spokenSeconds(CatalanSentence);
    QVERIFY2(
        fast > 0.5 && slow > minimumRatio * fast,
        qPrintable(
            QStringLiteral("%1 s at %2, %3 s at %4").arg(slow).arg(slower).arg(fast).arg(faster)));
}

void TestEngineContract::outOfRangeSpeedsAreClamped_data() {
    addEngineRows(
        [] {
            QTest::addColumn<int>("given");
            QTest::addColumn<int>("sameAs");
        },
        [](const EngineKind &, auto row) {
            row(QStringLiteral("0")) << 0 << 10;
            row(QStringLiteral("negative")) << -50 << 10;
            row(QStringLiteral("smallest int")) << std::numeric_limits<int>::min() << 10;
            row(QStringLiteral("310")) << 310 << 300;
            row(QStringLiteral("largest int")) << std::numeric_limits<int>::max() << 300;
        });
}

void TestEngineContract::outOfRangeSpeedsAreClamped() {
    QFETCH(int, given);
    QFETCH(int, sameAs);
    LOAD_ENGINE(engine, "clamp.wav", Pace::Unpaced);
    const char *const text = "Bon dia a tothom, fins aviat.";
    QCOMPARE(engine.setSpeed(given), 0);
    const double clamped = engine.spokenSeconds(text);
    QCOMPARE(engine.setSpeed(sameAs), 0);
    const double limit = engine.spokenSeconds(text);
    QVERIFY2(limit > 0.5 && engine.near(clamped, limit, 0.02),
             qPrintable(figures({clamped, limit})));
}

void TestEngineContract::equivalentTextsLastAlike_data() {
    addEngineRows(
        [] {
            QTest::addColumn<QByteArray>("first");
            QTest::addColumn<QByteArray>("second");
            QTest::addColumn<double>("minimumRatio");
            QTest::addColumn<double>("maximumRatio");
        },
        [](const EngineKind &, auto row) {
            const QByteArray euro1252("Catal\xE0 costa 5 \x80.");
            row(QStringLiteral("Windows-1252 and UTF-8 euro"))
                << euro1252 << QByteArray("Catal\xC3\xA0 costa 5 \xE2\x82\xAC.") << 0.97 << 1.03;
            row(QStringLiteral("Windows-1252 and UTF-8 quotes"))
                << QByteArray("\x93Qu\xE8 fas?\x94, va dir.")
                << QByteArray("\xE2\x80\x9CQu\xC3\xA8 fas?\xE2\x80\x9D, va dir.") << 0.97 << 1.03;
            row(QStringLiteral("the euro sign is spoken"))
                << euro1252 << QByteArray("Catal\xE0 costa 5 .") << 1.1 << 10.0;
            row(QStringLiteral("a NUL byte ends the text"))
                << QByteArray("Hola a tothom.\0 Aquesta part no es diu mai, de cap manera.", 58)
                << QByteArray("Hola a tothom.") << 0.97 << 1.03;
        });
}

void TestEngineContract::equivalentTextsLastAlike() {
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    QFETCH(double, minimumRatio);
    QFETCH(double, maximumRatio);
    LOAD_ENGINE(engine, "texts.wav", Pace::Unpaced);
    const double a = engine.spokenSeconds(first.constData());
    const double b = engine.spokenSeconds(second.constData());
    // Timed in real time, a fixed share of a second of jitter either way.
    const double slack = engine.measuresExactly() ? 0 : 0.25;
    QVERIFY2(b > 0.3 && a >= minimumRatio * b - slack && a <= maximumRatio * b + slack,
             qPrintable(figures({a, b})));
}

void TestEngineContract::queuedTextsAreAllSpoken() {
    LOAD_ENGINE(engine, "queue.wav", Pace::Unpaced);
    const double first = engine.spokenSeconds("Bon dia.");
    const double second = engine.spokenSeconds(CatalanSentence);
    const size_t before = engine.audio().samples.size();
    QCOMPARE(engine.read("Bon dia."), 0);
    QCOMPARE(engine.read(CatalanSentence), 0);
    QVERIFY(engine.waitIdle());
    const Audio audio = engine.audio();
    const double both =
        engine.measuresExactly() ? audio.seconds(before) : audio.voicedSeconds(before);
    QVERIFY2(first > 0.3 && engine.near(both, first + second, 0.03),
             qPrintable(figures({first, second, both})));
}

void TestEngineContract::textsWithNothingToSayEndAtOnce_data() {
    addEngineRows([] { QTest::addColumn<QByteArray>("text"); },
                  [](const EngineKind &, auto row) {
                      row(QStringLiteral("empty")) << QByteArray("");
                      row(QStringLiteral("one blank")) << QByteArray(" ");
                      row(QStringLiteral("blanks and line ends")) << QByteArray("  \t\r\n ");
                      row(QStringLiteral("undefined Windows-1252 bytes"))
                          << QByteArray("\x81\x8D\x8F");
                  });
}

void TestEngineContract::textsWithNothingToSayEndAtOnce() {
    QFETCH(QByteArray, text);
    LOAD_ENGINE(engine, "nothing.wav", Pace::RealTime);
    const size_t before = engine.audio().samples.size();
    QCOMPARE(engine.read(text.constData()), 0);
    QVERIFY(engine.waitIdle());
    QCOMPARE(engine.audio().soundingSeconds(before), 0.0);
    QCOMPARE(engine.read(nullptr), -1);
    QCOMPARE(engine.status(0), 0);
}

void TestEngineContract::stopSilencesAndDiscards_data() {
    addEngineRows([] { QTest::addColumn<int>("delayMs"); },
                  [](const EngineKind &, auto row) {
                      row(QStringLiteral("right after reading")) << 0;
                      row(QStringLiteral("after 300 ms")) << 300;
                      row(QStringLiteral("after a second")) << 1000;
                  });
}

void TestEngineContract::stopSilencesAndDiscards() {
    QFETCH(int, delayMs);
    LOAD_ENGINE(engine, "stop.wav", Pace::RealTime);
    QCOMPARE(engine.stop(), 0); // harmless when silent, twice too
    QCOMPARE(engine.stop(), 0);
    QCOMPARE(engine.status(0), 0);
    const char *const farewell = "Fins aviat.";
    const double whole = engine.spokenSeconds(farewell);

    QByteArray book;
    for (int i = 0; i < 12; ++i)
        book += CatalanSentence + QByteArray(" ");
    const size_t bookStart = engine.audio().samples.size();
    const auto readAt = std::chrono::steady_clock::now();
    QCOMPARE(engine.read(book.constData()), 0);
    QCOMPARE(engine.read(farewell), 0); // queued behind: discarded too
    QVERIFY(engine.status(0) != 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - readAt;
    QCOMPARE(engine.stop(), 0);
    QCOMPARE(engine.status(0), 0);
    const Audio stopped = engine.audio();
    QVERIFY(stopped.valid);
    // About 40 s of text; a stop leaves what was played plus a chunk or two.
    const double bookSeconds = stopped.soundingSeconds(bookStart);
    QVERIFY2(bookSeconds < elapsed.count() + 1.0,
             qPrintable(figures({bookSeconds, elapsed.count()})));
    std::this_thread::sleep_for(300ms);
    const Audio later = engine.audio();
    QCOMPARE(later.soundingSeconds(stopped.samples.size()), 0.0); // nothing sounds after
    if (kind.writesWav)
        QCOMPARE(later.samples.size(), stopped.samples.size()); // nor is written
    QCOMPARE(engine.status(0), 0);
    QCOMPARE(engine.stop(), 0);

    const double after = engine.spokenSeconds(farewell); // spoken whole, nothing left over
    QVERIFY2(whole > 0.3 && engine.near(after, whole, 0.03), qPrintable(figures({whole, after})));
}

void TestEngineContract::statusLastsAsLongAsTheAudio() {
    LOAD_ENGINE(engine, "status.wav", Pace::Default); // real time unless told otherwise
    const size_t before = engine.audio().samples.size();
    const auto start = std::chrono::steady_clock::now();
    QCOMPARE(engine.read(CatalanSentence), 0);
    QVERIFY(engine.status(0) != 0);
    QVERIFY(engine.waitIdle());
    const std::chrono::duration<double> busy = std::chrono::steady_clock::now() - start;
    const double audio = engine.audio().soundingSeconds(before);
    QVERIFY2(audio > 1.5 && busy.count() >= 0.95 * audio,
             qPrintable(figures({busy.count(), audio})));
}

QTEST_GUILESS_MAIN(TestEngineContract)
#include "tst_engine_contract.moc"
