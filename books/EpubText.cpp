#include "EpubText.h"

#include "DtbookText.h"
#include "EpubNavigation.h"
#include "EpubOverlay.h"
#include "EpubPackage.h"
#include "MarkupText.h"
#include "TextBuilder.h"
#include "ZipArchive.h"

#include <QFileInfo>
#include <QList>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 MaxPackageBytes = 16 * 1024 * 1024;

// The two algorithms that only obfuscate fonts; anything else hides the text.
const QList<QStringView> FontObfuscation{u"http://www.idpf.org/2008/embedding",
                                         u"http://ns.adobe.com/pdf/enc#RC"};

bool encryptsContent(const QByteArray &encryption) {
    QXmlStreamReader xml(encryption);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"EncryptionMethod" &&
            !FontObfuscation.contains(xml.attributes().value(u"Algorithm"_s))) {
            return true;
        }
    }
    return false;
}

enum class Content { None, Markup, Dtbook };

Content contentOf(const EpubPackage::Item &item) {
    if (item.mediaType == u"application/x-dtbook+xml") {
        return Content::Dtbook;
    }
    const bool markup = item.mediaType == u"application/xhtml+xml" ||
                        item.mediaType == u"text/html" || item.mediaType == u"text/x-oeb1-document";
    return markup && !item.properties.split(u' ').contains(u"nav"_s) ? Content::Markup
                                                                     : Content::None;
}

// Reads the spine's documents into `text`, each element id an anchor of the
// document's zip entry. False when an entry is damaged or too large, or when none
// of them could be read.
bool readSpine(ZipArchive &zip, const EpubPackage &package, TextBuilder &text) {
    int read = 0;
    for (const QString &id : package.spine) {
        const auto item = package.manifest.constFind(id);
        const Content content = item != package.manifest.cend() ? contentOf(*item) : Content::None;
        if (content == Content::None) {
            continue;
        }
        QByteArray document;
        const ZipArchive::Read result =
            zip.read(item->entry, Extraction::MaxDocumentBytes, document);
        if (result == ZipArchive::Read::Missing) {
            continue; // a tolerant reader skips a missing chapter
        }
        if (result != ZipArchive::Read::Ok) {
            return false;
        }
        const bool ok = content == Content::Dtbook
                            ? DtbookText::extract(document, text, item->entry)
                            : MarkupText::extract(document, MarkupText::detectEncoding(document),
                                                  text, item->entry);
        read += ok ? 1 : 0;
        if (text.overflowed()) {
            return false;
        }
    }
    return read > 0;
}

struct Placed {
    qint64 offset = 0;
    int level = 1;
    QByteArray label;
};

// The entries whose targets landed in the text, at their places. A heading needs
// a label to be spoken; a page without one is known by its number.
QList<Placed> place(const QList<EpubNavigation::Entry> &entries, const TextBuilder &text,
                    bool needLabel) {
    QList<Placed> placed;
    for (const EpubNavigation::Entry &entry : entries) {
        const qint64 offset = text.anchorOffset(entry.target);
        if (offset >= 0 && !(needLabel && entry.label.isEmpty())) {
            placed.append({offset, entry.level, entry.label});
        }
    }
    return placed;
}

struct Navigation {
    QList<Placed> headings;
    QList<Placed> pages;
};

// The table of contents and the page list, each from the navigation document
// where it has them, else from the NCX.
Navigation navigationOf(ZipArchive &zip, const EpubPackage &package, const TextBuilder &text) {
    Navigation navigation;
    QByteArray document;
    const QByteArray navEntry = package.navigationEntry();
    if (zip.read(navEntry, Extraction::MaxDocumentBytes, document) == ZipArchive::Read::Ok) {
        const EpubNavigation nav = EpubNavigation::fromNavigationDocument(document, navEntry);
        navigation = {place(nav.contents, text, true), place(nav.pages, text, false)};
    }
    const QByteArray ncxEntry = package.ncxEntry();
    if ((navigation.headings.isEmpty() || navigation.pages.isEmpty()) &&
        zip.read(ncxEntry, Extraction::MaxDocumentBytes, document) == ZipArchive::Read::Ok) {
        const EpubNavigation ncx = EpubNavigation::fromNcx(document, ncxEntry);
        if (navigation.headings.isEmpty()) {
            navigation.headings = place(ncx.contents, text, true);
        }
        if (navigation.pages.isEmpty()) {
            navigation.pages = place(ncx.pages, text, false);
        }
    }
    return navigation;
}

// The book's structure: the package's metadata (the content's where the package
// says nothing), the table of contents (else the content's headings) and the
// page list (else the content's page markers, never both).
BookStructure structureOf(const BookStructure &content, const EpubPackage &package,
                          const Navigation &navigation, qint64 textSize) {
    BookStructure structure;
    structure.title = package.title.isEmpty() ? content.title : package.title;
    structure.author = package.author.isEmpty() ? content.author : package.author;
    structure.language = package.language.isEmpty() ? content.language : package.language;
    for (const Placed &heading : navigation.headings) {
        structure.addHeading(heading.offset, heading.level, heading.label);
    }
    for (qsizetype i = 0; navigation.headings.isEmpty() && i < content.headingCount(); ++i) {
        const BookStructure::Heading heading = content.heading(i);
        structure.addHeading(heading.offset, heading.level, heading.text);
    }
    for (const Placed &page : navigation.pages) {
        structure.addPage(page.offset, page.label);
    }
    for (qsizetype i = 0; navigation.pages.isEmpty() && i < content.pageCount(); ++i) {
        const BookStructure::Page page = content.page(i);
        structure.addPage(page.offset, page.label);
    }
    structure.finish(textSize);
    return structure;
}

} // namespace

namespace EpubText {

Extracted extract(const QString &path) {
    ZipArchive zip;
    if (!zip.open(path)) {
        return Extracted::failed(ExtractionStatus::CannotOpen);
    }
    QByteArray bytes;
    if (zip.contains("META-INF/rights.xml") ||
        (zip.read("META-INF/encryption.xml", MaxPackageBytes, bytes) == ZipArchive::Read::Ok &&
         encryptsContent(bytes))) {
        return Extracted::failed(ExtractionStatus::Protected);
    }
    const std::optional<QByteArray> opfEntry = EpubPackage::locate(zip, MaxPackageBytes);
    if (!opfEntry || zip.read(*opfEntry, MaxPackageBytes, bytes) != ZipArchive::Read::Ok) {
        return Extracted::failed(ExtractionStatus::CannotOpen);
    }
    const EpubPackage package = EpubPackage::parse(bytes, *opfEntry);
    TextBuilder text;
    if (!readSpine(zip, package, text)) {
        return Extracted::failed(ExtractionStatus::CannotOpen);
    }
    const Navigation navigation = navigationOf(zip, package, text);
    QByteArray narration =
        EpubOverlay::phrasesOf(zip, QFileInfo(path).absoluteFilePath(), package, text);
    Extracted result = Extraction::finished(text);
    if (result.status == ExtractionStatus::Ok) {
        result.structure =
            structureOf(result.structure, package, navigation, qint64(result.text.size()));
        result.phrases = std::move(narration);
    }
    return result;
}

} // namespace EpubText
