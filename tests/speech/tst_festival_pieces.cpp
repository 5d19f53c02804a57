// The window-free parts of the Festival engine: cutting text into pieces,
// Latin-9 for the voice, the pace, shaping a piece's audio and the thread that
// synthesises pieces ahead of playback (here with a rendering function of the
// test's own, so no Festival is needed).
#include "ClauseSplitter.h"
#include "FestivalPace.h"
#include "Latin9.h"
#include "PieceAudio.h"
#include "PieceProducer.h"
#include "TempoStretcher.h"

#include <QTest>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

using namespace upctv;
Q_DECLARE_METATYPE(std::vector<upctv::Piece>)

namespace {

Piece piece(const char *text, PieceEnd end) {
    return Piece{text, end};
}

// A piece of audio: `silence` samples, `sound` samples at full level, `silence` again.
std::vector<int16_t> padded(size_t silence, size_t sound) {
    std::vector<int16_t> samples(silence, 0);
    samples.resize(silence + sound, 20000);
    samples.resize(2 * silence + sound, 0);
    return samples;
}

} // namespace

class TestFestivalPieces : public QObject {
    Q_OBJECT
private slots:
    void textIsCutIntoPieces_data();
    void textIsCutIntoPieces();
    void latin9_data();
    void latin9();
    void paceIsMonotonicAndClamped();
    void pieceIsTrimmedFadedAndPaused_data();
    void pieceIsTrimmedFadedAndPaused();
    void pieceTakesTheVoicingsPace_data();
    void pieceTakesTheVoicingsPace();
    void stretchKeepsThePitch_data();
    void stretchKeepsThePitch();
    void producerHandsPiecesInOrder();
    void producerStopsAtAFailedRender();
    void cancelReleasesAWaitingReader();
};

void TestFestivalPieces::textIsCutIntoPieces_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<std::vector<Piece>>("pieces");
    QTest::newRow("empty") << QByteArray("  \n ") << std::vector<Piece>{};
    QTest::newRow("one short sentence")
        << QByteArray("Bon  dia.\n") << std::vector<Piece>{piece("Bon dia.", PieceEnd::Text)};
    QTest::newRow("clauses and sentences")
        << QByteArray("Hola, bon dia. Com va? B\xE9; i tu: \"b\xE9.\" Adeu")
        << std::vector<Piece>{
               piece("Hola,", PieceEnd::Clause),     piece("bon dia.", PieceEnd::Sentence),
               piece("Com va?", PieceEnd::Sentence), piece("B\xE9;", PieceEnd::Clause),
               piece("i tu:", PieceEnd::Clause),     piece("\"b\xE9.\"", PieceEnd::Sentence),
               piece("Adeu", PieceEnd::Text)};
    QTest::newRow("long first clause cut before a joining word")
        << QByteArray("Quan la nit va caure sobre el poble, tornaren.")
        << std::vector<Piece>{piece("Quan la nit va caure", PieceEnd::Word),
                              piece("sobre el poble,", PieceEnd::Clause),
                              piece("tornaren.", PieceEnd::Text)};
    QTest::newRow("no joining word: cut at the limit")
        << QByteArray("u dos tres quatre cinc sis set vuit nou deu")
        << std::vector<Piece>{piece("u dos tres quatre cinc sis", PieceEnd::Word),
                              piece("set vuit nou deu", PieceEnd::Text)};
    QTest::newRow("later pieces are longer")
        << QByteArray(
               "Ara, u dos tres quatre cinc sis set vuit nou deu onze dotze tretze catorze quinze.")
        << std::vector<Piece>{piece("Ara,", PieceEnd::Clause),
                              piece("u dos tres quatre cinc sis set vuit nou deu onze dotze tretze "
                                    "catorze",
                                    PieceEnd::Word),
                              piece("quinze.", PieceEnd::Text)};
}

void TestFestivalPieces::textIsCutIntoPieces() {
    QFETCH(QByteArray, text);
    QFETCH(std::vector<Piece>, pieces);
    const std::vector<Piece> got = splitIntoPieces(text.toStdString());
    QCOMPARE(got.size(), pieces.size());
    for (size_t i = 0; i < got.size(); ++i) {
        QCOMPARE(QByteArray::fromStdString(got[i].text), QByteArray::fromStdString(pieces[i].text));
        QCOMPARE(int(got[i].end), int(pieces[i].end));
    }
}

