#pragma once

#include "chat/ChatLine.h"

#include <QLabel>
#include <QList>
#include <QStringList>
#include <QWidget>

class ChatSession;
class ChatView;
class LogSearch;
class QLineEdit;
class QPushButton;
class QSplitter;
class QToolButton;
class QTreeWidget;
class ResultTextView;

// The right side's upper part: the top bar (close channel, chat title, options) and the chat
// area (chat log view, input, player-online list, chat name, Send and Broadcast).
class ChatPanel final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ChatPanel)

public:
    explicit ChatPanel(QWidget *parent = nullptr);

    // The chat this area shows and sends through; the panel follows its signals.
    void setSession(ChatSession *session);
    ChatSession *session() const { return m_session; }

    QSplitter *splitter() const { return m_splitter; }
    ChatView *chatView() const { return m_chatView; }
    QToolButton *closeButton() const { return m_close; }
    // The small "working..." window shown while the chat opening waits.
    QWidget *workingWindow() const { return m_working; }
    QLineEdit *input() const { return m_input; }
    QTreeWidget *playersOnline() const { return m_players; }
    QPushButton *sendButton() const { return m_send; }
    QPushButton *broadcastButton() const { return m_broadcast; }
    // The chat's search: enabled while a chat is open, closed whenever one opens or closes.
    LogSearch *search() const { return m_search; }

    QString chatName() const;
    void setChatName(const QString &name);
    QString title() const;
    void setTitle(const QString &title);

    int sideColumnWidth() const;
    void setSideColumnWidth(int width);

signals:
    void closeChannelClicked();
    void optionsClicked();

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *buildTopBar();
    QWidget *buildChatColumn();
    QWidget *buildSideColumn();
    void buildSearch(QWidget *header, QLabel *heading, ResultTextView *result);
    void updateTopBar();
    void showOpen(bool open);
    void sendInput();
    void broadcastInput();
    void setWorking(bool working);
    void confirmDeleteLogfile();
    void fillPlayers(const QStringList &names);

    QWidget *m_topBar = nullptr;
    QToolButton *m_close = nullptr;
    QLabel *m_title = nullptr;
    QToolButton *m_options = nullptr;
    QSplitter *m_splitter = nullptr;
    ChatView *m_chatView = nullptr;
    QLineEdit *m_input = nullptr;
    QTreeWidget *m_players = nullptr;
    QLineEdit *m_name = nullptr;
    QPushButton *m_send = nullptr;
    QPushButton *m_broadcast = nullptr;
    QLabel *m_working = nullptr;
    ChatSession *m_session = nullptr;
    LogSearch *m_search = nullptr;
    QList<ChatLine> m_searchedLines; // the chat as the open search last saw it
    QStringList m_searchedTexts;
};
