#pragma once

#include <QWidget>

class CommandField;
class ConsoleOutputView;
class ConsoleSession;
class PlayerListModel;
class QComboBox;
class QLabel;
class QPushButton;
class ServerListModel;
struct ConsoleExchange;

// The "Console" tab: a server chooser (a server of the list, or "All online servers"), the
// command field and the output of every exchange. The chooser follows the server selected in
// the server list; the operator may pick another one, or all online servers, at any time.
class ConsolePanel final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ConsolePanel)

public:
    ConsolePanel(ConsoleSession *session, ServerListModel *servers, PlayerListModel *players,
                 QWidget *parent = nullptr);

    QComboBox *serverChooser() const { return m_chooser; }
    CommandField *commandField() const { return m_field; }
    ConsoleOutputView *output() const { return m_output; }
    QLabel *waitingLabel() const { return m_waiting; }

    // The chooser's server; empty for "All online servers".
    QString chosenServer() const;
    bool allOnlineChosen() const;
    // The server selected in the server list (empty: none).
    void followSelectedServer(const QString &name);
    // Sends what the field holds to the chosen server(s) and empties the field.
    void sendCommand();

private:
    void rebuildChooser();
    void showWaiting(int count);

    ConsoleSession *m_session;
    ServerListModel *m_servers;
    PlayerListModel *m_players;
    QComboBox *m_chooser;
    CommandField *m_field;
    QPushButton *m_send;
    ConsoleOutputView *m_output;
    QLabel *m_waiting;
    QString m_selected; // in the server list
};
