#include "ChapterPlan.h"

#include "SentenceScanner.h"

#include <algorithm>
#include <map>

namespace ChapterPlan {
namespace {

constexpr qsizetype LongestFileName = 100;

bool isUnsafe(unsigned char byte) {
    static constexpr char Reserved[] = "/\\:*?\"<>|";
    return byte < 0x20 || byte == 0x7f || std::find(Reserved, Reserved + 9, byte) != Reserved + 9;
}

// The level of the chapters: the shallowest with at least two headings.
int chapterLevel(const BookStructure &structure) {
    std::map<int, int> counts;
    for (qsizetype i = 0; i < structure.headingCount(); ++i)
        ++counts[structure.heading(i).level];
    for (const auto &[level, count] : counts)
        if (count >= 2)
            return level;
    return 0;
}

} // namespace

qint64 partBytesAt(int speed) {
    return BytesPerHalfHourAt140 * std::max(speed, 10) / 140;
}

std::vector<Chapter> fromHeadings(const BookStructure &structure, qint64 textSize) {
    std::vector<Chapter> chapters;
    const int level = chapterLevel(structure);
    if (level == 0)
        return chapters;
    for (qsizetype i = 0; i < structure.headingCount(); ++i) {
        const BookStructure::Heading heading = structure.heading(i);
        if (heading.level != level || heading.offset >= textSize)
            continue;
        if (!chapters.empty() && chapters.back().start == heading.offset)
            continue; // two headings at one place: the first names it
        if (!chapters.empty())
            chapters.back().end = heading.offset;
        chapters.push_back({chapters.empty() ? 0 : heading.offset, textSize,
                            QByteArray(heading.text.data(), heading.text.size())});
    }
    return chapters;
}

std::vector<Chapter> inParts(const QString &textPath, qint64 partBytes) {
    std::vector<Chapter> parts;
    qint64 readPosition = 0;
    qint64 sentenceStart = 0;
    SentenceScanner scanner(readPosition, sentenceStart);
    if (scanner.open(textPath) != BookFile::OpenStatus::Opened)
        return parts;
    const qint64 size = scanner.BookSize();
    qint64 partStart = 0;
    while (readPosition < size) {
        const ScanResult result = scanner.ScanSentence();
        if (result != ScanResult::Sentence)
            break;
        if (readPosition - partStart >= partBytes && readPosition < size) {
            parts.push_back({partStart, readPosition, {}});
            partStart = readPosition;
        }
    }
    if (size > 0)
        parts.push_back({partStart, size, {}});
    return parts;
}

QByteArray safeName(QByteArrayView text, qsizetype maxBytes) {
    QByteArray name;
    for (const char c : text) {
        const bool blank = isUnsafe(static_cast<unsigned char>(c)) || c == ' ';
        if (blank) {
            if (!name.isEmpty() && !name.endsWith(' '))
                name += ' ';
        } else {
            name += c;
        }
    }
    if (name.size() > maxBytes) {
        qsizetype cut = maxBytes;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut; // not inside a UTF-8 character
        name.truncate(cut);
    }
    auto trimmable = [](char c) { return c == ' ' || c == '.'; };
    while (!name.isEmpty() && trimmable(name.back()))
        name.chop(1);
    qsizetype lead = 0;
    while (lead < name.size() && trimmable(name[lead]))
        ++lead;
    return name.mid(lead);
}

QString fileName(int track, int total, QByteArrayView title, const QString &extension) {
    const int digits = std::max(2, int(QString::number(total).size()));
    const QString number = QStringLiteral("%1").arg(track, digits, 10, QLatin1Char('0'));
    const QString suffix = QLatin1Char('.') + extension;
    const qsizetype room = LongestFileName - number.toUtf8().size() - 3 - suffix.toUtf8().size();
    const QByteArray safe = safeName(title, room);
    if (safe.isEmpty())
        return number + suffix;
    return number + QStringLiteral(" - ") + QString::fromUtf8(safe) + suffix;
}

} // namespace ChapterPlan
