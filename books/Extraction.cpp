#include "Extraction.h"

#include "BookFormat.h"
#include "DaisyBook.h"
#include "EpubText.h"
#include "LibxmlDiagnostics.h"
#include "MarkupText.h"
#include "OfficeText.h"
#include "PdfText.h"
#include "TextBuilder.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <cstdio>

namespace {

// The whole of a book file no larger than `limit`; false when it cannot be read.
bool readWhole(const QString &path, qint64 limit, QByteArray &bytes) {
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly) || file.size() > limit) {
        return false;
    }
    bytes = file.read(limit + 1);
    return bytes.size() <= limit && file.error() == QFileDevice::NoError;
}

// UTF-16 with its byte-order mark becomes UTF-8 without one; nothing else moves.
Extracted utf16Text(const QString &path) {
    QByteArray bytes;
    if (!readWhole(path, Extraction::MaxDocumentBytes, bytes)) {
        return Extracted::failed(ExtractionStatus::CannotOpen);
    }
    QStringDecoder decoder(bytes.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE
                                                        : QStringConverter::Utf16BE);
    const QString text = decoder.decode(QByteArrayView(bytes).sliced(2));
    return {ExtractionStatus::Ok, text.toUtf8(), {}, {}};
}

// One line on standard error for a web page that is refused, with what libxml2
// said first, if anything; libxml2's own lines never reach it.
void sayRefused(const QString &path, const QByteArray &encoding) {
    const QByteArray said = LibxmlDiagnostics::firstMessage();
    std::fprintf(stderr, "zelvora: no text in %s (read as %s)%s%s\n",
                 QFile::encodeName(path).constData(), encoding.constData(),
                 said.isEmpty() ? "" : ": ", said.constData());
}

Extracted htmlText(const QString &path) {
    QByteArray bytes;
    if (!readWhole(path, Extraction::MaxDocumentBytes, bytes)) {
        return Extracted::failed(ExtractionStatus::CannotOpen);
    }
    TextBuilder text;
    const QByteArray encoding = MarkupText::detectEncoding(bytes);
    const bool parsed = MarkupText::extract(bytes, encoding, text) && !text.overflowed();
    Extracted result =
        parsed ? Extraction::finished(text) : Extracted::failed(ExtractionStatus::CannotOpen);
    if (result.status != ExtractionStatus::Ok) {
        sayRefused(path, encoding);
    }
    return result;
}

} // namespace

namespace Extraction {

Extracted finished(TextBuilder &text) {
    if (text.isEmpty()) {
        return Extracted::failed(ExtractionStatus::NoText);
    }
    QByteArray bytes = text.take();
    return {ExtractionStatus::Ok, std::move(bytes), text.takeStructure(), {}};
}

bool isUtf16Text(const QByteArray &head) {
    return head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF");
}

Extracted extractBook(const QString &path) {
    if (QFileInfo(path).size() > MaxBookBytes) {
        return Extracted::failed(ExtractionStatus::CannotOpen);
    }
    switch (BookFormats::formatOf(path)) {
    case BookFormat::PlainText:
        return utf16Text(path);
    case BookFormat::Epub:
        return EpubText::extract(path);
    case BookFormat::Html:
        return htmlText(path);
    case BookFormat::Docx:
        return OfficeText::extractDocx(path);
    case BookFormat::Odt:
        return OfficeText::extractOdt(path);
    case BookFormat::Pdf:
        return PdfText::extract(path);
    case BookFormat::Daisy:
        return DaisyBook::extract(path);
    case BookFormat::Unknown:
        break;
    }
    return Extracted::failed(ExtractionStatus::CannotOpen);
}

} // namespace Extraction
