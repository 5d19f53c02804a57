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
    } else {
        outcome.engine = parser.value(engine);
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
