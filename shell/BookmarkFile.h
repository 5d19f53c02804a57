#pragma once

#include "LockedFile.h"

#include <QString>
#include <QtGlobal>

#include <vector>

// The bookmarks of every book, in their own file "Marcadors.ini" (the settings
// file keeps the format other copies and older versions rely on). One section,
// "Marcadors"; one line a book, its key the book's exact path escaped as the
// settings file escapes keys, its value the book's bookmarks: byte offsets of
// sentence starts, in ascending decimal, separated by commas:
//     [Marcadors]
//     /home/anna/Llibres/Tirant.epub=0,51200,880134
//
// Every toggle is one read, change and atomic replacement of the file under its
// own lock (LockedFile, as the settings file). A damaged file loses nothing that
// can be read: in a book's value whatever is not a non-negative decimal offset is
// left out, lines that are not a book's are kept as they are, and a file that
// cannot be read (not a regular file, unreadable, larger than MaxFileSize) is
// never replaced: it has no bookmarks and every toggle fails. The file stays
// bounded: at most MaxPerBook bookmarks a book and MaxFileSize bytes in all.
class BookmarkFile {
public:
    static constexpr int MaxPerBook = 1000;
    static constexpr qint64 MaxFileSize = 4 * 1024 * 1024;

    explicit BookmarkFile(QString path);
    // $XDG_DATA_HOME/zelvora/Marcadors.ini (normally ~/.local/share/zelvora/).
    static QString defaultPath();
    QString path() const { return m_file.path(); }

    // The book's bookmarks, ascending, without repeats; empty when it has none or
    // the file cannot be read.
    std::vector<qint64> bookmarksOf(const QString &bookPath) const;

    enum class Change {
        Added,
        Removed,
        Full,  // the book or the file holds all the bookmarks it can: nothing changed
        Failed // the file could not be read or written: nothing changed
    };
    struct Toggled {
        Change change;
        int number; // 1-based, in ascending order: the bookmark's number (0 on failure)
    };
    // Removes the book's bookmark at `offset` if it has one, else adds one there.
    Toggled toggle(const QString &bookPath, qint64 offset);

private:
    LockedFile m_file;
};
