#pragma once

#include <QIdentityProxyModel>
#include <QTimer>

// The queue as the queue view shows it: beside each start time still ahead, the time left until
// it ("in 4 min"), kept current while the view is open.
class QueueCountdownModel final : public QIdentityProxyModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QueueCountdownModel)

public:
    // `startTimeColumn` is the source's column of the time fields.
    QueueCountdownModel(int startTimeColumn, QObject *parent = nullptr);

    QVariant data(const QModelIndex &index, int role) const override;

    // "in 45 s", "in 4 min", "in 2 h 5 min", "in 3 days"; empty when the time has come.
    static QString timeLeft(qint64 seconds);
    // The time field followed by its time left, as the view shows it.
    static QString withTimeLeft(const QString &timeField, const QDateTime &now);

private:
    void refresh();

    int m_column;
    QTimer m_refresh;
};
