#pragma once

#include "OfficeDocument.h"

#include <QHash>
#include <QString>

// How content.xml of an ODT becomes text and structure.
//
// Paragraphs and headings are blocks, text:s and tabs blanks, line breaks block
// ends; notes, annotations (comments) and tracked deletions are left out. A
// text:h is a heading of its text:outline-level (1 when it has none, at most 6).
// Pages are the layout's soft page breaks (text:soft-page-break, which do not end
// the sentence they fall in) and the explicit breaks of paragraph styles
// (fo:break-before or fo:break-after "page", their own or their parents', from
// the automatic styles of content.xml and the styles of styles.xml), numbered
// from 1.
class OdtFormat : public OfficeDocument::Format {
public:
    // With the styles of styles.xml (empty when the book has none).
    explicit OdtFormat(const QByteArray &styles);

    OfficeDocument::Action classify(const QXmlStreamReader &xml) const override;
    bool isText(QStringView name) const override;
    void opened(const QXmlStreamReader &xml, TextBuilder &text) override;
    void closed(const QXmlStreamReader &xml, TextBuilder &text) override;

private:
    struct Style {
        QString parent;
        int breakBefore = -1; // 1: a page break, 0: none, -1: as its parent
        int breakAfter = -1;
    };
    // Whether the style chain of `name` breaks the page before (after) it: the
    // first style of the chain that says decides.
    bool breaks(const QString &name, int Style::*field) const;
    void readStyle(const QXmlStreamReader &xml);
    void startBlock(const QXmlStreamReader &xml, TextBuilder &text);

    QHash<QString, Style> m_styles;
    QString m_style;             // the style whose properties are being read
    bool m_breakPending = false; // a block broke the page after it
    bool m_inHeading = false;
    OfficeDocument::PageBreaks m_pages;
};
