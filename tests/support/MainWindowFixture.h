#pragma once

#include "DoubleLog.h"
#include "TFormPrincipal.h"
#include "TestEnvironment.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

// What the tests of the main window's key commands share: a main window wired as
// the program wires it (reader, book chooser), the recording speech double, a
// fresh settings file, and a fresh current folder for books, which the chooser
// lists. Call setUp() from initTestCase, reset() from init and tearDown() from
// cleanup. UI thread only.
class MainWindowFixture {
public:
    using Texts = QList<QByteArray>;

    void setUp();
    // Catalan, speed 140, the library loaded afresh, a fresh state and settings,
    // a new empty current folder, the double speaking 1 ms per byte, log empty.
    void reset();
    void tearDown();

    // The current book's bookmarks as the navigation keys see them.
    std::vector<qint64> bookmarks;

    TestEnvironment &env() { return *m_env; }
    DoubleLog log() const { return m_env->log(); }
    QString folder() const;

    // Writes `bytes` to `name` in the current folder; returns its full path.
    QString writeBook(const QByteArray &bytes, const QString &name = QStringLiteral("Llibre.txt"));
    TFormPrincipal &makeForm();
    TFormPrincipal &form() { return *m_form; }
    // A book paused at `position`: nothing read since, BookFinished false.
    static void pausedAt(const QString &path, qint64 position);

    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // Runs `action`, nested in whatever runs then, once the engine has been
    // handed `text`.
    void whenSpoken(const QByteArray &text, std::function<void()> action);
    // The texts spoken after the first `text`.
    Texts spokenAfter(const QByteArray &text) const;

    // A text as the engine receives it from SpeakText: one blank added.
    static QByteArray spoken(const QByteArray &text) { return text + ' '; }
    // The end of a book with the idle menu, in the active language.
    static QByteArray bookEnded();

private:
    std::unique_ptr<TestEnvironment> m_env;
    QString m_startFolder;
    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<TFormPrincipal> m_form;
    std::unique_ptr<QTimer> m_trigger;
};

// A test class of the main window: derive from it and add the tests as private
// slots. The fixture is set up once, reset before and torn down after every test,
// and the library released at the end; a test class that needs more at one of
// these points declares the slot itself and calls the fixture from it.
class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { m_fixture.setUp(); }
    void init() { m_fixture.reset(); }
    void cleanup() { m_fixture.tearDown(); }
    void cleanupTestCase();

protected:
    MainWindowFixture m_fixture;
};
