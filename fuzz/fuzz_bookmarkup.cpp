// Fuzz target: web pages, DTBook documents and EPUB books to text, and the
// EPUB's navigation documents and NCX to their entries.
//
// Input: a zip (it starts with "PK") is written to a file and read as an EPUB;
// a document that names "<dtbook" is read as DTBook; anything else is read as an
// HTML page in the encoding detected for it (a declaration, UTF-8, uchardet's
// guess for legacy multibyte pages, else Windows-1252), inline SVG text
// included. Every input that is not a zip is also read as an EPUB 3 navigation
// document and as an NCX.
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
// - the same input gives the same text twice.
#include "BookSource.h"
#include "DtbookText.h"
#include "EpubNavigation.h"
#include "EpubText.h"
#include "Extraction.h"
#include "FuzzCheck.h"
#include "MarkupText.h"
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

Extracted extractEpub(const QByteArray &bytes) {
    static const QString path =
        QDir::tempPath() + QStringLiteral("/fuzz_bookmarkup.%1.epub").arg(::getpid());
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(bytes) == bytes.size());
    file.close();
    const Extracted result = EpubText::extract(path);
    QFile::remove(path);
    return result;
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
        return 0;
    }
    const Extracted document = extractDocument(input);
    checkText(document.text);
    checkStructure(document.text, document.structure);
    FUZZ_CHECK(extractDocument(input).text == document.text);
    checkNavigation(EpubNavigation::fromNavigationDocument(input, "OEBPS/nav.xhtml"));
    checkNavigation(EpubNavigation::fromNcx(input, "OEBPS/toc.ncx"));
    return 0;
}
