#pragma once

#include <QTimer>

#include <array>
#include <chrono>
#include <functional>
#include <memory>

// What the sleep timer waits on: a one-shot alarm. The program's runs on a
// QTimer; tests give one that they run out themselves. UI thread only.
class SleepClock {
public:
    virtual ~SleepClock() = default;
    // Calls `ranOut` once, `duration` from now, from the event loop; replaces
    // any alarm set before.
    virtual void start(std::chrono::minutes duration, std::function<void()> ranOut) = 0;
    // The alarm set before, if any, never calls.
    virtual void stop() = 0;
    virtual bool isRunning() const = 0;
};

// The sleep timer of the Z key: each press takes the next choice of Choices,
// from now. A number of minutes is counted on the clock; when it runs out while
// a reading run is to go on, the timer asks the run (State().StopRequest) to end
// after the sentence being spoken; when it runs out while no run reads (paused,
// idle), the timer just goes off, saying nothing, since the reader is already
// silent and a sleeping listener is not to be woken. "The end of this chapter"
// asks every run to end where the next top-level heading after its start
// begins, until a run has done so or the book has ended. The request, once
// honoured, is the timer's end: the timer is off again. UI thread only.
class SleepTimer {
public:
    static constexpr int Off = 0;
    static constexpr int EndOfChapter = -1;
    // In press order: minutes, Off or EndOfChapter; after the last comes the first.
    static constexpr std::array<int, 7> Choices{Off, 15, 30, 45, 60, 90, EndOfChapter};

    // `isReading` tells whether a reading run is to go on (the main window's
    // IsReading flag).
    explicit SleepTimer(std::function<bool()> isReading);
    ~SleepTimer();
    SleepTimer(const SleepTimer &) = delete;
    SleepTimer &operator=(const SleepTimer &) = delete;

    void setClock(std::unique_ptr<SleepClock> clock);

    // The choice in force: Off once the timer has ended.
    int choice() const;
    // Takes the choice after choice() and returns it. `nextChapterStart` gives
    // the offset of the next chapter after a position (-1: none or not known).
    int cycle(const std::function<qint64(qint64 from)> &nextChapterStart);

private:
    void ranOut();

    std::function<bool()> m_isReading;
    std::unique_ptr<SleepClock> m_clock;
    int m_choice = Off;
};
