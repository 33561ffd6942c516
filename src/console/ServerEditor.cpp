#include "console/ServerEditor.h"

#include "base/NameQuotes.h"
#include "base/PlayerLogLine.h"
#include "base/ProgramLog.h"
#include "base/ProgramState.h"
#include "base/ServerLogPath.h"
#include "chat/BackgroundWatch.h"
#include "chat/ChatSession.h"
#include "monitor/PlayerTracker.h"
#include "monitor/PollCycle.h"
#include "servers/ServerListModel.h"

#include <QFile>
#include <QFileInfo>

using NameQuotes::quoted;

ServerEditor::ServerEditor(const Parts &parts, QObject *parent)
    : QObject(parent)
    , m_parts(parts) {
    // A step still under way on a deleted server would write its log file again.
    connect(parts.poll, &PollCycle::removingServer, parts.watch, &BackgroundWatch::abandonStep);
}

void ServerEditor::dialogOpened() {
    if (m_dialogOpen)
        return;
    m_dialogOpen = true;
    m_parts.poll->hold();
    m_parts.watch->hold();
}

void ServerEditor::dialogClosed() {
    if (!m_dialogOpen)
        return;
    m_dialogOpen = false;
    m_parts.watch->release();
    m_parts.poll->release();
}

std::optional<ServerSettings> ServerEditor::settingsOf(const QString &name) const {
    const int row = m_parts.servers->rowOfName(name);
    if (row < 0)
        return std::nullopt;
    return m_parts.servers->entry(row).settings;
}

bool ServerEditor::nameTakenByOther(const QString &name, int exceptRow) const {
    const ServerListModel *servers = m_parts.servers;
    for (int row = 0; row < servers->serverCount(); ++row) {
        if (row != exceptRow && servers->entry(row).settings.name == name)
            return true;
    }
    return false;
}

ServerEditor::Result ServerEditor::add(const ServerSettings &settings) {
    const ServerSettingsRefusal refusal = ServerSettingsRules::checkFields(settings);
    if (refusal != ServerSettingsRefusal::None)
        return {Outcome::Refused, refusal};
    if (nameTakenByOther(settings.name, -1))
        return {Outcome::Refused, ServerSettingsRefusal::ServernameExists};

    m_parts.servers->appendServer(settings);
    emit message(QStringLiteral("Server added:  ") + quoted(settings.name) + QStringLiteral("  (") +
                 settings.host + QLatin1Char(':') + settings.port + QLatin1Char(')'));
    finishChange();
    return {Outcome::Added, ServerSettingsRefusal::None};
}

ServerEditor::Result ServerEditor::edit(const QString &name, const ServerSettings &settings) {
    const ServerSettingsRefusal refusal = ServerSettingsRules::checkFields(settings);
    if (refusal != ServerSettingsRefusal::None)
        return {Outcome::Refused, refusal};
    // Whichever server the chat shows, and even when nothing changes.
    m_parts.chat->chataus();

    ServerListModel *servers = m_parts.servers;
    const int row = servers->rowOfName(name);
    const std::optional<ServerSettings> old = settingsOf(name);
    // The list is held while the dialog is open, so the server is still there.
    if (row < 0 || !old || *old == settings)
        return {Outcome::Unchanged, ServerSettingsRefusal::None};
    if (nameTakenByOther(settings.name, row))
        return {Outcome::Refused, ServerSettingsRefusal::ServernameExists};

    servers->updateServer(row, settings);
    if (old->name != settings.name)
        rename(old->name, settings.name);
    else
        emit message(QStringLiteral("Server setting changed:  ") + quoted(settings.name));
    finishChange();
    return {Outcome::Changed, ServerSettingsRefusal::None};
}

void ServerEditor::rename(const QString &oldName, const QString &newName) {
    // The watch would otherwise write the old name's file again when its answer comes.
    m_parts.watch->abandonStep(oldName);
    const QString moveFailure = moveServerLog(oldName, newName);
    emit message(QStringLiteral("Server setting changed:  ") + quoted(oldName) +
                 QStringLiteral("  renamed to  ") + quoted(newName));
    if (!moveFailure.isEmpty())
        emit message(moveFailure);

    // The players online there stay with their server, so their departures are still seen.
    PlayerTracker *players = m_parts.players;
    if (players->renameServer(oldName, newName) > 0)
        players->checkSignature(m_parts.state->isFirstPass());

    emit serverRenamed(oldName, newName);
    rewriteProgramLog(oldName, newName);
}

QString ServerEditor::moveServerLog(const QString &oldName, const QString &newName) const {
    const QString from = serverLogPath(m_parts.folder, oldName);
    if (from.isEmpty() || !QFileInfo::exists(from))
        return {};
    const QString to = serverLogPath(m_parts.folder, newName);
    const QString fromName = QStringLiteral("logs/") + QFileInfo(from).fileName();
    if (to.isEmpty())
        return tr("Server logfile not renamed:  %1 kept").arg(fromName);
    QFile file(from);
    if (file.rename(to))
        return {};
    // Never over another file: the operator decides which history to keep.
    const QString toName = QStringLiteral("logs/") + QFileInfo(to).fileName();
    if (QFileInfo::exists(to))
        return tr("Server logfile not renamed:  %1 kept, %2 already exists").arg(fromName, toName);
    return tr("Server logfile not renamed:  %1 kept (%2)").arg(fromName, file.errorString());
}

void ServerEditor::rewriteProgramLog(const QString &oldName, const QString &newName) {
    ProgramLog *log = m_parts.log;
    int changed = 0;
    // Rewritten as data and set in one step, so the view is reset once.
    QStringList lines = PlayerLogLine::renameServer(log->lines(), oldName, newName, &changed);
    if (changed > 0)
        log->setLines(lines);
}

void ServerEditor::finishChange() {
    ServerListModel *servers = m_parts.servers;
    m_parts.log->saveWithBackupLater();
    // The re-sort writes server.dat in the list's new order; writing the same servers just
    // before it would only make the window wait for the disk twice.
    servers->resort();
    if (servers->serverCount() == 1)
        m_parts.poll->Startles();
}

bool ServerEditor::markForDeletion(const QString &name) {
    ServerListModel *servers = m_parts.servers;
    const int row = servers->rowOfName(name);
    if (row < 0)
        return false;
    servers->setState(row, ServerState::Erase);
    servers->setDeletePending(true);
    return true;
}
