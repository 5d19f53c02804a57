#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

class ZipArchive;

// An EPUB's package document: its manifest, its spine and its metadata, with
// every reference already a zip entry name.
struct EpubPackage {
    struct Item {
        QByteArray entry; // the zip entry, "." and ".." resolved, percent-decoding undone
        QString mediaType;
        QString properties;
        QString mediaOverlay; // the id of its narration's SMIL item (EPUB 3 media overlays)
    };

    QHash<QString, Item> manifest; // by id
    // The reading order: the linear items in spine order, then the non-linear
    // ones (notes, answers), so that nothing is lost.
    QList<QString> spine;
    QString tocId; // the spine's NCX
    // Dublin Core metadata (UTF-8, blanks trimmed, the first non-empty of each).
    QByteArray title;
    QByteArray author;
    QByteArray language;
    // The narration's whole duration (media:duration of the package), as its
    // clock value; empty when it states none.
    QString narrationDuration;

    // The zip entry of the EPUB 3 navigation document, of the NCX; empty when
    // the book has none.
    QByteArray navigationEntry() const;
    QByteArray ncxEntry() const;

    // The package document's zip entry: the first rootfile that
    // META-INF/container.xml names and the archive holds; failing that (no
    // container, or a wrong path as some books are published with), the one
    // ".opf" the archive holds. nullopt when there is none or more than one.
    static std::optional<QByteArray> locate(ZipArchive &zip, qint64 limit);
    // The package document `opf`, found at the zip entry `entry`.
    static EpubPackage parse(const QByteArray &opf, const QByteArray &entry);
};

namespace EpubPaths {

// The folder part of a zip entry name, with its trailing "/".
QByteArray folderOf(const QByteArray &entry);
// `href` (percent-encoded, maybe with a fragment, which is left out) relative to
// the zip folder `folder`, as a zip entry name with "." and ".." resolved.
QByteArray resolve(const QByteArray &folder, QStringView href);
// The name of the anchor a link `href` in a document of `folder` leads to:
// "<entry>#<id>", or "<entry>" for the document itself; the id percent-decoded.
QByteArray anchorOf(const QByteArray &folder, QStringView href);

} // namespace EpubPaths
