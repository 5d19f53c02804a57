#include "EngineChoice.h"

#include "LibraryProbe.h"
#include "UnitUPCTV.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
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

QStringList packagedSeparately() {
    return QStringLiteral(ZELVORA_SEPARATE_ENGINES).split(QLatin1Char(','), Qt::SkipEmptyParts);
}

QString packageOf(const QString &name) {
    return packagedSeparately().contains(name) ? QLatin1String(PackagePrefix) + name : QString();
}

QStringList installed(const QStringList &folders) {
    // The file each name would load: the first folder holding it.
    QMap<QString, QString> files;
    for (const QString &folder : folders) {
        const QString defaultFile = fileIn(folder, QString::fromLatin1(DefaultLibrary));
        if (!defaultFile.isEmpty() && !files.contains(QLatin1String(DefaultEngineName)))
            files.insert(QString::fromLatin1(DefaultEngineName), defaultFile);
        for (const QString &file :
             QDir(folder).entryList({Prefix + QLatin1Char('*') + Suffix}, QDir::Files)) {
            const QString name =
                file.mid(Prefix.size(), file.size() - Prefix.size() - Suffix.size());
            if (isPlainName(name) && !files.contains(name))
                files.insert(name, QDir(folder).filePath(file));
        }
    }
    QStringList names;
    for (auto file = files.cbegin(); file != files.cend(); ++file) {
        if (loadProblemInChild(file.value()).isEmpty())
            names << file.key();
    }
    return names; // a QMap's keys come sorted
}

namespace {

// The loader names the file by its whole path; its name is enough in one line.
QString briefReason(QString reason, const QString &path) {
    return reason.replace(path, QFileInfo(path).fileName());
}

Result notLoaded(const QString &name, const QString &path, const QString &reason) {
    const QString package = packageOf(name);
    const QString why =
        reason.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(briefReason(reason, path));
    if (package.isEmpty())
        return {
            {},
            QStringLiteral("zelvora: the speech engine \"%1\" cannot be loaded%2").arg(name, why),
            {}};
    return {{},
            QStringLiteral(
                "zelvora: the speech engine \"%1\" is not installed; install the package %2%3")
                .arg(name, package, why),
            package};
}

Result unknown(const QString &name, const QStringList &folders) {
    const QStringList names = installed(folders);
    return {
        {},
        QStringLiteral("zelvora: unknown speech engine \"%1\"; installed engines: %2")
            .arg(name, names.isEmpty() ? QStringLiteral("none") : names.join(QStringLiteral(", "))),
        {}};
}

} // namespace

Result choose(const QString &optionValue, const QString &environmentValue,
              const QStringList &folders) {
    const QString name = optionValue.isEmpty() ? environmentValue : optionValue;
    if (name.isEmpty())
        return {QString::fromLatin1(DefaultLibrary), {}, {}};
    if (!isPlainName(name))
        return unknown(name, folders);
    for (const QString &folder : folders) {
        const QString path = fileIn(folder, libraryFileName(name));
        if (path.isEmpty())
            continue;
        const QString problem = SpeechService::loadProblem(path);
        return problem.isEmpty() ? Result{path, {}, {}} : notLoaded(name, path, problem);
    }
    // The default engine answers to its name too, found the default way.
    if (name == QLatin1String(DefaultEngineName))
        return {QString::fromLatin1(DefaultLibrary), {}, {}};
    if (!packageOf(name).isEmpty())
        return notLoaded(name, {}, {});
    return unknown(name, folders);
}

QString executableFolder() {
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget()).absolutePath();
}

Result apply(SpeechService &speech, const QString &optionValue, const QString &applicationDir) {
    const Result result =
        choose(optionValue, qEnvironmentVariable(EnvironmentVariable), folders(applicationDir));
    if (result.ok())
        speech.setLibraryName(result.library);
    else
        std::fprintf(stderr, "%s\n", result.error.toLocal8Bit().constData());
    return result;
}

} // namespace EngineChoice
