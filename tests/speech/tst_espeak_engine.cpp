// The espeak-ng engine, libupctv.so, loaded by path as the program loads it and
// always writing to a temporary WAV file, so no test touches an audio device.
// Most tests let the file fill as fast as synthesis runs (UPCTV_WAV_PACE=0) and
// compare lengths of audio; the ones about stopping and status run in real time.
#include "LoadedEngine.h"
#include "SpeedMapping.h"
#include "TextDecoding.h"
#include "WavWriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <dlfcn.h>
#include <limits>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

constexpr int Catalan = 99;
constexpr int Spanish = 101;
const char *const CatalanSentence = "Bon dia, avui fa sol i anem tots junts a la platja.";
// Spoken quite differently by the two languages' rules, which makes the
// language audible in the length alone.
const char *const LanguageProbe = "Joan, l'\xC3\xA0via ha fet coca de Sant Joan.";

// Median fundamental frequency of the voiced 40 ms frames, by autocorrelation.
double medianPitch(const Wav &wav, size_t from) {
    const int frame = wav.rate / 25;
    const int minLag = wav.rate / 400, maxLag = wav.rate / 60;
    std::vector<double> pitches;
    for (size_t at = from; at + frame + maxLag < wav.samples.size(); at += frame) {
        const int16_t *x = wav.samples.data() + at;
        double energy = 0;
        for (int i = 0; i < frame; ++i)
            energy += double(x[i]) * x[i];
        if (std::sqrt(energy / frame) < 1500)
            continue;
        int bestLag = 0;
        double best = 0;
        for (int lag = minLag; lag <= maxLag; ++lag) {
            double c = 0;
            for (int i = 0; i < frame; ++i)
                c += double(x[i]) * x[i + lag];
            if (c > best)
                best = c, bestLag = lag;
        }
        if (bestLag > 0 && best > 0.5 * energy)
            pitches.push_back(double(wav.rate) / bestLag);
    }
    if (pitches.empty())
        return 0;
    std::nth_element(pitches.begin(), pitches.begin() + pitches.size() / 2, pitches.end());
    return pitches[pitches.size() / 2];
}

long residentKilobytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

qsizetype threadCount() {
    return QDir(QStringLiteral("/proc/self/task"))
        .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
        .size();
}

bool engineIsMapped() {
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libupctv");
}

} // namespace

class TestEspeakEngine : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString wavPath(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void textIsDecodedToUtf8_data();
    void textIsDecodedToUtf8();
    void speedMapsMonotonicallyToEspeakPace();
    void wavHeaderStaysValidWhileItGrows();

    void everyVoiceSpeaks_data();
    void everyVoiceSpeaks();
    void freshLibrarySpeaksCatalanAndLanguageCodesSwitch();
    void secondSpeakerHasAHigherVoice();
    void speedChangesThePace_data();
    void speedChangesThePace();
    void outOfRangeSpeedsAreClamped_data();
    void outOfRangeSpeedsAreClamped();
    void equivalentTextsLastAlike_data();
    void equivalentTextsLastAlike();
    void queuedTextsAreAllSpoken();
    void textsWithNothingToSayEndAtOnce_data();
    void textsWithNothingToSayEndAtOnce();
    void stopSilencesAndDiscards_data();
    void stopSilencesAndDiscards();
    void statusLastsAsLongAsTheAudio();
    void unwritableWavFileStillPacesTheStatus();
    void loadSpeakUnloadManyTimes();
};

