// Zelvora: a talking book reader for blind users. This file only wires the
// libraries together and runs the start-up.
#include "CommandLine.h"
#include "EngineChoice.h"
#include "ReaderHooks.h"
#include "Startup.h"
#include "TFormPrincipal.h"
#include "TerminationSignals.h"

#include "UnitUPCTV.h"

#include <QApplication>

#include <cstdio>

namespace {

// --list-engines: one installed engine per line.
int listInstalledEngines() {
    const QStringList folders = EngineChoice::folders(EngineChoice::executableFolder());
    for (const QString &name : EngineChoice::installed(folders)) {
        std::printf("%s\n", name.toLocal8Bit().constData());
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[]) {
    // --help, --version and wrong arguments end here, with no window and no library.
    const CommandLineOutcome command = parseCommandLine(commandLineArguments(argc, argv));
    if (command.listEngines) {
        return listInstalledEngines();
    }
    if (!command.startReader) {
        return finishCommandLine(command);
    }
    // An unknown engine ends here too, with one line naming the installed ones.
    if (!EngineChoice::apply(Speech(), command.engine, EngineChoice::executableFolder()).ok()) {
        return 1;
    }
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
