// The UI cost of showing a 2,000-line game-log block in a chat view that already holds 19,999
// lines: the block is appended and the oldest lines trimmed, then the view lays out and paints.
// A 2 ms heartbeat timer measures how long the event loop stalls. Target: no stall over 100 ms.
#include "chat/ChatLineProcessor.h"
#include "chat/ChatLog.h"
#include "ui/ChatView.h"

#include "BenchGameLines.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTextStream>
#include <QTimer>

#include <algorithm>

namespace {

constexpr int kBlockLines = 2000;
constexpr int kRounds = 10;

QString gameLogBlock(int lines, int second) {
    QString body;
    for (int i = 0; i < lines; ++i) {
        const int s = second + i;
        const QString stamp = QStringLiteral("2017.01.%1_09.%2.%3: ")
                                  .arg(s / 3600 % 28 + 1, 2, 10, QLatin1Char('0'))
                                  .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
                                  .arg(s % 60, 2, 10, QLatin1Char('0'));
        switch (i % 4) {
        case 0:
            body += stamp + kRichDeathLine;
            break;
        case 1:
            body += stamp + kPlayerChatLine;
            break;
        case 2:
            body += stamp + kAdminCommandLine;
            break;
        default:
            body += stamp + QStringLiteral("SERVER: Admin says the cave is closed\n");
        }
    }
    return body;
}

// Runs the event loop for `ms` and returns the longest gap between heartbeat ticks.
qint64 longestStall(int ms, const std::function<void()> &work) {
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    heartbeat.setInterval(2);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    QEventLoop loop;
    clock.start();
    heartbeat.start();
    QTimer::singleShot(10, work);
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return longest;
}

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QTextStream out(stdout);

    ChatLog log;
    ChatView view;
    view.resize(1000, 600);
    view.setChatLog(&log);
    view.show();

    ChatLineProcessor::DuplicateMemory memory;
    QElapsedTimer timer;
    const ChatLineProcessor::Result seed = ChatLineProcessor::process(
        gameLogBlock(ChatLog::kMaxLines, 0), ChatLineProcessor::Mode::GameLog, QDateTime(), memory);
    timer.start();
    log.setLines(seed.lines);
    const qint64 loadMs = timer.elapsed();
    view.scrollToEnd();
    QCoreApplication::processEvents();

    QList<QList<ChatLine>> blocks;
    for (int round = 0; round < kRounds; ++round)
        blocks << ChatLineProcessor::process(
                      gameLogBlock(kBlockLines, ChatLog::kMaxLines + round * kBlockLines),
                      ChatLineProcessor::Mode::GameLog, QDateTime(), memory)
                      .lines;

    QList<qint64> appendMs;
    QList<qint64> stalls;
    for (int round = 0; round < kRounds; ++round) {
        // Half the rounds follow the end, half are scrolled up to read.
        if (round % 2 == 0)
            view.scrollToEnd();
        else
            view.verticalScrollBar()->setValue(1000);
        const qint64 stall = longestStall(400, [&] {
            QElapsedTimer append;
            append.start();
            log.append(blocks.at(round));
            log.trim();
            appendMs << append.elapsed();
        });
        stalls << stall;
    }

    std::sort(appendMs.begin(), appendMs.end());
    std::sort(stalls.begin(), stalls.end());
    out << "chat view: " << ChatLog::kMaxLines << " lines shown, blocks of " << kBlockLines
        << " lines appended and trimmed, " << kRounds << " rounds\n";
    out << "  initial load of " << ChatLog::kMaxLines << " lines: " << loadMs << " ms\n";
    out << "  append + trim (median / max): " << appendMs.at(kRounds / 2) << " / "
        << appendMs.last() << " ms\n";
    out << "  longest event-loop stall (median / max): " << stalls.at(kRounds / 2) << " / "
        << stalls.last() << " ms (target: none over 100 ms)\n";
    out << "  lines in the view after the rounds: " << view.document()->blockCount() << "\n";
    return 0;
}
