#include "SimServer.h"

#include "SimPacket.h"

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

#include <algorithm>
#include <atomic>

namespace {

const QString NoResponse = QStringLiteral("Server received, But no response!! \n ");

// Shared by every simulated server, so that two servers never make up the same player.
std::atomic<quint64> nextSteamId{76561198000000001ULL};
std::atomic<quint64> nextEosNumber{1};

// An EOS id: 32 hexadecimal digits. Multiplying by an odd number keeps every id distinct while
// the digits look as scattered as real ones.
QString madeUpEosId() {
    const quint64 scattered = nextEosNumber++ * 0x9E3779B97F4A7C15ULL;
    return QStringLiteral("0002c0ffee15") +
           QStringLiteral("%1").arg(scattered, 16, 16, QLatin1Char('0')) + QStringLiteral("7e57");
}

// Names with blanks, commas, dots and umlauts, as players pick them.
const char *const PlayerNames[] = {
    "Anna Lena", "Dr. Rex, Jr.", "Big.Bob",           "J\xC3\xB6rg, the Tamer", "xX Sniper Xx",
    "Kati",      "Ben K.",       "Lord, of. Raptors", "M\xC3\xBCller",          "Sven 2.0",
    "Old Greg",  "Nia",          "Tom, Dick, Harry",  "Z\xC3\xBC. Ra",          "Pike",
};

const char *const ChatTexts[] = {
    "hi all", "anyone up for a raid?",         "lag again...",
    "gg",     "need metal, paying in berries", "where is the cave, north or south?",
    "brb",
};

const char *const TribeEvents[] = {
    "%1 was killed by a Raptor - Lvl 24!",
    "Your %1 - Lvl 112 (Rex) was killed!",
    "%1 tamed a Parasaur - Lvl 40 (Parasaur)!",
    "%1 demolished a 'Wooden Wall'!",
};

const char *const RichColors[] = {"1, 0, 0, 1", "1, 1, 0, 1", "0, 1, 1, 1",
                                  "1, 0, 1, 1", "0, 1, 0, 1", "0, 0, 1, 1"};

struct FaultName {
    const char *name;
    SimServer::Fault fault;
};

const FaultName FaultNames[] = {
    {"refuse-login", SimServer::RefuseLogin},
    {"silent-login", SimServer::SilentLogin},
    {"never-answer", SimServer::NeverAnswer},
    {"close-mid-packet", SimServer::CloseMidPacket},
    {"oversized", SimServer::OversizedSize},
    {"garbage", SimServer::Garbage},
    {"split", SimServer::SplitAnswer},
    {"empty-before-auth", SimServer::EmptyBeforeAuth},
    {"delay", SimServer::DelayAnswer},
    {"keep-alive", SimServer::KeepAlive},
    {"unknown-type", SimServer::UnknownTypeFirst},
    {"auth-id-mismatch", SimServer::AuthIdMismatch},
    {"stall-connect", SimServer::StallConnect},
    {"empty-answer", SimServer::EmptyAnswer},
    {"silent-commands", SimServer::SilentCommands},
    {"slow-commands", SimServer::SlowCommands},
    {"slow-logs", SimServer::SlowLogs},
};

constexpr qsizetype MaxLogLines = 20000;

QString argumentOf(const QString &command) {
    const qsizetype blank = command.indexOf(QLatin1Char(' '));
    return blank < 0 ? QString() : command.mid(blank + 1);
}

} // namespace

SimServer::SimServer(const QString &name, const QString &password, quint16 port, QObject *parent)
    : QObject(parent)
    , m_name(name)
    , m_password(password)
    , m_configuredPort(port) {
    connect(&m_churnTimer, &QTimer::timeout, this, &SimServer::churnStep);
}

SimServer::~SimServer() {
    stop();
}

bool SimServer::start() {
    return listen(m_configuredPort);
}

