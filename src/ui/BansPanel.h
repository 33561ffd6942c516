#pragma once

#include <QWidget>

class BanListModel;
class ConsoleSession;
class QLineEdit;
class QSortFilterProxyModel;
class QTreeView;

// The "Bans" tab: the bans made through this console, newest first, with a filter field and
// "Unban" on each row (a click on it, Enter on the row, or the row's pop-up menu). An unban asks
// first and goes out through the console's command path; once it succeeded the row goes.
class BansPanel final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BansPanel)

public:
    BansPanel(BanListModel *bans, ConsoleSession *session, QWidget *parent = nullptr);

    QTreeView *view() const { return m_view; }
    QLineEdit *filterField() const { return m_filter; }
    // Asks, then sends the unban of the view's row.
    void unbanRow(int viewRow);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void refreshIfShown();
    void openMenu(const QPoint &globalPos);

    BanListModel *m_bans;
    ConsoleSession *m_session;
    QSortFilterProxyModel *m_proxy;
    QLineEdit *m_filter;
    QTreeView *m_view;
};
