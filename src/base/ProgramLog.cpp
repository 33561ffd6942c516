#include "base/ProgramLog.h"

#include "base/Clock.h"
#include "base/LogStamp.h"
#include "base/Logging.h"
#include "base/TextFile.h"

#include <QDir>
#include <QFile>
#include <QTimer>

namespace {
constexpr int kBackupWhenMoreThan = 30;
constexpr int kShortLogBelow = 10;
constexpr int kCleanupWhenMoreThan = 15;
constexpr int kCleanupLastPosition = 10;
} // namespace

ProgramLog::ProgramLog(const QString &logsDir, QObject *parent)
    : QAbstractListModel(parent)
    , m_logsDir(logsDir) {}

QString ProgramLog::path(const char *name) const {
    return m_logsDir + QLatin1Char('/') + QLatin1String(name);
}

QString ProgramLog::startMarker(const QDateTime &when) {
    return LogStamp::format(when) +
           QStringLiteral(" - - - - - - - - - - - - Program start - - - - - - - - - - - -");
}

bool ProgramLog::isRepeatOf(const QString &line, const QString &text) {
    return line.size() == LogStamp::kLength + text.size() && line.endsWith(text);
}

void ProgramLog::log(QChar type, const QString &text) {
    if (type != QLatin1Char('m')) {
        QString entry = text;
        entry.remove(QLatin1Char('\n'));
        entry.remove(QLatin1Char('\r'));
        qCWarning(lcError).noquote() << entry;
        return;
    }
    enter(text, true);
}

void ProgramLog::record(const QString &text) {
    enter(text, false);
}

void ProgramLog::enter(const QString &text, bool dropRepeat) {
    QString entry = text;
    entry.remove(QLatin1Char('\n'));
    entry.remove(QLatin1Char('\r'));
    // Only an exact repeat of the newest line is dropped, so a line that merely holds the new
    // text ("... @ Alpha2" for "... @ Alpha") never swallows it.
    if (dropRepeat && !m_lines.isEmpty() && isRepeatOf(m_lines.constFirst(), entry))
        return;

    if (m_lines.size() >= kMaxLines) {
        const int first = kMaxLines - 1;
        beginRemoveRows({}, first, m_lines.size() - 1);
        m_lines.resize(first);
        endRemoveRows();
    }
    beginInsertRows({}, 0, 0);
    m_lines.prepend(LogStamp::format(Clock::now()) + entry);
    endInsertRows();

    if (m_lines.size() > kCleanupWhenMoreThan) {
        // Lines loaded from an older file may be empty; the newest few are kept tidy.
        for (int i = 0; i <= kCleanupLastPosition && i < m_lines.size(); ++i) {
            if (m_lines.at(i).isEmpty()) {
                beginRemoveRows({}, i, i);
                m_lines.removeAt(i);
                endRemoveRows();
            }
        }
    }
    ++m_revision;
    emit entryAdded();
}

void ProgramLog::load() {
    QDir().mkpath(m_logsDir);
    QStringList lines = TextFile::readLines(path("kvd.log"));
    if (lines.size() < kShortLogBelow) {
        const QStringList backup = TextFile::readLines(path("kvd.bck"));
        if (backup.size() > kShortLogBelow)
            lines = backup;
    }
    lines.removeIf([](const QString &line) { return line.isEmpty(); });
    const bool refreshBackup = lines.size() > kBackupWhenMoreThan;
    QString backupError;
    const bool backupSaved =
        !refreshBackup || TextFile::writeLines(path("kvd.bck"), lines, &backupError);

    lines.prepend(startMarker(Clock::now()));
    beginResetModel();
    m_lines = lines;
    endResetModel();
    ++m_revision;
    // Reported only now: an entry made before the reset would be lost with the old lines.
    if (refreshBackup)
        reportSave(backupSaved, "kvd.bck", backupError, &m_backupFailing);
}

bool ProgramLog::savelog() {
    QString error;
    const bool ok = TextFile::writeLines(path("kvd.log"), m_lines, &error);
    if (ok)
        m_savedRevision = m_revision;
    reportSave(ok, "kvd.log", error, &m_logFailing);
    return ok;
}

void ProgramLog::saveIfChanged() {
    if (m_savedRevision != m_revision)
        savelog();
}

bool ProgramLog::writeBackup() {
    QString error;
    const bool ok = TextFile::writeLines(path("kvd.bck"), m_lines, &error);
    reportSave(ok, "kvd.bck", error, &m_backupFailing);
    return ok;
}

void ProgramLog::saveWithBackup() {
    savelog();
    if (m_lines.size() > kBackupWhenMoreThan)
        writeBackup();
}

void ProgramLog::saveWithBackupLater() {
    // A timer rather than a posted call: input, paints and other timers due meanwhile run first.
    constexpr int kTurnMs = 1;
    QTimer::singleShot(kTurnMs, this, [this] {
        savelog();
        if (m_lines.size() > kBackupWhenMoreThan)
            QTimer::singleShot(kTurnMs, this, [this] { writeBackup(); });
    });
}

void ProgramLog::reportSave(bool ok, const char *name, const QString &reason, bool *failing) {
    if (ok) {
        *failing = false;
        return;
    }
    // The periodic save retries every few seconds; one entry per run of failures is enough.
    if (*failing)
        return;
    *failing = true;
    message(tr("Failed to save %1: %2").arg(QLatin1String("logs/") + QLatin1String(name), reason));
}

bool ProgramLog::deleteLogfile() {
    QDir().mkpath(m_logsDir);
    if (!TextFile::writeLines(path("kvd_log_deleted.old"), m_lines))
        return false;
    beginResetModel();
    m_lines.clear();
    endResetModel();
    QFile::remove(path("kvd.log"));
    QFile::remove(path("kvd.bck"));
    // The next periodic save creates kvd.log afresh.
    ++m_revision;
    return true;
}

void ProgramLog::setLines(const QStringList &lines) {
    beginResetModel();
    m_lines = lines;
    endResetModel();
    ++m_revision;
}

int ProgramLog::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_lines.size());
}

QVariant ProgramLog::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= m_lines.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return m_lines.at(index.row());
    return {};
}
