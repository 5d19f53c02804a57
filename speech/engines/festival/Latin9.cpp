#include "Latin9.h"

#include <array>

namespace upctv {
namespace {

struct Substitute {
    char32_t codePoint;
    const char *text;
};

// Characters outside Latin-9 that have a plain equivalent, the eight Latin-1
// symbols whose bytes Latin-9 gives to other characters, and the symbols that the
// Catalan voice passes over in silence, by their Catalan names.
constexpr std::array<Substitute, 36> Substitutes{{
    {0x20AC, " euros "}, {0x00A3, " lliures "}, {0x00B0, " graus "}, {0x00A7, " secci\xF3 "},
    {0x0160, "\xA6"},    {0x0161, "\xA8"},      {0x017D, "\xB4"},    {0x017E, "\xB8"},
    {0x0152, "\xBC"},    {0x0153, "\xBD"},      {0x0178, "\xBE"},    {0x00A4, " "},
    {0x00A6, "|"},       {0x00A8, " "},         {0x00B4, "'"},       {0x00B8, " "},
    {0x00BC, " 1/4"},    {0x00BD, " 1/2"},      {0x00BE, " 3/4"},    {0x2018, "'"},
    {0x2019, "'"},       {0x201A, "'"},         {0x2032, "'"},       {0x201C, "\""},
    {0x201D, "\""},      {0x201E, "\""},        {0x2033, "\""},      {0x2010, "-"},
    {0x2011, "-"},       {0x2012, "-"},         {0x2013, "-"},       {0x2014, "-"},
    {0x2026, "..."},     {0x2027, "\xB7"},      {0x22C5, "\xB7"},    {0x00A0, " "},
}};

// Decodes the code point starting at `utf8[i]` (valid UTF-8) and advances `i`.
char32_t nextCodePoint(std::string_view utf8, size_t &i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(utf8[k]); };
    const unsigned char lead = byte(i);
    int length = 1;
    char32_t value = lead;
    if (lead >= 0xF0) {
        length = 4;
        value = lead & 0x07;
    } else if (lead >= 0xE0) {
        length = 3;
        value = lead & 0x0F;
    } else if (lead >= 0xC0) {
        length = 2;
        value = lead & 0x1F;
    }
    for (int k = 1; k < length && i + k < utf8.size(); ++k)
        value = (value << 6) | (byte(i + k) & 0x3F);
    i += length;
    return value;
}

void appendLatin9(char32_t c, std::string &out) {
    for (const Substitute &s : Substitutes) {
        if (s.codePoint == c) {
            out += s.text;
            return;
        }
    }
    const bool printable = (c >= 0x20 && c < 0x7F) || (c >= 0xA0 && c <= 0xFF);
    out += printable ? static_cast<char>(c) : ' ';
}

} // namespace

std::string utf8ToLatin9(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();)
        appendLatin9(nextCodePoint(utf8, i), out);
    return out;
}

} // namespace upctv
