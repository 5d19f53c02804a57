#include "BackgroundExport.h"

#include "ExportOptions.h"
#include "ExportProgress.h"
#include "Messages.h"

#include <QFileInfo>

#include <algorithm>
#include <utility>

namespace {

constexpr int AnnounceCheckMs = 500;
constexpr int StopWaitMs = 5000;

QByteArray in(bool catalan, const Phrase &phrase) {
    return catalan ? phrase.catalan : phrase.spanish;
}

} // namespace

BackgroundExport::BackgroundExport(std::function<bool()> idle,
                                   std::function<void(const QByteArray &)> say)
    : m_idle(std::move(idle)), m_say(std::move(say)),
      m_program(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget()) {
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(&m_process, &QProcess::readyReadStandardOutput, this, &BackgroundExport::readLines);
    connect(&m_process, &QProcess::finished, this, &BackgroundExport::ended);
    m_announcer.setInterval(AnnounceCheckMs);
    connect(&m_announcer, &QTimer::timeout, this, &BackgroundExport::announceWhenIdle);
}

BackgroundExport::~BackgroundExport() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.disconnect(this);
        m_process.terminate(); // SIGTERM: the export removes its partial file
        if (!m_process.waitForFinished(StopWaitMs))
            m_process.kill();
        m_process.waitForFinished(StopWaitMs);
    }
}

QString BackgroundExport::engineNameOf(const QString &library) {
    const QString name = QFileInfo(library).fileName();
    if (name.startsWith(QStringLiteral("libupctv-")) && name.endsWith(QStringLiteral(".so")))
        return name.mid(9, name.size() - 12);
    return {};
}

void BackgroundExport::exportOrTell(const QString &book, const QString &engineLibrary, int speed,
                                    bool catalan) {
    if (m_process.state() != QProcess::NotRunning) {
        m_say(status());
        return;
    }
    m_catalan = catalan;
    m_done = m_total = 0;
    m_pending.clear();
    QStringList arguments{
        QStringLiteral("--export"),   book,
        QStringLiteral("--speed"),    QString::number(std::clamp(speed, 10, 300)),
        QStringLiteral("--language"), catalan ? QStringLiteral("ca") : QStringLiteral("es")};
    if (const QString engine = engineNameOf(engineLibrary); !engine.isEmpty())
        arguments << QStringLiteral("--engine") << engine;
    m_process.start(m_program, arguments);
    m_say(in(catalan, Messages::ExportStarted));
}

QByteArray BackgroundExport::status() const {
    if (m_process.state() == QProcess::NotRunning)
        return {};
    return in(m_catalan, Messages::ExportRunning) + QByteArray::number(m_done) +
           in(m_catalan, Messages::ExportChaptersOf) + QByteArray::number(m_total) +
           in(m_catalan, Messages::ExportChapters);
}

void BackgroundExport::readLines() {
    while (m_process.canReadLine()) {
        const QByteArray line = m_process.readLine().trimmed();
        int done = 0;
        int total = 0;
        if (ExportProgress::parseChapterLine(line, done, total)) {
            m_done = done;
            m_total = total;
        } else if (const qsizetype end = line.indexOf(" files in "); end > 0) {
            m_total = line.left(end).toInt(); // the last line: every file, skipped ones too
        }
    }
}

void BackgroundExport::ended(int exitCode, QProcess::ExitStatus status) {
    readLines();
    if (status == QProcess::NormalExit && exitCode == ExportStatus::Done)
        m_pending = in(m_catalan, Messages::ExportDone) + QByteArray::number(m_total) +
                    in(m_catalan, Messages::ExportDoneFiles);
    else if (status == QProcess::NormalExit && exitCode == ExportStatus::CannotSynthesise)
        m_pending = in(m_catalan, Messages::ExportEngineRefused);
    else
        m_pending = in(m_catalan, Messages::ExportFailed);
    m_announcer.start();
}

void BackgroundExport::announceWhenIdle() {
    if (m_pending.isEmpty() || !m_idle()) {
        return;
    }
    m_announcer.stop();
    m_say(std::exchange(m_pending, {}));
}
