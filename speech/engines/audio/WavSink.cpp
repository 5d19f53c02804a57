#include "WavSink.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace upctv {

WavSink::WavSink(const std::string &path, int sampleRate, bool paced) : m_paced(paced) {
    if (!m_writer.open(path, sampleRate))
        std::fprintf(stderr, "upctv: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
}

bool WavSink::write(const int16_t *samples, size_t count) {
    if (m_writer.append(samples, count))
        return true;
    if (!m_failureReported)
        std::fprintf(stderr, "upctv: writing the WAV file failed: %s\n", std::strerror(errno));
    m_failureReported = true;
    return false;
}

} // namespace upctv
