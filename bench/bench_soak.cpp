// Fault soak: the real console executable (headless, its own program folder, the background watch
// on) against simulated servers whose fault modes rotate through every one the simulator has,
// players joining, leaving and chatting all the while. It measures the console's longest
// event-loop stall (KVD_STALL_REPORT_MS) and its memory at start and end, and checks afterwards
// that every status line of the program log fits the fault its server had, that every status a
// delivered answer or a refused login implies was entered, that every join and departure the
// servers made is in the log, that every stay ends, and that no process is left behind.
//
//   bench_soak [--minutes 10] [--servers 20] [--rotate-seconds 120] [--churn-ms 2500]
//              [--stall-threshold-ms 25] [--no-watch] [--keep DIR]
// The console executable is found beside bench/ (build/release/kvd). Exit status 1 when a check
// fails or a target is missed.

#include "base/LogStamp.h"
#include "base/TextFile.h"
#include "servers/TableFile.h"

#include "BenchRun.h"
#include "SimServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QMutex>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <map>
#include <optional>
#include <unistd.h>
#include <vector>

namespace {

using BenchRun::waitFor;

// Every fault of the simulator, which the soak's servers take in turn.
const std::vector<SimServer::Fault> &faultCycle() {
    static const std::vector<SimServer::Fault> cycle = [] {
        std::vector<SimServer::Fault> faults;
        for (const QString &name : SimServer::faultNames())
            faults.push_back(SimServer::faultFromName(name));
        return faults;
    }();
    return cycle;
}

QString faultName(SimServer::Fault fault) {
    if (fault == SimServer::NoFault)
        return QStringLiteral("none");
    for (const QString &name : SimServer::faultNames()) {
        if (SimServer::faultFromName(name) == fault)
            return name;
    }
    return QStringLiteral("?");
}

// What the console makes of a visit under each fault.
enum class Outcome {
    Online,    // the answer arrives: "Online"
    BadLogin,  // the login is refused: "Bad login"
    Timeout,   // the connect never completes: "Timeout" after the connect time-out
    Watchdog,  // no usable answer: the watchdog ends the visit without a status line
    KeepState, // "Keep Alive" or an empty answer: nothing changes
};

Outcome outcomeOf(SimServer::Fault fault) {
    switch (fault) {
    case SimServer::RefuseLogin:
        return Outcome::BadLogin;
    case SimServer::StallConnect:
        return Outcome::Timeout;
    case SimServer::SilentLogin:
    case SimServer::NeverAnswer:
    case SimServer::CloseMidPacket:
    case SimServer::OversizedSize:
    case SimServer::Garbage:
        return Outcome::Watchdog;
    case SimServer::KeepAlive:
    case SimServer::EmptyAnswer:
        return Outcome::KeepState;
    default:
        return Outcome::Online;
    }
}

std::optional<Outcome> outcomeOfStatus(const QString &word) {
    if (word == QLatin1String("Online"))
        return Outcome::Online;
    if (word == QLatin1String("Bad login"))
        return Outcome::BadLogin;
    if (word == QLatin1String("Timeout"))
        return Outcome::Timeout;
    return std::nullopt;
}

QString statusWord(Outcome outcome) {
    switch (outcome) {
    case Outcome::Online:
        return QStringLiteral("Online");
    case Outcome::BadLogin:
        return QStringLiteral("Bad login");
    case Outcome::Timeout:
        return QStringLiteral("Timeout");
    default:
        return QString();
    }
}

// Milliseconds since the soak began, on every thread.
QElapsedTimer &soakClock() {
    static QElapsedTimer clock;
    return clock;
}

// What the servers saw, recorded on their thread.
struct Listing {
    qint64 ms;
    int server;
    SimServer::Fault fault;
    QSet<QString> ids;
};
struct Login {
    qint64 ms;
    int server;
    bool accepted;
};

struct Record {
    QMutex mutex;
    std::vector<Listing> listings;
    std::vector<Login> logins;
    QHash<QString, QString> names; // SteamID64 -> player name
};

// The simulated servers, on a thread of their own so that the soak's own work never delays them.
class SimThread final {
public:
    SimThread(int count, int churnMs, Record &record)
        : m_record(record) {
        m_thread.start();
        m_context.moveToThread(&m_thread);
        run([this, count, churnMs] {
            for (int i = 0; i < count; ++i) {
                auto *server =
                    new SimServer(QStringLiteral("Soak %1").arg(i + 1, 2, 10, QLatin1Char('0')),
                                  QStringLiteral("secret %1").arg(i + 1));
                server->start();
                for (int p = 0; p < 4; ++p)
                    server->addRandomPlayer();
                server->startChurn(churnMs, quint32(1000 + i));
                QObject::connect(
                    server, &SimServer::commandReceived, &m_context,
                    [this, server, i](const QString &command) {
                        if (command != QLatin1String("listplayers"))
                            return;
                        Listing listing{soakClock().elapsed(),
                                        i,
                                        SimServer::Fault(unsigned(server->faults())),
                                        {}};
                        QMutexLocker lock(&m_record.mutex);
                        for (const SimServer::Player &player : server->players()) {
                            listing.ids.insert(player.steamId);
                            m_record.names.insert(player.steamId, player.name);
                        }
                        m_record.listings.push_back(listing);
                    },
                    Qt::DirectConnection);
                QObject::connect(
                    server, &SimServer::loginReceived, &m_context,
                    [this, i](bool accepted) {
                        QMutexLocker lock(&m_record.mutex);
                        m_record.logins.push_back({soakClock().elapsed(), i, accepted});
                    },
                    Qt::DirectConnection);
                m_servers << server;
            }
        });
    }
    ~SimThread() {
        run([this] { qDeleteAll(m_servers); });
        m_thread.quit();
        m_thread.wait();
    }
    SimThread(const SimThread &) = delete;
    SimThread &operator=(const SimThread &) = delete;

