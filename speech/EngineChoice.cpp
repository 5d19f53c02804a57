#include "EngineChoice.h"

#include "UnitUPCTV.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cstdio>

namespace EngineChoice {

namespace {

const QString Prefix = QStringLiteral("libupctv-");
const QString Suffix = QStringLiteral(".so");

// Engine names are plain words, so that no name can reach outside the folders.
bool isPlainName(const QString &name) {
    static const QRegularExpression plain(QStringLiteral("^[a-z0-9][a-z0-9_-]*$"));
    return plain.match(name).hasMatch();
}

QString fileIn(const QString &folder, const QString &fileName) {
    const QString path = QDir(folder).filePath(fileName);
    return QFileInfo(path).isFile() ? QDir::cleanPath(path) : QString();
}

} // namespace

QString libraryFileName(const QString &name) {
    return name.isEmpty() ? QString::fromLatin1(DefaultLibrary) : Prefix + name + Suffix;
}

QStringList folders(const QString &applicationDir) {
    const QDir app(applicationDir);
    QStringList list{QDir::cleanPath(app.filePath(QStringLiteral("../lib"))),
                     QDir::cleanPath(app.filePath(QStringLiteral(ZELVORA_ENGINE_FOLDER)))};
    list.removeDuplicates();
    return list;
}

QStringList installed(const QStringList &folders) {
    QStringList names;
    for (const QString &folder : folders) {
        const QDir dir(folder);
        if (!fileIn(folder, QString::fromLatin1(DefaultLibrary)).isEmpty())
            names << QString::fromLatin1(DefaultEngineName);
        for (const QString &file :
             dir.entryList({Prefix + QLatin1Char('*') + Suffix}, QDir::Files)) {
            const QString name =
                file.mid(Prefix.size(), file.size() - Prefix.size() - Suffix.size());
            if (isPlainName(name))
                names << name;
        }
    }
    names.sort();
    names.removeDuplicates();
    return names;
}

Result choose(const QString &optionValue, const QString &environmentValue,
              const QStringList &folders) {
    const QString name = optionValue.isEmpty() ? environmentValue : optionValue;
    if (name.isEmpty())
        return {QString::fromLatin1(DefaultLibrary), {}};
    if (isPlainName(name)) {
        for (const QString &folder : folders) {
            const QString path = fileIn(folder, libraryFileName(name));
            if (!path.isEmpty())
                return {path, {}};
        }
        // The default engine answers to its name too, found the default way.
        if (name == QLatin1String(DefaultEngineName))
            return {QString::fromLatin1(DefaultLibrary), {}};
    }
    const QStringList names = installed(folders);
    return {{},
            QStringLiteral("zelvora: unknown speech engine \"%1\"; installed engines: %2")
                .arg(name,
                     names.isEmpty() ? QStringLiteral("none") : names.join(QStringLiteral(", ")))};
}

QString executableFolder() {
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget()).absolutePath();
}

bool apply(SpeechService &speech, const QString &optionValue, const QString &applicationDir) {
    const Result result =
        choose(optionValue, qEnvironmentVariable(EnvironmentVariable), folders(applicationDir));
    if (!result.ok()) {
        std::fprintf(stderr, "%s\n", result.error.toLocal8Bit().constData());
        return false;
    }
    speech.setLibraryName(result.library);
    return true;
}

} // namespace EngineChoice
