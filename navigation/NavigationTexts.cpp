#include "NavigationTexts.h"

#include "Messages.h"
#include "SpeechRate.h"

#include <algorithm>

namespace {

QByteArray said(const Phrase &phrase) {
    return inActiveLanguage(phrase);
}

QByteArray count(qint64 n, const Phrase &one, const Phrase &many) {
    return QByteArray::number(n) + said(n == 1 ? one : many);
}

} // namespace

namespace NavigationTexts {

QByteArray levelName(Navigator::Level level) {
    switch (level.kind) {
    case Navigator::Kind::Headings:
        return level.depth == 1
                   ? said(Messages::LevelHeadingsOne)
                   : said(Messages::LevelHeadingsUpTo) + QByteArray::number(level.depth);
    case Navigator::Kind::Pages:
        return said(Messages::LevelPages);
    case Navigator::Kind::Paragraphs:
        return said(Messages::LevelParagraphs);
    case Navigator::Kind::Sentences:
        return said(Messages::LevelSentences);
    case Navigator::Kind::Bookmarks:
        return said(Messages::LevelBookmarks);
    }
    return {};
}

QByteArray reached(const Navigator &navigator, const Navigator::Unit &unit) {
    const BookStructure *structure = navigator.structure();
    switch (navigator.level().kind) {
    case Navigator::Kind::Headings:
        return structure->heading(unit.index).text.toByteArray();
    case Navigator::Kind::Pages:
        return said(Messages::PageNamed) + structure->pageLabel(unit.index);
    case Navigator::Kind::Bookmarks:
        return said(Messages::BookmarkNamed) + QByteArray::number(unit.index + 1);
    default:
        return {};
    }
}

QByteArray timeLeft(qint64 seconds) {
    const qint64 minutes = (seconds + 30) / 60;
    if (minutes == 0) {
        return said(Messages::LessThanAMinute);
    }
    return said(Messages::TimeLeft) + hoursAndMinutes(minutes);
}

QByteArray hoursAndMinutes(qint64 minutes) {
    if (minutes == 0) {
        return count(0, Messages::OneMinute, Messages::Minutes);
    }
    QByteArray text;
    if (minutes >= 60) {
        text += count(minutes / 60, Messages::OneHour, Messages::Hours);
        if (minutes % 60 != 0) {
            text += said(Messages::And);
        }
    }
    if (minutes % 60 != 0) {
        text += count(minutes % 60, Messages::OneMinute, Messages::Minutes);
    }
    return text;
}

QByteArray whereAmI(const Navigator &navigator, const QByteArray &title, qint64 position, int speed,
                    bool catalan, const PhraseTable *recording) {
    QByteArray text = title + ". ";
    if (const auto heading = navigator.headingAt(position)) {
        text += navigator.structure()->heading(*heading).text.toByteArray() + ". ";
    }
    if (const auto page = navigator.pageAt(position)) {
        const BookStructure &s = *navigator.structure();
        text += said(Messages::PageNamed) + s.pageLabel(*page) + said(Messages::PageOf) +
                s.pageLabel(s.pageCount() - 1) + ". ";
    }
    const qint64 size = std::max<qint64>(navigator.textSize(), 1);
    const qint64 done = std::clamp<qint64>(position, 0, size);
    text += said(Messages::ShareRead) + QByteArray::number(done * 100 / size) +
            said(Messages::PerCent) + ". ";
    if (recording != nullptr) {
        const qsizetype phrase = std::max<qsizetype>(recording->indexAtOrBefore(position), 0);
        const qint64 elapsedMs = recording->isEmpty() ? 0 : recording->elapsedMs(phrase);
        const qint64 leftMs = std::max<qint64>(recording->totalMs() - elapsedMs, 0);
        text += said(Messages::TimeListened) + hoursAndMinutes((elapsedMs + 30000) / 60000) + ". ";
        return text + timeLeft(leftMs / 1000);
    }
    text += timeLeft(SpeechRate::secondsFor(size - done, speed, catalan));
    return text;
}

} // namespace NavigationTexts
