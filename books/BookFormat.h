#pragma once

#include <QString>
#include <QStringList>

// The kinds of book the reader opens, told apart by the file name's extension in
// any letter case.
enum class BookFormat {
    PlainText, // .txt: read as it is, unless it is UTF-16 with a byte-order mark
    Epub,
    Html, // .html, .htm, .xhtml
    Docx,
    Odt,
    Pdf,
    Daisy, // an ncc.html (any letter case), a .opf, or a .zip: a DAISY book's package
    Unknown,
};

namespace BookFormats {

// The format of the book at `path`, from its extension.
BookFormat formatOf(const QString &path);

// The extensions the chooser lists, with their dot, lower case: ".txt" first.
const QStringList &extensions();

// The chooser's file mask: "*.txt;*.epub;..." (matched without regard to case).
QString chooserMask();

// The spoken title of the book whose file name (or full path) is `fileName`: the
// name without its book extension; for a name with no book extension, the name
// less its last four characters (empty when it has four or fewer). A DAISY
// book's is its own title (dc:title), else its folder's or zip's name.
QString titleOf(const QString &fileName);

} // namespace BookFormats
