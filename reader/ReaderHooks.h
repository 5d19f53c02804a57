#pragma once

#include "ShellHooks.h"

#include <memory>

class VolumeSource;

// The main window's hooks into the reader and the book chooser, wired once for
// the program (app/main.cpp) and for the tests alike:
// - createBookChooser makes the one book chooser FormObrirRecurs, a child of the
//   main window, listing `volumes` (the system's mounted volumes when null);
// - openBook runs MenuObrirFitxerClick with that chooser (making it first if
//   start-up has not);
// - readBook, stepBackOneSentence, readingRunActive and abandonReadingRun are the
//   reading loop's (readingRunActive also holds while a book is being opened);
// - removeClipboardFile removes the clipboard's temporary file.
// The hooks share the chooser between them; they are called on the UI thread.
ShellHooks readerHooks(std::shared_ptr<VolumeSource> volumes = nullptr);
