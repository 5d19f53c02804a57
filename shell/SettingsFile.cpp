#include "SettingsFile.h"

#include "IniFormat.h"

#include <QDir>

#include <charconv>
#include <optional>

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

} // namespace

SettingsFile::SettingsFile(QString filePath) : m_file(std::move(filePath)) {}

QString SettingsFile::defaultPath() {
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the XDG rules say.
    QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (configHome.isEmpty() || QDir::isRelativePath(configHome)) {
        configHome = QDir::homePath() + QStringLiteral("/.config");
    }
    return QDir::cleanPath(configHome + QStringLiteral("/zelvora/Tirova2001.ini"));
}

QString SettingsFile::lockPath() const {
    return m_file.lockPath();
}

QByteArray SettingsFile::readValue(const QString &key) const {
    const std::optional<QByteArray> file = m_file.read();
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
    return m_file.update([&values](const QByteArray &current) -> std::optional<QByteArray> {
        QByteArray content = current;
        for (const auto &[key, value] : values) {
            content = IniFormat::withValue(content, Section, key.toUtf8(), matchFor(key), value);
        }
        return content;
    });
}

bool SettingsFile::removeLeftoverTemporaryFiles() {
    return m_file.removeLeftoverTemporaryFiles();
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
