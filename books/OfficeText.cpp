#include "OfficeText.h"

#include "TextBuilder.h"
#include "ZipArchive.h"

#include <QXmlStreamReader>

#include <functional>

namespace {

enum class Action {
    Read,       // go into the element
    Skip,       // leave out the element and all it holds
    EndBlock,   // a paragraph, a heading: a block of its own
    Blank,      // a tab, a space element
    BreakBlock, // a line break: ends the block here
};

using Classify = std::function<Action(const QXmlStreamReader &)>;
using IsText = std::function<bool(QStringView)>;

// Streams `xml` into `text`: the character data of the elements `isText` names,
// with the structure `classify` gives. False when the XML is not well formed
// (an over-long entity expansion included) and nothing was read before that.
bool readDocument(const QByteArray &document, const Classify &classify, const IsText &isText,
                  TextBuilder &text) {
    QXmlStreamReader xml(document);
    QList<bool> inText; // per open element: whether its character data is read
    while (!xml.atEnd() && !text.overflowed()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement: {
            const Action action = classify(xml);
            if (action == Action::Skip) {
                xml.skipCurrentElement();
                break;
            }
            if (action == Action::EndBlock || action == Action::BreakBlock) {
                text.endBlock();
            } else if (action == Action::Blank) {
                text.addBlank();
            }
            inText.append(isText(xml.name()));
            break;
        }
        case QXmlStreamReader::EndElement:
            if (!inText.isEmpty()) {
                inText.removeLast();
            }
            if (classify(xml) == Action::EndBlock) {
                text.endBlock();
            }
            break;
        case QXmlStreamReader::Characters:
            if (!inText.isEmpty() && inText.constLast()) {
                text.addText(xml.text());
            }
            break;
        default:
            break;
        }
    }
    text.endBlock();
    return !xml.hasError() || !text.isEmpty();
}

Action docxAction(const QXmlStreamReader &xml) {
    const QStringView name = xml.name();
    if (name == u"p") {
        return Action::EndBlock;
    }
    if (name == u"tab" || name == u"ptab") {
        return Action::Blank;
    }
    if (name == u"br" || name == u"cr") {
        return Action::BreakBlock;
    }
    if (name == u"del" || name == u"instrText" || name == u"Fallback" || name == u"delText") {
        return Action::Skip;
    }
    return Action::Read;
}

Action odtAction(const QXmlStreamReader &xml) {
    const QStringView name = xml.name();
    if (name == u"p" || name == u"h") {
        return Action::EndBlock;
    }
    if (name == u"s" || name == u"tab") {
        return Action::Blank;
    }
    if (name == u"line-break") {
        return Action::BreakBlock;
    }
    if (name == u"note" || name == u"annotation" || name == u"tracked-changes" || name == u"desc" ||
        name == u"title" || name == u"forms" || name == u"sequence-decls") {
        return Action::Skip;
    }
    return Action::Read;
}

Extracted extractPart(const QString &path, const QByteArray &part, const Classify &classify,
                      const IsText &isText) {
    ZipArchive zip;
    if (!zip.open(path)) {
        return Extracted::failed(ExtractionStatus::CannotOpen);
    }
    QByteArray document;
    if (zip.read(part, Extraction::MaxDocumentBytes, document) != ZipArchive::Read::Ok) {
        return Extracted::failed(ExtractionStatus::CannotOpen);
    }
    TextBuilder text;
    if (!readDocument(document, classify, isText, text) || text.overflowed()) {
        return Extracted::failed(ExtractionStatus::CannotOpen);
    }
    return Extraction::finished(text);
}

// An ODT saved with a password lists encryption data in its manifest.
bool odtIsEncrypted(const QString &path) {
    ZipArchive zip;
    QByteArray manifest;
    return zip.open(path) &&
           zip.read("META-INF/manifest.xml", Extraction::MaxDocumentBytes, manifest) ==
               ZipArchive::Read::Ok &&
           manifest.contains("encryption-data");
}

} // namespace

namespace OfficeText {

Extracted extractDocx(const QString &path) {
    return extractPart(path, "word/document.xml", docxAction,
                       [](QStringView name) { return name == u"t"; });
}

Extracted extractOdt(const QString &path) {
    if (odtIsEncrypted(path)) {
        return Extracted::failed(ExtractionStatus::Protected);
    }
    // In ODT the text is the character data of paragraphs and headings and of
    // the spans, links and fields inside them.
    return extractPart(path, "content.xml", odtAction, [](QStringView name) {
        return name == u"p" || name == u"h" || name == u"span" || name == u"a" ||
               name == u"ruby-base" || name == u"meta" || name.endsWith(u"-name") ||
               name == u"date" || name == u"time" || name == u"page-number" || name == u"chapter" ||
               name == u"title" || name == u"subject" || name == u"author-name" ||
               name == u"sequence";
    });
}

} // namespace OfficeText
