// Processing a 2,000-line game-log block into a chat log that already holds 19,999 lines,
// including the write of the server log file. Target: under 150 ms per block.
#include "chat/ChatLineProcessor.h"
#include "chat/ChatLog.h"
#include "chat/RtfWriter.h"
#include "chat/ServerLogFile.h"

#include "BenchGameLines.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

namespace {

QString gameLogBlock(int lines, int second) {
    QString body;
    for (int i = 0; i < lines; ++i) {
        const QString stamp = QStringLiteral("2017.01.05_09.%1.%2: ")
                                  .arg((second + i) / 60 % 60, 2, 10, QLatin1Char('0'))
                                  .arg((second + i) % 60, 2, 10, QLatin1Char('0'));
        switch (i % 5) {
        case 0:
            body += stamp + kRichDeathLine;
            break;
        case 1:
            body += stamp + QStringLiteral("Tribe Stoneclaw, ID 1387: Day 212, 04:11:09: Anna "
                                           "was killed by a Raptor - Lvl 120 (Raptor)!\n");
            break;
        case 2:
            body += stamp + kPlayerChatLine;
            break;
        case 3:
            body += stamp + kAdminCommandLine;
            break;
        default:
            body += stamp + QStringLiteral("Tribe Stoneclaw, ID 1387: Day 212, 04:12:00: Raptor "
                                           "wurde get?tet!\n");
        }
    }
    return body + QStringLiteral(" \n");
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir dir;
    ServerLogFile file(dir.filePath(QStringLiteral("Bench.log")));

    ChatLog seed;
    seed.processBody(gameLogBlock(ChatLog::kMaxLines, 0), ChatLineProcessor::Mode::GameLog,
                     QDateTime());
    const QList<ChatLine> fullView = seed.lines();

    constexpr int kRounds = 15;
    QList<double> process, write, total;
    qint64 fileSize = 0;
    for (int round = 0; round < kRounds; ++round) {
        ChatLog log;
        log.setLines(fullView);
        const QString block = gameLogBlock(2000, 7 * round);
        QElapsedTimer timer;
        timer.start();
        const auto result = log.processBody(block, ChatLineProcessor::Mode::GameLog, QDateTime());
        const qint64 processed = timer.nsecsElapsed();
        if (!result.saveWanted || !file.save(log)) {
            out << "save failed: " << file.errorString() << Qt::endl;
            return 1;
        }
        const qint64 done = timer.nsecsElapsed();
        process << processed / 1e6;
        write << (done - processed) / 1e6;
        total << done / 1e6;
        fileSize = QFileInfo(file.path()).size();
        if (log.lineCount() > ChatLog::kMaxLines)
            return 1;
    }

    // The document alone, without the disk: the rest of the write is the atomic save itself.
    QList<double> build;
    for (int round = 0; round < kRounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        const QByteArray document = RtfWriter::write(fullView);
        build << timer.nsecsElapsed() / 1e6;
        if (document.isEmpty())
            return 1;
    }

    QElapsedTimer loadTimer;
    loadTimer.start();
    ChatLog loaded;
    file.loadInto(loaded);
    const double loadMs = loadTimer.nsecsElapsed() / 1e6;

    const auto median = [](QList<double> v) {
        std::sort(v.begin(), v.end());
        return v.at(v.size() / 2);
    };
    const auto minimum = [](const QList<double> &v) {
        return *std::min_element(v.begin(), v.end());
    };
    out << "chat lines: 2,000-line game-log block into a view of " << ChatLog::kMaxLines
        << " lines, " << kRounds << " rounds\n";
    out << QStringLiteral("  process + trim : median %1 ms, min %2 ms\n")
               .arg(median(process), 0, 'f', 2)
               .arg(minimum(process), 0, 'f', 2);
    out << QStringLiteral("  file write     : median %1 ms, min %2 ms (%3 KiB RTF)\n")
               .arg(median(write), 0, 'f', 2)
               .arg(minimum(write), 0, 'f', 2)
               .arg(fileSize / 1024);
    out << QStringLiteral("  of which RTF   : median %1 ms (document built in memory)\n")
               .arg(median(build), 0, 'f', 2);
    out << QStringLiteral("  total          : median %1 ms, min %2 ms (target < 150 ms)\n")
               .arg(median(total), 0, 'f', 2)
               .arg(minimum(total), 0, 'f', 2);
    out << QStringLiteral("  file load      : %1 ms for %2 lines\n")
               .arg(loadMs, 0, 'f', 2)
               .arg(loaded.lineCount());
    return 0;
}
