// The player of recorded books on the WAV output: which samples of which files
// are heard, in what order, a stop, and the tempo.
#include "BookMaker.h"
#include "RecordingPlayer.h"
#include "TempoScale.h"
#include "WavAudio.h"
#include "WavWriter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <cmath>

namespace {

constexpr int Rate = 16000;

// Files of one second whose every sample tells where it lies, so that what is
// heard can be matched sample for sample; and two seconds of a 200 Hz tone.
int16_t sampleOf(char file, int i) {
    return int16_t(file == 'A' ? i - 8000 : 7999 - i);
}

std::vector<int16_t> tone(int seconds) {
    std::vector<int16_t> samples(size_t(Rate * seconds));
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = int16_t(8000 * std::sin(2 * M_PI * 200 * double(i) / Rate));
    return samples;
}

int at(qint64 ms) {
    return int(ms * Rate / 1000);
}

} // namespace

class TestRecordingPlayer : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }
    // "A:100-300" (a file, its clip in ms; "Z" is A inside a zip, "M" missing).
    AudioClip clip(const QString &text) const;
    Audio play(const QList<PhraseAudio> &phrases, double tempo, bool paced = false);

private slots:
    void initTestCase();
    void clipsAreHeardInOrderWithTheirBounds_data();
    void clipsAreHeardInOrderWithTheirBounds();
    void stopFallsSilentAtOnce();
    void tempoChangesLengthNotPitch_data();
    void tempoChangesLengthNotPitch();
};

void TestRecordingPlayer::initTestCase() {
    QVERIFY(m_dir.isValid());
    for (char file : {'A', 'B'}) {
        std::vector<int16_t> samples(Rate);
        for (int i = 0; i < Rate; ++i)
            samples[size_t(i)] = sampleOf(file, i);
        upctv::WavWriter writer;
        QVERIFY(writer.open(path(QStringLiteral("%1.wav").arg(file)).toStdString(), Rate));
        QVERIFY(writer.append(samples.data(), samples.size()));
    }
    upctv::WavWriter writer;
    QVERIFY(writer.open(path(QStringLiteral("tone.wav")).toStdString(), Rate));
    const std::vector<int16_t> samples = tone(2);
    QVERIFY(writer.append(samples.data(), samples.size()));
    writer.close();
    QFile a(path(QStringLiteral("A.wav")));
    QVERIFY(a.open(QIODevice::ReadOnly));
    QVERIFY(BookMaker::writeZip(path(QStringLiteral("book.zip")), {{"audio/a.wav", a.readAll()}}));
}

AudioClip TestRecordingPlayer::clip(const QString &text) const {
    const QStringList parts = text.split(QLatin1Char(':'));
    const QStringList times = parts[1].split(QLatin1Char('~'));
    AudioClip clip{QString(), path(parts[0] + QStringLiteral(".wav")), times[0].toLongLong(),
                   times[1].toLongLong()};
    if (parts[0] == QLatin1String("Z"))
        clip = {path(QStringLiteral("book.zip")), QStringLiteral("audio/a.wav"), clip.beginMs,
                clip.endMs};
    return clip;
}

Audio TestRecordingPlayer::play(const QList<PhraseAudio> &phrases, double tempo, bool paced) {
    const QString out = path(QStringLiteral("out.wav"));
    std::atomic<int> notices{0};
    {
        upctv::RecordingPlayer player({out.toStdString(), paced}, [&notices] { ++notices; });
        player.setTempo(tempo);
        for (const PhraseAudio &phrase : phrases) {
            player.play(phrase);
            if (!QTest::qWaitFor([&player] { return !player.isBusy(); }, 30000))
                return {};
        }
        QTest::qWait(100); // the last sound plays out
    }
    if (notices != phrases.size())
        return {};
    return readWav(out);
}

