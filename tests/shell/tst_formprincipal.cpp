// The main window: exit, activation and the first steps of the key handler, run
// in-process against the recording test double.
#include "DoubleLog.h"
#include "FreshSession.h"
#include "Messages.h"
#include "ReaderState.h"
#include "SettingsFile.h"
#include "SpeakAndWait.h"
#include "SpokenMenus.h"
#include "TFormPrincipal.h"
#include "TestEnvironment.h"
#include "UnitUPCTV.h"

#include <QAction>
#include <QDialog>
#include <QFile>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <memory>

class TestFormPrincipal : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void closeSpeaksFarewellThenSavesInOrder_data();
    void closeSpeaksFarewellThenSavesInOrder();
    void secondCloseClosesAtOnce();
    void closeDuringReadingRunEndsTheRun();

    void keyWithoutCommand_data();
    void keyWithoutCommand();
    void menuKeySpeaksMenuForTheState_data();
    void menuKeySpeaksMenuForTheState();
    void menuKeyDuringRunInterruptsIt_data();
    void menuKeyDuringRunInterruptsIt();

    void losingActivationStopsAndRegainingSpeaksMenu();
    void applicationStateRunsEachHandlerOnce();
    void modalDialogRunsNoHandler();
    void contextMenuItems();

private:
    // Shows `form` and waits until its activation handler has run.
    static bool showActive(TFormPrincipal &form);
    static int countTexts(const DoubleLog &log, const QByteArray &text);
    // Waits until `text` has been spoken once (the menu after an activation).
    static bool awaitSpokenOnce(const DoubleLog &log, const QByteArray &text);
    static QByteArray spoken(const QByteArray &text) { return text + ' '; }

    std::unique_ptr<TestEnvironment> m_env;
};

void TestFormPrincipal::initTestCase() {
    // The settings file's place is fixed at its first use, so one environment
    // serves every test; init() empties it.
    m_env = std::make_unique<TestEnvironment>();
    QVERIFY(m_env->isValid());
    m_env->setMsPerByte(2);
    QCOMPARE(Settings().path(), m_env->settingsPath());
    Speech().setLibraryName(QStringLiteral(ZELVORA_DOUBLE_ENGINE));
}

void TestFormPrincipal::init() {
    startFreshSession(*m_env);
    m_env->log().clear();
}

void TestFormPrincipal::cleanup() {
    TimerStatusUpcTV().disarm();
}

bool TestFormPrincipal::showActive(TFormPrincipal &form) {
    form.show();
    form.activateWindow();
    return QTest::qWaitForWindowActive(&form, 20000) &&
           QTest::qWaitFor([&] { return form.isActivationRecorded(); }, 20000);
}

bool TestFormPrincipal::awaitSpokenOnce(const DoubleLog &log, const QByteArray &text) {
    return log.waitUntil(
        [&](const QList<DoubleCall> &) { return countTexts(log, spoken(text)) == 1; });
}

int TestFormPrincipal::countTexts(const DoubleLog &log, const QByteArray &text) {
    return static_cast<int>(log.textsRead().count(text));
}

void TestFormPrincipal::closeSpeaksFarewellThenSavesInOrder_data() {
    QTest::addColumn<bool>("catalan");
    QTest::addColumn<QString>("bookPath");
    QTest::addColumn<bool>("clipboard");
    QTest::addColumn<QByteArray>("expectedFile");

    const QString book = QStringLiteral("/llibres/Tirant lo Blanc.txt");
    QTest::newRow("Catalan, paused book")
        << true << book << false
        << QByteArray("[Zelvora]\n/llibres/Tirant lo Blanc.txt=5120\n"
                      "Velocitat de lectura=170\nLlengua=Català\n");
    QTest::newRow("Spanish, paused book")
        << false << book << false
        << QByteArray("[Zelvora]\n/llibres/Tirant lo Blanc.txt=5120\n"
                      "Velocitat de lectura=170\nLlengua=Castellà\n");
    QTest::newRow("no book") << true << QString() << false
                             << QByteArray("[Zelvora]\nVelocitat de lectura=170\nLlengua=Català\n");
    QTest::newRow("clipboard text")
        << true << QStringLiteral("/run/user/1000/zelvora-clipboard.txt") << true
        << QByteArray("[Zelvora]\nVelocitat de lectura=170\nLlengua=Català\n");
}

