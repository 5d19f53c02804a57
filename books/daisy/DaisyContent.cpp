#include "DaisyContent.h"

#include "DaisyPackage.h"
#include "DaisySource.h"
#include "DtbookText.h"
#include "MarkupText.h"

#include "Extraction.h"

using namespace Qt::StringLiterals;

DaisyContent::DaisyContent(DaisySource &source, const QStringList &dtbooks) : m_source(source) {
    for (const QString &document : dtbooks) {
        read(document, true);
    }
}

void DaisyContent::read(const QString &document, bool dtbook) {
    if (m_read.contains(document) || m_text.overflowed()) {
        return;
    }
    m_read.insert(document);
    QByteArray bytes;
    if (m_source.read(document, Extraction::MaxDocumentBytes, bytes) != ZipArchive::Read::Ok) {
        return;
    }
    const QByteArray scope = document.toUtf8();
    if (dtbook) {
        DtbookText::extract(DaisyPackages::asXml(std::move(bytes)), m_text, scope);
    } else {
        MarkupText::extract(bytes, MarkupText::detectEncoding(bytes), m_text, scope);
    }
    m_text.endBlock();
}

qint64 DaisyContent::offsetOf(const QString &ref) {
    const QString document = ref.left(ref.indexOf(u'#'));
    if (!m_read.contains(document)) {
        read(document, document.endsWith(u".xml"_s, Qt::CaseInsensitive));
    }
    const qint64 offset = m_text.anchorOffset(ref.toUtf8());
    return offset >= 0 ? offset : m_text.anchorOffset(document.toUtf8());
}

QByteArray DaisyContent::sentenceAt(const QByteArray &text, qint64 offset, qsizetype limit) {
    if (offset < 0 || offset >= text.size()) {
        return QByteArray();
    }
    qsizetype end = qsizetype(offset) + 1;
    while (end < text.size() && !(text[end - 1] == '.' &&
                                  (text[end] == ' ' || text[end] == '\r' || text[end] == '\n'))) {
        ++end;
        if (end - offset > limit) {
            // Cut at a character start, never inside a UTF-8 sequence.
            while (end > offset && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
                --end;
            }
            break;
        }
    }
    return text.mid(offset, end - offset).trimmed();
}
