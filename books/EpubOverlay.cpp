#include "EpubOverlay.h"

#include "DaisyPackage.h"
#include "EpubPackage.h"
#include "PhraseTable.h"
#include "SmilReader.h"
#include "TextBuilder.h"
#include "ZipArchive.h"

#include <QHash>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 MaxSmilBytes = 64LL * 1024 * 1024;

// Whether the player decodes the recording `entry`: by its manifest media type,
// else (a recording the manifest leaves out) by its name.
bool playable(const QString &mediaType, const QString &entry) {
    if (!mediaType.isEmpty()) {
        return mediaType == u"audio/mpeg" || mediaType == u"audio/mp3" ||
               mediaType == u"audio/wav" || mediaType == u"audio/x-wav" ||
               mediaType == u"audio/vnd.wave";
    }
    return entry.endsWith(u".mp3"_s, Qt::CaseInsensitive) ||
           entry.endsWith(u".wav"_s, Qt::CaseInsensitive);
}

// "entry#id" of a par's text element, as the text's anchors name it.
QByteArray anchorOf(const QString &target) {
    const qsizetype hash = target.indexOf(u'#');
    if (hash < 0) {
        return target.toUtf8();
    }
    return target.left(hash).toUtf8() + '#' +
           QByteArray::fromPercentEncoding(target.sliced(hash + 1).toUtf8());
}

class Narration {
public:
    Narration(ZipArchive &zip, const QString &zipPath, const EpubPackage &package,
              const TextBuilder &text)
        : m_zip(zip), m_zipPath(zipPath), m_text(text) {
        for (const EpubPackage::Item &item : package.manifest) {
            m_mediaTypes.insert(QString::fromUtf8(item.entry), item.mediaType);
        }
    }

    // Adds the phrases of the overlay `smil` of the document starting at
    // `documentStart`; false once the table is full.
    bool addOverlay(const QByteArray &smil, qint64 documentStart);
    void addUnnarrated(qint64 documentStart) { m_table.addSpokenStretch(documentStart); }

    PhraseTable &table() { return m_table; }
    bool anyPlayable() const { return m_anyPlayable; }

private:
    bool addPhrase(const SmilPhrase &phrase, qint64 documentStart);

    ZipArchive &m_zip;
    QString m_zipPath;
    const TextBuilder &m_text;
    QHash<QString, QString> m_mediaTypes; // by zip entry
    QHash<QString, bool> m_playable;      // by zip entry, once looked at
    PhraseTable m_table;
    bool m_firstOfDocument = true;
    bool m_anyPlayable = false;
};

bool Narration::addOverlay(const QByteArray &smil, qint64 documentStart) {
    QByteArray bytes;
    if (m_zip.read(smil, MaxSmilBytes, bytes) != ZipArchive::Read::Ok) {
        addUnnarrated(documentStart); // an overlay that is not there: the text is still read
        return true;
    }
    m_firstOfDocument = true;
    bool more = true;
    SmilReader::read(DaisyPackages::asXml(std::move(bytes)), QString::fromUtf8(smil),
                     [&](const SmilPhrase &phrase) {
                         more = addPhrase(phrase, documentStart);
                         return more;
                     });
    if (m_firstOfDocument) {
        addUnnarrated(documentStart); // an overlay without a single phrase
    }
    return more;
}

bool Narration::addPhrase(const SmilPhrase &phrase, qint64 documentStart) {
    if (phrase.clips.empty()) {
        return true;
    }
    // A phrase whose text is not found joins the phrase before it, as does one
    // whose text begins in the same sentence: its audio is never lost.
    const qint64 offset = phrase.text.isEmpty() ? -1 : m_text.anchorOffset(anchorOf(phrase.text));
    if (m_firstOfDocument) {
        const qint64 first = offset >= 0 ? offset : documentStart;
        if (first > documentStart) {
            addUnnarrated(documentStart); // a title or heading the narration leaves out
        }
        m_firstOfDocument = false;
        if (!m_table.addPhrase(first)) {
            return false;
        }
    } else if (offset >= 0 && !m_table.addPhrase(offset)) {
        return false;
    }
    for (const SmilClip &clip : phrase.clips) {
        auto known = m_playable.find(clip.file);
        if (known == m_playable.end()) {
            known = m_playable.insert(clip.file,
                                      m_zip.contains(clip.file.toUtf8()) &&
                                          playable(m_mediaTypes.value(clip.file), clip.file));
        }
        m_anyPlayable = m_anyPlayable || *known;
        if (!m_table.addClip({m_zipPath, clip.file, clip.beginMs, clip.endMs})) {
            return false;
        }
    }
    return true;
}

} // namespace

namespace EpubOverlay {

QByteArray phrasesOf(ZipArchive &zip, const QString &zipPath, const EpubPackage &package,
                     const TextBuilder &text) {
    Narration narration(zip, zipPath, package, text);
    bool anyOverlay = false;
    for (const QString &id : package.spine) {
        const auto item = package.manifest.constFind(id);
        if (item == package.manifest.cend()) {
            continue;
        }
        const qint64 start = text.anchorOffset(item->entry);
        const auto overlay = package.manifest.constFind(item->mediaOverlay);
        if (start < 0) {
            continue; // a document that gave no text
        }
        if (item->mediaOverlay.isEmpty() || overlay == package.manifest.cend()) {
            narration.addUnnarrated(start);
            continue;
        }
        anyOverlay = true;
        if (!narration.addOverlay(overlay->entry, start)) {
            break; // a hostile book: what fits is played
        }
    }
    if (!anyOverlay || !narration.anyPlayable() || narration.table().isEmpty()) {
        return QByteArray();
    }
    narration.table().setBookDurationMs(DaisyPackages::clockValueMs(package.narrationDuration));
    return narration.table().serialized();
}

} // namespace EpubOverlay
