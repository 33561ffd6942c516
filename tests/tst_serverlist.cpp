#include "base/Intervals.h"
#include "servers/ServerListFile.h"
#include "servers/ServerListModel.h"
#include "servers/StringTable.h"
#include "servers/TableFile.h"

#include "TestStates.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QString kGolden = QStringLiteral(KVD_TEST_DATA "/servers/three_servers.dat");

QStringList column(const ServerListModel &model, int column) {
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts << model.index(row, column).data().toString();
    return texts;
}

QByteArray fileBytes(const QString &fileName) {
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList tableNames(const StringTable &table) {
    QStringList names;
    for (int row = 1; row < table.rowCount(); ++row)
        names << table.cell(0, row);
    return names;
}

} // namespace

class TestServerList : public QObject {
    Q_OBJECT

private slots:
    void init() {
        QVERIFY(m_dir.isValid());
        QFile::remove(file());
        Intervals::instance().serverSaveRetryMs = 1000;
        m_model = std::make_unique<ServerListModel>(file());
        m_tester = std::make_unique<QAbstractItemModelTester>(
            m_model.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    }

    void cleanup() {
        m_tester.reset();
        m_model.reset();
    }

    void missingFileGivesEmptyListWithHeaderRow() {
        QString error;
        QVERIFY(m_model->load(&error));
        QVERIFY(error.isEmpty());
        QCOMPARE(m_model->rowCount(), 0);
        QCOMPARE(savedTable(), ServerListFile::emptyTable());
        QCOMPARE(savedTable().row(0), (QStringList{"Name", "Host", "Port", "PW"}));
        QCOMPARE(m_model->columnCount(), 6);
        QStringList captions;
        for (int c = 0; c < m_model->columnCount(); ++c)
            captions << m_model->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(captions, (QStringList{"Servername", "Player", "Status", "Host", "Rcon-Port",
                                        "Rcon-Password"}));
    }

    void loadedServersStartQueuedWithUnknownPlayerCount() {
        QVERIFY(QFile::copy(kGolden, file()));
        QSignalSpy reset(m_model.get(), &QAbstractItemModel::modelReset);
        QVERIFY(m_model->load());
        QCOMPARE(reset.count(), 1);
        QCOMPARE(column(*m_model, ServerListModel::NameColumn),
                 (QStringList{"Alpha Base", QStringLiteral("B\u00e4r Insel"), "Zeta"}));
        QCOMPARE(column(*m_model, ServerListModel::PlayerColumn), (QStringList{"-", "-", "-"}));
        QCOMPARE(column(*m_model, ServerListModel::StatusColumn),
                 (QStringList{"Queue", "Queue", "Queue"}));
        QCOMPARE(column(*m_model, ServerListModel::PortColumn),
                 (QStringList{"27015", "9000", "27020"}));
        // The view masks it; the model holds the password itself.
        QCOMPARE(column(*m_model, ServerListModel::PasswordColumn),
                 (QStringList{"secret", "", "p@ss word"}));
        QCOMPARE(m_model->index(0, 0).data(ServerListModel::IconIndexRole).toInt(),
                 int(IconIndex::ServerQueued));
    }

    void damagedFileStillStartsWithUsableList() {
        QFile damaged(file());
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write("garbage\r\n");
        damaged.close();

        QString error;
        QVERIFY(!m_model->load(&error));
        QVERIFY(error.startsWith(QStringLiteral("Failed to read server list")));
        QCOMPARE(m_model->rowCount(), 0);

        m_model->appendServer({"New", "host", "27015", "pw"});
        QVERIFY(m_model->serversave());
        StringTable saved;
        QVERIFY(LoadStringGrid(saved, file()));
        QCOMPARE(saved.row(1), (QStringList{"New", "host", "27015", "pw"}));
    }

    // A file of one column must still take the host, port and password of a new server.
    void narrowFileIsWidenedToFourColumns() {
        StringTable narrow(1, 2);
        narrow.setCell(0, 1, QStringLiteral("Only"));
        QVERIFY(SaveStringGrid(narrow, file()));
        QVERIFY(m_model->load());
        m_model->appendServer({"Second", "h", "1", "p"});
        const StringTable saved = savedTable();
        QCOMPARE(saved.columnCount(), 4);
        QCOMPARE(saved.row(1), (QStringList{"Only", "", "", ""}));
        QCOMPARE(saved.row(2), (QStringList{"Second", "h", "1", "p"}));
    }

    // The file is written from the entries; what it holds beyond the four columns, or in a header
    // row of its own, goes back as it was read, with the row it belongs to.
    void fileIsWrittenBackAsItWasRead_data() {
        QTest::addColumn<bool>("golden");
        QTest::newRow("three servers") << true;
        QTest::newRow("six columns and a header of its own") << false;
    }
    void fileIsWrittenBackAsItWasRead() {
        QFETCH(bool, golden);
        const QStringList header{"Server", "Address", "Rcon", "Secret", "Group", "Note"};
        const QStringList zulu{"Zulu", "z.host", "27020", "pz", "PvE", "last"};
        const QStringList alpha{"Alpha", "a.host", "27015", "pa", "PvP", "first"};
        if (golden) {
            QVERIFY(QFile::copy(kGolden, file()));
        } else {
            StringTable wide(6, 1);
            wide.setRow(0, header);
            wide.appendRow(zulu);
            wide.appendRow(alpha);
            QVERIFY(SaveStringGrid(wide, file()));
        }
        const QByteArray bytes = fileBytes(file());
        QVERIFY(m_model->load());
        QVERIFY(m_model->serversave());
        QCOMPARE(fileBytes(file()), bytes);
        if (golden)
            return;

        m_model->sortServers(ServerListModel::NameColumn, Qt::AscendingOrder);
        StringTable sorted(6, 1);
        sorted.setRow(0, header);
        sorted.appendRow(alpha);
        sorted.appendRow(zulu);
        QCOMPARE(savedTable(), sorted);
        m_model->appendServer({"New", "n.host", "1", ""});
        QCOMPARE(savedTable().row(3), (QStringList{"New", "n.host", "1", "", "", ""}));
    }

    void editsReachTheFileAndKeepTheLiveState() {
        QVERIFY(QFile::copy(kGolden, file()));
        QVERIFY(m_model->load());
        QSignalSpy inserted(m_model.get(), &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(m_model.get(), &QAbstractItemModel::rowsRemoved);
        QSignalSpy changed(m_model.get(), &QAbstractItemModel::dataChanged);

        QCOMPARE(m_model->appendServer({"Omega", "omega.host", "7777", "pw"}), 3);
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(inserted.at(0).at(1).toInt(), 3);
        QCOMPARE(savedTable().row(4), (QStringList{"Omega", "omega.host", "7777", "pw"}));
        QCOMPARE(m_model->entry(3).statusText(), QStringLiteral("Queue"));

        m_model->setState(1, ServerState::Online);
        // The state carries the status text and the picture: one change from name to status.
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toModelIndex().column(), int(ServerListModel::NameColumn));
        QCOMPARE(changed.at(0).at(1).toModelIndex().column(), int(ServerListModel::StatusColumn));
        m_model->setPlayerCount(1, QStringLiteral("4"));
        QCOMPARE(changed.count(), 2);
        changed.clear();
        QVERIFY(m_model->updateServer(1, {"Renamed", "new.host", "27016", "other"}));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toModelIndex().row(), 1);
        QCOMPARE(savedTable().row(2), (QStringList{"Renamed", "new.host", "27016", "other"}));
        QCOMPARE(m_model->entry(1).statusText(), QStringLiteral("Online"));
        QCOMPARE(m_model->entry(1).playerCount, QStringLiteral("4"));
        QCOMPARE(m_model->entry(1).icon(), IconIndex::ServerOnline);
        QCOMPARE(m_model->rowOfName("Renamed"), 1);
        QCOMPARE(m_model->rowOfName("renamed"), -1);

        QVERIFY(m_model->removeServer(0));
        QVERIFY(!m_model->removeServer(5));
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.at(0).at(1).toInt(), 0);
        QCOMPARE(tableNames(savedTable()), (QStringList{"Renamed", "Zeta", "Omega"}));
        QCOMPARE(column(*m_model, 0), (QStringList{"Renamed", "Zeta", "Omega"}));
    }

    void headerClickSorts_data() {
        QTest::addColumn<int>("sortColumn");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QStringList>("ascending");

        // Names are A..E in list order; each row sets the sorted column's texts.
        QTest::newRow("player count, '-' sorts with 0")
            << int(ServerListModel::PlayerColumn) << QStringList{"3", "-", "12", "0", "-"}
            << QStringList{"B", "D", "E", "A", "C"};
        QTest::newRow("port as integer") << int(ServerListModel::PortColumn)
                                         << QStringList{"27015", "9000", "100", "abc", "27014"}
                                         << QStringList{"D", "C", "B", "E", "A"};
        QTest::newRow("host as text, A-Z without case")
            << int(ServerListModel::HostColumn)
            << QStringList{"beta", "Alpha", "alpha2", "_x", "10.0.0.1"}
            << QStringList{"E", "B", "C", "A", "D"};
        QTest::newRow("status as text")
            << int(ServerListModel::StatusColumn)
            << QStringList{"Timeout", "Online", "Chat/Online", "Queue", "Bad login"}
            << QStringList{"E", "C", "B", "D", "A"};
    }

    void headerClickSorts() {
        QFETCH(int, sortColumn);
        QFETCH(QStringList, values);
        QFETCH(QStringList, ascending);

        QVERIFY(m_model->load());
        const QStringList names{"A", "B", "C", "D", "E"};
        for (int i = 0; i < names.size(); ++i) {
            const bool port = sortColumn == ServerListModel::PortColumn;
            const bool host = sortColumn == ServerListModel::HostColumn;
            m_model->appendServer({names.at(i), host ? values.at(i) : QStringLiteral("h"),
                                   port ? values.at(i) : QStringLiteral("1"), QString()});
            if (sortColumn == ServerListModel::PlayerColumn)
                m_model->setPlayerCount(i, values.at(i));
            if (sortColumn == ServerListModel::StatusColumn)
                m_model->setState(i, stateFromText(values.at(i)));
        }
        QSignalSpy layout(m_model.get(), &QAbstractItemModel::layoutChanged);

        m_model->headerClicked(sortColumn);
        // Without stored state the list starts on column 1, so a first click there reverses.
        if (sortColumn == ServerListModel::PlayerColumn)
            m_model->headerClicked(sortColumn);
        QCOMPARE(m_model->sortOrder(), Qt::AscendingOrder);
        QCOMPARE(column(*m_model, 0), ascending);
        QCOMPARE(
            m_model->headerData(sortColumn, Qt::Horizontal, ServerListModel::IconIndexRole).toInt(),
            int(IconIndex::SortAscending));

        m_model->headerClicked(sortColumn);
        QCOMPARE(m_model->sortOrder(), Qt::DescendingOrder);
        QCOMPARE(
            m_model->headerData(sortColumn, Qt::Horizontal, ServerListModel::IconIndexRole).toInt(),
            int(IconIndex::SortDescending));
        QVERIFY(layout.count() >= 2);
        // Reversing keeps equal entries in their order, so compare the sort texts only.
        QStringList descendingValues = column(*m_model, sortColumn);
        QStringList ascendingValues = descendingValues;
        std::reverse(ascendingValues.begin(), ascendingValues.end());
        QStringList expectedAscending;
        for (const QString &name : ascending)
            expectedAscending << values.at(names.indexOf(name));
        QCOMPARE(ascendingValues, expectedAscending);
    }

    void sortRewritesTableAndFileAndMovesPersistentIndexes() {
        QVERIFY(QFile::copy(kGolden, file()));
        QVERIFY(m_model->load());
        m_model->setState(2, ServerState::Online);
        const QPersistentModelIndex zeta = m_model->index(2, ServerListModel::HostColumn);

        m_model->headerClicked(ServerListModel::PortColumn);
        QCOMPARE(column(*m_model, 0),
                 (QStringList{QStringLiteral("B\u00e4r Insel"), "Alpha Base", "Zeta"}));
        QCOMPARE(zeta.row(), 2);
        m_model->headerClicked(ServerListModel::PortColumn);
        QCOMPARE(column(*m_model, 0),
                 (QStringList{"Zeta", "Alpha Base", QStringLiteral("B\u00e4r Insel")}));
        QCOMPARE(zeta.row(), 0);
        QCOMPARE(zeta.data().toString(), QStringLiteral("192.168.1.20"));
        QCOMPARE(m_model->entry(0).statusText(), QStringLiteral("Online"));

        StringTable saved;
        QVERIFY(LoadStringGrid(saved, file()));
        QCOMPARE(tableNames(saved), column(*m_model, 0));
        QCOMPARE(saved.row(1), (QStringList{"Zeta", "192.168.1.20", "27020", "p@ss word"}));

        // The next start shows the saved order without sorting.
        ServerListModel restarted(file());
        QVERIFY(restarted.load());
        QCOMPARE(column(restarted, 0), column(*m_model, 0));
    }

    void storedSortStateSetsDirectionAndIcon() {
        QCOMPARE(m_model->sortColumn(), int(ServerListModel::PlayerColumn));
        QCOMPARE(m_model->sortIcon(), 0);
        QVERIFY(!m_model->headerData(1, Qt::Horizontal, ServerListModel::IconIndexRole).isValid());

        m_model->setSortState(ServerListModel::HostColumn, int(IconIndex::SortDescending));
        QCOMPARE(m_model->sortOrder(), Qt::DescendingOrder);
        QCOMPARE(m_model->headerData(3, Qt::Horizontal, ServerListModel::IconIndexRole).toInt(),
                 int(IconIndex::SortDescending));
        m_model->headerClicked(ServerListModel::HostColumn);
        QCOMPARE(m_model->sortOrder(), Qt::AscendingOrder);

        m_model->headerClicked(ServerListModel::NameColumn);
        QCOMPARE(m_model->sortOrder(), Qt::AscendingOrder);
        QVERIFY(!m_model->headerData(3, Qt::Horizontal, ServerListModel::IconIndexRole).isValid());
    }

    // "server.dat" unwritable: two messages about one retry interval apart, the change kept.
    void failedSaveRetriesOnceThenGivesUp() {
        Intervals::instance().serverSaveRetryMs = 200;
        ServerListModel model(makeBlockedFile());
        QVERIFY(model.load());
        QSignalSpy messages(&model, &ServerListModel::message);
        model.appendServer({"Kept", "h", "1", ""});

        QElapsedTimer clock;
        clock.start();
        QVERIFY(!model.serversave());
        QCOMPARE(messages.count(), 1);
        QCOMPARE(messages.at(0).at(0).toString(),
                 QStringLiteral("Failed to save server list. Try again..."));
        QVERIFY(messages.wait(5000));
        QVERIFY(clock.elapsed() >= 190);
        QCOMPARE(messages.at(1).at(0).toString(),
                 QStringLiteral("Failed to save server list. Please check drive."));
        QCOMPARE(model.entry(0).settings.name, QStringLiteral("Kept"));
        QTest::qWait(300);
        QCOMPARE(messages.count(), 2);
    }

    // The retry writes the list as it is then, including changes made in between.
    void retryWritesTheCurrentList() {
        Intervals::instance().serverSaveRetryMs = 100;
        ServerListModel model(makeBlockedFile());
        QVERIFY(model.load());
        QSignalSpy messages(&model, &ServerListModel::message);
        model.appendServer({"First", "h", "1", ""});
        QVERIFY(!model.serversave());

        QVERIFY(QFile::remove(blocker()));
        QVERIFY(QDir().mkpath(blocker()));
        model.appendServer({"Second", "h", "2", ""});
        QTRY_VERIFY(QFile::exists(blockedFile()));
        QTest::qWait(200);
        QCOMPARE(messages.count(), 1);
        StringTable saved;
        QVERIFY(LoadStringGrid(saved, blockedFile()));
        QCOMPARE(tableNames(saved), (QStringList{"First", "Second"}));
    }

    void successfulSaveCancelsPendingRetry() {
        Intervals::instance().serverSaveRetryMs = 100;
        ServerListModel model(makeBlockedFile());
        QVERIFY(model.load());
        QSignalSpy messages(&model, &ServerListModel::message);
        QVERIFY(!model.serversave());
        QVERIFY(QFile::remove(blocker()));
        QVERIFY(QDir().mkpath(blocker()));
        QVERIFY(model.serversave());
        QTest::qWait(300);
        QCOMPARE(messages.count(), 1);
    }

private:
    QString file() const { return m_dir.filePath(QStringLiteral("server.dat")); }
    // The list as its next write puts it into the file.
    StringTable savedTable() const {
        StringTable table;
        if (!m_model->serversave() || !LoadStringGrid(table, file()))
            qWarning("server.dat could not be written and read back");
        return table;
    }
    // A regular file standing where the folder of "server.dat" should be; no user can write
    // through it, root included.
    QString blocker() const { return m_dir.filePath(QStringLiteral("blocked")); }
    QString blockedFile() const { return blocker() + QStringLiteral("/server.dat"); }
    QString makeBlockedFile() {
        QDir(blocker()).removeRecursively();
        QFile::remove(blocker());
        QFile block(blocker());
        if (block.open(QIODevice::WriteOnly))
            block.write("x");
        return blocker() + QStringLiteral("/server.dat");
    }

    QTemporaryDir m_dir;
    std::unique_ptr<ServerListModel> m_model;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
};

QTEST_GUILESS_MAIN(TestServerList)
#include "tst_serverlist.moc"
