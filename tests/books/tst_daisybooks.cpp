// DAISY books made here, 2.02 and 3, text and recorded, in their folder and
// zipped: their title, headings and pages, phrases and clips; and damaged books
// that play what they can or are refused with their reason.
#include "DaisyBook.h"
#include "DaisyMaker.h"
#include "PhraseTable.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using DaisyMaker::Format;
using DaisyMaker::Media;

Q_DECLARE_METATYPE(DaisyMaker::Format)
Q_DECLARE_METATYPE(DaisyMaker::Media)
Q_DECLARE_METATYPE(ExtractionStatus)

namespace {

// Two chapters and a section between them, pages inside and on a heading.
QList<DaisyMaker::Chapter> chapters() {
    return {{1,
             {{"Primer capítol", 400, "1"},
              {"La primera frase és aquesta.", 700, ""},
              {"Segona frase del capítol, amb coma.", 300, "2"}}},
            {2, {{"Una secció", 500, ""}, {"Frase de la secció.", 600, ""}}},
            {1, {{"Segon capítol", 300, "3"}, {"Fi del llibre.", 900, ""}}}};
}

struct Expected {
    QByteArray text;
    int chapter = 0;
    int level = 0; // of a chapter's first phrase, else 0
    QByteArray page;
    qint64 beginMs = 0, endMs = 0;
};

// What each phrase of `book` is, in order.
QList<Expected> expectedPhrases(const DaisyMaker::Book &book) {
    QList<Expected> expected;
    int depth = 0;
    for (int c = 0; c < book.chapters.size(); ++c) {
        const int level = book.chapters[c].level;
        depth = book.format == Format::Daisy3 ? std::clamp(level, 1, depth + 1) : level;
        qint64 at = 0;
        for (int j = 0; j < book.chapters[c].phrases.size(); ++j) {
            const DaisyMaker::Phrase &p = book.chapters[c].phrases[j];
            expected.append({p.text, c, j == 0 ? depth : 0, p.page, at, at + p.clipMs});
            at += std::max(0, p.clipMs);
        }
    }
    return expected;
}

// A sentence starts after the blank or line end that follows a full stop, and
// its offset is that of the blank or line end.
qint64 sentenceStart(const QByteArray &text, qint64 at) {
    while (at > 0 && (text[at - 1] == ' ' || text[at - 1] == '\r' || text[at - 1] == '\n')) {
        --at;
    }
    return at;
}

// The sentence that starts at `offset`: the text up to its full stop.
QByteArray sentenceAt(const QByteArray &text, qint64 offset) {
    while (offset < text.size() && (text[offset] == '\r' || text[offset] == '\n')) {
        ++offset;
    }
    const qsizetype end = text.indexOf(".\r\n", offset);
    return text.mid(offset, end < 0 ? -1 : end - offset + 1);
}

// Whether the sentence at `offset` is the one `phrase` reads (a heading gains a
// full stop as a block of its own).
bool isPhrase(const QByteArray &text, qint64 offset, const QByteArray &phrase) {
    const QByteArray sentence = sentenceAt(text, offset);
    return sentence == phrase || sentence == phrase + '.';
}

} // namespace

class TestDaisyBooks : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    void checkStructure(const Extracted &book, const QList<Expected> &expected,
                        const std::vector<qint64> &offsets);
    void checkClips(const PhraseTable &table, const DaisyMaker::Book &book, const QString &path,
                    const QList<int> &phrases);

private slots:
    void booksGiveTheirTextStructureAndPhrases_data();
    void booksGiveTheirTextStructureAndPhrases();
};

void TestDaisyBooks::checkStructure(const Extracted &book, const QList<Expected> &expected,
                                    const std::vector<qint64> &offsets) {
    qsizetype heading = 0, page = 0;
    for (qsizetype i = 0; i < expected.size(); ++i) {
        if (expected[i].level > 0) {
            QVERIFY(heading < book.structure.headingCount());
            const BookStructure::Heading h = book.structure.heading(heading++);
            QCOMPARE(h.offset, offsets[size_t(i)]);
            QCOMPARE(h.level, expected[i].level);
            QCOMPARE(h.text.toByteArray(), expected[i].text);
        }
        if (!expected[i].page.isEmpty()) {
            QVERIFY(page < book.structure.pageCount());
            QCOMPARE(book.structure.page(page).offset, offsets[size_t(i)]);
            QCOMPARE(book.structure.pageLabel(page++), expected[i].page);
        }
    }
    QCOMPARE(book.structure.headingCount(), heading);
    QCOMPARE(book.structure.pageCount(), page);
}

