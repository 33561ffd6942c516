#pragma once

#include "monitor/PlayerRecord.h"

#include <QMenu>

#include <optional>

class Console;
class QAbstractItemView;
class QUrl;

// "Steamprofile", "Kick" and "Ban" for the selected player, on the player list and on the chat's
// "Player online" list. The chat's list holds names only: its player is found in the player list
// by name on the chat's server, and the action runs only when exactly one player matches. Kick
// and ban send the player's id whole, of either kind; only a SteamID64 has a Steam profile.
class PlayerMenu final : public QMenu {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PlayerMenu)

public:
    enum class Source { PlayerList, ChatPlayers };

    PlayerMenu(Console *console, QAbstractItemView *view, Source source, QWidget *parent);

    QAction *profileAction() const { return m_profile; }
    QAction *kickAction() const { return m_kick; }
    QAction *banAction() const { return m_ban; }

    // The address of a player's profile page on the Steam community site.
    static QUrl profileUrl(const QString &steamId);

    void updateEnabling();
    void openAt(const QPoint &globalPos);

    void openProfile();
    void kick();
    // Asks first.
    void ban();

private:
    bool hasSelection() const;
    // The players of the chat's server named like the selected entry of the chat's list.
    QList<PlayerRecord> chatMatches() const;
    // The player the actions are for; none, after telling the operator why, when the chat's list
    // names a player the player list does not hold exactly once.
    std::optional<PlayerRecord> chosenPlayer() const;

    Console *m_console;
    QAbstractItemView *m_view;
    Source m_source;
    QAction *m_profile;
    QAction *m_kick;
    QAction *m_ban;
};
