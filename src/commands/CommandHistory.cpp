#include "commands/CommandHistory.h"

#include "base/WholeFile.h"

#include <QFileInfo>
#include <QSet>

CommandHistory::CommandHistory(const QString &path, QObject *parent)
    : QObject(parent)
    , m_path(path) {}

void CommandHistory::load() {
    QByteArray bytes;
    QString error;
    m_entries.clear();
    const WholeFile::ReadResult result = WholeFile::read(m_path, &bytes, &error);
    if (result == WholeFile::ReadResult::Failed) {
        emit message(QStringLiteral("Console history unreadable (%1):  %2")
                         .arg(QFileInfo(m_path).fileName(), error));
        return;
    }
    const QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.trimmed().isEmpty() || (!m_entries.isEmpty() && m_entries.constLast() == line))
            continue;
        m_entries << line;
    }
    if (m_entries.size() > kMaxEntries)
        m_entries.remove(0, m_entries.size() - kMaxEntries);
}

void CommandHistory::add(const QString &command) {
    if (command.trimmed().isEmpty())
        return;
    if (!m_entries.isEmpty() && m_entries.constLast() == command)
        return;
    m_entries << command;
    if (m_entries.size() > kMaxEntries)
        m_entries.remove(0, m_entries.size() - kMaxEntries);
    save();
}

void CommandHistory::save() {
    QString error;
    const bool ok = WholeFile::write(
        m_path, (m_entries.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8(), &error);
    if (!ok && !m_failing)
        emit message(QStringLiteral("Error saving console history (%1):  %2")
                         .arg(QFileInfo(m_path).fileName(), error));
    m_failing = !ok;
}

bool CommandHistory::matches(int index, const QString &filter) const {
    return filter.isEmpty() || m_entries.at(index).contains(filter, Qt::CaseInsensitive);
}

int CommandHistory::older(int from, const QString &filter) const {
    const int start = from == kNone ? int(m_entries.size()) - 1 : from - 1;
    for (int i = start; i >= 0; --i) {
        if (matches(i, filter))
            return i;
    }
    return kNone;
}

int CommandHistory::newer(int from, const QString &filter) const {
    if (from == kNone)
        return kNone;
    for (int i = from + 1; i < m_entries.size(); ++i) {
        if (matches(i, filter))
            return i;
    }
    return kNone;
}

QStringList CommandHistory::matching(const QString &filter) const {
    QStringList found;
    QSet<QString> seen;
    for (int i = int(m_entries.size()) - 1; i >= 0; --i) {
        const QString &entry = m_entries.at(i);
        if (matches(i, filter) && !seen.contains(entry)) {
            seen.insert(entry);
            found << entry;
        }
    }
    return found;
}
