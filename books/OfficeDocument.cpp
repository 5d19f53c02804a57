#include "OfficeDocument.h"

#include "TextBuilder.h"

#include <QList>

using namespace Qt::StringLiterals;

namespace OfficeDocument {

QString attribute(const QXmlStreamReader &xml, QStringView name) {
    const QXmlStreamAttributes attributes = xml.attributes();
    for (const QXmlStreamAttribute &attribute : attributes) {
        if (attribute.name() == name) {
            return attribute.value().toString();
        }
    }
    return QString();
}

bool read(const QByteArray &document, Format &format, TextBuilder &text) {
    QXmlStreamReader xml(document);
    QList<bool> inText; // per open element: whether its character data is read
    while (!xml.atEnd() && !text.overflowed()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement: {
            const Action action = format.classify(xml);
            if (action == Action::Skip) {
                xml.skipCurrentElement();
                break;
            }
            if (action == Action::EndBlock || action == Action::BreakBlock) {
                text.endBlock();
            } else if (action == Action::Blank) {
                text.addBlank();
            }
            format.opened(xml, text);
            inText.append(format.isText(xml.name()));
            break;
        }
        case QXmlStreamReader::EndElement:
            if (!inText.isEmpty()) {
                inText.removeLast();
            }
            format.closed(xml, text);
            if (format.classify(xml) == Action::EndBlock) {
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

void readMetadata(const QByteArray &part, BookStructure &structure) {
    QByteArray creator;
    QByteArray initialCreator;
    QXmlStreamReader xml(part);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        const QStringView name = xml.name();
        QByteArray *field = name == u"title"             ? &structure.title
                            : name == u"creator"         ? &creator
                            : name == u"initial-creator" ? &initialCreator
                            : name == u"language"        ? &structure.language
                                                         : nullptr;
        const bool metadata = xml.prefix() == u"dc" || xml.prefix() == u"meta" ||
                              xml.namespaceUri() == u"http://purl.org/dc/elements/1.1/";
        if (field != nullptr && metadata && field->isEmpty()) {
            *field = xml.readElementText(QXmlStreamReader::IncludeChildElements)
                         .simplified()
                         .left(BookStructure::LongestText)
                         .toUtf8();
        }
    }
    if (structure.author.isEmpty()) {
        structure.author = initialCreator.isEmpty() ? creator : initialCreator;
    }
}

void PageBreaks::add(TextBuilder &text) {
    if (m_count == 0) {
        text.structure().addPage(0, "1");
        m_count = 1;
        m_lastOffset = 0;
    }
    const qint64 offset = text.here();
    if (offset != m_lastOffset) {
        text.structure().addPage(offset, QByteArray::number(++m_count));
        m_lastOffset = offset;
    }
}

} // namespace OfficeDocument
