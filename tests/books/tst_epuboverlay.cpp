// EPUB 3 books narrated with media overlays: where each phrase lands in the
// book's own text, what the engine is left to read, and the books whose
// narration cannot be played here, which the engine reads whole.
#include "EpubText.h"
#include "NarratedEpub.h"
#include "PhraseTable.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

NarratedEpub::Book narratedBook() {
    NarratedEpub::Book book;
    book.chapters = {
        {"Portada", {{"Una paraula.", 400, {}}}, false},
        {"Primer capítol", {{"Primera frase. I la segona.", 700, {}}, {"Tercera frase.", 300, {}}}},
        {"Segon capítol", {{"Fi del llibre.", 500, {}}}}};
    return book;
}

} // namespace

class TestEpubOverlay : public QObject {
    Q_OBJECT

private slots:
    void phrasesStartAtTheirSentencesAndTheRestIsSpoken();
    void unplayableNarrationIsLeftToTheEngine_data();
    void unplayableNarrationIsLeftToTheEngine();

private:
    Extracted extracted(const NarratedEpub::Book &book) {
        const QString path = m_dir.filePath(u"narrat.epub"_s);
        return NarratedEpub::make(path, book) ? EpubText::extract(path)
                                              : Extracted::failed(ExtractionStatus::CannotOpen);
    }
    QTemporaryDir m_dir;
};

void TestEpubOverlay::phrasesStartAtTheirSentencesAndTheRestIsSpoken() {
    NarratedEpub::Book book = narratedBook();
    book.duration = "0:00:03.000";
    const Extracted narrated = extracted(book);
    QCOMPARE(narrated.status, ExtractionStatus::Ok);
    const std::optional<PhraseTable> table = PhraseTable::parse(narrated.phrases);
    QVERIFY(table);

    // The same text as the book's without its narration: one position for both.
    for (NarratedEpub::Chapter &chapter : book.chapters) {
        chapter.narrated = false;
    }
    QCOMPARE(extracted(book).text, narrated.text);
    QVERIFY(extracted(book).phrases.isEmpty());

    const QByteArray &text = narrated.text;
    const QList<QByteArray> starts{"Primera frase.", "Tercera frase.", "Fi del llibre."};
    QCOMPARE(table->size(), starts.size());
    const QString epub = m_dir.filePath(u"narrat.epub"_s);
    const QList<qint64> begins{0, 700, 0}, ends{700, 1000, 500};
    for (qsizetype i = 0; i < starts.size(); ++i) {
        QVERIFY2(text.mid(table->offset(i)).trimmed().startsWith(starts[i]), starts[i]);
        const PhraseAudio audio = table->audio(i);
        QCOMPARE(audio.size(), size_t(1));
        QCOMPARE(audio[0].archive, epub);
        QCOMPARE(audio[0].file, i < 2 ? u"OEBPS/c1.wav"_s : u"OEBPS/c2.wav"_s);
        QCOMPARE(audio[0].beginMs, begins[i]);
        QCOMPARE(audio[0].endMs, ends[i]);
    }
    // The unnarrated cover and the headings the narration leaves out are spoken;
    // a narrated paragraph's second sentence is not.
    for (const QByteArray spoken : {"Portada", "Una paraula.", "Primer capítol", "Segon capítol"}) {
        QVERIFY2(table->isSpokenAt(text.indexOf(spoken)), spoken.constData());
    }
    for (const QByteArray heard : {"I la segona.", "Tercera frase.", "Fi del llibre."}) {
        QVERIFY2(!table->isSpokenAt(text.indexOf(heard)), heard.constData());
    }
    QCOMPARE(table->totalMs(), 3000);
    QCOMPARE(table->elapsedMs(2), 2000); // 1,000 of 1,500 ms, scaled to the stated 3 s
    QCOMPARE(PhraseTable::parse(table->serialized()), table);
}

void TestEpubOverlay::unplayableNarrationIsLeftToTheEngine_data() {
    QTest::addColumn<QByteArray>("audioType");
    QTest::addColumn<bool>("played");
    QTest::newRow("wav") << QByteArray("audio/wav") << true;
    QTest::newRow("mpeg") << QByteArray("audio/mpeg") << true; // by its type, whatever its name
    QTest::newRow("aac") << QByteArray("audio/mp4") << false;
}

void TestEpubOverlay::unplayableNarrationIsLeftToTheEngine() {
    QFETCH(QByteArray, audioType);
    QFETCH(bool, played);
    NarratedEpub::Book book = narratedBook();
    book.audioType = audioType;
    const Extracted result = extracted(book);
    QCOMPARE(result.status, ExtractionStatus::Ok);
    QCOMPARE(!result.phrases.isEmpty(), played);
}

QTEST_GUILESS_MAIN(TestEpubOverlay)
#include "tst_epuboverlay.moc"
