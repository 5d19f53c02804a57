// Choosing the speech engine: option over ZELVORA_ENGINE, the engine folders
// next to the executable, the one-line error for an unknown engine, and the
// speech service reloading the chosen engine on a language switch.
#include "EngineChoice.h"
#include "UnitUPCTV.h"

#include "DoubleLog.h"
#include "EngineDirectory.h"
#include "Engines.h"
#include "SettingsFile.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

// An installed tree: <root>/bin (the executable's folder), the build folder
// <root>/lib and, where the build knows its multiarch name, the private folder.
class EngineTree {
public:
    bool isValid() const {
        return m_root.isValid() && QDir(m_root.path()).mkpath(QStringLiteral("bin"));
    }
    QString appDir() const { return m_root.filePath(QStringLiteral("bin")); }
    QStringList folders() const { return EngineChoice::folders(appDir()); }
    // Puts the engine library file `file` into folder `index` (0 build, 1 private)
    // as a link to `target`; false when that folder does not exist in this build.
    // `file` may end in ":text" (a file that is no library at all) or ":lacking"
    // (a library without upcTVRead) instead.
    bool add(int index, QString file, const QString &target = doubleEnginePath()) const {
        const QString folder = folders().value(index);
        if (folder.isEmpty() || !QDir().mkpath(folder))
            return false;
        QString linked = target;
        if (file.endsWith(QLatin1String(":lacking")))
            linked = QStringLiteral(ZELVORA_LACKING_ENGINE);
        if (file.endsWith(QLatin1String(":text"))) {
            QFile text(QDir(folder).filePath(file.chopped(5)));
            return text.open(QIODevice::WriteOnly) &&
                   text.write(QByteArray("not a library\n").repeated(8)) > 0;
        }
        file.truncate(file.indexOf(QLatin1Char(':')) < 0 ? file.size() : file.indexOf(u':'));
        return QFile::link(linked, QDir(folder).filePath(file));
    }
    // A path relative to the root, for comparing.
    QString relative(const QString &path) const {
        return path.startsWith(QLatin1Char('/')) ? QDir(m_root.path()).relativeFilePath(path)
                                                 : path;
    }

private:
    QTemporaryDir m_root;
};

} // namespace

class TestEngineChoice : public QObject {
    Q_OBJECT

private slots:
    void choosesTheLibrary_data();
    void choosesTheLibrary();
    void reloadKeepsTheChosenEngine();
    void unknownEngineLeavesTheServiceAsItWas();
    void programAnswersTheEngineOptions_data();
    void programAnswersTheEngineOptions();
    void missingEngineIsSpoken_data();
    void missingEngineIsSpoken();
};

