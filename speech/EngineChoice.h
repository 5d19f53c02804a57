#pragma once

#include <QString>
#include <QStringList>

class SpeechService;

// Which speech library the program loads. An engine NAME is the library file
// libupctv-NAME.so in one of the engine folders; no name means the default
// library, libupctv.so (the espeak-ng engine, also listed as "espeak"), found
// the platform's way (LD_LIBRARY_PATH, then the executable's RUNPATH).
namespace EngineChoice {

inline constexpr char EnvironmentVariable[] = "ZELVORA_ENGINE";
inline constexpr char DefaultLibrary[] = "libupctv.so";
inline constexpr char DefaultEngineName[] = "espeak";
// The Debian package of a separately packaged engine NAME is this plus NAME.
inline constexpr char PackagePrefix[] = "zelvora-";

// The engines packaged apart from the program, as the build knows them.
QStringList packagedSeparately();
// The package to install for engine `name`; empty for one that comes with the program.
QString packageOf(const QString &name);

// The library file of the engine `name`: libupctv-NAME.so; libupctv.so for no name.
QString libraryFileName(const QString &name);

// Where engines are installed, for an executable in `applicationDir`: the
// build's <appdir>/../lib, then the private engine folder of an install
// (<appdir>/../lib/<multiarch>/zelvora, also mirrored in the build tree).
QStringList folders(const QString &applicationDir);

// The names of the engines installed in `folders`, sorted, each once:
// NAME for every libupctv-NAME.so, "espeak" for libupctv.so, each left out
// unless its library loads with every entry point (a library whose own
// dependencies are missing does not). Each library is tried in a child process
// (see LibraryProbe.h), so nothing of it stays in this one.
QStringList installed(const QStringList &folders);

// The folder of the running executable, found without a QCoreApplication.
QString executableFolder();

struct Result {
    QString library; // the name or path to give the speech service
    QString error;   // one line saying why no engine was chosen; empty when chosen
    QString package; // with an error: the package that would install the engine, if any
    bool ok() const { return error.isEmpty(); }
};

// The engine asked for by the option's value or, when that is empty, by the
// environment's; the library to load: the default library's bare name for no
// name, else the path of libupctv-NAME.so in the first folder holding it, once
// it has loaded here with every entry point (and been unloaded again). Only
// that one library is tried. A separately packaged engine that is missing or
// does not load gives an error naming its package (and the loader's reason);
// another engine that does not load gives an error with the reason; a name
// found in no folder (or not a plain name) gives an error listing the installed
// engines.
Result choose(const QString &optionValue, const QString &environmentValue,
              const QStringList &folders);

// choose() with ZELVORA_ENGINE and the folders next to `applicationDir`, then
// points `speech` at the chosen library (every later load and reload uses it).
// When no engine is chosen, writes the error line to standard error and leaves
// `speech` as it was.
Result apply(SpeechService &speech, const QString &optionValue, const QString &applicationDir);

} // namespace EngineChoice