bool SimServer::listen(quint16 port) {
    stop();
    m_server = new QTcpServer(this);
    // A backlog of one lets two fillers occupy the queue, so later connects hang unanswered.
    if (m_faults.testFlag(StallConnect))
        m_server->setListenBacklogSize(0);
    if (!m_server->listen(QHostAddress::LocalHost, port)) {
        m_error = m_server->errorString();
        delete m_server;
        m_server = nullptr;
        return false;
    }
    m_configuredPort = m_server->serverPort();
    connect(m_server, &QTcpServer::newConnection, this, &SimServer::onNewConnection);
    if (m_faults.testFlag(StallConnect))
        stallConnects();
    return true;
}

void SimServer::stop() {
    for (QTcpSocket *socket : std::as_const(m_stallers))
        socket->deleteLater();
    m_stallers.clear();
    const QList<QTcpSocket *> sockets = m_clients.keys();
    m_clients.clear();
    for (QTcpSocket *socket : sockets) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
    if (m_server) {
        m_server->close();
        m_server->deleteLater();
        m_server = nullptr;
    }
}

bool SimServer::isListening() const {
    return m_server && m_server->isListening();
}

quint16 SimServer::port() const {
    return m_server ? m_server->serverPort() : m_configuredPort;
}

void SimServer::stallConnects() {
    m_server->pauseAccepting();
    for (int i = 0; i < 3; ++i) {
        auto *filler = new QTcpSocket(this);
        filler->connectToHost(QHostAddress::LocalHost, m_server->serverPort());
        m_stallers.append(filler);
    }
}

void SimServer::setFaults(Faults faults) {
    const bool stallChanged = (faults ^ m_faults).testFlag(StallConnect);
    m_faults = faults;
    if (stallChanged && m_server)
        listen(m_configuredPort);
}

void SimServer::setFault(Fault fault, bool on) {
    setFaults(on ? (m_faults | fault) : (m_faults & ~Faults(fault)));
}

SimServer::Fault SimServer::faultFromName(const QString &name) {
    for (const FaultName &entry : FaultNames) {
        if (name.compare(QLatin1String(entry.name), Qt::CaseInsensitive) == 0)
            return entry.fault;
    }
    return NoFault;
}

QStringList SimServer::faultNames() {
    QStringList names;
    for (const FaultName &entry : FaultNames)
        names.append(QLatin1String(entry.name));
    return names;
}

void SimServer::clearRecords() {
    m_commands.clear();
    m_packets.clear();
}

void SimServer::onNewConnection() {
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        ++m_connectionCount;
        m_clients.insert(socket, Client());
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_clients.remove(socket);
            socket->deleteLater();
        });
    }
}

void SimServer::onReadyRead(QTcpSocket *socket) {
    auto client = m_clients.find(socket);
    if (client == m_clients.end())
        return;
    client->buffer.append(socket->readAll());
    SimPacket::Packet packet;
    bool broken = false;
    while (SimPacket::take(client->buffer, packet, broken)) {
        const ReceivedPacket received{packet.id, packet.type, packet.body};
        m_packets.append(received);
        if (packet.type == 3) {
            handleAuth(socket, received);
        } else if (packet.type == 2) {
            handleCommand(socket, received);
        }
        client = m_clients.find(socket);
        if (client == m_clients.end())
            return;
    }
    if (broken) {
        m_clients.remove(socket);
        socket->disconnectFromHost();
    }
}

void SimServer::handleAuth(QTcpSocket *socket, const ReceivedPacket &packet) {
    const bool accepted =
        !m_faults.testFlag(RefuseLogin) && QString::fromUtf8(packet.body) == m_password;
    emit loginReceived(accepted);
    if (m_faults.testFlag(SilentLogin))
        return;
    m_clients[socket].authenticated = accepted;
    QByteArray out;
    if (m_faults.testFlag(EmptyBeforeAuth))
        out.append(SimPacket::encode(packet.id, 0, QByteArray()));
    qint32 id = -1;
    if (accepted)
        id = m_faults.testFlag(AuthIdMismatch) ? packet.id + 1000 : packet.id;
    out.append(SimPacket::encode(id, 2, QByteArray()));
    socket->write(out);
}

