#pragma once

#include <QString>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

// The samples of a mono 16-bit WAV file, as the espeak-ng engine writes them.
struct Wav {
    bool valid = false;
    int rate = 0;
    std::vector<int16_t> samples;

    // Seconds of audio from sample `from` to the end.
    double seconds(size_t from = 0) const;
    double rms(size_t from = 0) const;
    int peak(size_t from = 0) const;
    // Seconds of silence (samples within +-16) at the end, counted back to `from`.
    double quietSecondsAtEnd(size_t from = 0) const;
    // The longest silence, in seconds, between two sounds after `from`.
    double longestInnerQuiet(size_t from = 0) const;
};

// Reads a mono 16-bit PCM WAV whose header agrees with the file's length; an
// invalid Wav otherwise.
Wav readWav(const QString &path);

// How the engine paces its WAV file: in real time, as fast as it synthesises,
// or as it does when UPCTV_WAV_PACE is not set.
enum class Pace { RealTime, Unpaced, Default };

// The espeak-ng engine library, loaded by path as the program loads it, writing
// to `wavPath` instead of a sound device; unloaded by the destructor.
class LoadedEngine {
public:
    LoadedEngine(const QString &wavPath, Pace pace);
    ~LoadedEngine();
    LoadedEngine(const LoadedEngine &) = delete;
    LoadedEngine &operator=(const LoadedEngine &) = delete;

    bool isLoaded() const;
    Wav wav() const { return readWav(m_wavPath); }

    // Polls the status until it reports 0; false after `timeout`.
    bool waitIdle(std::chrono::milliseconds timeout = std::chrono::seconds(30)) const;
    // Speaks `text` to its end; seconds of audio it added, or -1 when it never ended.
    double spokenSeconds(const char *text);

    int (*read)(const char *) = nullptr;
    int (*stop)() = nullptr;
    int (*status)(int) = nullptr;
    int (*setSpeed)(int) = nullptr;
    int (*setLanguage)(int) = nullptr;
    int (*setSpeaker)(int) = nullptr;

private:
    QString m_wavPath;
    void *m_handle = nullptr;
};
