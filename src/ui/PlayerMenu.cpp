#include "ui/PlayerMenu.h"

#include "base/PlayerId.h"
#include "chat/ChatSession.h"
#include "commands/CommandSender.h"
#include "console/Console.h"
#include "monitor/PlayerListModel.h"
#include "ui/MenuKey.h"
#include "ui/MessageBoxes.h"
#include "ui/UrlOpener.h"

#include <QAbstractItemView>
#include <QUrl>

PlayerMenu::PlayerMenu(Console *console, QAbstractItemView *view, Source source, QWidget *parent)
    : QMenu(parent)
    , m_console(console)
    , m_view(view)
    , m_source(source)
    , m_profile(addAction(tr("Steamprofile"), this, &PlayerMenu::openProfile))
    , m_kick(addAction(tr("Kick"), this, &PlayerMenu::kick))
    , m_ban(addAction(tr("Ban"), this, &PlayerMenu::ban)) {
    setObjectName(source == Source::PlayerList ? QStringLiteral("playerMenu")
                                               : QStringLiteral("chatPlayerMenu"));
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { openAt(m_view->viewport()->mapToGlobal(pos)); });
    MenuKey::install(view, [this](const QPoint &globalPos) { openAt(globalPos); });
}

QUrl PlayerMenu::profileUrl(const QString &steamId) {
    return QUrl(QStringLiteral("https://steamcommunity.com/profiles/") + steamId);
}

bool PlayerMenu::hasSelection() const {
    const QModelIndex current = m_view->currentIndex();
    return current.isValid() && m_view->selectionModel()->isSelected(current);
}

void PlayerMenu::updateEnabling() {
    const bool selected = hasSelection();
    for (QAction *action : {m_kick, m_ban})
        action->setEnabled(selected);
    // An EOS id has no profile page. A name the chat's list shows for several players stays
    // offered, so that choosing it says why nothing opens.
    bool profile = false;
    if (selected && m_source == Source::PlayerList) {
        const QModelIndex current = m_view->currentIndex();
        profile = PlayerId::isSteamId64(
            current.siblingAtColumn(PlayerListModel::SteamIdColumn).data().toString());
    } else if (selected) {
        const QList<PlayerRecord> matches = chatMatches();
        profile = matches.size() != 1 || PlayerId::isSteamId64(matches.constFirst().steamId);
    }
    m_profile->setEnabled(profile);
}

void PlayerMenu::openAt(const QPoint &globalPos) {
    updateEnabling();
    popup(globalPos);
}

std::optional<PlayerRecord> PlayerMenu::chosenPlayer() const {
    if (!hasSelection())
        return std::nullopt;
    const QModelIndex current = m_view->currentIndex();
    if (m_source == Source::PlayerList) {
        PlayerRecord player;
        player.name = current.siblingAtColumn(PlayerListModel::PlayerColumn).data().toString();
        player.steamId = current.siblingAtColumn(PlayerListModel::SteamIdColumn).data().toString();
        player.server = current.siblingAtColumn(PlayerListModel::ServerColumn).data().toString();
        return player;
    }
    const QList<PlayerRecord> matches = chatMatches();
    if (matches.size() == 1)
        return matches.constFirst();
    MessageBoxes::inform(m_view->window(), tr("Several players found, please use playerlist!"));
    return std::nullopt;
}

QList<PlayerRecord> PlayerMenu::chatMatches() const {
    const QString name = m_view->currentIndex().siblingAtColumn(0).data().toString();
    const QString server = m_console->chat()->chatLabel();
    QList<PlayerRecord> matches;
    for (const PlayerRecord &record : m_console->playerList()->entries()) {
        if (record.name == name && record.server == server)
            matches << record;
    }
    return matches;
}

void PlayerMenu::openProfile() {
    const std::optional<PlayerRecord> player = chosenPlayer();
    if (player && PlayerId::isSteamId64(player->steamId))
        UrlOpener::open(profileUrl(player->steamId));
}

void PlayerMenu::kick() {
    if (const std::optional<PlayerRecord> player = chosenPlayer())
        m_console->commands()->KickOnServer(player->server, player->steamId, player->name);
}

void PlayerMenu::ban() {
    const std::optional<PlayerRecord> player = chosenPlayer();
    if (!player)
        return;
    const QString question =
        tr("Ban player  `%1\u00b4  on server  `%2\u00b4 ?").arg(player->name, player->server);
    if (MessageBoxes::confirm(m_view->window(), question))
        m_console->commands()->BanOnServer(player->server, player->steamId, player->name);
}
