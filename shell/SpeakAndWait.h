#pragma once

#include "AudioClip.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

// The status timer TimerStatusUpcTV and the waits that rely on it.
//
// Armed means that a wait for the speech engine is in progress. Every 100 ms the
// tick asks the engine for its status and disarms the timer once it reports idle.
// Disarming, by the tick or by any handler (a stop key, the loss of the
// foreground), ends every wait in progress: the innermost returns at once, the
// outer ones as soon as the handlers they run have returned. While waiting the
// thread sleeps in a nested event loop and keeps dispatching keys, timers and
// activation events. UI thread only.
class StatusTimer : public QObject {
    Q_OBJECT
public:
    static constexpr int PollIntervalMs = 100;

    StatusTimer();
    ~StatusTimer() override;

    void arm();
    void disarm();
    bool isArmed() const;

    // Speak `text` (stop first) and return once the engine has finished it, or
    // once a handler has disarmed the timer. Lasts at least until the first tick.
    void LlegirFinsQueSAcabi(const QByteArray &text);
    // The same for a recorded phrase (SpeechService::PlayPhrase): returns once its
    // last sample has been handed to the output, its sound still going, so that
    // the next phrase joins it; or once a handler has disarmed the timer.
    void PlayFinsQueSAcabi(const PhraseAudio &phrase);
    // Wait, arming nothing, until the timer is disarmed.
    void waitWhileArmed();

signals:
    void disarmed();

private:
    void TimerStatusUpcTVTimer();
    QTimer m_timer;
};

// The one status timer of the program (a component of the main window).
StatusTimer &TimerStatusUpcTV();

// Shorthand for TimerStatusUpcTV().LlegirFinsQueSAcabi(text).
void LlegirFinsQueSAcabi(const QByteArray &text);
