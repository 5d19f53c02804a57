#include "ZipArchive.h"

#include <QFile>

#include <zip.h>

namespace {

constexpr qint64 ChunkSize = 64 * 1024;

// Closes an entry however its read ends.
class ZipEntry {
public:
    ZipEntry(zip *archive, qint64 index)
        : m_file(zip_fopen_index(archive, zip_uint64_t(index), 0)) {}
    ~ZipEntry() {
        if (m_file != nullptr) {
            zip_fclose(m_file);
        }
    }
    ZipEntry(const ZipEntry &) = delete;
    ZipEntry &operator=(const ZipEntry &) = delete;
    zip_file_t *get() const { return m_file; }

private:
    zip_file_t *m_file;
};

} // namespace

ZipArchive::~ZipArchive() {
    if (m_zip != nullptr) {
        zip_discard(m_zip);
    }
}

bool ZipArchive::open(const QString &path) {
    int error = 0;
    m_zip = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    return m_zip != nullptr;
}

qint64 ZipArchive::indexOf(const QByteArray &name) const {
    if (m_zip == nullptr || name.isEmpty()) {
        return -1;
    }
    const zip_int64_t exact = zip_name_locate(m_zip, name.constData(), ZIP_FL_ENC_RAW);
    if (exact >= 0) {
        return exact;
    }
    return zip_name_locate(m_zip, name.constData(), ZIP_FL_ENC_RAW | ZIP_FL_NOCASE);
}

QByteArray ZipArchive::firstNameEndingWith(const QByteArray &suffix) const {
    const QList<QByteArray> names = namesEndingWith(suffix, 1);
    return names.isEmpty() ? QByteArray() : names.constFirst();
}

QList<QByteArray> ZipArchive::namesEndingWith(const QByteArray &suffix, qsizetype most) const {
    QList<QByteArray> names;
    const QByteArray lowerSuffix = suffix.toLower();
    const zip_int64_t count = m_zip != nullptr ? zip_get_num_entries(m_zip, 0) : 0;
    for (zip_int64_t i = 0; i < count && names.size() < most; ++i) {
        const char *name = zip_get_name(m_zip, zip_uint64_t(i), ZIP_FL_ENC_RAW);
        const QByteArray entry = name != nullptr ? QByteArray(name) : QByteArray();
        if (entry.toLower().endsWith(lowerSuffix) && !entry.startsWith("__MACOSX/")) {
            names.append(entry);
        }
    }
    return names;
}

ZipArchive::Read ZipArchive::read(const QByteArray &name, qint64 limit, QByteArray &bytes) {
    bytes.clear();
    const qint64 index = indexOf(name);
    if (index < 0) {
        return Read::Missing;
    }
    const ZipEntry entry(m_zip, index);
    if (entry.get() == nullptr) {
        return Read::Broken; // an unknown method or encryption, a damaged header
    }
    const qint64 bound = std::min(limit, m_budget);
    for (;;) {
        const qsizetype had = bytes.size();
        bytes.resize(had + ChunkSize);
        const zip_int64_t got = zip_fread(entry.get(), bytes.data() + had, zip_uint64_t(ChunkSize));
        if (got < 0) {
            bytes.clear();
            return Read::Broken;
        }
        bytes.resize(had + got);
        if (bytes.size() > bound) {
            bytes.clear();
            return Read::TooLarge;
        }
        if (got == 0) {
            break;
        }
    }
    m_budget -= bytes.size();
    return Read::Ok;
}
