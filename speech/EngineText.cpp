#include "EngineText.h"

#include <QByteArrayView>

#include <array>

namespace {

// U+FB00 to U+FB06, encoded EF AC 80 to EF AC 86, and their letters.
constexpr std::array<const char *, 7> LigatureLetters{"ff", "fi", "fl", "ffi", "ffl", "st", "st"};

qsizetype ligatureAt(QByteArrayView text, qsizetype i) {
    if (i + 2 < text.size() && static_cast<unsigned char>(text[i]) == 0xEF &&
        static_cast<unsigned char>(text[i + 1]) == 0xAC) {
        const auto last = static_cast<unsigned char>(text[i + 2]);
        if (last >= 0x80 && last <= 0x86) {
            return last - 0x80;
        }
    }
    return -1;
}

} // namespace

namespace EngineText {

QByteArray forEngine(const QByteArray &text) {
    const qsizetype nul = text.indexOf('\0');
    const QByteArrayView read = QByteArrayView(text).first(nul < 0 ? text.size() : nul);
    if (!read.contains("\xEF\xAC") || !read.isValidUtf8()) {
        return text;
    }
    QByteArray letters;
    letters.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype ligature = i < read.size() ? ligatureAt(read, i) : -1;
        if (ligature >= 0) {
            letters.append(LigatureLetters[size_t(ligature)]);
            i += 3;
        } else {
            letters.append(text[i]);
            ++i;
        }
    }
    return letters;
}

} // namespace EngineText
