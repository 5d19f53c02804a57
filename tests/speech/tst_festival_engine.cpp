// What the Festival engine adds to the contract every engine keeps (that one is
// tst_engine_contract): Catalan read piece by piece without gaps, and a missing
// voice leaving Catalan silent while Spanish, through espeak-ng, still speaks.
#include "ClauseSplitter.h"
#include "Engines.h"
#include "LoadedEngine.h"
#include "PieceAudio.h"
#include "StderrCapture.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

namespace {

constexpr int Spanish = 101;
const char *const VoiceFolder = "/usr/share/festival/voices/catalan/upc_ca_ona_hts";

// The longest run of 10 ms frames without sound between the first and the last
// sound of `audio`, in milliseconds.
int longestInnerSilenceMs(const Audio &audio) {
    const size_t frame = size_t(audio.rate / 100);
    int longest = 0, run = 0;
    bool sounded = false;
    for (size_t start = 0; start + frame <= audio.samples.size(); start += frame) {
        bool sound = false;
        for (size_t i = start; i < start + frame && !sound; ++i)
            sound = std::abs(int(audio.samples[i])) >= upctv::SoundLevel;
        if (sound) {
            if (sounded)
                longest = std::max(longest, run);
            sounded = true;
            run = 0;
        } else {
            run += 10;
        }
    }
    return longest;
}

} // namespace

class TestFestivalEngine : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    EngineKind m_kind;

private slots:
    void initTestCase();
    // First: Festival is set up once per process, and this load must find it unset.
    void missingVoiceLeavesCatalanSilent();
    void piecesJoinWithoutGaps_data();
    void piecesJoinWithoutGaps();
};

void TestFestivalEngine::initTestCase() {
    QVERIFY(m_dir.isValid());
    for (const EngineKind &kind : builtEngines()) {
        if (kind.name == QStringLiteral("festival"))
            m_kind = kind;
    }
    if (m_kind.library.isEmpty())
        QSKIP("the Festival engine is not built (festival-dev missing)");
    if (!QDir(QString::fromLatin1(VoiceFolder)).exists())
        QSKIP("the Festival voice upc_ca_ona_hts is missing (festvox-ca-ona-hts)");
}

void TestFestivalEngine::missingVoiceLeavesCatalanSilent() {
    qputenv("UPCTV_FESTIVAL_VOICE", "zelvora_missing_hts");
    StderrCapture capture(m_dir.filePath(QStringLiteral("stderr.txt")));
    {
        LoadedEngine engine(m_kind, m_dir.filePath(QStringLiteral("missing.wav")), Pace::Unpaced,
                            nullptr);
        qunsetenv("UPCTV_FESTIVAL_VOICE");
        QVERIFY(engine.isLoaded());
        QCOMPARE(engine.read("Bon dia, avui fa sol."), 0);
        QVERIFY(engine.waitIdle());
        QCOMPARE(engine.audio().samples.size(), size_t(0));
        QCOMPARE(engine.setLanguage(Spanish), 0);
        QVERIFY(engine.spokenSeconds("Buenos d\xC3\xAD"
                                     "as a todos.") > 0.5);
    }
    const QByteArray said = capture.release();
    QCOMPARE(said.count('\n'), 1);
    QVERIFY2(said.contains("zelvora_missing_hts"), said.constData());

    // The next load, with the voice, finds it.
    LoadedEngine engine(m_kind, m_dir.filePath(QStringLiteral("found.wav")), Pace::Unpaced,
                        nullptr);
    QVERIFY(engine.spokenSeconds("Bon dia.") > 0.3);
}

void TestFestivalEngine::piecesJoinWithoutGaps_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("speed");
    QTest::addColumn<int>("longestSilenceMs");
    // Pieces cut between words follow on with no pause; at a comma the pause is
    // the one Festival makes inside a sentence, plus the margins.
    const int clause = upctv::ClausePauseMs + 2 * upctv::MarginMs + 40;
    const QByteArray unpunctuated(
        "Els pescadors van tornar al port amb les barques plenes de peix mentre les dones "
        "els esperaven a la platja amb llums grocs i els nens corrien entre les xarxes "
        "que s'assecaven al sol de la tarda.");
    QTest::newRow("one long clause") << unpunctuated << 140 << 120;
    QTest::newRow("one long clause, slowest") << unpunctuated << 10 << 250;
    QTest::newRow("clauses") << QByteArray("Quan la nit va caure sobre el poble, els pescadors "
                                           "van tornar; les dones els esperaven, i els nens "
                                           "corrien.")
                             << 140 << clause;
}

void TestFestivalEngine::piecesJoinWithoutGaps() {
    QFETCH(QByteArray, text);
    QFETCH(int, speed);
    QFETCH(int, longestSilenceMs);
    QVERIFY(upctv::splitIntoPieces(text.toStdString()).size() >= 3);
    LoadedEngine engine(m_kind, m_dir.filePath(QStringLiteral("pieces.wav")), Pace::Unpaced,
                        nullptr);
    QCOMPARE(engine.setSpeed(speed), 0);
    QVERIFY(engine.spokenSeconds(text.constData()) > 3);
    const int silence = longestInnerSilenceMs(engine.audio());
    QVERIFY2(silence <= longestSilenceMs, qPrintable(QString::number(silence)));
}

QTEST_GUILESS_MAIN(TestFestivalEngine)
#include "tst_festival_engine.moc"
