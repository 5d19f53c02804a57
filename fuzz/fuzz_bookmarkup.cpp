// Fuzz target: web pages and EPUB books to text.
//
// Input: a zip (it starts with "PK") is written to a file and read as an EPUB;
// anything else is read as an HTML page in the encoding detected for it (a
// declaration, UTF-8, uchardet's guess for legacy multibyte pages, else
// Windows-1252), inline SVG text included.
//
// Properties:
// - nothing crashes, hangs or grows without bound (libFuzzer's own limits);
// - a refused book gives no text, an accepted one some text;
// - the text is valid UTF-8 without NUL or other control bytes than the line
//   ends, and every line end follows a full stop, so that each block ends its
//   sentence; the text never ends with a line end;
// - every heading and page of an HTML page lies on a sentence start inside its
//   text: the start, or the blank or line end after a full stop;
// - the same input gives the same text twice.
#include "EpubText.h"
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

void checkOnSentenceStart(const QByteArray &text, qint64 offset) {
    FUZZ_CHECK(offset >= 0 && offset < text.size());
    FUZZ_CHECK(offset == 0 ||
               (text[offset - 1] == '.' && QByteArrayView(" \r\n").contains(text[offset])));
}

QByteArray extractHtml(const QByteArray &bytes) {
    TextBuilder text;
    MarkupText::extract(bytes, MarkupText::detectEncoding(bytes), text);
    QByteArray result = text.take();
    const BookStructure structure = text.takeStructure();
    for (qsizetype i = 0; i < structure.headingCount(); ++i) {
        checkOnSentenceStart(result, structure.heading(i).offset);
    }
    for (qsizetype i = 0; i < structure.pageCount(); ++i) {
        checkOnSentenceStart(result, structure.page(i).offset);
    }
    return result;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    if (input.startsWith("PK")) {
        const Extracted first = extractEpub(input);
        FUZZ_CHECK((first.status == ExtractionStatus::Ok) == !first.text.isEmpty());
        checkText(first.text);
        FUZZ_CHECK(extractEpub(input).text == first.text);
        return 0;
    }
    const QByteArray text = extractHtml(input);
    checkText(text);
    FUZZ_CHECK(extractHtml(input) == text);
    return 0;
}
