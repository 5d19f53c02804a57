#include "LoadedEngine.h"

#include <QByteArray>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <dlfcn.h>
#include <thread>

namespace {

bool isQuiet(int16_t sample) {
    return std::abs(int(sample)) <= 16;
}

quint32 le32(const QByteArray &b, int at) {
    return quint32(quint8(b[at])) | quint32(quint8(b[at + 1])) << 8 |
           quint32(quint8(b[at + 2])) << 16 | quint32(quint8(b[at + 3])) << 24;
}

quint16 le16(const QByteArray &b, int at) {
    return quint16(quint8(b[at]) | quint8(b[at + 1]) << 8);
}

} // namespace

double Wav::seconds(size_t from) const {
    return rate > 0 ? double(samples.size() - std::min(from, samples.size())) / rate : 0;
}

double Wav::rms(size_t from) const {
    double sum = 0;
    for (size_t i = from; i < samples.size(); ++i)
        sum += double(samples[i]) * samples[i];
    return samples.size() > from ? std::sqrt(sum / double(samples.size() - from)) : 0;
}

int Wav::peak(size_t from) const {
    int p = 0;
    for (size_t i = from; i < samples.size(); ++i)
        p = std::max(p, std::abs(int(samples[i])));
    return p;
}

double Wav::quietSecondsAtEnd(size_t from) const {
    size_t end = samples.size();
    while (end > from && isQuiet(samples[end - 1]))
        --end;
    return rate > 0 ? double(samples.size() - end) / rate : 0;
}

double Wav::longestInnerQuiet(size_t from) const {
    size_t end = samples.size();
    while (end > from && isQuiet(samples[end - 1]))
        --end;
    size_t longest = 0, run = 0;
    for (size_t i = from; i < end; ++i) {
        run = isQuiet(samples[i]) ? run + 1 : 0;
        if (run < i + 1 - from) // not the silence before the first sound
            longest = std::max(longest, run);
    }
    return rate > 0 ? double(longest) / rate : 0;
}

Wav readWav(const QString &path) {
    QFile file(path);
    Wav wav;
    if (!file.open(QIODevice::ReadOnly))
        return wav;
    const QByteArray b = file.readAll();
    if (b.size() < 44 || !b.startsWith("RIFF") || b.mid(8, 8) != "WAVEfmt " ||
        b.mid(36, 4) != "data")
        return wav;
    const quint32 dataBytes = le32(b, 40);
    if (le16(b, 20) != 1 || le16(b, 22) != 1 || le16(b, 34) != 16 || le32(b, 4) != dataBytes + 36 ||
        dataBytes != quint32(b.size() - 44))
        return wav;
    wav.rate = int(le32(b, 24));
    wav.samples.resize(dataBytes / 2);
    for (size_t i = 0; i < wav.samples.size(); ++i)
        wav.samples[i] = int16_t(le16(b, 44 + 2 * int(i)));
    wav.valid = wav.rate > 0 && le32(b, 28) == quint32(wav.rate) * 2;
    return wav;
}

LoadedEngine::LoadedEngine(const QString &wavPath, Pace pace) : m_wavPath(wavPath) {
    qputenv("UPCTV_WAV_FILE", QFile::encodeName(wavPath));
    if (pace == Pace::Default)
        qunsetenv("UPCTV_WAV_PACE");
    else
        qputenv("UPCTV_WAV_PACE", pace == Pace::RealTime ? "1" : "0");
    m_handle = dlopen(ZELVORA_ESPEAK_ENGINE, RTLD_NOW | RTLD_LOCAL);
    if (m_handle == nullptr)
        return;
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

bool LoadedEngine::waitIdle(std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (status(0) != 0) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

double LoadedEngine::spokenSeconds(const char *text) {
    const size_t before = wav().samples.size();
    read(text);
    return waitIdle() ? wav().seconds(before) : -1;
}
