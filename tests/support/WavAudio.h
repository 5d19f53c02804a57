#pragma once

#include <QString>

#include <cstdint>
#include <vector>

// Mono 16-bit audio as the engine tests analyse it: from a WAV file an engine
// wrote, or from what a PulseAudio sink played (raw samples).
struct Audio {
    bool valid = false;
    int rate = 0;
    std::vector<int16_t> samples;

    double seconds(size_t from = 0) const;
    double rms(size_t from = 0) const;
    int peak(size_t from = 0) const;
    // Seconds from the first to the last sample above `level` (0 when none).
    double soundingSeconds(size_t from = 0, int level = 1000) const;
    // Seconds of silence (samples within +-16) at the end, counted back to `from`.
    double quietSecondsAtEnd(size_t from = 0) const;
    // The longest silence, in seconds, between two sounds after `from`.
    double longestInnerQuiet(size_t from = 0) const;
    // Seconds of the 10 ms frames that hold a sample above `level`: the length
    // of the speech itself, whatever silences a busy sound server put in it.
    double voicedSeconds(size_t from = 0, int level = 1000) const;
};

// Reads a mono 16-bit PCM WAV whose header agrees with the file's length;
// not valid otherwise.
Audio readWav(const QString &path);

// Reads raw signed 16-bit little-endian mono samples at `rate`.
Audio readRawAudio(const QString &path, int rate);

// Median fundamental frequency of the voiced 40 ms frames from `from` on, by
// autocorrelation; 0 when nothing is voiced.
double medianPitch(const Audio &audio, size_t from);
