// Zelvora: a talking book reader for blind users. This file only wires the
// libraries together and runs the start-up.
#include "Startup.h"

#include <QApplication>

namespace {

// The operations of the reader and of the book chooser that the main window calls
// (the shell cannot link those libraries itself).
ShellHooks readerAndChooser() {
    ShellHooks hooks;
    // Wired here as the reader and the chooser arrive:
    //   hooks.createBookChooser   = ... create FormObrirRecurs (parent: the main window)
    //   hooks.openBook            = ... MenuObrirFitxerClick: chooser, then the reading
    //   hooks.readBook            = [](bool &isReading) { ReadBook(isReading); };
    //   hooks.stepBackOneSentence = [] { StepBackOneSentence(); };
    //   hooks.removeClipboardFile = ... remove the clipboard's temporary file
    return hooks;
}

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    Startup startup(readerAndChooser());
    if (!startup.start()) {
        return 1;
    }
    return startup.exec();
}
