// rcon-sim: simulated game servers on loopback ports, for trying the console without a game
// server. Prints one line per server, then every command received, until SIGINT or SIGTERM.

#include "SimGroup.h"
#include "SimServer.h"
#include "servers/ServerListFile.h"
#include "servers/TableFile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHash>
#include <QSocketNotifier>
#include <QTextStream>

#include <csignal>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

namespace {

#ifdef Q_OS_UNIX
int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    // Only write() is safe in a signal handler; the event loop does the rest.
    [[maybe_unused]] const auto ignored = ::write(signalPipe[1], &byte, 1);
}

void quitOnSignals(QCoreApplication &app) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
}
#else
void onSignal(int) {
    QCoreApplication::quit();
}

void quitOnSignals(QCoreApplication &) {
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
}
#endif

// The demo console starts the simulator as its child: the servers go when the console goes, even
// when it is killed.
void exitWithParent() {
#ifdef Q_OS_LINUX
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    // The parent may have gone before the line above.
    if (::getppid() == 1)
        std::raise(SIGTERM);
#endif
}

QTextStream &out() {
    static QTextStream stream(stdout);
    return stream;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("rcon-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulated RCON game servers on 127.0.0.1.\nFaults: ") +
        SimServer::faultNames().join(QStringLiteral(", ")));
    parser.addHelpOption();
    const QCommandLineOption serverOption(
        {QStringLiteral("s"), QStringLiteral("server")},
        QStringLiteral("A server: name, or name:port, or name:port:password (repeatable)."),
        QStringLiteral("definition"));
    const QCommandLineOption passwordOption({QStringLiteral("p"), QStringLiteral("password")},
                                            QStringLiteral("Password of servers that name none."),
                                            QStringLiteral("password"), QStringLiteral("secret"));
    const QCommandLineOption playersOption(QStringLiteral("players"),
                                           QStringLiteral("Players per server at start."),
                                           QStringLiteral("count"), QStringLiteral("3"));
    const QCommandLineOption churnOption(
        QStringLiteral("churn"),
        QStringLiteral("Players join, leave and chat every this many ms (0: never)."),
        QStringLiteral("ms"), QStringLiteral("4000"));
    const QCommandLineOption faultOption(
        QStringLiteral("fault"),
        QStringLiteral("Faults of one server: name=fault[,fault...] (repeatable)."),
        QStringLiteral("definition"));
    const QCommandLineOption delayOption(
        QStringLiteral("delay"),
        QStringLiteral("Answer delay of the delay, slow-commands and slow-logs faults."),
        QStringLiteral("ms"), QStringLiteral("2000"));
    const QCommandLineOption seedOption(QStringLiteral("seed"),
                                        QStringLiteral("Seed of the player churn."),
                                        QStringLiteral("number"), QStringLiteral("1"));
    const QCommandLineOption serverListOption(
        QStringLiteral("write-server-list"),
        QStringLiteral(
            "Also write the servers as a console server list (server.dat) to this file."),
        QStringLiteral("file"));
    const QCommandLineOption eosOption(
        QStringLiteral("eos-ids"),
        QStringLiteral("Players are listed by EOS id (32 hexadecimal digits), as the newer "
                       "edition does, instead of by SteamID64."));
    const QCommandLineOption crLfOption(
        QStringLiteral("crlf"),
        QStringLiteral("Answers end their lines with CR LF and carry the padding \"\\n \"."));
    const QCommandLineOption deadOption(
        QStringLiteral("dead"),
        QStringLiteral("A server that is down: name=silent, refusing, closing or unreachable "
                       "(repeatable)."),
        QStringLiteral("definition"));
    const QCommandLineOption parentOption(
        QStringLiteral("exit-with-parent"),
        QStringLiteral("End when the program that started the simulator ends (Linux)."));
    parser.addOptions({serverOption, passwordOption, playersOption, churnOption, faultOption,
                       delayOption, seedOption, serverListOption, eosOption, crLfOption, deadOption,
                       parentOption});
    parser.process(app);

    QStringList definitions = parser.values(serverOption);
    if (definitions.isEmpty())
        definitions = {QStringLiteral("Alpha Island"), QStringLiteral("Beta Ridge"),
                       QStringLiteral("Gamma Valley")};

    QTextStream err(stderr);
    SimGroup group;
    for (const QString &definition : std::as_const(definitions)) {
        const QString name = definition.section(QLatin1Char(':'), 0, 0);
        const QString portText = definition.section(QLatin1Char(':'), 1, 1);
        const QString password = definition.count(QLatin1Char(':')) >= 2
                                     ? definition.section(QLatin1Char(':'), 2)
                                     : parser.value(passwordOption);
        bool portOk = true;
        const uint port = portText.isEmpty() ? 0 : portText.toUInt(&portOk);
        if (name.isEmpty() || !portOk || port > 65535) {
            err << "rcon-sim: bad server \"" << definition << "\"\n";
            return 2;
        }
        SimServer *server = group.addServer(name, password, static_cast<quint16>(port));
        if (!server->isListening()) {
            err << "rcon-sim: " << name << ": " << server->errorString() << '\n';
            return 1;
        }
        server->setAnswerDelayMs(parser.value(delayOption).toInt());
        if (parser.isSet(eosOption))
            server->setPlayerIds(SimServer::PlayerIds::Eos);
        server->setCrLf(parser.isSet(crLfOption));
        for (int i = 0; i < parser.value(playersOption).toInt(); ++i)
            server->addRandomPlayer();
    }

    for (const QString &definition : parser.values(deadOption)) {
        const QString name = definition.section(QLatin1Char('='), 0, 0);
        const QString kind = definition.section(QLatin1Char('='), 1).trimmed().toLower();
        static const QHash<QString, SimGroup::DeadKind> kinds{
            {QStringLiteral("silent"), SimGroup::DeadKind::Silent},
            {QStringLiteral("refusing"), SimGroup::DeadKind::Refusing},
            {QStringLiteral("closing"), SimGroup::DeadKind::Closing},
            {QStringLiteral("unreachable"), SimGroup::DeadKind::Unreachable}};
        if (name.isEmpty() || !kinds.contains(kind)) {
            err << "rcon-sim: bad dead server \"" << definition << "\"\n";
            return 2;
        }
        group.addDeadServer(name, parser.value(passwordOption), kinds.value(kind));
    }

    for (const QString &definition : parser.values(faultOption)) {
        SimServer *server = group.server(definition.section(QLatin1Char('='), 0, 0));
        if (!server) {
            err << "rcon-sim: no server for fault \"" << definition << "\"\n";
            return 2;
        }
        const QStringList names =
            definition.section(QLatin1Char('='), 1).split(QLatin1Char(','), Qt::SkipEmptyParts);
        for (const QString &faultName : names) {
            const SimServer::Fault fault = SimServer::faultFromName(faultName.trimmed());
            if (fault == SimServer::NoFault) {
                err << "rcon-sim: unknown fault \"" << faultName << "\"\n";
                return 2;
            }
            server->setFault(fault);
        }
    }

    for (const SimServer *server : group.servers()) {
        out() << "server: " << server->name() << "  host: " << server->host()
              << "  port: " << server->port() << "  password: " << server->password() << '\n';
    }
    out().flush();

    if (parser.isSet(serverListOption)) {
        StringTable table = ServerListFile::emptyTable();
        for (const SimServer *server : group.servers())
            table.appendRow(
                {server->name(), server->host(), server->portText(), server->password()});
        QString error;
        if (!SaveStringGrid(table, parser.value(serverListOption), &error)) {
            err << "rcon-sim: " << error << '\n';
            return 1;
        }
    }

    QObject::connect(&group, &SimGroup::commandReceived, &app,
                     [](SimServer *server, const QString &command) {
                         out() << server->name() << " <- " << command << '\n';
                         out().flush();
                     });

    const int churnMs = parser.value(churnOption).toInt();
    if (churnMs > 0)
        group.startChurn(churnMs, parser.value(seedOption).toUInt());

    quitOnSignals(app);
    if (parser.isSet(parentOption))
        exitWithParent();
    return app.exec();
}
