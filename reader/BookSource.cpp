#include "BookSource.h"

#include "BookFile.h"
#include "BookFormat.h"
#include "Messages.h"
#include "SentenceScanner.h"
#include "UnitUPCTV.h"

#include <QElapsedTimer>

#include <algorithm>
#include <chrono>

namespace {

constexpr int PumpSliceMs = 10;

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

} // namespace

BookText textForReading(const QString &bookPath, bool clipboard) {
    if (clipboard) {
        return {ExtractionStatus::Ok, bookPath, false, {}};
    }
    BookCache cache(BookCache::defaultFolder());
    return cache.textOf(bookPath);
}

TextPreparation::TextPreparation(const QString &bookPath) {
    const BookFormat format = BookFormats::formatOf(bookPath);
    if (format == BookFormat::PlainText || format == BookFormat::Unknown) {
        m_result = textForReading(bookPath, false);
        m_done = true;
        return;
    }
    m_worker = std::async(std::launch::async, [bookPath, folder = BookCache::defaultFolder()] {
        return BookCache(folder).textOf(bookPath);
    });
}

TextPreparation::~TextPreparation() {
    if (m_worker.valid()) {
        m_worker.wait();
    }
}

bool TextPreparation::ready() const {
    return m_done || m_worker.wait_for(std::chrono::milliseconds(0)) == std::future_status::ready;
}

bool TextPreparation::waitFor(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!ready() && clock.elapsed() < ms) {
        WaitPumping(PumpSliceMs);
    }
    return ready();
}

BookText TextPreparation::result() {
    while (!ready()) {
        WaitPumping(PumpSliceMs);
    }
    if (!m_done) {
        m_result = m_worker.get();
        m_done = true;
    }
    return m_result;
}

void speakRefusal(const QString &spokenName, ExtractionStatus why) {
    Speech().SpeakText(lowerAsciiLetters(spokenName.toUtf8() + inActiveLanguage(reasonFor(why))));
}

qint64 sentenceStartAtOrBefore(const QString &textPath, qint64 position) {
    BookFile text;
    if (position <= 0 || text.open(textPath) != BookFile::OpenStatus::Opened) {
        return position;
    }
    return sentenceStartIn(text, position).value_or(position);
}