void TestEspeakEngine::textIsDecodedToUtf8_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("utf8");
    QTest::newRow("plain ASCII") << QByteArray("Hola.") << QByteArray("Hola.");
    QTest::newRow("valid UTF-8 is kept")
        << QByteArray("Catal\xC3\xA0 5 \xE2\x82\xAC") << QByteArray("Catal\xC3\xA0 5 \xE2\x82\xAC");
    QTest::newRow("four-byte UTF-8")
        << QByteArray("\xF0\x9F\x98\x80") << QByteArray("\xF0\x9F\x98\x80");
    QTest::newRow("euro sign") << QByteArray("5 \x80") << QByteArray("5 \xE2\x82\xAC");
    QTest::newRow("curly quotes and ellipsis")
        << QByteArray("\x93hola\x94\x85") << QByteArray("\xE2\x80\x9Chola\xE2\x80\x9D\xE2\x80\xA6");
    QTest::newRow("Latin-1 letters")
        << QByteArray("Catal\xE0 \xD1") << QByteArray("Catal\xC3\xA0 \xC3\x91");
    QTest::newRow("one bad byte makes it all Windows-1252")
        << QByteArray("\xC3\xA0 \x80") << QByteArray("\xC3\x83\xC2\xA0 \xE2\x82\xAC");
    QTest::newRow("overlong form") << QByteArray("\xC0\xAF") << QByteArray("\xC3\x80\xC2\xAF");
    QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80")
                               << QByteArray("\xC3\xAD\xC2\xA0\xE2\x82\xAC");
    QTest::newRow("past U+10FFFF")
        << QByteArray("\xF4\x90\x80\x80") << QByteArray("\xC3\xB4 \xE2\x82\xAC\xE2\x82\xAC");
    QTest::newRow("truncated at the end")
        << QByteArray("abc\xE2\x82") << QByteArray("abc\xC3\xA2\xE2\x80\x9A");
    QTest::newRow("undefined bytes become blanks") << QByteArray("a\x81"
                                                                 "b\x8D\x8F\x90\x9D")
                                                   << QByteArray("a b    ");
    QTest::newRow("empty") << QByteArray() << QByteArray();
}

void TestEspeakEngine::textIsDecodedToUtf8() {
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, utf8);
    const std::string decoded =
        upctv::textToUtf8(std::string_view(bytes.constData(), bytes.size()));
    QCOMPARE(QByteArray::fromStdString(decoded), utf8);
    QVERIFY(upctv::isValidUtf8(decoded));
}

void TestEspeakEngine::speedMapsMonotonicallyToEspeakPace() {
    QCOMPARE(upctv::paceForSpeed(140).rate, 140);
    QCOMPARE(upctv::paceForSpeed(140).wordGap, 0);
    for (int speed = 20; speed <= 300; speed += 10) {
        const upctv::EspeakPace slower = upctv::paceForSpeed(speed - 10);
        const upctv::EspeakPace pace = upctv::paceForSpeed(speed);
        QVERIFY2(pace.rate >= 80 && pace.rate <= 450, qPrintable(QString::number(speed)));
        const bool faster =
            pace.rate > slower.rate || (pace.rate == slower.rate && pace.wordGap < slower.wordGap);
        QVERIFY2(faster, qPrintable(QString::number(speed)));
    }
}

void TestEspeakEngine::wavHeaderStaysValidWhileItGrows() {
    const QString path = wavPath("writer.wav");
    upctv::WavWriter writer;
    QVERIFY(writer.open(path.toStdString(), 16000));
    Wav wav = readWav(path);
    QVERIFY(wav.valid);
    QCOMPARE(wav.rate, 16000);
    QCOMPARE(wav.samples.size(), size_t(0));
    std::vector<int16_t> all;
    for (const std::vector<int16_t> &chunk :
         {std::vector<int16_t>{1, -2, 32767}, std::vector<int16_t>(1000, -32768),
          std::vector<int16_t>{12345}}) {
        QVERIFY(writer.append(chunk.data(), chunk.size()));
        all.insert(all.end(), chunk.begin(), chunk.end());
        wav = readWav(path);
        QVERIFY(wav.valid);
        QVERIFY(wav.samples == all);
    }
    QCOMPARE(writer.sampleCount(), uint64_t(all.size()));
    QVERIFY(writer.open(path.toStdString(), 22050)); // a new load starts a new file
    QCOMPARE(readWav(path).samples.size(), size_t(0));

    upctv::WavWriter nowhere;
    QVERIFY(!nowhere.open(m_dir.filePath(QStringLiteral("missing/x.wav")).toStdString(), 22050));
    QVERIFY(!nowhere.append(all.data(), all.size()));
}

