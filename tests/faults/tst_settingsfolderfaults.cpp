// A whole session (start-up, a reading run to the end of its book, the exit) with
// a settings file that cannot be written: a read-only folder, or no room (a
// file-size limit smaller than the file, as on a full disk). Every save fails;
// the session must still speak as usual, end normally and leave every stored
// byte as it was.
#include "DoubleLog.h"
#include "Engines.h"
#include "Messages.h"
#include "ReaderState.h"
#include "SpokenMenus.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString Session = QStringLiteral(FAULT_SESSION);
constexpr uid_t Nobody = 65534;

QByteArray storedSettings() {
    QByteArray file = "[Zelvora]\nVelocitat de lectura=140\nLlengua=Catal\xC3\xA0\n";
    // Large enough that the double's log stays far below a limit set just under it.
    for (int i = 0; i < 4000; ++i) {
        file += "/home/lector/llibres/llibre " + QByteArray::number(i) +
                ".txt=" + QByteArray::number(i * 31) + '\n';
    }
    return file;
}

bool setMode(const QString &path, mode_t mode) {
    return ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

} // namespace

class TestSettingsFolderFaults : public QObject {
    Q_OBJECT
private slots:
    void sessionWithUnwritableSettings_data();
    void sessionWithUnwritableSettings();
};

void TestSettingsFolderFaults::sessionWithUnwritableSettings_data() {
    QTest::addColumn<QString>("fault");
    QTest::newRow("read-only folder") << QStringLiteral("read-only");
    QTest::newRow("no room for the file") << QStringLiteral("full");
}

void TestSettingsFolderFaults::sessionWithUnwritableSettings() {
    QFETCH(QString, fault);
    TestEnvironment env;
    QVERIFY(env.isValid());
    const QString folder = QFileInfo(env.settingsPath()).path();
    QVERIFY(QDir().mkpath(folder));
    const QByteArray before = storedSettings();
    QFile file(env.settingsPath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(before), before.size());
    file.close();
    const QString book = env.path() + QStringLiteral("/conte.txt");
    QFile bookFile(book);
    QVERIFY(bookFile.open(QIODevice::WriteOnly));
    QVERIFY(bookFile.write("Hi havia una vegada. Un gat.\nFi.") > 0);
    bookFile.close();
    // The session may run as another user: it reads the book and the settings and
    // appends to the double's log, and nothing else of ours.
    QVERIFY(QFile(env.log().path()).open(QIODevice::WriteOnly));
    QVERIFY(setMode(env.path(), 0755) && setMode(env.configHome(), 0755));
    QVERIFY(setMode(env.log().path(), 0666) && setMode(book, 0644));
    QVERIFY(setMode(folder, 0555) && setMode(env.settingsPath(), 0444));

    QProcess session;
    QProcessEnvironment environment = env.processEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("UPCTV_DOUBLE_MS_PER_BYTE"), QStringLiteral("1"));
    session.setProcessEnvironment(environment);
    const rlim_t limit = rlim_t(before.size() - 1);
    const bool readOnly = fault == u"read-only";
    session.setChildProcessModifier([readOnly, limit] {
        // Runs in the child between fork and exec: system calls only.
        if (readOnly && ::geteuid() == 0 && (::setgid(Nobody) != 0 || ::setuid(Nobody) != 0)) {
            ::_exit(5);
        }
        if (!readOnly) {
            std::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails, as with ENOSPC
            const rlimit fileSize{limit, limit};
            if (::setrlimit(RLIMIT_FSIZE, &fileSize) != 0) {
                ::_exit(5);
            }
        }
    });
    session.start(Session, {doubleEnginePath(), book, QStringLiteral("0")});
    QVERIFY(session.waitForStarted(30000));
    const bool ended = session.waitForFinished(90000);
    if (!ended) {
        session.kill();
        session.waitForFinished(30000);
    }
    const QByteArray errors = session.readAllStandardError();
    QVERIFY2(ended, errors.constData());
    QCOMPARE(session.exitStatus(), QProcess::NormalExit);
    QVERIFY2(session.exitCode() == 0, errors.constData());

    QVERIFY(setMode(folder, 0700) && setMode(env.settingsPath(), 0600));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY2(file.readAll() == before, "the stored settings changed");
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).filter(u".tmp."), QStringList());

    // The session spoke as usual: the book, its end with the idle menu, the farewell.
    State() = ReaderState{};
    BuildCatalanMenus();
    const DoubleLog log = env.log();
    const QList<QByteArray> texts = log.textsRead();
    const QList<QByteArray> expectedEnd{"Hi havia una vegada. ", " Un gat. ", "\nFi. ",
                                        QByteArray(Messages::BookEnded.catalan) +
                                            State().IdleMenuText + ' ',
                                        QByteArray(Messages::Farewell.catalan) + ' '};
    QVERIFY2(texts.size() >= expectedEnd.size(), qPrintable(log.dump()));
    QCOMPARE(texts.mid(texts.size() - expectedEnd.size()), expectedEnd);
    QCOMPARE(log.names().constLast(), QStringLiteral("unload"));
}

QTEST_GUILESS_MAIN(TestSettingsFolderFaults)
#include "tst_settingsfolderfaults.moc"
