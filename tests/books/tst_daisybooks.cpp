// DAISY books made here, 2.02 and 3, text and recorded, in their folder and
// zipped: their title, headings and pages, phrases and clips; and damaged books
// that play what they can or are refused with their reason.
#include "DaisyBook.h"
#include "DaisyMaker.h"
#include "PhraseTable.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
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

// The clip phrase `n` of the book made at `path` plays.
AudioClip clipOf(const DaisyMaker::Book &book, const QString &path, int n) {
    const Expected phrase = expectedPhrases(book)[n];
    const QString file = DaisyMaker::audioName(phrase.chapter);
    return book.zipped ? AudioClip{path, QFileInfo(path).completeBaseName() + u'/' + file,
                                   phrase.beginMs, phrase.endMs}
                       : AudioClip{QString(), QFileInfo(path).absolutePath() + u'/' + file,
                                   phrase.beginMs, phrase.endMs};
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
    void damagedBooksPlayWhatTheyCanOrAreRefused_data();
    void damagedBooksPlayWhatTheyCanOrAreRefused();
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
    QList<AudioClip> clips, wanted;
    for (qsizetype i = 0; i < table.size(); ++i) {
        for (const AudioClip &clip : table.audio(i)) {
            clips.append(clip);
        }
    }
    for (const int n : phrases) {
        wanted.append(clipOf(book, path, n));
    }
    QCOMPARE(clips, wanted);
}

void TestDaisyBooks::booksGiveTheirTextStructureAndPhrases_data() {
    QTest::addColumn<Format>("format");
    QTest::addColumn<Media>("media");
    QTest::addColumn<bool>("zipped");
    QTest::addColumn<QByteArray>("encoding");
    for (const auto &[format, formatName] :
         {std::pair{Format::Daisy202, "2.02"}, std::pair{Format::Daisy3, "3"}}) {
        for (const auto &[media, mediaName] :
             {std::pair{Media::Text, "text"}, std::pair{Media::Audio, "audio"},
              std::pair{Media::TextAndAudio, "text and audio"}}) {
            for (const bool zipped : {false, true}) {
                QTest::addRow("%s, %s%s", formatName, mediaName, zipped ? ", zipped" : "")
                    << format << media << zipped << QByteArray("utf-8");
            }
        }
    }
    // Older books: an NCC and content in Windows-1252 that do not say so.
    QTest::newRow("2.02, text, Windows-1252")
        << Format::Daisy202 << Media::Text << false << QByteArray("windows-1252");
    QTest::newRow("2.02, text and audio, Windows-1252")
        << Format::Daisy202 << Media::TextAndAudio << false << QByteArray("windows-1252");
    QTest::newRow("2.02, audio, Windows-1252")
        << Format::Daisy202 << Media::Audio << true << QByteArray("windows-1252");
    QTest::newRow("3, text and audio, Windows-1252")
        << Format::Daisy3 << Media::TextAndAudio << false << QByteArray("windows-1252");
}

