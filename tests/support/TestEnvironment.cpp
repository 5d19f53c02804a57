#include "TestEnvironment.h"

#include <QDir>
#include <QFile>

TestEnvironment::TestEnvironment() {
    QDir().mkpath(configHome());
    set("XDG_CONFIG_HOME", QFile::encodeName(configHome()));
    set("XDG_CACHE_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("cache"))));
    set("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("data"))));
    set("UPCTV_DOUBLE_LOG", QFile::encodeName(log().path()));
}

TestEnvironment::~TestEnvironment() {
    // Restore in reverse, so a variable set twice ends with its first old value.
    for (auto it = m_saved.crbegin(); it != m_saved.crend(); ++it) {
        if (it->wasSet) {
            qputenv(it->name.constData(), it->value);
        } else {
            qunsetenv(it->name.constData());
        }
    }
}

bool TestEnvironment::isValid() const {
    return m_dir.isValid();
}

QString TestEnvironment::path() const {
    return m_dir.path();
}

QString TestEnvironment::configHome() const {
    return m_dir.filePath(QStringLiteral("config"));
}

QString TestEnvironment::settingsPath() const {
    return configHome() + QStringLiteral("/zelvora/Tirova2001.ini");
}

QString TestEnvironment::bookmarksPath() const {
    return m_dir.filePath(QStringLiteral("data/zelvora/Marcadors.ini"));
}

DoubleLog TestEnvironment::log() const {
    return DoubleLog(m_dir.filePath(QStringLiteral("upctv.log")));
}

void TestEnvironment::setMsPerByte(int ms) {
    set("UPCTV_DOUBLE_MS_PER_BYTE", QByteArray::number(ms));
}

void TestEnvironment::set(const char *name, const QByteArray &value) {
    m_saved.append({QByteArray(name), qgetenv(name), qEnvironmentVariableIsSet(name)});
    qputenv(name, value);
}

QProcessEnvironment TestEnvironment::processEnvironment() const {
    return QProcessEnvironment::systemEnvironment();
}
