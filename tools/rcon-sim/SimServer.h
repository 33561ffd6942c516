#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QRandomGenerator>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>

class QTcpServer;
class QTcpSocket;

// One simulated game server on a loopback port: a password, players who join and leave, a
// growing game log and chat, the answers the console expects, and faults on demand.
class SimServer final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SimServer)

public:
    enum Fault : unsigned {
        NoFault = 0,
        RefuseLogin = 1u << 0,       // auth response with id -1
        SilentLogin = 1u << 1,       // the auth request is never answered
        NeverAnswer = 1u << 2,       // login accepted, commands never answered
        CloseMidPacket = 1u << 3,    // half an answer, then the connection closes
        OversizedSize = 1u << 4,     // an answer whose size field claims 64 MiB
        Garbage = 1u << 5,           // bytes that are no RCON packet instead of an answer
        SplitAnswer = 1u << 6,       // an answer longer than splitSize leaves in several packets
        EmptyBeforeAuth = 1u << 7,   // an empty response value ahead of the auth response
        DelayAnswer = 1u << 8,       // answers leave after answerDelayMs
        KeepAlive = 1u << 9,         // every command is answered "Keep Alive"
        UnknownTypeFirst = 1u << 10, // a packet of type 4 ahead of every answer
        AuthIdMismatch = 1u << 11,   // the auth response carries another id than the request
        StallConnect = 1u << 12,     // connects are never completed (full listen backlog)
        EmptyAnswer = 1u << 13,      // every command is answered with an empty body
        // Admin commands only (anything but listplayers, GetGameLog and Getchat), so the server
        // still shows online: never answered, or answered after answerDelayMs.
        SilentCommands = 1u << 14,
        SlowCommands = 1u << 15,
        // GetGameLog and Getchat only: answered after answerDelayMs, as a laggy server does.
        SlowLogs = 1u << 16,
    };
    Q_DECLARE_FLAGS(Faults, Fault)

    // The ids a server lists its players by: the older edition's SteamID64 (17 digits) or the
    // newer edition's EOS id (32 hexadecimal digits).
    enum class PlayerIds { SteamId64, Eos };

    struct Player {
        QString name;
        QString steamId; // of either kind
    };

    struct ReceivedPacket {
        qint32 id = 0;
        qint32 type = 0;
        QByteArray body;
    };

    explicit SimServer(const QString &name, const QString &password, quint16 port = 0,
                       QObject *parent = nullptr);
    ~SimServer() override;

    // Listens on 127.0.0.1 at the configured port (0: an ephemeral one).
    bool start();
    void stop();
    bool isListening() const;
    QString errorString() const { return m_error; }

    QString name() const { return m_name; }
    QString host() const { return QStringLiteral("127.0.0.1"); }
    quint16 port() const;
    QString portText() const { return QString::number(port()); }
    QString password() const { return m_password; }
    void setPassword(const QString &password) { m_password = password; }

    // Players; an id left empty is made up of the kind playerIds() names: a SteamID64 (17
    // digits, starting 7656119) or an EOS id (32 lower-case hexadecimal digits, starting 0002).
    QString addPlayer(const QString &name, const QString &steamId = QString());
    void setPlayerIds(PlayerIds ids) { m_playerIds = ids; }
    PlayerIds playerIds() const { return m_playerIds; }
    // Answers as some servers send them: every line ends in CR LF, and the padding "\n " ends
    // the answer.
    void setCrLf(bool on) { m_crLf = on; }
    bool crLf() const { return m_crLf; }
    QString addRandomPlayer();
    bool removePlayer(const QString &steamId);
    void clearPlayers();
    QList<Player> players() const { return m_players; }
    QStringList bannedIds() const { return QStringList(m_banned.cbegin(), m_banned.cend()); }

    // A game-log line gets the stamp "YYYY.MM.DD_HH.MM.SS: ". A chat line goes to the chat and,
    // stamped, to the game log.
    void appendGameLog(const QString &text, const QDateTime &stamp = QDateTime::currentDateTime());
    void appendChat(const QString &text, const QDateTime &stamp = QDateTime::currentDateTime());
    QStringList gameLog() const { return m_gameLog; }
    QStringList chat() const { return m_chat; }
    QString messageOfTheDay() const { return m_motd; }
    // The answer to every command whose first word is `verb` (any letter case), in place of the
    // built-in one; an empty text restores it.
    void setAnswerFor(const QString &verb, const QString &text);

    void setFaults(Faults faults);
    void setFault(Fault fault, bool on = true);
    Faults faults() const { return m_faults; }
    void setAnswerDelayMs(int ms) { m_answerDelayMs = ms; }
    // Body bytes per packet when SplitAnswer is on, and the pause between the packets.
    void setSplitSize(int bytes) { m_splitSize = bytes; }
    void setSplitGapMs(int ms) { m_splitGapMs = ms; }

    QStringList commands() const { return m_commands; }
    QList<ReceivedPacket> receivedPackets() const { return m_packets; }
    void clearRecords();
    int connectionCount() const { return m_connectionCount; }
    // The most commands that waited for their answer at the same time, over all connections; a
    // command whose connection closed waits no longer.
    int mostUnansweredAtOnce() const { return m_mostUnanswered; }

    // Players join and leave, chat and tribe lines appear, every intervalMs.
    void startChurn(int intervalMs, quint32 seed = 1);
    void stopChurn();

    // The answer the game would give, with its effect on the server (no faults applied), in
    // the line ends of the CR LF mode when it is on.
    QString answer(const QString &command);
    // listplayers, GetGameLog or Getchat, in any letter case: what the console reads rather than
    // tells the server to do.
    static bool isQuery(const QString &command);

    static Fault faultFromName(const QString &name);
    static QStringList faultNames();

signals:
    void commandReceived(const QString &command);
    void loginReceived(bool accepted);

private:
    struct Client {
        QByteArray buffer;
        bool authenticated = false;
        int unanswered = 0; // commands received and not answered yet
    };

    bool listen(quint16 port);
    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);
    void handleAuth(QTcpSocket *socket, const ReceivedPacket &packet);
    void handleCommand(QTcpSocket *socket, const ReceivedPacket &packet);
    void sendAnswer(QTcpSocket *socket, qint32 id, const QString &text);
    void writeChunks(QTcpSocket *socket, QList<QByteArray> chunks);
    void stallConnects();
    void churnStep();
    QString plainAnswer(const QString &command);
    QString linesSince(const QStringList &lines, qsizetype &cursor) const;
    void trimLogs();
    void countUnanswered(QTcpSocket *socket, int change);

    QString m_name;
    QString m_password;
    quint16 m_configuredPort;
    QTcpServer *m_server = nullptr;
    QList<QTcpSocket *> m_stallers;
    QHash<QTcpSocket *, Client> m_clients;
    QString m_error;

    QList<Player> m_players;
    PlayerIds m_playerIds = PlayerIds::SteamId64;
    bool m_crLf = false;
    QSet<QString> m_banned;
    QStringList m_gameLog;
    QStringList m_chat;
    qsizetype m_gameLogCursor = 0;
    qsizetype m_chatCursor = 0;
    QString m_motd;
    QHash<QString, QString> m_answers; // by the verb in lower case

    Faults m_faults = NoFault;
    int m_answerDelayMs = 500;
    int m_splitSize = 4096;
    int m_splitGapMs = 0;

    QStringList m_commands;
    QList<ReceivedPacket> m_packets;
    int m_connectionCount = 0;
    int m_mostUnanswered = 0;

    QTimer m_churnTimer;
    QRandomGenerator m_random;
    int m_day = 1;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(SimServer::Faults)
