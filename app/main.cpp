// Zelvora: a talking book reader for blind users. This file only wires the
// libraries together and runs the start-up.
#include "CommandLine.h"
#include "EngineChoice.h"
#include "KeyCommands.h"
#include "MissingEngine.h"
#include "NavigationWiring.h"
#include "ReaderHooks.h"
#include "Startup.h"
#include "TFormPrincipal.h"
#include "TerminationSignals.h"

#include "SettingsFile.h"
#include "UnitUPCTV.h"

#include <QApplication>

#include <cstdio>
#include <unistd.h>

namespace {

// --list-engines: one installed engine per line.
int listInstalledEngines() {
    const QStringList folders = EngineChoice::folders(EngineChoice::executableFolder());
    for (const QString &name : EngineChoice::installed(folders)) {
        std::printf("%s\n", name.toLocal8Bit().constData());
    }
    return 0;
}

// An engine that could not be chosen. When it is one packaged apart and no one
// reads standard error (a start from the desktop), the default engine also says
// which package to install.
int endWithoutEngine(const EngineChoice::Result &engine) {
    if (!engine.package.isEmpty() && isatty(STDERR_FILENO) == 0) {
        Speech().setLibraryName(QString::fromLatin1(EngineChoice::DefaultLibrary));
        sayEngineNotInstalled(Speech(), Settings(), engine.package.toUtf8());
    }
    return 1;
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
    // An unknown or missing engine ends here too, with one line (naming the
    // installed engines, or the package to install).
    const EngineChoice::Result engine =
        EngineChoice::apply(Speech(), command.engine, EngineChoice::executableFolder());
    if (!engine.ok()) {
        return endWithoutEngine(engine);
    }
    QApplication app(argc, argv);
    // The reader and the book chooser reach the main window through these hooks
    // (the shell cannot link those libraries itself).
    ShellHooks hooks = readerHooks();
    // The bookmark level moves over the current book's bookmarks, kept by the
    // main window.
    addNavigationHooks(hooks, [] {
        return FormPrincipal != nullptr ? bookmarksOfCurrentBook(FormPrincipal->Bookmarks)
                                        : std::vector<qint64>();
    });
    Startup startup(std::move(hooks));
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
