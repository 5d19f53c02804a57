#pragma once

#include "OfficeDocument.h"

#include <QHash>
#include <QString>

// How word/document.xml of a DOCX becomes text and structure.
//
// Each paragraph is a block, a tab a blank, a line or column break a block end;
// deleted text, field codes and the fallback copy of drawings are not read.
// A paragraph is a heading when its outline level (w:outlineLvl, its own or its
// style's, following w:basedOn through styles.xml) is 0 to 8: its level is the
// outline level + 1, at most 6. Style names are never looked at, since Word
// names them in the language of its installation. Explicit page breaks (a
// w:br of type page, which does not end the sentence it falls in, and
// w:pageBreakBefore) are pages numbered from 1.
class DocxFormat : public OfficeDocument::Format {
public:
    // With the styles of word/styles.xml (empty when the book has none).
    explicit DocxFormat(const QByteArray &styles);

    OfficeDocument::Action classify(const QXmlStreamReader &xml) const override;
    bool isText(QStringView name) const override { return name == u"t"; }
    void opened(const QXmlStreamReader &xml, TextBuilder &text) override;
    void closed(const QXmlStreamReader &xml, TextBuilder &text) override;

    // The language of the document's default run properties, or empty.
    const QByteArray &defaultLanguage() const { return m_defaultLanguage; }

private:
    struct Style {
        QString basedOn;
        int outlineLevel = -1; // -1: not set here
        int pageBreakBefore = -1;
    };
    struct Paragraph {
        QString style;
        int outlineLevel = -1;
        int pageBreakBefore = -1;
        bool started = false; // its heading and page have been recorded
        bool heading = false;
    };
    void readStyles(const QByteArray &styles);
    // The first value the style chain of `id` sets for `field`, or -1.
    int inherited(const QString &id, int Style::*field) const;
    void startParagraph(TextBuilder &text);

    QHash<QString, Style> m_styles;
    QString m_defaultStyle;
    QByteArray m_defaultLanguage;
    Paragraph m_paragraph;
    int m_paragraphDepth = 0; // text boxes hold paragraphs inside a paragraph
    OfficeDocument::PageBreaks m_pages;
};
