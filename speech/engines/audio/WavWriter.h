#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace upctv {

// A mono 16-bit PCM WAV file that grows as samples are appended. The header's
// two sizes are rewritten after every append, so the file is a readable WAV at any
// moment, even when the process is killed half-way. Not thread-safe: one thread
// owns it. The file descriptor is closed by the destructor.
class WavWriter {
public:
    WavWriter() = default;
    ~WavWriter();
    WavWriter(const WavWriter &) = delete;
    WavWriter &operator=(const WavWriter &) = delete;

    // Creates or truncates `path` and writes a header for an empty file at
    // `sampleRate`. Returns false, with nothing open, when the file cannot be
    // created or written; errno tells why.
    bool open(const std::string &path, int sampleRate);
    bool isOpen() const { return m_fd >= 0; }

    // Appends `count` samples (host order, written little-endian) and updates the
    // header. Returns false when the write fails; the file then stays consistent
    // with what was written before.
    bool append(const int16_t *samples, size_t count);

    // Samples in the file so far.
    uint64_t sampleCount() const { return m_dataBytes / 2; }

    void close();

private:
    bool writeHeader();
    bool writeSizes();
    int m_fd = -1;
    int m_sampleRate = 0;
    uint64_t m_dataBytes = 0;
};

} // namespace upctv
