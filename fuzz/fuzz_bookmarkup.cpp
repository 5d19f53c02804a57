// Fuzz target: web pages, DTBook documents, EPUB and DAISY books to text, the
// EPUB's navigation documents and NCX to their entries, and the package files
// and SMIL files of DAISY books to what they list.
//
// Input: a zip (it starts with "PK") is written to a file and read as an EPUB
// and as a zipped DAISY book; a document that names "<dtbook" is read as DTBook;
// anything else is read as an HTML page in the encoding detected for it (a
// declaration, UTF-8, uchardet's guess for legacy multibyte pages, else
// Windows-1252), inline SVG text included. Every input that is not a zip is also
// read as an EPUB 3 navigation document and as an NCX, as a DAISY 2.02 NCC, a
// DAISY 3 package and NCX, and as a SMIL file.
//
// Properties:
// - nothing crashes, hangs or grows without bound (libFuzzer's own limits);
// - a refused book gives no text, an accepted one some text;
// - the text is valid UTF-8 without NUL or other control bytes than the line
//   ends, and every line end follows a full stop, so that each block ends its
//   sentence; the text never ends with a line end;
// - every heading and page of the structure lies inside the text, on a sentence
//   start as the reader finds them;
// - navigation entries have a level from 1 and a bounded label;
// - a DAISY book's files, as its package and SMIL files name them, stay inside
//   its folder; lists stay within their bounds; no clip is empty or backwards;
//   a recorded book's phrases start on sentences of its index text, its phrase
//   table reads back as written, and its headings and pages land on phrases;
// - the same input gives the same text twice.
#include "BookSource.h"
#include "DaisyBook.h"
#include "DaisyPackage.h"
#include "DtbookText.h"
#include "EpubNavigation.h"
#include "EpubText.h"
#include "Extraction.h"
#include "FuzzCheck.h"
#include "MarkupText.h"
#include "PhraseTable.h"
#include "SmilReader.h"
#include "TextBuilder.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <cstdint>
#include <unistd.h>

namespace {

void checkText(const QByteArray &text) {
    FUZZ_CHECK(QByteArrayView(text).isValidUtf8());
    FUZZ_CHECK(!text.endsWith("\r\n"));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        FUZZ_CHECK(c >= 0x20 || c == '\r' || c == '\n');
        if (c == '\r') {
            FUZZ_CHECK(i > 0 && text[i - 1] == '.' && i + 1 < text.size() && text[i + 1] == '\n');
        }
    }
}

void checkStructure(const QByteArray &text, BookStructure structure) {
    structure.finish(text.size());
    if (structure.isEmpty()) {
        return;
    }
    static const QString path =
        QDir::tempPath() + QStringLiteral("/fuzz_bookmarkup.%1.txt").arg(::getpid());
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(text) == text.size());
    file.close();
    const auto onSentenceStart = [&text](qint64 offset) {
        FUZZ_CHECK(offset >= 0 && offset < text.size());
        FUZZ_CHECK(sentenceStartAtOrBefore(path, offset) == offset);
    };
    for (qsizetype i = 0; i < structure.headingCount(); ++i) {
        onSentenceStart(structure.heading(i).offset);
    }
    for (qsizetype i = 0; i < structure.pageCount(); ++i) {
        onSentenceStart(structure.page(i).offset);
    }
    QFile::remove(path);
}

void checkNavigation(const EpubNavigation &navigation) {
    for (const QList<EpubNavigation::Entry> *list : {&navigation.contents, &navigation.pages}) {
        FUZZ_CHECK(list->size() <= EpubNavigation::MaxEntries);
        for (const EpubNavigation::Entry &entry : *list) {
            FUZZ_CHECK(entry.level >= 1);
            FUZZ_CHECK(entry.label.size() <= 4 * EpubNavigation::LongestLabel);
        }
    }
}

// A name of a DAISY book's file: relative, without "." or ".." parts.
void checkBookName(const QString &name) {
    FUZZ_CHECK(!name.isEmpty() && !name.startsWith(u'/') && !name.endsWith(u'/'));
    for (const QStringView part : QStringView(name).split(u'/')) {
        FUZZ_CHECK(!part.isEmpty() && part != u"." && part != u"..");
    }
}

void checkPackage(const DaisyPackage &package) {
    FUZZ_CHECK(package.smilFiles.size() <= DaisyPackages::MaxSmilFiles);
    FUZZ_CHECK(qsizetype(package.nav.size()) <= DaisyPackages::MaxNavEntries);
    FUZZ_CHECK(package.totalMs >= 0);
    FUZZ_CHECK(QByteArrayView(package.title).isValidUtf8());
    for (const QString &smil : package.smilFiles) {
        checkBookName(smil);
    }
    for (const DaisyNavEntry &entry : package.nav) {
        FUZZ_CHECK(entry.level >= 0 && entry.level <= 6);
        checkBookName(entry.smil);
    }
}

