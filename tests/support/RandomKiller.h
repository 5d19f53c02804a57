#pragma once

#include <QRandomGenerator>
#include <QString>
#include <QStringList>

class QProcess;

// Kills helper processes (SIGKILL) after random delays, for the tests that check
// what a killed writer leaves behind. The delays come from a seed drawn at
// construction and logged, so that a failing run can be repeated.
class RandomKiller {
public:
    RandomKiller();

    // Starts `program` with `arguments` in `process`, waits for its first output
    // when `afterFirstOutput` (so that it is surely at work), lets it run 0 to
    // `maxDelayMs` ms, kills it and waits for its end. Empty when each step
    // succeeded, else which one failed.
    QString runAndKill(QProcess &process, const QString &program, const QStringList &arguments,
                       bool afterFirstOutput, int maxDelayMs);

private:
    QRandomGenerator m_random;
};
