#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// What the file list shows of a folder: a DAISY book is one book, whatever the
// files it is made of. The folder's own book (its ncc.html in any letter case,
// or the .opf of a DAISY 3 book) and every zipped DAISY book are shown once, by
// the book's title, and stand for their package file; the book's own parts in
// its folder (content documents, SMIL, NCX, DTBook, audio), which nobody opens
// one by one, are not shown. Every other file is shown by its name, as before.
namespace DaisyListing {

struct Entry {
    QString text; // what the list shows and the chooser speaks
    QString file; // the file's name in the folder
};

// The patterns a folder is scanned with beside the user's mask, so that the
// packages of DAISY books are found whatever the mask.
const QStringList &packagePatterns();

// `names` (the files of `folder` that match `userPatterns` or packagePatterns(),
// any order) as the list shows them, sorted by their text without regard to case.
QList<Entry> arrange(const QString &folder, const QStringList &names,
                     const QStringList &userPatterns);

} // namespace DaisyListing