// The SMIL file's phrases, each clip kept, through a phrase table and back.
void checkSmil(const QByteArray &smil) {
    PhraseTable table;
    SmilReader::read(smil, QStringLiteral("book/c1.smil"), [&table](const SmilPhrase &phrase) {
        FUZZ_CHECK(phrase.text.isEmpty() || !phrase.text.startsWith(u'/'));
        table.addPhrase(2 * table.size());
        for (const SmilClip &clip : phrase.clips) {
            checkBookName(clip.file);
            FUZZ_CHECK(clip.beginMs >= 0 && clip.endMs >= -1);
            table.addClip({QString(), clip.file, clip.beginMs, clip.endMs});
        }
        return true;
    });
    for (qsizetype i = 0; i < table.size(); ++i) {
        for (const AudioClip &clip : table.audio(i)) {
            FUZZ_CHECK(clip.endMs == -1 || clip.endMs > clip.beginMs);
        }
        FUZZ_CHECK(table.durationMs(i) >= 0 && table.elapsedMs(i) <= table.totalMs());
    }
    const std::optional<PhraseTable> parsed = PhraseTable::parse(table.serialized());
    FUZZ_CHECK(parsed.has_value() && *parsed == table);
}

void checkDaisyMarkup(const QByteArray &input) {
    checkPackage(DaisyPackages::readNcc(input, QStringLiteral("ncc.html")));
    QString ncxName;
    DaisyPackage package = DaisyPackages::readOpf(input, QStringLiteral("book/book.opf"), ncxName);
    FUZZ_CHECK(ncxName.isEmpty() || !ncxName.startsWith(u'/'));
    DaisyPackages::readNcx(input, QStringLiteral("book/book.ncx"), package);
    checkPackage(package);
    checkSmil(input);
    if (input.size() < 64) {
        FUZZ_CHECK(DaisyPackages::clockValueMs(QString::fromUtf8(input)) >= -1);
    }
}

QString writeTemporary(const QByteArray &bytes, const char *suffix) {
    const QString path = QDir::tempPath() + QStringLiteral("/fuzz_bookmarkup.%1.").arg(::getpid()) +
                         QLatin1StringView(suffix);
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(bytes) == bytes.size());
    return path;
}

Extracted extractEpub(const QByteArray &bytes) {
    const QString path = writeTemporary(bytes, "epub");
    const Extracted result = EpubText::extract(path);
    QFile::remove(path);
    return result;
}

// A zip read as a DAISY book: a recorded book's phrases on sentence starts of
// its index text, with its headings and pages on them.
void checkDaisyZip(const QByteArray &bytes) {
    const QString path = writeTemporary(bytes, "zip");
    const Extracted book = DaisyBook::extract(path);
    FUZZ_CHECK(book.status != ExtractionStatus::Ok || DaisyBook::isBook(path));
    QFile::remove(path);
    FUZZ_CHECK((book.status == ExtractionStatus::Ok) == !book.text.isEmpty());
    checkText(book.text);
    checkStructure(book.text, book.structure);
    if (book.phrases.isEmpty()) {
        return;
    }
    const std::optional<PhraseTable> table = PhraseTable::parse(book.phrases);
    FUZZ_CHECK(table.has_value() && !table->isEmpty());
    for (qsizetype i = 0; i < table->size(); ++i) {
        FUZZ_CHECK(table->offset(i) < book.text.size());
        FUZZ_CHECK(i == 0 ? table->offset(i) == 0
                          : book.text.mid(table->offset(i) - 1, 3) == ".\r\n");
    }
    for (qsizetype i = 0; i < book.structure.headingCount(); ++i) {
        FUZZ_CHECK(table->indexOf(book.structure.heading(i).offset) >= 0);
    }
    for (qsizetype i = 0; i < book.structure.pageCount(); ++i) {
        FUZZ_CHECK(table->indexOf(book.structure.page(i).offset) >= 0);
    }
}

Extracted extractDocument(const QByteArray &bytes) {
    TextBuilder text;
    if (bytes.contains("<dtbook")) {
        DtbookText::extract(bytes, text, "book.xml");
    } else {
        MarkupText::extract(bytes, MarkupText::detectEncoding(bytes), text, "page.html");
    }
    return Extraction::finished(text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    if (input.startsWith("PK")) {
        const Extracted first = extractEpub(input);
        FUZZ_CHECK((first.status == ExtractionStatus::Ok) == !first.text.isEmpty());
        checkText(first.text);
        checkStructure(first.text, first.structure);
        FUZZ_CHECK(extractEpub(input).text == first.text);
        checkDaisyZip(input);
        return 0;
    }
    const Extracted document = extractDocument(input);
    checkText(document.text);
    checkStructure(document.text, document.structure);
    FUZZ_CHECK(extractDocument(input).text == document.text);
    checkNavigation(EpubNavigation::fromNavigationDocument(input, "OEBPS/nav.xhtml"));
    checkNavigation(EpubNavigation::fromNcx(input, "OEBPS/toc.ncx"));
    checkDaisyMarkup(input);
    return 0;
}
