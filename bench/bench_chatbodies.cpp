// One response body of any shape, processed into a chat view that already holds 19,999 lines
// (ChatLog::processBody: split, stamp, drop duplicates, colour, append and trim; no file write).
// Target: under 100 ms for any 1 MiB body. A hostile server chooses the shape, so the shapes
// are the bad ones: bare line feeds, minimal lines, long lines that share one stamp, one huge
// line, two huge lines that are each other's duplicate, besides a realistic game log.
//
// Without arguments every shape runs in a child process of its own, so that each one reports
// its own peak memory and a shape that hangs is stopped after --timeout seconds (default 120).
// With shape names as arguments only those run, in this process.
#include "chat/ChatLineProcessor.h"
#include "chat/ChatLog.h"

#include "BenchGameLines.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTextStream>

#include <sys/resource.h>

#include <algorithm>
#include <functional>

namespace {

using Mode = ChatLineProcessor::Mode;

constexpr int kMiB = 1024 * 1024;
const QDateTime kReceived(QDate(2017, 1, 5), QTime(9, 8, 7));

struct Shape {
    const char *name;
    const char *title;
    Mode mode;
    std::function<QString()> body;
};

QString gameStamp(int second) {
    return QStringLiteral("2017.01.05_%1.%2.%3: ")
        .arg(second / 3600 % 24, 2, 10, QLatin1Char('0'))
        .arg(second / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(second % 60, 2, 10, QLatin1Char('0'));
}

// Words that seldom repeat, so that counting shared words finds few and reads them all.
QString word(quint32 n) {
    static const char *const stems[] = {"Raptor", "Anna", "killed", "tamed", "Tribe", "Rex",
                                        "Lvl",    "Day",  "cave",   "Bob",   "wurde", "get?tet"};
    return QString::fromLatin1(stems[n % 12]) + QString::number(n % 9973);
}

// The same seed gives the same words.
QString wordsLine(quint32 seed, int words) {
    QString text;
    for (int i = 0; i < words; ++i) {
        if (i > 0)
            text += QLatin1Char(' ');
        text += word(seed * 7919 + quint32(i));
    }
    return text;
}

QString fillTo(int bytes, const std::function<QString(int)> &line) {
    QString body;
    body.reserve(bytes + 4096);
    for (int i = 0; body.size() < bytes; ++i)
        body += line(i);
    body.truncate(bytes);
    return body;
}

QString realisticGameLog(int bytes) {
    const QString tame = QStringLiteral("Tribe Stoneclaw, ID 1387: Day 212, 04:11:09: Anna "
                                        "zähmte a Raptor - Lvl 120 (Raptor)!");
    return fillTo(bytes, [&](int i) {
        const QString stamp = gameStamp(i / 3);
        switch (i % 6) {
        case 0:
            return stamp + kRichDeathLine;
        case 1:
            // The plain copy the game writes after a coloured tribe line: dropped.
            return stamp + QStringLiteral("Tribe Stoneclaw, ID 1387: Day 212, 04:11:09: Anna "
                                          "was killed by a Raptor - Lvl 120 (Raptor)!\n");
        case 2:
            return stamp + kPlayerChatLine;
        case 3:
            return stamp + kAdminCommandLine;
        case 4:
            return stamp + tame + QLatin1Char('\n');
        default:
            return stamp + QStringLiteral("Tribe Stoneclaw, ID 1387: Day 212, 04:12:00: Raptor "
                                          "wurde get?tet!\n");
        }
    });
}

QList<Shape> shapes() {
    return {
        {"linefeeds", "1 MiB of bare line feeds (game log)", Mode::GameLog,
         [] { return QString(kMiB, QLatin1Char('\n')); }},
        {"linefeeds-chat", "1 MiB of bare line feeds (chat)", Mode::Chat,
         [] { return QString(kMiB, QLatin1Char('\n')); }},
        {"short-lines", "1 MiB of 9-character lines (game log)", Mode::GameLog,
         [] { return fillTo(kMiB, [](int) { return QStringLiteral("abcdefghi\n"); }); }},
        // Every other plain line repeats the coloured line before it; the others share nothing.
        {"shared-stamp", "1 MiB of 2,000-word game-log lines, one stamp, coloured and plain",
         Mode::GameLog,
         [] {
             return fillTo(kMiB, [](int i) {
                 const QString words = wordsLine(quint32(i % 4 == 3 ? i : i / 2 * 2), 2000);
                 if (i % 2 == 0)
                     return gameStamp(0) +
                            QStringLiteral("Tribe A, ID 1: <RichColor Color=\"1, 0, "
                                           "0, 1\">") +
                            words + QStringLiteral("</>\n");
                 return gameStamp(0) + QStringLiteral("Tribe A, ID 1: ") + words +
                        QLatin1Char('\n');
             });
         }},
        {"one-line", "one 1 MiB line without line feed (game log)", Mode::GameLog,
         [] {
             return gameStamp(0) + fillTo(kMiB - 21, [](int i) {
                        return wordsLine(quint32(i), 50) + QLatin1Char(' ');
                    });
         }},
        {"two-lines", "two 512 KiB lines, one stamp, coloured then plain", Mode::GameLog,
         [] {
             const int half = kMiB / 2;
             const QString opening =
                 gameStamp(0) + QStringLiteral("Tribe A, ID 1: <RichColor Color=\"1, 0, 0, 1\">");
             const QString words = fillTo(half - int(opening.size()) - 4, [](int i) {
                 return wordsLine(quint32(i), 50) + QLatin1Char(' ');
             });
             const QString plain = gameStamp(0) + QStringLiteral("Tribe A, ID 1: ");
             return opening + words + QStringLiteral("</>\n") + plain +
                    fillTo(half - int(plain.size()) - 1,
                           [](int i) { return wordsLine(quint32(i) + 5, 50) + QLatin1Char(' '); }) +
                    QLatin1Char('\n');
         }},
        {"two-lines-distinct", "two 512 KiB lines, one stamp, coloured then plain, no word shared",
         Mode::GameLog,
         [] {
             const int half = kMiB / 2;
             const QString opening =
                 gameStamp(0) + QStringLiteral("Tribe A, ID 1: <RichColor Color=\"1, 0, 0, 1\">");
             const QString words = fillTo(half - int(opening.size()) - 4, [](int i) {
                 return wordsLine(quint32(i), 50) + QLatin1Char(' ');
             });
             const QString plain = gameStamp(0) + QStringLiteral("Tribe A, ID 1: ");
             QString other = fillTo(half - int(plain.size()) - 1, [](int i) {
                 return wordsLine(quint32(i), 50) + QLatin1Char(' ');
             });
             other = other.toUpper(); // words compare case-sensitively
             return opening + words + QStringLiteral("</>\n") + plain + other + QLatin1Char('\n');
         }},
        // The most colouring per line: a chat marker and a colour tag in lines of 64 characters.
        {"coloured-lines", "1 MiB of short coloured chat lines (game log)", Mode::GameLog,
         [] {
             return fillTo(kMiB, [](int i) {
                 return gameStamp(i) + QStringLiteral("Al (Rex): <RichColor Color=\"1, 0, 0, "
                                                      "1\">hi %1</>\n")
                                           .arg(i % 100, 2, 10, QLatin1Char('0'));
             });
         }},
        {"realistic", "1 MiB of a realistic game log", Mode::GameLog,
         [] { return realisticGameLog(kMiB); }},
        {"chat-lines", "1 MiB of player chat (chat mode)", Mode::Chat,
         [] {
             return fillTo(kMiB, [](int i) {
                 return QStringLiteral("Bob%1 (Rex): ").arg(i % 50) + wordsLine(quint32(i), 8) +
                        QLatin1Char('\n');
             });
         }},
        {"linefeeds-5mib", "5 MiB of bare line feeds (game log)", Mode::GameLog,
         [] { return QString(5 * kMiB, QLatin1Char('\n')); }},
    };
}

double peakMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0; // kilobytes on Linux
}

int runShape(const Shape &shape, QTextStream &out) {
    // A full view, as a console that has been running for a while holds it.
    ChatLog seed;
    seed.processBody(realisticGameLog(3 * kMiB), Mode::GameLog, kReceived);
    const QList<ChatLine> fullView = seed.lines();
    const QString body = shape.body();
    const double baseline = peakMiB();

    QList<double> times;
    QElapsedTimer total;
    total.start();
    int kept = 0;
    // Slow shapes run once; fast ones often enough for a stable median.
    while (times.size() < 9 && (times.isEmpty() || total.elapsed() < 2000)) {
        ChatLog log;
        log.setLines(fullView);
        QElapsedTimer timer;
        timer.start();
        log.processBody(body, shape.mode, kReceived);
        times << timer.nsecsElapsed() / 1e6;
        kept = log.lineCount();
        if (kept > ChatLog::kMaxLines)
            return 1;
    }
    std::sort(times.begin(), times.end());
    out << QStringLiteral("%1 [%2]: median %3 ms, min %4 ms (%5 runs), view %6 lines, "
                          "peak RSS %7 MiB (%8 MiB before the first run)\n")
               .arg(QString::fromLatin1(shape.title), QString::fromLatin1(shape.name))
               .arg(times.at(times.size() / 2), 0, 'f', 2)
               .arg(times.constFirst(), 0, 'f', 2)
               .arg(times.size())
               .arg(kept)
               .arg(peakMiB(), 0, 'f', 0)
               .arg(baseline, 0, 'f', 0);
    out.flush();
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QStringList names = app.arguments().mid(1);
    int timeoutSeconds = 120;
    const qsizetype timeoutAt = names.indexOf(QStringLiteral("--timeout"));
    if (timeoutAt >= 0 && timeoutAt + 1 < names.size()) {
        timeoutSeconds = names.at(timeoutAt + 1).toInt();
        names.remove(timeoutAt, 2);
    }

    const QList<Shape> all = shapes();
    if (!names.isEmpty()) {
        for (const QString &name : std::as_const(names)) {
            const auto shape = std::find_if(all.cbegin(), all.cend(), [&](const Shape &s) {
                return name == QLatin1String(s.name);
            });
            if (shape == all.cend()) {
                out << "unknown shape: " << name << Qt::endl;
                return 2;
            }
            if (runShape(*shape, out) != 0)
                return 1;
        }
        return 0;
    }

    out << "chat bodies: one body into a view of " << ChatLog::kMaxLines
        << " lines (target < 100 ms per 1 MiB body)" << Qt::endl;
    int failures = 0;
    for (const Shape &shape : all) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(app.applicationFilePath(), {QString::fromLatin1(shape.name)});
        if (!child.waitForFinished(timeoutSeconds * 1000)) {
            child.kill();
            child.waitForFinished();
            out << shape.title << " [" << shape.name << "]: stopped after " << timeoutSeconds
                << " s" << Qt::endl;
            ++failures;
        } else if (child.exitCode() != 0) {
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
