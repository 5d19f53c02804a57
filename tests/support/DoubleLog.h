#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// One line of the test double's log: a call the program made into the speech
// library, or the library being loaded or unloaded.
struct DoubleCall {
    qint64 ms = 0;         // CLOCK_MONOTONIC, comparable with QElapsedTimer::msecsSinceReference
    qint64 pid = 0;        // the process that made the call
    QString name;          // "upcTVRead", ..., or "load" / "unload"
    int value = 0;         // the integer argument, 0 when the call has none
    bool hasText = false;  // upcTVRead and upcTVReadFile carry a text
    bool nullText = false; // the text pointer was null
    QByteArray text;       // the exact bytes handed over
    int result = 0;        // what the double returned (the status for upcTVStatus)

    // "load", "upcTVStop", "upcTVSetSpeed 140", "upcTVRead hola " (text shown as
    // Latin-1 so any byte survives): handy for comparing whole scripts.
    QString step() const;
};

// Reads the log that the test double (libupctv_double.so) appends to the file
// named by UPCTV_DOUBLE_LOG. The file is read afresh by every call, so a test sees
// what a child process or the library has just written.
class DoubleLog {
public:
    enum class Status { Skip, Keep };
    static constexpr int DefaultTimeoutMs = 30000;

    explicit DoubleLog(QString path);
    QString path() const;

    // Every complete line so far, oldest first. Malformed lines fail the test.
    QList<DoubleCall> calls() const;
    // The calls' step() in order; status polls are left out unless asked for,
    // since how many there are depends on timing.
    QStringList steps(Status status = Status::Skip) const;
    // The call names in order, status polls left out unless asked for.
    QStringList names(Status status = Status::Skip) const;
    // The texts handed to upcTVRead, in order.
    QList<QByteArray> textsRead() const;
    int count(const QString &name) const;

    // Empties the log (a writer keeps appending to the same file).
    void clear() const;

    // Waits, dispatching events, until `holds` is true of the calls so far or
    // `timeoutMs` has passed; returns whether it held.
    bool waitUntil(const std::function<bool(const QList<DoubleCall> &)> &holds,
                   int timeoutMs = DefaultTimeoutMs) const;
    // Waits until `name` has been called at least `times` times.
    bool waitForCall(const QString &name, int times = 1, int timeoutMs = DefaultTimeoutMs) const;

    // A readable dump of the log, for failure messages.
    QString dump() const;

    static DoubleCall parseLine(const QByteArray &line, bool *ok);

private:
    QString m_path;
};
