#include "chat/ChatLineProcessor.h"

#include "ChatRunText.h"

#include <QtTest>

#include <limits>

using Mode = ChatLineProcessor::Mode;
using Outcome = ChatLineProcessor::Outcome;

namespace {

const QDateTime kReceived(QDate(2017, 1, 5), QTime(9, 8, 7));

QString colouredText(const ChatLine &line, const QColor &colour) {
    QString out;
    for (const ChatRun &run : line.runs()) {
        if (run.color == colour)
            out += line.displayText().mid(run.start, run.length);
    }
    return out;
}

QString gameLine(const QString &text) {
    return QStringLiteral("2017.01.05_09.08.07: ") + text;
}

const QString kRedTribeLine = gameLine(QStringLiteral(
    "Tribe Foo, ID 123: Day 5, 10:11:12: <RichColor Color=\"1, 0, 0, 1\">Bob was killed!</>)"));

} // namespace

class TestChatLines : public QObject {
    Q_OBJECT

private slots:
    void linesOfABlock_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("colours");

        const int chat = int(Mode::Chat);
        const int game = int(Mode::GameLog);

        QTest::newRow("player chat in chat mode")
            << chat << QStringLiteral("Bob (Rex): hi\n")
            << QStringList{QStringLiteral("[170105-090807] Bob (Rex): hi")}
            << QStringList{QStringLiteral("grey[0,15) white*[16,29)")};
        QTest::newRow("8 characters are no line")
            << chat << QStringLiteral("1234567\n") << QStringList{} << QStringList{};
        QTest::newRow("line with ): keeps its question marks")
            << chat << QStringLiteral("Bob (Rex): get?tet\n")
            << QStringList{QStringLiteral("[170105-090807] Bob (Rex): get?tet")}
            << QStringList{QStringLiteral("grey[0,15) white*[16,34)")};
        QTest::newRow("every repaired word")
            << chat
            << QStringLiteral("get?tet t?tete zerst?rte zerst?rt gez?hmt ?bernommen z?hmte "
                              "Flo? bef?rdert\n")
            << QStringList{QStringLiteral(u"[170105-090807] getötet tötete zerstörte zerstört "
                                          u"gezähmt übernommen zähmte Floß befördert")}
            << QStringList{QStringLiteral("grey[0,15)")};
        QTest::newRow("game stamp and stray parenthesis of a tribe line")
            << game
            << gameLine(QStringLiteral("Tribe Foo, ID 123: Day 5, 10:11:12: Bob was killed!)\n"))
            << QStringList{QStringLiteral(
                   "[170105-090807] Tribe Foo, ID 123: Day 5, 10:11:12: Bob was killed!")}
            << QStringList{QStringLiteral("grey[0,15)")};
        QTest::newRow("parenthesis stays without ID")
            << game << gameLine(QStringLiteral("Tribe Foo: Bob was killed!)\n"))
            << QStringList{QStringLiteral("[170105-090807] Tribe Foo: Bob was killed!)")}
            << QStringList{QStringLiteral("grey[0,15)")};
        QTest::newRow("red tag of a tribe line")
            << game << kRedTribeLine + QLatin1Char('\n')
            << QStringList{QStringLiteral(
                   "[170105-090807] Tribe Foo, ID 123: Day 5, 10:11:12: Bob was killed!")}
            << QStringList{QStringLiteral("grey[0,15) red[52,67)")};
        // Any four numbers from 0 to 1 colour the text by their value, as real tribe logs use.
        const auto tagged = [](const char *value) {
            return gameLine(QStringLiteral("Tribe Foo, ID 1: <RichColor Color=\"") +
                            QLatin1String(value) + QStringLiteral("\">Bob tamed a Dodo</>\n"));
        };
        const QStringList dodo{QStringLiteral("[170105-090807] Tribe Foo, ID 1: Bob tamed a Dodo")};
        QTest::newRow("tag of another value")
            << game << tagged("0.85, 0.15, 0.25, 1") << dodo
            << QStringList{QStringLiteral("grey[0,15) #d92640[33,49)")};
        QTest::newRow("white tag") << game << tagged("1, 1, 1, 1") << dodo
                                   << QStringList{QStringLiteral("grey[0,15) white[33,49)")};
        QTest::newRow("tag without blanks, opacity ignored")
            << game << tagged("1,0,0,0.5") << dodo
            << QStringList{QStringLiteral("grey[0,15) red[33,49)")};
        QTest::newRow("tag with fractions like .5 and 1.0")
            << game << tagged(".5, 1.0, 0.0, 1") << dodo
            << QStringList{QStringLiteral("grey[0,15) #80ff00[33,49)")};
        // A tag that does not read as four numbers from 0 to 1 stays as text.
        const auto kept = [](const char *value) {
            return QStringList{QStringLiteral("[170105-090807] Tribe Foo, ID 1: <RichColor "
                                              "Color=\"") +
                               QLatin1String(value) + QStringLiteral("\">Bob tamed a Dodo</>")};
        };
        const QStringList onlyStamp{QStringLiteral("grey[0,15)")};
        for (const char *value : {"1, 0, 0", "1, 0, 0, 1, 1", "2, 0, 0, 1", "-1, 0, 0, 1",
                                  "1e0, 0, 0, 1", "red", "1, , 0, 1", ""}) {
            QTest::addRow("tag \"%s\" stays as text", value)
                << game << tagged(value) << kept(value) << onlyStamp;
        }
        QTest::newRow("only the first tag is coloured")
            << game
            << gameLine(QStringLiteral("Tribe A, ID 1: <RichColor Color=\"0, 1, 0, 1\">x</>: "
                                       "<RichColor Color=\"0, 0, 1, 1\">y</>\n"))
            << QStringList{QStringLiteral(
                   "[170105-090807] Tribe A, ID 1: x: <RichColor Color=\"0, 0, 1, 1\">y</>")}
            << QStringList{QStringLiteral("grey[0,15) green[31,32)")};
        QTest::newRow("tag keeps the boldness of a chat line")
            << chat << QStringLiteral("Bob (Rex): <RichColor Color=\"0, 1, 1, 1\">hi</> all\n")
            << QStringList{QStringLiteral("[170105-090807] Bob (Rex): hi all")}
            << QStringList{QStringLiteral("grey[0,15) white*[16,27) cyan*[27,29) white*[29,33)")};
        QTest::newRow("admin command")
            << game
            << gameLine(QStringLiteral(
                   "AdminCmd: saveworld (PlayerName: Admin, ARKID: 1, SteamID: 765)\n"))
            << QStringList{QStringLiteral("[170105-090807] AdminCmd: saveworld (PlayerName: "
                                          "Admin, ARKID: 1, SteamID: 765)")}
            << QStringList{QStringLiteral("grey[0,15) orange*[16,79)")};
        QTest::newRow("admin command with chat text turns white")
            << game
            << gameLine(QStringLiteral("AdminCmd: ServerChat (Admin): hi (PlayerName: A)\n"))
            << QStringList{QStringLiteral(
                   "[170105-090807] AdminCmd: ServerChat (Admin): hi (PlayerName: A)")}
            << QStringList{QStringLiteral("grey[0,15) white*[16,64)")};
        QTest::newRow("server chat is yellow")
            << chat << QStringLiteral("SERVER: (Admin): hello\n")
            << QStringList{QStringLiteral("[170105-090807] SERVER: (Admin): hello")}
            << QStringList{QStringLiteral("grey[0,15) yellow*[16,38)")};
        QTest::newRow("server admin message is gold")
            << game << gameLine(QStringLiteral("SERVER: Admin restarts in 5 minutes\n"))
            << QStringList{QStringLiteral("[170105-090807] SERVER: Admin restarts in 5 minutes")}
            << QStringList{QStringLiteral("grey[0,15) gold*[16,51)")};
        QTest::newRow("other server lines are plain")
            << game << gameLine(QStringLiteral("SERVER: world saved\n"))
            << QStringList{QStringLiteral("[170105-090807] SERVER: world saved")}
            << QStringList{QStringLiteral("grey[0,15)")};
        QTest::newRow("remainder without line feed is the last line")
            << chat << QStringLiteral("Bob (Rex): hi\nAnn (Rex): yo there")
            << QStringList{QStringLiteral("[170105-090807] Bob (Rex): hi"),
                           QStringLiteral("[170105-090807] Ann (Rex): yo there")}
            << QStringList{QStringLiteral("grey[0,15) white*[16,29)"),
                           QStringLiteral("grey[0,15) white*[16,35)")};
        QTest::newRow("carriage returns are dropped")
            << chat << QStringLiteral("Bob (Rex): hi\r\nAnn (Rex): ho\r\n")
            << QStringList{QStringLiteral("[170105-090807] Bob (Rex): hi"),
                           QStringLiteral("[170105-090807] Ann (Rex): ho")}
            << QStringList{QStringLiteral("grey[0,15) white*[16,29)"),
                           QStringLiteral("grey[0,15) white*[16,29)")};
        QTest::newRow("CR LF, blanks at line ends and the padding")
            << game
            << gameLine(QStringLiteral("Tribe Foo, ID 123: Day 5, 10:11:12: Bob was killed!) "
                                       "\r\n")) +
                   gameLine(QStringLiteral("SERVER: world saved  \r\n\n "))
            << QStringList{QStringLiteral(
                               "[170105-090807] Tribe Foo, ID 123: Day 5, 10:11:12: Bob was "
                               "killed!"),
                           QStringLiteral("[170105-090807] SERVER: world saved")}
            << QStringList{QStringLiteral("grey[0,15)"), QStringLiteral("grey[0,15)")};
        QTest::newRow("short rest after the last line is left")
            << chat << QStringLiteral("Bob (Rex): hi\n \n")
            << QStringList{QStringLiteral("[170105-090807] Bob (Rex): hi")}
            << QStringList{QStringLiteral("grey[0,15) white*[16,29)")};
    }

    void linesOfABlock() {
        QFETCH(int, mode);
        QFETCH(QString, body);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, colours);
        ChatLineProcessor::DuplicateMemory memory;
        const auto result = ChatLineProcessor::process(body, Mode(mode), kReceived, memory);
        QCOMPARE(result.outcome, Outcome::Lines);
        QStringList gotShown, gotColours;
        for (const ChatLine &line : result.lines) {
            gotShown << line.displayText();
            gotColours << describe(line);
        }
        QCOMPARE(gotShown, shown);
        QCOMPARE(gotColours, colours);
    }

    void stampAndTextAreSeparate() {
        ChatLineProcessor::DuplicateMemory memory;
        const auto result = ChatLineProcessor::process(QStringLiteral("Bob (Rex): hi\n"),
                                                       Mode::Chat, kReceived, memory);
        QCOMPARE(result.lines.size(), 1);
        QCOMPARE(result.lines.at(0).stamp(), QStringLiteral("[170105-090807]"));
        QCOMPARE(result.lines.at(0).text(), QStringLiteral("Bob (Rex): hi"));
    }

    // The file is written only when the block leaves a remainder after its last line.
    void saveFollowsTheRest_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<bool>("save");
        QTest::newRow("ends with line feed") << QStringLiteral("Bob (Rex): hi\n") << false;
        QTest::newRow("short rest") << QStringLiteral("Bob (Rex): hi\n \n") << true;
        QTest::newRow("short block") << QStringLiteral(" \n") << true;
        QTest::newRow("rest without line feed") << QStringLiteral("Bob (Rex): hi") << true;
        QTest::newRow("empty") << QString() << false;
    }

    void saveFollowsTheRest() {
        QFETCH(QString, body);
        QFETCH(bool, save);
        ChatLineProcessor::DuplicateMemory memory;
        QCOMPARE(ChatLineProcessor::process(body, Mode::Chat, kReceived, memory).saveWanted, save);
    }

    void answersWithoutLines_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<Outcome>("outcome");
        QTest::newRow("keep alive")
            << QStringLiteral("Keep Alive\nBob (Rex): hi\n") << Outcome::KeepAlive;
        QTest::newRow("no response")
            << QStringLiteral("Server received, But no response!! \n") << Outcome::NoResponse;
        QTest::newRow("no response in lower case")
            << QStringLiteral("server received, but no response!!") << Outcome::NoResponse;
        QTest::newRow("no response in capitals, CR LF and padding")
            << QStringLiteral("SERVER RECEIVED, BUT NO RESPONSE!!  \r\n\n ") << Outcome::NoResponse;
    }

    void answersWithoutLines() {
        QFETCH(QString, body);
        QFETCH(Outcome, outcome);
        ChatLineProcessor::DuplicateMemory memory{QStringLiteral("[x]"), QStringLiteral("y")};
        for (const Mode mode : {Mode::GameLog, Mode::Chat}) {
            const auto result = ChatLineProcessor::process(body, mode, kReceived, memory);
            QCOMPARE(result.outcome, outcome);
            QVERIFY(result.lines.isEmpty());
            QVERIFY(!result.saveWanted);
        }
        QCOMPARE(memory.line, QStringLiteral("y"));
    }

    void plainDuplicateOfColouredLine_data() {
        QTest::addColumn<QString>("second");
        QTest::addColumn<bool>("dropped");
        QTest::newRow("same second, same words")
            << gameLine(QStringLiteral("Tribe Foo, ID 123: Day 5, 10:11:12: Bob was killed!"))
            << true;
        QTest::newRow("next second") << QStringLiteral("2017.01.05_09.08.08: Tribe Foo, ID 123: "
                                                       "Day 5, 10:11:12: Bob was killed!")
                                     << false;
        QTest::newRow("three shared words")
            << gameLine(QStringLiteral("Tribe Bar: Bob Day smiles")) << false;
        QTest::newRow("coloured again")
            << gameLine(QStringLiteral("Tribe Foo, ID 123: Day 5, 10:11:12: <RichColor "
                                       "Color=\"1, 0, 0, 1\">Bob was killed!</>"))
            << false;
    }

    void plainDuplicateOfColouredLine() {
        QFETCH(QString, second);
        QFETCH(bool, dropped);
        // The duplicate may arrive in the next answer: the memory outlives a block.
        ChatLineProcessor::DuplicateMemory memory;
        const auto first = ChatLineProcessor::process(kRedTribeLine + QLatin1Char('\n'),
                                                      Mode::GameLog, kReceived, memory);
        QCOMPARE(first.lines.size(), 1);
        const auto next = ChatLineProcessor::process(second + QLatin1Char('\n'), Mode::GameLog,
                                                     kReceived, memory);
        QCOMPARE(next.lines.isEmpty(), dropped);
        // A dropped line still becomes the previous line, so a third plain copy is shown.
        const auto third = ChatLineProcessor::process(second + QLatin1Char('\n'), Mode::GameLog,
                                                      kReceived, memory);
        QCOMPARE(third.lines.size(), 1);
    }

    // A view that keeps only its newest lines gets exactly the tail of all the block's lines,
    // whatever the number kept, and the memory and the save are as if every line was built.
    void newestLinesAreTheTailOfAllLines_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("body");
        QTest::addColumn<bool>("primed");
        const int chat = int(Mode::Chat);
        const int game = int(Mode::GameLog);
        const QString red = kRedTribeLine + QLatin1Char('\n');
        const QString copy =
            gameLine(QStringLiteral("Tribe Foo, ID 123: Day 5, 10:11:12: Bob was killed!\n"));
        const QString other = QStringLiteral("2017.01.05_09.08.08: Bob (Rex): hi there\n");

        QTest::newRow("game log with duplicates, empty and short lines")
            << game
            << red + copy + copy + red + copy + QStringLiteral("\n\nab\n") + red + copy + other +
                   red + red + copy + QStringLiteral("\n")
            << false;
        QTest::newRow("game log, first line repeats the previous block")
            << game << copy + red + copy + other + copy << true;
        QTest::newRow("game log, only the first line repeats the previous block")
            << game << copy + other << true;
        QTest::newRow("game log ending without line feed")
            << game << red + copy + other + red + copy.chopped(1) << false;
        QTest::newRow("game log ending in a short rest")
            << game << other + red + copy + QStringLiteral("abcdefgh") << false;
        QTest::newRow("chat with empty and short lines")
            << chat << QStringLiteral("Bob (Rex): hi\n\n\nx\nAnn (Rex): ho\n\n\n\n\n\n") << false;
        QTest::newRow("chat with carriage returns ending in a short rest")
            << chat << QStringLiteral("Bob (Rex): hi\r\n\r\nAnn (Rex): ho\r\n \n") << false;
        QTest::newRow("bare line feeds") << game << QString(30, QLatin1Char('\n')) << true;
        QTest::newRow("nine characters") << game << QStringLiteral("123456789") << true;
        QTest::newRow("eight characters") << chat << QStringLiteral("1234567\n") << false;
    }

    void newestLinesAreTheTailOfAllLines() {
        QFETCH(int, mode);
        QFETCH(QString, body);
        QFETCH(bool, primed);
        ChatLineProcessor::DuplicateMemory start;
        if (primed)
            ChatLineProcessor::process(kRedTribeLine + QLatin1Char('\n'), Mode::GameLog, kReceived,
                                       start);
        ChatLineProcessor::DuplicateMemory allMemory = start;
        const auto all = ChatLineProcessor::process(body, Mode(mode), kReceived, allMemory);

        for (int keep = 1; keep <= all.lines.size() + 1; ++keep) {
            ChatLineProcessor::DuplicateMemory memory = start;
            bool olderLeftOut = true;
            const auto newest = ChatLineProcessor::processNewest(body, Mode(mode), kReceived,
                                                                 memory, keep, olderLeftOut);
            QCOMPARE(newest.lines, all.lines.mid(std::max<qsizetype>(all.lines.size() - keep, 0)));
            QCOMPARE(olderLeftOut, all.lines.size() > keep);
            QCOMPARE(newest.saveWanted, all.saveWanted);
            QCOMPARE(memory.stamp, allMemory.stamp);
            QCOMPARE(memory.line, allMemory.line);
        }
    }

    void chatModeNeitherUsesNorChangesTheMemory() {
        ChatLineProcessor::DuplicateMemory memory;
        ChatLineProcessor::process(kRedTribeLine + QLatin1Char('\n'), Mode::GameLog, kReceived,
                                   memory);
        const ChatLineProcessor::DuplicateMemory before = memory;
        const auto result = ChatLineProcessor::process(
            QStringLiteral("Tribe Foo, ID 123: Day 5, 10:11:12: Bob was killed!\n"), Mode::Chat,
            kReceived, memory);
        QCOMPARE(result.lines.size(), 1);
        QCOMPARE(memory.line, before.line);
        QCOMPARE(memory.stamp, before.stamp);
    }

    void realGameLogBlock() {
        const QString body =
            gameLine(QStringLiteral("Bob (Rex): anyone online?\n")) +
            QStringLiteral("2017.01.05_09.08.09: AdminCmd: Broadcast restart (PlayerName: "
                           "Admin, ARKID: 12, SteamID: 76561198000000001)\n") +
            QStringLiteral("2017.01.05_09.08.10: Tribe Stoneclaw, ID 1387: Day 212, 04:11:09: "
                           "<RichColor Color=\"0, 1, 0, 1\">Anna zähmte a Raptor - Lvl 120 "
                           "(Raptor)!</>)\n") +
            QStringLiteral("2017.01.05_09.08.10: Tribe Stoneclaw, ID 1387: Day 212, 04:11:09: "
                           "Anna zähmte a Raptor - Lvl 120 (Raptor)!\n") +
            QStringLiteral("2017.01.05_09.08.11: Tribe Stoneclaw, ID 1387: Day 212, 04:12:00: "
                           "Raptor wurde get?tet!\n") +
            QStringLiteral("2017.01.05_09.08.12: SERVER: (Admin): back in 5\n") +
            QStringLiteral(" \n");
        ChatLineProcessor::DuplicateMemory memory;
        const auto result = ChatLineProcessor::process(body, Mode::GameLog, kReceived, memory);
        QStringList shown;
        for (const ChatLine &line : result.lines)
            shown << line.displayText();
        QCOMPARE(
            shown,
            (QStringList{QStringLiteral("[170105-090807] Bob (Rex): anyone online?"),
                         QStringLiteral("[170105-090809] AdminCmd: Broadcast restart (PlayerName: "
                                        "Admin, ARKID: 12, SteamID: 76561198000000001)"),
                         QStringLiteral(u"[170105-090810] Tribe Stoneclaw, ID 1387: Day 212, "
                                        u"04:11:09: Anna zähmte a Raptor - Lvl 120 (Raptor)!"),
                         QStringLiteral(u"[170105-090811] Tribe Stoneclaw, ID 1387: Day 212, "
                                        u"04:12:00: Raptor wurde getötet!"),
                         QStringLiteral("[170105-090812] SERVER: (Admin): back in 5")}));
        QCOMPARE(colouredText(result.lines.at(2), QColor(0, 255, 0)),
                 QStringLiteral(u"Anna zähmte a Raptor - Lvl 120 (Raptor)!"));
        QCOMPARE(colouredText(result.lines.at(1), QColor(250, 130, 20)), result.lines.at(1).text());
        QVERIFY(result.saveWanted);
    }

    // The same block from a server that ends its lines with CR LF, leaves blanks at their ends
    // and pads the answer: the same lines, and no CR anywhere.
    void crLfAnswersReadLikeLfAnswers_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("body");
        QTest::newRow("game log")
            << int(Mode::GameLog)
            << gameLine(QStringLiteral("Bob (Rex): anyone online?\n")) +
                   QStringLiteral("2017.01.05_09.08.10: Tribe Stoneclaw, ID 1387: Day 212, "
                                  "04:11:09: <RichColor Color=\"0.85, 0.15, 0.25, 1\">Anna "
                                  "destroyed a 'Wooden Wall'!</>)\n") +
                   QStringLiteral("2017.01.05_09.08.10: Tribe Stoneclaw, ID 1387: Day 212, "
                                  "04:11:09: Anna destroyed a 'Wooden Wall'!)\n") +
                   QStringLiteral("2017.01.05_09.08.12: SERVER: (Admin): back in 5\n");
        QTest::newRow("chat") << int(Mode::Chat)
                              << QStringLiteral("Bob (Rex): hi\nSERVER: Admin restarts soon\n"
                                                "Ann (Rex): <RichColor Color=\"0, 0, 1, 1\">ok</>"
                                                "\n");
    }
    void crLfAnswersReadLikeLfAnswers() {
        QFETCH(int, mode);
        QFETCH(QString, body);
        QString crLf = body;
        crLf.replace(QLatin1Char('\n'), QLatin1String(" \r\n"));
        crLf += QLatin1String("\n ");
        ChatLineProcessor::DuplicateMemory lfMemory;
        ChatLineProcessor::DuplicateMemory crLfMemory;
        const auto lf = ChatLineProcessor::process(body, Mode(mode), kReceived, lfMemory);
        const auto read = ChatLineProcessor::process(crLf, Mode(mode), kReceived, crLfMemory);
        QVERIFY(!lf.lines.isEmpty());
        QCOMPARE(read.lines, lf.lines);
        QCOMPARE(crLfMemory.line, lfMemory.line);
        for (const ChatLine &line : read.lines)
            QVERIFY2(!line.displayText().contains(QLatin1Char('\r')),
                     qPrintable(line.displayText()));
        bool older = false;
        ChatLineProcessor::DuplicateMemory newestMemory;
        QCOMPARE(
            ChatLineProcessor::processNewest(crLf, Mode(mode), kReceived, newestMemory, 2, older)
                .lines,
            lf.lines.mid(lf.lines.size() - 2));
    }

    // The view draws a colour too dark for its background lighter; the others as they are.
    void darkColoursAreLightenedForTheView_data() {
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<bool>("kept");
        for (const QColor &known :
             {QColor(128, 128, 128), QColor(250, 130, 20), QColor(255, 255, 0),
              QColor(235, 179, 10), QColor(255, 255, 255), QColor(255, 0, 0), QColor(0, 255, 255),
              QColor(255, 0, 255), QColor(0, 255, 0)})
            QTest::addRow("%s stays", qPrintable(colourName(known))) << known << true;
        QTest::newRow("blue") << QColor(0, 0, 255) << false;
        QTest::newRow("a tribe's dark red") << QColor(217, 38, 64) << false;
        QTest::newRow("black") << QColor(0, 0, 0) << false;
        QTest::newRow("the background itself") << ChatColors::background() << false;
    }
    void darkColoursAreLightenedForTheView() {
        QFETCH(QColor, colour);
        QFETCH(bool, kept);
        const QColor shown = ChatColors::readableOnBackground(colour);
        QVERIFY(ChatColors::contrast(shown, ChatColors::background()) >=
                ChatColors::kLeastContrast);
        if (kept) {
            QCOMPARE(shown, colour);
            return;
        }
        QVERIFY(shown != colour);
        // Lighter, but no lighter than it needs to be: the hue stays recognisable.
        QVERIFY(shown.red() >= colour.red() && shown.green() >= colour.green() &&
                shown.blue() >= colour.blue());
        QVERIFY(ChatColors::contrast(shown, ChatColors::background()) <
                ChatColors::kLeastContrast + 0.2);
    }

    // Runs are also read back from log files, so any start and length must stay in the text.
    void runsAreClampedToTheText_data() {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("colours");
        constexpr int kMax = std::numeric_limits<int>::max();
        constexpr int kMin = std::numeric_limits<int>::min();
        // A blue run covers the first 5 of 20 characters; where runs overlap, the first wins.
        QTest::newRow("inside") << 8 << 4 << QStringLiteral("blue[0,5) red[8,12)");
        QTest::newRow("start near the limit") << kMax - 1 << 10 << QStringLiteral("blue[0,5)");
        QTest::newRow("length near the limit")
            << 8 << kMax << QStringLiteral("blue[0,5) red[8,20)");
        QTest::newRow("both at the limit") << kMax << kMax << QStringLiteral("blue[0,5)");
        QTest::newRow("negative start, huge length") << -10 << kMax << QStringLiteral("red[0,20)");
        QTest::newRow("lowest start") << kMin << kMax << QStringLiteral("blue[0,5)");
        QTest::newRow("lowest start, negative length") << kMin << -1 << QStringLiteral("blue[0,5)");
    }

    void runsAreClampedToTheText() {
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(QString, colours);
        const QList<ChatRun> runs{{0, 5, QColor(0, 0, 255), false},
                                  {start, length, QColor(255, 0, 0), false}};
        const ChatLine line = ChatLine::fromDisplayText(QString(20, QLatin1Char('x')), runs);
        QCOMPARE(describe(line), colours);
    }

    void wordOverlap_data() {
        QTest::addColumn<QString>("previous");
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("count");
        QTest::newRow("shared words")
            << QStringLiteral("Bob was killed") << QStringLiteral("Bob was here") << 2;
        QTest::newRow("whole words only") << QStringLiteral("was") << QStringLiteral("Tuwas") << 0;
        QTest::newRow("punctuation stays part of a word")
            << QStringLiteral("Bob") << QStringLiteral("Bob!") << 0;
        QTest::newRow("case-sensitive") << QStringLiteral("Bob") << QStringLiteral("bob") << 0;
        QTest::newRow("repeated words count each time")
            << QStringLiteral("x x  x") << QStringLiteral("x") << 3;
        QTest::newRow("commas, hyphens, zeros and closing tags removed")
            << QStringLiteral("10, a-b c</>") << QStringLiteral("1 ab c") << 3;
        QTest::newRow("the line loses the same characters")
            << QStringLiteral("ab 1 c") << QStringLiteral("a-b, 10 c</>") << 3;
        QTest::newRow("empty previous") << QString() << QStringLiteral("anything") << 0;
    }

    void wordOverlap() {
        QFETCH(QString, previous);
        QFETCH(QString, line);
        QFETCH(int, count);
        QCOMPARE(ChatLineProcessor::wordOverlap(previous, line), count);
    }
};

QTEST_GUILESS_MAIN(TestChatLines)
#include "tst_chatlines.moc"
