#pragma once

#include <QDateTime>
#include <QDialog>

class CommandQueue;
class QButtonGroup;
class QDateEdit;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTimeEdit;

// "Script selection": when a chosen script runs on a server, now or from a date and time on.
// "Later" starts a minute ahead and can be set "in N minutes" as well; its time field takes digits
// as they are typed. "Ok" queues the whole script and tells the program log, or, when a line of
// it cannot be read, tells which and queues nothing; the dialog then stays open.
class ScriptSelectionDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ScriptSelectionDialog)

public:
    explicit ScriptSelectionDialog(CommandQueue *queue, QWidget *parent = nullptr);

    // Shows `scriptName` for `server`, "Now" chosen and both fields on the current date and time,
    // and runs the dialog; true when the script was queued.
    bool run(const QString &server, const QString &scriptName, const QString &scriptText);
    // What run() shows, without running the dialog.
    void prepare(const QString &server, const QString &scriptName, const QString &scriptText);

    // The base time of the script's first line: now, or the date and time chosen for "Later".
    QDateTime startTime() const;

    QLabel *serverLabel() const { return m_server; }
    QLabel *scriptLabel() const { return m_script; }
    QRadioButton *nowButton() const { return m_now; }
    QRadioButton *laterButton() const { return m_later; }
    QDateEdit *dateField() const { return m_date; }
    QTimeEdit *timeField() const { return m_time; }
    QSpinBox *minutesField() const { return m_minutes; }
    QPushButton *okButton() const { return m_ok; }
    QPushButton *cancelButton() const { return m_cancel; }

    // The program-log line of a queued script: "Script queued: `Restart´ on `Alpha´ at 04:00:00,
    // 3 commands" (with the date when it is not today).
    static QString queuedLine(const QString &scriptName, const QString &server,
                              const QDateTime &start, int commands);

signals:
    // A line for the program log.
    void message(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void choiceChanged();
    void minutesChanged(int minutes);
    void followDateTime();
    void confirm();

    CommandQueue *m_queue;
    QLabel *m_server;
    QLabel *m_script;
    QButtonGroup *m_start;
    QRadioButton *m_now;
    QRadioButton *m_later;
    QLabel *m_dateLabel;
    QDateEdit *m_date;
    QLabel *m_timeLabel;
    QTimeEdit *m_time;
    QLabel *m_minutesLabel;
    QSpinBox *m_minutes;
    QPushButton *m_ok;
    QPushButton *m_cancel;
    QString m_serverName;
    QString m_scriptName;
    QString m_text;
};