// The farewell is heard to its end first; then the clipboard's file goes, then the
// book's position, the speed and the language are written in that order (a fresh
// file lists its keys in the order of their first write), then the library goes.
void TestFormPrincipal::closeSpeaksFarewellThenSavesInOrder() {
    QFETCH(bool, catalan);
    QFETCH(QString, bookPath);
    QFETCH(bool, clipboard);
    QFETCH(QByteArray, expectedFile);

    if (!catalan) {
        Speech().SwitchToSpanish();
    }
    Speech().upcTVSetSpeed(Speech().ReadingSpeed = 170);
    TFormPrincipal form;
    State().BookPath = bookPath;
    State().ClipboardMode = clipboard;
    State().SentenceStart = 5120;
    State().ReadPosition = 6000;
    const DoubleLog log = m_env->log();
    log.clear();

    const QByteArray farewell =
        spoken(catalan ? Messages::Farewell.catalan : Messages::Farewell.spanish);
    bool removed = false;
    form.Hooks.removeClipboardFile = [&] {
        removed = true;
        QVERIFY(form.ExitAnnounced);
        QCOMPARE(log.textsRead(), QList<QByteArray>{farewell});
        QVERIFY(log.calls().constLast().name == u"upcTVStatus"); // heard to its end
        QVERIFY(!QFile::exists(m_env->settingsPath()));
    };
    form.show();
    QVERIFY(form.close());

    QVERIFY(removed);
    QVERIFY(form.ExitAnnounced);
    QVERIFY(!Speech().isLoaded());
    QCOMPARE(log.textsRead(), QList<QByteArray>{farewell});
    QCOMPARE(log.names().constLast(), QStringLiteral("unload"));
    QFile file(m_env->settingsPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), expectedFile);
}

void TestFormPrincipal::secondCloseClosesAtOnce() {
    TFormPrincipal form;
    State().BookPath = QStringLiteral("/llibres/a.txt");
    form.show();
    QVERIFY(form.close());
    QVERIFY(form.ExitAnnounced);
    const DoubleLog log = m_env->log();
    QCOMPARE(countTexts(log, spoken(Messages::Farewell.catalan)), 1);

    QVERIFY(QFile::remove(m_env->settingsPath()));
    QVERIFY(Speech().LoadSpeechLibrary()); // so that a second farewell would be heard
    log.clear();
    form.show();
    QVERIFY(form.close());
    QVERIFY(!form.isVisible());
    QCOMPARE(log.textsRead(), QList<QByteArray>{});
    QVERIFY(!QFile::exists(m_env->settingsPath()));
}

// A close that arrives while a run waits for its sentence ends the run before the
// farewell: the run reads nothing more, and nothing reaches the library once it
// has been released, not even the keys pressed during the last wait.
void TestFormPrincipal::closeDuringReadingRunEndsTheRun() {
    m_env->setMsPerByte(20);
    TFormPrincipal form;
    State().BookPath = QStringLiteral("/llibres/b.txt");
    State().BookFinished = false;
    State().SentenceStart = 4096;
    const QByteArray sentence(
        "Era una nit fosca i tempestuosa, i la pluja queia a bots i barrals.");
    int sentencesRead = 0;
    bool runEnded = false;
    form.Hooks.readBook = [&](bool &isReading) {
        while (isReading) {
            ++sentencesRead;
            form.LlegirFinsQueSAcabi(sentence);
        }
        runEnded = true;
    };
    QVERIFY(showActive(form));
    const DoubleLog log = m_env->log();
    QVERIFY(awaitSpokenOnce(log, State().PauseMenuText));
    log.clear();
    QTimer::singleShot(300, &form, [&] { form.close(); });
    QTimer::singleShot(300 + 100, &form, [&] {
        // during the farewell: a key cuts it off but must not start a command
        QTest::keyClick(&form, Qt::Key_X);
    });
    // Keys pressed once the library has been released (200 ms after the
    // farewell; the exit waits a second more) reach nothing. They are sent as
    // soon as the release is seen, however late a loaded machine makes it.
    bool keysSent = false;
    QTimer afterRelease;
    afterRelease.setInterval(10);
    connect(&afterRelease, &QTimer::timeout, &form, [&] {
        if (Speech().isLoaded()) {
            return;
        }
        afterRelease.stop();
        keysSent = true;
        QTest::keyClick(&form, Qt::Key_R);
        QTest::keyClick(&form, Qt::Key_O);
        QTest::keyClick(&form, Qt::Key_Return);
    });
    form.Hooks.removeClipboardFile = [&] { afterRelease.start(); };
    form.IsReading = true;
    form.ReadBook();

    QVERIFY(runEnded);
    QVERIFY(keysSent);
    QCOMPARE(sentencesRead, 1);
    QVERIFY(form.ExitAnnounced);
    QVERIFY(!form.IsReading);
    const QList<DoubleCall> calls = log.calls();
    QVERIFY2(calls.constLast().name == u"unload", qPrintable(log.dump()));
    QCOMPARE(log.textsRead(),
             (QList<QByteArray>{spoken(sentence), spoken(Messages::Farewell.catalan)}));
    // The position of the interrupted sentence was saved at exit.
    QCOMPARE(Settings().readBookPosition(State().BookPath), 4096);
    m_env->setMsPerByte(2);
}

