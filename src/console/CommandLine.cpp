#include "console/CommandLine.h"

#include "base/ProgramFolder.h"
#include "stats/StatisticsExport.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace {

constexpr int kExportFailed = 1;
constexpr int kRefused = 2;

QString tr(const char *text) {
    return QCoreApplication::translate("CommandLine", text);
}

QCommandLineOption exportOption() {
    return QCommandLineOption(QStringLiteral("export-statistics"),
                              tr("Writes the player statistics of the program log (logs/kvd.log "
                                 "in the program folder) to <file> as CSV and ends, without a "
                                 "window; \"-\" writes to standard output."),
                              tr("file"));
}

QCommandLineOption demoOption() {
    return QCommandLineOption(QStringLiteral("demo"),
                              tr("Starts a console of its own against simulated game servers on "
                                 "free loopback ports, in a demo folder apart from your files."));
}

// The options that the toolkit takes for its windows; they are not ours to refuse.
void addToolkitOptions(QCommandLineParser &parser) {
    const char *const withValue[] = {"platform",
                                     "platformpluginpath",
                                     "platformtheme",
                                     "plugin",
                                     "qwindowgeometry",
                                     "geometry",
                                     "qwindowtitle",
                                     "title",
                                     "qwindowicon",
                                     "icon",
                                     "display",
                                     "style",
                                     "stylesheet",
                                     "session",
                                     "name"};
    const char *const flags[] = {"reverse", "widgetcount", "nograb",
                                 "dograb",  "sync",        "testability"};
    for (const char *name : withValue) {
        QCommandLineOption option(QLatin1String(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char *name : flags) {
        QCommandLineOption option{QString::fromLatin1(name)};
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

void setUp(QCommandLineParser &parser) {
    parser.setApplicationDescription(
        tr("Corvid RCON Admin, a console for game servers over Source RCON. Without options it "
           "starts its window."));
    // The toolkit's options have one dash and long names.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    // Without --help-all: the toolkit's options are not listed.
    parser.addOption(
        QCommandLineOption({QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("?")},
                           tr("Displays this help.")));
    parser.addOption(QCommandLineOption({QStringLiteral("v"), QStringLiteral("version")},
                                        tr("Displays the version.")));
    parser.addOption(exportOption());
    parser.addOption(demoOption());
    addToolkitOptions(parser);
}

void print(FILE *stream, const QString &text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

} // namespace

QStringList CommandLine::arguments(int argc, char *argv[]) {
    QStringList list;
    for (int i = 0; i < argc; ++i)
        list << QString::fromLocal8Bit(argv[i]);
    return list;
}

CommandLine CommandLine::parse(const QStringList &arguments) {
    CommandLine command;
    QCommandLineParser parser;
    setUp(parser);
    if (!parser.parse(arguments)) {
        command.m_action = Action::Refuse;
        command.m_error = parser.errorText();
        return command;
    }
    if (!parser.positionalArguments().isEmpty()) {
        command.m_action = Action::Refuse;
        command.m_error = tr("Unexpected argument '%1'.").arg(parser.positionalArguments().first());
        return command;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        command.m_action = Action::ShowHelp;
    } else if (parser.isSet(QStringLiteral("version"))) {
        command.m_action = Action::ShowVersion;
    } else if (parser.isSet(exportOption())) {
        command.m_action = Action::ExportStatistics;
        command.m_exportTarget = parser.value(exportOption());
    } else if (parser.isSet(demoOption())) {
        command.m_action = Action::StartDemo;
    }
    return command;
}

QString CommandLine::helpText() {
    QCommandLineParser parser;
    setUp(parser);
    return parser.helpText();
}

int CommandLine::execute() const {
    switch (m_action) {
    case Action::StartConsole:
    case Action::StartDemo:
        break;
    case Action::ShowHelp:
        print(stdout, helpText());
        return 0;
    case Action::ShowVersion:
        print(stdout, QStringLiteral("Corvid RCON Admin %1\n").arg(QStringLiteral(KVD_VERSION)));
        return 0;
    case Action::Refuse:
        print(stderr, QStringLiteral("kvd: %1\n\n%2").arg(m_error, helpText()));
        return kRefused;
    case Action::ExportStatistics: {
        const QString folder = ProgramFolder::init(QCoreApplication::applicationDirPath());
        QString error;
        if (!StatisticsExport::run(folder, m_exportTarget, &error)) {
            print(stderr, QStringLiteral("kvd: %1\n").arg(error));
            return kExportFailed;
        }
        return 0;
    }
    }
    return 0;
}
