#include "BookStructure.h"

#include <QList>

#include <algorithm>
#include <limits>

namespace {

constexpr QByteArrayView Header = "ZELVORA-STRUCTURE 1\n";

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// Blanks run together into one space and trimmed, cut to `limit` bytes at a UTF-8
// character start, so that a text never holds a tab or a line end.
QByteArray oneLine(QByteArrayView text, qsizetype limit) {
    QByteArray line;
    line.reserve(std::min(text.size(), limit));
    bool blank = false;
    for (const char c : text) {
        if (isBlank(c)) {
            blank = !line.isEmpty();
            continue;
        }
        if (blank) {
            line.append(' ');
            blank = false;
        }
        line.append(c);
        if (line.size() > limit) {
            break;
        }
    }
    if (line.size() > limit) {
        qsizetype cut = limit;
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        line.truncate(cut);
        while (line.endsWith(' ')) {
            line.chop(1);
        }
    }
    return line;
}

// A decimal offset or level of the cache file; nullopt when it is anything else.
std::optional<qint64> number(QByteArrayView field) {
    if (field.isEmpty() || field.size() > 18) {
        return std::nullopt;
    }
    qint64 value = 0;
    for (const char c : field) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

BookStructure::Entry BookStructure::entry(qint64 offset, int level, QByteArrayView text) {
    const QByteArray line = oneLine(text, LongestText);
    Entry made;
    made.offset = std::max<qint64>(offset, 0);
    made.level = quint8(std::clamp(level, 0, DeepestLevel));
    made.textStart = quint32(m_texts.size());
    made.textLength = quint16(line.size());
    m_texts.append(line);
    return made;
}

void BookStructure::addHeading(qint64 offset, int level, QByteArrayView text) {
    m_headings.push_back(entry(offset, std::clamp(level, 1, DeepestLevel), text));
}

void BookStructure::addPage(qint64 offset, QByteArrayView label) {
    m_pages.push_back(entry(offset, 0, label));
}

QByteArrayView BookStructure::textOf(const Entry &entry) const {
    return QByteArrayView(m_texts).sliced(entry.textStart, entry.textLength);
}

BookStructure::Heading BookStructure::heading(qsizetype index) const {
    const Entry &e = m_headings.at(std::size_t(index));
    return {e.offset, e.level, textOf(e)};
}

BookStructure::Page BookStructure::page(qsizetype index) const {
    const Entry &e = m_pages.at(std::size_t(index));
    return {e.offset, textOf(e)};
}

QByteArray BookStructure::pageLabel(qsizetype index) const {
    const QByteArrayView label = page(index).label;
    return label.isEmpty() ? QByteArray::number(index + 1) : label.toByteArray();
}

int BookStructure::deepestLevel() const {
    int deepest = 0;
    for (const Entry &e : m_headings) {
        deepest = std::max<int>(deepest, e.level);
    }
    return deepest;
}

void BookStructure::finish(qint64 textSize) {
    const auto byOffset = [](const Entry &a, const Entry &b) { return a.offset < b.offset; };
    const auto outside = [textSize](const Entry &e) { return e.offset >= textSize; };
    for (std::vector<Entry> *entries : {&m_headings, &m_pages}) {
        std::stable_sort(entries->begin(), entries->end(), byOffset);
        entries->erase(std::remove_if(entries->begin(), entries->end(), outside), entries->end());
        entries->shrink_to_fit();
    }
    m_texts.squeeze();
}

qint64 BookStructure::memoryBytes() const {
    return qint64(sizeof(*this)) +
           qint64((m_headings.capacity() + m_pages.capacity()) * sizeof(Entry)) +
           m_texts.capacity();
}

QByteArray BookStructure::serialized() const {
    QByteArray out(Header.toByteArray());
    out += "T\t" + oneLine(title, LongestText) + '\n';
    out += "A\t" + oneLine(author, LongestText) + '\n';
    out += "L\t" + oneLine(language, LongestText) + '\n';
    for (const Entry &e : m_headings) {
        out += "H\t" + QByteArray::number(e.offset) + '\t' + QByteArray::number(e.level) + '\t' +
               textOf(e).toByteArray() + '\n';
    }
    for (const Entry &e : m_pages) {
        out += "P\t" + QByteArray::number(e.offset) + '\t' + textOf(e).toByteArray() + '\n';
    }
    return out;
}

std::optional<BookStructure> BookStructure::parse(QByteArrayView bytes) {
    if (!bytes.startsWith(Header) || !bytes.endsWith('\n') ||
        bytes.size() > qsizetype(std::numeric_limits<quint32>::max())) {
        return std::nullopt;
    }
    BookStructure structure;
    qint64 lastHeading = 0;
    qint64 lastPage = 0;
    for (const QByteArray &line : bytes.sliced(Header.size()).toByteArray().split('\n')) {
        if (line.isEmpty()) {
            continue;
        }
        const QList<QByteArray> fields = line.split('\t');
        const QByteArray &kind = fields.first();
        if (fields.size() == 2 && (kind == "T" || kind == "A" || kind == "L")) {
            (kind == "T"   ? structure.title
             : kind == "A" ? structure.author
                           : structure.language) = fields[1];
            continue;
        }
        const qint64 offset = fields.size() > 1 ? number(fields[1]).value_or(-1) : -1;
        if (kind == "H" && fields.size() == 4 && offset >= lastHeading) {
            const qint64 level = number(fields[2]).value_or(0);
            if (level < 1 || level > DeepestLevel) {
                return std::nullopt;
            }
            structure.addHeading(offset, int(level), fields[3]);
            lastHeading = offset;
        } else if (kind == "P" && fields.size() == 3 && offset >= lastPage) {
            structure.addPage(offset, fields[2]);
            lastPage = offset;
        } else {
            return std::nullopt;
        }
    }
    return structure;
}

bool BookStructure::operator==(const BookStructure &other) const {
    if (title != other.title || author != other.author || language != other.language ||
        headingCount() != other.headingCount() || pageCount() != other.pageCount()) {
        return false;
    }
    for (qsizetype i = 0; i < headingCount(); ++i) {
        const Heading a = heading(i);
        const Heading b = other.heading(i);
        if (a.offset != b.offset || a.level != b.level || a.text != b.text) {
            return false;
        }
    }
    for (qsizetype i = 0; i < pageCount(); ++i) {
        if (page(i).offset != other.page(i).offset || page(i).label != other.page(i).label) {
            return false;
        }
    }
    return true;
}
