#pragma once

#include <QByteArray>

#include <chrono>

class SettingsFile;
class SpeechService;

// The spoken word that an engine asked for is not installed, for a user who
// started the program from the desktop and has no terminal to read the line on
// standard error. Window-free: it needs neither a window nor an event loop.

// The text: Messages::EngineNotInstalled in Catalan or Spanish, then `package`.
QByteArray engineNotInstalledText(bool catalan, const QByteArray &package);

// Loads `speech`'s library (the default engine), gives it the speed and language
// of the saved `settings` (Catalan when none), says the text and waits until the
// engine reports idle, at most `limit`; then releases the library. False, with
// nothing said, when the library does not load.
bool sayEngineNotInstalled(SpeechService &speech, const SettingsFile &settings,
                           const QByteArray &package,
                           std::chrono::milliseconds limit = std::chrono::seconds(60));
