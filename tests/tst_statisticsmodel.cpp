// The statistics table as its view shows it: columns, order, header-click sorting and its icons.
#include "stats/PlayerStatistics.h"
#include "stats/StatisticsModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

namespace {

// Rows in the table's order (ascending total): SteamID64, name, last online, total, servers A, B.
PlayerStatistics statistics(const QList<QStringList> &rows) {
    PlayerStatistics result;
    result.table.setColumnCount(6);
    result.table.setCell(4, 0, QStringLiteral("A"));
    result.table.setCell(5, 0, QStringLiteral("B"));
    for (const QStringList &row : rows)
        result.table.appendRow(row);
    return result;
}

const QList<QStringList> kRows = {
    {"76561198000000004", "dora", "", "00:00:00", "", ""},
    {"76561198000000003", "Cid", "31.12.2016", "09:00:00", "09:00:00", ""},
    {"76561198000000002", "bea", "01.02.2017", "99:00:00", "", "99:00:00"},
    {"76561198000000001", "Ann", "15.01.2017", "100:00:00", "40:00:00", "60:00:00"},
};

QStringList column(const StatisticsModel &model, int c) {
    QStringList texts;
    for (int r = 0; r < model.rowCount(); ++r)
        texts << model.index(r, c).data().toString();
    return texts;
}

QVariant headerIcon(const StatisticsModel &model, int c) {
    return model.headerData(c, Qt::Horizontal, StatisticsModel::IconIndexRole);
}

} // namespace

class TestStatisticsModel : public QObject {
    Q_OBJECT

private slots:
    void showsTheMostPlayFirstWithTheirIds() {
        StatisticsModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setStatistics(statistics(kRows));
        QCOMPARE(model.columnCount(), 6);
        QStringList captions;
        for (int c = 0; c < model.columnCount(); ++c)
            captions << model.headerData(c, Qt::Horizontal).toString();
        QCOMPARE(captions,
                 QStringList({"Player", "SteamID64", "Last online", "Total hh:mm:ss", "A", "B"}));
        QCOMPARE(column(model, 0), QStringList({"Ann", "bea", "Cid", "dora"}));
        // Two players of one name are told apart by their ids.
        QCOMPARE(column(model, 1), QStringList({"76561198000000001", "76561198000000002",
                                                "76561198000000003", "76561198000000004"}));
        QCOMPARE(model.index(0, 0).data(StatisticsModel::IconIndexRole).toInt(),
                 int(IconIndex::Player));
        QVERIFY(!model.index(0, 1).data(StatisticsModel::IconIndexRole).isValid());
        // Names and ids read from the left, times and dates line up on the right.
        for (int c = 0; c < model.columnCount(); ++c) {
            const Qt::Alignment expected =
                (c < 2 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter;
            QCOMPARE(model.index(1, c).data(Qt::TextAlignmentRole).value<Qt::Alignment>(),
                     expected);
            QCOMPARE(
                model.headerData(c, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>(),
                expected);
        }
        QCOMPARE(model.exportHeader().first(), QStringLiteral("SteamID64"));
        QCOMPARE(model.exportRows().first().first(), QStringLiteral("76561198000000001"));
        for (int c = 0; c < model.columnCount(); ++c)
            QVERIFY(!headerIcon(model, c).isValid());
    }

    void headerClicksSort_data() {
        QTest::addColumn<QList<int>>("clicks");
        QTest::addColumn<int>("shownColumn");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<int>("icon");

        // The first state is the player column, ascending.
        QTest::newRow("first click on Player sorts descending")
            << QList<int>{0} << 0 << QStringList{"dora", "Cid", "bea", "Ann"}
            << int(IconIndex::SortDescending);
        QTest::newRow("second click on Player sorts ascending, A to Z without case")
            << QList<int>{0, 0} << 0 << QStringList{"Ann", "bea", "Cid", "dora"}
            << int(IconIndex::SortAscending);
        QTest::newRow("Last online: oldest first, no date on top, cells unchanged")
            << QList<int>{2} << 2 << QStringList{"", "31.12.2016", "15.01.2017", "01.02.2017"}
            << int(IconIndex::SortAscending);
        QTest::newRow("Last online twice: newest first")
            << QList<int>{2, 2} << 2 << QStringList{"01.02.2017", "15.01.2017", "31.12.2016", ""}
            << int(IconIndex::SortDescending);
        QTest::newRow("Total as durations: 99 hours before 100")
            << QList<int>{3} << 3 << QStringList{"00:00:00", "09:00:00", "99:00:00", "100:00:00"}
            << int(IconIndex::SortAscending);
        QTest::newRow("a server column: empty cells first")
            << QList<int>{5} << 5 << QStringList{"", "", "60:00:00", "99:00:00"}
            << int(IconIndex::SortAscending);
        QTest::newRow("another column starts ascending again")
            << QList<int>{3, 3, 4} << 4 << QStringList{"", "", "09:00:00", "40:00:00"}
            << int(IconIndex::SortAscending);
        QTest::newRow("player id twice: as text, descending")
            << QList<int>{1, 1} << 1
            << QStringList{"76561198000000004", "76561198000000003", "76561198000000002",
                           "76561198000000001"}
            << int(IconIndex::SortDescending);
    }
    void headerClicksSort() {
        QFETCH(QList<int>, clicks);
        QFETCH(int, shownColumn);
        QFETCH(QStringList, shown);
        QFETCH(int, icon);
        StatisticsModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setStatistics(statistics(kRows));
        for (int c : clicks)
            model.headerClicked(c);
        QCOMPARE(column(model, shownColumn), shown);
        QCOMPARE(headerIcon(model, shownColumn).toInt(), icon);
        for (int c = 0; c < model.columnCount(); ++c) {
            if (c != shownColumn)
                QVERIFY(!headerIcon(model, c).isValid());
        }
        // Rows move whole.
        for (int r = 0; r < model.rowCount(); ++r) {
            const QStringList &row = model.exportRows().at(r);
            QCOMPARE(model.index(r, 0).data().toString(), row.at(1));
            QCOMPARE(model.index(r, 1).data().toString(), row.at(0));
            QCOMPARE(model.index(r, 5).data().toString(), row.at(5));
        }
    }

    void sortStateOutlastsARebuildButNotItsIcon() {
        StatisticsModel model;
        model.setStatistics(statistics(kRows));
        model.headerClicked(2);
        QCOMPARE(headerIcon(model, 2).toInt(), int(IconIndex::SortAscending));
        model.setStatistics(statistics(kRows));
        QVERIFY(!headerIcon(model, 2).isValid());
        QCOMPARE(column(model, 0), QStringList({"Ann", "bea", "Cid", "dora"}));
        model.headerClicked(2); // the kept state: Last online, ascending, so this reverses it
        QCOMPARE(model.sortOrder(), Qt::DescendingOrder);
        QCOMPARE(headerIcon(model, 2).toInt(), int(IconIndex::SortDescending));
    }

    void selectionFollowsItsRow() {
        StatisticsModel model;
        model.setStatistics(statistics(kRows));
        const QPersistentModelIndex cid = model.index(2, 0);
        QCOMPARE(cid.data().toString(), QStringLiteral("Cid"));
        model.headerClicked(0);
        QCOMPARE(cid.row(), 1);
        QCOMPARE(cid.data().toString(), QStringLiteral("Cid"));
    }
};

QTEST_GUILESS_MAIN(TestStatisticsModel)
#include "tst_statisticsmodel.moc"
