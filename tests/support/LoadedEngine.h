#pragma once

#include "Engines.h"
#include "WavAudio.h"

#include <QString>

#include <chrono>

class SpeechDispatcherServer;

// How an engine that writes WAV paces it: in real time, as fast as synthesis
// runs, or as it does when UPCTV_WAV_PACE is unset (real time).
enum class Pace { RealTime, Unpaced, Default };

// One engine library loaded by path, as the program loads it, and unloaded by
// the destructor. An engine that writes WAV writes to the given file; the others
// speak through the private server, whose sink is recorded.
class LoadedEngine {
public:
    LoadedEngine(const EngineKind &kind, const QString &wavPath, Pace pace,
                 const SpeechDispatcherServer *server);
    ~LoadedEngine();
    LoadedEngine(const LoadedEngine &) = delete;
    LoadedEngine &operator=(const LoadedEngine &) = delete;

    bool isLoaded() const;
    // True for an unpaced WAV, where every length is exact. spokenSeconds() is
    // the length of the audio written to a WAV, paced or not; otherwise the
    // voiced length of what the server's sink played, or the time the engine
    // was busy.
    bool measuresExactly() const { return m_exact; }
    // What the engine has said so far: its WAV file, or what the sink played.
    Audio audio() const;

    // Polls the status until it reports 0; false after `timeout`, which is
    // generous: a loaded machine under the sanitizers may take tens of seconds,
    // and the speech-dispatcher engine only gives up a text after 20.
    bool waitIdle(std::chrono::milliseconds timeout = std::chrono::seconds(90)) const;
    // Speaks `text` to its end: the seconds of audio it added, or -1 when it
    // never ended.
    double spokenSeconds(const char *text);
    // Whether `a` and `b` agree within `relative` (a share of `b`), allowing
    // for the jitter of a real-time measurement where there is one.
    bool near(double a, double b, double relative) const;

    int (*read)(const char *) = nullptr;
    int (*stop)() = nullptr;
    int (*status)(int) = nullptr;
    int (*setSpeed)(int) = nullptr;
    int (*setLanguage)(int) = nullptr;
    int (*setSpeaker)(int) = nullptr;

private:
    QString m_wavPath;
    const SpeechDispatcherServer *m_server;
    bool m_exact = false;
    void *m_handle = nullptr;
};

// What the process shows of engines left behind. The heap in use counts what is
// allocated and not yet freed (malloc's own figures, mapped blocks included),
// not the resident set, which also holds freed memory that the allocator keeps.
long heapInUseKilobytes();
qsizetype threadCount();
bool engineIsMapped(); // any libupctv library still in the address space