// The clips of the table are those of `phrases` of the book, in order, one each.
void TestDaisyBooks::checkClips(const PhraseTable &table, const DaisyMaker::Book &book,
                                const QString &path, const QList<int> &phrases) {
    const QList<Expected> expected = expectedPhrases(book);
    const QString folder = path.left(path.lastIndexOf(u'/') + 1);
    const QString zipFolder = QFileInfo(path).completeBaseName() + u'/';
    QList<AudioClip> clips, wanted;
    for (qsizetype i = 0; i < table.size(); ++i) {
        for (const AudioClip &clip : table.audio(i)) {
            clips.append(clip);
        }
    }
    for (const int n : phrases) {
        const QString file = DaisyMaker::audioName(expected[n].chapter);
        wanted.append(
            book.zipped
                ? AudioClip{path, zipFolder + file, expected[n].beginMs, expected[n].endMs}
                : AudioClip{QString(), folder + file, expected[n].beginMs, expected[n].endMs});
    }
    QCOMPARE(clips.size(), wanted.size());
    for (qsizetype i = 0; i < clips.size(); ++i) {
        QCOMPARE(clips[i].archive, wanted[i].archive);
        QCOMPARE(clips[i].file, wanted[i].file);
        QCOMPARE(clips[i].beginMs, wanted[i].beginMs);
        QCOMPARE(clips[i].endMs, wanted[i].endMs);
    }
}

void TestDaisyBooks::booksGiveTheirTextStructureAndPhrases_data() {
    QTest::addColumn<Format>("format");
    QTest::addColumn<Media>("media");
    QTest::addColumn<bool>("zipped");
    for (const auto &[format, formatName] :
         {std::pair{Format::Daisy202, "2.02"}, std::pair{Format::Daisy3, "3"}}) {
        for (const auto &[media, mediaName] :
             {std::pair{Media::Text, "text"}, std::pair{Media::Audio, "audio"},
              std::pair{Media::TextAndAudio, "text and audio"}}) {
            for (const bool zipped : {false, true}) {
                QTest::addRow("%s, %s%s", formatName, mediaName, zipped ? ", zipped" : "")
                    << format << media << zipped;
            }
        }
    }
}

void TestDaisyBooks::booksGiveTheirTextStructureAndPhrases() {
    QFETCH(Format, format);
    QFETCH(Media, media);
    QFETCH(bool, zipped);
    const DaisyMaker::Book book{format,        media, zipped,  "Contes d'Àfrica",
                                "Núria Prova", "ca",  "utf-8", chapters()};
    const QString path =
        DaisyMaker::make(m_dir.path(), QString::fromUtf8(QTest::currentDataTag()), book);
    QVERIFY(!path.isEmpty());
    QVERIFY(DaisyBook::isBook(path));
    QCOMPARE(DaisyBook::titleOf(path), book.title);
    const Extracted extracted = DaisyBook::extract(path);
    QCOMPARE(extracted.status, ExtractionStatus::Ok);
    QCOMPARE(extracted.structure.title, book.title);
    QCOMPARE(extracted.structure.author, book.author);
    QCOMPARE(extracted.structure.language, book.language);
    const QList<Expected> expected = expectedPhrases(book);
    std::vector<qint64> offsets;
    if (media == Media::Text) {
        QVERIFY(extracted.phrases.isEmpty());
        qint64 from = 0;
        for (const Expected &phrase : expected) {
            from = extracted.text.indexOf(phrase.text, from);
            QVERIFY2(from >= 0, phrase.text.constData());
            offsets.push_back(sentenceStart(extracted.text, from));
        }
    } else {
        const std::optional<PhraseTable> table = PhraseTable::parse(extracted.phrases);
        QVERIFY(table.has_value());
        QCOMPARE(table->size(), expected.size());
        qint64 elapsed = 0;
        for (qsizetype i = 0; i < table->size(); ++i) {
            offsets.push_back(table->offset(i));
            QCOMPARE(table->indexOf(table->offset(i)), i);
            QVERIFY(
                isPhrase(extracted.text, table->offset(i),
                         media == Media::Audio ? DaisyBook::PhrasePlaceholder : expected[i].text));
            QCOMPARE(table->elapsedMs(i), elapsed);
            elapsed += expected[i].endMs - expected[i].beginMs;
        }
        QCOMPARE(table->totalMs(), elapsed);
        QList<int> all;
        for (int n = 0; n < expected.size(); ++n) {
            all.append(n);
        }
        checkClips(*table, book, path, all);
    }
    checkStructure(extracted, expected, offsets);
}

QTEST_GUILESS_MAIN(TestDaisyBooks)
#include "tst_daisybooks.moc"
