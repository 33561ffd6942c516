// Prints the cost of a keystroke in the log searches: the program log at its full 100,000 lines
// and the chat at its full 19,999 lines, each keystroke timed from the change of the box until
// the window has laid out and painted the result.
#include "base/ProgramLog.h"
#include "chat/ChatLine.h"
#include "chat/ChatLog.h"
#include "stats/StatisticsRunner.h"
#include "ui/ChatPanel.h"
#include "ui/ChatView.h"
#include "ui/LineFilter.h"
#include "ui/LogPanel.h"
#include "ui/LogSearch.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
const char *const kServers[] = {"The Island", "Scorched Earth", "Aberration", "Extinction",
                                "Ragnarok",   "Valguero",       "Genesis",    "Crystal Isles"};

QStringList fullProgramLog() {
    QStringList lines;
    lines.reserve(ProgramLog::kMaxLines);
    for (int i = 0; i < ProgramLog::kMaxLines; ++i) {
        const QString server = QLatin1String(kServers[i % 8]);
        const QString stamp = QStringLiteral("[2612%1-%2%3%4] ")
                                  .arg(10 + i % 18)
                                  .arg(i % 24, 2, 10, QLatin1Char('0'))
                                  .arg(i % 60, 2, 10, QLatin1Char('0'))
                                  .arg((i * 7) % 60, 2, 10, QLatin1Char('0'));
        QString text;
        switch (i % 4) {
        case 0:
            text = QStringLiteral("Player: `Survivor %1´ (7656119800%2) joined @ `%3´")
                       .arg(i % 900)
                       .arg(i % 9000, 7, 10, QLatin1Char('0'))
                       .arg(server);
            break;
        case 1:
            text = QStringLiteral("Player: `Survivor %1´ (7656119800%2) has left `%3´ - Duration "
                                  "{01:%4:03}")
                       .arg(i % 900)
                       .arg(i % 9000, 7, 10, QLatin1Char('0'))
                       .arg(server)
                       .arg(i % 60, 2, 10, QLatin1Char('0'));
            break;
        case 2:
            text = QStringLiteral("Serverstatus (%1):  Online").arg(server);
            break;
        default:
            text = QStringLiteral("Chat opened (%1)").arg(server);
            break;
        }
        lines << stamp + text;
    }
    return lines;
}

// Lets the window lay out and paint what the keystroke changed, as the event loop would.
void settle(QWidget *window) {
    QEventLoop loop;
    QTimer::singleShot(0, &loop, &QEventLoop::quit);
    loop.exec();
    window->repaint();
}

struct Figures {
    std::vector<double> ms;
    void add(double value) { ms.push_back(value); }
    double median() const {
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        return sorted[sorted.size() / 2];
    }
    double max() const { return *std::max_element(ms.begin(), ms.end()); }
};

// Types `text` into `field` one character at a time, starting from `start`; `between` runs
// before each keystroke (outside the timing).
Figures type(QWidget *window, QLineEdit *field, const QString &start, const QString &text,
             const std::function<void()> &between = {}) {
    Figures figures;
    QString box = start;
    for (const QChar c : text) {
        if (between)
            between();
        box = c == QLatin1Char('\b') ? box.chopped(1) : box + c;
        QElapsedTimer timer;
        timer.start();
        field->setText(box);
        settle(window);
        figures.add(double(timer.nsecsElapsed()) / 1e6);
    }
    return figures;
}

void report(const char *what, const Figures &figures, const LogSearch *search) {
    const int hits = search->hitCount();
    std::printf("%-62s median %6.1f ms  max %6.1f ms  (%d hits at the end; target < 50 ms)\n", what,
                figures.median(), figures.max(), hits);
}

