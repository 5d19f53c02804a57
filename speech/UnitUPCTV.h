#pragma once

#include "AudioClip.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

class QObject;
namespace upctv {
class RecordingPlayer;
}

// The speech service: the one module that talks to the speech library
// (libupctv.so, see upctv.h). It loads the library, releases it and loads it
// afresh on every change of language; it speaks with stop-first semantics; it owns
// the speaking speed and the language flag that the whole program reads.
//
// Every member is called on the user-interface thread only. When the library is
// not loaded (never loaded, released, or after a failed reload) no call reaches
// it: the speech calls do nothing and upcTVStatus reports idle, so that no wait
// for the engine can last for ever.
//
// Beside the engine it drives the player of recorded books
// (speech/player/RecordingPlayer.h), made at the first phrase: a phrase is played
// instead of a text, upcTVStatus is busy while either is, and every stop,
// speech and speed goes to both. Until a phrase is played nothing of the player
// exists, and the engine's calls are exactly what they were.
class SpeechService {
public:
    static constexpr int DefaultReadingSpeed = 140;
    static constexpr int CatalanLanguageCode = 99;
    static constexpr int SpanishLanguageCode = 101;

    explicit SpeechService(QString libraryName = QStringLiteral("libupctv.so"));
    ~SpeechService();
    SpeechService(const SpeechService &) = delete;
    SpeechService &operator=(const SpeechService &) = delete;

    // The name given to dlopen: a bare name follows the platform's search order,
    // a path with a "/" loads that file (tests load the test double this way).
    void setLibraryName(const QString &name);
    QString libraryName() const;

    // Loads the library, finds its entry points and gives it ReadingSpeed.
    // Returns false, with nothing loaded and nothing printed, when dlopen fails or
    // an entry point is missing; loadError() then says why.
    bool LoadSpeechLibrary();
    // Why the last load failed (the system's words); empty after a success.
    QString loadError() const;
    // Loads the library `name` as LoadSpeechLibrary would, checks its entry
    // points and unloads it: why it cannot serve, or empty when it can.
    static QString loadProblem(const QString &name);
    // Releases and loads again, then gives it ReadingSpeed; no stop of its own.
    // Does nothing when the library is not loaded; a failed load leaves it
    // unloaded, with one line on standard error.
    void ReloadSpeechLibrary();
    // Releases the library; from then on nothing reaches it.
    void ReleaseSpeechLibrary();
    bool isLoaded() const;

    // Stops what is being spoken, then hands `text` plus one blank to the library
    // (the library reads up to the first NUL byte), ligatures spelled out as
    // EngineText::forEngine() does. Returns at once.
    void SpeakText(const QByteArray &text);
    // What SpeakText hands the library for `text`, also used by whatever else
    // must say a text exactly as the reader says it (the export to audio files).
    static QByteArray textForEngine(const QByteArray &text);

    // Stops the engine (and a phrase still being played), then plays the recorded
    // `phrase` at the tempo of ReadingSpeed (upctv::tempoForSpeed). Returns at
    // once. Nothing when the library is not loaded.
    void PlayPhrase(const PhraseAudio &phrase);
    // Called on this thread, from its event loop, each time the last sample of a
    // phrase has been handed to the output: upcTVStatus may have turned idle
    // sooner than a status check would see it, and the next phrase, played now,
    // follows without a gap. An empty function removes it.
    void setPhraseListener(std::function<void()> listener);

    // Stop, reload, speed, language, voice; nothing at all when the language is
    // already active or the library is not loaded.
    void SwitchToCatalan();
    void SwitchToSpanish();

    // Guarded direct access to the library for the other modules.
    void upcTVStop();
    void upcTVSetSpeed(int speed);
    int upcTVStatus();

    int ReadingSpeed = DefaultReadingSpeed;
    bool CatalanActive = true;

private:
    struct Library;
    void switchLanguage(bool toCatalan);
    QString m_libraryName;
    QString m_loadError;
    std::unique_ptr<Library> m_library;
    std::function<void()> m_phraseListener;
    std::unique_ptr<QObject> m_noticeTarget;          // posts the player's notices here
    std::unique_ptr<upctv::RecordingPlayer> m_player; // before m_noticeTarget goes
};

// The process-wide speech service used by every module of the program.
SpeechService &Speech();

// Waits `ms` milliseconds while the thread keeps dispatching events (keys, timers,
// posted events) in a nested event loop that sleeps while nothing is pending. A
// wait of 0 or less returns at once without dispatching. Handlers run inside it
// may start another WaitPumping, which runs to its end first. The clock is
// monotonic.
void WaitPumping(int ms);
