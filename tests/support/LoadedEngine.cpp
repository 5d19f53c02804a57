#include "LoadedEngine.h"

#include <malloc.h>

#include "SpeechDispatcherServer.h"

#include <QDir>
#include <QFile>

#include <cmath>
#include <dlfcn.h>
#include <thread>

using namespace std::chrono_literals;

namespace {
// A real-time measurement: the polling, the recorder's clock, a quiet start.
constexpr double RealTimeJitterSeconds = 0.15;
} // namespace

LoadedEngine::LoadedEngine(const EngineKind &kind, const QString &wavPath, Pace pace,
                           const SpeechDispatcherServer *server)
    : m_wavPath(kind.writesWav ? wavPath : QString()), m_server(server) {
    m_exact = kind.writesWav && pace == Pace::Unpaced;
    if (kind.writesWav) {
        qputenv("UPCTV_WAV_FILE", QFile::encodeName(wavPath));
        if (pace == Pace::Default)
            qunsetenv("UPCTV_WAV_PACE");
        else
            qputenv("UPCTV_WAV_PACE", pace == Pace::RealTime ? "1" : "0");
    }
    m_handle = dlopen(QFile::encodeName(kind.library).constData(), RTLD_NOW | RTLD_LOCAL);
    if (m_handle == nullptr) {
        qWarning("%s", dlerror());
        return;
    }
    read = reinterpret_cast<int (*)(const char *)>(dlsym(m_handle, "upcTVRead"));
    stop = reinterpret_cast<int (*)()>(dlsym(m_handle, "upcTVStop"));
    status = reinterpret_cast<int (*)(int)>(dlsym(m_handle, "upcTVStatus"));
    setSpeed = reinterpret_cast<int (*)(int)>(dlsym(m_handle, "upcTVSetSpeed"));
    setLanguage = reinterpret_cast<int (*)(int)>(dlsym(m_handle, "upcTVSetLanguage"));
    setSpeaker = reinterpret_cast<int (*)(int)>(dlsym(m_handle, "upcTVSetSpeaker"));
}

LoadedEngine::~LoadedEngine() {
    if (m_handle != nullptr)
        dlclose(m_handle);
    qunsetenv("UPCTV_WAV_FILE");
    qunsetenv("UPCTV_WAV_PACE");
}

bool LoadedEngine::isLoaded() const {
    return read && stop && status && setSpeed && setLanguage && setSpeaker;
}

Audio LoadedEngine::audio() const {
    if (!m_wavPath.isEmpty())
        return readWav(m_wavPath);
    return m_server != nullptr ? m_server->played() : Audio{};
}

bool LoadedEngine::waitIdle(std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (status(0) != 0) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

double LoadedEngine::spokenSeconds(const char *text) {
    // A WAV file, paced or not, holds exactly what was said, however busy the
    // machine.
    if (!m_wavPath.isEmpty()) {
        const size_t before = audio().samples.size();
        read(text);
        return waitIdle() ? audio().seconds(before) : -1;
    }
    // How long the sink played speech: unlike the busy time, free of the
    // moments a server takes to start a stream and of the gaps a busy machine
    // leaves in the sound.
    if (m_server != nullptr) {
        const size_t before = audio().samples.size();
        read(text);
        return waitIdle() ? audio().voicedSeconds(before) : -1;
    }
    const auto start = std::chrono::steady_clock::now();
    read(text);
    if (!waitIdle())
        return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool LoadedEngine::near(double a, double b, double relative) const {
    return std::abs(a - b) <= relative * b + (m_exact ? 0 : RealTimeJitterSeconds);
}

long heapInUseKilobytes() {
    const struct mallinfo2 heap = mallinfo2();
    return long((heap.uordblks + heap.hblkhd) / 1024);
}

qsizetype threadCount() {
    return QDir(QStringLiteral("/proc/self/task"))
        .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
        .size();
}

bool engineIsMapped() {
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libupctv");
}
