// Choosing the speech engine: option over ZELVORA_ENGINE, the engine folders
// next to the executable, the one-line error for an unknown engine, and the
// speech service reloading the chosen engine on a language switch.
#include "EngineChoice.h"
#include "UnitUPCTV.h"

#include "DoubleLog.h"
#include "Engines.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
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
    bool add(int index, const QString &file, const QString &target = doubleEnginePath()) const {
        const QString folder = folders().value(index);
        return !folder.isEmpty() && QDir().mkpath(folder) &&
               QFile::link(target, QDir(folder).filePath(file));
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
        << QStringLiteral("lib/x/zelvora/libupctv-festival.so") << QString();
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
        << QStringList() << QStringList() << QStringLiteral("speechd") << QString() << QString()
        << unknown.arg(QStringLiteral("speechd"), QStringLiteral("none"));
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
        QSKIP("this build knows no multiarch folder name");
    for (const QString &file : build)
        QVERIFY(tree.add(0, file));
    for (const QString &file : privateFolder)
        QVERIFY(tree.add(1, file));
    const EngineChoice::Result result = EngineChoice::choose(option, variable, tree.folders());
    QCOMPARE(result.error, error);
    QCOMPARE(result.ok(), error.isEmpty());
    // The private folder's multiarch part differs between machines.
    QString chosen = tree.relative(result.library);
    chosen.replace(QRegularExpression(QStringLiteral("^lib/[^/]+/zelvora/")),
                   QStringLiteral("lib/x/zelvora/"));
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
    QVERIFY(EngineChoice::apply(service, QString(), tree.appDir()));
    QVERIFY(service.LoadSpeechLibrary());
    service.SwitchToSpanish();
    service.SwitchToCatalan();
    service.SpeakText("hola");
    // Every load, the first and both reloads, reached the chosen library.
    const DoubleLog log = environment.log();
    QCOMPARE(log.count(QStringLiteral("load")), 3);
    QCOMPARE(log.count(QStringLiteral("upcTVSetLanguage")), 2);
    QCOMPARE(log.textsRead(), QList<QByteArray>{"hola "});
    service.ReleaseSpeechLibrary();
}

void TestEngineChoice::unknownEngineLeavesTheServiceAsItWas() {
    EngineTree tree;
    QVERIFY(tree.isValid());
    SpeechService service(doubleEnginePath());
    QVERIFY(!EngineChoice::apply(service, QStringLiteral("nonesuch"), tree.appDir()));
    QCOMPARE(service.libraryName(), doubleEnginePath());
}

QTEST_GUILESS_MAIN(TestEngineChoice)
#include "tst_enginechoice.moc"
