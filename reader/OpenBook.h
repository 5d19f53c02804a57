#pragma once

#include <QString>

class TFormObrirRecurs;
class TFormPrincipal;

// Opening a book (the main window's MenuObrirFitxerClick): the book chooser, then
// the chosen book from its saved position. UI thread only.
//
// Shows `chooser` modally. When a book is chosen it becomes the current book
// (BookPath, BookTitle, the clipboard's file removed and clipboard mode left), its
// saved position is read (a missing or non-numeric value reads as 0; in a book
// whose text is extracted, a position that is not a sentence start moves back to
// the one before it), the book's text is extracted on a worker thread (a book
// whose text cannot be had is refused with its reason, as a book that cannot be
// opened is, leaving IsReading set: before the announcement when that is known
// within half a second, else after it), the book is
// announced in Catalan whatever the language ("Llegeixo el llibre, " + title +
// ". Réturn per anàr al menú") and heard to its end, and after 300 ms a reading
// run starts; returns when that run has ended. When the chooser is left without a
// book the cancellation is spoken, directly followed by the idle menu when there
// is nothing to continue and by the pause menu otherwise, and nothing else
// changes.
//
// Does nothing while a reading run is active or unwinding, or while another book
// is being opened (a context menu used during a reading): runs never nest. No run
// starts once the main window has begun to close.
void MenuObrirFitxerClick(TFormPrincipal &form, TFormObrirRecurs &chooser);

// True from the moment MenuObrirFitxerClick shows the chooser until it returns.
bool BookBeingOpened();

// The spoken title of the book at `path`: the file name (what follows the last
// "/") without its book extension (".txt", ".epub", ...), whatever its letter
// case; a name with no book extension loses its last four characters.
QString bookTitleOf(const QString &path);
