#include "WavWriter.h"

#include <algorithm>
#include <array>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace upctv {
namespace {

constexpr size_t HeaderBytes = 44;
constexpr off_t RiffSizeOffset = 4;
constexpr off_t DataSizeOffset = 40;
// The data chunk of a RIFF file cannot exceed 4 GiB; past that the file keeps
// growing but the sizes stay at the largest value they can hold.
constexpr uint64_t MaxDataBytes = 0xFFFFFFFFull - (HeaderBytes - 8);

void put16(uint8_t *at, uint16_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

void put32(uint8_t *at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}

// A copy of its own, not the program's writeAll (shell/FileDescriptor.h): the
// engine is a shared library that must not link any of the program's libraries.
bool writeAll(int fd, const uint8_t *data, size_t size, off_t offset) {
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, size, offset);
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
        offset += n;
    }
    return true;
}

} // namespace

WavWriter::~WavWriter() {
    close();
}

bool WavWriter::open(const std::string &path, int sampleRate) {
    close();
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (m_fd < 0)
        return false;
    m_sampleRate = sampleRate;
    m_dataBytes = 0;
    if (!writeHeader()) {
        close();
        return false;
    }
    return true;
}

void WavWriter::close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool WavWriter::writeHeader() {
    std::array<uint8_t, HeaderBytes> h{};
    const auto tag = [&h](size_t at, const char *four) {
        for (size_t i = 0; i < 4; ++i)
            h[at + i] = static_cast<uint8_t>(four[i]);
    };
    tag(0, "RIFF");
    put32(&h[4], HeaderBytes - 8);
    tag(8, "WAVE");
    tag(12, "fmt ");
    put32(&h[16], 16);                                      // size of the fmt chunk
    put16(&h[20], 1);                                       // PCM
    put16(&h[22], 1);                                       // mono
    put32(&h[24], static_cast<uint32_t>(m_sampleRate));     // samples a second
    put32(&h[28], static_cast<uint32_t>(m_sampleRate) * 2); // bytes a second
    put16(&h[32], 2);                                       // bytes a frame
    put16(&h[34], 16);                                      // bits a sample
    tag(36, "data");
    put32(&h[40], 0);
    return writeAll(m_fd, h.data(), h.size(), 0);
}

bool WavWriter::writeSizes() {
    const auto data = static_cast<uint32_t>(std::min(m_dataBytes, MaxDataBytes));
    std::array<uint8_t, 4> riff{};
    std::array<uint8_t, 4> size{};
    put32(riff.data(), data + (HeaderBytes - 8));
    put32(size.data(), data);
    return writeAll(m_fd, riff.data(), 4, RiffSizeOffset) &&
           writeAll(m_fd, size.data(), 4, DataSizeOffset);
}

bool WavWriter::append(const int16_t *samples, size_t count) {
    if (m_fd < 0)
        return false;
    std::vector<uint8_t> bytes(count * 2);
    for (size_t i = 0; i < count; ++i)
        put16(&bytes[2 * i], static_cast<uint16_t>(samples[i]));
    const auto offset = static_cast<off_t>(HeaderBytes + m_dataBytes);
    if (!writeAll(m_fd, bytes.data(), bytes.size(), offset))
        return false;
    m_dataBytes += bytes.size();
    return writeSizes();
}

} // namespace upctv