void SimServer::handleCommand(QTcpSocket *socket, const ReceivedPacket &packet) {
    if (!m_clients.value(socket).authenticated)
        return;
    const QString command = QString::fromUtf8(packet.body);
    m_commands.append(command);
    emit commandReceived(command);
    const QString text = answer(command);
    const bool adminCommand = !isQuery(command);
    const bool logRequest =
        !adminCommand && command.compare(QLatin1String("listplayers"), Qt::CaseInsensitive) != 0;
    countUnanswered(socket, 1);
    if (m_faults.testFlag(NeverAnswer) || (adminCommand && m_faults.testFlag(SilentCommands)))
        return;
    if (!m_faults.testFlag(DelayAnswer) && !(adminCommand && m_faults.testFlag(SlowCommands)) &&
        !(logRequest && m_faults.testFlag(SlowLogs))) {
        countUnanswered(socket, -1);
        sendAnswer(socket, packet.id, text);
        return;
    }
    QTimer::singleShot(m_answerDelayMs, this,
                       [this, socket = QPointer<QTcpSocket>(socket), id = packet.id, text] {
                           if (!socket || !m_clients.contains(socket.data()))
                               return;
                           countUnanswered(socket.data(), -1);
                           sendAnswer(socket.data(), id, text);
                       });
}

void SimServer::countUnanswered(QTcpSocket *socket, int change) {
    const auto client = m_clients.find(socket);
    if (client == m_clients.end())
        return;
    client->unanswered += change;
    int total = 0;
    for (const Client &each : std::as_const(m_clients))
        total += each.unanswered;
    m_mostUnanswered = std::max(m_mostUnanswered, total);
}