void TestFormPrincipal::keyWithoutCommand_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<bool>("reading");
    QTest::addColumn<bool>("silences");

    const Qt::KeyboardModifiers none = Qt::NoModifier;
    QTest::newRow("Shift, idle") << int(Qt::Key_Shift) << none << false << true;
    QTest::newRow("Left, idle") << int(Qt::Key_Left) << none << false << true;
    QTest::newRow("Esc, idle") << int(Qt::Key_Escape) << none << false << true;
    QTest::newRow("Tab, idle") << int(Qt::Key_Tab) << none << false << true;
    // the separate Shift press of a real Shift+Tab would stop the speech once more
    QTest::newRow("Backtab, idle") << int(Qt::Key_Backtab) << none << false << true;
    QTest::newRow("X, idle") << int(Qt::Key_X) << none << false << true;
    QTest::newRow("unmapped key, idle") << int(Qt::Key_VolumeUp) << none << false << true;
    QTest::newRow("Shift, reading") << int(Qt::Key_Shift) << none << true << false;
    QTest::newRow("Left, reading") << int(Qt::Key_Left) << none << true << false;
    QTest::newRow("S, reading") << int(Qt::Key_S) << none << true << false;
    QTest::newRow("keypad minus, reading")
        << int(Qt::Key_Minus) << Qt::KeyboardModifiers(Qt::KeypadModifier) << true << false;
}

// Any key cuts off the speech when no run is in progress; during a run every key
// but the menu keys is ignored and the run goes on.
void TestFormPrincipal::keyWithoutCommand() {
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(bool, reading);
    QFETCH(bool, silences);

    TFormPrincipal form;
    State().BookPath = QStringLiteral("/llibres/c.txt");
    State().BookFinished = !reading;
    State().SentenceStart = 77;
    form.IsReading = reading;
    const DoubleLog log = m_env->log();
    if (reading) {
        // a sentence that lasts well beyond the checks below
        TimerStatusUpcTV().arm();
        Speech().SpeakText(QByteArray(1000, 'a'));
        log.clear();
    }
    QTest::keyClick(&form, Qt::Key(key), modifiers);
    WaitPumping(400); // a menu would have been spoken by now

    QCOMPARE(log.names(), silences ? QStringList{QStringLiteral("upcTVStop")} : QStringList{});
    QCOMPARE(form.IsReading, reading);
    QCOMPARE(TimerStatusUpcTV().isArmed(), reading);
    QVERIFY(!QFile::exists(m_env->settingsPath()));
}

void TestFormPrincipal::menuKeySpeaksMenuForTheState_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<bool>("bookFinished");
    const Qt::KeyboardModifiers none = Qt::NoModifier;
    QTest::newRow("R, idle") << int(Qt::Key_R) << none << true;
    QTest::newRow("Shift+R, idle")
        << int(Qt::Key_R) << Qt::KeyboardModifiers(Qt::ShiftModifier) << true;
    QTest::newRow("Enter, idle") << int(Qt::Key_Return) << none << true;
    QTest::newRow("F3, idle") << int(Qt::Key_F3) << none << true;
    QTest::newRow("R, paused") << int(Qt::Key_R) << none << false;
    QTest::newRow("keypad Enter, paused")
        << int(Qt::Key_Enter) << Qt::KeyboardModifiers(Qt::KeypadModifier) << false;
}

