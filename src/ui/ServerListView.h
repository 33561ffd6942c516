#pragma once

#include <QTreeView>

class QLabel;
class ServerListModel;

// The server list: one row per server with its live state, passwords masked unless shown,
// and a placeholder that invites the operator to add a server while the list is empty.
class ServerListView final : public QTreeView {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ServerListView)

public:
    ServerListView(ServerListModel *servers, QWidget *parent = nullptr);

    void setShowPasswords(bool show);
    bool showPasswords() const { return m_showPasswords; }
    QLabel *placeholder() const { return m_placeholder; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void updatePlaceholder();

    ServerListModel *m_servers;
    QLabel *m_placeholder;
    bool m_showPasswords = false;
};
