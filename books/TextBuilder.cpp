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

qint64 TextBuilder::here() const {
    // A pending blank after a full stop starts the next sentence once it is written.
    if (m_pendingBlank && m_text.endsWith('.')) {
        return m_text.size();
    }
    return m_sentenceStart;
}

void TextBuilder::beginHeading(int level) {
    endBlock();
    m_headingStart = m_text.size();
    m_headingOffset = here();
    m_headingLevel = level;
}

void TextBuilder::endHeading() {
    if (m_headingStart < 0) {
        return;
    }
    const QByteArrayView text = QByteArrayView(m_text).sliced(m_headingStart);
    if (!text.trimmed().isEmpty()) {
        m_structure.addHeading(m_headingOffset, m_headingLevel, text);
    }
    m_headingStart = -1;
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
    m_structure.finish(m_text.size());
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
    // A full stop followed by a blank or a line end ends a sentence; the next one
    // starts at that blank (the scanner's rule, for which a full stop that opens
    // the text ends nothing).
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if ((c == ' ' || c == '\r' || c == '\n') && m_text.size() + i > 1 &&
            (i > 0 ? bytes[i - 1] == '.' : m_text.endsWith('.'))) {
            m_sentenceStart = m_text.size() + i;
        }
    }
    m_text.append(bytes);
}