void TestFestivalPieces::latin9_data() {
    QTest::addColumn<QByteArray>("utf8");
    QTest::addColumn<QByteArray>("latin9");
    QTest::newRow("ascii") << QByteArray("Bon dia!") << QByteArray("Bon dia!");
    QTest::newRow("accents and middle dot") << QByteArray("pa\xC3\xADs, col\xC2\xB7lecci\xC3\xB3")
                                            << QByteArray("pa\xEDs, col\xB7lecci\xF3");
    QTest::newRow("curly apostrophe and hyphenation point")
        << QByteArray("l\xE2\x80\x99home col\xE2\x80\xA7la") << QByteArray("l'home col\xB7la");
    QTest::newRow("the letters Latin-9 adds")
        << QByteArray("\xC5\x93 \xC5\xA0 \xC5\xBE") << QByteArray("\xBD \xA6 \xB8");
    QTest::newRow("symbols the voice would not read")
        << QByteArray("5\xE2\x82\xAC, 3\xC2\xB0") << QByteArray("5 euros , 3 graus ");
    QTest::newRow("quotes, dashes, ellipsis")
        << QByteArray("\xE2\x80\x9CS\xC3\xAD\xE2\x80\x9D \xE2\x80\x94 no\xE2\x80\xA6")
        << QByteArray("\"S\xED\" - no...");
    QTest::newRow("Latin-1 symbols Latin-9 lacks")
        << QByteArray("\xC2\xBD \xC2\xA4") << QByteArray(" 1/2  ");
    QTest::newRow("controls, no-break space, CJK") << QByteArray("a\tb\xC2\xA0"
                                                                 "c\xE4\xB8\xAD")
                                                   << QByteArray("a b c ");
}

void TestFestivalPieces::latin9() {
    QFETCH(QByteArray, utf8);
    QFETCH(QByteArray, latin9);
    QCOMPARE(QByteArray::fromStdString(utf8ToLatin9(utf8.toStdString())), latin9);
}

void TestFestivalPieces::paceIsMonotonicAndClamped() {
    QCOMPARE(festivalSpeedRatio(140), 1.0);
    QVERIFY(qAbs(festivalSpeedRatio(300) - 3.0) < 1e-9);
    QCOMPARE(festivalSpeedRatio(-50), festivalSpeedRatio(10));
    QCOMPARE(festivalSpeedRatio(1000), festivalSpeedRatio(300));
    for (int speed = 10; speed < 300; speed += 10) {
        const double step = festivalSpeedRatio(speed + 10) / festivalSpeedRatio(speed);
        QVERIFY2(step > 1.05 && step < 1.10, qPrintable(QString::number(speed)));
    }
}

void TestFestivalPieces::pieceIsTrimmedFadedAndPaused_data() {
    QTest::addColumn<int>("end");
    QTest::addColumn<double>("ratio");
    QTest::addColumn<int>("pauseMs");
    QTest::newRow("end of text") << int(PieceEnd::Text) << 1.0 << 0;
    QTest::newRow("cut between words") << int(PieceEnd::Word) << 1.0 << 0;
    QTest::newRow("comma") << int(PieceEnd::Clause) << 1.0 << ClausePauseMs;
    QTest::newRow("sentence") << int(PieceEnd::Sentence) << 1.0 << SentencePauseMs;
    QTest::newRow("sentence, twice as fast")
        << int(PieceEnd::Sentence) << 2.0 << SentencePauseMs / 2;
}

void TestFestivalPieces::pieceIsTrimmedFadedAndPaused() {
    QFETCH(int, end);
    QFETCH(double, ratio);
    QFETCH(int, pauseMs);
    const int rate = 16000;
    const size_t margin = rate * MarginMs / 1000;
    std::vector<int16_t> samples = padded(rate / 2, rate);
    shapePiece(samples, PieceEnd(end), Voicing{ratio, ratio}, rate);
    QCOMPARE(samples.size(), size_t(rate + 2 * margin + size_t(pauseMs) * rate / 1000));
    QCOMPARE(samples.front(), int16_t(0)); // faded in
    QCOMPARE(samples[margin], int16_t(20000));
    QCOMPARE(samples[margin + rate - 1], int16_t(20000));
    QVERIFY(qAbs(samples[margin + rate + margin - 1]) < 20000 / 10); // faded out
    for (size_t i = rate + 2 * margin; i < samples.size(); ++i)
        QCOMPARE(samples[i], int16_t(0));

    std::vector<int16_t> quiet(rate, 100);
    shapePiece(quiet, PieceEnd(end), Voicing{ratio, ratio}, rate);
    QCOMPARE(quiet.size(), size_t(pauseMs) * rate / 1000);
}

void TestFestivalPieces::pieceTakesTheVoicingsPace_data() {
    QTest::addColumn<double>("ratio");
    QTest::addColumn<double>("pitch");
    QTest::newRow("slowest") << 0.41 << 1.0;
    QTest::newRow("fastest") << 3.0 << 1.0;
    QTest::newRow("higher voice at the default pace") << 1.0 << 1.3;
    QTest::newRow("higher voice, fastest") << 3.0 << 1.3;
}

// The sound of a piece (its margins included) lasts pitch / ratio times as long
// as the voice made it; the pause after it follows the pace alone.
void TestFestivalPieces::pieceTakesTheVoicingsPace() {
    QFETCH(double, ratio);
    QFETCH(double, pitch);
    const int rate = 16000;
    const size_t margin = rate * MarginMs / 1000;
    std::vector<int16_t> samples = padded(rate / 2, rate);
    shapePiece(samples, PieceEnd::Sentence, Voicing{ratio, pitch}, rate);
    const size_t pause = pauseAfter(PieceEnd::Sentence, ratio, rate);
    QVERIFY(samples.size() > pause);
    const double expected = double(rate + 2 * margin) * pitch / ratio;
    const double sound = double(samples.size() - pause);
    QVERIFY2(qAbs(sound / expected - 1) < 0.02, qPrintable(QString::number(sound / expected)));
}

