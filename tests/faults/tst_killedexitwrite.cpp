// The exit's write (the book's position, the speed and the language) is killed
// (SIGKILL) at random moments, round after round, while it is being repeated with
// new values: the settings file must always hold the three values of one and the
// same exit, never a new position with an old speed or language, and keep every
// other key.
#include "RandomKiller.h"
#include "SettingsFile.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

namespace {

const QString Writer = QStringLiteral(SETTINGSFILE_WRITER);
const QString Book = QStringLiteral("/home/lector/llibres/La tortuga.txt");
constexpr int OtherBooks = 50;

QString otherBook(int i) {
    return QStringLiteral("/media/usb/llibre %1.txt").arg(i);
}

// Round 0 of the writer: position 0, speed 0, Catalan (even rounds are Catalan).
QByteArray preparedFile() {
    QByteArray file =
        "[Zelvora]\nVelocitat de lectura=0\nLlengua=Catal\xC3\xA0\n" + Book.toUtf8() + "=0\n";
    for (int i = 0; i < OtherBooks; ++i) {
        file += otherBook(i).toUtf8() + '=' + QByteArray::number(i * 31) + '\n';
    }
    return file;
}

} // namespace

class TestKilledExitWrite : public QObject {
    Q_OBJECT
private slots:
    void killedAtAnyStep_data();
    void killedAtAnyStep();
};

void TestKilledExitWrite::killedAtAnyStep_data() {
    QTest::addColumn<bool>("afterFirstWrite"); // kill once writing is surely under way
    QTest::addColumn<int>("maxDelayMs");
    QTest::addColumn<int>("rounds");
    QTest::newRow("any moment from the start") << false << 200 << 15;
    QTest::newRow("while writing") << true << 30 << 25;
}

void TestKilledExitWrite::killedAtAnyStep() {
    QFETCH(bool, afterFirstWrite);
    QFETCH(int, maxDelayMs);
    QFETCH(int, rounds);
    TestEnvironment env;
    QVERIFY(env.isValid());
    QVERIFY(QDir().mkpath(QFileInfo(env.settingsPath()).path()));
    QFile file(env.settingsPath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(preparedFile()), preparedFile().size());
    file.close();

    RandomKiller killer;
    const SettingsFile settings(env.settingsPath());
    int changed = 0;
    for (int round = 1; round <= rounds; ++round) {
        QProcess writer;
        const QString failed = killer.runAndKill(
            writer, Writer, {env.settingsPath(), QStringLiteral("exit"), Book, QStringLiteral("0")},
            afterFirstWrite, maxDelayMs);
        QVERIFY2(failed.isEmpty(), qPrintable(failed));

        const qint64 position = settings.readBookPosition(Book);
        QCOMPARE(qint64(settings.readReadingSpeed()), position);
        QCOMPARE(settings.storedLanguageIsSpanish(), position % 2 == 1);
        for (int i = 0; i < OtherBooks; ++i) {
            QCOMPARE(settings.readBookPosition(otherBook(i)), qint64(i) * 31);
        }
        changed += position > 0 ? 1 : 0;
    }
    qInfo("%d of %d rounds left new values", changed, rounds);
    if (afterFirstWrite) {
        QCOMPARE(changed, rounds);
    }
}

QTEST_GUILESS_MAIN(TestKilledExitWrite)
#include "tst_killedexitwrite.moc"
