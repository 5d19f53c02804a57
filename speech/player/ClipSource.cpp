#include "ClipSource.h"

#include <QFile>

#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace upctv {
namespace {

class FileSource final : public ClipSource {
public:
    explicit FileSource(int fd) : m_fd(fd) {}
    ~FileSource() override { ::close(m_fd); }
    FileSource(const FileSource &) = delete;
    FileSource &operator=(const FileSource &) = delete;

    long read(void *buffer, std::size_t size) override {
        ssize_t got = 0;
        do {
            got = ::read(m_fd, buffer, size);
        } while (got < 0 && errno == EINTR);
        return static_cast<long>(got);
    }
    int64_t seek(int64_t offset, int whence) override { return ::lseek(m_fd, offset, whence); }

private:
    int m_fd;
};

class MemorySource final : public ClipSource {
public:
    explicit MemorySource(std::vector<uint8_t> bytes) : m_bytes(std::move(bytes)) {}

    long read(void *buffer, std::size_t size) override {
        const std::size_t count = std::min(size, m_bytes.size() - m_offset);
        std::memcpy(buffer, m_bytes.data() + m_offset, count);
        m_offset += count;
        return static_cast<long>(count);
    }
    int64_t seek(int64_t offset, int whence) override {
        const int64_t base = whence == SEEK_SET   ? 0
                             : whence == SEEK_CUR ? int64_t(m_offset)
                                                  : int64_t(m_bytes.size());
        const int64_t target = base + offset;
        if (target < 0 || target > int64_t(m_bytes.size()))
            return -1;
        m_offset = std::size_t(target);
        return target;
    }

private:
    std::vector<uint8_t> m_bytes;
    std::size_t m_offset = 0;
};

std::unique_ptr<ClipSource> openFile(const QString &path, std::string &error) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return nullptr;
    }
    return std::make_unique<FileSource>(fd);
}

struct ZipCloser {
    void operator()(zip_t *archive) const { zip_discard(archive); }
    void operator()(zip_file_t *file) const { zip_fclose(file); }
};

std::unique_ptr<ClipSource> openZipEntry(const QString &archivePath, const QString &entry,
                                         std::string &error) {
    int code = 0;
    std::unique_ptr<zip_t, ZipCloser> archive(
        zip_open(QFile::encodeName(archivePath).constData(), ZIP_RDONLY, &code));
    if (!archive) {
        error = "cannot open the zip";
        return nullptr;
    }
    const QByteArray name = entry.toUtf8();
    zip_int64_t index = zip_name_locate(archive.get(), name.constData(), 0);
    if (index < 0)
        index = zip_name_locate(archive.get(), name.constData(), ZIP_FL_NOCASE);
    zip_stat_t stat;
    if (index < 0 || zip_stat_index(archive.get(), zip_uint64_t(index), 0, &stat) != 0 ||
        (stat.valid & ZIP_STAT_SIZE) == 0) {
        error = "no such entry in the zip";
        return nullptr;
    }
    if (stat.size > LargestZippedAudio) {
        error = "the zip entry is too large";
        return nullptr;
    }
    std::unique_ptr<zip_file_t, ZipCloser> file(
        zip_fopen_index(archive.get(), zip_uint64_t(index), 0));
    if (!file) {
        error = "the zip entry cannot be read (encrypted?)";
        return nullptr;
    }
    // Never more than the entry says it holds, whatever its compressed data claim.
    std::vector<uint8_t> bytes(stat.size);
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const zip_int64_t got = zip_fread(file.get(), bytes.data() + filled, bytes.size() - filled);
        if (got <= 0)
            break;
        filled += std::size_t(got);
    }
    if (filled != bytes.size()) {
        error = "the zip entry is damaged";
        return nullptr;
    }
    return std::make_unique<MemorySource>(std::move(bytes));
}

} // namespace

std::unique_ptr<ClipSource> openClipSource(const AudioClip &clip, std::string &error) {
    return clip.archive.isEmpty() ? openFile(clip.file, error)
                                  : openZipEntry(clip.archive, clip.file, error);
}

} // namespace upctv
