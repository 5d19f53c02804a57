// The install layout: `cmake --install` of this build into a temporary prefix puts
// exactly the program's files there, and the program runs from there, finding its
// engine through its RUNPATH while LD_LIBRARY_PATH still comes first.
#include "EngineDirectory.h"
#include "Engines.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

const QString AppId = QStringLiteral("cat.zelvora.Zelvora");
const QString EngineFolder = QStringLiteral("lib/" ZELVORA_MULTIARCH "/zelvora");

// A file an install holds, relative to the prefix, whether it is executable and
// the install component (and so the Debian package) it belongs to.
struct InstalledFile {
    QString relative;
    bool executable = false;
    QString component = QStringLiteral("zelvora");
};

// The engines built beside the espeak-ng one, each in its own component.
QStringList engineComponents() {
    QStringList engines{QStringLiteral("speechd")};
#ifdef ZELVORA_WITH_FESTIVAL
    engines.append(QStringLiteral("festival"));
#endif
    return engines;
}

// Every file an install holds.
QList<InstalledFile> expectedFiles() {
    QList<InstalledFile> files{
        {QStringLiteral("bin/zelvora"), true},
        {EngineFolder + QStringLiteral("/libupctv.so")},
        {EngineFolder + QStringLiteral("/libupctv-speechd.so"), false, QStringLiteral("speechd")},
#ifdef ZELVORA_WITH_FESTIVAL
        {EngineFolder + QStringLiteral("/libupctv-festival.so"), false, QStringLiteral("festival")},
        {EngineFolder + QStringLiteral("/libzelvora-festival.so"), false,
         QStringLiteral("festival")},
#endif
        {QStringLiteral("share/applications/") + AppId + QStringLiteral(".desktop")},
        {QStringLiteral("share/metainfo/") + AppId + QStringLiteral(".metainfo.xml")},
        {QStringLiteral("share/icons/hicolor/scalable/apps/") + AppId + QStringLiteral(".svg")},
        {QStringLiteral("share/man/man1/zelvora.1.gz")},
        {QStringLiteral("share/man/ca/man1/zelvora.1.gz")},
        {QStringLiteral("share/man/es/man1/zelvora.1.gz")},
        {QStringLiteral("share/doc/zelvora/README.md")},
        {QStringLiteral("share/doc/zelvora/copyright")},
        {QStringLiteral("share/doc/zelvora/changelog.gz")},
    };
    // The documents the README links to, beside it, so that its links work there.
    const QDir docs(QStringLiteral(ZELVORA_DOCS_DIR));
    for (const QString &name : docs.entryList({QStringLiteral("*.md")}, QDir::Files)) {
        files.append({QStringLiteral("share/doc/zelvora/docs/") + name});
    }
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256, 512}) {
        files.append({QStringLiteral("share/icons/hicolor/%1x%1/apps/").arg(size) + AppId +
                      QStringLiteral(".png")});
    }
    // Every engine package has its own copyright file and changelog.
    for (const QString &engine : engineComponents()) {
        const QString doc = QStringLiteral("share/doc/zelvora-") + engine + QLatin1Char('/');
        files.append({doc + QStringLiteral("copyright"), false, engine});
        files.append({doc + QStringLiteral("changelog.gz"), false, engine});
    }
    return files;
}

// The files under a folder, relative to it, sorted.
QStringList filesUnder(const QString &folder) {
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        found.append(QDir(folder).relativeFilePath(it.next()));
    }
    found.sort();
    return found;
}

// The RUNPATH entry of an ELF file as readelf shows it ("" when it has none); RPATH
// entries, which would beat LD_LIBRARY_PATH, are reported as "RPATH".
QString runpathOf(const QString &file) {
    QProcess readelf;
    readelf.start(QStringLiteral("readelf"), {QStringLiteral("-d"), file});
    if (!readelf.waitForFinished(60000) || readelf.exitCode() != 0) {
        return QStringLiteral("readelf failed");
    }
    QString runpath;
    for (const QByteArray &line : readelf.readAllStandardOutput().split('\n')) {
        if (line.contains("(RPATH)")) {
            return QStringLiteral("RPATH");
        }
        if (line.contains("(RUNPATH)")) {
            const qsizetype open = line.indexOf('[');
            runpath = QString::fromUtf8(line.mid(open + 1, line.lastIndexOf(']') - open - 1));
        }
    }
    return runpath;
}

} // namespace

class TestInstall : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void installedFiles_data();
    void installedFiles();
    void nothingElseInstalled();
    void componentHoldsItsFiles_data();
    void componentHoldsItsFiles();
    void namesOnlyConfiguredAddresses_data();
    void namesOnlyConfiguredAddresses();
    void runpath_data();
    void runpath();
    void commandLineNeedsNoDisplayNorEngine_data();
    void commandLineNeedsNoDisplayNorEngine();
    void installedProgramSpeaks_data();
    void installedProgramSpeaks();

private:
    QString installed(const QString &relative) const { return m_prefix.filePath(relative); }
    QTemporaryDir m_prefix;
};