void TestFestivalPieces::stretchKeepsThePitch_data() {
    QTest::addColumn<double>("tempo");
    QTest::addColumn<double>("expected"); // length ratio
    QTest::newRow("slowest") << 0.41 << 1 / 0.41;
    QTest::newRow("slower") << 1 / 1.3 << 1.3;
    QTest::newRow("faster") << 1 / 0.66 << 0.66;
    QTest::newRow("fastest, lower voice") << 3 / 0.84 << 0.84 / 3;
    QTest::newRow("unchanged") << 1.0 << 1.0;
    QTest::newRow("beyond the range: six times at most") << 10.0 << 1 / 6.0;
}

void TestFestivalPieces::stretchKeepsThePitch() {
    QFETCH(double, tempo);
    QFETCH(double, expected);
    const int rate = 22050;
    const double hertz = 197.0;
    // Four seconds, so that even the shortest output holds enough periods to count.
    std::vector<int16_t> tone(4 * rate);
    for (size_t i = 0; i < tone.size(); ++i)
        tone[i] = int16_t(10000 * std::sin(2 * M_PI * hertz * double(i) / rate));
    const std::vector<int16_t> out = changeTempo(tone, tempo, rate);
    const double length = double(out.size()) / double(tone.size());
    QVERIFY2(qAbs(length / expected - 1) < 0.02, qPrintable(QString::number(length)));
    // Rising zero crossings over the middle: the frequency is unchanged.
    const size_t from = out.size() / 4, to = 3 * out.size() / 4;
    int crossings = 0;
    for (size_t i = from + 1; i < to; ++i)
        crossings += out[i - 1] < 0 && out[i] >= 0;
    const double measured = crossings / (double(to - from) / rate);
    QVERIFY2(qAbs(measured - hertz) < hertz * 0.03, qPrintable(QString::number(measured)));
}

void TestFestivalPieces::producerHandsPiecesInOrder() {
    std::atomic<bool> started{false};
    PieceProducer producer([&] { started = true; },
                           [](const Piece &p, const Voicing &v, std::vector<int16_t> &out) {
                               out.assign(p.text.size(), int16_t(v.pitchFactor * 10));
                               return true;
                           });
    for (int round = 0; round < 2; ++round) {
        producer.start({piece("a", PieceEnd::Word), piece("bbb", PieceEnd::Word),
                        piece("cc", PieceEnd::Word), piece("dddd", PieceEnd::Text)},
                       Voicing{1.0, double(round + 1)});
        std::vector<int16_t> samples;
        for (size_t length : {1, 3, 2, 4}) {
            QCOMPARE(producer.next(samples), PieceProducer::Next::Piece);
            QCOMPARE(samples, std::vector<int16_t>(length, int16_t((round + 1) * 10)));
        }
        QCOMPARE(producer.next(samples), PieceProducer::Next::End);
    }
    QVERIFY(started);
}

void TestFestivalPieces::producerStopsAtAFailedRender() {
    std::atomic<int> renders{0};
    PieceProducer producer([] {},
                           [&](const Piece &p, const Voicing &, std::vector<int16_t> &out) {
                               ++renders;
                               out.assign(1, 1);
                               return p.text != "fails";
                           });
    producer.start({piece("ok", PieceEnd::Word), piece("fails", PieceEnd::Word),
                    piece("never", PieceEnd::Text)},
                   Voicing{});
    std::vector<int16_t> samples;
    QCOMPARE(producer.next(samples), PieceProducer::Next::Piece);
    QCOMPARE(producer.next(samples), PieceProducer::Next::End);
    QCOMPARE(renders.load(), 2);
}

void TestFestivalPieces::cancelReleasesAWaitingReader() {
    std::atomic<bool> release{false};
    PieceProducer producer([] {},
                           [&](const Piece &, const Voicing &, std::vector<int16_t> &out) {
                               while (!release)
                                   std::this_thread::sleep_for(std::chrono::milliseconds(1));
                               out.assign(1, 1);
                               return true;
                           });
    producer.start({piece("slow", PieceEnd::Text)}, Voicing{});
    std::atomic<bool> done{false};
    PieceProducer::Next result = PieceProducer::Next::Piece;
    std::thread reader([&] {
        std::vector<int16_t> samples;
        result = producer.next(samples);
        done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    producer.cancel();
    QTRY_VERIFY_WITH_TIMEOUT(done.load(), 10000);
    reader.join();
    QCOMPARE(result, PieceProducer::Next::Cancelled);
    std::vector<int16_t> samples;
    QCOMPARE(producer.next(samples), PieceProducer::Next::Cancelled); // until the next start()
    release = true; // the render in progress ends; its piece is thrown away
    producer.start({piece("next", PieceEnd::Text)}, Voicing{});
    QCOMPARE(producer.next(samples), PieceProducer::Next::Piece);
    QCOMPARE(producer.next(samples), PieceProducer::Next::End);
}

QTEST_GUILESS_MAIN(TestFestivalPieces)
#include "tst_festival_pieces.moc"
