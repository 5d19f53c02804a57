#include "IniFormat.h"

#include <cstring>

namespace {

constexpr QByteArrayView ByteOrderMark("\xEF\xBB\xBF");

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

QByteArrayView trimmed(QByteArrayView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && isBlank(text[end - 1])) {
        --end;
    }
    return text.sliced(begin, end - begin);
}

bool sameKey(QByteArrayView a, QByteArrayView b, IniFormat::KeyMatch match) {
    if (a.size() != b.size()) {
        return false;
    }
    if (match == IniFormat::KeyMatch::Exact) {
        return a == b;
    }
    return qstrnicmp(a.data(), a.size(), b.data(), b.size()) == 0;
}

enum class LineKind { Other, Section, Key };

struct Line {
    qsizetype start = 0; // first byte
    qsizetype end = 0;   // one past the last byte before the line ending
    qsizetype next = 0;  // start of the following line
    bool hasEnding = false;
    LineKind kind = LineKind::Other;
    QByteArrayView name;  // a section's name or a stored key
    QByteArrayView value; // a key line's value
};

Line readLine(QByteArrayView file, qsizetype start) {
    Line line;
    line.start = start;
    line.end = line.next = file.size();
    if (start >= file.size()) {
        return line;
    }
    const char *data = file.data();
    const void *newline = std::memchr(data + start, '\n', size_t(file.size() - start));
    qsizetype end = newline ? static_cast<const char *>(newline) - data : file.size();
    line.hasEnding = newline != nullptr;
    line.next = line.hasEnding ? end + 1 : end;
    if (end > start && data[end - 1] == '\r') {
        --end;
    }
    line.end = end;

    const QByteArrayView text = trimmed(file.sliced(start, end - start));
    if (text.isEmpty() || text.front() == ';' || text.front() == '#') {
        return line;
    }
    if (text.front() == '[') {
        const qsizetype close = text.indexOf(']');
        line.kind = LineKind::Section;
        line.name = trimmed(text.sliced(1, (close < 0 ? text.size() : close) - 1));
        return line;
    }
    const qsizetype equals = text.indexOf('=');
    if (equals >= 0) {
        line.kind = LineKind::Key;
        line.name = trimmed(text.first(equals));
        line.value = trimmed(text.sliced(equals + 1));
    }
    return line;
}

bool storedKeyMatches(QByteArrayView stored, QByteArrayView key, IniFormat::KeyMatch match) {
    // Only escaped keys hold "%", so ordinary keys are compared without copying.
    if (!stored.contains('%')) {
        return sameKey(stored, key, match);
    }
    const std::optional<QByteArray> decoded = IniFormat::decodeKey(stored);
    return decoded && sameKey(*decoded, key, match);
}

struct Location {
    bool sectionFound = false;
    Line insertAfter; // the section's header or its last key line
    bool keyFound = false;
    Line keyLine;
};

// One pass over the file, ending at the first matching key or at the end of the
// first matching section.
Location locate(QByteArrayView file, QByteArrayView section, QByteArrayView key,
                IniFormat::KeyMatch match) {
    Location found;
    bool inSection = false;
    qsizetype pos = file.startsWith(ByteOrderMark) ? ByteOrderMark.size() : 0;
    while (pos < file.size()) {
        const Line line = readLine(file, pos);
        pos = line.next;
        if (line.kind == LineKind::Section) {
            if (inSection) {
                break;
            }
            inSection = sameKey(line.name, section, IniFormat::KeyMatch::IgnoreCase);
            if (inSection) {
                found.sectionFound = true;
                found.insertAfter = line;
            }
        } else if (inSection && line.kind == LineKind::Key) {
            found.insertAfter = line;
            if (storedKeyMatches(line.name, key, match)) {
                found.keyFound = true;
                found.keyLine = line;
                break;
            }
        }
    }
    return found;
}

// "\r\n" when the file's first line ends so, else "\n".
QByteArrayView lineEndingOf(QByteArrayView file) {
    const qsizetype start = file.startsWith(ByteOrderMark) ? ByteOrderMark.size() : 0;
    const Line first = readLine(file, start);
    const bool crlf = first.hasEnding && first.end < first.next - 1;
    return crlf ? QByteArrayView("\r\n") : QByteArrayView("\n");
}

