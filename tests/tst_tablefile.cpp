#include "servers/StringTable.h"
#include "servers/TableFile.h"

#include "TestFiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// The file's lines, each of which must end with CR LF.
QList<QByteArray> crlfLines(const QByteArray &bytes) {
    QList<QByteArray> lines = bytes.split('\n');
    if (!bytes.endsWith("\r\n"))
        return {};
    lines.removeLast();
    for (QByteArray &line : lines) {
        if (!line.endsWith('\r'))
            return {};
        line.chop(1);
    }
    return lines;
}

QByteArray scrambledLine(const QByteArray &plain) {
    return ScrambleText(plain) + "\r\n";
}

StringTable serverTable(const QList<QStringList> &servers) {
    StringTable table(4, 1);
    table.setRow(0, {QStringLiteral("Name"), QStringLiteral("Host"), QStringLiteral("Port"),
                     QStringLiteral("PW")});
    for (const QStringList &server : servers)
        table.appendRow(server);
    return table;
}

} // namespace

class TestTableFile : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    void stringTableCountsStayAtLeastOne() {
        StringTable table(0, -3);
        QCOMPARE(table.columnCount(), 1);
        QCOMPARE(table.rowCount(), 1);

        table.setColumnCount(3);
        table.setRowCount(2);
        QVERIFY(table.setCell(2, 1, QStringLiteral("x")));
        QVERIFY(!table.setCell(3, 1, QStringLiteral("outside")));
        QCOMPARE(table.cell(3, 1), QString());

