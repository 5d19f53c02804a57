#include "SpeechDispatcherServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

#include <csignal>
#include <cstring>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr int StartTimeoutMs = 20000;

// True once something accepts connections on the unix socket `path`.
bool accepts(const QString &path) {
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (size_t(name.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool connected =
        fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    if (fd >= 0)
        close(fd);
    return connected;
}

bool waitUntilAccepting(const QString &path, const QProcess &owner) {
    QDeadlineTimer deadline(StartTimeoutMs);
    while (!accepts(path)) {
        if (deadline.hasExpired() || owner.state() == QProcess::NotRunning)
            return false;
        QThread::msleep(20);
    }
    return true;
}

void end(QProcess &process) {
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

} // namespace

SpeechDispatcherServer::SpeechDispatcherServer() = default;

SpeechDispatcherServer::~SpeechDispatcherServer() {
    end(m_dispatcher);
    end(m_recorder);
    end(m_pulse);
    if (m_started)
        restoreEnvironment();
}

QString SpeechDispatcherServer::socketPath() const {
    return m_dir.filePath(QStringLiteral("speechd.sock"));
}

bool SpeechDispatcherServer::startProcess(QProcess &process, const QString &program,
                                          const QStringList &arguments) {
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty()) {
        m_reason = program + QStringLiteral(" is not installed");
        return false;
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), m_dir.filePath(QStringLiteral("home")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.filePath(QStringLiteral("run")));
    environment.insert(QStringLiteral("PULSE_SERVER"),
                       QStringLiteral("unix:") + m_dir.filePath(QStringLiteral("pulse-native")));
    process.setProcessEnvironment(environment);
    // Ended with the test even when it crashes or is killed.
    process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    process.setStandardInputFile(QProcess::nullDevice());
    if (&process != &m_recorder)
        process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(m_dir.filePath(program + QStringLiteral(".err")));
    process.start(path, arguments);
    if (!process.waitForStarted(StartTimeoutMs)) {
        m_reason = program + QStringLiteral(" did not start");
        return false;
    }
    return true;
}

bool SpeechDispatcherServer::writeConfiguration() {
    const QDir dir(m_dir.path());
    for (const char *folder : {"home", "run", "conf/modules", "log"}) {
        if (!dir.mkpath(QLatin1String(folder)))
            return false;
    }
    QFile::setPermissions(dir.filePath(QStringLiteral("run")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile module(dir.filePath(QStringLiteral("conf/modules/espeak-ng.conf")));
    QFile conf(dir.filePath(QStringLiteral("conf/speechd.conf")));
    if (!module.open(QIODevice::WriteOnly) || !conf.open(QIODevice::WriteOnly))
        return false;
    const QByteArray text = "LogLevel 2\nLogDir \"" +
                            QFile::encodeName(dir.filePath(QStringLiteral("log"))) +
                            "\"\n"
                            "AudioOutputMethod \"pulse\"\n"
                            "AddModule \"espeak-ng\" \"sd_espeak-ng\" \"espeak-ng.conf\"\n"
                            "DefaultModule espeak-ng\n";
    return conf.write(text) == text.size();
}

bool SpeechDispatcherServer::start() {
    if (!m_dir.isValid() || !writeConfiguration()) {
        m_reason = QStringLiteral("cannot write the configuration");
        return false;
    }
    const QString pulseSocket = m_dir.filePath(QStringLiteral("pulse-native"));
    const QString sink = QStringLiteral("module-null-sink sink_name=null rate=%1").arg(SampleRate);
    const QString native =
        QStringLiteral("module-native-protocol-unix socket=%1 auth-anonymous=1").arg(pulseSocket);
    if (!startProcess(m_pulse, QStringLiteral("pulseaudio"),
                      {QStringLiteral("-n"), QStringLiteral("--daemonize=no"),
                       QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--use-pid-file=no"),
                       QStringLiteral("-L"), sink, QStringLiteral("-L"), native}))
        return false;
    if (!waitUntilAccepting(pulseSocket, m_pulse)) {
        m_reason = QStringLiteral("the private PulseAudio server did not come up");
        return false;
    }
    m_recorder.setStandardOutputFile(m_dir.filePath(QStringLiteral("played.raw")));
    if (!startProcess(m_recorder, QStringLiteral("parec"),
                      {QStringLiteral("-d"), QStringLiteral("null.monitor"),
                       QStringLiteral("--rate=%1").arg(SampleRate), QStringLiteral("--channels=1"),
                       QStringLiteral("--format=s16le"), QStringLiteral("--latency-msec=20")}))
        return false;
    if (!noteRecordingStart()) {
        m_reason = QStringLiteral("the recorder of the null sink records nothing");
        return false;
    }
    if (!startProcess(m_dispatcher, QStringLiteral("speech-dispatcher"),
                      {QStringLiteral("-s"), QStringLiteral("-t"), QStringLiteral("0"),
                       QStringLiteral("-C"), m_dir.filePath(QStringLiteral("conf")),
                       QStringLiteral("-c"), QStringLiteral("unix_socket"), QStringLiteral("-S"),
                       socketPath()}))
        return false;
    if (!waitUntilAccepting(socketPath(), m_dispatcher)) {
        m_reason = QStringLiteral("the private speech-dispatcher did not come up");
        return false;
    }
    m_hadAddress = qEnvironmentVariableIsSet("SPEECHD_ADDRESS");
    m_savedAddress = qgetenv("SPEECHD_ADDRESS");
    m_hadPulse = qEnvironmentVariableIsSet("PULSE_SERVER");
    m_savedPulse = qgetenv("PULSE_SERVER");
    qputenv("SPEECHD_ADDRESS", "unix_socket:" + QFile::encodeName(socketPath()));
    qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(pulseSocket));
    m_started = true;
    return true;
}

void SpeechDispatcherServer::restoreEnvironment() {
    if (m_hadAddress)
        qputenv("SPEECHD_ADDRESS", m_savedAddress);
    else
        qunsetenv("SPEECHD_ADDRESS");
    if (m_hadPulse)
        qputenv("PULSE_SERVER", m_savedPulse);
    else
        qunsetenv("PULSE_SERVER");
}

bool SpeechDispatcherServer::noteRecordingStart() {
    // The null sink plays silence when nothing else plays, so the recording
    // grows in step with the clock from its first bytes on.
    QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired()) {
        const qint64 bytes = recordedBytes();
        if (bytes > 0) {
            m_recordingStart = std::chrono::steady_clock::now() -
                               std::chrono::microseconds(bytes / 2 * 1000000 / SampleRate);
            return true;
        }
        QThread::msleep(10);
    }
    return false;
}

Audio SpeechDispatcherServer::played(int quietMs) const {
    // What was played until now is all in the recording once the recording
    // reaches now (the sink's clock is the wall clock) and ends in `quietMs`
    // of silence. A busy machine may hold the recorder back, and leave gaps
    // of silence in a stream it starved, so waiting for silence alone could
    // take such a gap for the end. Whatever it holds after 30 s otherwise.
    const auto margin = std::chrono::milliseconds(300);
    const auto recorded = std::chrono::steady_clock::now() + margin - m_recordingStart;
    const size_t reached =
        size_t(std::chrono::duration_cast<std::chrono::milliseconds>(recorded).count()) *
        SampleRate / 1000;
    const size_t quiet = size_t(quietMs) * SampleRate / 1000;
    QDeadlineTimer deadline(30000);
    for (;;) {
        Audio audio = readRawAudio(m_dir.filePath(QStringLiteral("played.raw")), SampleRate);
        const size_t size = audio.samples.size();
        if ((size >= reached && size >= quiet && audio.peak(size - quiet) <= 1000) ||
            deadline.hasExpired())
            return audio;
        QThread::msleep(50);
    }
}

qint64 SpeechDispatcherServer::recordedBytes() const {
    return QFileInfo(m_dir.filePath(QStringLiteral("played.raw"))).size();
}

void SpeechDispatcherServer::killSpeechDispatcher() {
    end(m_dispatcher);
}
