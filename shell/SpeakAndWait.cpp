#include "SpeakAndWait.h"

#include "UnitUPCTV.h"

#include <QCoreApplication>
#include <QEventLoop>

StatusTimer::StatusTimer() {
    m_timer.setInterval(PollIntervalMs);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &StatusTimer::TimerStatusUpcTVTimer);
    // The end of a phrase is looked at at once, not at the next tick, so that
    // the reading loop hands over the next one while the sound still goes on.
    Speech().setPhraseListener([this] {
        if (isArmed()) {
            TimerStatusUpcTVTimer();
        }
    });
}

StatusTimer::~StatusTimer() {
    Speech().setPhraseListener({});
}

// Arming an armed timer leaves it as it was: QTimer::start() would begin the
// interval again and put the next status check off by up to a whole interval.
void StatusTimer::arm() {
    if (!m_timer.isActive()) {
        m_timer.start();
    }
}

void StatusTimer::disarm() {
    const bool wasArmed = m_timer.isActive();
    m_timer.stop();
    if (wasArmed) {
        emit disarmed();
    }
}

bool StatusTimer::isArmed() const {
    return m_timer.isActive();
}

void StatusTimer::TimerStatusUpcTVTimer() {
    if (Speech().upcTVStatus() == 0) {
        disarm();
    }
}

void StatusTimer::LlegirFinsQueSAcabi(const QByteArray &text) {
    arm();
    Speech().SpeakText(text);
    waitWhileArmed();
}

void StatusTimer::PlayFinsQueSAcabi(const PhraseAudio &phrase) {
    arm();
    Speech().PlayPhrase(phrase);
    waitWhileArmed();
}

void StatusTimer::waitWhileArmed() {
    QEventLoop loop;
    connect(this, &StatusTimer::disarmed, &loop, &QEventLoop::quit);
    // A handler run inside may disarm and arm again before this loop resumes; the
    // wait goes on for as long as the timer is armed when it looks.
    while (isArmed()) {
        // Once the application has been told to quit, Qt refuses to run nested
        // loops (exec returns -1 at once) until the main loop has unwound. Without
        // dispatching, the tick never comes and the wait would spin for ever, so
        // dispatch directly then, sleeping until something happens.
        if (loop.exec() < 0) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
    }
}

StatusTimer &TimerStatusUpcTV() {
    static StatusTimer timer;
    return timer;
}

void LlegirFinsQueSAcabi(const QByteArray &text) {
    TimerStatusUpcTV().LlegirFinsQueSAcabi(text);
}
