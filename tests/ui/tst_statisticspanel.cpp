// The "Statistics" tab of the real window: the placeholder while a build runs, the table with its
// sorting, colours, widths and CSV export, and the diagram with its legend, zoom and panning.
#include "base/ProgramLog.h"
#include "base/TextFile.h"
#include "console/Console.h"
#include "stats/PlayerStatistics.h"
#include "stats/StatisticsCsv.h"
#include "stats/StatisticsModel.h"
#include "stats/StatisticsRunner.h"
#include "ui/FileDialogs.h"
#include "ui/LogPanel.h"
#include "ui/MainWindow.h"
#include "ui/MessageBoxes.h"
#include "ui/StatisticsCellDelegate.h"
#include "ui/StatisticsChartView.h"
#include "ui/StatisticsPanel.h"
#include "ui/StatisticsTableView.h"
#include "ui/Theme.h"

#include "StatisticsLogs.h"
#include "TestFiles.h"
#include "TestWait.h"

#include <QApplication>
#include <QBarSet>
#include <QCategoryAxis>
#include <QContextMenuEvent>
#include <QDir>
#include <QGraphicsTextItem>
#include <QHeaderView>
#include <QHorizontalStackedBarSeries>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QMenu>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QValueAxis>
#include <QtTest>

namespace {

QString left(const QString &stamp, const QString &name, const QString &id, const QString &server,
             const QString &duration) {
    return QStringLiteral("[%1] Player: `%2´ (%3) has left `%4´ - Duration {%5}")
        .arg(stamp, name, id, server, duration);
}

QString joined(const QString &stamp, const QString &name, const QString &id,
               const QString &server) {
    return QStringLiteral("[%1] Player: `%2´ (%3) joined @ `%4´").arg(stamp, name, id, server);
}

// Three players, the last of them with 118:30:00 on Alpha over six sessions.
QStringList threePlayers() {
    QStringList log;
    for (int day = 6; day >= 1; --day)
        log << left(QStringLiteral("1702%1-100000").arg(day, 2, 10, QChar('0')), "Cid",
                    "76561198000000003", "Alpha", day == 6 ? "03:30:00" : "23:00:00");
    log << left("170110-100000", "Bea", "76561198000000002", "Beta", "02:00:00")
        << left("170109-100000", "Ann", "76561198000000001", "Alpha", "01:00:00")
        << joined("170101-080000", "Cid", "76561198000000003", "Alpha")
        << joined("170101-080000", "Bea", "76561198000000002", "Beta")
        << joined("170101-080000", "Ann", "76561198000000001", "Alpha");
    return log;
}

// A window of its own over a program folder whose log holds `log`.
struct Fixture {
    QTemporaryDir dir;
    std::unique_ptr<Console> console;
    std::unique_ptr<MainWindow> window;

    explicit Fixture(const QStringList &log) {
        QDir(dir.path()).mkpath(QStringLiteral("logs"));
        TextFile::writeLines(dir.filePath(QStringLiteral("logs/kvd.log")), log);
        console = std::make_unique<Console>(dir.path());
        window = std::make_unique<MainWindow>(console.get());
        window->show();
        window->runStartUp();
        // Room for the diagram: a tall program log pane.
        WindowLayout layout = window->currentLayout();
        layout.height = 900;
        layout.p4h = 500;
        window->applyLayout(layout);
    }
    ~Fixture() { console->shutDown(); }
    Fixture(const Fixture &) = delete;
    Fixture &operator=(const Fixture &) = delete;

    LogPanel *panel() const { return window->logPanel(); }
    StatisticsPanel *statistics() const { return panel()->statisticsPage(); }
    StatisticsTableView *table() const { return statistics()->table(); }
    StatisticsModel *model() const { return table()->statisticsModel(); }
    StatisticsChartView *diagram() const { return statistics()->diagram(); }

