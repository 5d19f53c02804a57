// Start-up of the real program, run as a child process against the recording
// test double: stored speed and language, the greeting, the missing library, and
// the signals with which a session ends the program.
#include "DoubleLog.h"
#include "EngineDirectory.h"
#include "Engines.h"
#include "Messages.h"
#include "ReaderState.h"
#include "SpokenMenus.h"
#include "TestEnvironment.h"
#include "UnitUPCTV.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <sys/types.h>

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void storedSettingsAndGreeting_data();
    void storedSettingsAndGreeting();
    void withoutSpeechLibrary();
    void terminationSignalClosesTheWindow_data();
    void terminationSignalClosesTheWindow();

private:
    static QProcessEnvironment childEnvironment(const TestEnvironment &env);
    static bool startAndAwaitGreeting(QProcess &zelvora, const TestEnvironment &env,
                                      const EngineDirectory &engine);
};

QProcessEnvironment TestStartup::childEnvironment(const TestEnvironment &env) {
    QProcessEnvironment environment = env.processEnvironment();
    // A private runtime folder, so that nothing else has reason to write to stderr.
    const QString runtime = env.path() + QStringLiteral("/runtime");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("UPCTV_DOUBLE_MS_PER_BYTE"), QStringLiteral("2"));
    return environment;
}

// Starts the program on the double and waits until it has spoken something (the
// greeting); false when it has not within a generous time.
bool TestStartup::startAndAwaitGreeting(QProcess &zelvora, const TestEnvironment &env,
                                        const EngineDirectory &engine) {
    zelvora.setProcessEnvironment(engine.environmentFor(childEnvironment(env)));
    zelvora.setWorkingDirectory(env.path());
    zelvora.start(binaryDirectory() + QStringLiteral("/zelvora"), {});
    if (!zelvora.waitForStarted(30000)) {
        return false;
    }
    return env.log().waitUntil(
        [](const QList<DoubleCall> &calls) {
            return std::any_of(calls.begin(), calls.end(),
                               [](const DoubleCall &call) { return call.hasText; });
        },
        60000);
}

void TestStartup::storedSettingsAndGreeting_data() {
    QTest::addColumn<QByteArray>("settings"); // null: no file at all
    QTest::addColumn<int>("speed");
    QTest::addColumn<bool>("spanish");

    const QByteArray section("[Zelvora]\n");
    QTest::newRow("no settings file") << QByteArray() << 140 << false;
    QTest::newRow("empty section") << section << 140 << false;
    QTest::newRow("Castellà") << section + "Llengua=Castellà\n" << 140 << true;
    QTest::newRow("Castellà, Windows-1252") << section + "Llengua=Castell\xe0\n" << 140 << true;
    QTest::newRow("castellà") << section + "Llengua=castellà\n" << 140 << false;
    QTest::newRow("Castella") << section + "Llengua=Castella\n" << 140 << false;
    QTest::newRow("CASTELLÀ") << section + "Llengua=CASTELLÀ\n" << 140 << false;
    QTest::newRow("Català") << section + "Llengua=Català\n" << 140 << false;
    QTest::newRow("NO") << section + "Llengua=NO\n" << 140 << false;
    QTest::newRow("speed 200") << section + "Velocitat de lectura=200\n" << 200 << false;
    QTest::newRow("speed 300, Spanish") << section + "Velocitat de lectura=300\nLlengua=Castellà\n"
                                        << 300 << true;
    QTest::newRow("speed not a number") << section + "Velocitat de lectura=ràpid\n" << 140 << false;
    QTest::newRow("speed empty") << section + "Velocitat de lectura=\n" << 140 << false;
}

