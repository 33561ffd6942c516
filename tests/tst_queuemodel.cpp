// The queue view's table over the command queue: columns, captions and the queue icon, the rows
// following every change of the queue, and a header click that reorders the queue itself.
#include "base/Clock.h"
#include "base/IconIndex.h"
#include "commands/CommandQueue.h"
#include "commands/QueueFile.h"
#include "commands/QueueModel.h"
#include "commands/UserCommands.h"

#include "TestFiles.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <memory>

namespace {
const QDateTime kNow(QDate(2031, 6, 1), QTime(10, 0, 0));

QStringList describe(const QVector<QueueEntry> &entries) {
    QStringList rows;
    for (const QueueEntry &e : entries)
        rows << QStringList{e.scriptName, e.command, e.timeField, e.server}.join(QLatin1Char('|'));
    return rows;
}
} // namespace

class TestQueueModel : public QObject {
    Q_OBJECT

private slots:
    void init() {
        Clock::setSource([] { return kNow; });
        m_dir = std::make_unique<QTemporaryDir>();
        m_queue = std::make_unique<CommandQueue>(m_dir->path());
        m_model = std::make_unique<QueueModel>(m_queue.get());
    }
    void cleanup() {
        m_model.reset();
        m_queue.reset();
        Clock::reset();
    }

    void modelShowsTheQueue() {
        QAbstractItemModelTester tester(m_model.get(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        m_queue->QueueAppend(QStringLiteral("Restart"), QStringLiteral("msg:bye"), kNow.addSecs(60),
                             QStringLiteral("Island"));
        UserCommands(m_queue.get()).queueSaveWorld(QStringLiteral("Center"));
        QCOMPARE(m_model->rowCount(), 2);
        QCOMPARE(m_model->columnCount(), 4);
        QStringList headers;
        for (int c = 0; c < 4; ++c)
            headers << m_model->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headers, QueueFile::columnCaptions());
        const QModelIndex first = m_model->index(0, 0);
        QCOMPARE(first.data().toString(), QStringLiteral("Restart"));
        QCOMPARE(first.siblingAtColumn(1).data().toString(), QStringLiteral("msg:bye"));
        QCOMPARE(first.siblingAtColumn(2).data().toString(), QStringLiteral("01.06.2031 10:01:00"));
        QCOMPARE(first.siblingAtColumn(3).data().toString(), QStringLiteral("Island"));
        QCOMPARE(first.data(QueueModel::IconIndexRole).toInt(), int(IconIndex::QueuedCommand));
        QVERIFY(!first.siblingAtColumn(1).data(QueueModel::IconIndexRole).isValid());

        QSignalSpy changed(m_model.get(), &QueueModel::dataChanged);
        m_queue->setTicket(1, 7);
        m_queue->markStarted(1);
        QCOMPARE(m_queue->entry(1).timeField, QStringLiteral("In progress.."));
        QCOMPARE(m_queue->entry(1).ticket, quint64(7));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(m_model->index(1, QueueModel::StartTimeColumn).data().toString(),
                 QStringLiteral("In progress.."));
        m_queue->removeEntry(0);
        QCOMPARE(m_model->index(0, 0).data().toString(), QStringLiteral("User command"));
        m_queue->removeAll();
        QCOMPARE(m_model->rowCount(), 0);
    }

    void headerClickReordersTheQueueItself_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<QStringList>("ascending");
        // Rows are b, a, c, d as appended; d has been started and shows its state.
        QTest::newRow("script name, A-Z without case")
            << int(QueueModel::ScriptNameColumn) << QStringList{"a", "b", "c", "d"};
        QTest::newRow("start time as a time, the state first")
            << int(QueueModel::StartTimeColumn) << QStringList{"d", "c", "a", "b"};
        QTest::newRow("server as text")
            << int(QueueModel::ServerColumn) << QStringList{"c", "d", "a", "b"};
    }

    void headerClickReordersTheQueueItself() {
        QFETCH(int, column);
        QFETCH(QStringList, ascending);
        m_queue->LoadQueue();
        // "02.06." before "03.05." as text, after it as a time.
        m_queue->QueueAppend(QStringLiteral("b"), QStringLiteral("cmd:2"),
                             QDateTime(QDate(2031, 6, 3), QTime(8, 0)), QStringLiteral("Zeta"));
        m_queue->QueueAppend(QStringLiteral("A"), QStringLiteral("cmd:1"),
                             QDateTime(QDate(2031, 6, 2), QTime(9, 0)), QStringLiteral("island"));
        m_queue->QueueAppend(QStringLiteral("c"), QStringLiteral("cmd:3"),
                             QDateTime(QDate(2031, 6, 1), QTime(11, 0)), QStringLiteral("Alpha"));
        m_queue->QueueAppend(QStringLiteral("d"), QStringLiteral("cmd:4"),
                             QDateTime(QDate(2031, 6, 1), QTime(10, 30)), QStringLiteral("beta"));
        m_queue->setTicket(3, 9);
        m_queue->markStarted(3);
        const auto scripts = [this] {
            QStringList names;
            for (const QueueEntry &entry : m_queue->entries())
                names << entry.scriptName.toLower();
            return names;
        };
        QAbstractItemModelTester tester(m_model.get(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        const QPersistentModelIndex started = m_model->index(3, QueueModel::CommandColumn);
        QSignalSpy saved(m_queue.get(), &CommandQueue::saved);

        m_model->headerClicked(column);
        // The queue starts on column 0, ascending: the first click there reverses it.
        if (column == QueueModel::ScriptNameColumn) {
            QCOMPARE(m_model->sortOrder(), Qt::DescendingOrder);
            m_model->headerClicked(column);
        }
        QCOMPARE(scripts(), ascending);
        QCOMPARE(m_model->sortOrder(), Qt::AscendingOrder);
        QCOMPARE(m_model->headerData(column, Qt::Horizontal, QueueModel::IconIndexRole).toInt(),
                 int(IconIndex::SortAscending));
        QCOMPARE(started.data().toString(), QStringLiteral("cmd:4"));
        QCOMPARE(m_queue->entry(started.row()).ticket, quint64(9));

        m_model->headerClicked(column);
        QStringList descending = ascending;
        std::reverse(descending.begin(), descending.end());
        QCOMPARE(scripts(), descending);
        QCOMPARE(m_model->headerData(column, Qt::Horizontal, QueueModel::IconIndexRole).toInt(),
                 int(IconIndex::SortDescending));
        for (int other = 0; other < QueueModel::ColumnCount; ++other) {
            if (other != column)
                QVERIFY(!m_model->headerData(other, Qt::Horizontal, QueueModel::IconIndexRole)
                             .isValid());
        }
        // The file keeps the order the scheduler walks.
        QVERIFY(saved.wait(1000));
        QCOMPARE(describe(QueueFile::read(readBytes(m_queue->fileName())).entries),
                 describe(m_queue->entries()));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<CommandQueue> m_queue;
    std::unique_ptr<QueueModel> m_model;
};

QTEST_GUILESS_MAIN(TestQueueModel)
#include "tst_queuemodel.moc"
