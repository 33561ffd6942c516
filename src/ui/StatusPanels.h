#pragma once

#include <QObject>
#include <QPixmap>

class QLabel;
class QStatusBar;
class QWidget;

// The five panels of the status bar: visit activity, spare, servers online, players online,
// background chat watch.
class StatusPanels final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StatusPanels)

public:
    StatusPanels(QStatusBar *bar, QObject *parent = nullptr);

    void setVisitActive(bool active);
    bool isVisitActive() const { return m_active; }
    void setServersOnline(const QString &text);
    void setPlayersOnline(const QString &text);
    void setBackgroundWatch(const QString &text);

    QString serversOnline() const;
    QString playersOnline() const;
    QString backgroundWatch() const;

private:
    QLabel *m_indicator = nullptr;
    QPixmap m_busy;
    QPixmap m_idle;
    bool m_active = false;
    QLabel *m_servers = nullptr;
    QLabel *m_players = nullptr;
    QLabel *m_background = nullptr;
};