// The speed reaches the library at its load; the stored language switches it
// (stop, reload, speed, language 101, voice 1) or leaves it Catalan; about a second
// after the splash the idle menu is spoken in that language, and nothing else.
// Nothing is written before the exit.
void TestStartup::storedSettingsAndGreeting() {
    QFETCH(QByteArray, settings);
    QFETCH(int, speed);
    QFETCH(bool, spanish);

    TestEnvironment env;
    QVERIFY(env.isValid());
    if (!settings.isNull()) {
        QVERIFY(QDir().mkpath(QFileInfo(env.settingsPath()).path()));
        QFile file(env.settingsPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(settings), settings.size());
    }
    EngineDirectory engine;
    QVERIFY(engine.isValid());
    State() = ReaderState{};
    spanish ? BuildSpanishMenus() : BuildCatalanMenus();
    const QByteArray greeting = State().IdleMenuText + ' ';

    QProcess zelvora;
    const bool greeted = startAndAwaitGreeting(zelvora, env, engine);
    const DoubleLog log = env.log();
    WaitPumping(500); // anything spoken after the greeting would show by now
    zelvora.kill();
    zelvora.waitForFinished(30000);
    QVERIFY2(greeted,
             qPrintable(log.dump() + QString::fromLocal8Bit(zelvora.readAllStandardError())));

    const QStringList steps = log.steps();
    const QStringList loaded{QStringLiteral("load"), QStringLiteral("upcTVSetSpeed %1").arg(speed)};
    QCOMPARE(steps.mid(0, 2), loaded);
    const QStringList switched =
        QStringList{QStringLiteral("upcTVStop"), QStringLiteral("unload")} + loaded +
        QStringList{QStringLiteral("upcTVSetLanguage 101"), QStringLiteral("upcTVSetSpeaker 1")};
    if (spanish) {
        QCOMPARE(steps.mid(2, switched.size()), switched);
    } else {
        QCOMPARE(log.count(QStringLiteral("upcTVSetLanguage")), 0);
        QCOMPARE(log.count(QStringLiteral("load")), 1);
    }
    QCOMPARE(log.textsRead(), QList<QByteArray>{greeting});
    const QList<DoubleCall> calls = log.calls();
    const auto read = std::find_if(calls.begin(), calls.end(),
                                   [](const DoubleCall &call) { return call.hasText; });
    // splash (1000 ms), then the activation's wait (1000 ms) and the menu's (200 ms)
    QVERIFY(read->ms - calls.constFirst().ms >= 2000);
    QFile file(env.settingsPath());
    if (settings.isNull()) {
        QVERIFY(!file.exists());
    } else {
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), settings);
    }
}

// Without the speech library the program ends at once: no sound, nothing written,
// a non-zero status and one line on standard error saying why.
void TestStartup::withoutSpeechLibrary() {
    TestEnvironment env;
    QVERIFY(env.isValid());
    // A copy of the program with no engine folder beside it (its RUNPATH is relative).
    const QString bin = env.path() + QStringLiteral("/bin");
    QVERIFY(QDir().mkpath(bin));
    QVERIFY(QFile::copy(binaryDirectory() + QStringLiteral("/zelvora"),
                        bin + QStringLiteral("/zelvora")));
    QProcessEnvironment environment = childEnvironment(env);
    environment.remove(QStringLiteral("LD_LIBRARY_PATH"));

    QProcess zelvora;
    zelvora.setProcessEnvironment(environment);
    zelvora.setWorkingDirectory(env.path());
    zelvora.start(bin + QStringLiteral("/zelvora"), {});
    QVERIFY(zelvora.waitForStarted(30000));
    QVERIFY(zelvora.waitForFinished(60000));

    QCOMPARE(zelvora.exitStatus(), QProcess::NormalExit);
    QVERIFY(zelvora.exitCode() != 0);
    const QList<QByteArray> lines = zelvora.readAllStandardError().trimmed().split('\n');
    QVERIFY(lines.constFirst().startsWith("zelvora: "));
    QVERIFY2(lines.constFirst().contains("libupctv.so"), lines.constFirst().constData());
    QVERIFY(!QFile::exists(env.settingsPath()));
    QVERIFY(!QFile::exists(env.log().path()));
}

void TestStartup::terminationSignalClosesTheWindow_data() {
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM (logout, shutdown)") << int(SIGTERM);
    QTest::newRow("SIGHUP") << int(SIGHUP);
    QTest::newRow("SIGINT") << int(SIGINT);
}

// A session that ends the program with a signal gets the same exit as the window's
// close: the farewell, then speed and language saved, and a clean status.
void TestStartup::terminationSignalClosesTheWindow() {
    QFETCH(int, signalNumber);
    TestEnvironment env;
    QVERIFY(env.isValid());
    EngineDirectory engine;
    QVERIFY(engine.isValid());

    QProcess zelvora;
    const bool greeted = startAndAwaitGreeting(zelvora, env, engine);
    const DoubleLog log = env.log();
    if (!greeted) {
        zelvora.kill();
        zelvora.waitForFinished(30000);
        QFAIL(qPrintable(log.dump()));
    }
    QCOMPARE(::kill(static_cast<pid_t>(zelvora.processId()), signalNumber), 0);
    QVERIFY2(zelvora.waitForFinished(60000), qPrintable(log.dump()));

    QCOMPARE(zelvora.exitStatus(), QProcess::NormalExit);
    QCOMPARE(zelvora.exitCode(), 0);
    const QList<QByteArray> texts = log.textsRead();
    QCOMPARE(texts.size(), 2);
    QCOMPARE(texts.constLast(), QByteArray(Messages::Farewell.catalan) + ' ');
    QFile file(env.settingsPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray stored = file.readAll();
    QVERIFY2(stored.contains("Velocitat de lectura=140\n"), stored.constData());
    QVERIFY2(stored.contains("Llengua=Català\n"), stored.constData());
}

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
