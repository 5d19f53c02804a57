#pragma once

#include "Extraction.h"

// Word processor documents, read with QXmlStreamReader (which refuses to expand
// an entity past its limit) from their zip container, with their headings, pages
// and metadata.
//
// DOCX: word/document.xml as DocxFormat.h says, with the styles of
// word/styles.xml and the metadata of docProps/core.xml. Headers, footers,
// comments, footnotes and endnotes live in other parts of the file and are left
// out.
// ODT: content.xml's body as OdtFormat.h says, with the styles of styles.xml and
// the metadata of meta.xml. A password-protected ODT is Protected.
namespace OfficeText {
Extracted extractDocx(const QString &path);
Extracted extractOdt(const QString &path);
} // namespace OfficeText
