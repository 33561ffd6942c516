#pragma once

#include <QPixmap>
#include <QTreeView>

class QLabel;
class QPushButton;
class ServerListModel;

// The server list: one row per server with its live state, passwords masked unless shown,
// and a placeholder that invites the operator to add a server while the list is empty: a
// picture, an "Add server…" button below it and a line of help.
class ServerListView final : public QTreeView {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ServerListView)

public:
    ServerListView(ServerListModel *servers, QWidget *parent = nullptr);

    // The placeholder follows the model the view shows.
    void setModel(QAbstractItemModel *model) override;
    void setShowPasswords(bool show);
    bool showPasswords() const { return m_showPasswords; }
    QLabel *placeholder() const { return m_placeholder; }
    QPushButton *addServerButton() const { return m_addServer; }
    QLabel *emptyListHelp() const { return m_help; }
    // Where the empty-list picture goes on a list of this size: centred, half the list's width
    // while the list is narrower than 1000 px, and a tenth as high as it is wide.
    static QRect placeholderRect(const QSize &list);
    static constexpr int kPlaceholderWidth = 500;

signals:
    // "Add server…" under the empty list's placeholder.
    void addServerRequested();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void updatePlaceholder();
    static QPixmap placeholderPicture(const QString &text);

    ServerListModel *m_servers;
    QLabel *m_placeholder;
    QPushButton *m_addServer;
    QLabel *m_help;
    bool m_showPasswords = false;
};
