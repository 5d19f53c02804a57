#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QtGlobal>

#include <vector>

// What a DAISY book's package files say: its metadata, the SMIL files of its
// reading order and its navigation (headings with levels, print pages), each
// entry pointing into a SMIL file. DAISY 2.02 keeps all of it in the NCC (an
// XHTML file, ncc.html); DAISY 3 in the .opf package (metadata, manifest, spine)
// and the .ncx (navMap, pageList). Names are names of the book (DaisySource).
struct DaisyNavEntry {
    int level = 0;   // 1 to 6 for a heading, 0 for a page
    QByteArray text; // a heading's text or a page's label, UTF-8
    QString smil;    // the SMIL file it points into
    QString fragment;
};

struct DaisyPackage {
    QByteArray title, author, language; // UTF-8, empty when not given
    qint64 totalMs = 0;                 // the book's own total time, 0 when not given
    QStringList smilFiles;              // in reading order, each once
    QStringList textDocuments;          // DAISY 3: the DTBook documents, in order
    std::vector<DaisyNavEntry> nav;     // in the book's order
    bool isDtb = false;                 // an .opf that is a DAISY 3 book (not an EPUB's)
    bool protectedBook = false;         // a DAISY protected format
};

namespace DaisyPackages {

// The most SMIL files and navigation entries a package may list.
inline constexpr qsizetype MaxSmilFiles = 100'000;
inline constexpr qsizetype MaxNavEntries = 1'000'000;

// The NCC `ncc` (in any encoding; Windows-1252 without a declaration too) of the
// book whose NCC is named `nccName`: headings h1-h6, pages page-normal,
// page-front and page-special, and every SMIL file its links reach, in order.
// With `metadataOnly`, the head only.
DaisyPackage readNcc(const QByteArray &ncc, const QString &nccName, bool metadataOnly = false);

// The .opf `opf` named `opfName`: metadata, the spine's SMIL files and the
// manifest's DTBook documents. `ncxName` gets the manifest's NCX.
DaisyPackage readOpf(const QByteArray &opf, const QString &opfName, QString &ncxName);
// Adds the navMap (depth = level) and pageList of the NCX `ncx` to `package`.
void readNcx(const QByteArray &ncx, const QString &ncxName, DaisyPackage &package);

// An XML file of a DAISY book (package, NCX, SMIL, DTBook) as the XML reader
// can read it: unchanged when it declares its encoding, has a UTF-16 byte-order
// mark or is UTF-8; else it is Windows-1252, as older books are, and comes back
// in UTF-8.
QByteArray asXml(QByteArray bytes);

// A SMIL clock value or an NCC/OPF total time ("npt=12.5s", "0:01:02.5",
// "01:02.5", "12.5s", "250ms", "1.5h", "12.5") in milliseconds; -1 when it is
// none of those.
qint64 clockValueMs(QStringView value);

} // namespace DaisyPackages
