#pragma once

// Program logs made up for the statistics: players joining and leaving servers over months, the
// status and command lines between them, program exits, and on request the hard cases: names
// with commas, dots, blanks and quotes, renamed players, servers whose names are prefixes of
// each other or differ only in letter case, and hand-broken lines.

#include "base/LogStamp.h"

#include <QDateTime>
#include <QHash>
#include <QRandomGenerator>
#include <QStringList>

#include <vector>

namespace StatisticsLogs {

struct Shape {
    int lines = 1000;
    int players = 20;
    int servers = 5; // plain logs only; a tricky log has its own server names
    bool tricky = false;
    quint32 seed = 1;
};

// The day the generated stamps are read against.
inline QDate today() {
    return QDate(2026, 3, 1);
}

inline QString steamId(int player) {
    return QStringLiteral("7656119800%1").arg(player, 7, 10, QLatin1Char('0'));
}

inline QStringList trickyServers() {
    return {QStringLiteral("Alpha"),        QStringLiteral("Alpha2"), QStringLiteral("S"),
            QStringLiteral("xS"),           QStringLiteral("beta"),   QStringLiteral("Beta"),
            QStringLiteral("Ragnarok, EU"), QStringLiteral("Ab"),     QStringLiteral("Center.2"),
            QStringLiteral("The Island")};
}

inline QStringList trickyNames() {
    return {QStringLiteral("Bob"),
            QStringLiteral("Anna, the Great"),
            QStringLiteral("Dr. Who"),
            QStringLiteral(" spaced  out "),
            QStringLiteral("Zoë"),
            QStringLiteral("Straße"),
            QStringLiteral("a`b"),
            QStringLiteral("o'Neil \"Q\""),
            QStringLiteral("dup"),
            QStringLiteral("DUP"),
            steamId(3), // a name that is another player's SteamID64
            QStringLiteral("x´ (y"),
            QStringLiteral("Time´ - Duration {x"),
            QStringLiteral("Al")};
}

class Generator {
public:
    explicit Generator(const Shape &shape)
        : m_shape(shape)
        , m_random(shape.seed)
        , m_now(QDate(2017, 12, 20), QTime(10, 0)) {
        m_servers = shape.tricky ? trickyServers() : QStringList();
        for (int s = 0; !shape.tricky && s < shape.servers; ++s)
            m_servers << QStringLiteral("Server %1").arg(s + 1, 2, 10, QLatin1Char('0'));
        const QStringList pool = trickyNames();
        for (int p = 0; p < shape.players; ++p) {
            if (shape.tricky)
                m_names << pool.at(p % pool.size()) +
                               (p < pool.size() ? QString() : QString::number(p));
            else
                m_names << QStringLiteral("Survivor %1").arg(p);
        }
        m_joinedAt.assign(size_t(shape.players), QDateTime());
        m_serverOf.assign(size_t(shape.players), -1);
    }

    // Newest line first, as the program log holds them.
    QStringList log() {
        while (m_lines.size() < m_shape.lines)
            step();
        m_lines.resize(m_shape.lines);
        std::reverse(m_lines.begin(), m_lines.end());
        return m_lines;
    }

private:
    int pick(int n) { return int(m_random.bounded(quint32(n))); }

    void add(const QString &text) { m_lines << LogStamp::format(m_now) + text; }

    QString player(int p) const {
        return QStringLiteral("`") + m_names.at(p) + QStringLiteral("´ (") + steamId(p) +
               QLatin1Char(')');
    }

    QString duration(int p) const {
        const qint64 s = m_joinedAt[size_t(p)].secsTo(m_now) % 86400;
        return QTime(0, 0).addSecs(int(s)).toString(QStringLiteral("hh:mm:ss"));
    }

    void join(int p) {
        const int server = pick(int(m_servers.size()));
        m_serverOf[size_t(p)] = server;
        m_joinedAt[size_t(p)] = m_now;
        m_online.push_back(p);
        if (m_shape.tricky && pick(12) == 0)
            m_names[p] += QStringLiteral(" (renamed)");
        const bool playing = pick(6) == 0;
        add(QStringLiteral("Player: ") + player(p) +
            (playing ? QStringLiteral(" playing @ `") : QStringLiteral(" joined @ `")) +
            m_servers.at(server) + QStringLiteral("´"));
    }

    QString leaveText(int p) const {
        return QStringLiteral("Player: ") + player(p) + QStringLiteral(" has left `") +
               m_servers.at(m_serverOf[size_t(p)]) + QStringLiteral("´ - Duration {") +
               duration(p) + QLatin1Char('}');
    }

    void leave(size_t at) {
        const int p = m_online[at];
        add(leaveText(p));
        m_online[at] = m_online.back();
        m_online.pop_back();
        m_serverOf[size_t(p)] = -1;
    }

