// A session that keeps saving positions is killed (SIGKILL) at random moments,
// round after round: the settings file must always parse, hold every other book's
// position, the speed and the language, and hold for each book the session saves
// a position it really saved, never an older one than before.
#include "PositionsWriterBooks.h"
#include "RandomKiller.h"
#include "SettingsFile.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <algorithm>

namespace {

const QString Writer = QStringLiteral(POSITIONS_WRITER);
constexpr int WriterBooks = 24;
constexpr int OtherBooks = 300;

QString otherBook(int i) {
    return QStringLiteral("/media/usb/biblioteca/llibre %1.txt").arg(i);
}

QByteArray preparedFile() {
    QByteArray file = "; the reader's settings\n[Zelvora]\nVelocitat de lectura=170\n"
                      "Llengua=Castell\xC3\xA0\n";
    for (int i = 0; i < OtherBooks; ++i) {
        file += otherBook(i).toUtf8() + '=' + QByteArray::number(qint64(i) * 7919) + '\n';
    }
    return file;
}

// Every line is the comment, the section header or a key line with a value: no
// torn line, no second section, nothing half-written.
bool parsesWhole(const QByteArray &file, QString &why) {
    if (!file.endsWith('\n')) {
        why = QStringLiteral("unfinished last line");
        return false;
    }
    const QList<QByteArray> lines = file.chopped(1).split('\n');
    int sections = 0;
    for (const QByteArray &line : lines) {
        const bool header = line == "[Zelvora]";
        sections += header ? 1 : 0;
        const qsizetype equals = line.indexOf('=');
        const bool keyLine = equals > 0 && equals < line.size() - 1;
        if (!header && !keyLine && line != "; the reader's settings") {
            why = QStringLiteral("stray line: ") + QString::fromUtf8(line);
            return false;
        }
    }
    why = QStringLiteral("%1 sections").arg(sections);
    return sections == 1;
}

int temporariesIn(const QString &folder) {
    return int(
        QDir(folder).entryList({QStringLiteral("*.tmp.*")}, QDir::Files | QDir::Hidden).size());
}

} // namespace

class TestKilledSession : public QObject {
    Q_OBJECT
private slots:
    void killedAtRandomMoments_data();
    void killedAtRandomMoments();
};

void TestKilledSession::killedAtRandomMoments_data() {
    QTest::addColumn<bool>("afterFirstRound"); // kill once writing is surely under way
    QTest::addColumn<int>("maxDelayMs");
    QTest::addColumn<int>("rounds");
    QTest::newRow("any moment from the start") << false << 400 << 20;
    QTest::newRow("while writing") << true << 40 << 20;
}

void TestKilledSession::killedAtRandomMoments() {
    QFETCH(bool, afterFirstRound);
    QFETCH(int, maxDelayMs);
    QFETCH(int, rounds);
    TestEnvironment env;
    QVERIFY(env.isValid());
    const QString folder = QFileInfo(env.settingsPath()).path();
    QVERIFY(QDir().mkpath(folder));
    const QByteArray prepared = preparedFile();
    QFile file(env.settingsPath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(prepared), prepared.size());
    file.close();

    RandomKiller killer;
    SettingsFile settings(env.settingsPath());
    QList<qint64> saved(WriterBooks, -1); // the last position seen for each book
    int killedMidWrite = 0;
    for (int round = 1; round <= rounds; ++round) {
        QProcess writer;
        writer.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
        const QString failed = killer.runAndKill(
            writer, Writer, {QString::number(WriterBooks), QString::number(round * 100)},
            afterFirstRound, maxDelayMs);
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        QVERIFY2(writer.exitStatus() == QProcess::CrashExit || writer.exitCode() == 0,
                 writer.readAllStandardError().constData());

        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray now = file.readAll();
        file.close();
        QString why;
        QVERIFY2(parsesWhole(now, why), qPrintable(QStringLiteral("round %1: ").arg(round) + why));
        QCOMPARE(settings.readReadingSpeed(), 170);
        QVERIFY(settings.storedLanguageIsSpanish());
        for (int i = 0; i < OtherBooks; ++i) {
            QCOMPARE(settings.readBookPosition(otherBook(i)), qint64(i) * 7919);
        }
        for (int i = 0; i < WriterBooks; ++i) {
            const QByteArray value = settings.readValue(PositionsWriterBook(i));
            if (value == "NO") {
                QCOMPARE(saved[i], qint64(-1)); // never written, never lost
                continue;
            }
            const qint64 position = value.toLongLong();
            QCOMPARE(position % 1000, qint64(i));
            QVERIFY(position / 1000 < qint64(round + 1) * 100); // by a writer started so far
            QVERIFY2(position >= saved[i], qPrintable(PositionsWriterBook(i)));
            saved[i] = position;
        }
        killedMidWrite += temporariesIn(folder) > 0 ? 1 : 0;
        QVERIFY(temporariesIn(folder) <= 1); // a writer removes what a killed one left
    }
    qInfo("%d of %d kills left a temporary file behind", killedMidWrite, rounds);
    if (afterFirstRound) { // then every writer saved each book at least once
        QVERIFY(std::all_of(saved.cbegin(), saved.cend(), [](qint64 p) { return p >= 0; }));
    }
}

QTEST_GUILESS_MAIN(TestKilledSession)
#include "tst_killedsession.moc"
