#pragma once

#include "Extraction.h"

// EPUB 2 and 3: META-INF/container.xml names the package document, whose spine
// gives the reading order. The linear items are read first, in spine order, then
// the non-linear ones (notes, answers), so that nothing is lost; the navigation
// document and items that are not (X)HTML are not read. Content documents go
// through MarkupText. A book with media overlays also gives the phrase table of
// its narration (EpubOverlay), which is then played instead of the engine.
//
// A book whose META-INF/encryption.xml names content encrypted with anything but
// the font obfuscation algorithms, or that carries META-INF/rights.xml, is
// Protected. A zip that cannot be opened, a missing container or package
// document, a spine of missing entries, an entry that inflates past its bound or
// a damaged entry is CannotOpen; a book whose documents hold no text is NoText.
namespace EpubText {
Extracted extract(const QString &path);
}
