// Stopping an export and running it again; and the refusals, each one line on
// standard error with its exit status and nothing half written left behind.
#include "ExportCommand.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <csignal>

class TestExportStop : public QObject {
    Q_OBJECT
private slots:
    void interruptKeepsFinishedFilesAndRerunCompletes();
    void refusals_data();
    void refusals();
};

namespace {

QStringList partialFiles(const QString &folder) {
    return QDir(folder).entryList({QStringLiteral(".*.part")}, QDir::Hidden | QDir::Files);
}

QStringList chapterFiles(const QString &folder) {
    return QDir(folder).entryList({QStringLiteral("*.opus")}, QDir::Files, QDir::Name);
}

} // namespace

void TestExportStop::interruptKeepsFinishedFilesAndRerunCompletes() {
    TestEnvironment env;
    // Chapters long enough that the interrupt lands while the second is written.
    const QString book = ExportCommand::writeThreeChapterBook(env.path(), 300);
    const QString out = env.path() + QStringLiteral("/out");
    QProcess process;
    ExportCommand::start(
        process, env, book,
        {QStringLiteral("--output"), out, QStringLiteral("--jobs"), QStringLiteral("1")});
    QTRY_VERIFY_WITH_TIMEOUT(!chapterFiles(out).isEmpty(), 300000);
    QTRY_VERIFY_WITH_TIMEOUT(
        !partialFiles(out).isEmpty() || process.state() == QProcess::NotRunning, 60000);
    const bool stoppedMidWay = process.state() == QProcess::Running;
    ::kill(pid_t(process.processId()), SIGINT);
    QVERIFY(process.waitForFinished(60000));
    if (!stoppedMidWay)
        QSKIP("the export ended before the interrupt");
    QCOMPARE(process.exitCode(), 130);
    QVERIFY(partialFiles(out).isEmpty());
    const QStringList kept = chapterFiles(out);
    QVERIFY(!kept.isEmpty() && kept.size() < 3);
    for (const QString &name : kept)
        QCOMPARE(ExportCommand::tool(QStringLiteral("opusinfo"), {out + QLatin1Char('/') + name}),
                 0);

    QCOMPARE(ExportCommand::run(
                 env, book,
                 {QStringLiteral("--output"), out, QStringLiteral("--jobs"), QStringLiteral("1")}),
             0);
    QCOMPARE(chapterFiles(out).size(), 3);
    for (const QString &name : chapterFiles(out))
        QCOMPARE(ExportCommand::tool(QStringLiteral("opusinfo"), {out + QLatin1Char('/') + name}),
                 0);
}

void TestExportStop::refusals_data() {
    QTest::addColumn<QString>("situation");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("named");
    // The second chapter's temporary file is the full device.
    QTest::newRow("disk full") << QStringLiteral("full") << 1
                               << QByteArray("02 - Segon capítol.opus");
    // Even root cannot create a file in a process's folder of /proc.
    QTest::newRow("unwritable folder") << QStringLiteral("/proc/1") << 1 << QByteArray("/proc/1");
    QTest::newRow("folder under a file")
        << QStringLiteral("book/x") << 1 << QByteArray("llibre.html/x");
    QTest::newRow("engine that plays only")
        << QStringLiteral("speechd") << 2 << QByteArray("espeak and festival");
}

void TestExportStop::refusals() {
    QFETCH(QString, situation);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, named);
    TestEnvironment env;
    const QString book = ExportCommand::writeThreeChapterBook(env.path());
    QString out = env.path() + QStringLiteral("/out");
    QStringList arguments{QStringLiteral("--jobs"), QStringLiteral("1")};
    if (situation == QStringLiteral("full")) {
        QVERIFY(QDir().mkpath(out));
        QVERIFY(QFile::link(QStringLiteral("/dev/full"),
                            out + QStringLiteral("/.02 - Segon capítol.opus.part")));
    } else if (situation == QStringLiteral("speechd")) {
        arguments << QStringLiteral("--engine") << QStringLiteral("speechd");
    } else if (situation == QStringLiteral("book/x")) {
        out = book + QStringLiteral("/x");
    } else {
        out = situation;
    }
    QByteArray error;
    QCOMPARE(ExportCommand::run(env, book, arguments + QStringList{QStringLiteral("--output"), out},
                                &error),
             exitCode);
    QCOMPARE(error.count('\n'), 1);
    QVERIFY2(error.contains(named), error.constData());
    if (situation == QStringLiteral("full")) {
        QVERIFY(partialFiles(out).isEmpty());
        QCOMPARE(chapterFiles(out), QStringList{QStringLiteral("01 - Primer capítol.opus")});
    }
}

QTEST_GUILESS_MAIN(TestExportStop)
#include "tst_exportstop.moc"