void TestEspeakEngine::everyVoiceSpeaks_data() {
    QTest::addColumn<int>("language"); // -1: no call, as after a fresh load
    QTest::addColumn<int>("speaker");
    QTest::addColumn<QByteArray>("text");
    const QByteArray spanish("Buenos d\xC3\xAD"
                             "as, hoy hace sol y vamos todos juntos a la playa.");
    QTest::newRow("fresh library") << -1 << -1 << QByteArray(CatalanSentence);
    QTest::newRow("Catalan, speaker 0") << Catalan << 0 << QByteArray(CatalanSentence);
    QTest::newRow("Catalan, speaker 1") << Catalan << 1 << QByteArray(CatalanSentence);
    QTest::newRow("Spanish, speaker 0") << Spanish << 0 << spanish;
    QTest::newRow("Spanish, speaker 1") << Spanish << 1 << spanish;
}

void TestEspeakEngine::everyVoiceSpeaks() {
    QFETCH(int, language);
    QFETCH(int, speaker);
    QFETCH(QByteArray, text);
    LoadedEngine engine(wavPath("voices.wav"), Pace::Unpaced);
    QVERIFY(engine.isLoaded());
    if (language >= 0)
        QCOMPARE(engine.setLanguage(language), 0);
    if (speaker >= 0)
        QCOMPARE(engine.setSpeaker(speaker), 0);
    const double seconds = engine.spokenSeconds(text.constData());
    const Wav wav = engine.wav();
    QVERIFY(wav.valid);
    QVERIFY2(wav.rate >= 8000 && wav.rate <= 48000, qPrintable(QString::number(wav.rate)));
    QVERIFY2(seconds > 1.5 && seconds < 15, qPrintable(QString::number(seconds)));
    QVERIFY2(wav.rms() > 500, qPrintable(QString::number(wav.rms())));
    QVERIFY2(wav.peak() > 5000, qPrintable(QString::number(wav.peak())));
}

void TestEspeakEngine::freshLibrarySpeaksCatalanAndLanguageCodesSwitch() {
    LoadedEngine engine(wavPath("languages.wav"), Pace::Unpaced);
    QVERIFY(engine.isLoaded());
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

    const auto near = [](double a, double b) { return std::abs(a - b) < 0.02 * b; };
    const QString figures = QStringLiteral("fresh %1 ca %2 es %3 still %4 again %5")
                                .arg(fresh)
                                .arg(catalan)
                                .arg(spanish)
                                .arg(stillSpanish)
                                .arg(catalanAgain);
    QVERIFY2(catalan > 1 && near(fresh, catalan), qPrintable(figures));
    QVERIFY2(std::abs(spanish - catalan) > 0.06 * catalan, qPrintable(figures));
    QVERIFY2(near(stillSpanish, spanish), qPrintable(figures));
    QVERIFY2(near(catalanAgain, catalan), qPrintable(figures));
}

void TestEspeakEngine::secondSpeakerHasAHigherVoice() {
    LoadedEngine engine(wavPath("speakers.wav"), Pace::Unpaced);
    QVERIFY(engine.isLoaded());
    for (const int language : {Catalan, Spanish}) {
        QCOMPARE(engine.setLanguage(language), 0);
        std::vector<double> pitches;
        for (const int speaker : {0, 1, 2}) {
            QCOMPARE(engine.setSpeaker(speaker), speaker == 2 ? -1 : 0); // 2 keeps speaker 1
            const size_t before = engine.wav().samples.size();
            QVERIFY(engine.spokenSeconds(CatalanSentence) > 1);
            pitches.push_back(medianPitch(engine.wav(), before));
        }
        const QString figures = QStringLiteral("language %1: %2 Hz, %3 Hz, %4 Hz")
                                    .arg(language)
                                    .arg(pitches[0])
                                    .arg(pitches[1])
                                    .arg(pitches[2]);
        QVERIFY2(pitches[0] > 50 && pitches[1] > 1.25 * pitches[0], qPrintable(figures));
        QVERIFY2(pitches[2] > 1.25 * pitches[0], qPrintable(figures));
    }
}

