#pragma once

#include "ExportOptions.h"

// `zelvora --export`: the book's chapters to audio files in one folder, with a
// playlist, by worker processes (ExportWorkers.h), with progress on standard
// output and errors on standard error, one line each. Chapters whose files are
// complete already are skipped, so running the same export again finishes one
// that was stopped. Ctrl+C or SIGTERM stops within a second, the file being
// written removed and every finished one kept.
//
// Returns an ExportStatus. Call with no other thread in the process and no
// engine loaded: the workers are forked from it.
int runExport(const ExportOptions &options);

// The default folder for a book titled `album`: <XDG music folder>/Zelvora/<album>.
QString defaultExportFolder(const QByteArray &album);
