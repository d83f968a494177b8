#include "app/start_up.h"

#include <utility>

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>

#include "calc/version.h"

namespace sondrel::app {
namespace {

// The options QGuiApplication and QApplication read for themselves, and whether each takes a
// value: accepted, not listed.
constexpr std::pair<const char*, bool> kQtOptions[] = {
    {"platform", true},      {"platformpluginpath", true},
    {"platformtheme", true}, {"plugin", true},
    {"qmljsdebugger", true}, {"qwindowgeometry", true},
    {"qwindowicon", true},   {"qwindowtitle", true},
    {"session", true},       {"display", true},
    {"geometry", true},      {"fontengine", true},
    {"dialogs", true},       {"name", true},
    {"title", true},         {"visual", true},
    {"style", true},         {"stylesheet", true},
    {"reverse", false},      {"nograb", false},
    {"dograb", false},       {"sync", false},
    {"widgetcount", false},  {"testability", false}};

std::string Usage(const QString& problem) {
    return "sondrel: " + problem.toStdString() + "\nTry 'sondrel --help'.\n";
}

// The parser's complaint, with unknown options named as they were typed ("--bogus", where the
// parser says 'bogus'): each the first argument before "--" that is it, less any "=value".
QString ParseProblem(const QCommandLineParser& parser, const QStringList& arguments) {
    const QStringList unknown = parser.unknownOptionNames();
    if (unknown.isEmpty()) {
        return parser.errorText();
    }
    QStringList typed_names;
    for (const QString& name : unknown) {
        QString typed_name = name;
        for (qsizetype i = 1; i < arguments.size() && arguments[i] != QStringLiteral("--"); ++i) {
            const QString typed = arguments[i].section(QLatin1Char('='), 0, 0);
            QString bare = typed;
            while (bare.startsWith(QLatin1Char('-'))) {
                bare.remove(0, 1);
            }
            if (typed.startsWith(QLatin1Char('-')) && bare == name) {
                typed_name = typed;
                break;
            }
        }
        typed_names.push_back(QLatin1Char('\'') + typed_name + QLatin1Char('\''));
    }
    return typed_names.size() == 1
               ? QStringLiteral("Unknown option %1.").arg(typed_names.constFirst())
               : QStringLiteral("Unknown options: %1.").arg(typed_names.join(QStringLiteral(", ")));
}

}  // namespace

QIcon AppIcon() {
    // PNG files only, so no SVG plugin is needed; 48 pixels covers title bars and task bars.
    QIcon icon;
    for (const int size : {16, 32, 48}) {
        icon.addFile(QStringLiteral(":/icons/sondrel-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

CommandLine ReadCommandLine(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.push_back(QString::fromLocal8Bit(argv[i]));
    }
    QCommandLineParser parser;
    // "-platform xcb", as Qt's own options are written.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QStringLiteral(
        "Opens the Sondrel window, which sets the VR1 wiper and VR2 of a barometric sensor\n"
        "scaling circuit. Numbers in its boxes are read in the locale's format.\n"
        "Qt's own options (-platform NAME, -style NAME, ...) are accepted too.\n"
        "See sondrel(1), and sondrel-calc(1) for the command line."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("Displays version information."));
    parser.addOption(version);
    for (const auto& [name, takes_value] : kQtOptions) {
        QCommandLineOption option(QString::fromLatin1(name), QString(),
                                  takes_value ? QStringLiteral("value") : QString());
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }

    CommandLine result;
    if (!parser.parse(arguments)) {
        result.exit_code = 2;
        result.text = Usage(ParseProblem(parser, arguments));
    } else if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        // The help names the program as it was started, which needs an application object;
        // a core one needs no display.
        int core_argc = 1;
        QCoreApplication core(core_argc, argv);
        result.exit_code = 0;
        result.text = parser.helpText().toStdString();
        if (parser.isSet(QStringLiteral("help-all"))) {
            result.text += "\nQt's options:\n ";
            for (const auto& [name, takes_value] : kQtOptions) {
                result.text += std::string(" -") + name + (takes_value ? " VALUE" : "");
            }
            result.text += "\n";
        }
    } else if (parser.isSet(version)) {
        result.exit_code = 0;
        result.text = std::string("sondrel ") + kVersion + "\n";
    } else if (!parser.positionalArguments().isEmpty()) {
        result.exit_code = 2;
        result.text =
            Usage(QStringLiteral("unexpected argument '%1'; sondrel takes no files or values")
                      .arg(parser.positionalArguments().constFirst()));
    }
    return result;
}

}  // namespace sondrel::app
