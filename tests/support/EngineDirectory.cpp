#include "EngineDirectory.h"

#include "Engines.h"

#include <QFile>

EngineDirectory::EngineDirectory(const QString &engine) {
    m_valid = m_dir.isValid() && linkTo(engine.isEmpty() ? doubleEnginePath() : engine);
}

bool EngineDirectory::isValid() const {
    return m_valid;
}

QString EngineDirectory::path() const {
    return m_dir.path();
}

QString EngineDirectory::libraryPath() const {
    return m_dir.filePath(QStringLiteral("libupctv.so"));
}

bool EngineDirectory::linkTo(const QString &engine) {
    QFile::remove(libraryPath());
    return engine.isEmpty() || QFile::link(engine, libraryPath());
}

QProcessEnvironment EngineDirectory::environmentFor(QProcessEnvironment environment) const {
    const QString key = QStringLiteral("LD_LIBRARY_PATH");
    const QString previous = environment.value(key);
    environment.insert(key, previous.isEmpty() ? path() : path() + u':' + previous);
    return environment;
}