void TestEngineChoice::choosesTheLibrary_data() {
    QTest::addColumn<QStringList>("build");         // engine files in <root>/lib
    QTest::addColumn<QStringList>("privateFolder"); // engine files in the private folder
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("variable");
    QTest::addColumn<QString>("library"); // relative to the root, or a bare name
    QTest::addColumn<QString>("error");
    const QStringList built{QStringLiteral("libupctv.so"), QStringLiteral("libupctv-speechd.so")};
    const QStringList festival{QStringLiteral("libupctv-festival.so")};
    const QString unknown =
        QStringLiteral("zelvora: unknown speech engine \"%1\"; installed engines: %2");
    const QString all = QStringLiteral("espeak, festival, speechd");
    QTest::newRow("no name: the default library") << built << festival << QString() << QString()
                                                  << QStringLiteral("libupctv.so") << QString();
    QTest::newRow("the variable names it")
        << built << festival << QString() << QStringLiteral("speechd")
        << QStringLiteral("lib/libupctv-speechd.so") << QString();
    QTest::newRow("the option wins over the variable")
        << built << festival << QStringLiteral("festival") << QStringLiteral("speechd")
        << QStringLiteral("private/libupctv-festival.so") << QString();
    QTest::newRow("the build folder comes first")
        << built << QStringList{QStringLiteral("libupctv-speechd.so")} << QStringLiteral("speechd")
        << QString() << QStringLiteral("lib/libupctv-speechd.so") << QString();
    QTest::newRow("espeak is the default library")
        << built << festival << QStringLiteral("espeak") << QString()
        << QStringLiteral("libupctv.so") << QString();
    QTest::newRow("unknown option: the installed engines listed")
        << built << festival << QStringLiteral("piper") << QStringLiteral("speechd") << QString()
        << unknown.arg(QStringLiteral("piper"), all);
    QTest::newRow("unknown variable") << built << festival << QString() << QStringLiteral("Speechd")
                                      << QString() << unknown.arg(QStringLiteral("Speechd"), all);
    QTest::newRow("a path is not a name")
        << built << festival << QStringLiteral("../lib/libupctv-speechd") << QString() << QString()
        << unknown.arg(QStringLiteral("../lib/libupctv-speechd"), all);
    QTest::newRow("nothing installed")
        << QStringList() << QStringList() << QStringLiteral("nonesuch") << QString() << QString()
        << unknown.arg(QStringLiteral("nonesuch"), QStringLiteral("none"));
    const QString missing = QStringLiteral(
        "zelvora: the speech engine \"%1\" is not installed; install the package zelvora-%1%2");
    QTest::newRow("a packaged engine not installed")
        << built << QStringList() << QStringLiteral("festival") << QString() << QString()
        << missing.arg(QStringLiteral("festival"), QString());
    QTest::newRow("a packaged engine that is no library")
        << QStringList{QStringLiteral("libupctv-festival.so:text")} << QStringList() << QString()
        << QStringLiteral("festival") << QString()
        << missing.arg(QStringLiteral("festival"),
                       QStringLiteral(" (libupctv-festival.so: invalid ELF header)"));
    QTest::newRow("a packaged engine lacking an entry point")
        << QStringList{QStringLiteral("libupctv-speechd.so:lacking")} << festival
        << QStringLiteral("speechd") << QString() << QString()
        << missing.arg(QStringLiteral("speechd"),
                       QStringLiteral(" (libupctv-speechd.so: an entry point is missing)"));
    QTest::newRow("another engine that is no library")
        << QStringList{QStringLiteral("libupctv-other.so:text")} << QStringList()
        << QStringLiteral("other") << QString() << QString()
        << QStringLiteral("zelvora: the speech engine \"other\" cannot be loaded "
                          "(libupctv-other.so: invalid ELF header)");
    QTest::newRow("engines that do not load are not listed")
        << QStringList{QStringLiteral("libupctv.so"), QStringLiteral("libupctv-speechd.so:lacking"),
                       QStringLiteral("libupctv-other.so:text")}
        << festival << QStringLiteral("piper") << QString() << QString()
        << unknown.arg(QStringLiteral("piper"), QStringLiteral("espeak, festival"));
}

void TestEngineChoice::choosesTheLibrary() {
    QFETCH(QStringList, build);
    QFETCH(QStringList, privateFolder);
    QFETCH(QString, option);
    QFETCH(QString, variable);
    QFETCH(QString, library);
    QFETCH(QString, error);
    EngineTree tree;
    QVERIFY(tree.isValid());
    if (!privateFolder.isEmpty() && tree.folders().size() < 2)
        QSKIP("this build has one engine folder only");
    for (const QString &file : build)
        QVERIFY(tree.add(0, file));
    for (const QString &file : privateFolder)
        QVERIFY(tree.add(1, file));
    const EngineChoice::Result result = EngineChoice::choose(option, variable, tree.folders());
    QCOMPARE(result.error, error);
    QCOMPARE(result.ok(), error.isEmpty());
    // The private folder's name differs between machines.
    QString chosen = tree.relative(result.library);
    const QString privatePrefix = tree.relative(tree.folders().value(1)) + QLatin1Char('/');
    if (chosen.startsWith(privatePrefix))
        chosen = QStringLiteral("private/") + chosen.mid(privatePrefix.size());
    QCOMPARE(chosen, library);
}

