// The espeak-ng engine's own parts: text decoding, its pace mapping, the WAV
// writer and its WAV output. The contract it keeps with every other engine is
// tested in tst_engine_contract.cpp.
#include "Engines.h"
#include "LoadedEngine.h"
#include "SpeedMapping.h"
#include "TextDecoding.h"
#include "WavAudio.h"
#include "WavWriter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <vector>

using namespace std::chrono_literals;

namespace {
const char *const CatalanSentence = "Bon dia, avui fa sol i anem tots junts a la platja.";
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

    void unwritableWavFileStillPacesTheStatus();
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
    QTest::newRow("byte-order mark not spoken")
        << QByteArray("\xEF\xBB\xBFHola.") << QByteArray("Hola.");
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
    Audio wav = readWav(path);
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

void TestEspeakEngine::unwritableWavFileStillPacesTheStatus() {
    const QString path = m_dir.filePath(QStringLiteral("no-such-folder/out.wav"));
    const EngineKind espeak{QStringLiteral("espeak"), espeakEnginePath(), true, false};
    LoadedEngine engine(espeak, path, Pace::RealTime, nullptr);
    QVERIFY(engine.isLoaded());
    const auto start = std::chrono::steady_clock::now();
    QCOMPARE(engine.read(CatalanSentence), 0);
    QVERIFY(engine.status(0) != 0);
    QVERIFY(engine.waitIdle());
    // The sentence lasts about 3 s; with nowhere to write, time still passes.
    QVERIFY(std::chrono::steady_clock::now() - start >= 1500ms);
    QVERIFY(!QFile::exists(path));
}

QTEST_GUILESS_MAIN(TestEspeakEngine)
#include "tst_espeak_engine.moc"
