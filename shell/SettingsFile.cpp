#include "SettingsFile.h"

#include "FileDescriptor.h"
#include "FileLock.h"
#include "IniFormat.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr QByteArrayView Section("Zelvora");
constexpr QByteArrayView NotFound("NO");
// A read gives at most 49 bytes of a value (a 50-byte buffer with its NUL).
constexpr qsizetype ReadLimit = 49;
constexpr int DefaultSpeed = 140;
constexpr qint64 DefaultPosition = 0;
constexpr QByteArrayView CatalanValue("Catal\xC3\xA0");
constexpr QByteArrayView SpanishValue("Castell\xC3\xA0");
// Files written on Windows hold the Windows-1252 spelling.
constexpr QByteArrayView SpanishValueWindows1252("Castell\xE0");
// Temporary files are named <settings file>.tmp.XXXXXX, beside the file.
constexpr char TemporaryInfix[] = ".tmp.";
constexpr qsizetype TemporaryRandomLength = 6;

IniFormat::KeyMatch matchFor(const QString &key) {
    const bool fixedKey =
        key.compare(QLatin1String(SettingsFile::SpeedKey), Qt::CaseInsensitive) == 0 ||
        key.compare(QLatin1String(SettingsFile::LanguageKey), Qt::CaseInsensitive) == 0;
    return fixedKey ? IniFormat::KeyMatch::IgnoreCase : IniFormat::KeyMatch::Exact;
}

// A whole decimal integer: an optional sign and digits, nothing else, in range.
template <typename Int> std::optional<Int> parseDecimal(QByteArrayView text) {
    const bool plusSign = text.startsWith('+');
    if (plusSign) {
        text = text.sliced(1);
    }
    const bool minusSign = !plusSign && text.startsWith('-');
    const QByteArrayView digits = minusSign ? text.sliced(1) : text;
    if (digits.isEmpty() || digits.front() < '0' || digits.front() > '9') {
        return std::nullopt;
    }
    Int value{};
    const char *end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return value;
}

// Reads `fd` to its end; nullopt on a read error.
std::optional<QByteArray> readToEnd(int fd, qsizetype expectedSize) {
    QByteArray buffer(expectedSize + 1, Qt::Uninitialized);
    qsizetype size = 0;
    for (;;) {
        if (size == buffer.size()) {
            buffer.resize(buffer.size() * 2);
        }
        const ssize_t got = ::read(fd, buffer.data() + size, size_t(buffer.size() - size));
        if (got == 0) {
            buffer.truncate(size);
            return buffer;
        }
        if (got > 0) {
            size += got;
        } else if (errno != EINTR) {
            return std::nullopt;
        }
    }
}

// The whole file: empty when it does not exist, nullopt when it exists but cannot
// be read or is not a regular file (a FIFO would block the read for ever).
std::optional<QByteArray> readWholeFile(const QByteArray &path) {
    const FileDescriptor file(::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!file.isOpen()) {
        return errno == ENOENT ? std::optional<QByteArray>(QByteArray()) : std::nullopt;
    }
    struct stat info {};
    std::optional<QByteArray> bytes;
    if (::fstat(file.get(), &info) == 0 && S_ISREG(info.st_mode)) {
        bytes = readToEnd(file.get(), qsizetype(info.st_size));
    }
    return bytes;
}

// Creates `folder` and any missing parent, each with mode 0700.
bool ensureFolder(const QByteArray &folder) {
    struct stat info {};
    if (::stat(folder.constData(), &info) == 0) {
        return S_ISDIR(info.st_mode);
    }
    if (errno != ENOENT) {
        return false;
    }
    const qsizetype slash = folder.lastIndexOf('/');
    if (slash > 0 && !ensureFolder(folder.first(slash))) {
        return false;
    }
    return ::mkdir(folder.constData(), 0700) == 0 || errno == EEXIST;
}

void syncFolderOf(const QByteArray &path) {
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray folder = slash > 0 ? path.first(slash) : QByteArray(slash == 0 ? "/" : ".");
    const FileDescriptor handle(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (handle.isOpen()) {
        ::fsync(handle.get()); // makes the rename itself survive a power cut; best effort
    }
}

// Replaces `target` by a file holding `content`, all or nothing: the bytes go to a
// temporary file beside it, reach the disk, and only then take its name.
bool replaceFile(const QByteArray &target, QByteArrayView content) {
    QByteArray temporary = target + TemporaryInfix + QByteArray(TemporaryRandomLength, 'X');
    FileDescriptor file(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!file.isOpen()) {
        return false;
    }
    bool written = ::fchmod(file.get(), 0600) == 0 && writeAll(file.get(), content) &&
                   ::fsync(file.get()) == 0;
    written = file.close() && written;
    if (!written || ::rename(temporary.constData(), target.constData()) != 0) {
        ::unlink(temporary.constData());
        return false;
    }
    syncFolderOf(target);
    return true;
}

// Removes temporary files left by a writer that was killed mid-write. Called with
// the lock held, when no other writer can be using one.
void removeLeftoverTemporaries(const QString &target) {
    const QFileInfo info(target);
    const QString prefix = info.fileName() + QLatin1String(TemporaryInfix);
    const QDir folder = info.dir();
    const QStringList names = folder.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        if (name.size() == prefix.size() + TemporaryRandomLength && name.startsWith(prefix)) {
            QFile::remove(folder.filePath(name));
        }
    }
}