void TestEspeakEngine::speedChangesThePace_data() {
    QTest::addColumn<int>("slower");
    QTest::addColumn<int>("faster");
    QTest::addColumn<double>("minimumRatio");
    // Every step is 7-10 % on running text; 3 % leaves room for espeak-ng's jitter.
    for (int speed = 10; speed < 300; speed += 10)
        QTest::addRow("%d then %d", speed, speed + 10) << speed << speed + 10 << 1.03;
    QTest::newRow("60 is much slower than 140") << 60 << 140 << 1.5;
    QTest::newRow("250 is much faster than 140") << 140 << 250 << 1.6;
    QTest::newRow("10 is the slowest by far") << 10 << 60 << 1.3;
}

void TestEspeakEngine::speedChangesThePace() {
    QFETCH(int, slower);
    QFETCH(int, faster);
    QFETCH(double, minimumRatio);
    LoadedEngine engine(wavPath("speeds.wav"), Pace::Unpaced);
    QVERIFY(engine.isLoaded());
    QCOMPARE(engine.setSpeed(slower), 0);
    const double slow = engine.spokenSeconds(CatalanSentence);
    QCOMPARE(engine.setSpeed(faster), 0);
    const double fast = engine.spokenSeconds(CatalanSentence);
    QVERIFY2(
        fast > 0.5 && slow > minimumRatio * fast,
        qPrintable(
            QStringLiteral("%1 s at %2, %3 s at %4").arg(slow).arg(slower).arg(fast).arg(faster)));
}

void TestEspeakEngine::outOfRangeSpeedsAreClamped_data() {
    QTest::addColumn<int>("given");
    QTest::addColumn<int>("sameAs");
    QTest::newRow("0") << 0 << 10;
    QTest::newRow("negative") << -50 << 10;
    QTest::newRow("smallest int") << std::numeric_limits<int>::min() << 10;
    QTest::newRow("310") << 310 << 300;
    QTest::newRow("largest int") << std::numeric_limits<int>::max() << 300;
}

void TestEspeakEngine::outOfRangeSpeedsAreClamped() {
    QFETCH(int, given);
    QFETCH(int, sameAs);
    LoadedEngine engine(wavPath("clamp.wav"), Pace::Unpaced);
    QVERIFY(engine.isLoaded());
    QCOMPARE(engine.setSpeed(given), 0);
    const double clamped = engine.spokenSeconds(CatalanSentence);
    QCOMPARE(engine.setSpeed(sameAs), 0);
    const double limit = engine.spokenSeconds(CatalanSentence);
    QVERIFY2(limit > 0.5 && std::abs(clamped - limit) < 0.02 * limit,
             qPrintable(QStringLiteral("%1 s and %2 s").arg(clamped).arg(limit)));
}

void TestEspeakEngine::equivalentTextsLastAlike_data() {
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<double>("minimumRatio");
    QTest::addColumn<double>("maximumRatio");
    const QByteArray euro1252("Catal\xE0 costa 5 \x80.");
    QTest::newRow("Windows-1252 and UTF-8 euro")
        << euro1252 << QByteArray("Catal\xC3\xA0 costa 5 \xE2\x82\xAC.") << 0.97 << 1.03;
    QTest::newRow("Windows-1252 and UTF-8 quotes")
        << QByteArray("\x93Qu\xE8 fas?\x94, va dir.")
        << QByteArray("\xE2\x80\x9CQu\xC3\xA8 fas?\xE2\x80\x9D, va dir.") << 0.97 << 1.03;
    QTest::newRow("the euro sign is spoken")
        << euro1252 << QByteArray("Catal\xE0 costa 5 .") << 1.1 << 10.0;
    QTest::newRow("a NUL byte ends the text")
        << QByteArray("Hola a tothom.\0 Aquesta part no es diu mai, de cap manera.", 58)
        << QByteArray("Hola a tothom.") << 0.97 << 1.03;
}

