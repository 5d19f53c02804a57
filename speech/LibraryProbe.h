#pragma once

#include <QString>

#include <chrono>

// Whether an engine library loads, asked of a child process so that this one
// maps none of it: a library whose start-up cannot be undone (Festival's stays
// in the process once loaded) leaves nothing behind, and what its start-up
// prints is not shown. The child neither opens the sound device nor starts a
// speech server: its engines write their sound to /dev/null and look for
// speech-dispatcher at an address where none answers.
//
// Returns why the library at `path` cannot serve as an engine (dlopen's reason,
// a missing entry point, a crash or no answer within `limit`), or an empty
// text when it loads with every entry point. Call it before any thread exists.
QString loadProblemInChild(const QString &path,
                           std::chrono::milliseconds limit = std::chrono::seconds(30));