// The filter alone, without the window: what the lower-case copy costs, and a keystroke on it.
void benchFilter() {
    const QStringList lines = fullProgramLog();
    const QLocale locale;
    std::vector<double> plain;
    std::vector<double> ours;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer timer;
        timer.start();
        QStringList lowered;
        lowered.reserve(lines.size());
        for (const QString &line : lines)
            lowered << locale.toLower(line);
        plain.push_back(double(timer.nsecsElapsed()) / 1e6);
        LineFilter filter(locale);
        timer.restart();
        filter.filter(lines, filter.words(QStringLiteral("s")));
        ours.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(plain.begin(), plain.end());
    std::sort(ours.begin(), ours.end());
    std::printf("filter only, 100,000 lines: lower case by QLocale alone %.1f ms; first "
                "keystroke (lower-case copy and filter) %.1f ms\n",
                plain[2], ours[2]);
    LineFilter filter(locale);
    filter.filter(lines, filter.words(QStringLiteral("survivor")));
    QElapsedTimer timer;
    timer.start();
    filter.filter(lines, filter.words(QStringLiteral("survivor 1")));
    const double narrowed = double(timer.nsecsElapsed()) / 1e6;
    timer.restart();
    filter.filter(lines, filter.words(QStringLiteral("survivor")));
    const double widened = double(timer.nsecsElapsed()) / 1e6;
    std::printf(
        "filter only, 100,000 lines: a narrowing keystroke %.1f ms, a widening one %.1f ms\n",
        narrowed, widened);
}

void benchProgramLog() {
    QTemporaryDir dir;
    ProgramLog log(dir.path());
    log.setLines(fullProgramLog());
    StatisticsRunner statistics(log.logsDir());
    LogPanel panel(&log, &statistics);
    panel.resize(1000, 300);
    panel.show();
    settle(&panel);
    LogSearch *search = panel.search();
    QLineEdit *field = search->field();

    // From an empty box: the first keystroke also makes the lower-case copy of the log.
    report("program log, typing \"survivor 12 island\" into an empty box",
           type(&panel, field, QString(), QStringLiteral("survivor 12 island")), search);
    report("program log, backspacing it to \"survivor 1\" (each a full search)",
           type(&panel, field, field->text(), QStringLiteral("\b\b\b\b\b\b\b\b")), search);
    field->clear();
    settle(&panel);

    // A new entry before every keystroke: the log changed, so each one searches all lines.
    int entry = 0;
    report("program log, \"joined 5 ragnarok\", an entry before each key",
           type(&panel, field, QString(), QStringLiteral("joined 5 ragnarok"),
                [&log, &entry] {
                    log.message(QStringLiteral("Serverstatus (Server %1):  Online").arg(++entry));
                }),
           search);
    field->clear();
    settle(&panel);

    // One letter that nearly every line holds: the most the result view ever shows.
    report("program log, \"e\" (nearly every line a hit)",
           type(&panel, field, QString(), QStringLiteral("e")), search);
    field->clear();
    settle(&panel);
}

void benchChat() {
    ChatLog log;
    QList<ChatLine> lines;
    for (int i = 0; i < ChatLog::kMaxLines; ++i)
        lines << ChatLine::fromDisplayText(
            QStringLiteral("[261210-10%1%2] Survivor %3 (Tribe of %4): hello there, line %5")
                .arg(i % 60, 2, 10, QLatin1Char('0'))
                .arg((i * 7) % 60, 2, 10, QLatin1Char('0'))
                .arg(i % 300)
                .arg(QLatin1String(kServers[i % 8]))
                .arg(i));
    log.setLines(lines);
    ChatPanel panel;
    panel.chatView()->setChatLog(&log);
    panel.resize(1000, 500);
    panel.show();
    QElapsedTimer shown;
    shown.start();
    while (!panel.chatView()->isUpToDate() && shown.elapsed() < 60000)
        settle(&panel);
    LogSearch *search = panel.search();
    QLineEdit *field = search->field();
    field->setEnabled(true);
    report("chat, typing \"survivor 2 island\" into an empty box",
           type(&panel, field, QString(), QStringLiteral("survivor 2 island")), search);
    report("chat, backspacing it to \"survivor 2\"",
           type(&panel, field, field->text(), QStringLiteral("\b\b\b\b\b\b\b")), search);
    field->clear();
    settle(&panel);
    report("chat, \"h\" (every line a hit)", type(&panel, field, QString(), QStringLiteral("h")),
           search);
}
} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    Theme::apply(app);
    benchFilter();
    benchProgramLog();
    benchChat();
    return 0;
}
