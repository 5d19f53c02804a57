#pragma once

#include <string>
#include <string_view>

// Text as it reaches the engine: bytes that are UTF-8 when they form valid UTF-8
// and Windows-1252 otherwise. espeak-ng is always given UTF-8, because it drops
// the Windows-1252 bytes 0x80-0x9F (euro sign, curly quotes, dashes, ellipsis).
namespace upctv {

// True when `bytes` is well-formed UTF-8: no stray continuation byte, no truncated
// sequence, no overlong form, no surrogate (U+D800-U+DFFF), nothing above U+10FFFF.
bool isValidUtf8(std::string_view bytes);

// Decodes one Windows-1252 byte to its Unicode code point. The five bytes the code
// page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become a blank, so that they
// neither glue two words together nor reach the synthesiser as control characters.
char32_t windows1252ToUnicode(unsigned char byte);

// The text to synthesise: `bytes` when valid UTF-8, less any byte-order mark
// (U+FEFF, never spoken), else each byte decoded as Windows-1252 and encoded as
// UTF-8.
std::string textToUtf8(std::string_view bytes);

} // namespace upctv
