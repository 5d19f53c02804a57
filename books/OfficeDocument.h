#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QXmlStreamReader>

class BookStructure;
class TextBuilder;

// What the word processor formats share: a streaming walk of a part's XML into
// a TextBuilder, whose text and blocks each format's Format decides, the Dublin
// Core metadata of their metadata parts, and the numbering of explicit pages.
namespace OfficeDocument {

enum class Action {
    Read,       // go into the element
    Skip,       // leave out the element and all it holds
    EndBlock,   // a paragraph, a heading: a block of its own
    Blank,      // a tab, a space element
    BreakBlock, // a line break: ends the block here
};

class Format {
public:
    virtual ~Format() = default;
    // What the element that starts or ends at `xml` is.
    virtual Action classify(const QXmlStreamReader &xml) const = 0;
    // Whether the character data directly inside an element of `name` is text.
    virtual bool isText(QStringView name) const = 0;
    // Called at the start of an element that is read, after its block ended
    // (EndBlock) or its blank was added (Blank): the place to record structure.
    virtual void opened(const QXmlStreamReader &xml, TextBuilder &text) {
        Q_UNUSED(xml);
        Q_UNUSED(text);
    }
    // Called at the end of an element that was read, before its block ends.
    virtual void closed(const QXmlStreamReader &xml, TextBuilder &text) {
        Q_UNUSED(xml);
        Q_UNUSED(text);
    }
};

// The value of the element's attribute `name`, whatever its prefix (the formats
// and their strict variants use more than one namespace), or an empty string.
QString attribute(const QXmlStreamReader &xml, QStringView name);

// Streams `document` into `text` as `format` says. False when the XML is not
// well formed (an over-long entity expansion included) and nothing was read
// before that.
bool read(const QByteArray &document, Format &format, TextBuilder &text);

// The title (dc:title), the author (meta:initial-creator, else dc:creator) and
// the language (dc:language) of docProps/core.xml or meta.xml, into the fields
// of `structure` that are still empty.
void readMetadata(const QByteArray &part, BookStructure &structure);

// The pages that breaks make, numbered 1, 2, ...: page 1 at the text's start once
// the book has a break. A break where the page before starts (two breaks with no
// sentence between them, a layout break beside an explicit one) adds nothing.
class PageBreaks {
public:
    // A break where the text stands now: the page after it starts at text.here().
    void add(TextBuilder &text);

private:
    int m_count = 0;
    qint64 m_lastOffset = -1;
};

} // namespace OfficeDocument
