#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

// The commands typed on the console tab, oldest first, kept across restarts in one text file of
// the program folder (one command a line, UTF-8, rewritten whole after every command). At most
// kMaxEntries; a command equal to the newest one is not entered again.
class CommandHistory final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CommandHistory)

public:
    static constexpr int kMaxEntries = 500;
    static constexpr int kNone = -1;

    explicit CommandHistory(const QString &path, QObject *parent = nullptr);

    QString path() const { return m_path; }
    // A missing file is an empty history; an unreadable one is told once.
    void load();
    // Enters `command` (blank ones are not) and writes the file. A failed write is told once
    // until a write succeeds again; the entries stay and go out with the next write.
    void add(const QString &command);
    const QStringList &entries() const { return m_entries; }

    // Walking the history from the field: the index of the next older (or newer) entry than
    // `from` that holds `filter` in any letter case; kNone when there is none. Walking older
    // from kNone starts at the newest entry.
    int older(int from, const QString &filter) const;
    int newer(int from, const QString &filter) const;
    // The entries that hold `filter`, newest first, each once.
    QStringList matching(const QString &filter) const;

signals:
    void message(const QString &text);

private:
    bool matches(int index, const QString &filter) const;
    void save();

    QString m_path;
    QStringList m_entries;
    bool m_failing = false;
};
