// Start-up with an unusual settings file: 10,000 books, or nothing but random
// bytes. The real program must greet with the idle menu and write nothing while
// it starts; a whole session in-process, closed through the main window, must
// keep every stored position and every byte it did not mean to change.
#include "DoubleLog.h"
#include "EngineDirectory.h"
#include "Engines.h"
#include "ReaderState.h"
#include "SettingsFile.h"
#include "SpokenMenus.h"
#include "Startup.h"
#include "TFormPrincipal.h"
#include "TestEnvironment.h"
#include "UnitUPCTV.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

constexpr int ManyBooks = 10000;

QString bookPath(int i) {
    return QStringLiteral("/home/lector/llibres/autor %1/llibre %2.txt").arg(i / 10).arg(i);
}

qint64 positionOf(int i) {
    return qint64(i) * 123457;
}

// The speed comes last, so that reading it takes the whole file.
QByteArray manyBooks() {
    QByteArray file = "[Zelvora]\n";
    for (int i = 0; i < ManyBooks; ++i) {
        file += bookPath(i).toUtf8() + '=' + QByteArray::number(positionOf(i)) + '\n';
    }
    return file + "Velocitat de lectura=200\n";
}

QByteArray randomBytes() {
    const quint32 seed = QRandomGenerator::global()->generate();
    qInfo("random settings file from seed %u", seed);
    QRandomGenerator random(seed);
    QByteArray bytes(64 * 1024, Qt::Uninitialized);
    random.fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
    return bytes;
}

// Every key line of the file, read in one pass (the settings module reads the
// whole file for every key, too slow for 10,000 checks).
QHash<QByteArray, QByteArray> keyLines(const QByteArray &file) {
    QHash<QByteArray, QByteArray> lines;
    for (const QByteArray &line : file.split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (equals > 0 && !lines.contains(line.left(equals))) {
            lines.insert(line.left(equals), line.mid(equals + 1));
        }
    }
    return lines;
}

void verifyEveryPosition(const QByteArray &file) {
    const QHash<QByteArray, QByteArray> lines = keyLines(file);
    for (int i = 0; i < ManyBooks; ++i) {
        QCOMPARE(lines.value(bookPath(i).toUtf8()), QByteArray::number(positionOf(i)));
    }
}

} // namespace

class TestLargeSettings : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void programStarts_data() { settingsFiles(); }
    void programStarts();
    void sessionKeepsStoredBytes_data() { settingsFiles(); }
    void sessionKeepsStoredBytes();

private:
    void settingsFiles();
    void writeSettings(const QByteArray &bytes) const;
    QByteArray readSettings() const;

    std::unique_ptr<TestEnvironment> m_env;
};

void TestLargeSettings::initTestCase() {
    m_env = std::make_unique<TestEnvironment>();
    QVERIFY(m_env->isValid());
    m_env->setMsPerByte(1);
    QCOMPARE(Settings().path(), m_env->settingsPath());
    QVERIFY(QDir().mkpath(QFileInfo(m_env->settingsPath()).path()));
}

void TestLargeSettings::init() {
    Speech().ReleaseSpeechLibrary();
    Speech().setLibraryName(doubleEnginePath());
    Speech().ReadingSpeed = SpeechService::DefaultReadingSpeed;
    Speech().CatalanActive = true;
    State() = ReaderState{};
    m_env->log().clear();
}

void TestLargeSettings::settingsFiles() {
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<int>("speed");
    QTest::newRow("10,000 books") << manyBooks() << 200;
    QTest::newRow("random bytes") << randomBytes() << 140;
}

void TestLargeSettings::writeSettings(const QByteArray &bytes) const {
    QFile file(m_env->settingsPath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray TestLargeSettings::readSettings() const {
    QFile file(m_env->settingsPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// The real executable greets with the idle menu at the stored speed and writes
// nothing before its exit (it is killed, as a logout would, once it has greeted).
void TestLargeSettings::programStarts() {
    QFETCH(QByteArray, settings);
    QFETCH(int, speed);
    writeSettings(settings);
    EngineDirectory engine;
    QVERIFY(engine.isValid());
    BuildCatalanMenus();
    const QByteArray greeting = State().IdleMenuText + ' ';

    QProcessEnvironment environment = m_env->processEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess zelvora;
    zelvora.setProcessEnvironment(engine.environmentFor(environment));
    zelvora.setWorkingDirectory(m_env->path());
    zelvora.start(binaryDirectory() + QStringLiteral("/zelvora"), {});
    QVERIFY(zelvora.waitForStarted(30000));
    const DoubleLog log = m_env->log();
    const bool greeted = log.waitUntil(
        [&](const QList<DoubleCall> &calls) {
            return std::any_of(calls.begin(), calls.end(),
                               [&](const DoubleCall &call) { return call.text == greeting; });
        },
        60000);
    const bool stillRunning = zelvora.state() == QProcess::Running;
    zelvora.kill();
    zelvora.waitForFinished(30000);
    QVERIFY2(greeted,
             qPrintable(log.dump() + QString::fromLocal8Bit(zelvora.readAllStandardError())));
    QVERIFY(stillRunning);
    QCOMPARE(log.steps().mid(0, 2),
             (QStringList{QStringLiteral("load"), QStringLiteral("upcTVSetSpeed %1").arg(speed)}));
    QVERIFY(readSettings() == settings);
}

// In-process, from start-up to the close: the exit saves speed and language and
// nothing else changes (for random bytes: a section is added after them).
void TestLargeSettings::sessionKeepsStoredBytes() {
    QFETCH(QByteArray, settings);
    QFETCH(int, speed);
    writeSettings(settings);
    Startup startup;
    QVERIFY(startup.start());
    QCOMPARE(Speech().ReadingSpeed, speed);
    TFormPrincipal &form = *startup.mainWindow();
    const DoubleLog log = m_env->log();
    QTimer::singleShot(0, &form, [&] {
        const bool greeted = log.waitUntil([](const QList<DoubleCall> &calls) {
            return std::any_of(calls.begin(), calls.end(), [](const DoubleCall &call) {
                return call.text == State().IdleMenuText + ' ';
            });
        });
        QVERIFY2(greeted, qPrintable(log.dump()));
        QTest::keyClick(&form, Qt::Key_R); // a key before the close, as a user would
        form.close();
    });
    QTimer::singleShot(90000, &form, [] { QCoreApplication::exit(99); });
    QCOMPARE(startup.exec(), 0);
    QVERIFY(startup.hasClosed());

    const QByteArray after = readSettings();
    SettingsFile stored(m_env->settingsPath());
    QCOMPARE(stored.readReadingSpeed(), speed);
    QCOMPARE(stored.readValue(QLatin1String(SettingsFile::LanguageKey)), QByteArray("Català"));
    if (speed == 200) {
        verifyEveryPosition(after);
        QCOMPARE(after.size(), settings.size() + qsizetype(std::strlen("Llengua=Català\n")));
    } else {
        QVERIFY(after.startsWith(settings));
    }
}

QTEST_MAIN(TestLargeSettings)
#include "tst_largesettings.moc"