void TestEspeakEngine::equivalentTextsLastAlike() {
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    QFETCH(double, minimumRatio);
    QFETCH(double, maximumRatio);
    LoadedEngine engine(wavPath("texts.wav"), Pace::Unpaced);
    QVERIFY(engine.isLoaded());
    const double a = engine.spokenSeconds(first.constData());
    const double b = engine.spokenSeconds(second.constData());
    QVERIFY2(b > 0.3 && a >= minimumRatio * b && a <= maximumRatio * b,
             qPrintable(QStringLiteral("%1 s and %2 s").arg(a).arg(b)));
}

void TestEspeakEngine::queuedTextsAreAllSpoken() {
    LoadedEngine engine(wavPath("queue.wav"), Pace::Unpaced);
    QVERIFY(engine.isLoaded());
    const double first = engine.spokenSeconds("Bon dia.");
    const double second = engine.spokenSeconds(CatalanSentence);
    const size_t before = engine.wav().samples.size();
    QCOMPARE(engine.read("Bon dia."), 0);
    QCOMPARE(engine.read(CatalanSentence), 0);
    QVERIFY(engine.waitIdle());
    const double both = engine.wav().seconds(before);
    QVERIFY2(
        first > 0.3 && std::abs(both - (first + second)) < 0.03 * both,
        qPrintable(QStringLiteral("%1 s + %2 s, %3 s queued").arg(first).arg(second).arg(both)));
}

void TestEspeakEngine::textsWithNothingToSayEndAtOnce_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("empty") << QByteArray("");
    QTest::newRow("one blank") << QByteArray(" ");
    QTest::newRow("blanks and line ends") << QByteArray("  \t\r\n ");
    QTest::newRow("undefined Windows-1252 bytes") << QByteArray("\x81\x8D\x8F");
}

void TestEspeakEngine::textsWithNothingToSayEndAtOnce() {
    QFETCH(QByteArray, text);
    LoadedEngine engine(wavPath("nothing.wav"), Pace::RealTime);
    QVERIFY(engine.isLoaded());
    QCOMPARE(engine.read(text.constData()), 0);
    QVERIFY(engine.waitIdle(10s));
    QVERIFY(engine.wav().seconds() < 1.0);
    QCOMPARE(engine.read(nullptr), -1);
    QCOMPARE(engine.status(0), 0);
}

void TestEspeakEngine::stopSilencesAndDiscards_data() {
    QTest::addColumn<int>("delayMs");
    QTest::newRow("right after reading") << 0;
    QTest::newRow("after 300 ms") << 300;
    QTest::newRow("after a second") << 1000;
}