void TestEngineChoice::reloadKeepsTheChosenEngine() {
    TestEnvironment environment;
    QVERIFY(environment.isValid());
    EngineTree tree;
    QVERIFY(tree.isValid());
    QVERIFY(tree.add(0, QStringLiteral("libupctv-double.so")));
    QVERIFY(tree.add(0, QStringLiteral("libupctv-other.so"), espeakEnginePath()));
    environment.set(EngineChoice::EnvironmentVariable, "double");
    SpeechService service;
    QVERIFY(EngineChoice::apply(service, QString(), tree.appDir()).ok());
    QVERIFY(service.LoadSpeechLibrary());
    service.SwitchToSpanish();
    service.SwitchToCatalan();
    service.SpeakText("hola");
    // Every load reached the chosen library: the choice's try (loaded and
    // unloaded, nothing called), the first load and both reloads.
    const DoubleLog log = environment.log();
    QCOMPARE(log.steps().mid(0, 3), (QStringList{QStringLiteral("load"), QStringLiteral("unload"),
                                                 QStringLiteral("load")}));
    QCOMPARE(log.count(QStringLiteral("load")), 4);
    QCOMPARE(log.count(QStringLiteral("upcTVSetLanguage")), 2);
    QCOMPARE(log.textsRead(), QList<QByteArray>{"hola "});
    service.ReleaseSpeechLibrary();
}

void TestEngineChoice::unknownEngineLeavesTheServiceAsItWas() {
    EngineTree tree;
    QVERIFY(tree.isValid());
    SpeechService service(doubleEnginePath());
    QVERIFY(!EngineChoice::apply(service, QStringLiteral("nonesuch"), tree.appDir()).ok());
    QCOMPARE(service.libraryName(), doubleEnginePath());
}

void TestEngineChoice::programAnswersTheEngineOptions_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("variable"); // ZELVORA_ENGINE
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QByteArray>("error");
    // The build's engine folders hold the espeak-ng and speech-dispatcher engines
    // (and the test double, a plain word too, and whatever else this build makes).
    const QByteArray unknown = "zelvora: unknown speech engine \"nonesuch\"; installed engines: ";
    QTest::newRow("--list-engines") << QStringList{QStringLiteral("--list-engines")} << QByteArray()
                                    << 0 << QByteArray("espeak\n") << QByteArray();
    QTest::newRow("unknown --engine")
        << QStringList{QStringLiteral("--engine"), QStringLiteral("nonesuch")} << QByteArray() << 1
        << QByteArray() << unknown;
    QTest::newRow("unknown variable")
        << QStringList() << QByteArray("nonesuch") << 1 << QByteArray() << unknown;
    QTest::newRow("an unknown option wins over a good variable")
        << QStringList{QStringLiteral("--engine=nonesuch")} << QByteArray("speechd") << 1
        << QByteArray() << unknown;
}

// The real program, which decides before any window or library.
void TestEngineChoice::programAnswersTheEngineOptions() {
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, variable);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, output);
    QFETCH(QByteArray, error);
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(EngineChoice::EnvironmentVariable),
                       QString::fromLatin1(variable));
    program.setProcessEnvironment(environment);
    program.start(binaryDirectory() + QStringLiteral("/zelvora"), arguments);
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitCode(), exitCode);
    const QByteArray out = program.readAllStandardOutput();
    const QByteArray err = program.readAllStandardError();
    QVERIFY2(out.startsWith(output), out.constData());
    QVERIFY2(err.startsWith(error), err.constData());
    if (!error.isEmpty()) {
        QCOMPARE(err.count('\n'), 1);
        QVERIFY2(err.contains("espeak, ") && err.contains("speechd"), err.constData());
    } else {
        QVERIFY(out.contains("\nspeechd\n"));
    }
}