    void setFault(int server, SimServer::Fault fault) {
        run([this, server, fault] { m_servers.at(server)->setFaults(fault); });
    }
    StringTable serverTable() const { return BenchRun::serverTableOf(m_servers); }
    QString name(int server) const { return m_servers.at(server)->name(); }

private:
    template <typename Work> void run(Work work) {
        QMetaObject::invokeMethod(&m_context, work, Qt::BlockingQueuedConnection);
    }

    Record &m_record;
    QThread m_thread;
    QObject m_context;
    QList<SimServer *> m_servers;
};

// A fault a server had from `from` until `to` (ms of the soak clock).
struct Period {
    qint64 from;
    qint64 to;
    SimServer::Fault fault;
};

struct ProcessFigures {
    qint64 rssKb = 0;
    int fds = 0;
};

ProcessFigures sample(qint64 pid) {
    ProcessFigures figures;
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:"))
                figures.rssKb = line.mid(6).trimmed().split(' ').value(0).toLongLong();
        }
    }
    figures.fds = int(QDir(QStringLiteral("/proc/%1/fd").arg(pid))
                          .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System)
                          .size());
    return figures;
}

// Processes whose executable or command line lies in the soak's program folder.
QStringList processesIn(const QString &folder) {
    QStringList found;
    const QStringList pids =
        QDir(QStringLiteral("/proc")).entryList({QStringLiteral("[0-9]*")}, QDir::Dirs);
    for (const QString &pid : pids) {
        const QString exe = QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid));
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        QByteArray command;
        if (cmdline.open(QIODevice::ReadOnly))
            command = cmdline.readAll();
        if (exe.startsWith(folder) || command.contains(folder.toLocal8Bit()))
            found << pid;
    }
    return found;
}

// One line of the program log, on the soak clock.
struct LogLine {
    qint64 ms;
    QString text;
};