        table.setColumnCount(2);
        table.setColumnCount(3);
        QCOMPARE(table.cell(2, 1), QString()); // shrinking dropped it
    }

    void deleteRowMovesLaterRowsUpAndKeepsHeader() {
        StringTable table =
            serverTable({{"A", "h1", "1", ""}, {"B", "h2", "2", ""}, {"C", "h3", "3", ""}});
        QVERIFY(!DeleteRow(table, 0));
        QVERIFY(!DeleteRow(table, 4));
        QVERIFY(DeleteRow(table, 2));
        QCOMPARE(table.rowCount(), 3);
        QCOMPARE(table.cell(0, 0), QStringLiteral("Name"));
        QCOMPARE(table.cell(0, 1), QStringLiteral("A"));
        QCOMPARE(table.cell(0, 2), QStringLiteral("C"));
        QCOMPARE(table.cell(1, 2), QStringLiteral("h3"));
    }

    void removeRowsTakesSeveralInOnePass() {
        StringTable table = serverTable({{"A", "h1", "1", ""},
                                         {"B", "h2", "2", ""},
                                         {"C", "h3", "3", ""},
                                         {"D", "h4", "4", ""},
                                         {"E", "h5", "5", ""}});
        // The header row, rows past the end and repeats are never removed.
        QCOMPARE(table.removeRows({0, 2, 2, 3, 5, 9}), 3);
        QCOMPARE(table.rowCount(), 3);
        QCOMPARE(table.cell(0, 0), QStringLiteral("Name"));
        QCOMPARE(table.cell(0, 1), QStringLiteral("A"));
        QCOMPARE(table.cell(0, 2), QStringLiteral("D"));
        QCOMPARE(table.cell(1, 2), QStringLiteral("h4"));
        QCOMPARE(table.removeRows({}), 0);
        QCOMPARE(table.removeRows({1, 2}), 2);
        QCOMPARE(table.rowCount(), 1);
    }

    void scrambleIsItsOwnInverseAndKeepsBytesOutOfControlRange() {
        QVERIFY(TableFile::kCellMask > 0 && TableFile::kCellMask < 32);
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(static_cast<char>(b));
        QCOMPARE(ScrambleText(ScrambleText(all)), all);
        const QByteArray scrambled = ScrambleText(all.mid(32));
        for (const char b : scrambled)
            QVERIFY(static_cast<unsigned char>(b) >= 32);
    }

    // A file written by an earlier build must load, and saving the same table must give the
    // same bytes: the mask and the layout are a file format.
    void knownFileLoadsAndSavesByteForByte() {
        const QString golden = QStringLiteral(KVD_TEST_DATA "/servers/three_servers.dat");
        StringTable table;
        QString error;
        QVERIFY2(LoadStringGrid(table, golden, &error), qPrintable(error));
        const StringTable expected =
            serverTable({{"Alpha Base", "10.0.0.5", "27015", "secret"},
                         {QStringLiteral("B\u00e4r Insel"), "game.example.org", "9000", ""},
                         {"Zeta", "192.168.1.20", "27020", "p@ss word"}});
        QCOMPARE(table, expected);

        const QString copy = m_dir.filePath(QStringLiteral("copy.dat"));
        QVERIFY(SaveStringGrid(table, copy));
        QCOMPARE(readBytes(copy), readBytes(golden));
    }

    void emptyServerListIsSixLines() {
        const QString file = m_dir.filePath(QStringLiteral("server.dat"));
        QVERIFY(SaveStringGrid(serverTable({}), file));
        const QByteArray bytes = readBytes(file);
        QCOMPARE(bytes, QByteArray("4\r\n1\r\n") + scrambledLine("Name") + scrambledLine("Host") +
                            scrambledLine("Port") + scrambledLine("PW"));

        StringTable loaded(7, 7);
        QVERIFY(LoadStringGrid(loaded, file));
        QCOMPARE(loaded, serverTable({}));
    }

    void threeServersAreEighteenLinesWithNamesOnLinesFourToSix() {
        const QString file = m_dir.filePath(QStringLiteral("server.dat"));
        const StringTable table = serverTable(
            {{"One", "h1", "1", "p1"}, {"Two", "h2", "2", ""}, {"Three", "h3", "3", "p3"}});
        QVERIFY(SaveStringGrid(table, file));
        const QList<QByteArray> lines = crlfLines(readBytes(file));
        QCOMPARE(lines.size(), 18);
        QCOMPARE(lines.at(0), QByteArray("4"));
        QCOMPARE(lines.at(1), QByteArray("4"));
        QCOMPARE(ScrambleText(lines.at(3)), QByteArray("One"));
        QCOMPARE(ScrambleText(lines.at(4)), QByteArray("Two"));
        QCOMPARE(ScrambleText(lines.at(5)), QByteArray("Three"));
        QCOMPARE(lines.at(16), QByteArray()); // the empty password is an empty line

        StringTable loaded;
        QVERIFY(LoadStringGrid(loaded, file));
        QCOMPARE(loaded, table);
    }

    void cellRoundTrip_data() {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QByteArray>("storedBytes");

        QString printable;
        for (int i = 0; i < 255; ++i)
            printable += QChar(32 + (i % 95));
        QTest::newRow("255 printable characters") << printable << printable << printable.toLatin1();
        const QString long300 = QString(300, QLatin1Char('x'));
        QTest::newRow("300 bytes cut to 255")
            << long300 << long300.left(255) << QByteArray(255, 'x');
        QTest::newRow("umlaut is one byte")
            << QStringLiteral("M\u00fcnchen \u00c4") << QStringLiteral("M\u00fcnchen \u00c4")
            << QByteArray("M\xfc"
                          "nchen \xc4");
        QTest::newRow("euro sign from the high range")
            << QStringLiteral("5\u20ac") << QStringLiteral("5\u20ac") << QByteArray("5\x80");
        QTest::newRow("outside the code page becomes ?")
            << QStringLiteral("A\u4e2dB") << QStringLiteral("A?B") << QByteArray("A?B");
        QTest::newRow("control characters become blanks")
            << QStringLiteral("pa\r\nss\tw\x01rd") << QStringLiteral("pa  ss w rd")
            << QByteArray("pa  ss w rd");
    }

    void cellRoundTrip() {
        QFETCH(QString, cell);
        QFETCH(QString, expected);
        QFETCH(QByteArray, storedBytes);

        StringTable table(2, 2);
        table.setCell(0, 1, cell);
        table.setCell(1, 1, QStringLiteral("after"));
        const QString file = m_dir.filePath(QStringLiteral("cell.dat"));
        QVERIFY(SaveStringGrid(table, file));

        const QList<QByteArray> lines = crlfLines(readBytes(file));
        QCOMPARE(lines.size(), 2 + 4);
        QCOMPARE(ScrambleText(lines.at(3)), storedBytes);

        StringTable loaded;
        QVERIFY(LoadStringGrid(loaded, file));
        QCOMPARE(loaded.cell(0, 1), expected);
        QCOMPARE(loaded.cell(1, 1), QStringLiteral("after"));
    }

    void load_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QStringList>("column0");

        const QByteArray a = scrambledLine("a");
        const QByteArray b = scrambledLine("b");
        QTest::newRow("column count 0 gives one column")
            << QByteArray("0\r\n2\r\n") + a + b << true << 1 << 2 << QStringList{"a", "b"};
        QTest::newRow("negative row count gives one row")
            << QByteArray("1\r\n-4\r\n") + a << true << 1 << 1 << QStringList{"a"};
        QTest::newRow("missing lines give empty cells")
            << QByteArray("2\r\n3\r\n") + a << true << 2 << 3 << QStringList{"a", "", ""};
        QTest::newRow("counts only")
            << QByteArray("4\r\n2\r\n") << true << 4 << 2 << QStringList{"", ""};
        QTest::newRow("LF line ends")
            << QByteArray("1\n2\n") + ScrambleText("a") + "\n" + ScrambleText("b") + "\n"
            << true << 1 << 2 << QStringList{"a", "b"};
        QTest::newRow("overlong line skipped to its end")
            << QByteArray("1\r\n2\r\n") + ScrambleText(QByteArray(300, 'z')) + "\r\n" + b << true
            << 1 << 2 << QStringList{QString(255, QLatin1Char('z')), "b"};
        QTest::newRow("empty file") << QByteArray() << false << 4 << 1 << QStringList{"Name"};
        QTest::newRow("column count not a number")
            << QByteArray("four\r\n2\r\n") + a + b << false << 4 << 1 << QStringList{"Name"};
        QTest::newRow("row count not a number")
            << QByteArray("1\r\n2x\r\n") + a + b << false << 4 << 1 << QStringList{"Name"};
        QTest::newRow("row count missing")
            << QByteArray("1\r\n") << false << 4 << 1 << QStringList{"Name"};
        QTest::newRow("count beyond 32 bits")
            << QByteArray("1\r\n99999999999\r\n") << false << 4 << 1 << QStringList{"Name"};
        QTest::newRow("counts too large to allocate")
            << QByteArray("100000\r\n100000\r\n") << false << 4 << 1 << QStringList{"Name"};
    }

    // A damaged file must not stop start-up: the table keeps what it held and the caller
    // gets a reason.
    void load() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, ok);
        QFETCH(int, columns);
        QFETCH(int, rows);
        QFETCH(QStringList, column0);

        const QString file = m_dir.filePath(QStringLiteral("in.dat"));
        writeBytes(file, bytes);
        StringTable table = serverTable({});
        QString error;
        QCOMPARE(LoadStringGrid(table, file, &error), ok);
        QCOMPARE(error.isEmpty(), ok);
        QCOMPARE(table.columnCount(), columns);
        QCOMPARE(table.rowCount(), rows);
        for (int r = 0; r < rows; ++r)
            QCOMPARE(table.cell(0, r), column0.at(r));
    }

    void loadOfMissingFileFailsAndKeepsTable() {
        StringTable table = serverTable({{"A", "h", "1", ""}});
        QString error;
        QVERIFY(!LoadStringGrid(table, m_dir.filePath(QStringLiteral("none.dat")), &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(table.rowCount(), 2);
    }

    void saveToUnwritablePlaceFailsAndLeavesOldFile() {
        const QString blocker = m_dir.filePath(QStringLiteral("not-a-folder"));
        writeBytes(blocker, "x");
        QString error;
        QVERIFY(!SaveStringGrid(serverTable({}), blocker + QStringLiteral("/server.dat"), &error));
        QVERIFY(!error.isEmpty());

        const QString file = m_dir.filePath(QStringLiteral("server.dat"));
        writeBytes(file, "previous");
        QVERIFY(!SaveStringGrid(serverTable({}), m_dir.path(), &error)); // a folder, not a file
        QCOMPARE(readBytes(file), QByteArray("previous"));
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestTableFile)
#include "tst_tablefile.moc"