bool SimServer::isQuery(const QString &command) {
    for (const char *query : {"listplayers", "GetGameLog", "Getchat"}) {
        if (command.compare(QLatin1String(query), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

void SimServer::sendAnswer(QTcpSocket *socket, qint32 id, const QString &text) {
    QByteArray body =
        m_faults.testFlag(KeepAlive) ? QByteArrayLiteral("Keep Alive") : text.toUtf8();
    if (m_faults.testFlag(EmptyAnswer))
        body.clear();

    if (m_faults.testFlag(Garbage)) {
        socket->write("HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\n");
        return;
    }
    if (m_faults.testFlag(OversizedSize)) {
        QByteArray out = SimPacket::encode(id, 0, body);
        const qint32 huge = 64 * 1024 * 1024;
        for (int i = 0; i < 4; ++i)
            out[i] = static_cast<char>((huge >> (8 * i)) & 0xFF);
        socket->write(out);
        return;
    }
    if (m_faults.testFlag(CloseMidPacket)) {
        const QByteArray out = SimPacket::encode(id, 0, body);
        socket->write(out.left(qMax<qsizetype>(6, out.size() / 2)));
        m_clients.remove(socket);
        socket->disconnectFromHost();
        return;
    }

    QList<QByteArray> chunks;
    if (m_faults.testFlag(UnknownTypeFirst))
        chunks.append(SimPacket::encode(id, 4, QByteArrayLiteral("ignore me")));
    if (m_faults.testFlag(SplitAnswer) && m_splitSize > 0 && body.size() > m_splitSize) {
        for (qsizetype at = 0; at < body.size(); at += m_splitSize)
            chunks.append(SimPacket::encode(id, 0, body.mid(at, m_splitSize)));
    } else {
        chunks.append(SimPacket::encode(id, 0, body));
    }
    writeChunks(socket, chunks);
}

void SimServer::writeChunks(QTcpSocket *socket, QList<QByteArray> chunks) {
    if (m_splitGapMs <= 0) {
        socket->write(chunks.join());
        return;
    }
    socket->write(chunks.takeFirst());
    if (chunks.isEmpty())
        return;
    QTimer::singleShot(m_splitGapMs, this, [this, socket = QPointer<QTcpSocket>(socket), chunks] {
        if (socket && m_clients.contains(socket.data()))
            writeChunks(socket.data(), chunks);
    });
}

QString SimServer::answer(const QString &command) {
    QString text = plainAnswer(command);
    if (m_crLf) {
        text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
        text += QLatin1String("\n ");
    }
    return text;
}

QString SimServer::plainAnswer(const QString &command) {
    const QString verb = command.section(QLatin1Char(' '), 0, 0).toLower();
    const QString argument = argumentOf(command);
    const bool readOnly = verb == QLatin1String("listplayers") ||
                          verb == QLatin1String("getgamelog") || verb == QLatin1String("getchat");
    if (!readOnly)
        appendGameLog(QStringLiteral("AdminCmd: %1 (PlayerName: RCON)").arg(command));
    const auto canned = m_answers.constFind(verb);
    if (canned != m_answers.constEnd())
        return canned.value();

    if (verb == QLatin1String("listplayers")) {
        if (m_players.isEmpty())
            return QStringLiteral("No Players Connected");
        QString text = QStringLiteral("\n");
        for (qsizetype i = 0; i < m_players.size(); ++i)
            text += QStringLiteral("%1. %2, %3\n")
                        .arg(i)
                        .arg(m_players.at(i).name, m_players.at(i).steamId);
        return text;
    }
    if (verb == QLatin1String("getgamelog"))
        return linesSince(m_gameLog, m_gameLogCursor);
    if (verb == QLatin1String("getchat"))
        return linesSince(m_chat, m_chatCursor);
    if (verb == QLatin1String("serverchat")) {
        appendChat(QStringLiteral("SERVER: ") + argument);
        return NoResponse;
    }
    if (verb == QLatin1String("broadcast"))
        return NoResponse;
    if (verb == QLatin1String("kickplayer")) {
        const QString id = argument.trimmed();
        return removePlayer(id) ? QStringLiteral("Kicked %1").arg(id)
                                : QStringLiteral("Can't find player %1").arg(id);
    }
    if (verb == QLatin1String("banplayer")) {
        const QString id = argument.trimmed();
        removePlayer(id);
        m_banned.insert(id);
        return QStringLiteral("Banned %1").arg(id);
    }
    if (verb == QLatin1String("unbanplayer")) {
        const QString id = argument.trimmed();
        return m_banned.remove(id) ? QStringLiteral("Unbanned %1").arg(id)
                                   : QStringLiteral("%1 is not banned").arg(id);
    }
    if (verb == QLatin1String("saveworld"))
        return QStringLiteral("World Saved");
    if (verb == QLatin1String("doexit"))
        return QStringLiteral("Exiting...");
    if (verb == QLatin1String("destroywilddinos"))
        return QStringLiteral("All wild creatures destroyed");
    if (verb == QLatin1String("setmessageoftheday")) {
        m_motd = argument;
        return QStringLiteral("Message of the day set to: %1").arg(argument);
    }
    return NoResponse;
}

void SimServer::setAnswerFor(const QString &verb, const QString &text) {
    if (text.isEmpty())
        m_answers.remove(verb.toLower());
    else
        m_answers.insert(verb.toLower(), text);
}

QString SimServer::linesSince(const QStringList &lines, qsizetype &cursor) const {
    if (cursor >= lines.size())
        return NoResponse;
    QString text;
    for (qsizetype i = cursor; i < lines.size(); ++i)
        text += lines.at(i) + QLatin1Char('\n');
    cursor = lines.size();
    return text;
}

QString SimServer::addPlayer(const QString &name, const QString &steamId) {
    QString id = steamId;
    if (id.isEmpty())
        id = m_playerIds == PlayerIds::Eos ? madeUpEosId() : QString::number(nextSteamId++);
    removePlayer(id);
    m_players.append(Player{name, id});
    return id;
}

QString SimServer::addRandomPlayer() {
    const auto count = static_cast<quint32>(std::size(PlayerNames));
    QString name = QString::fromUtf8(PlayerNames[m_random.bounded(count)]);
    for (const Player &player : std::as_const(m_players)) {
        if (player.name == name) {
            name += QStringLiteral(" %1").arg(m_random.bounded(2, 99));
            break;
        }
    }
    return addPlayer(name);
}

bool SimServer::removePlayer(const QString &steamId) {
    for (qsizetype i = 0; i < m_players.size(); ++i) {
        if (m_players.at(i).steamId == steamId) {
            m_players.removeAt(i);
            return true;
        }
    }
    return false;
}

void SimServer::clearPlayers() {
    m_players.clear();
}

void SimServer::appendGameLog(const QString &text, const QDateTime &stamp) {
    m_gameLog.append(stamp.toString(QStringLiteral("yyyy.MM.dd_hh.mm.ss")) + QStringLiteral(": ") +
                     text);
    trimLogs();
}

void SimServer::appendChat(const QString &text, const QDateTime &stamp) {
    m_chat.append(text);
    appendGameLog(text, stamp);
}

void SimServer::trimLogs() {
    // Lines every reader has fetched can go; a long demo run must not grow without end.
    if (m_gameLog.size() > MaxLogLines) {
        const qsizetype drop = qMin(m_gameLogCursor, m_gameLog.size() - MaxLogLines / 2);
        m_gameLog.remove(0, drop);
        m_gameLogCursor -= drop;
    }
    if (m_chat.size() > MaxLogLines) {
        const qsizetype drop = qMin(m_chatCursor, m_chat.size() - MaxLogLines / 2);
        m_chat.remove(0, drop);
        m_chatCursor -= drop;
    }
}

void SimServer::startChurn(int intervalMs, quint32 seed) {
    m_random.seed(seed);
    m_churnTimer.start(intervalMs);
}

void SimServer::stopChurn() {
    m_churnTimer.stop();
}

void SimServer::churnStep() {
    const quint32 roll = m_random.bounded(100u);
    if (roll < 20 && m_players.size() < 12) {
        const QString id = addRandomPlayer();
        for (const Player &player : std::as_const(m_players)) {
            if (player.steamId == id)
                appendGameLog(player.name + QStringLiteral(" joined the server!"));
        }
    } else if (roll < 35 && m_players.size() > 1) {
        const Player gone = m_players.at(m_random.bounded(static_cast<int>(m_players.size())));
        removePlayer(gone.steamId);
        appendGameLog(gone.name + QStringLiteral(" left the server!"));
    } else if (roll < 75 && !m_players.isEmpty()) {
        const Player &speaker = m_players.at(m_random.bounded(static_cast<int>(m_players.size())));
        const QString character = speaker.name.section(QLatin1Char(' '), 0, 0);
        const auto texts = static_cast<quint32>(std::size(ChatTexts));
        appendChat(QStringLiteral("%1 (%2): %3")
                       .arg(speaker.name, character,
                            QString::fromUtf8(ChatTexts[m_random.bounded(texts)])));
    } else if (!m_players.isEmpty()) {
        const Player &actor = m_players.at(m_random.bounded(static_cast<int>(m_players.size())));
        const auto events = static_cast<quint32>(std::size(TribeEvents));
        const auto colors = static_cast<quint32>(std::size(RichColors));
        const QString event =
            QString::fromUtf8(TribeEvents[m_random.bounded(events)]).arg(actor.name);
        const QDateTime now = QDateTime::currentDateTime();
        const QString head = QStringLiteral("Tribe Raptor Riders, ID 1234567: Day %1, %2: ")
                                 .arg(m_day++)
                                 .arg(now.time().toString(QStringLiteral("hh:mm:ss")));
        // The game writes a tribe event twice: coloured, then plain, in the same second.
        appendGameLog(head +
                          QStringLiteral("<RichColor Color=\"%1\">%2</>)")
                              .arg(QString::fromUtf8(RichColors[m_random.bounded(colors)]), event),
                      now);
        appendGameLog(head + event + QLatin1Char(')'), now);
    }
}
