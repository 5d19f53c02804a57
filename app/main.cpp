// Zelvora: a talking book reader for blind users. This file only wires the
// libraries together and runs the start-up.
#include "ReaderHooks.h"
#include "Startup.h"
#include "TFormPrincipal.h"
#include "TerminationSignals.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    // The reader and the book chooser reach the main window through these hooks
    // (the shell cannot link those libraries itself).
    Startup startup(readerHooks());
    if (!startup.start()) {
        return 1;
    }
    // A logout or a kill closes the window the ordinary way: farewell, the book's
    // position, speed and language saved.
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::terminationRequested, startup.mainWindow(),
                     &QWidget::close);
    return startup.exec();
}
