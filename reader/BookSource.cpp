#include "BookSource.h"

#include "BookFile.h"
#include "Messages.h"
#include "SentenceScanner.h"
#include "UnitUPCTV.h"

namespace {

const Phrase &reasonFor(ExtractionStatus why) {
    switch (why) {
    case ExtractionStatus::Protected:
        return Messages::BookProtected;
    case ExtractionStatus::NoText:
        return Messages::BookWithoutText;
    default:
        return Messages::CannotOpenBook;
    }
}

bool endsSentenceAt(BookFile &text, qint64 stop) {
    return text.byteAt(stop) == '.' && SentenceScanner::isSeparator(text.byteAt(stop + 1));
}

} // namespace

BookText textForReading(const QString &bookPath, bool clipboard) {
    if (clipboard) {
        return {ExtractionStatus::Ok, bookPath, false};
    }
    BookCache cache(BookCache::defaultFolder());
    return cache.textOf(bookPath);
}

void speakRefusal(const QString &bookPath, ExtractionStatus why) {
    Speech().SpeakText(lowerAsciiLetters(bookPath.toUtf8() + inActiveLanguage(reasonFor(why))));
}

qint64 sentenceStartAtOrBefore(const QString &textPath, qint64 position) {
    BookFile text;
    if (position <= 0 || text.open(textPath) != BookFile::OpenStatus::Opened ||
        position >= text.size()) {
        return position;
    }
    for (qint64 p = position; p > 0; --p) {
        if (endsSentenceAt(text, p - 1) || (p >= 2 && endsSentenceAt(text, p - 2))) {
            return p;
        }
    }
    return 0;
}
