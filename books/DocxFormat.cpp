#include "DocxFormat.h"

#include "TextBuilder.h"

using namespace Qt::StringLiterals;
using OfficeDocument::Action;
using OfficeDocument::attribute;

namespace {

constexpr int LongestStyleChain = 32;

// A number the element's w:val gives, -1 when it gives none.
int numberOf(const QXmlStreamReader &xml) {
    bool ok = false;
    const int value = attribute(xml, u"val").toInt(&ok);
    return ok && value >= 0 ? value : -1;
}

// An on/off property: on when w:val is missing or says so.
int switchOf(const QXmlStreamReader &xml) {
    const QString value = attribute(xml, u"val");
    return value.isEmpty() || value == u"1" || value == u"true" || value == u"on" ? 1 : 0;
}

} // namespace

DocxFormat::DocxFormat(const QByteArray &styles) {
    readStyles(styles);
}

Action DocxFormat::classify(const QXmlStreamReader &xml) const {
    const QStringView name = xml.name();
    if (name == u"p") {
        return Action::EndBlock;
    }
    if (name == u"tab" || name == u"ptab") {
        return Action::Blank;
    }
    if (name == u"br") {
        // A page break falls between two pages, not between two sentences.
        return attribute(xml, u"type") == u"page" ? Action::Blank : Action::BreakBlock;
    }
    if (name == u"cr") {
        return Action::BreakBlock;
    }
    if (name == u"del" || name == u"instrText" || name == u"Fallback" || name == u"delText" ||
        name == u"pPrChange" || name == u"rPrChange") {
        return Action::Skip;
    }
    return Action::Read;
}

void DocxFormat::opened(const QXmlStreamReader &xml, TextBuilder &text) {
    const QStringView name = xml.name();
    if (name == u"p") {
        if (++m_paragraphDepth == 1) {
            m_paragraph = Paragraph();
        }
    } else if (m_paragraphDepth != 1 || m_paragraph.started) {
        if (name == u"br" && attribute(xml, u"type") == u"page") {
            m_pages.add(text);
        }
    } else if (name == u"pStyle") {
        m_paragraph.style = attribute(xml, u"val");
    } else if (name == u"outlineLvl") {
        m_paragraph.outlineLevel = numberOf(xml);
    } else if (name == u"pageBreakBefore") {
        m_paragraph.pageBreakBefore = switchOf(xml);
    } else if (name == u"r") {
        startParagraph(text);
    }
}

void DocxFormat::closed(const QXmlStreamReader &xml, TextBuilder &text) {
    const QStringView name = xml.name();
    if (name == u"pPr") {
        startParagraph(text);
    } else if (name == u"p" && m_paragraphDepth > 0) {
        startParagraph(text);
        if (m_paragraphDepth == 1 && m_paragraph.heading) {
            text.endHeading();
        }
        --m_paragraphDepth;
    }
}

// Once the paragraph's properties are known: its page break and its heading.
void DocxFormat::startParagraph(TextBuilder &text) {
    if (m_paragraphDepth != 1 || m_paragraph.started) {
        return;
    }
    m_paragraph.started = true;
    const QString style = m_paragraph.style.isEmpty() ? m_defaultStyle : m_paragraph.style;
    const int pageBreak = m_paragraph.pageBreakBefore >= 0
                              ? m_paragraph.pageBreakBefore
                              : inherited(style, &Style::pageBreakBefore);
    if (pageBreak == 1) {
        m_pages.add(text);
    }
    const int outline = m_paragraph.outlineLevel >= 0 ? m_paragraph.outlineLevel
                                                      : inherited(style, &Style::outlineLevel);
    // Level 9 is body text.
    if (outline >= 0 && outline <= 8) {
        text.beginHeading(std::min(outline + 1, BookStructure::DeepestLevel));
        m_paragraph.heading = true;
    }
}

int DocxFormat::inherited(const QString &id, int Style::*field) const {
    QString at = id;
    for (int step = 0; step < LongestStyleChain && !at.isEmpty(); ++step) {
        const auto style = m_styles.constFind(at);
        if (style == m_styles.cend()) {
            break;
        }
        if (style.value().*field >= 0) {
            return style.value().*field;
        }
        at = style->basedOn;
    }
    return -1;
}

void DocxFormat::readStyles(const QByteArray &styles) {
    QXmlStreamReader xml(styles);
    QString id; // of the paragraph style being read
    Style style;
    bool inDefaults = false;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        const QStringView name = xml.name();
        if (token == QXmlStreamReader::EndElement) {
            if (name == u"style" && !id.isEmpty()) {
                m_styles.insert(id, style);
                id.clear();
            }
            inDefaults = name == u"docDefaults" ? false : inDefaults;
            continue;
        }
        if (token != QXmlStreamReader::StartElement) {
            continue;
        }
        if (name == u"style") {
            const bool paragraph = attribute(xml, u"type") == u"paragraph";
            id = paragraph ? attribute(xml, u"styleId") : QString();
            style = Style();
            const QString isDefault = attribute(xml, u"default");
            if (paragraph && (isDefault == u"1" || isDefault == u"true" || isDefault == u"on")) {
                m_defaultStyle = id;
            }
        } else if (name == u"docDefaults") {
            inDefaults = true;
        } else if (inDefaults && name == u"lang" && m_defaultLanguage.isEmpty()) {
            m_defaultLanguage = attribute(xml, u"val").toUtf8();
        } else if (!id.isEmpty() && name == u"basedOn") {
            style.basedOn = attribute(xml, u"val");
        } else if (!id.isEmpty() && name == u"outlineLvl") {
            style.outlineLevel = numberOf(xml);
        } else if (!id.isEmpty() && name == u"pageBreakBefore") {
            style.pageBreakBefore = switchOf(xml);
        }
    }
}