// Ends an unfinished last line, so that what follows starts a line of its own.
void finishLastLine(QByteArray &out, QByteArrayView ending) {
    if (out.isEmpty() || out.endsWith('\n') || out == ByteOrderMark) {
        return;
    }
    out.append(out.endsWith('\r') ? QByteArrayView("\n") : ending);
}

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

bool keyByteNeedsEscape(char c, qsizetype index, qsizetype size) {
    if (isControl(c) || c == '%' || c == '=') {
        return true;
    }
    if (index == 0 && (c == '[' || c == ';' || c == '#' || c == ' ')) {
        return true;
    }
    return index == size - 1 && c == ' ';
}

} // namespace

QByteArray IniFormat::encodeKey(QByteArrayView key) {
    static constexpr char HexDigits[] = "0123456789ABCDEF";
    QByteArray stored;
    stored.reserve(key.size());
    for (qsizetype i = 0; i < key.size(); ++i) {
        const char c = key[i];
        if (keyByteNeedsEscape(c, i, key.size())) {
            const auto byte = static_cast<unsigned char>(c);
            stored.append('%');
            stored.append(HexDigits[byte >> 4]);
            stored.append(HexDigits[byte & 0x0F]);
        } else {
            stored.append(c);
        }
    }
    return stored;
}

std::optional<QByteArray> IniFormat::decodeKey(QByteArrayView stored) {
    QByteArray key;
    key.reserve(stored.size());
    for (qsizetype i = 0; i < stored.size(); ++i) {
        if (stored[i] != '%') {
            key.append(stored[i]);
            continue;
        }
        const int high = i + 2 < stored.size() ? hexDigitValue(stored[i + 1]) : -1;
        const int low = high >= 0 ? hexDigitValue(stored[i + 2]) : -1;
        if (low < 0) {
            return std::nullopt;
        }
        key.append(char(high * 16 + low));
        i += 2;
    }
    return key;
}

bool IniFormat::isStorableValue(QByteArrayView value) {
    for (const char c : value) {
        if (isControl(c)) {
            return false;
        }
    }
    return !value.startsWith(' ') && !value.endsWith(' ');
}

std::optional<QByteArrayView> IniFormat::findValue(QByteArrayView file, QByteArrayView section,
                                                   QByteArrayView key, KeyMatch match) {
    const Location found = locate(file, section, key, match);
    if (!found.keyFound) {
        return std::nullopt;
    }
    return found.keyLine.value;
}

QByteArray IniFormat::withValue(QByteArrayView file, QByteArrayView section, QByteArrayView key,
                                KeyMatch match, QByteArrayView value) {
    const Location found = locate(file, section, key, match);
    const QByteArrayView ending = lineEndingOf(file);
    QByteArray out;
    out.reserve(file.size() + section.size() + 3 * key.size() + value.size() + 8);
    if (found.keyFound) {
        const Line &line = found.keyLine;
        out.append(file.first(line.start));
        out.append(line.name);
        out.append('=');
        out.append(value);
        out.append(file.sliced(line.end));
        return out;
    }
    qsizetype insertAt = file.size();
    if (found.sectionFound && found.insertAfter.hasEnding) {
        insertAt = found.insertAfter.next;
    }
    out.append(file.first(insertAt));
    finishLastLine(out, ending);
    if (!found.sectionFound) {
        out.append('[');
        out.append(section);
        out.append(']');
        out.append(ending);
    }
    out.append(encodeKey(key));
    out.append('=');
    out.append(value);
    out.append(ending);
    out.append(file.sliced(insertAt));
    return out;
}

QByteArray IniFormat::withoutKey(QByteArrayView file, QByteArrayView section, QByteArrayView key,
                                 KeyMatch match) {
    const Location found = locate(file, section, key, match);
    if (!found.keyFound) {
        return file.toByteArray();
    }
    QByteArray out = file.first(found.keyLine.start).toByteArray();
    out.append(file.sliced(found.keyLine.next));
    return out;
}
