// The pause after a sentence: the espeak-ng engine ends a text that ends a
// sentence with the silence espeak-ng makes between two sentences, and adds
// nothing to any other text. Observed in the engine's WAV file.
#include "Engines.h"
#include "LoadedEngine.h"

#include <QTemporaryDir>
#include <QTest>

#include <thread>

using namespace std::chrono_literals;

class TestSentencePause : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString wavPath(const char *name) const { return m_dir.filePath(QLatin1String(name)); }
    static EngineKind espeak() {
        return EngineKind{QStringLiteral("espeak"), espeakEnginePath(), true, false};
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void onlySentenceEndsGetThePause_data();
    void onlySentenceEndsGetThePause();
    void sentencesReadOneByOneAreSpacedAsInOneText_data();
    void sentencesReadOneByOneAreSpacedAsInOneText();
    void stopDuringThePauseEndsItAtOnce();
};

void TestSentencePause::onlySentenceEndsGetThePause_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("paused");
    QTest::newRow("full stop and a blank") << QByteArray("Bon dia. ") << true;
    QTest::newRow("question mark") << QByteArray("Com est\xC3\xA0s?") << true;
    QTest::newRow("exclamation mark") << QByteArray("Quin dia tan bonic!") << true;
    QTest::newRow("colon") << QByteArray("Escolta el que et dic:") << true;
    QTest::newRow("semicolon") << QByteArray("Primer el pa;") << true;
    QTest::newRow("blanks and line ends after the stop")
        << QByteArray("Bon dia.  \r\n\t\n") << true;
    QTest::newRow("Windows-1252 text") << QByteArray("Parlo catal\xE0.") << true;
    QTest::newRow("menu without end punctuation")
        << QByteArray("Prem R per repetir el men\xC3\xBA, O per obrir un llibre") << false;
    QTest::newRow("comma") << QByteArray("Bon dia,") << false;
    QTest::newRow("a name and a line end") << QByteArray("Joan Puig\n") << false;
    QTest::newRow("full stop inside, none at the end") << QByteArray("Llibre 3.5 obert") << false;
}

void TestSentencePause::onlySentenceEndsGetThePause() {
    QFETCH(QByteArray, text);
    QFETCH(bool, paused);
    LoadedEngine engine(espeak(), wavPath("ends.wav"), Pace::Unpaced, nullptr);
    QVERIFY(engine.isLoaded());
    QVERIFY(engine.spokenSeconds(text.constData()) > 0.3);
    // At speed 140 espeak-ng pauses about 0.3 to 0.5 s between sentences and ends
    // a text alone with a few tens of milliseconds of silence.
    const double quiet = engine.audio().quietSecondsAtEnd();
    if (paused)
        QVERIFY2(quiet > 0.2, qPrintable(QString::number(quiet)));
    else
        QVERIFY2(quiet < 0.1, qPrintable(QString::number(quiet)));
}

void TestSentencePause::sentencesReadOneByOneAreSpacedAsInOneText_data() {
    QTest::addColumn<int>("speed");
    QTest::addColumn<QByteArray>("first");
    const QByteArray statement("Avui fa sol i anem a la platja.");
    for (const int speed : {10, 60, 140, 250, 300})
        QTest::addRow("speed %d", speed) << speed << statement;
    QTest::newRow("question") << 140 << QByteArray("Vols venir a la platja?");
    QTest::newRow("semicolon, slow") << 60 << QByteArray("Avui fa sol;");
}

void TestSentencePause::sentencesReadOneByOneAreSpacedAsInOneText() {
    QFETCH(int, speed);
    QFETCH(QByteArray, first);
    const QByteArray second("Els nens porten la pilota vermella.");
    LoadedEngine engine(espeak(), wavPath("spacing.wav"), Pace::Unpaced, nullptr);
    QVERIFY(engine.isLoaded());
    QCOMPARE(engine.setSpeed(speed), 0);
    const size_t together = engine.audio().samples.size();
    QVERIFY(engine.spokenSeconds((first + " " + second).constData()) > 1);
    const size_t apart = engine.audio().samples.size();
    QVERIFY(engine.spokenSeconds(first.constData()) > 0.3);
    QVERIFY(engine.spokenSeconds(second.constData()) > 0.3);
    const Audio wav = engine.audio();
    const double inOneText = Audio{true, wav.rate,
                                   std::vector<int16_t>(wav.samples.begin() + long(together),
                                                        wav.samples.begin() + long(apart))}
                                 .longestInnerQuiet();
    const double oneByOne = wav.longestInnerQuiet(apart);
    QVERIFY2(inOneText > 0.02 && std::abs(oneByOne - inOneText) <= 0.15 * inOneText,
             qPrintable(
                 QStringLiteral("%1 s in one text, %2 s one by one").arg(inOneText).arg(oneByOne)));
}

void TestSentencePause::stopDuringThePauseEndsItAtOnce() {
    // At speed 60 the pause lasts most of a second: long enough to catch it even
    // on a busy machine; should it still be missed, the round is tried again.
    LoadedEngine engine(espeak(), wavPath("stop.wav"), Pace::RealTime, nullptr);
    QVERIFY(engine.isLoaded());
    QCOMPARE(engine.setSpeed(60), 0);
    bool caught = false;
    for (int round = 0; round < 5 && !caught; ++round) {
        const size_t before = engine.audio().samples.size();
        QCOMPARE(engine.read("Bon dia."), 0);
        // In the pause: sound written, then 0.15 s of silence.
        QTRY_VERIFY_WITH_TIMEOUT(engine.status(0) == 0 ||
                                     (engine.audio().peak(before) > 5000 &&
                                      engine.audio().quietSecondsAtEnd(before) > 0.15),
                                 30000);
        if (engine.status(0) == 0)
            continue; // the pause was over before the test looked
        QCOMPARE(engine.stop(), 0);
        QCOMPARE(engine.status(0), 0);
        const size_t stoppedAt = engine.audio().samples.size();
        caught = true;
        std::this_thread::sleep_for(300ms);
        QCOMPARE(engine.audio().samples.size(), stoppedAt); // the rest of the pause is dropped
        QCOMPARE(engine.status(0), 0);
    }
    QVERIFY(caught);
}

QTEST_GUILESS_MAIN(TestSentencePause)
#include "tst_sentencepause.moc"
