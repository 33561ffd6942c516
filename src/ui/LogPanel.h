#pragma once

#include <QTabWidget>

class ProgramLog;
class QListView;
class StatisticsPanel;
class StatisticsRunner;

// The bottom area: the program log view (newest entry on top) and the statistics tab.
class LogPanel final : public QTabWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LogPanel)

public:
    LogPanel(ProgramLog *log, StatisticsRunner *statistics, QWidget *parent = nullptr);

    QListView *programLogView() const { return m_view; }
    StatisticsPanel *statisticsPage() const { return m_statistics; }

    // "Delete logfile" on the program log, after the operator's confirmation.
    void deleteProgramLog();
    // The program log's search field; an empty text ends the search.
    void setSearchText(const QString &) {}

private:
    void showMenu(const QPoint &pos);
    void copySelection();

    ProgramLog *m_log;
    QListView *m_view;
    StatisticsPanel *m_statistics;
};
