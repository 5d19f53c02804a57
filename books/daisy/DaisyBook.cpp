#include "DaisyBook.h"

#include "DaisyContent.h"
#include "DaisyPackage.h"
#include "DaisySource.h"
#include "PhraseTable.h"
#include "SmilReader.h"
#include "TextBuilder.h"

#include <QHash>

#include <optional>

namespace {

constexpr qint64 MaxPackageBytes = 32LL * 1024 * 1024;
constexpr qint64 MaxSmilBytes = 64LL * 1024 * 1024;
constexpr qsizetype LongestPhraseText = 600;

std::optional<DaisyPackage> packageOf(DaisySource &source, bool metadataOnly) {
    QByteArray bytes;
    if (source.read(source.packageName(), MaxPackageBytes, bytes) != ZipArchive::Read::Ok) {
        return std::nullopt;
    }
    if (source.kind() == DaisySource::Kind::Daisy202) {
        return DaisyPackages::readNcc(bytes, source.packageName(), metadataOnly);
    }
    QString ncxName;
    DaisyPackage package =
        DaisyPackages::readOpf(DaisyPackages::asXml(bytes), source.packageName(), ncxName);
    if (!package.isDtb) {
        return std::nullopt;
    }
    if (!metadataOnly && source.read(ncxName, MaxPackageBytes, bytes) == ZipArchive::Read::Ok) {
        DaisyPackages::readNcx(DaisyPackages::asXml(bytes), ncxName, package);
    }
    return package;
}

// Every phrase of the book in reading order, as the SMIL files give them.
struct Phrases {
    PhraseTable audio;                        // keyed by phrase number until the index text exists
    std::vector<qint64> contentOffsets;       // per phrase, its text's offset, -1 when none
    QHash<qsizetype, QByteArray> pageNumbers; // phrases that read a page number: its label
    // "smil#id" -> phrase number, only for the ids the navigation points at (-1
    // until found), so that a book of a million phrases keeps no million ids;
    // "smil" -> its first phrase.
    QHash<QString, qsizetype> targets;
    QHash<QString, bool> fileExists;
    bool anyClip = false;
    bool anyPlayable = false;
};

bool addPhrase(DaisySource &source, DaisyContent &content, const SmilPhrase &phrase,
               const QString &smil, Phrases &phrases) {
    // A book of audio with an NCC only points the text of its pars at the NCC:
    // it has no text, and each of a par's clips is a phrase of its own.
    const QString document = phrase.text.left(phrase.text.indexOf(u'#'));
    const bool hasText =
        !phrase.text.isEmpty() && document.compare(source.packageName(), Qt::CaseInsensitive) != 0;
    if (!hasText && phrase.clips.size() > 1) {
        for (size_t i = 0; i < phrase.clips.size(); ++i) {
            const SmilPhrase clip{
                QString(), {phrase.clips[i]}, i == 0 ? phrase.ids : QStringList()};
            if (!addPhrase(source, content, clip, smil, phrases)) {
                return false;
            }
        }
        return true;
    }
    const qsizetype number = qsizetype(phrases.contentOffsets.size());
    if (!phrases.audio.addPhrase(number)) {
        return false;
    }
    for (const SmilClip &clip : phrase.clips) {
        phrases.anyClip = true;
        auto exists = phrases.fileExists.find(clip.file);
        if (exists == phrases.fileExists.end()) {
            exists = phrases.fileExists.insert(clip.file, source.exists(clip.file));
        }
        phrases.anyPlayable = phrases.anyPlayable || *exists;
        if (!phrases.audio.addClip(source.clip(clip.file, clip.beginMs, clip.endMs))) {
            return false;
        }
    }
    phrases.contentOffsets.push_back(hasText ? content.offsetOf(phrase.text) : -1);
    // A page number is no text of the book; the phrase that reads it aloud
    // reads its label.
    if (const QByteArray label = hasText ? content.pageLabelOf(phrase.text) : QByteArray();
        !label.isEmpty()) {
        phrases.pageNumbers.insert(number, label);
    }
    for (const QString &id : phrase.ids) {
        const auto target = phrases.targets.find(smil + u'#' + id);
        if (target != phrases.targets.end() && *target < 0) {
            *target = number;
        }
    }
    return true;
}

void readSmilFiles(DaisySource &source, const DaisyPackage &package, DaisyContent &content,
                   Phrases &phrases) {
    for (const DaisyNavEntry &entry : package.nav) {
        phrases.targets.insert(entry.smil + u'#' + entry.fragment, -1);
    }
    QByteArray bytes;
    bool more = true;
    for (const QString &smil : package.smilFiles) {
        if (!more) {
            break;
        }
        if (source.read(smil, MaxSmilBytes, bytes) != ZipArchive::Read::Ok) {
            continue; // a missing SMIL file loses its phrases, not the book
        }
        const qsizetype first = qsizetype(phrases.contentOffsets.size());
        SmilReader::read(DaisyPackages::asXml(std::move(bytes)), smil,
                         [&](const SmilPhrase &phrase) {
                             more = addPhrase(source, content, phrase, smil, phrases);
                             return more;
                         });
        // A link to the file itself lands on its first phrase; a file without
        // any phrase is no target at all, not the start of the next file.
        if (qsizetype(phrases.contentOffsets.size()) > first) {
            phrases.targets.insert(smil, first);
        }
    }
}

void addNavigation(const DaisyPackage &package, const Phrases &phrases,
                   const std::vector<qint64> &offsets, BookStructure &structure) {
    for (const DaisyNavEntry &entry : package.nav) {
        qsizetype number = phrases.targets.value(entry.smil + u'#' + entry.fragment, -1);
        if (number < 0) {
            number = phrases.targets.value(entry.smil, -1);
        }
        if (number < 0 || number >= qsizetype(offsets.size()) || offsets[size_t(number)] < 0) {
            continue;
        }
        if (entry.level > 0) {
            structure.addHeading(offsets[size_t(number)], entry.level, entry.text);
        } else {
            structure.addPage(offsets[size_t(number)], entry.text);
        }
    }
}

// The index text of a recorded book: one sentence a phrase.
Extracted recordedBook(const DaisyPackage &package, Phrases &phrases, const QByteArray &content) {
    TextBuilder index;
    PhraseTable table;
    table.setBookDurationMs(package.totalMs);
    std::vector<qint64> offsets;
    for (qsizetype i = 0; i < phrases.audio.size(); ++i) {
        if (index.here() + 2 * LongestPhraseText > TextBuilder::DefaultLimit) {
            break; // a hostile book: what fits is played
        }
        offsets.push_back(index.here());
        table.addPhrase(index.here());
        for (const AudioClip &clip : phrases.audio.audio(i)) {
            table.addClip(clip);
        }
        const QByteArray text =
            phrases.pageNumbers.contains(i)
                ? DaisyContent::sentenceAt(phrases.pageNumbers.value(i), 0, LongestPhraseText)
                : DaisyContent::sentenceAt(content, phrases.contentOffsets[size_t(i)],
                                           LongestPhraseText);
        index.addText(text.isEmpty() ? QByteArrayView(DaisyBook::PhrasePlaceholder) : text);
        index.endBlock();
    }
    Extracted extracted = Extraction::finished(index);
    BookStructure structure;
    addNavigation(package, phrases, offsets, structure);
    structure.finish(extracted.text.size());
    extracted.structure = std::move(structure);
    extracted.phrases = table.serialized();
    return extracted;
}

} // namespace

