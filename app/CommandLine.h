#pragma once

#include <QString>
#include <QStringList>

// What the command line asks of the program. It is decided from the arguments
// alone, before any window exists or the speech library is loaded, so that
// --help and --version work without a display or sound.
struct CommandLineOutcome {
    bool startReader = true; // false: print the texts below and exit
    int exitCode = 0;        // 0 for --help and --version, 2 for a wrong argument
    QString standardOutput;
    QString standardError;
    QString engine;           // --engine NAME; empty when not given
    bool listEngines = false; // --list-engines: print the installed engines, exit 0

    // --export BOOK and its options: no window, the book to audio files.
    QString exportBook;                            // empty: no export
    QString exportFolder;                          // --output DIR; empty: the default folder
    int exportSpeed = 0;                           // --speed N (10..300); 0: the saved speed
    QString exportLanguage;                        // --language ca|es; empty: the saved language
    QString exportFormat = QStringLiteral("opus"); // --format opus|mp3|wav
    int exportJobs = 0;                            // --jobs N (1..64); 0: one per core
};

// Parses the program's arguments (the first one is the program itself). Besides
// --help, --version, --engine NAME, --list-engines and --export BOOK with its
// options (--output, --speed, --language, --format, --jobs) it accepts, and leaves to QApplication,
// the options every Qt program takes (-platform, -display, -style, ...). Any other option or an
// argument that is not an option makes a one-line error followed by the usage.
CommandLineOutcome parseCommandLine(const QStringList &arguments);

// The arguments as the program received them, decoded from the locale's encoding.
QStringList commandLineArguments(int argc, char *argv[]);

// Writes the outcome's texts to standard output and standard error and returns its
// exit code, for main() to return.
int finishCommandLine(const CommandLineOutcome &outcome);
