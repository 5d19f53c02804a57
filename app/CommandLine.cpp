#include "CommandLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <cstdio>

namespace {

constexpr int WrongUsage = 2;

// The options QGuiApplication and QApplication read for themselves, with whether
// they take a value. They stay out of the help text.
struct QtOption {
    const char *name;
    bool takesValue;
};
constexpr QtOption QtOptions[] = {
    {"platform", true},        {"platformpluginpath", true},
    {"platformtheme", true},   {"plugin", true},
    {"qwindowgeometry", true}, {"qwindowicon", true},
    {"qwindowtitle", true},    {"session", true},
    {"display", true},         {"geometry", true},
    {"style", true},           {"stylesheet", true},
    {"reverse", false},        {"widgetcount", false},
    {"nograb", false},         {"dograb", false},
    {"sync", false},
};

void addQtOptions(QCommandLineParser &parser) {
    for (const QtOption &qt : QtOptions) {
        QCommandLineOption option(QString::fromLatin1(qt.name));
        if (qt.takesValue) {
            option.setValueName(QStringLiteral("value"));
        }
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

struct ExportOptionSet {
    QCommandLineOption book{QStringLiteral("export"),
                            QStringLiteral("Export BOOK to audio files, one per chapter, with no\n"
                                           "window, and exit."),
                            QStringLiteral("BOOK")};
    QCommandLineOption output{QStringLiteral("output"),
                              QStringLiteral("With --export: the folder for the files (default:\n"
                                             "<music folder>/Zelvora/<book title>)."),
                              QStringLiteral("DIR")};
    QCommandLineOption speed{
        QStringLiteral("speed"),
        QStringLiteral("With --export: speed 10 to 300 (default: the saved one)."),
        QStringLiteral("N")};
    QCommandLineOption language{
        QStringLiteral("language"),
        QStringLiteral("With --export: ca or es (default: the saved language)."),
        QStringLiteral("ca|es")};
    QCommandLineOption format{QStringLiteral("format"),
                              QStringLiteral("With --export: opus (default), mp3 or wav."),
                              QStringLiteral("opus|mp3|wav")};
    QCommandLineOption jobs{
        QStringLiteral("jobs"),
        QStringLiteral("With --export: worker processes (default: one per core)."),
        QStringLiteral("N")};

    void addTo(QCommandLineParser &parser) const {
        parser.addOptions({book, output, speed, language, format, jobs});
    }
};

// A number option's value within `low`..`high`, else -1.
int numberIn(const QString &value, int low, int high) {
    bool ok = false;
    const int number = value.toInt(&ok);
    return ok && number >= low && number <= high ? number : -1;
}

// Reads the export options into `outcome`; the error, or empty.
QString readExportOptions(const QCommandLineParser &parser, const ExportOptionSet &set,
                          CommandLineOutcome &outcome) {
    outcome.exportBook = parser.value(set.book);
    const bool anyExportOption = parser.isSet(set.output) || parser.isSet(set.speed) ||
                                 parser.isSet(set.language) || parser.isSet(set.format) ||
                                 parser.isSet(set.jobs);
    if (outcome.exportBook.isEmpty())
        return anyExportOption ? QStringLiteral("--output, --speed, --language, --format and "
                                                "--jobs go with --export")
                               : QString();
    outcome.exportFolder = parser.value(set.output);
    if (parser.isSet(set.speed) &&
        (outcome.exportSpeed = numberIn(parser.value(set.speed), 10, 300)) < 0)
        return QStringLiteral("--speed takes a number from 10 to 300");
    outcome.exportLanguage = parser.value(set.language);
    if (parser.isSet(set.language) && outcome.exportLanguage != QStringLiteral("ca") &&
        outcome.exportLanguage != QStringLiteral("es"))
        return QStringLiteral("--language takes ca or es");
    if (parser.isSet(set.format))
        outcome.exportFormat = parser.value(set.format);
    if (!QStringList{QStringLiteral("opus"), QStringLiteral("mp3"), QStringLiteral("wav")}.contains(
            outcome.exportFormat))
        return QStringLiteral("--format takes opus, mp3 or wav");
    if (parser.isSet(set.jobs) &&
        (outcome.exportJobs = numberIn(parser.value(set.jobs), 1, 64)) < 0)
        return QStringLiteral("--jobs takes a number from 1 to 64");
    return {};
}

QString helpText(const QCommandLineParser &parser) {
    // QCommandLineParser names the program after the running application, which
    // does not exist yet: name it here.
    QString text = parser.helpText();
    const qsizetype end = text.indexOf(QLatin1Char('\n'));
    return QStringLiteral("Usage: zelvora [options]") + text.mid(end);
}

} // namespace

CommandLineOutcome parseCommandLine(const QStringList &arguments) {
    QCommandLineParser parser;
    // Qt's own options are single-dash words (-platform), so no short-option groups.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Zelvora, a talking book reader for blind people. Every prompt and\n"
                       "every book is spoken; see zelvora(1) for the keys."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption engine(
        QStringLiteral("engine"),
        QStringLiteral("Speak with the speech engine NAME (see --list-engines);\n"
                       "overrides the environment variable ZELVORA_ENGINE."),
        QStringLiteral("NAME"));
    const QCommandLineOption listEngines(QStringLiteral("list-engines"),
                                         QStringLiteral("List the installed speech engines."));
    parser.addOption(engine);
    parser.addOption(listEngines);
    const ExportOptionSet exportOptions;
    exportOptions.addTo(parser);
    addQtOptions(parser);

    CommandLineOutcome outcome;
    if (!parser.parse(arguments)) {
        outcome.standardError =
            QStringLiteral("zelvora: ") + parser.errorText() + QLatin1Char('\n') + helpText(parser);
    } else if (!parser.positionalArguments().isEmpty()) {
        outcome.standardError = QStringLiteral("zelvora: unexpected argument '") +
                                parser.positionalArguments().constFirst() + QStringLiteral("'\n") +
                                helpText(parser);
    } else if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        outcome.standardOutput = helpText(parser);
    } else if (parser.isSet(version)) {
        outcome.standardOutput = QStringLiteral("zelvora " ZELVORA_VERSION "\n");
    } else if (parser.isSet(listEngines)) {
        outcome.listEngines = true;
    } else if (const QString wrong = readExportOptions(parser, exportOptions, outcome);
               !wrong.isEmpty()) {
        // A wrong export option exports nothing.
        outcome.exportBook.clear();
        outcome.standardError =
            QStringLiteral("zelvora: ") + wrong + QLatin1Char('\n') + helpText(parser);
    } else {
        outcome.engine = parser.value(engine);
        outcome.startReader = outcome.exportBook.isEmpty();
        return outcome;
    }
    outcome.startReader = false;
    outcome.exitCode = outcome.standardError.isEmpty() ? 0 : WrongUsage;
    return outcome;
}

QStringList commandLineArguments(int argc, char *argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    return arguments;
}

int finishCommandLine(const CommandLineOutcome &outcome) {
    std::fputs(outcome.standardOutput.toLocal8Bit().constData(), stdout);
    std::fputs(outcome.standardError.toLocal8Bit().constData(), stderr);
    std::fflush(stdout);
    return outcome.exitCode;
}