void TestFormPrincipal::menuKeySpeaksMenuForTheState() {
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(bool, bookFinished);

    TFormPrincipal form;
    State().BookFinished = bookFinished;
    const DoubleLog log = m_env->log();
    QTest::keyClick(&form, Qt::Key(key), modifiers);

    const QByteArray menu = bookFinished ? State().IdleMenuText : State().PauseMenuText;
    QCOMPARE(log.textsRead(), QList<QByteArray>{spoken(menu)});
    const QList<DoubleCall> calls = log.calls();
    QCOMPARE(calls.constFirst().name, QStringLiteral("upcTVStop"));
    QVERIFY(calls.constLast().ms - calls.constFirst().ms >= 150); // the 200 ms pause
    QVERIFY(!QFile::exists(m_env->settingsPath()));
}

void TestFormPrincipal::menuKeyDuringRunInterruptsIt_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QString>("bookPath");
    QTest::addColumn<bool>("clipboard");
    QTest::addColumn<bool>("written");
    const Qt::KeyboardModifiers none = Qt::NoModifier;
    const QString book = QStringLiteral("/llibres/El quadern gris.txt");
    QTest::newRow("Enter, book") << int(Qt::Key_Return) << none << book << false << true;
    QTest::newRow("R, book") << int(Qt::Key_R) << none << book << false << true;
    QTest::newRow("F3, book") << int(Qt::Key_F3) << none << book << false << true;
    QTest::newRow("keypad Enter, book")
        << int(Qt::Key_Enter) << Qt::KeyboardModifiers(Qt::KeypadModifier) << book << false << true;
    QTest::newRow("Enter, clipboard")
        << int(Qt::Key_Return) << none << QStringLiteral("/tmp/clip.txt") << true << false;
    QTest::newRow("Enter, no path") << int(Qt::Key_Return) << none << QString() << false << false;
}

// Enter, R or F3 during a run save the start of the interrupted sentence, end the
// run and, 200 ms later, speak the pause menu.
void TestFormPrincipal::menuKeyDuringRunInterruptsIt() {
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QString, bookPath);
    QFETCH(bool, clipboard);
    QFETCH(bool, written);

    TFormPrincipal form;
    State().BookPath = bookPath;
    State().ClipboardMode = clipboard;
    State().BookFinished = false;
    State().SentenceStart = 5120;
    State().ReadPosition = 5300;
    form.IsReading = true;
    TimerStatusUpcTV().arm();
    const DoubleLog log = m_env->log();
    QTest::keyClick(&form, Qt::Key(key), modifiers);

    QVERIFY(!form.IsReading);
    QVERIFY(!TimerStatusUpcTV().isArmed());
    QCOMPARE(State().ReadPosition, 5120);
    QCOMPARE(QFile::exists(m_env->settingsPath()), written);
    if (written) {
        QCOMPARE(Settings().readValue(bookPath), QByteArray("5120"));
    }
    QCOMPARE(log.textsRead(), QList<QByteArray>{spoken(State().PauseMenuText)});
    const QList<DoubleCall> calls = log.calls();
    QCOMPARE(calls.constFirst().name, QStringLiteral("upcTVStop"));
    QVERIFY(calls.constLast().ms - calls.constFirst().ms >= 150);
}

// Another window of the program taking the activation stops the speech and the
// run, and keeps the interrupted position in memory only; getting it back speaks
// the menu after about a second, once.
void TestFormPrincipal::losingActivationStopsAndRegainingSpeaksMenu() {
    TFormPrincipal form;
    QVERIFY(showActive(form));
    const DoubleLog log = m_env->log();
    QVERIFY(awaitSpokenOnce(log, State().IdleMenuText));
    log.clear();

    State().BookPath = QStringLiteral("/llibres/d.txt");
    State().BookFinished = false;
    State().SentenceStart = 900;
    State().ReadPosition = 1000;
    form.IsReading = true;
    TimerStatusUpcTV().arm();
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other, 20000));
    QTRY_VERIFY_WITH_TIMEOUT(!form.isActivationRecorded(), 20000);
    QVERIFY(!form.IsReading);
    QVERIFY(!TimerStatusUpcTV().isArmed());
    QCOMPARE(State().ReadPosition, 900);
    QVERIFY(log.waitForCall(QStringLiteral("upcTVStop")));
    QVERIFY(!QFile::exists(m_env->settingsPath()));

    log.clear();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form, 20000));
    QVERIFY(log.waitUntil([&](const QList<DoubleCall> &) {
        return countTexts(log, spoken(State().PauseMenuText)) == 1;
    }));
    const QList<DoubleCall> calls = log.calls();
    QVERIFY(calls.constLast().ms - calls.constFirst().ms >= 150);
    WaitPumping(1500); // a second handler run would have spoken by now
    QCOMPARE(log.textsRead(), QList<QByteArray>{spoken(State().PauseMenuText)});
}

