#include "OfficeText.h"

#include "DocxFormat.h"
#include "OdtFormat.h"
#include "TextBuilder.h"
#include "ZipArchive.h"

namespace {

constexpr qint64 MaxPartBytes = 16 * 1024 * 1024;

// An optional part of the book (styles, metadata): empty when it is missing,
// damaged or too large, which loses only the structure it would give.
QByteArray optionalPart(ZipArchive &zip, const QByteArray &name) {
    QByteArray bytes;
    return zip.read(name, MaxPartBytes, bytes) == ZipArchive::Read::Ok ? bytes : QByteArray();
}

// The text of the part `body` with the structure `format` finds, and the
// metadata of the part `metadata`.
Extracted extractPart(ZipArchive &zip, const QByteArray &body, OfficeDocument::Format &format,
                      const QByteArray &metadata, TextBuilder &text) {
    QByteArray document;
    if (zip.read(body, Extraction::MaxDocumentBytes, document) != ZipArchive::Read::Ok) {
        return Extracted::failed(ExtractionStatus::CannotOpen);
    }
    if (!OfficeDocument::read(document, format, text) || text.overflowed()) {
        return Extracted::failed(ExtractionStatus::CannotOpen);
    }
    OfficeDocument::readMetadata(optionalPart(zip, metadata), text.structure());
    return Extraction::finished(text);
}

// An ODT saved with a password lists encryption data in its manifest.
bool odtIsEncrypted(ZipArchive &zip) {
    QByteArray manifest;
    return zip.read("META-INF/manifest.xml", Extraction::MaxDocumentBytes, manifest) ==
               ZipArchive::Read::Ok &&
           manifest.contains("encryption-data");
}

} // namespace

namespace OfficeText {

Extracted extractDocx(const QString &path) {
    ZipArchive zip;
    if (!zip.open(path)) {
        return Extracted::failed(ExtractionStatus::CannotOpen);
    }
    DocxFormat format(optionalPart(zip, "word/styles.xml"));
    TextBuilder text;
    Extracted result = extractPart(zip, "word/document.xml", format, "docProps/core.xml", text);
    if (result.structure.language.isEmpty()) {
        result.structure.language = format.defaultLanguage();
    }
    return result;
}

Extracted extractOdt(const QString &path) {
    ZipArchive zip;
    if (!zip.open(path)) {
        return Extracted::failed(ExtractionStatus::CannotOpen);
    }
    if (odtIsEncrypted(zip)) {
        return Extracted::failed(ExtractionStatus::Protected);
    }
    OdtFormat format(optionalPart(zip, "styles.xml"));
    TextBuilder text;
    return extractPart(zip, "content.xml", format, "meta.xml", text);
}

} // namespace OfficeText
