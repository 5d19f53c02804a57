#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <functional>

// An engine library loaded for synthesis to memory (upcTVSampleRate and
// upcTVSynthesize of upctv.h), in an export worker process. Loaded with the
// same bare name or path as the reader loads it, with the speed and the
// language set as the reader sets them (Catalan: speaker 0; Spanish: speaker 1).
class SynthesisEngine {
public:
    enum class Status { Ready, CannotLoad, CannotSynthesise };

    SynthesisEngine() = default;
    ~SynthesisEngine();
    SynthesisEngine(const SynthesisEngine &) = delete;
    SynthesisEngine &operator=(const SynthesisEngine &) = delete;

    Status load(const QString &library, int speed, bool catalan);
    // Why load() failed (the loader's words).
    QString error() const { return m_error; }
    int sampleRate() const { return m_sampleRate; }

    // Receives each chunk; false aborts.
    using Sink = std::function<bool(const int16_t *samples, size_t count)>;
    // Synthesises `text` as the reader hands it to the engine: 0 done, 1 aborted
    // by `sink`, -1 failed.
    int synthesize(const QByteArray &text, const Sink &sink);

private:
    using SinkCall = int (*)(void *, const short *, int);
    void *m_handle = nullptr;
    int (*m_synthesize)(const char *, SinkCall, void *) = nullptr;
    int m_sampleRate = 0;
    QString m_error;
};
