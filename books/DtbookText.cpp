#include "DtbookText.h"

#include "HtmlEntities.h"
#include "TextBuilder.h"

#include <QList>
#include <QXmlStreamReader>

#include <algorithm>
#include <iterator>

using namespace Qt::StringLiterals;

namespace {

constexpr QStringView SkippedElements[] = {u"noteref", u"annoref", u"linenum", u"math"};

constexpr QStringView BlockElements[] = {
    u"p",          u"list",       u"li",          u"dl",         u"dt",         u"dd",
    u"table",      u"thead",      u"tbody",       u"tfoot",      u"tr",         u"td",
    u"th",         u"caption",    u"note",        u"annotation", u"sidebar",    u"prodnote",
    u"blockquote", u"poem",       u"linegroup",   u"line",       u"div",        u"address",
    u"author",     u"byline",     u"dateline",    u"epigraph",   u"doctitle",   u"docauthor",
    u"covertitle", u"bridgehead", u"frontmatter", u"bodymatter", u"rearmatter", u"book",
    u"dtbook",     u"imggroup",   u"br",          u"hr",         u"title",      u"hd",
};

template <std::size_t N> bool isOneOf(QStringView name, const QStringView (&names)[N]) {
    return std::find(std::begin(names), std::end(names), name) != std::end(names);
}

// 1 to 6 for `prefix` followed by that digit (h3, level3), else 0.
int numberedLevel(QStringView name, QStringView prefix) {
    if (name.size() != prefix.size() + 1 || !name.startsWith(prefix)) {
        return 0;
    }
    const QChar digit = name.back();
    return digit >= u'1' && digit <= u'6' ? digit.unicode() - u'0' : 0;
}

// What the end of an open element does.
enum class Close : quint8 {
    Nothing,
    Block,   // ends the block
    Heading, // ends the heading and its block
    Section, // ends the section (a level) and its block
};

class Reader {
public:
    Reader(const QByteArray &document, TextBuilder &text, const QByteArray &scope)
        : m_xml(document), m_text(text), m_scope(scope) {
        m_xml.setEntityResolver(&m_entities);
    }

    bool read();

private:
    void startElement();
    void endElement();
    void readHead();
    void readPage();
    void addAnchor();
    Close startHeading(int level);
    // The level a heading in the innermost open section takes.
    int sectionLevel() const { return m_sections.isEmpty() ? 1 : m_sections.constLast(); }

    HtmlEntities m_entities;
    QXmlStreamReader m_xml;
    TextBuilder &m_text;
    const QByteArray &m_scope;
    QList<Close> m_open;   // one per open element, innermost last
    QList<int> m_sections; // the levels of the open sections, innermost last
    int m_headings = 0;    // open headings: one inside another is read as text
    bool m_readSome = false;
};

bool Reader::read() {
    m_text.endBlock();
    m_text.addAnchor(m_scope);
    while (!m_xml.atEnd() && !m_text.overflowed()) {
        switch (m_xml.readNext()) {
        case QXmlStreamReader::StartElement:
            startElement();
            break;
        case QXmlStreamReader::EndElement:
            endElement();
            break;
        case QXmlStreamReader::Characters:
            m_readSome = m_readSome || !m_xml.isWhitespace();
            m_text.addText(m_xml.text());
            break;
        case QXmlStreamReader::EntityReference:
            // Reported, unresolved, when the document names an external DTD.
            m_text.addText(QStringView(HtmlEntities::characterOf(m_xml.name())));
            break;
        default:
            break;
        }
    }
    m_text.endBlock();
    return !m_xml.hasError() || m_readSome;
}

void Reader::startElement() {
    const QStringView name = m_xml.name();
    if (name == u"head") {
        addAnchor();
        readHead();
        return;
    }
    if (name == u"pagenum") {
        addAnchor();
        readPage();
        return;
    }
    if (isOneOf(name, SkippedElements)) {
        addAnchor(); // a link to a note reference still finds its place
        m_xml.skipCurrentElement();
        return;
    }
    const bool inSection = !m_open.isEmpty() && m_open.constLast() == Close::Section;
    Close close = Close::Nothing;
    if (const int level = numberedLevel(name, u"level"); level > 0 || name == u"level") {
        m_sections.append(level > 0 ? level : std::min(sectionLevel() + 1, 6));
        close = Close::Section;
    } else if (const int heading = numberedLevel(name, u"h"); heading > 0) {
        close = startHeading(heading);
    } else if (name == u"hd" && inSection) {
        close = startHeading(sectionLevel());
    } else if (isOneOf(name, BlockElements)) {
        close = Close::Block;
    }
    if (close != Close::Nothing) {
        m_text.endBlock(); // so that the block's anchor lands on its start
    }
    addAnchor();
    if (close == Close::Heading) {
        m_text.beginHeading(sectionLevel());
    }
    if (name == u"img") {
        m_text.addBlank();
        m_text.addText(m_xml.attributes().value(u"alt"_s));
        m_text.addBlank();
    }
    m_open.append(close);
}

Close Reader::startHeading(int level) {
    if (m_headings > 0) {
        return Close::Nothing;
    }
    ++m_headings;
    // The heading's level rides on the section stack while it is open.
    m_sections.append(level);
    return Close::Heading;
}

void Reader::endElement() {
    if (m_open.isEmpty()) {
        return;
    }
    switch (m_open.takeLast()) {
    case Close::Nothing:
        return;
    case Close::Heading:
        m_text.endHeading();
        --m_headings;
        m_sections.removeLast();
        break;
    case Close::Section:
        m_sections.removeLast();
        break;
    case Close::Block:
        break;
    }
    m_text.endBlock();
}

void Reader::addAnchor() {
    const QByteArray id = m_xml.attributes().value(u"id"_s).toUtf8();
    if (!id.isEmpty()) {
        m_text.addAnchor(m_scope + '#' + id);
    }
}

// The head is never read; its Dublin Core metadata fills what the book has not
// said yet.
void Reader::readHead() {
    BookStructure &structure = m_text.structure();
    while (m_xml.readNextStartElement()) {
        if (m_xml.name() == u"meta") {
            const QXmlStreamAttributes attributes = m_xml.attributes();
            const QString key = attributes.value(u"name"_s).toString().toLower();
            const QByteArray value = attributes.value(u"content"_s).toUtf8().trimmed();
            for (auto [name, field] : {std::pair{u"dc:title", &structure.title},
                                       std::pair{u"dc:creator", &structure.author},
                                       std::pair{u"dc:language", &structure.language}}) {
                if (key == name && field->isEmpty()) {
                    *field = value;
                }
            }
        }
        m_xml.skipCurrentElement();
    }
}

// A print page's number: a page of the structure, labelled by its text.
void Reader::readPage() {
    const QByteArray id = m_xml.attributes().value(u"id"_s).toUtf8();
    const QString label = m_xml.readElementText(QXmlStreamReader::IncludeChildElements);
    m_text.addPage(label.trimmed().toUtf8(), id.isEmpty() ? QByteArray() : m_scope + '#' + id);
}

} // namespace

namespace DtbookText {

bool extract(const QByteArray &document, TextBuilder &text, const QByteArray &anchorScope) {
    return Reader(document, text, anchorScope).read();
}

} // namespace DtbookText