void TestRecordingPlayer::clipsAreHeardInOrderWithTheirBounds_data() {
    // Phrases separated by "|", clips by blanks, times in ms ("~" between them);
    // then the stretches of A and B that must be heard, one after another.
    QTest::addColumn<QString>("phrases");
    QTest::addColumn<QString>("heard");
    QTest::newRow("consecutive clips of a file") << "A:100~300 A:300~500"
                                                 << "A:100~500";
    QTest::newRow("clips in the phrase's order") << "B:0~200 A:700~800"
                                                 << "B:0~200 A:700~800";
    QTest::newRow("the next phrase continues the file") << "A:0~100|A:100~250"
                                                        << "A:0~250";
    QTest::newRow("to the end of the file") << "B:950~-1"
                                            << "B:950~1000";
    QTest::newRow("from a zip") << "Z:200~250"
                                << "A:200~250";
    QTest::newRow("unplayable clips are skipped")
        << "M:0~100 A:900~1200 A:2000~3000 A:500~500 A:400~300|M:0~50|B:100~150"
        << "A:900~1000 B:100~150";
}

void TestRecordingPlayer::clipsAreHeardInOrderWithTheirBounds() {
    QFETCH(QString, phrases);
    QFETCH(QString, heard);
    QList<PhraseAudio> played;
    for (const QString &phrase : phrases.split(QLatin1Char('|'))) {
        PhraseAudio clips;
        for (const QString &text : phrase.split(QLatin1Char(' ')))
            clips.push_back(clip(text));
        played.append(clips);
    }
    std::vector<int16_t> expected;
    for (const QString &text : heard.split(QLatin1Char(' '))) {
        const AudioClip stretch = clip(text);
        const char file = text.at(0).toLatin1();
        for (int i = at(stretch.beginMs); i < at(stretch.endMs); ++i)
            expected.push_back(sampleOf(file, i));
    }
    const Audio audio = play(played, 1.0);
    QVERIFY(audio.valid);
    QCOMPARE(audio.samples.size(), expected.size());
    QVERIFY(audio.samples == expected);
}

void TestRecordingPlayer::stopFallsSilentAtOnce() {
    const QString out = path(QStringLiteral("out.wav"));
    upctv::RecordingPlayer player({out.toStdString(), true}, nullptr);
    player.play({clip(QStringLiteral("A:0~1000")), clip(QStringLiteral("B:0~1000"))});
    QVERIFY(QTest::qWaitFor([&] { return readWav(out).seconds() >= 0.3; }, 30000));
    player.stop();
    QVERIFY(!player.isBusy());
    const double heard = readWav(out).seconds();
    QTest::qWait(300);
    QCOMPARE(readWav(out).seconds(), heard);
    QVERIFY(heard < 1.5);
}

void TestRecordingPlayer::tempoChangesLengthNotPitch_data() {
    // The reader's speed, and the bounds of how long two seconds then last.
    QTest::addColumn<int>("speed");
    QTest::addColumn<double>("shortest");
    QTest::addColumn<double>("longest");
    QTest::newRow("default speed 140: as recorded") << 140 << 1.95 << 2.05;
    QTest::newRow("fastest speed 250: at least 2.5 times") << 250 << 0.4 << 0.8;
    QTest::newRow("slowest speed 10: at most 0.6 times") << 10 << 3.33 << 8.0;
}

void TestRecordingPlayer::tempoChangesLengthNotPitch() {
    QFETCH(int, speed);
    QFETCH(double, shortest);
    QFETCH(double, longest);
    const Audio audio =
        play({{clip(QStringLiteral("tone:0~1000")), clip(QStringLiteral("tone:1000~2000"))}},
             upctv::tempoForSpeed(speed));
    QVERIFY(audio.valid);
    QVERIFY2(audio.seconds() >= shortest && audio.seconds() <= longest,
             qPrintable(QString::number(audio.seconds())));
    QVERIFY(std::abs(medianPitch(audio, 0) - 200) < 20);
}

QTEST_GUILESS_MAIN(TestRecordingPlayer)
#include "tst_recordingplayer.moc"
