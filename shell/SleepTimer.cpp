#include "SleepTimer.h"

#include "ReaderState.h"

#include <algorithm>
#include <utility>

namespace {

// The program's clock: a coarse single-shot QTimer (a second's accuracy is plenty
// for minutes, and lets the system batch the wake-up).
class TimerClock : public SleepClock {
public:
    TimerClock() {
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::VeryCoarseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (m_ranOut) {
                std::exchange(m_ranOut, {})();
            }
        });
    }
    void start(std::chrono::minutes duration, std::function<void()> ranOut) override {
        m_ranOut = std::move(ranOut);
        m_timer.start(duration);
    }
    void stop() override {
        m_timer.stop();
        m_ranOut = {};
    }
    bool isRunning() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
    std::function<void()> m_ranOut;
};

} // namespace

SleepTimer::SleepTimer(std::function<bool()> isReading)
    : m_isReading(std::move(isReading)), m_clock(std::make_unique<TimerClock>()) {}

SleepTimer::~SleepTimer() = default;

void SleepTimer::setClock(std::unique_ptr<SleepClock> clock) {
    m_clock->stop();
    m_clock = std::move(clock);
    m_choice = Off;
}

int SleepTimer::choice() const {
    const ReaderState::ReadingStopRequest &request = State().StopRequest;
    if (m_choice > 0 && (m_clock->isRunning() || request.now)) {
        return m_choice;
    }
    if (m_choice == EndOfChapter && request.chapterEnd) {
        return m_choice;
    }
    return Off;
}

int SleepTimer::cycle(const std::function<qint64(qint64 from)> &nextChapterStart) {
    const auto current = std::ranges::find(Choices, choice());
    const auto next = current + 1 == Choices.end() ? Choices.begin() : current + 1;
    m_choice = *next;
    m_clock->stop();
    ReaderState::ReadingStopRequest &request = State().StopRequest;
    request = {};
    if (m_choice > 0) {
        m_clock->start(std::chrono::minutes(m_choice), [this] { ranOut(); });
    } else if (m_choice == EndOfChapter) {
        request.chapterEnd =
            nextChapterStart ? nextChapterStart : [](qint64) { return qint64(-1); };
    }
    return m_choice;
}

void SleepTimer::ranOut() {
    if (m_isReading()) {
        State().StopRequest.now = true;
    }
}
