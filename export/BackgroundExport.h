#pragma once

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QTimer>

#include <functional>

// The export the reader starts with X: `zelvora --export` run as a child process
// of its own (the reader has threads and a loaded engine, so the workers cannot
// be forked from it), with the reader's engine, speed and language and the
// default folder, reporting one line per finished chapter on its standard output.
// Its end is announced once `idle` says the reader is silent and runs nothing.
// Destroying it stops the export as Ctrl+C would. UI thread only.
class BackgroundExport : public QObject {
    Q_OBJECT
public:
    // `idle`: whether a spoken announcement would interrupt nothing; `say`
    // speaks a text.
    BackgroundExport(std::function<bool()> idle, std::function<void(const QByteArray &)> say);
    ~BackgroundExport() override;

    // X: starts exporting `book` and says so, or says how far the running one is.
    void exportOrTell(const QString &book, const QString &engineLibrary, int speed, bool catalan);
    // The progress text while an export runs; empty otherwise.
    QByteArray status() const;

    // The program to run (tests: a build's zelvora); by default this one.
    void setProgram(const QString &program) { m_program = program; }
    // The engine name of `library` for --engine: NAME for libupctv-NAME.so,
    // empty for the default engine or a library of any other name.
    static QString engineNameOf(const QString &library);

private:
    void readLines();
    void ended(int exitCode, QProcess::ExitStatus status);
    void announceWhenIdle();

    std::function<bool()> m_idle;
    std::function<void(const QByteArray &)> m_say;
    QString m_program;
    QProcess m_process;
    QTimer m_announcer;
    QByteArray m_pending; // the announcement of the end, until it is said
    bool m_catalan = true;
    int m_done = 0;
    int m_total = 0;
};
