#include "OdtFormat.h"

#include "TextBuilder.h"

using namespace Qt::StringLiterals;
using OfficeDocument::Action;
using OfficeDocument::attribute;

namespace {

constexpr int LongestStyleChain = 32;

} // namespace

OdtFormat::OdtFormat(const QByteArray &styles) {
    QXmlStreamReader xml(styles);
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            readStyle(xml);
        } else if (token == QXmlStreamReader::EndElement && xml.name() == u"style") {
            m_style.clear();
        }
    }
}

Action OdtFormat::classify(const QXmlStreamReader &xml) const {
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

// In ODT the text is the character data of paragraphs and headings and of the
// spans, links and fields inside them.
bool OdtFormat::isText(QStringView name) const {
    return name == u"p" || name == u"h" || name == u"span" || name == u"a" ||
           name == u"ruby-base" || name == u"meta" || name.endsWith(u"-name") || name == u"date" ||
           name == u"time" || name == u"page-number" || name == u"chapter" || name == u"title" ||
           name == u"subject" || name == u"author-name" || name == u"sequence";
}

void OdtFormat::opened(const QXmlStreamReader &xml, TextBuilder &text) {
    const QStringView name = xml.name();
    if (name == u"p" || name == u"h") {
        startBlock(xml, text);
    } else if (name == u"soft-page-break") {
        m_pages.add(text);
    } else {
        readStyle(xml); // the automatic styles come before the body
    }
}

void OdtFormat::closed(const QXmlStreamReader &xml, TextBuilder &text) {
    const QStringView name = xml.name();
    if (name == u"style") {
        m_style.clear();
    } else if (name == u"p" || name == u"h") {
        if (name == u"h" && m_inHeading) {
            text.endHeading();
            m_inHeading = false;
        }
        m_breakPending =
            m_breakPending || breaks(attribute(xml, u"style-name"), &Style::breakAfter);
    }
}

void OdtFormat::startBlock(const QXmlStreamReader &xml, TextBuilder &text) {
    const QString style = attribute(xml, u"style-name");
    if (m_breakPending || breaks(style, &Style::breakBefore)) {
        m_pages.add(text);
    }
    m_breakPending = false;
    if (xml.name() == u"h" && !m_inHeading) {
        bool ok = false;
        const int level = attribute(xml, u"outline-level").toInt(&ok);
        text.beginHeading(ok ? level : 1);
        m_inHeading = true;
    }
}

void OdtFormat::readStyle(const QXmlStreamReader &xml) {
    const QStringView name = xml.name();
    if (name == u"style") {
        m_style = attribute(xml, u"name");
        m_styles.insert(m_style, {attribute(xml, u"parent-style-name"), -1, -1});
    } else if (name == u"paragraph-properties" && !m_style.isEmpty()) {
        const auto pageBreak = [&xml](QStringView property) {
            const QString value = attribute(xml, property);
            return value.isEmpty() ? -1 : value == u"page" ? 1 : 0;
        };
        Style &style = m_styles[m_style];
        style.breakBefore = pageBreak(u"break-before");
        style.breakAfter = pageBreak(u"break-after");
    }
}

bool OdtFormat::breaks(const QString &name, int Style::*field) const {
    QString at = name;
    for (int step = 0; step < LongestStyleChain && !at.isEmpty(); ++step) {
        const auto style = m_styles.constFind(at);
        if (style == m_styles.cend()) {
            return false;
        }
        if (style.value().*field >= 0) {
            return style.value().*field == 1;
        }
        at = style->parent;
    }
    return false;
}
