#pragma once

#include <QString>

// Game-log line bodies the chat benches mix into their blocks, each after its own stamp.
inline const QString kRichDeathLine =
    QStringLiteral("Tribe Stoneclaw, ID 1387: Day 212, 04:11:09: "
                   "<RichColor Color=\"1, 0, 0, 1\">Anna was killed "
                   "by a Raptor - Lvl 120 (Raptor)!</>)\n");
inline const QString kPlayerChatLine =
    QStringLiteral("Bob (Rex): anyone up for the cave run tonight?\n");
inline const QString kAdminCommandLine =
    QStringLiteral("AdminCmd: Broadcast restart in 10 (PlayerName: Admin, "
                   "ARKID: 12, SteamID: 76561198000000001)\n");
