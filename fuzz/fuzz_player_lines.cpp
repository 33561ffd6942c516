// Answers to "listplayers" as they arrive from servers, one visit after another: the player
// lines, their names and ids (SteamID64 or EOS id), and the player table that follows them. An id
// is in the table at most once, and after a visit every player of that server is one its answer
// mentions.
#include "base/PlayerId.h"
#include "monitor/PlayerLines.h"
#include "monitor/PlayerTracker.h"
#include "rcon/RconPacket.h"

#include "FuzzInput.h"

#include <QSet>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzInput input(data, size);
    const QStringList servers{QStringLiteral("Alpha"), QStringLiteral("Beta, the 2nd")};
    PlayerTracker tracker;
    bool firstPass = true;
    // Each visit: the server in one byte, then its answer up to a zero byte.
    while (!input.atEnd()) {
        const uint8_t head = input.byte();
        const QString &server = servers.at(head & 1);
        const QString answer = RconPacket::decodeText(input.piece('\0'));

        QStringList lines;
        if (PlayerLines::isPlayerList(answer)) {
            lines = PlayerLines::split(answer);
            for (const QString &line : std::as_const(lines)) {
                FUZZ_CHECK(!line.contains(QLatin1Char('\n')));
                QString name;
                QString steamId;
                if (!PlayerLines::parse(line, &name, &steamId))
                    continue;
                FUZZ_CHECK(PlayerId::isPlayerId(steamId));
                FUZZ_CHECK(line.contains(steamId));
                FUZZ_CHECK(name.isEmpty() || line.contains(name));
            }
            tracker.record(server, lines, firstPass, true);
        }
        tracker.detectLeaves(server, lines, firstPass);
        tracker.checkSignature(firstPass);
        firstPass = head & 2;

        QSet<QString> ids;
        for (const PlayerRecord &record : tracker.records()) {
            FUZZ_CHECK(!ids.contains(record.steamId));
            ids.insert(record.steamId);
            if (record.server != server)
                continue;
            bool mentioned = false;
            for (const QString &line : std::as_const(lines))
                mentioned = mentioned || line.contains(record.steamId);
            FUZZ_CHECK(mentioned);
        }
    }
    return 0;
}
