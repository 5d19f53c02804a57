#include "RandomKiller.h"

#include <QProcess>
#include <QTest>

namespace {

quint32 loggedSeed() {
    const quint32 seed = QRandomGenerator::global()->generate();
    qInfo("kill delays from seed %u", seed);
    return seed;
}

} // namespace

RandomKiller::RandomKiller() : m_random(loggedSeed()) {}

QString RandomKiller::runAndKill(QProcess &process, const QString &program,
                                 const QStringList &arguments, bool afterFirstOutput,
                                 int maxDelayMs) {
    process.start(program, arguments);
    if (!process.waitForStarted(30000))
        return QStringLiteral("did not start: ") + process.errorString();
    if (afterFirstOutput && !process.waitForReadyRead(30000))
        return QStringLiteral("wrote nothing: ") +
               QString::fromLocal8Bit(process.readAllStandardError());
    QTest::qSleep(int(m_random.bounded(maxDelayMs + 1)));
    process.kill();
    if (!process.waitForFinished(30000))
        return QStringLiteral("did not end once killed");
    return {};
}
