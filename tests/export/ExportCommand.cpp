#include "ExportCommand.h"

#include "BookMaker.h"

namespace ExportCommand {

QString writeThreeChapterBook(const QString &folder, int sentencesPerChapter) {
    QByteArray html = "<html><head><title>Llibre</title></head><body>";
    const char *titles[] = {"Primer capítol", "Segon/capítol", "Tercer"};
    for (int chapter = 0; chapter < 3; ++chapter) {
        html += QByteArray("<h1>") + titles[chapter] + "</h1><p>";
        const int sentences = chapter == 0 ? 2 * sentencesPerChapter : sentencesPerChapter;
        for (int i = 0; i < sentences; ++i)
            html += "Aquesta és la frase número " + QByteArray::number(i + 1) + " del capítol. ";
        html += "</p>";
    }
    const QString path = folder + QStringLiteral("/llibre.html");
    return BookMaker::writeFile(path, html + "</body></html>") ? path : QString();
}

void start(QProcess &process, const TestEnvironment &env, const QString &book,
           const QStringList &arguments) {
    QProcessEnvironment environment = env.processEnvironment();
    environment.remove(QStringLiteral("ZELVORA_ENGINE"));
    // The espeak-ng engine of this build by its bare name, as the program loads
    // it: under AddressSanitizer dlopen() runs from the sanitizer's runtime, which
    // does not search the program's RUNPATH.
    const QString path = environment.value(QStringLiteral("LD_LIBRARY_PATH"));
    environment.insert(QStringLiteral("LD_LIBRARY_PATH"),
                       QStringLiteral(ZELVORA_BINARY_DIR "/lib") +
                           (path.isEmpty() ? QString() : u':' + path));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(ZELVORA_BINARY_DIR "/bin/zelvora"),
                  QStringList{QStringLiteral("--export"), book} + arguments);
}

int run(const TestEnvironment &env, const QString &book, const QStringList &arguments,
        QByteArray *standardError) {
    QProcess process;
    start(process, env, book, arguments);
    if (!process.waitForFinished(600000) || process.exitStatus() != QProcess::NormalExit)
        return -1;
    if (standardError != nullptr)
        *standardError = process.readAllStandardError();
    return process.exitCode();
}

int tool(const QString &program, const QStringList &arguments, QByteArray *output) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return -1;
    if (output != nullptr)
        *output = process.readAll();
    return process.exitCode();
}

} // namespace ExportCommand
