// The command line: what starts the reader, what prints and exits, and with
// which status and on which stream.
#include "CommandLine.h"

#include <QTest>

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void outcome_data();
    void outcome();
};

void TestCommandLine::outcome_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("startReader");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("outputStart"); // standard output begins with this
    QTest::addColumn<QString>("errorLine");   // standard error's first line

    const QString usage = QStringLiteral("Usage: zelvora [options]\n");
    const QString version = QStringLiteral("zelvora " ZELVORA_VERSION "\n");
    const QString none;
    auto row = [](const char *name, const char *arguments) -> QTestData & {
        QStringList list{QStringLiteral("/usr/bin/zelvora")};
        const QString joined = QString::fromUtf8(arguments);
        if (!joined.isEmpty()) {
            list += joined.split(QLatin1Char(' '));
        }
        return QTest::newRow(name) << list;
    };
    row("no argument", "") << true << 0 << none << none;
    row("--help", "--help") << false << 0 << usage << none;
    row("-h", "-h") << false << 0 << usage << none;
    row("--help-all", "--help-all") << false << 0 << usage << none;
    row("--version", "--version") << false << 0 << version << none;
    row("-v", "-v") << false << 0 << version << none;
    row("Qt's -platform", "-platform offscreen") << true << 0 << none << none;
    row("Qt's -reverse and -style", "-reverse -style Fusion") << true << 0 << none << none;
    row("--version after a Qt option", "-display :0 --version") << false << 0 << version << none;
    row("unknown long option", "--bogus")
        << false << 2 << none << QStringLiteral("zelvora: Unknown option 'bogus'.");
    row("unknown short option", "-x")
        << false << 2 << none << QStringLiteral("zelvora: Unknown option 'x'.");
    row("unknown option beside --help", "--help --bogus")
        << false << 2 << none << QStringLiteral("zelvora: Unknown option 'bogus'.");
    row("Qt option lacking its value", "-platform")
        << false << 2 << none << QStringLiteral("zelvora: Missing value after '-platform'.");
    row("--engine starts the reader", "--engine speechd") << true << 0 << none << none;
    row("--engine=NAME", "--engine=festival") << true << 0 << none << none;
    row("--engine lacking its name", "--engine")
        << false << 2 << none << QStringLiteral("zelvora: Missing value after '--engine'.");
    row("--list-engines", "--list-engines") << false << 0 << none << none;
    row("--export with a format it cannot write", "--export book.epub --format flac")
        << false << 2 << none << QStringLiteral("zelvora: --format takes opus, mp3 or wav");
    row("--export with a speed out of range", "--export book.epub --speed 400")
        << false << 2 << none << QStringLiteral("zelvora: --speed takes a number from 10 to 300");
    row("a file name", "book.txt")
        << false << 2 << none << QStringLiteral("zelvora: unexpected argument 'book.txt'");
}

void TestCommandLine::outcome() {
    QFETCH(QStringList, arguments);
    QFETCH(bool, startReader);
    QFETCH(int, exitCode);
    QFETCH(QString, outputStart);
    QFETCH(QString, errorLine);

    const CommandLineOutcome outcome = parseCommandLine(arguments);
    const int engineAt = arguments.indexOf(QStringLiteral("--engine"));
    const QString engine = engineAt > 0
                               ? arguments.value(engineAt + 1)
                               : arguments.filter(QStringLiteral("--engine=")).value(0).mid(9);
    QCOMPARE(outcome.engine, startReader ? engine : QString());
    QCOMPARE(outcome.listEngines, arguments.contains(QStringLiteral("--list-engines")));
    QCOMPARE(outcome.startReader, startReader);
    QCOMPARE(outcome.exitCode, exitCode);
    QVERIFY2(outcome.standardOutput.startsWith(outputStart), qPrintable(outcome.standardOutput));
    QCOMPARE(outcome.standardOutput.isEmpty(), outputStart.isEmpty());
    const QStringList errorLines = outcome.standardError.split(QLatin1Char('\n'));
    QCOMPARE(errorLines.constFirst(), errorLine);
    if (exitCode != 0) {
        QVERIFY(outcome.exportBook.isEmpty()); // nothing is exported
    }
    if (exitCode == 2) {
        // The usage follows the one-line error.
        QCOMPARE(errorLines.value(1), QStringLiteral("Usage: zelvora [options]"));
    }
    if (outputStart.startsWith(QLatin1String("Usage"))) {
        QVERIFY(outcome.standardOutput.contains(QLatin1String("--version")));
        QVERIFY(outcome.standardOutput.contains(QLatin1String("--engine <NAME>")));
        QVERIFY(outcome.standardOutput.contains(QLatin1String("--list-engines")));
        QVERIFY(!outcome.standardOutput.contains(QLatin1String("-platform")));
    }
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
