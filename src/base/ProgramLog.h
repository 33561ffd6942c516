#pragma once

#include <QAbstractListModel>
#include <QDateTime>
#include <QStringList>

// The program log: time-stamped lines, newest first, shown in the program-log view and written
// whole to "logs/kvd.log". The statistics read these lines back, so their texts are an interface.
class ProgramLog final : public QAbstractListModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProgramLog)

public:
    static constexpr int kMaxLines = 100000;

    // `logsDir` is the folder that holds kvd.log, kvd.bck and kvd_log_deleted.old.
    explicit ProgramLog(const QString &logsDir, QObject *parent = nullptr);

    // 'm' enters a message line; 'e' (an error entry) goes to the error category only.
    void log(QChar type, const QString &text);
    void message(const QString &text) { log(QLatin1Char('m'), text); }
    // A message that is entered even when it repeats the newest line: a record of something the
    // operator did (every command typed into the console is on record, twice when sent twice).
    void record(const QString &text);

    // Start-up load: kvd.log (or the backup when the log is short), empty lines dropped, the
    // backup refreshed, the start marker on top.
    void load();
    // Writes every line to kvd.log; false when the file could not be written. The first failure
    // after a successful save is entered into the log with its reason; repeats are not.
    bool savelog();
    // The periodic save: writes only when something changed since the last successful write.
    void saveIfChanged();
    // After a server was added or changed: save, and refresh the backup of a long log. A failed
    // backup is entered the way a failed save is.
    void saveWithBackup();
    // The same from the event loop, each write on a turn of its own: a long log is two writes of
    // several megabytes that together would hold up the window after a rename's rewrite.
    void saveWithBackupLater();
    // "Delete logfile": keeps the lines in kvd_log_deleted.old, empties the log, deletes the files.
    bool deleteLogfile();

    const QStringList &lines() const { return m_lines; }
    // Replaces every line at once (a server rename rewrites the player lines).
    void setLines(const QStringList &lines);
    QString logsDir() const { return m_logsDir; }

    static QString startMarker(const QDateTime &when);
    // `line` is the stamp followed by exactly `text`.
    static bool isRepeatOf(const QString &line, const QString &text);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

signals:
    // A line was entered: the view shows its top.
    void entryAdded();

private:
    QString path(const char *name) const;
    void enter(const QString &text, bool dropRepeat);
    bool writeBackup();
    // Enters the failure of a save unless the previous save of that file failed as well.
    void reportSave(bool ok, const char *name, const QString &reason, bool *failing);

    QString m_logsDir;
    QStringList m_lines;
    quint64 m_revision = 0;
    quint64 m_savedRevision = ~quint64(0);
    bool m_logFailing = false;
    bool m_backupFailing = false;
};
