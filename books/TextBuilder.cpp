#include "TextBuilder.h"

#include <QString>

namespace {

bool isBlankByte(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// How many bytes of `text` at `i` form a character that is never spoken (or 0):
// a soft hyphen, a C1 control, a zero-width space or joiner, a byte-order mark.
qsizetype silentCharacterAt(QByteArrayView text, qsizetype i) {
    const auto at = [&text](qsizetype k) {
        return k < text.size() ? static_cast<unsigned char>(text[k]) : 0;
    };
    if (at(i) == 0xC2 && (at(i + 1) == 0xAD || (at(i + 1) >= 0x80 && at(i + 1) <= 0x9F))) {
        return 2; // a soft hyphen or a C1 control character
    }
    if (at(i) == 0xE2 && at(i + 1) == 0x80 && at(i + 2) >= 0x8B && at(i + 2) <= 0x8D) {
        return 3;
    }
    if (at(i) == 0xEF && at(i + 1) == 0xBB && at(i + 2) == 0xBF) {
        return 3;
    }
    return 0;
}

bool isNoBreakSpaceAt(QByteArrayView text, qsizetype i) {
    return i + 1 < text.size() && static_cast<unsigned char>(text[i]) == 0xC2 &&
           static_cast<unsigned char>(text[i + 1]) == 0xA0;
}

} // namespace

void TextBuilder::addText(QByteArrayView utf8) {
    if (!utf8.isValidUtf8()) {
        // A parser may pass on the bytes of a mislabelled document as they are;
        // what is not UTF-8 cannot be spoken as text and is left out.
        QString text = QString::fromUtf8(utf8);
        text.remove(QChar::ReplacementCharacter);
        addText(QByteArrayView(text.toUtf8()));
        return;
    }
    qsizetype runStart = 0;
    qsizetype i = 0;
    const auto flush = [&](qsizetype end) {
        if (end > runStart) {
            if (m_pendingBlank) {
                append(" ");
            }
            append(utf8.sliced(runStart, end - runStart));
            m_blockHasText = true;
            m_pendingBlank = false;
        }
    };
    while (i < utf8.size()) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c > 0x20 && c < 0x7F) {
            ++i; // the common case: a printable ASCII byte
            continue;
        }
        const qsizetype silent = silentCharacterAt(utf8, i);
        const bool blank = isBlankByte(c) || isNoBreakSpaceAt(utf8, i);
        if (!blank && silent == 0 && c >= 0x20 && c != 0x7F) {
            ++i;
            continue;
        }
        flush(i);
        if (blank) {
            m_pendingBlank = m_blockHasText;
        }
        i += silent > 0 ? silent : (isNoBreakSpaceAt(utf8, i) ? 2 : 1);
        runStart = i;
    }
    flush(i);
}

void TextBuilder::endBlock() {
    if (m_blockHasText) {
        append(m_text.endsWith('.') ? QByteArrayView("\r\n") : QByteArrayView(".\r\n"));
    }
    m_blockHasText = false;
    m_pendingBlank = false;
}

QByteArray TextBuilder::take() {
    endBlock();
    if (m_text.endsWith("\r\n")) {
        m_text.chop(2);
    }
    return std::move(m_text);
}

void TextBuilder::append(QByteArrayView bytes) {
    if (m_overflowed) {
        return;
    }
    if (m_text.size() + bytes.size() > m_limit) {
        m_overflowed = true;
        return;
    }
    m_text.append(bytes);
}