void TestInstall::initTestCase() {
    QVERIFY(m_prefix.isValid());
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(QStringLiteral(ZELVORA_CMAKE),
                  {QStringLiteral("--install"), QStringLiteral(ZELVORA_BINARY_DIR),
                   QStringLiteral("--prefix"), m_prefix.path()});
    QVERIFY(install.waitForFinished(120000));
    QVERIFY2(install.exitCode() == 0, install.readAll().constData());
}

void TestInstall::installedFiles_data() {
    QTest::addColumn<QString>("relative");
    QTest::addColumn<bool>("executable");
    for (const InstalledFile &file : expectedFiles()) {
        QTest::newRow(qPrintable(file.relative)) << file.relative << file.executable;
    }
}

void TestInstall::installedFiles() {
    QFETCH(QString, relative);
    QFETCH(bool, executable);
    const QFileInfo file(installed(relative));
    QVERIFY(file.isFile());
    QVERIFY(file.size() > 0);
    QCOMPARE(file.isExecutable(), executable);
}

// Nothing more: no test double, no test, no static library.
void TestInstall::nothingElseInstalled() {
    QStringList expected;
    for (const InstalledFile &file : expectedFiles()) {
        expected.append(file.relative);
    }
    expected.sort();
    QCOMPARE(filesUnder(m_prefix.path()), expected);
}

void TestInstall::componentHoldsItsFiles_data() {
    QTest::addColumn<QString>("component");
    QTest::newRow("zelvora") << QStringLiteral("zelvora");
    for (const QString &engine : engineComponents()) {
        QTest::newRow(qPrintable(engine)) << engine;
    }
}

// Each install component, which becomes one Debian package, holds exactly its
// own files: the program and espeak-ng in the main one, each engine in its own.
void TestInstall::componentHoldsItsFiles() {
    QFETCH(QString, component);
    QTemporaryDir prefix;
    QVERIFY(prefix.isValid());
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(QStringLiteral(ZELVORA_CMAKE),
                  {QStringLiteral("--install"), QStringLiteral(ZELVORA_BINARY_DIR),
                   QStringLiteral("--component"), component, QStringLiteral("--prefix"),
                   prefix.path()});
    QVERIFY(install.waitForFinished(120000));
    QVERIFY2(install.exitCode() == 0, install.readAll().constData());
    QStringList expected;
    for (const InstalledFile &file : expectedFiles()) {
        if (file.component == component) {
            expected.append(file.relative);
        }
    }
    expected.sort();
    QCOMPARE(filesUnder(prefix.path()), expected);
}

void TestInstall::namesOnlyConfiguredAddresses_data() {
    QTest::addColumn<QString>("relative");
    QTest::addColumn<QByteArrayList>("present");
    QTest::addColumn<QByteArrayList>("absent");
    QByteArray site = ZELVORA_WEB_SITE;
    while (site.endsWith('/')) {
        site.chop(1);
    }
    const QByteArrayList siteLines{"<url type=\"homepage\">" + site + "</url>",
                                   site + "/screenshots/book-chooser.png</image>"};
    const QByteArrayList noSite{"<url", "<screenshots>"};
    QTest::newRow("metainfo") << QStringLiteral("share/metainfo/") + AppId +
                                     QStringLiteral(".metainfo.xml")
                              << (site.isEmpty() ? QByteArrayList{} : siteLines)
                              << (site.isEmpty() ? noSite : QByteArrayList{});
    const QByteArrayList contact{"Upstream-Contact: " ZELVORA_MAINTAINER "\n"};
    const QByteArray source = "\nSource: " + site + '\n';
    QTest::newRow("copyright") << QStringLiteral("share/doc/zelvora/copyright")
                               << (site.isEmpty() ? contact : contact + QByteArrayList{source})
                               << (site.isEmpty() ? QByteArrayList{"Source:"} : QByteArrayList{});
}

// The metadata and copyright file name the web site and maintainer the build was
// given, and no other address: with no site, neither a home page nor screenshots.
void TestInstall::namesOnlyConfiguredAddresses() {
    QFETCH(QString, relative);
    QFETCH(QByteArrayList, present);
    QFETCH(QByteArrayList, absent);
    QFile file(installed(relative));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    for (const QByteArray &part : present) {
        QVERIFY2(text.contains(part), part.constData());
    }
    for (const QByteArray &part : absent) {
        QVERIFY2(!text.contains(part), part.constData());
    }
    const QRegularExpression placeholder(QStringLiteral("@[A-Z_]+@"));
    QVERIFY(!placeholder.match(QString::fromUtf8(text)).hasMatch());
}

void TestInstall::runpath_data() {
    QTest::addColumn<QString>("program");
    QTest::newRow("installed") << QStringLiteral("bin/zelvora");
    QTest::newRow("build tree") << binaryDirectory() + QStringLiteral("/zelvora");
}

// One RUNPATH entry, relative to the program, naming the private engine folder,
// and that folder holds the engine beside the program in both trees.
void TestInstall::runpath() {
    QFETCH(QString, program);
    const QString path = QDir::isAbsolutePath(program) ? program : installed(program);
    const QString expected = QStringLiteral("$ORIGIN/../") + EngineFolder;
    QCOMPARE(runpathOf(path), expected);
    const QString engine = QFileInfo(path).absolutePath() + QStringLiteral("/../") + EngineFolder +
                           QStringLiteral("/libupctv.so");
    QVERIFY2(QFileInfo(engine).isFile(), qPrintable(engine));
}

