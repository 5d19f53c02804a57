#pragma once

#include <QByteArray>
#include <QString>

// Sends the process's standard error to a file from construction until
// release() (or destruction), then gives back what was written to it.
class StderrCapture {
public:
    explicit StderrCapture(const QString &path);
    ~StderrCapture();
    StderrCapture(const StderrCapture &) = delete;
    StderrCapture &operator=(const StderrCapture &) = delete;

    // Restores standard error and returns what was written meanwhile.
    QByteArray release();

private:
    QString m_path;
    int m_saved = -1;
};
