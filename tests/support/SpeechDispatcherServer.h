#pragma once

#include "WavAudio.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <chrono>
#include <memory>

// A private speech-dispatcher for the tests, started and stopped by the test
// itself: its own configuration folder, socket and log, the espeak-ng module,
// and its sound going to a private PulseAudio server whose only sink is a null
// sink (speech-dispatcher has no audio output of its own that plays nothing in
// real time, and the end notifications must come when the sound has been
// played). What the sink plays is recorded, so tests can analyse it.
//
// While it runs, SPEECHD_ADDRESS and PULSE_SERVER point this process at it;
// both come back when the object goes away, which also ends the servers.
class SpeechDispatcherServer {
public:
    SpeechDispatcherServer();
    ~SpeechDispatcherServer();
    SpeechDispatcherServer(const SpeechDispatcherServer &) = delete;
    SpeechDispatcherServer &operator=(const SpeechDispatcherServer &) = delete;

    // Starts PulseAudio, the recorder and speech-dispatcher and waits until the
    // last accepts connections. False, with reason() saying why, when a program
    // is not installed or does not come up within 20 s.
    bool start();
    QString reason() const { return m_reason; }
    QString socketPath() const;

    // Everything the null sink has played since start(), silence included, once
    // the recording has caught up with the clock and ends in `quietMs` of
    // silence (at most 30 s of waiting).
    Audio played(int quietMs = 600) const;

    // How many bytes the recorder has written so far, without waiting.
    qint64 recordedBytes() const;

    // Ends speech-dispatcher (not PulseAudio), as a crash or logout would.
    void killSpeechDispatcher();

    static constexpr int SampleRate = 22050;

private:
    bool startProcess(QProcess &process, const QString &program, const QStringList &arguments);
    bool writeConfiguration();
    bool noteRecordingStart();
    void restoreEnvironment();

    QTemporaryDir m_dir;
    QString m_reason;
    QProcess m_pulse;
    QProcess m_recorder;
    QProcess m_dispatcher;
    QByteArray m_savedAddress, m_savedPulse;
    std::chrono::steady_clock::time_point m_recordingStart;
    bool m_hadAddress = false, m_hadPulse = false, m_started = false;
};
