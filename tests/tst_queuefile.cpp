// The queue file: start times in their fixed format, the object stream the console writes, and
// what it reads of streams written elsewhere: extra properties of every value tag, damaged and
// truncated files.
#include "commands/QueueFile.h"
#include "commands/QueueTime.h"

#include "ObjectStream.h"

#include <QLocale>
#include <QtTest>

namespace {

using Entries = QList<QStringList>;

const Entries kThree = {
    {QStringLiteral("Restart"), QStringLiteral("msg:Server restarts in 5 minutes"),
     QStringLiteral("24.12.2031 18:00:00"), QStringLiteral("The Island")},
    {QStringLiteral("Restart"), QStringLiteral("cmd:saveworld"),
     QStringLiteral("24.12.2031 18:05:00"), QStringLiteral("The Island")},
    {QStringLiteral("User command"), QStringLiteral("cmd:UnbanPlayer 76561198000000001"),
     QStringLiteral("01.01.2032 00:00:01"), QStringLiteral("Grüße & 🐉")},
};

QVector<QueueEntry> toEntries(const Entries &rows) {
    QVector<QueueEntry> entries;
    for (const QStringList &row : rows)
        entries << QueueEntry(row.at(0), row.at(1), row.at(2), row.at(3));
    return entries;
}

Entries fromEntries(const QVector<QueueEntry> &entries) {
    Entries rows;
    for (const QueueEntry &e : entries)
        rows << QStringList{e.scriptName, e.command, e.timeField, e.server};
    return rows;
}

// The bytes of one tagged value, each with payload bytes that look like tags themselves, so a
// reader that does not skip by length loses its place.
QByteArray taggedValue(int tag) {
    ObjectStream v;
    v.u8(tag);
    switch (tag) {
    case QueueFile::vaList:
        v.u8(QueueFile::vaInt8).u8(14).u8(QueueFile::vaString).shortString("\x01\x0e");
        v.u8(QueueFile::vaList).u8(QueueFile::vaTrue).u8(0).u8(0);
        break;
    case QueueFile::vaInt8:
        v.u8(0);
        break;
    case QueueFile::vaInt16:
        v.i16(0x0e01);
        break;
    case QueueFile::vaInt32:
    case QueueFile::vaSingle:
        v.i32(0x000e0100);
        break;
    case QueueFile::vaExtended:
        v.append(QByteArray("\x00\x01\x0e\x00\x00\x00\x00\x00\x00\x00", 10));
        break;
    case QueueFile::vaString:
    case QueueFile::vaIdent:
        v.shortString(QByteArray("vs\x00Report", 9));
        break;
    case QueueFile::vaBinary:
    case QueueFile::vaLString:
        v.i32(300).append(QByteArray(300, '\x0e'));
        break;
    case QueueFile::vaSet:
        v.shortString("akLeft").shortString("\x01\x00").shortString("");
        break;
    case QueueFile::vaCollection:
        v.u8(QueueFile::vaList).name("Caption").u8(QueueFile::vaString).shortString("A");
        v.name("Width").u8(QueueFile::vaInt16).i16(120).u8(0);
        // An item with an order value, holding a nested collection and a list.
        v.u8(QueueFile::vaInt8).u8(7).u8(QueueFile::vaList);
        v.name("Sub").u8(QueueFile::vaCollection).u8(QueueFile::vaList).u8(0).u8(0);
        v.name("Items").u8(QueueFile::vaList).u8(QueueFile::vaNil).u8(0).u8(0);
        v.u8(0);
        break;
    case QueueFile::vaCurrency:
    case QueueFile::vaDate:
    case QueueFile::vaInt64:
    case QueueFile::vaDouble:
        v.i64(Q_INT64_C(0x000e01000e010000));
        break;
    case QueueFile::vaWString:
        v.i32(3).i16(0x0e00).i16(0).i16(0x0001);
        break;
    case QueueFile::vaUTF8String:
        v.i32(7).append("Gr\xC3\xBC\xC3\x9F"
                        "e");
        break;
    default: // vaNull, vaFalse, vaTrue, vaNil carry nothing
        break;
    }
    return v.bytes;
}

} // namespace

