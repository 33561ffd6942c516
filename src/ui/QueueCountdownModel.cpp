#include "ui/QueueCountdownModel.h"

#include "base/Clock.h"

#include <QDateTime>

namespace {
// Often enough for whole minutes and seconds under a minute to look right.
constexpr int kRefreshMs = 1000;
} // namespace

QueueCountdownModel::QueueCountdownModel(int startTimeColumn, QObject *parent)
    : QIdentityProxyModel(parent)
    , m_column(startTimeColumn) {
    m_refresh.setInterval(kRefreshMs);
    connect(&m_refresh, &QTimer::timeout, this, &QueueCountdownModel::refresh);
    m_refresh.start();
}

QVariant QueueCountdownModel::data(const QModelIndex &index, int role) const {
    QVariant value = QIdentityProxyModel::data(index, role);
    if (role != Qt::DisplayRole || index.column() != m_column)
        return value;
    return withTimeLeft(value.toString(), Clock::now());
}

QString QueueCountdownModel::timeLeft(qint64 seconds) {
    if (seconds <= 0)
        return QString();
    if (seconds < 60)
        return tr("in %1 s").arg(seconds);
    const qint64 minutes = (seconds + 59) / 60;
    if (minutes < 60)
        return tr("in %1 min").arg(minutes);
    if (minutes < 48 * 60) {
        const qint64 rest = minutes % 60;
        return rest == 0 ? tr("in %1 h").arg(minutes / 60)
                         : tr("in %1 h %2 min").arg(minutes / 60).arg(rest);
    }
    return tr("in %1 days").arg(minutes / (24 * 60));
}

QString QueueCountdownModel::withTimeLeft(const QString &timeField, const QDateTime &now) {
    const QDateTime start =
        QDateTime::fromString(timeField.left(19), QStringLiteral("dd.MM.yyyy HH:mm:ss"));
    if (!start.isValid())
        return timeField;
    const QString left = timeLeft(now.secsTo(start));
    return left.isEmpty() ? timeField : timeField + QStringLiteral("  (") + left + QLatin1Char(')');
}

void QueueCountdownModel::refresh() {
    const int rows = rowCount();
    if (rows > 0)
        emit dataChanged(index(0, m_column), index(rows - 1, m_column), {Qt::DisplayRole});
}
