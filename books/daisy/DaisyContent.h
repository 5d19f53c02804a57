#pragma once

#include "TextBuilder.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>

class DaisySource;

// The text of a DAISY book's content documents (XHTML of a 2.02 book, DTBook of
// a DAISY 3 book), read into one text in the order they are first needed, each
// element id an anchor "document#id". The DTBook documents a DAISY 3 package
// names are read at once, in its order; a 2.02 book's documents when a SMIL
// phrase first points into them, which is the reading order. Not thread-safe.
class DaisyContent {
public:
    DaisyContent(DaisySource &source, const QStringList &dtbooks);

    // The sentence start in the text where the fragment `ref` ("document#id")
    // lands, reading the document first if it has not been read; -1 when
    // neither the fragment nor its document is there.
    qint64 offsetOf(const QString &ref);
    // The label of the page number that the fragment `ref` is, else empty (after
    // offsetOf() has read its document).
    QByteArray pageLabelOf(const QString &ref) const { return m_text.pageLabelOf(ref.toUtf8()); }
    // Ends the text and hands it over.
    QByteArray take() { return m_text.take(); }

    // The sentence of `text` at `offset` up to its full stop (at most `limit`
    // bytes, cut at a character start), without blanks around it; empty for -1.
    static QByteArray sentenceAt(const QByteArray &text, qint64 offset, qsizetype limit);

private:
    void read(const QString &document, bool dtbook);

    DaisySource &m_source;
    TextBuilder m_text;
    QSet<QString> m_read;
};