namespace DaisyBook {

Extracted extract(const QString &path) {
    DaisySource source;
    if (!source.open(path)) {
        return Extracted::failed(ExtractionStatus::CannotOpen);
    }
    const std::optional<DaisyPackage> package = packageOf(source, false);
    if (!package || (package->smilFiles.isEmpty() && package->textDocuments.isEmpty())) {
        return Extracted::failed(package && package->protectedBook ? ExtractionStatus::Protected
                                                                   : ExtractionStatus::CannotOpen);
    }
    if (package->protectedBook) {
        return Extracted::failed(ExtractionStatus::Protected);
    }
    DaisyContent content(source, package->textDocuments);
    Phrases phrases;
    readSmilFiles(source, *package, content, phrases);
    const QByteArray text = content.take();
    Extracted extracted;
    if (phrases.anyClip) {
        if (!phrases.anyPlayable) {
            return Extracted::failed(ExtractionStatus::CannotOpen);
        }
        extracted = recordedBook(*package, phrases, text);
    } else {
        if (text.isEmpty()) {
            // Without a single phrase its SMIL files are missing or broken; a
            // book of phrases that name no text has none.
            return Extracted::failed(phrases.contentOffsets.empty() ? ExtractionStatus::CannotOpen
                                                                    : ExtractionStatus::NoText);
        }
        extracted = {ExtractionStatus::Ok, text, {}, {}};
        addNavigation(*package, phrases, phrases.contentOffsets, extracted.structure);
        extracted.structure.finish(text.size());
    }
    extracted.structure.title = package->title;
    extracted.structure.author = package->author;
    extracted.structure.language = package->language;
    return extracted;
}

QByteArray titleOf(const QString &path) {
    DaisySource source;
    if (!source.open(path)) {
        return QByteArray();
    }
    const std::optional<DaisyPackage> package = packageOf(source, true);
    return package ? package->title : QByteArray();
}

bool isBook(const QString &path) {
    DaisySource source;
    return source.open(path) && packageOf(source, true).has_value();
}

} // namespace DaisyBook
