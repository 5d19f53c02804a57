#include "CurrentStructure.h"

#include "BookCache.h"
#include "BookFormat.h"
#include "BookSource.h"
#include "LineStructure.h"

#include <QFileInfo>

#include <chrono>

CurrentStructure::~CurrentStructure() {
    stopScan();
}

void CurrentStructure::stopScan() {
    if (m_cancel) {
        m_cancel->store(true);
    }
    if (m_scan.valid()) {
        m_scan.wait();
    }
    m_scan = {};
    m_cancel.reset();
}

void CurrentStructure::follow(const QString &bookPath, bool clipboard) {
    BookCache cache(BookCache::defaultFolder());
    const QString key = cache.cachePathOf(bookPath);
    if (bookPath == m_bookPath && clipboard == m_clipboard && key == m_cacheKey) {
        return;
    }
    stopScan();
    m_bookPath = bookPath;
    m_cacheKey = key;
    m_clipboard = clipboard;
    m_structure.reset();
    m_phrases.reset();
    m_textPath.clear();
    m_textSize = 0;
    if (bookPath.isEmpty()) {
        return;
    }
    const BookText text = textForReading(bookPath, clipboard);
    if (text.status != ExtractionStatus::Ok) {
        return;
    }
    m_textPath = text.path;
    m_textSize = QFileInfo(text.path).size();
    if (!text.phrases.isEmpty()) {
        m_phrases = PhraseTable::load(text.phrases);
    }
    const bool plain = clipboard || BookFormats::formatOf(bookPath) == BookFormat::PlainText ||
                       BookFormats::formatOf(bookPath) == BookFormat::Unknown;
    m_kind = plain ? Paragraphs::Kind::PlainText : Paragraphs::Kind::Extracted;
    if (!plain) {
        m_structure = cache.structureOf(bookPath).value_or(BookStructure());
        return;
    }
    if (!clipboard) {
        m_structure = cache.structureOf(bookPath, BookCache::Found::ByLineScan);
        if (m_structure) {
            return;
        }
    }
    m_cancel = std::make_shared<std::atomic_bool>(false);
    m_scan =
        std::async(std::launch::async, [bookPath, textPath = m_textPath, clipboard,
                                        cancel = m_cancel, folder = BookCache::defaultFolder()] {
            std::optional<BookStructure> found = LineStructure::scan(textPath, cancel.get());
            if (found && !clipboard) {
                BookCache(folder).keepLineStructure(bookPath, *found);
            }
            return found;
        });
}

const BookStructure *CurrentStructure::structure() {
    if (m_scan.valid() && m_scan.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
        m_structure = m_scan.get().value_or(BookStructure());
        m_cancel.reset();
    }
    return m_structure ? &*m_structure : nullptr;
}