void TestInstall::commandLineNeedsNoDisplayNorEngine_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QByteArray>("errorStart");
    QTest::newRow("--version") << QStringList{QStringLiteral("--version")} << 0
                               << QByteArray("zelvora " ZELVORA_VERSION "\n") << QByteArray();
    QTest::newRow("--help") << QStringList{QStringLiteral("--help")} << 0
                            << QByteArray("Usage: zelvora [options]\n") << QByteArray();
    QTest::newRow("unknown option") << QStringList{QStringLiteral("--bogus")} << 2 << QByteArray()
                                    << QByteArray("zelvora: Unknown option 'bogus'.\nUsage:");
}

// With no display reachable a window would abort the program, and the loader's
// trace would name the engine had it been loaded.
void TestInstall::commandLineNeedsNoDisplayNorEngine() {
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, output);
    QFETCH(QByteArray, errorStart);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("LD_DEBUG"), QStringLiteral("files"));
    environment.insert(QStringLiteral("LD_DEBUG_OUTPUT"), m_prefix.filePath(QStringLiteral("ld")));
    QProcess zelvora;
    zelvora.setProcessEnvironment(environment);
    zelvora.start(installed(QStringLiteral("bin/zelvora")), arguments);
    QVERIFY(zelvora.waitForFinished(60000));
    QCOMPARE(zelvora.exitStatus(), QProcess::NormalExit);
    QCOMPARE(zelvora.exitCode(), exitCode);
    const QByteArray standardOutput = zelvora.readAllStandardOutput();
    QVERIFY2(standardOutput.startsWith(output), standardOutput.constData());
    QCOMPARE(standardOutput.isEmpty(), output.isEmpty());
    const QByteArray standardError = zelvora.readAllStandardError();
    QVERIFY2(standardError.startsWith(errorStart), standardError.constData());
    QCOMPARE(standardError.isEmpty(), errorStart.isEmpty());

    QDir traces(m_prefix.path());
    const QStringList files = traces.entryList({QStringLiteral("ld.*")}, QDir::Files);
    QVERIFY(!files.isEmpty());
    for (const QString &name : files) {
        QFile trace(traces.filePath(name));
        QVERIFY(trace.open(QIODevice::ReadOnly));
        const QByteArray loaded = trace.readAll();
        QVERIFY2(!loaded.contains("libupctv"), qPrintable(name));
        QVERIFY2(!loaded.contains("libqxcb"), qPrintable(name));
        trace.close();
        QVERIFY(trace.remove());
    }
}

void TestInstall::installedProgramSpeaks_data() {
    QTest::addColumn<bool>("doubleFirst");
    QTest::newRow("the installed engine, through the RUNPATH") << false;
    QTest::newRow("an engine in LD_LIBRARY_PATH comes first") << true;
}

// The installed program, run from the temporary prefix, greets with the engine it
// finds: the espeak-ng engine beside it (writing the WAV file), or the test double
// when LD_LIBRARY_PATH names a folder holding one. A termination signal then ends
// it with status 0.
void TestInstall::installedProgramSpeaks() {
#ifdef ZELVORA_SANITIZE
    QSKIP("AddressSanitizer's dlopen does not follow the program's RUNPATH");
#endif
    QFETCH(bool, doubleFirst);
    TestEnvironment env;
    QVERIFY(env.isValid());
    EngineDirectory doubleEngine;
    QVERIFY(doubleEngine.isValid());
    const QString wav = env.path() + QStringLiteral("/speech.wav");
    const QString runtime = env.path() + QStringLiteral("/runtime");
    QVERIFY(QDir().mkpath(runtime));
    QProcessEnvironment environment = env.processEnvironment();
    environment.remove(QStringLiteral("LD_LIBRARY_PATH"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    environment.insert(QStringLiteral("UPCTV_WAV_FILE"), wav);
    if (doubleFirst) {
        environment = doubleEngine.environmentFor(environment);
    }
    QProcess zelvora;
    zelvora.setProcessEnvironment(environment);
    zelvora.setWorkingDirectory(env.path());
    zelvora.start(installed(QStringLiteral("bin/zelvora")), {});
    QVERIFY(zelvora.waitForStarted(30000));
    if (doubleFirst) {
        QTRY_VERIFY_WITH_TIMEOUT(env.log().textsRead().size() >= 1, 30000);
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(wav).size() > 44 * 4, 30000);
    }
    ::kill(static_cast<pid_t>(zelvora.processId()), SIGTERM);
    QVERIFY(zelvora.waitForFinished(60000));
    QCOMPARE(zelvora.exitStatus(), QProcess::NormalExit);
    QCOMPARE(zelvora.exitCode(), 0);
    QCOMPARE(QFileInfo::exists(wav), !doubleFirst);
    QCOMPARE(env.log().textsRead().isEmpty(), !doubleFirst);
}

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
