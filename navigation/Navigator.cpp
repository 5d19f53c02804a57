#include "Navigator.h"

#include "BookFile.h"
#include "SentenceScanner.h"

#include <algorithm>

namespace {

// The first index in [0, count) whose offset is above `from` (forward), or the
// last below it (back); -1 when there is none.
template <typename OffsetOf>
qsizetype neighbour(qsizetype count, qint64 from, bool forward, OffsetOf offsetOf) {
    qsizetype low = 0;
    qsizetype high = count; // the first index whose offset is above `from`
    while (low < high) {
        const qsizetype middle = low + (high - low) / 2;
        if (offsetOf(middle) <= from) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    if (forward) {
        return low < count ? low : -1;
    }
    qsizetype at = low - 1;
    while (at >= 0 && offsetOf(at) >= from) {
        --at;
    }
    return at;
}

} // namespace

void Navigator::setBook(const QString &textPath, Paragraphs::Kind kind, qint64 textSize,
                        const BookStructure *structure) {
    m_textPath = textPath;
    m_kind = kind;
    m_textSize = textSize;
    m_structure = structure;
}

std::vector<Navigator::Level> Navigator::levels() const {
    std::vector<Level> found;
    if (m_structure != nullptr) {
        bool has[BookStructure::DeepestLevel + 1] = {};
        for (qsizetype i = 0; i < m_structure->headingCount(); ++i) {
            has[m_structure->heading(i).level] = true;
        }
        for (int depth = 1; depth <= BookStructure::DeepestLevel; ++depth) {
            if (has[depth]) {
                found.push_back({Kind::Headings, depth});
            }
        }
        if (m_structure->pageCount() > 0) {
            found.push_back({Kind::Pages, 0});
        }
    }
    found.push_back({Kind::Paragraphs, 0});
    found.push_back({Kind::Sentences, 0});
    if (!bookmarks().empty()) {
        found.push_back({Kind::Bookmarks, 0});
    }
    return found;
}

Navigator::Level Navigator::level() const {
    const std::vector<Level> all = levels();
    return std::ranges::find(all, m_level) != all.end() ? m_level : all.front();
}

Navigator::Level Navigator::chooseNextLevel() {
    const std::vector<Level> all = levels();
    auto at = std::ranges::find(all, level());
    m_level = (at == all.end() || at + 1 == all.end()) ? all.front() : *(at + 1);
    return m_level;
}

std::vector<qint64> Navigator::bookmarks() const {
    std::vector<qint64> marks = m_bookmarks ? m_bookmarks() : std::vector<qint64>();
    std::ranges::sort(marks);
    marks.erase(std::unique(marks.begin(), marks.end()), marks.end());
    return marks;
}

std::optional<Navigator::Unit> Navigator::step(qint64 from, bool forward) const {
    const Level chosen = level();
    switch (chosen.kind) {
    case Kind::Headings:
        return stepHeading(from, forward, chosen.depth);
    case Kind::Pages:
        return stepPage(from, forward);
    case Kind::Paragraphs: {
        const std::optional<qint64> at = forward ? Paragraphs::next(m_textPath, m_kind, from)
                                                 : Paragraphs::previous(m_textPath, m_kind, from);
        return at ? std::optional<Unit>(Unit{*at, 0}) : std::nullopt;
    }
    case Kind::Sentences:
        return stepSentence(from, forward);
    case Kind::Bookmarks:
        return stepBookmark(from, forward);
    }
    return std::nullopt;
}

std::optional<Navigator::Unit> Navigator::stepHeading(qint64 from, bool forward, int depth) const {
    if (m_structure == nullptr) {
        return std::nullopt;
    }
    const BookStructure &s = *m_structure;
    qsizetype at = neighbour(s.headingCount(), from, forward,
                             [&s](qsizetype i) { return s.heading(i).offset; });
    while (at >= 0 && at < s.headingCount() && s.heading(at).level > depth) {
        at += forward ? 1 : -1;
    }
    if (at < 0 || at >= s.headingCount()) {
        return std::nullopt;
    }
    return Unit{s.heading(at).offset, at};
}

std::optional<Navigator::Unit> Navigator::stepPage(qint64 from, bool forward) const {
    if (m_structure == nullptr) {
        return std::nullopt;
    }
    const BookStructure &s = *m_structure;
    const qsizetype at =
        neighbour(s.pageCount(), from, forward, [&s](qsizetype i) { return s.page(i).offset; });
    return at < 0 ? std::nullopt : std::optional<Unit>(Unit{s.page(at).offset, at});
}

std::optional<Navigator::Unit> Navigator::stepSentence(qint64 from, bool forward) const {
    qint64 readPosition = from;
    qint64 sentenceStart = from;
    if (!forward) {
        if (from < 2 || !StepBackOneSentence(m_textPath, from, false, readPosition) ||
            readPosition >= from) {
            return std::nullopt;
        }
        return Unit{readPosition, 0};
    }
    SentenceScanner scanner(readPosition, sentenceStart);
    if (scanner.open(m_textPath) != BookFile::OpenStatus::Opened ||
        scanner.ScanSentence() != ScanResult::Sentence || readPosition <= from) {
        return std::nullopt;
    }
    return Unit{readPosition, 0};
}

std::optional<Navigator::Unit> Navigator::stepBookmark(qint64 from, bool forward) const {
    const std::vector<qint64> marks = bookmarks();
    const qsizetype at = neighbour(qsizetype(marks.size()), from, forward,
                                   [&marks](qsizetype i) { return marks[std::size_t(i)]; });
    return at < 0 ? std::nullopt : std::optional<Unit>(Unit{marks[std::size_t(at)], at});
}

std::optional<qsizetype> Navigator::headingAt(qint64 position) const {
    if (m_structure == nullptr) {
        return std::nullopt;
    }
    const BookStructure &s = *m_structure;
    const qsizetype after = neighbour(s.headingCount(), position, true,
                                      [&s](qsizetype i) { return s.heading(i).offset; });
    const qsizetype at = (after < 0 ? s.headingCount() : after) - 1;
    return at >= 0 ? std::optional<qsizetype>(at) : std::nullopt;
}

std::optional<qsizetype> Navigator::pageAt(qint64 position) const {
    if (m_structure == nullptr || m_structure->pageCount() == 0) {
        return std::nullopt;
    }
    const BookStructure &s = *m_structure;
    const qsizetype after =
        neighbour(s.pageCount(), position, true, [&s](qsizetype i) { return s.page(i).offset; });
    const qsizetype at = (after < 0 ? s.pageCount() : after) - 1;
    return std::max<qsizetype>(at, 0); // before the first page marker: the first page
}

// A page is asked for by its label; most books label their pages by their
// ordinal numbers, so that page is looked at first.
std::optional<qint64> Navigator::pageStart(qint64 number) const {
    if (m_structure == nullptr || number < 1) {
        return std::nullopt;
    }
    const BookStructure &s = *m_structure;
    const QByteArray wanted = QByteArray::number(number);
    const auto labelled = [&s, &wanted](qsizetype i) {
        const QByteArrayView label = s.page(i).label;
        return label.isEmpty() ? QByteArray::number(i + 1) == wanted : label == wanted;
    };
    if (number <= s.pageCount() && labelled(number - 1)) {
        return s.page(number - 1).offset;
    }
    for (qsizetype i = 0; i < s.pageCount(); ++i) {
        if (!s.page(i).label.isEmpty() && s.page(i).label == wanted) {
            return s.page(i).offset;
        }
    }
    return std::nullopt;
}

std::optional<qint64> Navigator::percentStart(int percent) const {
    if (percent < 0 || percent > 100 || m_textSize <= 0) {
        return std::nullopt;
    }
    const qint64 at = std::min(m_textSize - 1, m_textSize * percent / 100);
    BookFile book;
    if (book.open(m_textPath) != BookFile::OpenStatus::Opened) {
        return std::nullopt;
    }
    return sentenceStartIn(book, at);
}

qint64 Navigator::nextTopHeading(qint64 from) const {
    if (m_structure == nullptr) {
        return -1;
    }
    const std::vector<Level> all = levels();
    if (all.front().kind != Kind::Headings) {
        return -1;
    }
    const std::optional<Unit> next = stepHeading(from, true, all.front().depth);
    return next ? next->offset : -1;
}