// Once hooked, the program losing or gaining the foreground runs the handlers,
// but one change seen through both kinds of event runs each handler once. Before
// the hook the application-wide events run nothing.
void TestFormPrincipal::applicationStateRunsEachHandlerOnce() {
    TFormPrincipal form;
    QVERIFY(showActive(form));
    const DoubleLog log = m_env->log();
    QVERIFY(awaitSpokenOnce(log, State().IdleMenuText));
    log.clear();

    emit qApp->applicationStateChanged(Qt::ApplicationInactive);
    QVERIFY(form.isActivationRecorded());
    QCOMPARE(log.names(), QStringList{});

    form.hookApplicationActivation();
    emit qApp->applicationStateChanged(Qt::ApplicationInactive);
    QVERIFY(!form.isActivationRecorded());
    QCOMPARE(log.count(QStringLiteral("upcTVStop")), 1);
    QWidget other; // the same change seen by the window
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other, 20000));
    emit qApp->applicationStateChanged(Qt::ApplicationInactive);
    WaitPumping(300);
    QCOMPARE(log.count(QStringLiteral("upcTVStop")), 1);

    log.clear();
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form, 20000));
    QVERIFY(log.waitUntil([&](const QList<DoubleCall> &) {
        return countTexts(log, spoken(State().IdleMenuText)) == 1;
    }));
    WaitPumping(1500);
    QCOMPARE(log.textsRead(), QList<QByteArray>{spoken(State().IdleMenuText)});
}

// Opening and closing a modal dialog (the book chooser, the about box) trades the
// activation with the main window but runs neither handler: no stop, no menu.
void TestFormPrincipal::modalDialogRunsNoHandler() {
    TFormPrincipal form;
    QVERIFY(showActive(form));
    const DoubleLog log = m_env->log();
    QVERIFY(awaitSpokenOnce(log, State().IdleMenuText));
    form.hookApplicationActivation();
    log.clear();

    QDialog dialog(&form);
    bool dialogWasActive = false;
    QTimer::singleShot(0, &dialog, [&] {
        dialogWasActive = QTest::qWaitForWindowActive(&dialog, 20000);
        WaitPumping(300);
        dialog.accept();
    });
    dialog.exec();
    QVERIFY(dialogWasActive);
    // The owner gets the activation back (a window manager's part; there is none
    // under the offscreen platform).
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form, 20000));
    WaitPumping(1500);
    QVERIFY(form.isActivationRecorded());
    QCOMPARE(log.names(), QStringList{});
}

void TestFormPrincipal::contextMenuItems() {
    TFormPrincipal form;
    QVERIFY(form.windowTitle().startsWith(QStringLiteral("ZELVORA")));
    QCOMPARE(form.palette().color(QPalette::Window), QColor(Qt::black));
    const QList<QAction *> items = form.PopupMenu1->actions();
    QCOMPARE(items.size(), 4);
    QCOMPARE(items.at(0), form.MenuParlantDe);
    QCOMPARE(items.at(0)->text(), QStringLiteral("&Parlant de..."));
    QCOMPARE(items.at(1), form.MenuObrirFitxer);
    QCOMPARE(items.at(1)->text(), QStringLiteral("&Obrir Fitxer..."));
    QVERIFY(items.at(2)->isSeparator());
    QCOMPARE(items.at(2), form.N1);
    QCOMPARE(items.at(3), form.MenuSortir);
    QCOMPARE(items.at(3)->text(), QStringLiteral("&Sortir"));

    int opened = 0;
    form.Hooks.openBook = [&] { ++opened; };
    form.MenuObrirFitxer->trigger();
    QCOMPARE(opened, 1);
    form.show();
    form.MenuSortir->trigger();
    QVERIFY(form.ExitAnnounced);
    QVERIFY(!form.isVisible());
}

QTEST_MAIN(TestFormPrincipal)
#include "tst_formprincipal.moc"