    // Switches to the statistics and waits until they show.
    bool openStatistics() const {
        panel()->setCurrentWidget(statistics());
        return waitUntil([this] { return !statistics()->showsPlaceholder(); }, 20000);
    }
    bool openDiagram() const {
        if (!openStatistics())
            return false;
        statistics()->innerTabs()->setCurrentWidget(diagram());
        return diagram()->series() != nullptr;
    }
};

QStringList column(const StatisticsModel *model, int c) {
    QStringList texts;
    for (int r = 0; r < model->rowCount(); ++r)
        texts << model->index(r, c).data().toString();
    return texts;
}

// What the platform sends for the Menu key.
QMenu *openMenuByKeyboard(QWidget *widget) {
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(5, 5),
                            widget->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(widget, &event);
    return qobject_cast<QMenu *>(QApplication::activePopupWidget());
}

QAction *actionNamed(QMenu *menu, const QString &text) {
    for (QAction *action : menu->actions()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

// The wheel turns over the view's viewport, as the window system delivers it.
void wheel(QAbstractScrollArea *view, int delta) {
    QWidget *viewport = view->viewport();
    const QPointF at(viewport->width() / 2.0, viewport->height() / 2.0);
    QWheelEvent event(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &event);
}

void mouse(QWidget *viewport, QEvent::Type type, const QPointF &at, Qt::MouseButtons buttons) {
    QMouseEvent event(type, at, viewport->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(viewport, &event);
}

} // namespace

class TestStatisticsPanel : public QObject {
    Q_OBJECT

private slots:
    // The console's colours: the checkerboard is drawn over them.
    void initTestCase() {
        Theme::apply(*qobject_cast<QApplication *>(QCoreApplication::instance()));
    }

    void cleanup() {
        if (QWidget *popup = QApplication::activePopupWidget())
            popup->close();
    }

    void placeholderShowsUntilTheBuildIsDone() {
        Fixture f(threePlayers());
        QVERIFY(f.statistics()->showsPlaceholder());
        QCOMPARE(f.console->statistics()->buildsStarted(), 0); // nothing before the tab opens

        f.panel()->setCurrentWidget(f.statistics());
        QVERIFY(f.statistics()->showsPlaceholder());
        QVERIFY(f.statistics()->placeholder()->isVisible());
        QCOMPARE(f.statistics()->placeholder()->text(), QStringLiteral("Collect data ..."));
        QVERIFY(f.console->statistics()->isBuilding());

        QVERIFY(waitUntil([&] { return !f.statistics()->showsPlaceholder(); }, 20000));
        QTabWidget *tabs = f.statistics()->innerTabs();
        QVERIFY(tabs->isVisible());
        QCOMPARE(tabs->tabText(0), QStringLiteral("Table"));
        QCOMPARE(tabs->tabText(1), QStringLiteral("Diagram"));
        QCOMPARE(tabs->currentWidget(), f.table());
        QCOMPARE(f.model()->rowCount(), 3);

        f.panel()->setCurrentIndex(0); // leaving the tab hides the inner tabs again
        QVERIFY(f.statistics()->showsPlaceholder());
    }

    void switchingToAndFroDoesNotPileUpBuilds() {
        Fixture f(StatisticsLogs::generate({20000, 300, 10, false, 5}));
        for (int i = 0; i < 5; ++i) {
            f.panel()->setCurrentWidget(f.statistics());
            f.panel()->setCurrentIndex(0);
        }
        QVERIFY(f.openStatistics());
        QVERIFY(waitUntil([&] { return !f.console->statistics()->isBuilding(); }, 20000));
        QTest::qWait(50);
        // The log did not change, so the running build's result is the one shown.
        QCOMPARE(f.console->statistics()->buildsStarted(), 1);
        QVERIFY(f.model()->rowCount() > 100);
    }

    void eachOpeningBuildsTheLogAsItIsThen() {
        Fixture f(threePlayers());
        QVERIFY(f.openStatistics());
        QCOMPARE(f.model()->rowCount(), 3);
        f.panel()->setCurrentIndex(0);
        f.console->message(joined("170301-080000", "Dee", "76561198000000004", "Alpha").mid(16));
        QVERIFY(f.openStatistics());
        QCOMPARE(f.model()->rowCount(), 4);
        QCOMPARE(f.console->statistics()->buildsStarted(), 2);
    }

    void tableShowsTheMostPlayFirstWithTheirIds() {
        Fixture f(threePlayers());
        QVERIFY(f.openStatistics());
        QStringList captions;
        for (int c = 0; c < f.model()->columnCount(); ++c)
            captions << f.model()->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(captions, QStringList({"Player", "SteamID64", "Last online", "Total hh:mm:ss",
                                        "Alpha", "Beta"}));
        QCOMPARE(column(f.model(), 0), QStringList({"Cid", "Bea", "Ann"}));
        QCOMPARE(column(f.model(), 1),
                 QStringList({"76561198000000003", "76561198000000002", "76561198000000001"}));
        QCOMPARE(column(f.model(), 3), QStringList({"118:30:00", "02:00:00", "01:00:00"}));
        QCOMPARE(column(f.model(), 5), QStringList({"", "02:00:00", ""}));
        const QModelIndex name = f.table()->model()->index(0, 0);
        QVERIFY(!name.data(Qt::DecorationRole).value<QIcon>().isNull());
        // Names read from the left; times line up on the right.
        QCOMPARE(name.data(Qt::TextAlignmentRole).value<Qt::Alignment>(),
                 Qt::AlignLeft | Qt::AlignVCenter);
        QCOMPARE(f.table()->model()->index(0, 3).data(Qt::TextAlignmentRole).value<Qt::Alignment>(),
                 Qt::AlignRight | Qt::AlignVCenter);
    }

    void cellsAreACheckerboardOfGreys_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("colour");
        QTest::newRow("player, even row: the view's own") << 0 << 0 << "#111111";
        QTest::newRow("player, odd row") << 1 << 0 << "#191919";
        QTest::newRow("player id, even row") << 0 << 1 << "#181818";
        QTest::newRow("player id, odd row") << 1 << 1 << "#222222";
        QTest::newRow("last online, even row") << 0 << 2 << "#111111";
        QTest::newRow("last online, odd row") << 1 << 2 << "#191919";
        QTest::newRow("total, odd row") << 1 << 3 << "#222222";
        QTest::newRow("second server, even row") << 2 << 5 << "#181818";
    }
    void cellsAreACheckerboardOfGreys() {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QString, colour);
        Fixture f(threePlayers());
        QVERIFY(f.openStatistics());
        f.table()->clearSelection();
        f.table()->setCurrentIndex(QModelIndex());
        const QRect cell = f.table()->visualRect(f.table()->model()->index(row, column));
        const QImage image = f.table()->viewport()->grab().toImage();
        // A corner of the cell, away from its text and icon.
        QCOMPARE(image.pixelColor(cell.left() + 2, cell.top() + 2).name(), colour);
        const QColor own = StatisticsCellDelegate::background(row, column);
        QCOMPARE(own.isValid() ? own.name() : QStringLiteral("#111111"), colour);
    }

    void columnsFitWithinTheirBounds() {
        QStringList log = threePlayers();
        const QString longName = QStringLiteral("A server whose name is much longer than any "
                                                "column may be wide");
        log << joined("170101-080000", "Ann", "76561198000000001", longName)
            << joined("170101-080000", "Ann", "76561198000000001", "S");
        Fixture f(log);
        QVERIFY(f.openStatistics());
        QHeaderView *header = f.table()->header();
        const auto columnOf = [&](const QString &caption) {
            for (int c = 0; c < f.model()->columnCount(); ++c) {
                if (f.model()->headerData(c, Qt::Horizontal).toString() == caption)
                    return c;
            }
            return -1;
        };
        QCOMPARE(header->sectionSize(columnOf("S")), 95); // a narrow caption, empty cells
        QCOMPARE(header->sectionSize(columnOf(longName)), 200);
        for (int c = 0; c < f.model()->columnCount(); ++c) {
            QVERIFY(header->sectionSize(c) >= 80);
            QVERIFY(header->sectionSize(c) <= 200);
        }
        // "Total hh:mm:ss" fits its caption with 15 pixels to spare.
        QCOMPARE(header->sectionSize(3),
                 std::min(200, std::max(80, header->sectionSizeHint(3)) + 15));
    }

    void headerClicksSortWithTheirIconAndTheStateOutlastsARebuild() {
        Fixture f(threePlayers());
        QVERIFY(f.openStatistics());
        QHeaderView *header = f.table()->header();
        const auto click = [&](int section) {
            QTest::mouseClick(
                header->viewport(), Qt::LeftButton, Qt::NoModifier,
                QPoint(header->sectionViewportPosition(section) + 10, header->height() / 2));
        };
        const auto icon = [&](int section) {
            return f.table()->model()->headerData(section, Qt::Horizontal, Qt::DecorationRole);
        };
        click(2);
        QCOMPARE(column(f.model(), 2), QStringList({"09.01.2017", "10.01.2017", "06.02.2017"}));
        QVERIFY(!icon(2).value<QIcon>().isNull());
        QVERIFY(!icon(0).isValid());

        f.panel()->setCurrentIndex(0);
        QVERIFY(f.openStatistics());
        QVERIFY(!icon(2).isValid()); // a rebuild drops the icon ...
        QCOMPARE(column(f.model(), 0), QStringList({"Cid", "Bea", "Ann"}));
        click(2); // ... but not the state: this second click on the column reverses it
        QCOMPARE(column(f.model(), 2), QStringList({"06.02.2017", "10.01.2017", "09.01.2017"}));
        QCOMPARE(f.model()->sortIcon(), IconIndex::SortDescending);
    }

    void menuKeyExportsTheRowsAsShown() {
        Fixture f(threePlayers());
        QVERIFY(f.openStatistics());
        f.model()->headerClicked(0); // by name, descending first ...
        f.model()->headerClicked(0); // ... then ascending
        f.table()->setFocus();
        QMenu *menu = openMenuByKeyboard(f.table());
        QVERIFY(menu);
        QAction *exportCsv = actionNamed(menu, QStringLiteral("Export as CSV…"));
        QVERIFY(exportCsv);

        const QString path = f.dir.filePath(QStringLiteral("players.csv"));
        FileDialogs::setNextAnswer(path);
        exportCsv->trigger();
        QCOMPARE(FileDialogs::lastCaption(), QStringLiteral("Export statistics as CSV"));
        QCOMPARE(readBytes(path),
                 QByteArray("SteamID64,Player,Last online,Total hh:mm:ss,Alpha,Beta\r\n"
                            "76561198000000001,Ann,09.01.2017,01:00:00,01:00:00,\r\n"
                            "76561198000000002,Bea,10.01.2017,02:00:00,,02:00:00\r\n"
                            "76561198000000003,Cid,06.02.2017,118:30:00,118:30:00,\r\n"));
    }

    void exportCancelledOrFailed() {
        Fixture f(threePlayers());
        QVERIFY(f.openStatistics());
        FileDialogs::setNextAnswer(QString());
        f.table()->exportCsv();
        QCOMPARE(QDir(f.dir.path()).entryList({"*.csv"}), QStringList());

        FileDialogs::setNextAnswer(f.dir.filePath(QStringLiteral("no-such-folder/x.csv")));
        MessageBoxes::setNextAnswer(QMessageBox::Ok);
        f.table()->exportCsv();
        QVERIFY2(MessageBoxes::lastText().startsWith(
                     QStringLiteral("The statistics could not be written to")),
                 qPrintable(MessageBoxes::lastText()));
    }

    void failedTableFileIsLoggedOnceAndTheStatisticsShowAllTheSame() {
        Fixture f(threePlayers());
        QVERIFY(QDir(f.dir.filePath(QStringLiteral("logs"))).removeRecursively());
        QVERIFY(f.openStatistics());
        f.panel()->setCurrentIndex(0);
        QVERIFY(f.openStatistics());
        QCOMPARE(f.model()->rowCount(), 3);
        const QStringList lines = f.console->programLog()->lines();
        QCOMPARE(lines.filter(QStringLiteral("Failed to save logs/sumtar.his: ")).size(), 1);
    }

    void logWithoutPlayersShowsTheServersAndNoRows() {
        Fixture f({"[170105-090000] Serverstatus (S):  Online"});
        QVERIFY(f.openDiagram());
        QCOMPARE(f.model()->rowCount(), 0);
        QCOMPARE(f.model()->columnCount(), 4);
        QCOMPARE(f.diagram()->series()->count(), 0);
    }

    void diagramStacksHoursPerServerInThePalette() {
        StatisticsLogs::Shape shape{6000, 40, 15, false, 9};
        Fixture f(StatisticsLogs::generate(shape));
        QVERIFY(f.openDiagram());
        QCOMPARE(f.window->focusWidget(), f.diagram());
        const PlayerStatistics &built = f.console->statistics()->statistics();
        const QList<QBarSet *> sets = f.diagram()->series()->barSets();
        QCOMPARE(sets.size(), 15);
        for (int s = 0; s < sets.size(); ++s) {
            QCOMPARE(sets.at(s)->label(), built.servers().at(s));
            QCOMPARE(sets.at(s)->color(), StatisticsChartView::seriesColour(s));
            QCOMPARE(sets.at(s)->count(), built.playerCount());
        }
        QCOMPARE(sets.at(14)->color(), sets.at(0)->color());
        QCOMPARE(sets.at(0)->color(), QColor(0x7E, 0xA8, 0xFF));
        QCOMPARE(sets.at(13)->color(), QColor(0xE4, 0xE4, 0xFF));
        QCOMPARE(f.diagram()->hoursAxis()->titleText(), QStringLiteral("hours"));
        QCOMPARE(f.diagram()->chart()->legend()->alignment(), Qt::AlignTop);
        QVERIFY(!f.diagram()->series()->isLabelsVisible());
        QVERIFY(!f.diagram()->playerAxis()->isGridLineVisible());
        // The table's order from the bottom: the most playing time on top.
        const QStringList labels = f.diagram()->visiblePlayerLabels();
        QVERIFY(!labels.isEmpty());
        QCOMPARE(labels.last(),
                 built.table.cell(PlayerStatistics::NameColumn, built.playerCount()));
    }

    // The diagram and the table's tool tips read markup: names show exactly as written.
    void namesShowAsTextInTheDiagramAndTheToolTips() {
        const QString player = QStringLiteral("Bob<br>Ban player  Bob  on server  Beta ?<!--");
        const QString server = QStringLiteral("Beta<b>2</b> & co");
        const QString id = QStringLiteral("0002a1b2c3d4e5f60718293a4b5c6d7e");
        Fixture f({left("170109-100000", player, id, server, "01:00:00"),
                   joined("170109-090000", player, id, server)});
        QVERIFY(f.openDiagram());
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        QTest::qWait(50); // the legend lays out its labels on a later turn
        f.diagram()->grab();
        QStringList drawn;
        for (QGraphicsItem *item : f.diagram()->scene()->items()) {
            if (auto *text = dynamic_cast<QGraphicsTextItem *>(item))
                drawn << text->toPlainText();
        }
        // The axis elides a long name; it shows the markup as text all the same.
        QVERIFY2(!drawn.filter(QRegularExpression(QStringLiteral("^Bob<br>Ban player"))).isEmpty(),
                 qPrintable(drawn.join(QLatin1Char('|'))));
        QVERIFY2(drawn.contains(QStringLiteral("\u2611 ") + server),
                 qPrintable(drawn.join(QLatin1Char('|'))));

        const QModelIndex name = f.model()->index(0, StatisticsModel::PlayerColumn);
        QCOMPARE(name.data().toString(), player);
        const QString tip = name.data(Qt::ToolTipRole).toString();
        QVERIFY(Qt::mightBeRichText(tip));
        QTextDocument shown;
        shown.setHtml(tip);
        QCOMPARE(shown.toPlainText(), player);
    }

    void barIsHoursAsAFraction() {
        Fixture f(threePlayers());
        QVERIFY(f.openDiagram());
        const QList<QBarSet *> sets = f.diagram()->series()->barSets();
        QCOMPARE(sets.at(0)->label(), QStringLiteral("Alpha"));
        // Rows from the bottom: Ann 01:00:00, Bea none on Alpha, Cid 118:30:00.
        QCOMPARE(sets.at(0)->at(0), 1.0);
        QCOMPARE(sets.at(0)->at(1), 0.0);
        QCOMPARE(sets.at(0)->at(2), 118.5);
        QCOMPARE(sets.at(1)->at(1), 2.0);
        QCOMPARE(f.diagram()->playerAxisMin(), -0.5); // three players fit: all in view
        QCOMPARE(f.diagram()->playerAxisMax(), 2.5);
        QVERIFY(f.diagram()->hoursAxis()->max() >= 118.5);
    }

    void legendCheckBoxHidesOneServersSegments() {
        Fixture f(threePlayers());
        QVERIFY(f.openDiagram());
        const QList<QLegendMarker *> markers =
            f.diagram()->chart()->legend()->markers(f.diagram()->series());
        QCOMPARE(markers.size(), 2);
        QCOMPARE(markers.at(0)->label(), QStringLiteral("☑ Alpha"));
        emit markers.at(0)->clicked();
        QVERIFY(!f.diagram()->isServerShown(0));
        QCOMPARE(markers.at(0)->label(), QStringLiteral("☐ Alpha"));
        const QList<QBarSet *> sets = f.diagram()->series()->barSets();
        QCOMPARE(sets.at(0)->at(2), 0.0);
        QCOMPARE(sets.at(1)->at(1), 2.0); // the other server's segments stay
        QVERIFY(f.diagram()->hoursAxis()->max() < 118.5);

        // The pop-up menu (Menu key) holds the same check boxes.
        QMenu *menu = openMenuByKeyboard(f.diagram());
        QVERIFY(menu);
        QAction *alpha = actionNamed(menu, QStringLiteral("Alpha"));
        QVERIFY(alpha && alpha->isCheckable() && !alpha->isChecked());
        alpha->trigger();
        QVERIFY(f.diagram()->isServerShown(0));
        QCOMPARE(sets.at(0)->at(2), 118.5);
        QCOMPARE(markers.at(0)->label(), QStringLiteral("☑ Alpha"));
    }

    void wheelZoomStaysInsideThePlayers() {
        Fixture f(threePlayers());
        QVERIFY(f.openDiagram());
        StatisticsChartView *diagram = f.diagram();
        wheel(diagram, -120); // all in view already: nothing to zoom out to
        QCOMPARE(diagram->playerAxisMin(), -0.5);
        QCOMPARE(diagram->playerAxisMax(), 2.5);
        for (int i = 0; i < 40; ++i)
            wheel(diagram, 120);
        const double zoomed = diagram->playerAxisMax() - diagram->playerAxisMin();
        QVERIFY(zoomed < 3.0 / 1.3);
        for (int i = 0; i < 200; ++i) {
            wheel(diagram, -120);
            QVERIFY2(diagram->playerAxisMin() >= -1 && diagram->playerAxisMax() <= 3,
                     qPrintable(QStringLiteral("%1 .. %2")
                                    .arg(diagram->playerAxisMin())
                                    .arg(diagram->playerAxisMax())));
        }
        // All players in view again, and no further.
        QCOMPARE(diagram->playerAxisMin(), -0.5);
        QCOMPARE(diagram->playerAxisMax(), 2.5);
        QVERIFY(zoomed < 3);
    }

    void manyPlayersOpenOnTheTopAndPanInsideThem() {
        Fixture f(StatisticsLogs::generate({20000, 400, 6, false, 12}));
        QVERIFY(f.openDiagram());
        StatisticsChartView *diagram = f.diagram();
        const int count = diagram->playerCount();
        QVERIFY(count > 300);
        QCOMPARE(diagram->playerAxisMax(), count - 0.5);
        QVERIFY(diagram->playerAxisMax() - diagram->playerAxisMin() < 40);
        // Only the players in view have bars and labels.
        QVERIFY(diagram->scene()->items().size() < 3000);
        QVERIFY(diagram->visiblePlayerLabels().size() < 40);

        QWidget *viewport = diagram->viewport();
        const QPointF from(viewport->width() / 2.0, viewport->height() / 2.0);
        const double top = diagram->playerAxisMax();
        mouse(viewport, QEvent::MouseButtonPress, from, Qt::LeftButton);
        mouse(viewport, QEvent::MouseMove, from + QPointF(0, 40), Qt::LeftButton); // beyond the top
        QCOMPARE(diagram->playerAxisMax(), top);
        mouse(viewport, QEvent::MouseMove, from + QPointF(0, -60), Qt::LeftButton);
        mouse(viewport, QEvent::MouseMove, from + QPointF(0, -120), Qt::LeftButton);
        mouse(viewport, QEvent::MouseButtonRelease, from + QPointF(0, -120), Qt::NoButton);
        QVERIFY(diagram->playerAxisMax() < top - 1);
        QVERIFY(diagram->visiblePlayerLabels().size() > 0);

        QTest::keyClick(diagram, Qt::Key_End);
        QCOMPARE(diagram->playerAxisMin(), -0.5);
        QVERIFY(diagram->panPlayers(-0.5));
        QVERIFY(!diagram->panPlayers(-0.1)); // a drag stops at -1
        QTest::keyClick(diagram, Qt::Key_Home);
        QCOMPARE(diagram->playerAxisMax(), count - 0.5);

        // From the top, the wheel zooms out towards all players and stays inside them.
        const double span = diagram->playerAxisMax() - diagram->playerAxisMin();
        for (int i = 0; i < 60; ++i) {
            wheel(diagram, -120);
            QVERIFY(diagram->playerAxisMax() <= count - 0.5 + 1e-9);
        }
        QVERIFY(diagram->playerAxisMax() - diagram->playerAxisMin() > span * 1.7);
    }
};

QTEST_MAIN(TestStatisticsPanel)
#include "tst_statisticspanel.moc"