    void programExit() {
        for (const int p : m_online) {
            add(QStringLiteral("Program exit: ") + player(p) + QStringLiteral(" has played @ `") +
                m_servers.at(m_serverOf[size_t(p)]) + QStringLiteral("´ - Duration {") +
                duration(p) + QLatin1Char('}'));
            m_serverOf[size_t(p)] = -1;
        }
        m_online.clear();
        add(QStringLiteral(" - - - - - - - - - - - - Program start - - - - - - - - - - - -"));
    }

    void broken() {
        const int p = pick(m_shape.players);
        const QString id = steamId(p);
        switch (pick(11)) {
        case 0: { // cut off anywhere
            QString line = LogStamp::format(m_now) + QStringLiteral("Player: ") + player(p) +
                           QStringLiteral(" has left `") + m_servers.at(pick(4)) +
                           QStringLiteral("´ - Duration {01:02:03}");
            m_lines << line.left(pick(int(line.size())));
            break;
        }
        case 1: {
            const QStringList bad = {QStringLiteral("01:7x:00"), QStringLiteral("01:75:00"),
                                     QStringLiteral("1:02:03"), QString(),
                                     QStringLiteral("00:00:60")};
            add(QStringLiteral("Player: ") + player(p) + QStringLiteral(" has left `") +
                m_servers.at(pick(int(m_servers.size()))) + QStringLiteral("´ - Duration {") +
                bad.at(pick(int(bad.size()))) + QLatin1Char('}'));
            break;
        }
        case 2: {
            const QStringList stamps = {QStringLiteral("[17A105-101010] "),
                                        QStringLiteral("[171332-101010] "),
                                        QStringLiteral("[180230-101010] "), QStringLiteral("[")};
            m_lines << stamps.at(pick(int(stamps.size()))) + QStringLiteral("Player: ") +
                           player(p) + QStringLiteral(" has left `") + m_servers.at(0) +
                           QStringLiteral("´ - Duration {00:10:00}");
            break;
        }
        case 3: // a server known only from its leave lines
            add(QStringLiteral("Player: ") + player(p) +
                QStringLiteral(" has left `Nowhere´ - Duration {00:20:00}"));
            break;
        case 4: // a player known only from an exit line
            add(QStringLiteral("Program exit: `Ghost´ (76561190000000001) has played @ `") +
                m_servers.at(0) + QStringLiteral("´ - Duration {03:00:00}"));
            break;
        case 5:
            add(QStringLiteral("Player: `") + m_names.at(p) + QStringLiteral("´(") + id +
                QStringLiteral(") joined @ `Alpha´"));
            break;
        case 6:
            add(QStringLiteral("Player: `"));
            break;
        case 7:
            add(QStringLiteral("Player: `Q´ (") + id + QStringLiteral(") joined @ Alpha"));
            break;
        case 8:
            add(QStringLiteral("Player: ") + player(p) + QStringLiteral(" joined @ `"));
            break;
        case 9: // a name whose backquote starts a server name, and a duration line matching it
            add(QStringLiteral("Player: `Zed `Q´ (") + id + QStringLiteral(") joined @ `S´"));
            add(QStringLiteral("Player: `Zed `Q´ (") + id +
                QStringLiteral(") joined @ `S´ - Duration {00:30:00}"));
            break;
        default: // the clock went back a day
            m_now = m_now.addDays(-1);
            add(QStringLiteral("Serverstatus (Alpha):  Online"));
            break;
        }
    }

    void step() {
        const int r = pick(100);
        const bool crowded = int(m_online.size()) > m_shape.players / 4;
        if (r < 38 && !crowded) {
            const int p = pick(m_shape.players);
            if (m_serverOf[size_t(p)] < 0)
                join(p);
        } else if (r < 77 && !m_online.empty()) {
            leave(size_t(pick(int(m_online.size()))));
        } else if (r < 78) {
            programExit();
        } else if (r < 92) {
            add(QStringLiteral("Serverstatus (") + m_servers.at(pick(int(m_servers.size()))) +
                QStringLiteral("):  Online"));
        } else if (r < 96 || !m_shape.tricky) {
            add(QStringLiteral("Command successfully: saveworld @ ") +
                m_servers.at(pick(int(m_servers.size()))));
        } else {
            broken();
        }
        m_now = m_now.addSecs(1 + pick(1200));
    }

    Shape m_shape;
    QRandomGenerator m_random;
    QDateTime m_now;
    QStringList m_servers;
    QStringList m_names;
    QStringList m_lines;
    std::vector<QDateTime> m_joinedAt;
    std::vector<int> m_serverOf;
    std::vector<int> m_online;
};

inline QStringList generate(const Shape &shape) {
    return Generator(shape).log();
}

} // namespace StatisticsLogs
