// The console tab showing a 1 MiB answer: the longest event-loop stall (a 2 ms heartbeat) and the
// time until the whole answer is in the output view. Three cases: an answer of 16,000 lines that
// reaches the view straight, the same through a simulated game server that sends it in packets of
// 4,096 bytes as real servers do (the command channel joins them), and one line of a megabyte.
// Target: no stall over 50 ms.
#include "base/ProgramState.h"
#include "commands/CommandHistory.h"
#include "commands/CommandSender.h"
#include "commands/ConsoleExchange.h"
#include "commands/ConsoleSession.h"
#include "commands/SenderPort.h"
#include "monitor/PlayerListModel.h"
#include "monitor/PlayerTracker.h"
#include "servers/ServerListModel.h"
#include "ui/ConsoleOutputView.h"
#include "ui/ConsolePanel.h"

#include "SimServer.h"
#include "StallMeter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <functional>

namespace {

constexpr qsizetype kAnswerBytes = 1024 * 1024;

QString manyLines() {
    QString text;
    for (int i = 0; text.size() < kAnswerBytes; ++i)
        text += QStringLiteral("%1. Tribe member number %1, 7656119800%2, level 105\n")
                    .arg(i)
                    .arg(i, 7, 10, QLatin1Char('0'));
    return text;
}

struct Figures {
    qint64 stallMs = 0;
    qint64 shownMs = 0;
};

// Runs `start` inside the measured event loop and waits until `done` holds (30 s at most).
Figures measure(const std::function<void()> &start, const std::function<bool()> &done) {
    StallMeter meter;
    QEventLoop loop;
    QElapsedTimer shown;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    meter.start();
    QTimer::singleShot(20, [&] {
        shown.start();
        start();
        poll.start(1);
    });
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    loop.exec();
    return {meter.longestMs(), shown.isValid() ? shown.elapsed() : -1};
}

void print(QTextStream &out, const char *label, const Figures &figures) {
    out << label << ": longest stall " << figures.stallMs << " ms, whole answer shown after "
        << figures.shownMs << " ms\n";
}

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QTextStream out(stdout);
    const QString lines = manyLines();
    out << "answer: " << lines.size() << " characters, " << lines.count(QLatin1Char('\n'))
        << " lines\n";

    {
        ConsoleOutputView view;
        view.resize(900, 300);
        view.show();
        ConsoleExchange exchange;
        exchange.sent = QDateTime::currentDateTime();
        exchange.server = QStringLiteral("Alpha");
        exchange.command = QStringLiteral("GetTribeIdPlayerList 1234");
        exchange.state = ConsoleExchange::State::Answered;
        exchange.text = lines;
        print(out, "lines, straight into the view",
              measure([&] { view.appendExchange(exchange); }, [&] { return view.isComplete(); }));
        exchange.text = QString(kAnswerBytes, QLatin1Char('x'));
        print(out, "one line of 1 MiB, straight into the view",
              measure([&] { view.appendExchange(exchange); }, [&] { return view.isComplete(); }));
    }

    QTemporaryDir dir;
    SimServer sim(QStringLiteral("Alpha"), QStringLiteral("pw"));
    sim.start();
    sim.setAnswerFor(QStringLiteral("GetTribeIdPlayerList"), lines);
    sim.setFault(SimServer::SplitAnswer);
    ProgramState state;
    ServerListModel servers(dir.filePath(QStringLiteral("server.dat")));
    const int row = servers.appendServer(
        {QStringLiteral("Alpha"), sim.host(), sim.portText(), QStringLiteral("pw")});
    servers.setState(row, ServerState::Online);
    PlayerTracker tracker;
    PlayerListModel players(&tracker);
    CommandSender sender(&servers, &state);
    SenderPort port(&sender);
    CommandHistory history(dir.filePath(QStringLiteral("console_history.txt")));
    ConsoleSession session(&servers, &port, &history);
    ConsolePanel panel(&session, &servers, &players);
    panel.resize(900, 300);
    panel.show();
    bool ended = false;
    QObject::connect(&session, &ConsoleSession::exchangeEnded, [&] { ended = true; });
    print(out, "lines, through a simulated server",
          measure(
              [&] {
                  session.send(QStringLiteral("Alpha"),
                               QStringLiteral("GetTribeIdPlayerList 1234"));
              },
              [&] { return ended && panel.output()->isComplete(); }));
    return 0;
}