// The file a write replaces: the target of a symbolic link, so that a settings
// file linked from elsewhere stays linked.
QString replacedFile(const QString &path) {
    const QFileInfo info(path);
    if (info.isSymLink()) {
        const QString target = info.canonicalFilePath();
        if (!target.isEmpty()) {
            return target;
        }
    }
    return path;
}

} // namespace

SettingsFile::SettingsFile(QString filePath) : m_path(std::move(filePath)) {}

QString SettingsFile::defaultPath() {
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the XDG rules say.
    QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (configHome.isEmpty() || QDir::isRelativePath(configHome)) {
        configHome = QDir::homePath() + QStringLiteral("/.config");
    }
    return QDir::cleanPath(configHome + QStringLiteral("/zelvora/Tirova2001.ini"));
}

QString SettingsFile::lockPath() const {
    return m_path + QStringLiteral(".lock");
}

QByteArray SettingsFile::readValue(const QString &key) const {
    const std::optional<QByteArray> file = readWholeFile(QFile::encodeName(m_path));
    if (!file || key.isEmpty()) {
        return NotFound.toByteArray();
    }
    const std::optional<QByteArrayView> value =
        IniFormat::findValue(*file, Section, key.toUtf8(), matchFor(key));
    if (!value) {
        return NotFound.toByteArray();
    }
    return value->first(qMin(value->size(), ReadLimit)).toByteArray();
}

bool SettingsFile::writeValue(const QString &key, const QByteArray &value) {
    return writeValues({{key, value}});
}

bool SettingsFile::writeValues(const QList<std::pair<QString, QByteArray>> &values) {
    for (const auto &[key, value] : values) {
        if (key.isEmpty() || !IniFormat::isStorableValue(value)) {
            return false;
        }
    }
    if (!ensureFolder(QFile::encodeName(QFileInfo(m_path).absolutePath()))) {
        return false;
    }
    const FileLock lock(lockPath(), m_lockTimeout);
    if (!lock.isLocked()) {
        return false;
    }
    const QString target = replacedFile(m_path);
    removeLeftoverTemporaries(target);
    const QByteArray targetName = QFile::encodeName(target);
    std::optional<QByteArray> content = readWholeFile(targetName);
    if (!content) {
        return false; // never replace what could not be read
    }
    for (const auto &[key, value] : values) {
        content = IniFormat::withValue(*content, Section, key.toUtf8(), matchFor(key), value);
    }
    return replaceFile(targetName, *content);
}

bool SettingsFile::removeLeftoverTemporaryFiles() {
    if (!QFileInfo(m_path).absoluteDir().exists()) {
        return true; // no folder, nothing left over; not created just for this
    }
    const FileLock lock(lockPath(), std::chrono::milliseconds(0));
    if (!lock.isLocked()) {
        return false;
    }
    removeLeftoverTemporaries(replacedFile(m_path));
    return true;
}

int SettingsFile::readReadingSpeed() const {
    const QByteArray text = readValue(QLatin1String(SpeedKey));
    return text == NotFound ? DefaultSpeed : parseDecimal<int>(text).value_or(DefaultSpeed);
}

bool SettingsFile::storedLanguageIsSpanish() const {
    const QByteArray text = readValue(QLatin1String(LanguageKey));
    return text == SpanishValue || text == SpanishValueWindows1252;
}

qint64 SettingsFile::readBookPosition(const QString &bookPath) const {
    const QByteArray text = readValue(bookPath);
    return text == NotFound ? DefaultPosition
                            : parseDecimal<qint64>(text).value_or(DefaultPosition);
}

bool SettingsFile::writeBookPosition(const QString &bookPath, qint64 position) {
    return writeValue(bookPath, QByteArray::number(position));
}

bool SettingsFile::writeReadingSpeed(int speed) {
    return writeValue(QLatin1String(SpeedKey), QByteArray::number(speed));
}

bool SettingsFile::writeLanguage(bool catalanActive) {
    return writeValue(QLatin1String(LanguageKey),
                      (catalanActive ? CatalanValue : SpanishValue).toByteArray());
}

bool SettingsFile::writeExitSettings(const QString &bookPath, qint64 position, int speed,
                                     bool catalanActive) {
    QList<std::pair<QString, QByteArray>> values;
    if (!bookPath.isEmpty()) {
        values.append({bookPath, QByteArray::number(position)});
    }
    values.append({QLatin1String(SpeedKey), QByteArray::number(speed)});
    values.append(
        {QLatin1String(LanguageKey), (catalanActive ? CatalanValue : SpanishValue).toByteArray()});
    return writeValues(values);
}

SettingsFile &Settings() {
    static SettingsFile settings(SettingsFile::defaultPath());
    return settings;
}
