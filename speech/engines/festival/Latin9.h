#pragma once

#include <string>
#include <string_view>

namespace upctv {

// Festival's Catalan voice reads ISO-8859-15 (Latin-9). Converts valid UTF-8 to
// it: Latin-1 letters stay, the letters Latin-9 adds (Š š Ž ž Œ œ Ÿ) take their
// Latin-9 bytes, typographic quotes, dashes, the ellipsis and the hyphenation
// point become their plain equivalents (so "l’home" and "col‧lecció" read as
// "l'home" and "col·lecció"), the symbols the voice would pass over in silence
// (€ £ ° §) become their Catalan names, and everything else that Latin-9 lacks,
// control characters included, becomes a blank.
std::string utf8ToLatin9(std::string_view utf8);

} // namespace upctv
