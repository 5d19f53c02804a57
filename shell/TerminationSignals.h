#pragma once

#include <QObject>

class QSocketNotifier;

// Turns the signals with which a session ends a program (SIGTERM at logout or
// shutdown, SIGHUP when the terminal goes, SIGINT from Ctrl+C) into a Qt signal
// on the user-interface thread, so that the program can close its window the
// ordinary way and save the reading position instead of dying with it.
//
// The handlers only write the signal number to a pipe (async-signal-safe); a
// socket notifier reads it in the event loop. Each handler acts once: a second
// signal of the same kind ends the program at once, as it would have without us.
// One instance per process.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

signals:
    void terminationRequested(int signalNumber);

private:
    void readSignal();
    QSocketNotifier *m_notifier = nullptr;
};
