#pragma once

#include "DaisyMaker.h"

#include <QByteArray>
#include <QList>
#include <QString>

// Small EPUB 3 books narrated with media overlays, made by the tests themselves.
//
// Chapter i is OEBPS/c<i>.xhtml: an h1 heading that the narration leaves out,
// then one paragraph per phrase (id "p<n>", n counted through the book). A
// narrated chapter has the overlay OEBPS/c<i>.smil, one par per phrase, whose
// clip lies in the chapter's recording OEBPS/c<i>.wav (16 kHz mono), filled
// with DaisyMaker::sampleOf(n, ...) so that what a player wrote can be traced
// back to its phrase.
namespace NarratedEpub {

struct Chapter {
    QByteArray heading;
    QList<DaisyMaker::Phrase> phrases;
    bool narrated = true;
};

struct Book {
    QByteArray title = "Llibre narrat";
    QList<Chapter> chapters;
    QByteArray audioType = "audio/wav"; // the recordings' media type in the manifest
    QByteArray duration;                // media:duration of the package, when not empty
};

// Writes `book` as the EPUB at `path`; false when it cannot be written.
bool make(const QString &path, const Book &book);

} // namespace NarratedEpub
