#pragma once

#include <QTabWidget>

class LogSearch;
class ProgramLog;
class QListView;
class QStringListModel;
class StatisticsPanel;
class StatisticsRunner;

// The bottom area: the program log view (newest entry on top) with its search, and the
// statistics tab. The search box shows at the top right while the program log's tab is open.
class LogPanel final : public QTabWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LogPanel)

public:
    LogPanel(ProgramLog *log, StatisticsRunner *statistics, QWidget *parent = nullptr);

    QListView *programLogView() const { return m_view; }
    StatisticsPanel *statisticsPage() const { return m_statistics; }
    LogSearch *search() const { return m_search; }
    QListView *searchResultView() const { return m_resultView; }

    // Puts `text` into the program log's search box (and searches); an empty text closes it.
    void setSearchText(const QString &text);

    // "Delete logfile" on the program log, after the operator's confirmation.
    void deleteProgramLog();

private:
    ProgramLog *m_log;
    QListView *m_view;
    QListView *m_resultView;
    QStringListModel *m_results;
    StatisticsPanel *m_statistics;
    LogSearch *m_search = nullptr;
};
