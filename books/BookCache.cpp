#include "BookCache.h"

#include "BookFormat.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <QHash>

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

// One book's files in the cache (its text, its structure or both), trimmed as one.
struct CacheEntry {
    QStringList paths;
    qint64 size = 0;
    qint64 usedNs = 0;
};

bool isFile(const QString &path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

std::optional<BookStructure> readStructure(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return BookStructure::parse(file.readAll());
}

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
    const QString structure = structurePathFor(cached);
    if (isFile(cached) && isFile(structure)) {
        ::utimensat(AT_FDCWD, QFile::encodeName(cached).constData(), nullptr, 0); // used now
        ::utimensat(AT_FDCWD, QFile::encodeName(structure).constData(), nullptr, 0);
        const QString phrases = phrasesPathOf(cached);
        return {ExtractionStatus::Ok, cached, true, isFile(phrases) ? phrases : QString()};
    }
    Extracted extracted = Extraction::extractBook(bookPath);
    if (extracted.status != ExtractionStatus::Ok) {
        return {extracted.status, bookPath, false, {}};
    }
    extracted.structure.finish(extracted.text.size());
    // The phrase table and the structure first: a text in the cache always has
    // them beside it.
    const QString phrases = extracted.phrases.isEmpty() ? QString() : phrasesPathOf(cached);
    if ((!phrases.isEmpty() && !write(phrases, extracted.phrases)) ||
        !write(structure, extracted.structure.serialized()) || !write(cached, extracted.text)) {
        return {ExtractionStatus::CannotOpen, bookPath, false, {}};
    }
    trim(cached);
    return {ExtractionStatus::Ok, cached, true, phrases};
}

QString BookCache::structurePathFor(const QString &cachePath, Found found) {
    QString path = cachePath;
    path.chop(CacheSuffix.size());
    path += found == Found::ByExtractor ? StructureSuffix : LinesSuffix;
    return path;
}

std::optional<BookStructure> BookCache::structureOf(const QString &bookPath, Found found) const {
    const QString cached = cachePathOf(bookPath);
    if (cached.isEmpty()) {
        return std::nullopt;
    }
    return readStructure(structurePathFor(cached, found));
}

bool BookCache::keepLineStructure(const QString &bookPath, const BookStructure &structure) {
    const QString cached = cachePathOf(bookPath);
    if (cached.isEmpty() ||
        !write(structurePathFor(cached, Found::ByLineScan), structure.serialized())) {
        return false;
    }
    trim(cached);
    return true;
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
    QHash<QString, CacheEntry> books; // by the name's hash part
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
        const auto named = [&name](QStringView suffix) {
            return name.size() == NameHexDigits + suffix.size() && name.endsWith(suffix);
        };
        const bool known = named(CacheSuffix) || named(StructureSuffix) || named(LinesSuffix) ||
                           named(PhrasesSuffix);
        if (known) {
            CacheEntry &entry = books[name.left(NameHexDigits)];
            entry.paths.append(path);
            entry.size += info.st_size;
            // An extracted text's own time says when it was used; its structure
            // is renewed with it.
            if (named(CacheSuffix) || entry.usedNs == 0) {
                entry.usedNs = modifiedNs(info);
            }
            total += info.st_size;
        }
    }
    const QString kept = keep.mid(m_folder.size() + 1, NameHexDigits);
    QList<std::pair<QString, CacheEntry>> entries;
    for (auto it = books.cbegin(); it != books.cend(); ++it) {
        entries.append({it.key(), it.value()});
    }
    std::sort(entries.begin(), entries.end(), [](const auto &a, const auto &b) {
        return a.second.usedNs != b.second.usedNs ? a.second.usedNs < b.second.usedNs
                                                  : a.first < b.first;
    });
    for (const auto &[name, entry] : entries) {
        if (total <= m_limit) {
            break;
        }
        if (name == kept) {
            continue;
        }
        for (const QString &path : entry.paths) {
            QFile::remove(path);
        }
        total -= entry.size;
    }
}