class TestQueueFile : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void startTimesIgnoreTheLocale_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("C") << QLocale::c();
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany);
        QTest::newRow("US English") << QLocale(QLocale::English, QLocale::UnitedStates);
        QTest::newRow("Arabic digits") << QLocale(QLocale::Arabic, QLocale::Egypt);
        QTest::newRow("Hindi digits") << QLocale(QLocale::Hindi, QLocale::India);
    }
    void startTimesIgnoreTheLocale() {
        QFETCH(QLocale, locale);
        QLocale::setDefault(locale);
        const QDateTime when(QDate(2031, 3, 5), QTime(7, 8, 9));
        QCOMPARE(QueueTime::format(when), QStringLiteral("05.03.2031 07:08:09"));
        QCOMPARE(QueueTime::parse(QStringLiteral("05.03.2031 07:08:09")), QueueTime::key(when));
        QCOMPARE(QueueTime::format(QDateTime(QDate(987, 12, 31), QTime(23, 59, 59))),
                 QStringLiteral("31.12.0987 23:59:59"));
    }

    void timeFieldsRead_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<qint64>("key");
        QTest::newRow("time") << QStringLiteral("24.12.2031 18:05:09") << Q_INT64_C(20311224180509);
        QTest::newRow("character 11 is not looked at")
            << QStringLiteral("24.12.2031T18:05:09") << Q_INT64_C(20311224180509);
        QTest::newRow("nor what follows character 19")
            << QStringLiteral("24.12.2031 18:05:09.999 extra") << Q_INT64_C(20311224180509);
        QTest::newRow("leap day") << QStringLiteral("29.02.2032 00:00:00")
                                  << Q_INT64_C(20320229000000);
        QTest::newRow("state text") << QStringLiteral("In progress..") << Q_INT64_C(0);
        QTest::newRow("no leap year") << QStringLiteral("29.02.2031 00:00:00") << Q_INT64_C(0);
        QTest::newRow("hour 24") << QStringLiteral("24.12.2031 24:00:00") << Q_INT64_C(0);
        QTest::newRow("one-digit day") << QStringLiteral("1.12.2031 18:05:09") << Q_INT64_C(0);
        QTest::newRow("no seconds") << QStringLiteral("24.12.2031 18:05") << Q_INT64_C(0);
        QTest::newRow("year 0") << QStringLiteral("24.12.0000 18:05:09") << Q_INT64_C(0);
        QTest::newRow("slashes") << QStringLiteral("24/12/2031 18:05:09") << Q_INT64_C(0);
        QTest::newRow("empty") << QString() << Q_INT64_C(0);
    }
    void timeFieldsRead() {
        QFETCH(QString, field);
        QFETCH(qint64, key);
        QCOMPARE(QueueTime::parse(field), key);
    }

    void writtenFileIsTheViewStream() {
        const Entries one = {kThree.at(0)};
        const QByteArray file = QueueFile::write(toEntries(one), {200, 150, 300, 40});

        ObjectStream expected = ObjectStream::header();
        expected.name("Columns").u8(QueueFile::vaCollection);
        const QStringList captions = {QStringLiteral("Script name"),
                                      QStringLiteral("Script command"),
                                      QStringLiteral("Start time"), QStringLiteral("Server")};
        const QList<int> widths = {200, 150, 300, 40};
        for (int i = 0; i < 4; ++i) {
            expected.u8(QueueFile::vaList).name("Caption").u8(QueueFile::vaString);
            expected.shortString(captions.at(i).toLatin1()).name("Width");
            if (widths.at(i) > 127)
                expected.u8(QueueFile::vaInt16).i16(qint16(widths.at(i)));
            else
                expected.u8(QueueFile::vaInt8).u8(widths.at(i));
            expected.u8(0);
        }
        expected.u8(0).items(one).end();
        QCOMPARE(file.toHex(' '), expected.bytes.toHex(' '));
    }

    void entriesAndWidthsReadBack() {
        const QByteArray file = QueueFile::write(toEntries(kThree), {210, 160, 220, 170});
        const QueueFile::ReadResult read = QueueFile::read(file);
        QVERIFY2(!read.isDamaged(), qPrintable(read.problem));
        QCOMPARE(fromEntries(read.entries), kThree);
        QVERIFY(read.hasColumnWidths);
        QCOMPARE(read.columnWidths, (QueueFile::ColumnWidths{210, 160, 220, 170}));
        QCOMPARE(read.entries.at(1).startKey, Q_INT64_C(20311224180500));
    }

    void textsAreCutTo255CodeUnits() {
        const QString command = QStringLiteral("cmd:SetMessageOfTheDay ") + QString(300, u'x');
        // A pair of surrogates across the limit is not split.
        const QString script = QString(254, u's') + QStringLiteral("🐉");
        const QueueFile::ReadResult read = QueueFile::read(
            QueueFile::write({QueueEntry(script, command, QStringLiteral("01.01.2032 00:00:00"),
                                         QStringLiteral("A"))},
                             {1, 2, 3, 4}));
        QVERIFY2(!read.isDamaged(), qPrintable(read.problem));
        QCOMPARE(read.entries.at(0).command, command.left(255));
        QCOMPARE(read.entries.at(0).scriptName, QString(254, u's'));
    }

    void otherPropertiesAreSkippedByTheirTag_data() {
        QTest::addColumn<QByteArray>("extra");
        for (int tag = QueueFile::vaNull; tag <= QueueFile::vaDouble; ++tag)
            QTest::addRow("tag %d", tag) << taggedValue(tag);
    }
    void otherPropertiesAreSkippedByTheirTag() {
        QFETCH(QByteArray, extra);
        ObjectStream file = ObjectStream::header();
        file.name("Before").append(extra).items(kThree).name("After").append(extra).end();
        const QueueFile::ReadResult read = QueueFile::read(file.bytes);
        QVERIFY2(!read.isDamaged(), qPrintable(read.problem));
        QCOMPARE(fromEntries(read.entries), kThree);
    }

    void aStreamFromAnotherWriterLoads() {
        // A prefix with a child position, every tag once, and the columns in collection items
        // that carry order values and more properties than their caption and width.
        ObjectStream file;
        file.append("TPF0").u8(0xF2).u8(QueueFile::vaInt16).i16(3);
        file.shortString("TListView").shortString("ListView4");
        for (int tag = QueueFile::vaNull; tag <= QueueFile::vaDouble; ++tag)
            file.shortString("Prop" + QByteArray::number(tag)).append(taggedValue(tag));
        file.name("Columns").u8(QueueFile::vaCollection);
        for (int i = 0; i < 4; ++i) {
            file.u8(QueueFile::vaInt8).u8(i).u8(QueueFile::vaList);
            file.name("AutoSize").u8(QueueFile::vaTrue);
            file.name("Width").u8(QueueFile::vaInt32).i32(100 + i);
            file.name("Tag").u8(QueueFile::vaInt8).u8(0).u8(0);
        }
        file.u8(0)
            .items(kThree)
            .name("OnDblClick")
            .u8(QueueFile::vaIdent)
            .shortString("ListView4DblClick");
        file.end();
        const QueueFile::ReadResult read = QueueFile::read(file.bytes);
        QVERIFY2(!read.isDamaged(), qPrintable(read.problem));
        QCOMPARE(fromEntries(read.entries), kThree);
        QVERIFY(read.hasColumnWidths);
        QCOMPARE(read.columnWidths, (QueueFile::ColumnWidths{100, 101, 102, 103}));
    }

    void damagedFilesKeepWhatCanBeRead_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("loaded");
        QTest::addColumn<int>("announced");
        QTest::addColumn<bool>("damaged");

        ObjectStream good = ObjectStream::header();
        good.name("Extra").append(taggedValue(QueueFile::vaCollection)).items(kThree).end();
        const QByteArray full = good.bytes;
        auto cutInside = [&full](const QString &text) {
            QByteArray utf16;
            for (const QChar c : text)
                utf16.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
            const qsizetype at = full.indexOf(utf16);
            return full.left(at + 3);
        };

        QTest::newRow("whole") << full << 3 << -1 << false;
        QTest::newRow("no signature") << full.mid(4) << 0 << -1 << true;
        QTest::newRow("ends in the header") << full.left(12) << 0 << -1 << true;
        QTest::newRow("ends in another property") << full.left(40) << 0 << -1 << true;
        QTest::newRow("ends inside entry 2") << cutInside(kThree.at(1).at(1)) << 1 << 3 << true;
        QTest::newRow("ends inside entry 3") << cutInside(kThree.at(2).at(3)) << 2 << 3 << true;
        QTest::newRow("ends after the last entry")
            << full.left(full.size() - 5) << 3 << -1 << false;

        ObjectStream unknownTag = ObjectStream::header();
        unknownTag.name("Odd").u8(22).items(kThree).end();
        QTest::newRow("unknown tag before the entries") << unknownTag.bytes << 0 << -1 << true;

        ObjectStream unknownAfter = ObjectStream::header();
        unknownAfter.items(kThree).name("Odd").u8(99).end();
        QTest::newRow("unknown tag after the entries") << unknownAfter.bytes << 3 << -1 << false;

        QByteArray oldLayout = ObjectStream::itemData(kThree);
        oldLayout[0] = 3;
        ObjectStream version = ObjectStream::header();
        version.name("Items.ItemData").u8(QueueFile::vaBinary).i32(qint32(oldLayout.size()));
        version.append(oldLayout).end();
        QTest::newRow("unknown entry layout") << version.bytes << 0 << -1 << true;

        QByteArray hugeCount = ObjectStream::itemData(kThree);
        hugeCount[5] = '\x7f'; // the count's low byte: 127 entries announced, 3 present
        ObjectStream counted = ObjectStream::header();
        counted.name("Items.ItemData").u8(QueueFile::vaBinary).i32(qint32(hugeCount.size()));
        counted.append(hugeCount).end();
        QTest::newRow("more entries announced than stored") << counted.bytes << 3 << 127 << true;

        ObjectStream deep = ObjectStream::header();
        deep.name("Deep");
        for (int i = 0; i < 10000; ++i)
            deep.u8(QueueFile::vaList);
        QTest::newRow("lists nested without end") << deep.bytes << 0 << -1 << true;
    }
    void damagedFilesKeepWhatCanBeRead() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, loaded);
        QFETCH(int, announced);
        QFETCH(bool, damaged);
        const QueueFile::ReadResult read = QueueFile::read(bytes);
        QCOMPARE(read.entries.size(), loaded);
        QCOMPARE(fromEntries(read.entries), kThree.mid(0, loaded));
        QCOMPARE(read.isDamaged(), damaged);
        if (damaged && announced >= 0)
            QCOMPARE(read.announced, announced);
    }
};

QTEST_GUILESS_MAIN(TestQueueFile)
#include "tst_queuefile.moc"
