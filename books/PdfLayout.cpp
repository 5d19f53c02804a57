#include "PdfLayout.h"

#include <QHash>

#include <algorithm>
#include <cmath>

namespace {

// A gap this much larger than the line spacing sets a line apart.
constexpr double GapFactor = 1.3;
// Font sizes differing by more than this share are different sizes.
constexpr double SizeTolerance = 0.15;
// Words further apart than this share of their height are two words, even
// when poppler puts no blank between them.
constexpr double WordGap = 0.15;
// Without a line spacing that repeats on the page, one of this many font sizes.
constexpr double UsualSpacing = 1.5;

// A word's place in the coordinates of its own text direction: `along` runs
// with the text, `across` down from line to line.
struct Place {
    double along = 0;
    double alongEnd = 0;
    double across = 0; // the middle of the word's height
    double height = 0;
};

Place placeOf(const PdfLayout::Word &w) {
    switch (w.rotation & 3) {
    case 1:
        return {w.y, w.y + w.height, -(w.x + w.width / 2), w.width};
    case 2:
        return {-(w.x + w.width), -w.x, -(w.y + w.height / 2), w.height};
    case 3:
        return {-(w.y + w.height), -w.y, w.x + w.width / 2, w.width};
    default:
        return {w.x, w.x + w.width, w.y + w.height / 2, w.height};
    }
}

struct Line {
    QString text;
    int rotation = 0;
    double across = 0;
    double height = 0;
    double alongEnd = 0;
    QHash<int, int> sizes; // tenths of a point: characters in that size
    double fontSize() const {
        int best = 0;
        int count = -1;
        for (auto it = sizes.cbegin(); it != sizes.cend(); ++it) {
            if (it.value() > count || (it.value() == count && it.key() > best)) {
                best = it.key();
                count = it.value();
            }
        }
        return best / 10.0;
    }
};

bool continuesLine(const Line &line, const PdfLayout::Word &word, const Place &place) {
    return word.rotation == line.rotation && place.along >= line.alongEnd - line.height / 2 &&
           std::abs(place.across - line.across) < std::max(line.height, place.height) / 2;
}

std::vector<Line> groupLines(const std::vector<PdfLayout::Word> &words) {
    std::vector<Line> lines;
    bool spaceBefore = false;
    for (const PdfLayout::Word &word : words) {
        const Place place = placeOf(word);
        if (lines.empty() || !continuesLine(lines.back(), word, place)) {
            lines.push_back(
                {QString(), word.rotation, place.across, place.height, place.alongEnd, {}});
        } else if (spaceBefore || place.along - lines.back().alongEnd > WordGap * place.height) {
            lines.back().text += u' '; // a blank, or words set apart (a tab stop, a number)
        }
        Line &line = lines.back();
        line.text += word.text;
        line.alongEnd = std::max(line.alongEnd, place.alongEnd);
        line.sizes[int(std::lround(word.fontSize * 10))] += int(word.text.size());
        spaceBefore = word.spaceAfter;
    }
    return lines;
}

bool sameSize(double a, double b) {
    return std::abs(a - b) <= SizeTolerance * std::max(a, b);
}

// The distance between lines that repeats most on the page, among lines of one
// size; 0 when none repeats.
double lineSpacing(const std::vector<Line> &lines) {
    QHash<int, int> counts; // half points: how many line pairs
    for (size_t i = 1; i < lines.size(); ++i) {
        const double gap = lines[i].across - lines[i - 1].across;
        if (gap > 0 && lines[i].rotation == lines[i - 1].rotation &&
            sameSize(lines[i].fontSize(), lines[i - 1].fontSize())) {
            ++counts[int(std::lround(gap * 2))];
        }
    }
    int best = 0;
    int count = 1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > count || (it.value() == count && it.key() < best)) {
            best = it.key();
            count = it.value();
        }
    }
    return best / 2.0;
}

bool setApart(const Line &before, const Line &line, double spacing) {
    if (line.rotation != before.rotation) {
        return true;
    }
    const double size = line.fontSize();
    if (!sameSize(size, before.fontSize())) {
        return true;
    }
    const double usual = spacing > 0 ? spacing : UsualSpacing * size;
    return line.across - before.across > GapFactor * usual;
}

} // namespace

namespace PdfLayout {

QList<QByteArray> linesOf(const std::vector<Word> &words) {
    const std::vector<Line> lines = groupLines(words);
    const double spacing = lineSpacing(lines);
    QList<QByteArray> out;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0 && setApart(lines[i - 1], lines[i], spacing)) {
            out.append(QByteArray());
        }
        out.append(lines[i].text.toUtf8());
    }
    return out;
}

} // namespace PdfLayout
