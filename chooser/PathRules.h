#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

// The plain rules behind the book chooser's lists: which lines the folder list
// shows and what path each stands for, how a file name is built, which names are
// listed, how a volume is found for a folder. No window is needed for any of them.
//
// Paths are absolute, use "/" and carry no trailing "/" except the root "/" itself.
namespace PathRules {

// The names of the folder levels below the root, top first: "/a/b" gives a, b.
QStringList levelNames(const QString &directory);

// The line of the current folder: 0 for the root, else the number of levels.
int currentLine(const QString &directory);

// The texts of every line: "/", the level names, then the subfolders.
QStringList lineTexts(const QString &directory, const QStringList &subfolders);

// The full path that `line` stands for; empty for a line that does not exist.
QString linePath(const QString &directory, const QStringList &subfolders, int line);

// `folder`, one "/" and `name`: "/" + "a.txt" gives "/a.txt", "/b" gives "/b/a.txt".
QString joinPath(const QString &folder, const QString &name);

// What follows the last "/" of `fileName`, without its book extension (".txt",
// ".epub", ... in any case: BookFormats::titleOf). Empty for an empty file name
// and for a file named just ".txt".
QString bookName(const QString &fileName);

// Hidden names begin with ".". A file named just ".txt" is the one exception: it
// has nothing before its extension, yet it is a book the user may want to open.
bool isHiddenFolderName(QStringView name);
bool isHiddenFileName(QStringView name);

// Whether `name` matches the wildcard `pattern` ("*" any run, "?" any one
// character), without regard to case.
bool matchesPattern(QStringView pattern, QStringView name);

// The patterns of a file-list mask: ";" separates them, blanks around each are
// dropped, empty ones are ignored.
QStringList maskPatterns(const QString &mask);
bool matchesMask(const QStringList &patterns, QStringView name);

// Sorts names alphabetically without regard to case; names that differ in case
// only keep a fixed order (upper case first).
void sortWithoutCase(QStringList &names);

// Whether `folder` is `mountPoint` or lies below it ("/mnt" does not hold "/mnt2").
bool isOnVolume(const QString &folder, const QString &mountPoint);

// The longest of `mountPoints` that holds `folder`; "/" when none does.
QString volumeOfFolder(const QStringList &mountPoints, const QString &folder);

// The row to highlight when a character is typed in a list: the next row after
// `current` (wrapping to the top) whose key begins with `typed` without regard to
// case; `current` when none does. `current` may be -1 (nothing highlighted).
int nextRowStartingWith(const QStringList &keys, int current, QChar typed);

// A volume as the spoken texts name it: its mount point in UTF-8, "aa" in place
// of a volume named just "a" so that the speech engine says it as a name.
QByteArray spokenDrive(const QString &drive);

} // namespace PathRules
