#pragma once

#include "Extraction.h"

// Word processor documents, read with QXmlStreamReader (which refuses to expand
// an entity past its limit) from their zip container.
//
// DOCX: word/document.xml; each paragraph a block, a tab a blank, a line, column
// or page break a block end; deleted text, field codes and the fallback copy of
// drawings are not read. Headers, footers, comments, footnotes and endnotes live
// in other parts of the file and are left out.
// ODT: content.xml's body; paragraphs and headings are blocks, text:s and tabs
// blanks, line breaks block ends; notes, annotations (comments) and tracked
// deletions are left out. A password-protected ODT is Protected.
namespace OfficeText {
Extracted extractDocx(const QString &path);
Extracted extractOdt(const QString &path);
} // namespace OfficeText
