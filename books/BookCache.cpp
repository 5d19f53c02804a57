#include "BookCache.h"

#include "BookFormat.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 StaleTemporarySeconds = 3600;
constexpr qsizetype NameHexDigits = 32;
const QString CacheSuffix = QStringLiteral(".txt");
// A recorded book's phrase table, beside its index text: same name, this suffix.
const QString PhrasesSuffix = QStringLiteral(".phrases");

QString phrasesPathOf(const QString &cachedText) {
    return cachedText.chopped(CacheSuffix.size()) + PhrasesSuffix;
}

bool isRegularFile(const QString &path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
}
const QString TemporaryPrefix = QStringLiteral(".tmp-");

qint64 modifiedNs(const struct stat &info) {
    return qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

// Looks at the first two bytes of a regular file only, and without blocking, so
// that a FIFO or device named like a book is never waited on.
bool isUtf16File(const QString &path) {
    const QByteArray name = QFile::encodeName(path);
    struct stat info {};
    if (::stat(name.constData(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    char head[2] = {};
    const ssize_t got = ::read(fd, head, sizeof head);
    ::close(fd);
    return got == 2 && Extraction::isUtf16Text(QByteArray(head, 2));
}

bool writeAll(int fd, const QByteArray &bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += n;
    }
    return true;
}

struct CacheEntry {
    QString path;
    qint64 size = 0;
    qint64 usedNs = 0;
};

} // namespace

BookCache::BookCache(QString folder, qint64 limit) : m_folder(std::move(folder)), m_limit(limit) {}

QString BookCache::defaultFolder() {
    const QString xdg = qEnvironmentVariable("XDG_CACHE_HOME");
    const QString base = xdg.startsWith(u'/') ? xdg : QDir::homePath() + u"/.cache"_s;
    return base + u"/zelvora"_s;
}

QString BookCache::cachePathOf(const QString &bookPath) const {
    struct stat info {};
    if (bookPath.isEmpty() || ::stat(QFile::encodeName(bookPath).constData(), &info) != 0 ||
        !S_ISREG(info.st_mode)) {
        return QString();
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(bookPath.toUtf8());
    hash.addData(QByteArrayView("\0", 1));
    hash.addData(QByteArray::number(qint64(info.st_size)) + '\0' +
                 QByteArray::number(modifiedNs(info)) + '\0' +
                 QByteArray::number(Extraction::Version));
    const QString name = QString::fromLatin1(hash.result().toHex().left(NameHexDigits));
    return m_folder + u'/' + name + CacheSuffix;
}

BookText BookCache::textOf(const QString &bookPath) {
    const BookFormat format = BookFormats::formatOf(bookPath);
    if (format == BookFormat::Unknown ||
        (format == BookFormat::PlainText && !isUtf16File(bookPath))) {
        return {ExtractionStatus::Ok, bookPath, false, {}};
    }
    const QString cached = cachePathOf(bookPath);
    if (cached.isEmpty()) {
        return {ExtractionStatus::CannotOpen, bookPath, false, {}};
    }
    const QByteArray cachedName = QFile::encodeName(cached);
    struct stat info {};
    if (::stat(cachedName.constData(), &info) == 0 && S_ISREG(info.st_mode)) {
        ::utimensat(AT_FDCWD, cachedName.constData(), nullptr, 0); // used now
        const QString phrases = phrasesPathOf(cached);
        return {ExtractionStatus::Ok, cached, true, isRegularFile(phrases) ? phrases : QString()};
    }
    const Extracted extracted = Extraction::extractBook(bookPath);
    if (extracted.status != ExtractionStatus::Ok) {
        return {extracted.status, bookPath, false, {}};
    }
    // The phrase table first: a text in the cache always has its table beside it.
    const QString phrases = extracted.phrases.isEmpty() ? QString() : phrasesPathOf(cached);
    if ((!phrases.isEmpty() && !write(phrases, extracted.phrases)) ||
        !write(cached, extracted.text)) {
        return {ExtractionStatus::CannotOpen, bookPath, false, {}};
    }
    trim(cached);
    return {ExtractionStatus::Ok, cached, true, phrases};
}

bool BookCache::write(const QString &target, const QByteArray &text) const {
    if (!QDir().mkpath(m_folder) ||
        ::chmod(QFile::encodeName(m_folder).constData(), S_IRWXU) != 0) {
        return false;
    }
    QByteArray temporary = QFile::encodeName(m_folder + u'/' + TemporaryPrefix) + "XXXXXX";
    const int fd = ::mkstemp(temporary.data()); // mode 0600
    if (fd < 0) {
        return false;
    }
    const bool written = writeAll(fd, text) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed ||
        ::rename(temporary.constData(), QFile::encodeName(target).constData()) != 0) {
        ::unlink(temporary.constData());
        return false;
    }
    return true;
}

void BookCache::trim(const QString &keep) const {
    QList<CacheEntry> entries;
    qint64 total = 0;
    const qint64 nowNs = qint64(::time(nullptr)) * 1000000000;
    const QStringList names = QDir(m_folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString &name : names) {
        const QString path = m_folder + u'/' + name;
        struct stat info {};
        if (::lstat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode)) {
            continue;
        }
        if (name.startsWith(TemporaryPrefix)) {
            if (nowNs - modifiedNs(info) > StaleTemporarySeconds * 1000000000) {
                QFile::remove(path);
            }
            continue;
        }
        if (name.size() == NameHexDigits + CacheSuffix.size() && name.endsWith(CacheSuffix)) {
            entries.append({path, qint64(info.st_size), modifiedNs(info)});
            total += info.st_size;
        } else if (name.size() == NameHexDigits + PhrasesSuffix.size() &&
                   name.endsWith(PhrasesSuffix)) {
            total += info.st_size; // removed with its text
        }
    }
    std::sort(entries.begin(), entries.end(), [](const CacheEntry &a, const CacheEntry &b) {
        return a.usedNs != b.usedNs ? a.usedNs < b.usedNs : a.path < b.path;
    });
    for (const CacheEntry &entry : entries) {
        if (total <= m_limit) {
            break;
        }
        if (entry.path != keep && QFile::remove(entry.path)) {
            total -= entry.size;
            const QString phrases = phrasesPathOf(entry.path);
            const qint64 phrasesSize = QFileInfo(phrases).size();
            if (QFile::remove(phrases)) {
                total -= phrasesSize;
            }
        }
    }
}
