#pragma once

#include "AudioEncoder.h"

#include <QString>

// What one export is asked to do, from the command line or the reader.
struct ExportOptions {
    QString book;
    QString folder;     // empty: the default, <music folder>/Zelvora/<book title>
    QString library;    // the engine library to load, as the speech service names it
    QString engineName; // for messages; empty for the default engine
    int speed = 140;
    bool catalan = true;
    AudioFormat format = AudioFormat::Opus;
    int jobs = 0; // 0: one per core
};

// The exit statuses of an export.
namespace ExportStatus {
inline constexpr int Done = 0;
inline constexpr int Failed = 1;           // the book, the folder or a file
inline constexpr int CannotSynthesise = 2; // also a wrong command line
inline constexpr int Stopped = 130;        // Ctrl+C or SIGTERM
} // namespace ExportStatus