struct Check {
    int passed = 0;
    QStringList failures;
    void expect(bool ok, const QString &what) {
        if (ok)
            ++passed;
        else if (failures.size() < 40)
            failures << what;
        else if (failures.size() == 40)
            failures << QStringLiteral("(more failures not listed)");
    }
};

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Fault soak of the console executable."));
    parser.addHelpOption();
    const QCommandLineOption minutesOption(QStringLiteral("minutes"),
                                           QStringLiteral("Length of the soak."),
                                           QStringLiteral("minutes"), QStringLiteral("10"));
    const QCommandLineOption serversOption(QStringLiteral("servers"),
                                           QStringLiteral("Simulated servers."),
                                           QStringLiteral("count"), QStringLiteral("20"));
    const QCommandLineOption rotateOption(QStringLiteral("rotate-seconds"),
                                          QStringLiteral("Each server's fault changes this often."),
                                          QStringLiteral("seconds"), QStringLiteral("120"));
    const QCommandLineOption churnOption(QStringLiteral("churn-ms"),
                                         QStringLiteral("Players join, leave and chat this often."),
                                         QStringLiteral("ms"), QStringLiteral("2500"));
    const QCommandLineOption stallOption(
        QStringLiteral("stall-threshold-ms"),
        QStringLiteral("The console reports event-loop stalls longer than this."),
        QStringLiteral("ms"), QStringLiteral("25"));
    const QCommandLineOption noWatchOption(QStringLiteral("no-watch"),
                                           QStringLiteral("Leave the background watch off."));
    const QCommandLineOption keepOption(
        QStringLiteral("keep"),
        QStringLiteral("Copy the console's program folder here at the end."),
        QStringLiteral("folder"));
    parser.addOptions({minutesOption, serversOption, rotateOption, churnOption, stallOption,
                       noWatchOption, keepOption});
    parser.process(app);
    const double minutes = std::max(0.5, parser.value(minutesOption).toDouble());
    const int serverCount = std::max(1, parser.value(serversOption).toInt());
    const qint64 rotateMs = std::max(10, parser.value(rotateOption).toInt()) * 1000LL;
    const int churnMs = std::max(100, parser.value(churnOption).toInt());
    const int stallThreshold = std::max(1, parser.value(stallOption).toInt());
    const bool watch = !parser.isSet(noWatchOption);
    const qint64 durationMs = qint64(minutes * 60000);
    constexpr qint64 kStartUpMs = 20000;  // stalls before this are start-up
    constexpr qint64 kRssStartMs = 30000; // memory "at start": start-up done, first pass under way

    const QString binary = QCoreApplication::applicationDirPath() + QStringLiteral("/../kvd");
    if (!QFile::exists(binary)) {
        std::printf("soak: %s not built\n", qPrintable(binary));
        return 2;
    }

    soakClock().start();
    Record record;
    SimThread sims(serverCount, churnMs, record);
    const std::vector<SimServer::Fault> &cycle = faultCycle();
    std::vector<std::vector<Period>> periods(static_cast<size_t>(serverCount));
    int round = 0;
    // Every other round a server is healthy, so that passes end and the background watch runs;
    // in the others it takes the next fault of its own turn through all of them.
    std::vector<size_t> nextFault(static_cast<size_t>(serverCount));
    for (int i = 0; i < serverCount; ++i)
        nextFault[size_t(i)] = size_t(i) % cycle.size();
    const auto rotate = [&] {
        const qint64 now = soakClock().elapsed();
        for (int i = 0; i < serverCount; ++i) {
            SimServer::Fault fault = SimServer::NoFault;
            if ((i + round) % 2 == 1)
                fault = cycle[nextFault[size_t(i)]++ % cycle.size()];
            if (!periods[size_t(i)].empty())
                periods[size_t(i)].back().to = now;
            periods[size_t(i)].push_back({now, std::numeric_limits<qint64>::max(), fault});
            sims.setFault(i, fault);
        }
        ++round;
    };
    rotate();

    QTemporaryDir install;
    QTemporaryDir runtime;
    const QString folder = QDir(install.path()).canonicalPath();
    const QString exe = folder + QStringLiteral("/kvd");
    QFile::copy(binary, exe);
    SaveStringGrid(sims.serverTable(), folder + QStringLiteral("/server.dat"));
    {
        QFile ini(folder + QStringLiteral("/app.ini"));
        ini.open(QIODevice::WriteOnly);
        ini.write(QStringLiteral("[pum1]\r\ncinfo=0\r\nggl=0\r\ngetbchat=%1\r\n")
                      .arg(watch ? 1 : 0)
                      .toLatin1());
    }

    struct Stall {
        qint64 consoleMs;
        qint64 ms;
    };
    std::vector<Stall> stalls;
    qint64 longestAtExit = -1;
    int errorEntries = 0;
    QProcess console;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    env.insert(QStringLiteral("KVD_STALL_REPORT_MS"), QString::number(stallThreshold));
    console.setProcessEnvironment(env);
    static const QRegularExpression stallLine(
        QStringLiteral("^kvd: event loop stalled (\\d+) ms at (\\d+) ms$"));
    static const QRegularExpression longestLine(
        QStringLiteral("^kvd: longest event-loop stall (\\d+) ms$"));
    QObject::connect(&console, &QProcess::readyReadStandardError, &app, [&] {
        while (console.canReadLine()) {
            const QString line = QString::fromLocal8Bit(console.readLine()).trimmed();
            if (const auto m = stallLine.match(line); m.hasMatch())
                stalls.push_back({m.captured(2).toLongLong(), m.captured(1).toLongLong()});
            else if (const auto l = longestLine.match(line); l.hasMatch())
                longestAtExit = l.captured(1).toLongLong();
            else if (!line.isEmpty())
                ++errorEntries;
        }
    });
    console.setReadChannel(QProcess::StandardError);
    console.setStandardOutputFile(QProcess::nullDevice());
    const QDateTime startedAt = QDateTime::currentDateTime();
    const qint64 startedMs = soakClock().elapsed();
    console.start(exe, {});
    if (!console.waitForStarted()) {
        std::printf("soak: the console did not start\n");
        return 2;
    }
    const qint64 pid = console.processId();

    std::printf("soak: %d servers, %.1f minutes, faults changing every %lld s (each server "
                "healthy every other round, else its next of %zu faults), players churning every "
                "%d ms, background watch %s\n",
                serverCount, minutes, rotateMs / 1000, cycle.size(), churnMs, watch ? "on" : "off");
    std::fflush(stdout);

    QTimer rotation;
    QObject::connect(&rotation, &QTimer::timeout, &app, rotate);
    rotation.start(int(rotateMs));
    std::vector<std::pair<qint64, ProcessFigures>> samples;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, &app, [&] {
        const qint64 now = soakClock().elapsed() - startedMs;
        samples.push_back({now, sample(pid)});
        if (samples.size() % 6 == 0) {
            std::printf("  %5.1f min  RSS %.1f MiB  fds %d  stalls over %d ms so far: %zu\n",
                        double(now) / 60000.0, double(samples.back().second.rssKb) / 1024.0,
                        samples.back().second.fds, stallThreshold, stalls.size());
            std::fflush(stdout);
        }
    });
    sampler.start(10000);
    waitFor(durationMs);
    sampler.stop();
    rotation.stop();
    const qint64 endedMs = soakClock().elapsed();
    for (auto &serverPeriods : periods)
        serverPeriods.back().to = endedMs;
    const ProcessFigures last = sample(pid);

    QElapsedTimer exitClock;
    exitClock.start();
    ::kill(pid_t(pid), SIGTERM);
    const bool ended = console.waitForFinished(30000);
    const qint64 exitMs = exitClock.elapsed();
    waitFor(300); // the last lines of its error output
    const QStringList leftBehind = processesIn(folder);

    Check check;
    check.expect(ended && console.exitStatus() == QProcess::NormalExit && console.exitCode() == 0,
                 QStringLiteral("the console did not end normally after SIGTERM"));
    check.expect(leftBehind.isEmpty(),
                 QStringLiteral("processes left behind: ") + leftBehind.join(QLatin1Char(' ')));

    // The program log, oldest first, on the soak clock (its stamps have whole seconds).
    std::vector<LogLine> log;
    const QStringList lines = TextFile::readLines(folder + QStringLiteral("/logs/kvd.log"));
    const QDate today = QDate::currentDate();
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        const QDateTime stamp = LogStamp::ParseLogStamp(QStringView(*it).mid(1), today);
        if (!stamp.isValid())
            continue;
        log.push_back({startedMs + startedAt.msecsTo(stamp), it->mid(LogStamp::kLength)});
    }
    check.expect(!log.empty(), QStringLiteral("the program log is empty"));

    QHash<QString, int> serverIndex;
    for (int i = 0; i < serverCount; ++i)
        serverIndex.insert(sims.name(i), i);
    const auto faultsBetween = [&](int server, qint64 from, qint64 to) {
        std::vector<SimServer::Fault> found;
        for (const Period &p : periods[size_t(server)]) {
            if (p.from <= to && p.to >= from)
                found.push_back(p.fault);
        }
        return found;
    };
    // The fault a server had over the whole of [from, to], if it was one.
    const auto steadyFault = [&](int server, qint64 from,
                                 qint64 to) -> std::optional<SimServer::Fault> {
        const std::vector<SimServer::Fault> found = faultsBetween(server, from, to);
        if (found.size() == 1)
            return found.front();
        return std::nullopt;
    };

    // Every status line fits a fault its server had during the visit that wrote it (a visit
    // lasts 15 s at most after up to a visit-start delay; stamps are whole seconds).
    static const QRegularExpression statusLine(QStringLiteral("^Serverstatus \\((.+)\\):  (.+)$"));
    std::vector<std::vector<std::pair<qint64, QString>>> statusTimeline(
        static_cast<size_t>(serverCount));
    int statusLines = 0;
    std::map<QString, int> statusCounts;
    for (const LogLine &line : log) {
        const auto m = statusLine.match(line.text);
        if (!m.hasMatch())
            continue;
        ++statusLines;
        const int server = serverIndex.value(m.captured(1), -1);
        const QString word = m.captured(2);
        ++statusCounts[word];
        check.expect(server >= 0, QStringLiteral("status of an unknown server: ") + line.text);
        if (server < 0)
            continue;
        statusTimeline[size_t(server)].push_back({line.ms, word});
        const std::optional<Outcome> outcome = outcomeOfStatus(word);
        bool fits = false;
        QStringList had;
        for (const SimServer::Fault fault :
             faultsBetween(server, line.ms - 30000, line.ms + 2000)) {
            fits = fits || (outcome && outcomeOf(fault) == *outcome);
            had << faultName(fault);
        }
        check.expect(fits, QStringLiteral("%1 at %2 s while the server had %3")
                               .arg(line.text)
                               .arg(double(line.ms) / 1000.0, 0, 'f', 0)
                               .arg(had.join(QStringLiteral(", "))));
    }
    const auto loggedStateAt = [&](int server, qint64 ms) {
        QString state;
        for (const auto &[at, word] : statusTimeline[size_t(server)]) {
            if (at > ms)
                break;
            state = word;
        }
        return state;
    };
    const auto statusEnteredBetween = [&](int server, const QString &word, qint64 from, qint64 to) {
        for (const auto &[at, logged] : statusTimeline[size_t(server)]) {
            if (logged == word && at >= from && at <= to)
                return true;
        }
        return false;
    };

    // Answers that reached the console whole: the fault let them through and stayed put.
    QMutexLocker lock(&record.mutex);
    std::vector<const Listing *> delivered;
    for (const Listing &listing : record.listings) {
        const auto fault = steadyFault(listing.server, listing.ms, listing.ms + 3000);
        if (fault && outcomeOf(*fault) == Outcome::Online && listing.ms + 3000 < endedMs)
            delivered.push_back(&listing);
    }
    // A status that an answer or a refusal implies is entered unless the server had it already.
    int impliedChecks = 0;
    const auto expectStatus = [&](int server, qint64 ms, Outcome outcome, const QString &why) {
        const QString word = statusWord(outcome);
        if (loggedStateAt(server, ms - 2000) == word)
            return;
        ++impliedChecks;
        check.expect(statusEnteredBetween(server, word, ms - 2000, ms + 5000),
                     QStringLiteral("no \"%1\" for %2 after %3 at %4 s")
                         .arg(word, sims.name(server), why)
                         .arg(double(ms) / 1000.0, 0, 'f', 0));
    };
    for (const Listing *listing : delivered)
        expectStatus(listing->server, listing->ms, Outcome::Online, QStringLiteral("an answer"));
    int refusedLogins = 0;
    for (const Login &login : record.logins) {
        const auto fault = steadyFault(login.server, login.ms, login.ms + 3000);
        if (!login.accepted && fault == SimServer::RefuseLogin && login.ms + 3000 < endedMs) {
            ++refusedLogins;
            expectStatus(login.server, login.ms, Outcome::BadLogin,
                         QStringLiteral("a refused login"));
        }
    }

    // Player lines: joins ("joined" or "playing") and ends ("has left", "Program exit").
    static const QRegularExpression playerLine(QStringLiteral(
        "^Player: `.*´ \\(([0-9]{17}|[0-9A-Fa-f]{32})\\) (joined|playing) @ `(.+)´$"));
    static const QRegularExpression leftLine(
        QStringLiteral("^Player: `.*´ \\(([0-9]{17}|[0-9A-Fa-f]{32})\\) has left `(.+)´ - Duration "
                       "\\{\\d\\d:\\d\\d:\\d\\d\\}$"));
    static const QRegularExpression exitLine(QStringLiteral(
        "^Program exit: `.*´ \\(([0-9]{17}|[0-9A-Fa-f]{32})\\) has played @ `(.+)´ - Duration "
        "\\{\\d\\d:\\d\\d:\\d\\d\\}$"));
    struct PlayerEvent {
        qint64 ms;
        bool begins;
        QString server;
    };
    QHash<QString, std::vector<PlayerEvent>> events;
    int joinLines = 0;
    int endLines = 0;
    for (const LogLine &line : log) {
        if (const auto m = playerLine.match(line.text); m.hasMatch()) {
            events[m.captured(1)].push_back({line.ms, true, m.captured(3)});
            ++joinLines;
        } else if (const auto l = leftLine.match(line.text); l.hasMatch()) {
            events[l.captured(1)].push_back({line.ms, false, l.captured(2)});
            ++endLines;
        } else if (const auto e = exitLine.match(line.text); e.hasMatch()) {
            events[e.captured(1)].push_back({line.ms, false, e.captured(2)});
            ++endLines;
        } else {
            check.expect(!line.text.startsWith(QLatin1String("Player:")) &&
                             !line.text.startsWith(QLatin1String("Program exit:")),
                         QStringLiteral("a player line of unknown form: ") + line.text);
        }
    }
    // Every stay begins, ends once, on one server.
    for (auto it = events.cbegin(); it != events.cend(); ++it) {
        bool inside = false;
        QString server;
        bool ok = true;
        for (const PlayerEvent &event : it.value()) {
            ok = ok && event.begins != inside && (event.begins || event.server == server);
            inside = event.begins;
            server = event.server;
        }
        check.expect(
            ok && !inside,
            QStringLiteral("the stays of %1 do not alternate begin and end").arg(it.key()));
    }
    const auto loggedBetween = [&](const QString &id, bool begins, const QString &server,
                                   qint64 from, qint64 to) {
        for (const PlayerEvent &event : events.value(id)) {
            if (event.begins == begins && event.server == server && event.ms >= from &&
                event.ms <= to)
                return true;
        }
        return false;
    };
    // Between two delivered answers of a server, its joins and departures reach the log.
    int joinsSeen = 0;
    int departuresSeen = 0;
    std::vector<const Listing *> previous(size_t(serverCount), nullptr);
    QSet<QPair<QString, int>> everSeen;
    for (const Listing *listing : delivered) {
        const QString server = sims.name(listing->server);
        const Listing *before = previous[size_t(listing->server)];
        for (const QString &id : listing->ids) {
            everSeen.insert({id, listing->server});
            if (before && !before->ids.contains(id)) {
                ++joinsSeen;
                check.expect(loggedBetween(id, true, server, before->ms - 2000, listing->ms + 5000),
                             QStringLiteral("the join of %1 (%2) on %3 at %4 s is not logged")
                                 .arg(record.names.value(id), id, server)
                                 .arg(double(listing->ms) / 1000.0, 0, 'f', 0));
            }
        }
        if (before) {
            for (const QString &id : before->ids) {
                if (listing->ids.contains(id))
                    continue;
                ++departuresSeen;
                check.expect(
                    loggedBetween(id, false, server, before->ms - 2000, listing->ms + 5000),
                    QStringLiteral("the departure of %1 (%2) from %3 at %4 s is not logged")
                        .arg(record.names.value(id), id, server)
                        .arg(double(listing->ms) / 1000.0, 0, 'f', 0));
            }
        }
        previous[size_t(listing->server)] = listing;
    }
    // Every player a delivered answer listed has a stay on that server in the log.
    for (const auto &[id, server] : everSeen) {
        bool logged = false;
        for (const PlayerEvent &event : events.value(id))
            logged = logged || (event.begins && event.server == sims.name(server));
        check.expect(logged, QStringLiteral("%1 (%2) listed by %3 never entered the log")
                                 .arg(record.names.value(id), id, sims.name(server)));
    }

    // Every server was visited again and again, whatever its faults.
    int visitsLeast = std::numeric_limits<int>::max();
    std::vector<int> logins(size_t(serverCount), 0);
    for (const Login &login : record.logins)
        ++logins[size_t(login.server)];
    for (int i = 0; i < serverCount; ++i) {
        visitsLeast = std::min(visitsLeast, logins[size_t(i)]);
        check.expect(logins[size_t(i)] > 0 || durationMs < 300000,
                     sims.name(i) + QStringLiteral(" was never visited"));
    }
    std::map<QString, int> faultPeriods;
    for (const auto &serverPeriods : periods) {
        for (const Period &p : serverPeriods)
            ++faultPeriods[faultName(p.fault)];
    }

    // Stalls after the start-up, and memory from the end of the start-up to the end.
    qint64 longestStartUp = 0;
    qint64 longestRunning = 0;
    int stallsOver100 = 0;
    for (const Stall &stall : stalls) {
        if (stall.consoleMs < kStartUpMs) {
            longestStartUp = std::max(longestStartUp, stall.ms);
            continue;
        }
        longestRunning = std::max(longestRunning, stall.ms);
        stallsOver100 += stall.ms > 100;
    }
    ProcessFigures first = samples.empty() ? last : samples.front().second;
    qint64 firstAt = samples.empty() ? 0 : samples.front().first;
    for (const auto &[at, figures] : samples) {
        if (at >= kRssStartMs) {
            first = figures;
            firstAt = at;
            break;
        }
    }
    qint64 peakRss = 0;
    for (const auto &entry : samples)
        peakRss = std::max(peakRss, entry.second.rssKb);
    const double growthMiB = double(last.rssKb - first.rssKb) / 1024.0;

    int serverLogs = 0;
    qint64 serverLogBytes = 0;
    QDirIterator logs(folder + QStringLiteral("/logs"), {QStringLiteral("*.log")}, QDir::Files);
    while (logs.hasNext()) {
        const QFileInfo info(logs.next());
        if (info.fileName() == QLatin1String("kvd.log"))
            continue;
        ++serverLogs;
        serverLogBytes += info.size();
    }

    std::printf("\nsoak: %d servers, %.1f minutes, %d fault rounds of %lld s\n", serverCount,
                double(endedMs - startedMs) / 60000.0, round, rotateMs / 1000);
    std::printf("  fault periods:");
    for (const auto &[name, count] : faultPeriods)
        std::printf(" %s %d,", qPrintable(name), count);
    std::printf("\n  servers saw %zu logins (%d refused under refuse-login), %zu player lists "
                "(%zu delivered whole); fewest logins of a server: %d\n",
                record.logins.size(), refusedLogins, record.listings.size(), delivered.size(),
                visitsLeast);
    std::printf("  status lines: %d (", statusLines);
    for (const auto &[word, count] : statusCounts)
        std::printf("%s %d, ", qPrintable(word), count);
    std::printf("), %d statuses implied by the servers checked\n", impliedChecks);
    std::printf("  player lines: %d stays begun, %d ended, %lld players; joins between answers "
                "%d, departures %d\n",
                joinLines, endLines, qint64(events.size()), joinsSeen, departuresSeen);
    std::printf("  server logs of the background watch: %d files, %.1f KiB\n", serverLogs,
                double(serverLogBytes) / 1024.0);
    const auto stallText = [stallThreshold](qint64 ms) {
        return ms > 0 ? QStringLiteral("%1 ms").arg(ms)
                      : QStringLiteral("under %1 ms").arg(stallThreshold);
    };
    std::printf("  longest event-loop stall: %s after start-up (%d over 100 ms), %s during "
                "start-up, %lld ms over the whole run with the exit  target: none over 100 ms\n",
                qPrintable(stallText(longestRunning)), stallsOver100,
                qPrintable(stallText(longestStartUp)), longestAtExit);
    std::printf("  RSS: %.1f MiB at %.1f min, %.1f MiB at the end, growth %.2f MiB, peak %.1f MiB"
                "  target: growth < 5 MiB over 10 minutes\n",
                double(first.rssKb) / 1024.0, double(firstAt) / 60000.0,
                double(last.rssKb) / 1024.0, growthMiB, double(peakRss) / 1024.0);
    std::printf("  open files: %d at start, %d at the end; error entries on stderr: %d\n",
                first.fds, last.fds, errorEntries);
    std::printf("  exit: %s in %lld ms, exit code %d; processes left behind: %s\n",
                ended ? "ended" : "DID NOT END", exitMs, console.exitCode(),
                leftBehind.isEmpty() ? "none" : qPrintable(leftBehind.join(QLatin1Char(' '))));

    if (parser.isSet(keepOption)) {
        const QString keep = parser.value(keepOption);
        QDir().mkpath(keep + QStringLiteral("/logs"));
        QDirIterator files(folder, QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = files.next();
            const QString target = keep + QLatin1Char('/') + QDir(folder).relativeFilePath(path);
            QFile::remove(target);
            QFile::copy(path, target);
        }
    }

    const bool targets = longestRunning <= 100 && (durationMs < 600000 || growthMiB < 5.0);
    std::printf("  checks: %d passed, %lld failed; targets %s\n", check.passed,
                qint64(check.failures.size()), targets ? "met" : "MISSED");
    for (const QString &failure : std::as_const(check.failures))
        std::printf("    FAILED: %s\n", qPrintable(failure));
    return check.failures.isEmpty() && targets ? 0 : 1;
}
