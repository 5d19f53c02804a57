// Zelvora: a talking book reader for blind users. This file only wires the
// libraries together and runs the start-up.
#include "BackgroundExport.h"
#include "CommandLine.h"
#include "EngineChoice.h"
#include "ExportRun.h"
#include "ExportWorkers.h"
#include "KeyCommands.h"
#include "MissingEngine.h"
#include "NavigationWiring.h"
#include "ReaderHooks.h"
#include "Startup.h"
#include "TFormPrincipal.h"
#include "TerminationSignals.h"

#include "ReaderState.h"
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

AudioFormat formatNamed(const QString &name) {
    if (name == QStringLiteral("mp3"))
        return AudioFormat::Mp3;
    return name == QStringLiteral("wav") ? AudioFormat::Wav : AudioFormat::Opus;
}

// --export: the engine as the reader would choose it, speed and language as given
// or as saved; no window, no library loaded in this process.
int exportFromCommandLine(const CommandLineOutcome &command) {
    // Choosing loads the engine to try it: in a child, so that this process,
    // which forks the workers, keeps no engine and no thread.
    const std::optional<QByteArray> chosen = ExportWorkers::inChild([&command] {
        const EngineChoice::Result engine = EngineChoice::choose(
            command.engine, qEnvironmentVariable(EngineChoice::EnvironmentVariable),
            EngineChoice::folders(EngineChoice::executableFolder()));
        return engine.ok() ? "+" + engine.library.toUtf8() : "-" + engine.error.toUtf8();
    });
    if (!chosen || !chosen->startsWith('+')) {
        std::fprintf(stderr, "%s\n", chosen ? chosen->mid(1).constData() : "zelvora: no engine");
        return 1;
    }
    ExportOptions options;
    options.book = command.exportBook;
    options.folder = command.exportFolder;
    options.library = QString::fromUtf8(chosen->mid(1));
    options.engineName = command.engine.isEmpty()
                             ? qEnvironmentVariable(EngineChoice::EnvironmentVariable)
                             : command.engine;
    options.speed = command.exportSpeed > 0 ? command.exportSpeed : Settings().readReadingSpeed();
    options.catalan = command.exportLanguage.isEmpty()
                          ? !Settings().storedLanguageIsSpanish()
                          : command.exportLanguage == QStringLiteral("ca");
    options.format = formatNamed(command.exportFormat);
    options.jobs = command.exportJobs;
    return runExport(options);
}

} // namespace

int main(int argc, char *argv[]) {
    // --help, --version and wrong arguments end here, with no window and no library.
    const CommandLineOutcome command = parseCommandLine(commandLineArguments(argc, argv));
    if (command.listEngines) {
        return listInstalledEngines();
    }
    if (!command.exportBook.isEmpty()) {
        return exportFromCommandLine(command);
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
    // X exports the book in the background; its end is said when the reader is
    // silent and reads nothing, and leaving the program stops it.
    TFormPrincipal *window = nullptr;
    BackgroundExport exporter(
        [&window] {
            return window != nullptr && !window->IsReading && !window->readingRunActive() &&
                   Speech().upcTVStatus() == 0;
        },
        [](const QByteArray &text) { Speech().SpeakText(text); });
    ShellHooks hooks = readerHooks();
    // The bookmark level moves over the current book's bookmarks, kept by the
    // main window.
    addNavigationHooks(hooks, [] {
        return FormPrincipal != nullptr ? bookmarksOfCurrentBook(FormPrincipal->Bookmarks)
                                        : std::vector<qint64>();
    });
    hooks.exportBook = [&exporter] {
        exporter.exportOrTell(State().BookPath, Speech().libraryName(), Speech().ReadingSpeed,
                              Speech().CatalanActive);
    };
    hooks.exportStatus = [&exporter] { return exporter.status(); };
    Startup startup(std::move(hooks));
    window = startup.mainWindow();
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