void TestEspeakEngine::stopSilencesAndDiscards() {
    QFETCH(int, delayMs);
    LoadedEngine engine(wavPath("stop.wav"), Pace::RealTime);
    QVERIFY(engine.isLoaded());
    QCOMPARE(engine.stop(), 0); // harmless when silent, twice too
    QCOMPARE(engine.stop(), 0);
    QCOMPARE(engine.status(0), 0);
    const char *const farewell = "Fins aviat.";
    const double whole = engine.spokenSeconds(farewell);

    QByteArray book;
    for (int i = 0; i < 12; ++i)
        book += CatalanSentence + QByteArray(" ");
    const size_t bookStart = engine.wav().samples.size();
    const auto readAt = std::chrono::steady_clock::now();
    QCOMPARE(engine.read(book.constData()), 0);
    QCOMPARE(engine.read(farewell), 0); // queued behind: discarded too
    QVERIFY(engine.status(0) != 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - readAt;
    QCOMPARE(engine.stop(), 0);
    QCOMPARE(engine.status(0), 0);
    const Wav stopped = engine.wav();
    QVERIFY(stopped.valid);
    // About 40 s of text; a stop leaves what was played plus a chunk or two.
    const double bookSeconds = stopped.seconds(bookStart);
    QVERIFY2(
        bookSeconds < elapsed.count() + 1.0,
        qPrintable(QStringLiteral("%1 s written in %2 s").arg(bookSeconds).arg(elapsed.count())));
    std::this_thread::sleep_for(300ms);
    QCOMPARE(engine.wav().samples.size(), stopped.samples.size()); // nothing written after
    QCOMPARE(engine.status(0), 0);
    QCOMPARE(engine.stop(), 0);

    const double after = engine.spokenSeconds(farewell); // spoken whole, nothing left over
    QVERIFY2(whole > 0.3 && std::abs(after - whole) < 0.03 * whole,
             qPrintable(QStringLiteral("%1 s, then %2 s").arg(whole).arg(after)));
}

void TestEspeakEngine::statusLastsAsLongAsTheAudio() {
    LoadedEngine engine(wavPath("status.wav"), Pace::Default); // real time unless told otherwise
    QVERIFY(engine.isLoaded());
    const auto start = std::chrono::steady_clock::now();
    QCOMPARE(engine.read(CatalanSentence), 0);
    QVERIFY(engine.status(0) != 0);
    QVERIFY(engine.waitIdle(30s));
    const std::chrono::duration<double> busy = std::chrono::steady_clock::now() - start;
    const double audio = engine.wav().seconds();
    QVERIFY2(
        audio > 1.5 && busy.count() >= 0.95 * audio,
        qPrintable(QStringLiteral("busy %1 s for %2 s of audio").arg(busy.count()).arg(audio)));
}

void TestEspeakEngine::unwritableWavFileStillPacesTheStatus() {
    const QString path = m_dir.filePath(QStringLiteral("no-such-folder/out.wav"));
    LoadedEngine engine(path, Pace::RealTime);
    QVERIFY(engine.isLoaded());
    const auto start = std::chrono::steady_clock::now();
    QCOMPARE(engine.read(CatalanSentence), 0);
    QVERIFY(engine.status(0) != 0);
    QVERIFY(engine.waitIdle(30s));
    // The sentence lasts about 3 s; with nowhere to write, time still passes.
    QVERIFY(std::chrono::steady_clock::now() - start >= 1500ms);
    QVERIFY(!QFile::exists(path));
}

void TestEspeakEngine::loadSpeakUnloadManyTimes() {
    // espeak-ng stays in the process after the first load, with one idle thread
    // of its own; from then on every unload must leave the same threads behind.
    qsizetype threadsAfterFirst = 0;
    long residentAtWarmUp = 0;
    const int cycles = 200;
    for (int cycle = 1; cycle <= cycles; ++cycle) {
        {
            LoadedEngine engine(wavPath("cycles.wav"), Pace::Unpaced);
            QVERIFY(engine.isLoaded());
            QCOMPARE(engine.setSpeed(10 + cycle % 30 * 10), 0);
            QCOMPARE(engine.setLanguage(cycle % 2 ? Spanish : Catalan), 0);
            QCOMPARE(engine.read("Hola."), 0);
            QVERIFY(engine.waitIdle(10s));
            QCOMPARE(engine.read(CatalanSentence), 0);
            if (cycle % 3 == 0)
                QCOMPARE(engine.stop(), 0); // else unloaded while still speaking
        }
        QVERIFY2(!engineIsMapped(), qPrintable(QString::number(cycle)));
        if (cycle == 1)
            threadsAfterFirst = threadCount();
        QCOMPARE(threadCount(), threadsAfterFirst);
        if (cycle == 20)
            residentAtWarmUp = residentKilobytes();
    }
    QVERIFY(readWav(wavPath("cycles.wav")).valid);
#if defined(__SANITIZE_ADDRESS__)
    Q_UNUSED(residentAtWarmUp);
    qInfo("resident set not compared: the sanitizer holds freed memory back");
#else
    const long growth = residentKilobytes() - residentAtWarmUp;
    QVERIFY2(growth < 8 * 1024, qPrintable(QStringLiteral("grew by %1 kB").arg(growth)));
#endif
}

QTEST_GUILESS_MAIN(TestEspeakEngine)
#include "tst_espeak_engine.moc"
