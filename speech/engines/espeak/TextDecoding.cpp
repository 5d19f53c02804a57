#include "TextDecoding.h"

#include <array>

namespace upctv {
namespace {

// Windows-1252 bytes 0x80-0x9F; 0x20 stands for the five undefined ones.
constexpr std::array<char16_t, 32> HighControlRange = {
    0x20AC, 0x0020, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x0020, 0x017D, 0x0020, // 88-8F
    0x0020, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x0020, 0x017E, 0x0178, // 98-9F
};

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Length of the sequence that `lead` starts, with the bounds its second byte must
// keep to (they rule out overlong forms, surrogates and code points past U+10FFFF);
// 0 when `lead` cannot start a sequence.
struct SequenceShape {
    int length = 0;
    unsigned char secondMin = 0x80;
    unsigned char secondMax = 0xBF;
};

SequenceShape shapeOf(unsigned char lead) {
    if (lead < 0x80)
        return {1};
    if (lead >= 0xC2 && lead <= 0xDF)
        return {2};
    if (lead == 0xE0)
        return {3, 0xA0, 0xBF};
    if (lead == 0xED)
        return {3, 0x80, 0x9F};
    if (lead >= 0xE1 && lead <= 0xEF)
        return {3};
    if (lead == 0xF0)
        return {4, 0x90, 0xBF};
    if (lead >= 0xF1 && lead <= 0xF3)
        return {4};
    if (lead == 0xF4)
        return {4, 0x80, 0x8F};
    return {};
}

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

void appendUtf8(std::string &out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

} // namespace

bool isValidUtf8(std::string_view bytes) {
    size_t i = 0;
    while (i < bytes.size()) {
        const SequenceShape shape = shapeOf(static_cast<unsigned char>(bytes[i]));
        if (shape.length == 0 || bytes.size() - i < static_cast<size_t>(shape.length))
            return false;
        if (shape.length > 1) {
            const auto second = static_cast<unsigned char>(bytes[i + 1]);
            if (second < shape.secondMin || second > shape.secondMax)
                return false;
            for (int k = 2; k < shape.length; ++k) {
                if (!isContinuation(static_cast<unsigned char>(bytes[i + k])))
                    return false;
            }
        }
        i += shape.length;
    }
    return true;
}

char32_t windows1252ToUnicode(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F)
        return HighControlRange[byte - 0x80];
    return byte;
}

std::string textToUtf8(std::string_view bytes) {
    if (isValidUtf8(bytes)) {
        // A byte-order mark (a UTF-8 book's first bytes) is never spoken.
        std::string text(bytes);
        for (size_t at = text.find(ByteOrderMark); at != std::string::npos;
             at = text.find(ByteOrderMark, at))
            text.erase(at, ByteOrderMark.size());
        return text;
    }
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes)
        appendUtf8(out, windows1252ToUnicode(static_cast<unsigned char>(c)));
    return out;
}

} // namespace upctv