void TestDaisyBooks::booksGiveTheirTextStructureAndPhrases() {
    QFETCH(Format, format);
    QFETCH(Media, media);
    QFETCH(bool, zipped);
    QFETCH(QByteArray, encoding);
    const DaisyMaker::Book book{format,        media, zipped,   "Contes d'Àfrica",
                                "Núria Prova", "ca",  encoding, chapters()};
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
        // One sentence a phrase: no page number is read as text.
        QCOMPARE(extracted.text.count(".\r\n") + 1, expected.size());
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
            QCOMPARE(table->indexAtOrBefore(table->offset(i) + 1), i);
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

void TestDaisyBooks::damagedBooksPlayWhatTheyCanOrAreRefused_data() {
    // Edits of the made book, "file|from|to" ("file" alone removes it); then the
    // phrases (numbered through the book) whose text or clip is still there.
    QTest::addColumn<Format>("format");
    QTest::addColumn<Media>("media");
    QTest::addColumn<QStringList>("edits");
    QTest::addColumn<ExtractionStatus>("status");
    QTest::addColumn<QList<int>>("kept");
    const QList<int> all{0, 1, 2, 3, 4, 5, 6};
    QTest::newRow("a clip of zero length")
        << Format::Daisy202 << Media::TextAndAudio
        << QStringList{u"c1.smil|clip-end=\"npt=1.400s\"|clip-end=\"npt=1.100s\""_s}
        << ExtractionStatus::Ok << QList<int>{0, 1, 3, 4, 5, 6};
    QTest::newRow("a clip that ends before it begins")
        << Format::Daisy3 << Media::Audio
        << QStringList{u"c3.smil|clipEnd=\"0:00:01.200\"|clipEnd=\"0:00:00.100\""_s}
        << ExtractionStatus::Ok << QList<int>{0, 1, 2, 3, 4, 5};
    QTest::newRow("an audio file missing: its clips are skipped when played")
        << Format::Daisy202 << Media::Audio << QStringList{u"c2.wav"_s} << ExtractionStatus::Ok
        << all;
    QTest::newRow("every audio file missing") << Format::Daisy202 << Media::TextAndAudio
                                              << QStringList{u"c1.wav"_s, u"c2.wav"_s, u"c3.wav"_s}
                                              << ExtractionStatus::CannotOpen << QList<int>{};
    QTest::newRow("a SMIL file missing")
        << Format::Daisy202 << Media::TextAndAudio << QStringList{u"c2.smil"_s}
        << ExtractionStatus::Ok << QList<int>{0, 1, 2, 5, 6};
    QTest::newRow("a SMIL file missing, DAISY 3 text")
        << Format::Daisy3 << Media::Text << QStringList{u"c1.smil"_s} << ExtractionStatus::Ok
        << all;
    QTest::newRow("a SMIL file that breaks off")
        << Format::Daisy3 << Media::TextAndAudio
        << QStringList{u"c2.smil|<par endsync=\"last\" id=\"t4\">|<par <<"_s}
        << ExtractionStatus::Ok << QList<int>{0, 1, 2, 3, 5, 6};
    QTest::newRow("a phrase's text points at its own SMIL file")
        << Format::Daisy202 << Media::TextAndAudio
        << QStringList{u"c1.smil|content.html#p1|c1.smil#t1"_s} << ExtractionStatus::Ok << all;
    QTest::newRow("the spine lists a SMIL file twice")
        << Format::Daisy3 << Media::TextAndAudio
        << QStringList{u"book.opf|<itemref idref=\"smil0\"/>|<itemref idref=\"smil0\"/>"
                       u"<itemref idref=\"smil1\"/><itemref idref=\"smil0\"/>"_s}
        << ExtractionStatus::Ok << all;
    QTest::newRow("the NCC links to a SMIL file that is not there")
        << Format::Daisy202 << Media::Audio
        << QStringList{u"ncc.html|<body>|<body><h1><a href=\"lost.smil#x\">Perdut</a></h1>"_s}
        << ExtractionStatus::Ok << all;
    QTest::newRow("every SMIL file missing")
        << Format::Daisy202 << Media::Audio << QStringList{u"c1.smil"_s, u"c2.smil"_s, u"c3.smil"_s}
        << ExtractionStatus::CannotOpen << QList<int>{};
    QTest::newRow("a protected DAISY 3 book")
        << Format::Daisy3 << Media::TextAndAudio
        << QStringList{u"book.opf|</manifest>|<item id=\"key\" href=\"book.pdtb2\" "
                       u"media-type=\"application/x-pdtb2+xml\"/></manifest>"_s}
        << ExtractionStatus::Protected << QList<int>{};
}

void TestDaisyBooks::damagedBooksPlayWhatTheyCanOrAreRefused() {
    QFETCH(Format, format);
    QFETCH(Media, media);
    QFETCH(QStringList, edits);
    QFETCH(ExtractionStatus, status);
    QFETCH(QList<int>, kept);
    const DaisyMaker::Book book{format, media, false, "Llibre", "", "ca", "utf-8", chapters()};
    const QString path =
        DaisyMaker::make(m_dir.path(), QString::fromUtf8(QTest::currentDataTag()), book);
    QVERIFY(!path.isEmpty());
    const QString folder = QFileInfo(path).absolutePath() + u'/';
    for (const QString &edit : edits) {
        const QStringList parts = edit.split(u'|');
        QFile file(folder + parts[0]);
        if (parts.size() == 1) {
            QVERIFY(file.remove());
            continue;
        }
        QVERIFY(file.open(QIODevice::ReadWrite));
        QByteArray bytes = file.readAll();
        QVERIFY(bytes.contains(parts[1].toUtf8()));
        bytes.replace(parts[1].toUtf8(), parts[2].toUtf8());
        QVERIFY(file.resize(0) && file.write(bytes) == bytes.size());
    }
    const Extracted extracted = DaisyBook::extract(path);
    QCOMPARE(extracted.status, status);
    if (status != ExtractionStatus::Ok) {
        QVERIFY(extracted.text.isEmpty());
        return;
    }
    QCOMPARE(DaisyBook::titleOf(path), book.title);
    const QList<Expected> expected = expectedPhrases(book);
    if (media == Media::Text) {
        for (int n = 0; n < expected.size(); ++n) {
            QCOMPARE(extracted.text.contains(expected[n].text), kept.contains(n));
        }
        return;
    }
    const std::optional<PhraseTable> table = PhraseTable::parse(extracted.phrases);
    QVERIFY(table.has_value());
    checkClips(*table, book, path, kept);
    // Whatever was lost, every heading and page left lands on its own phrase.
    for (int n = 0; n < expected.size(); ++n) {
        const PhraseAudio own =
            kept.contains(n) ? PhraseAudio{clipOf(book, path, n)} : PhraseAudio{};
        for (qsizetype i = 0; i < extracted.structure.headingCount(); ++i) {
            const BookStructure::Heading heading = extracted.structure.heading(i);
            if (heading.text == expected[n].text) {
                QCOMPARE(table->audioAt(heading.offset), own);
            }
        }
        for (qsizetype i = 0; i < extracted.structure.pageCount(); ++i) {
            if (extracted.structure.pageLabel(i) == expected[n].page) {
                QCOMPARE(table->audioAt(extracted.structure.page(i).offset), own);
            }
        }
    }
}

QTEST_GUILESS_MAIN(TestDaisyBooks)
#include "tst_daisybooks.moc"
