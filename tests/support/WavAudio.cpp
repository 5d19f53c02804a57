#include "WavAudio.h"

#include <QByteArray>
#include <QFile>

#include <algorithm>
#include <cmath>

namespace {

quint32 le32(const QByteArray &b, int at) {
    return quint32(quint8(b[at])) | quint32(quint8(b[at + 1])) << 8 |
           quint32(quint8(b[at + 2])) << 16 | quint32(quint8(b[at + 3])) << 24;
}

quint16 le16(const QByteArray &b, int at) {
    return quint16(quint8(b[at]) | quint8(b[at + 1]) << 8);
}

void decodeSamples(Audio &audio, const QByteArray &bytes, int from) {
    audio.samples.resize(size_t(bytes.size() - from) / 2);
    for (size_t i = 0; i < audio.samples.size(); ++i)
        audio.samples[i] = int16_t(le16(bytes, from + 2 * int(i)));
}

} // namespace

double Audio::seconds(size_t from) const {
    return rate > 0 ? double(samples.size() - std::min(from, samples.size())) / rate : 0;
}

double Audio::rms(size_t from) const {
    double sum = 0;
    for (size_t i = from; i < samples.size(); ++i)
        sum += double(samples[i]) * samples[i];
    return samples.size() > from ? std::sqrt(sum / double(samples.size() - from)) : 0;
}

int Audio::peak(size_t from) const {
    int p = 0;
    for (size_t i = from; i < samples.size(); ++i)
        p = std::max(p, std::abs(int(samples[i])));
    return p;
}

double Audio::soundingSeconds(size_t from, int level) const {
    size_t first = samples.size(), last = 0;
    for (size_t i = from; i < samples.size(); ++i) {
        if (std::abs(int(samples[i])) > level) {
            first = std::min(first, i);
            last = i;
        }
    }
    return first < samples.size() && rate > 0 ? double(last - first) / rate : 0;
}

namespace {
bool isQuiet(int16_t sample) {
    return std::abs(int(sample)) <= 16;
}
} // namespace

double Audio::quietSecondsAtEnd(size_t from) const {
    size_t end = samples.size();
    while (end > from && isQuiet(samples[end - 1]))
        --end;
    return rate > 0 ? double(samples.size() - end) / rate : 0;
}

double Audio::longestInnerQuiet(size_t from) const {
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

double Audio::voicedSeconds(size_t from, int level) const {
    const size_t frame = size_t(std::max(1, rate / 100));
    size_t voiced = 0;
    for (size_t at = from; at < samples.size(); at += frame) {
        const size_t end = std::min(samples.size(), at + frame);
        voiced += std::any_of(samples.begin() + long(at), samples.begin() + long(end),
                              [level](int16_t s) { return std::abs(int(s)) > level; })
                      ? 1
                      : 0;
    }
    return rate > 0 ? double(voiced * frame) / rate : 0;
}

Audio readWav(const QString &path) {
    QFile file(path);
    Audio wav;
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
    decodeSamples(wav, b, 44);
    wav.valid = wav.rate > 0 && le32(b, 28) == quint32(wav.rate) * 2;
    return wav;
}

Audio readRawAudio(const QString &path, int rate) {
    QFile file(path);
    Audio audio;
    if (!file.open(QIODevice::ReadOnly))
        return audio;
    decodeSamples(audio, file.readAll(), 0);
    audio.rate = rate;
    audio.valid = true;
    return audio;
}

double medianPitch(const Audio &wav, size_t from) {
    const int frame = wav.rate / 25;
    const int minLag = wav.rate / 400, maxLag = wav.rate / 60;
    std::vector<double> pitches;
    for (size_t at = from; at + frame + maxLag < wav.samples.size(); at += frame) {
        const int16_t *x = wav.samples.data() + at;
        double energy = 0;
        for (int i = 0; i < frame; ++i)
            energy += double(x[i]) * x[i];
        if (std::sqrt(energy / frame) < 1500)
            continue;
        int bestLag = 0;
        double best = 0;
        for (int lag = minLag; lag <= maxLag; ++lag) {
            double c = 0;
            for (int i = 0; i < frame; ++i)
                c += double(x[i]) * x[i + lag];
            if (c > best)
                best = c, bestLag = lag;
        }
        if (bestLag > 0 && best > 0.5 * energy)
            pitches.push_back(double(wav.rate) / bestLag);
    }
    if (pitches.empty())
        return 0;
    std::nth_element(pitches.begin(), pitches.begin() + pitches.size() / 2, pitches.end());
    return pitches[pitches.size() / 2];
}
