#include "TempoStretcher.h"

#include <sonic.h>

#include <algorithm>
#include <climits>

namespace upctv {

namespace {

constexpr double SlowestTempo = 0.1;
constexpr double FastestTempo = 6.0;

sonicStream streamOf(void *stream) {
    return static_cast<sonicStream>(stream);
}

} // namespace

TempoStretcher::TempoStretcher(int sampleRate)
    : m_stream(sonicCreateStream(sampleRate, 1)), m_sampleRate(sampleRate) {}

TempoStretcher::~TempoStretcher() {
    if (m_stream != nullptr) {
        sonicDestroyStream(streamOf(m_stream));
    }
}

void TempoStretcher::setTempo(double tempo) {
    m_tempo = std::clamp(tempo, SlowestTempo, FastestTempo);
    if (m_stream != nullptr) {
        sonicSetSpeed(streamOf(m_stream), float(m_tempo));
    }
}

void TempoStretcher::write(const int16_t *samples, std::size_t count) {
    // sonic takes a non-const pointer but only reads the samples.
    auto *input = const_cast<short *>(reinterpret_cast<const short *>(samples));
    while (m_stream != nullptr && count > 0) {
        const int piece = int(std::min<std::size_t>(count, INT_MAX / 2));
        sonicWriteShortToStream(streamOf(m_stream), input, piece);
        input += piece;
        count -= std::size_t(piece);
    }
}

void TempoStretcher::flush() {
    if (m_stream != nullptr) {
        sonicFlushStream(streamOf(m_stream));
    }
}

std::size_t TempoStretcher::read(int16_t *out, std::size_t max) {
    if (m_stream == nullptr || max == 0) {
        return 0;
    }
    const int got = sonicReadShortFromStream(streamOf(m_stream), reinterpret_cast<short *>(out),
                                             int(std::min<std::size_t>(max, INT_MAX / 2)));
    return got > 0 ? std::size_t(got) : 0;
}

std::size_t TempoStretcher::available() const {
    const int ready = m_stream != nullptr ? sonicSamplesAvailable(streamOf(m_stream)) : 0;
    return ready > 0 ? std::size_t(ready) : 0;
}

void TempoStretcher::clear() {
    // libsonic has no way to empty a stream: a new one takes its place.
    if (m_stream != nullptr) {
        sonicDestroyStream(streamOf(m_stream));
    }
    m_stream = sonicCreateStream(m_sampleRate, 1);
    setTempo(m_tempo);
}

std::vector<int16_t> changeTempo(const std::vector<int16_t> &samples, double tempo,
                                 int sampleRate) {
    TempoStretcher stretcher(sampleRate);
    stretcher.setTempo(tempo);
    stretcher.write(samples.data(), samples.size());
    stretcher.flush();
    std::vector<int16_t> out(stretcher.available());
    out.resize(stretcher.read(out.data(), out.size()));
    return out;
}

} // namespace upctv
