// The speech library fails to load again on a change of language (removed,
// replaced by something that is not a library, or by one that lacks an entry
// point). The program must go on answering keys, read a book through (silently),
// close and leave its message loop, and no call may reach a library after the
// failed reload.
#include "DoubleLog.h"
#include "Engines.h"
#include "KeyCommands.h"
#include "ReadBook.h"
#include "ReaderState.h"
#include "SettingsFile.h"
#include "Startup.h"
#include "TFormPrincipal.h"
#include "TestEnvironment.h"
#include "UnitUPCTV.h"

#include <QFile>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <memory>

class TestFailedReload : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void keysAndExitAfterFailedReload_data();
    void keysAndExitAfterFailedReload();

private:
    bool waitForGreeting() const {
        return m_env->log().waitUntil([](const QList<DoubleCall> &calls) {
            return std::any_of(calls.begin(), calls.end(), [](const DoubleCall &call) {
                return call.hasText && call.text == State().IdleMenuText + ' ';
            });
        });
    }
    // What the test does inside the message loop; failures end the loop early.
    void afterGreeting(TFormPrincipal &form, const QString &library, bool byKey);

    std::unique_ptr<TestEnvironment> m_env;
    qsizetype m_callsAtFailure = -1;
};

void TestFailedReload::initTestCase() {
    m_env = std::make_unique<TestEnvironment>();
    QVERIFY(m_env->isValid());
    m_env->setMsPerByte(1);
    QCOMPARE(Settings().path(), m_env->settingsPath());
}

void TestFailedReload::init() {
    Speech().ReleaseSpeechLibrary();
    Speech().setLibraryName(doubleEnginePath());
    Speech().ReadingSpeed = SpeechService::DefaultReadingSpeed;
    Speech().CatalanActive = true;
    State() = ReaderState{};
    // The previous row's exit stored the language it had switched to.
    QFile::remove(m_env->settingsPath());
    m_env->log().clear();
    m_callsAtFailure = -1;
}

void TestFailedReload::keysAndExitAfterFailedReload_data() {
    QTest::addColumn<QString>("library");
    QTest::addColumn<bool>("byKey"); // the L command, else the service's switch itself
    const QString notALibrary = QStringLiteral("not-a-library");
    const QString incomplete = QStringLiteral(INCOMPLETE_ENGINE);
    for (const bool byKey : {false, true}) {
        const char *how = byKey ? "L key, " : "switch, ";
        QTest::addRow("%slibrary removed", how)
            << QStringLiteral("/nonexistent/libupctv.so") << byKey;
        QTest::addRow("%snot a library", how) << notALibrary << byKey;
        QTest::addRow("%slibrary lacking an entry point", how) << incomplete << byKey;
    }
}

void TestFailedReload::afterGreeting(TFormPrincipal &form, const QString &library, bool byKey) {
    const DoubleLog log = m_env->log();
    Speech().setLibraryName(library);
    if (byKey) {
        QTest::keyClick(&form, Qt::Key_L);
    } else {
        Speech().SwitchToSpanish();
    }
    QVERIFY(!Speech().isLoaded());
    QCOMPARE(log.names().mid(log.names().size() - 2),
             (QStringList{QStringLiteral("upcTVStop"), QStringLiteral("unload")}));
    m_callsAtFailure = log.calls().size();

    // Keys: the menu, another switch, letters, Enter; then a whole reading run.
    for (const Qt::Key key : {Qt::Key_R, Qt::Key_L, Qt::Key_Return, Qt::Key_A, Qt::Key_F3}) {
        QTest::keyClick(&form, key);
    }
    const QString book = m_env->path() + QStringLiteral("/llibre.txt");
    QFile file(book);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.write("Un. Dos. Tres.") > 0);
    file.close();
    ReaderState &state = State();
    state.BookPath = book;
    state.ReadPosition = state.SentenceStart = 4;
    state.BookFinished = false;
    form.IsReading = true;
    form.ReadBook();
    QVERIFY(state.BookFinished);
    QCOMPARE(Settings().readValue(book), QByteArray("0"));
    form.close();
}

void TestFailedReload::keysAndExitAfterFailedReload() {
    QFETCH(QString, library);
    QFETCH(bool, byKey);
    if (byKey && findKeyCommand('L') == nullptr) {
        QSKIP("no L command in the key table yet");
    }
    if (library == u"not-a-library") {
        library = m_env->path() + QStringLiteral("/libupctv.so");
        QFile file(library);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.write("not an ELF file\n") > 0);
    }
    ShellHooks hooks;
    hooks.readBook = [](bool &isReading) { ReadBook(isReading); };
    Startup startup(hooks);
    QVERIFY(startup.start());
    TFormPrincipal &form = *startup.mainWindow();
    QTimer::singleShot(0, &form, [&] {
        if (waitForGreeting()) {
            afterGreeting(form, library, byKey);
        }
        if (!startup.hasClosed()) {
            QCoreApplication::exit(98); // the test failed before the close
        }
    });
    QTimer::singleShot(90000, &form, [] { QCoreApplication::exit(99); });
    const int status = startup.exec();
    QCOMPARE(status, 0);
    QVERIFY(startup.hasClosed());
    QVERIFY(!Speech().isLoaded());
    // Nothing reached any library after the failed reload: no call, no load.
    const QList<DoubleCall> calls = m_env->log().calls();
    QVERIFY2(m_callsAtFailure >= 0 && calls.size() == m_callsAtFailure,
             qPrintable(m_env->log().dump()));
}

QTEST_MAIN(TestFailedReload)
#include "tst_failedreload.moc"