void TestEngineChoice::missingEngineIsSpoken_data() {
    QTest::addColumn<QStringList>("build");   // engine files in <root>/lib
    QTest::addColumn<QByteArray>("language"); // the saved language; empty: none saved
    QTest::addColumn<QByteArray>("spoken");
    QTest::addColumn<QString>("reason");
    const QByteArray catalan = "La veu triada no està instal·lada. Cal instal·lar el paquet "
                               "zelvora-festival.";
    QTest::newRow("no settings: Catalan") << QStringList() << QByteArray() << catalan << QString();
    QTest::newRow("Catalan saved") << QStringList() << QByteArray("Català") << catalan << QString();
    QTest::newRow("Spanish saved") << QStringList() << QByteArray("Castellà")
                                   << QByteArray("La voz elegida no está instalada. Hay que "
                                                 "instalar el paquete zelvora-festival.")
                                   << QString();
    QTest::newRow("a file that does not load")
        << QStringList{QStringLiteral("libupctv-festival.so:text")} << QByteArray() << catalan
        << QStringLiteral(" (libupctv-festival.so: invalid ELF header)");
}

// A copy of the real program in a tree without the Festival engine, started with
// standard error on a pipe (no terminal), as from a desktop action.
void TestEngineChoice::missingEngineIsSpoken() {
    QFETCH(QStringList, build);
    QFETCH(QByteArray, language);
    QFETCH(QByteArray, spoken);
    QFETCH(QString, reason);
    QVERIFY(EngineChoice::packagedSeparately().contains(QStringLiteral("festival")));
    TestEnvironment environment;
    QVERIFY(environment.isValid());
    if (!language.isEmpty())
        QVERIFY(SettingsFile(environment.settingsPath())
                    .writeValue(QString::fromLatin1(SettingsFile::LanguageKey), language));
    EngineTree tree;
    QVERIFY(tree.isValid());
    for (const QString &file : build)
        QVERIFY(tree.add(0, file));
    const QString program = QDir(tree.appDir()).filePath(QStringLiteral("zelvora"));
    QVERIFY(QFile::copy(binaryDirectory() + QStringLiteral("/zelvora"), program));
    const EngineDirectory defaultEngine; // libupctv.so: the recording double
    QVERIFY(defaultEngine.isValid());
    QProcess zelvora;
    zelvora.setProcessEnvironment(defaultEngine.environmentFor(environment.processEnvironment()));
    zelvora.start(program, {QStringLiteral("--engine"), QStringLiteral("festival")});
    QVERIFY(zelvora.waitForFinished(60000));
    QCOMPARE(zelvora.exitCode(), 1);
    QCOMPARE(zelvora.readAllStandardError(),
             QStringLiteral("zelvora: the speech engine \"festival\" is not installed; install "
                            "the package zelvora-festival%1\n")
                 .arg(reason)
                 .toUtf8());
    const DoubleLog log = environment.log();
    QCOMPARE(log.textsRead(), QList<QByteArray>{spoken + ' '});
    // Spoken to its end: after the text, only status polls until one said idle,
    // then the unload.
    const QList<DoubleCall> calls = log.calls();
    QStringList after;
    for (const DoubleCall &call : calls) {
        if (call.name == QLatin1String("upcTVRead"))
            after.clear();
        else
            after << call.step();
    }
    QVERIFY2(calls.size() >= 2 && after.constLast() == QLatin1String("unload") &&
                 calls.at(calls.size() - 2).name == QLatin1String("upcTVStatus") &&
                 calls.at(calls.size() - 2).result == 0 &&
                 after.filter(QStringLiteral("upcTVStatus")).size() == after.size() - 1,
             qPrintable(log.dump()));
    // Spanish is set as the program sets it at start-up; Catalan is the engine's own.
    QCOMPARE(log.steps().count(QStringLiteral("upcTVSetLanguage 101")),
             language == "Castellà" ? 1 : 0);
}

QTEST_GUILESS_MAIN(TestEngineChoice)
#include "tst_enginechoice.moc"
