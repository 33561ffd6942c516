// The UI cost of showing a 2,000-line game-log block in a chat view that already holds 19,999
// lines: the block is appended and the oldest lines trimmed, then the view lays out and paints,
// a slice per event-loop turn. A 2 ms heartbeat timer measures how long the event loop stalls;
// the time until the view shows the whole block is taken as well, and the same for the initial
// load of 19,999 lines. Target: no stall over 50 ms, also with the other core busy.
#include "chat/ChatLineProcessor.h"
#include "chat/ChatLog.h"
#include "ui/ChatView.h"

#include "BenchGameLines.h"
#include "StallMeter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>

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
    StallMeter meter;
    QEventLoop loop;
    meter.start();
    QTimer::singleShot(10, work);
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return meter.longestMs();
}

// Calls `done` with the milliseconds since `clock` started once the view shows the whole log.
void whenShown(ChatView &view, const QElapsedTimer &clock,
               const std::function<void(qint64)> &done) {
    if (view.isUpToDate()) {
        done(clock.elapsed());
        return;
    }
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(&view, &ChatView::caughtUp, [connection, &clock, done] {
        QObject::disconnect(*connection);
        done(clock.elapsed());
    });
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
    qint64 loadCallMs = -1;
    qint64 loadShownMs = -1;
    const qint64 loadStall = longestStall(3000, [&] {
        timer.start();
        log.setLines(seed.lines);
        loadCallMs = timer.elapsed();
        view.scrollToEnd();
        whenShown(view, timer, [&](qint64 ms) { loadShownMs = ms; });
    });

    QList<QList<ChatLine>> blocks;
    for (int round = 0; round < kRounds; ++round)
        blocks << ChatLineProcessor::process(
                      gameLogBlock(kBlockLines, ChatLog::kMaxLines + round * kBlockLines),
                      ChatLineProcessor::Mode::GameLog, QDateTime(), memory)
                      .lines;

    // The stalls a loaded machine causes by itself, to read the figures below against.
    QList<qint64> idleStalls;
    for (int round = 0; round < kRounds; ++round)
        idleStalls << longestStall(400, [] {});

    QList<qint64> appendMs;
    QList<qint64> shownMs;
    QList<qint64> stalls;
    for (int round = 0; round < kRounds; ++round) {
        // Half the rounds follow the end, half are scrolled up to lines the trim leaves.
        if (round % 2 == 0)
            view.scrollToEnd();
        else
            view.verticalScrollBar()->setValue(5000);
        QElapsedTimer append;
        const qint64 stall = longestStall(400, [&] {
            append.start();
            log.append(blocks.at(round));
            log.trim();
            appendMs << append.elapsed();
            whenShown(view, append, [&](qint64 ms) { shownMs << ms; });
        });
        stalls << stall;
    }

    std::sort(appendMs.begin(), appendMs.end());
    std::sort(shownMs.begin(), shownMs.end());
    std::sort(stalls.begin(), stalls.end());
    std::sort(idleStalls.begin(), idleStalls.end());
    out << "chat view: " << ChatLog::kMaxLines << " lines shown, blocks of " << kBlockLines
        << " lines appended and trimmed, " << kRounds << " rounds\n";
    out << "  initial load of " << ChatLog::kMaxLines << " lines: call " << loadCallMs
        << " ms, all shown after "
        << (loadShownMs < 0 ? QStringLiteral("more than 3000") : QString::number(loadShownMs))
        << " ms, longest stall " << loadStall << " ms\n";
    out << "  append + trim call (median / max): " << appendMs.at(kRounds / 2) << " / "
        << appendMs.last() << " ms\n";
    if (shownMs.size() == kRounds)
        out << "  block fully shown after (median / max): " << shownMs.at(kRounds / 2) << " / "
            << shownMs.last() << " ms\n";
    else
        out << "  block fully shown: only " << shownMs.size() << " of " << kRounds
            << " rounds within their 400 ms\n";
    out << "  longest event-loop stall (median / max): " << stalls.at(kRounds / 2) << " / "
        << stalls.last() << " ms (target: none over 50 ms)\n";
    out << "  longest stall with nothing to show (median / max): " << idleStalls.at(kRounds / 2)
        << " / " << idleStalls.last() << " ms\n";
    out << "  lines in the view after the rounds: " << view.document()->blockCount()
        << (view.isUpToDate() && view.document()->blockCount() == log.lineCount()
                ? " (all of the log)\n"
                : " (NOT the log's lines)\n");
    return 0;
}
