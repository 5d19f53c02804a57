#pragma once

#include "TestEnvironment.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

// The build's `zelvora --export` and the Debian tools that decode its files,
// for the export tests. Each test keeps its settings, cache and music folder in
// its TestEnvironment.
namespace ExportCommand {

// An HTML book of three chapters, the first with the most text; its path.
QString writeThreeChapterBook(const QString &folder, int sentencesPerChapter = 3);

// Starts `zelvora --export book arguments...` in `env`'s environment.
void start(QProcess &process, const TestEnvironment &env, const QString &book,
           const QStringList &arguments);
// Runs it to its end (at most 10 minutes): the exit code, -1 when it crashed.
int run(const TestEnvironment &env, const QString &book, const QStringList &arguments,
        QByteArray *standardError = nullptr);

// Runs a tool: its exit code, with its standard output and error in `output`.
int tool(const QString &program, const QStringList &arguments, QByteArray *output = nullptr);

} // namespace ExportCommand
