#include "app/logview.h"
#include "app/tfmain.h"
#include "config/tfcontest.h"
#include "controls/datagrid.h"
#include "controls/dbnavigator.h"
#include "logging/entrypanel.h"
#include "results/statisticswindow.h"
#include "store/cursor.h"
#include "support/fakes.h"
#include "support/tempdatabase.h"
#include "support/windowtest.h"

#include <QAccessible>
#include <QAction>
#include <QBarSet>
#include <QChartView>
#include <QCheckBox>
#include <QLabel>
#include <QLineSeries>
#include <QPolarChart>
#include <QPushButton>
#include <QScatterSeries>
#include <QStackedBarSeries>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

// "Статистика" beside the real main window, on the five contacts of two bands: what it shows,
// and how it follows the log while it is open.
class TestStatisticsWindow : public WindowTest
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void showsTheContestPerBandAndInTotal();
    void rateFollowsTheClock();
    void followsSavesEditsAndDeletes();
    void followsOtherProgramsAndTheContestChosen();
    void aLogThatCannotBeReadIsSaidInTheWindow();
    void keepsItsPlaceAndSize();

private:
    StatisticsWindow* openStatistics();
    static QStringList row(const QTableWidget* table, int row);
    // The footer of the log grid with the band list on `index`.
    QString footerOfBand(int index);

    static constexpr int kPoll = StatisticsWindow::kPollIntervalMs * 3;
};

void TestStatisticsWindow::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::Russian));
}

void TestStatisticsWindow::init()
{
    prepare(fiveContactsOnTwoBands());
    m_fakes->clock.current = QDateTime(QDate(2015, 7, 15), QTime(12, 0), Qt::UTC);
}

void TestStatisticsWindow::cleanup()
{
    release();
}

StatisticsWindow* TestStatisticsWindow::openStatistics()
{
    m_window->action("mnStatistics")->trigger();
    auto* window = m_window->findChild<StatisticsWindow*>();
    return window && window->isVisible() ? window : nullptr;
}

QStringList TestStatisticsWindow::row(const QTableWidget* table, int row)
{
    QStringList cells;
    for (int column = 0; column < table->columnCount(); ++column)
        cells << (table->item(row, column) ? table->item(row, column)->text() : QString());
    return cells;
}

QString TestStatisticsWindow::footerOfBand(int index)
{
    chooseInList(m_window->entryPanel()->bandList, index);
    return m_window->logView()->grid()->footerText();
}

void TestStatisticsWindow::showsTheContestPerBandAndInTotal()
{
    openWindow();
    StatisticsWindow* window = openStatistics();
    QVERIFY(window);
    QVERIFY(!window->isModal());
    QCOMPARE(window->windowTitle(), "Статистика: Полевой день");
    const QTableWidget* bands = window->bandTable();
    QCOMPARE(bands->rowCount(), 3);
    QCOMPARE(row(bands, 0), (QStringList{"144 MHz", "3", "938", "3", "RA1CCC KO59XX 700 км", "313 км"}));
    QCOMPARE(row(bands, 1), (QStringList{"432 MHz", "2", "514", "1", "R2DDD KO95BB 130 км", "129 км"}));
    QCOMPARE(row(bands, 2), (QStringList{"Всего", "5", "1452", "3", "RA1CCC KO59XX 700 км", "239 км"}));

    // Each band's points are its grid footer's; the total is their sum.
    const QString footers[] = {footerOfBand(0), footerOfBand(1)};
    QCOMPARE(bands->item(0, StatisticsWindow::PointsColumn)->text(), footers[0]);
    QCOMPARE(bands->item(1, StatisticsWindow::PointsColumn)->text(), footers[1]);
    QCOMPARE(bands->item(2, StatisticsWindow::PointsColumn)->text().toDouble(),
             footers[0].toDouble() + footers[1].toDouble());

    // Assistive technology reads the numbers from the table's cells.
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(window->bandTable());
    QVERIFY(table && table->tableInterface());
    QAccessibleInterface* cell = table->tableInterface()->cellAt(2, StatisticsWindow::PointsColumn);
    QVERIFY(cell);
    QCOMPARE(cell->text(QAccessible::Name), "1452");

    // The plots: contacts per hour stacked by band, points over time, the directions.
    auto* bars = qobject_cast<QStackedBarSeries*>(window->hoursView()->chart()->series().value(0));
    QVERIFY(bars);
    QCOMPARE(bars->count(), 2);
    QCOMPARE(bars->barSets()[0]->label(), "144 MHz");
    QCOMPARE(bars->barSets()[0]->at(0), 2.0); // 10:00 to 11:00
    QCOMPARE(bars->barSets()[1]->at(1), 1.0); // 11:00 to 12:00 on 432 MHz
    const QList<QAbstractSeries*> lines = window->pointsView()->chart()->series();
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines.last()->name(), "Всего");
    QCOMPARE(qobject_cast<QLineSeries*>(lines.last())->points().last().y(), 1452.0);
    QVERIFY(qobject_cast<QPolarChart*>(window->directionsView()->chart()));
    const QList<QAbstractSeries*> directions = window->directionsView()->chart()->series();
    QCOMPARE(directions.size(), 2);
    QCOMPARE(qobject_cast<QScatterSeries*>(directions[0])->points(),
             (QList<QPointF>{{89, 127}, {0, 111}, {330, 700}}));
}

void TestStatisticsWindow::rateFollowsTheClock()
{
    m_fakes->clock.current = QDateTime(QDate(2015, 7, 15), QTime(11, 59), Qt::UTC);
    openWindow();
    StatisticsWindow* window = openStatistics();
    QVERIFY(window);
    const QTableWidget* rate = window->rateTable();
    QCOMPARE(rate->rowCount(), 4);
    QCOMPARE(row(rate, 0), (QStringList{"Последние 10 минут", "1", "260"}));
    QCOMPARE(row(rate, 1), (QStringList{"Последние 60 минут", "2", "960"}));
    QCOMPARE(row(rate, 2), (QStringList{"11:00–12:00", "2", "960"}));
    QCOMPARE(row(rate, 3), (QStringList{"10:00–11:00", "3", "492"}));
    // The last minutes move on with the clock, with no change to the log.
    m_fakes->clock.current = m_fakes->clock.current.addSecs(7 * 60);
    QTRY_COMPARE_WITH_TIMEOUT(row(rate, 0), (QStringList{"Последние 10 минут", "0", "0"}), kPoll);
    QCOMPARE(row(rate, 1), (QStringList{"Последние 60 минут", "1", "260"}));
    QCOMPARE(row(rate, 2), (QStringList{"11:00–12:00", "2", "960"}));
}

void TestStatisticsWindow::followsSavesEditsAndDeletes()
{
    openWindow();
    StatisticsWindow* window = openStatistics();
    QVERIFY(window);
    const QTableWidget* bands = window->bandTable();
    LogView* log = m_window->logView();
    DataGrid* grid = log->grid();

    // A save: one more contact on 144 MHz, 127 points from KO85AA to KO95AA.
    typeContact("UA3III", "4", "KO95AA");
    QCOMPARE(m_file->column("SELECT COUNT(*) FROM ContestList WHERE IdContest=1"), QVariantList{6});
    QTRY_COMPARE(row(bands, 0).mid(0, 3), (QStringList{"144 MHz", "4", "1065"}));
    QCOMPARE(row(bands, 2).mid(0, 3), (QStringList{"Всего", "6", "1579"}));
    QCOMPARE(row(window->rateTable(), 0), (QStringList{"Последние 10 минут", "2", "387"}));

    // An edit in the grid: the best DX's call, then its points scored again. The operator
    // comes back to the main window first.
    QApplication::setActiveWindow(m_window.get());
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    log->editorCheck()->click();
    const Cursor& cursor = log->log();
    int best = -1;
    for (int r = 0; r < cursor.rowCount(); ++r) {
        if (cursor.value(r, cursor.fieldIndex("ContestListCall")).toString() == "RA1CCC")
            best = r;
    }
    QVERIFY(best >= 0);
    typeIntoCell(*grid, best, LogView::CallColumn, "RA1CCD");
    QTRY_COMPARE(row(bands, 0)[StatisticsWindow::BestDxColumn], "RA1CCD KO59XX 700 км");
    QCOMPARE(row(bands, 2)[StatisticsWindow::BestDxColumn], "RA1CCD KO59XX 700 км");
    log->action("N9")->trigger();
    const QString rescored =
        m_file->column("SELECT ContestListResult FROM ContestList WHERE ContestListRowid=3")
            .value(0)
            .toString();
    QVERIFY(rescored != "700");
    QTRY_COMPARE(row(bands, 0)[StatisticsWindow::PointsColumn], grid->footerText());

    // A delete with the navigator.
    m_fakes->prompts.confirmAnswers = {true};
    log->navigator()->button(DbNavigator::Delete)->click();
    QTRY_COMPARE(row(bands, 0)[StatisticsWindow::ContactsColumn], "3");
    QCOMPARE(row(bands, 0)[StatisticsWindow::PointsColumn], grid->footerText());
    QCOMPARE(row(bands, 2)[StatisticsWindow::ContactsColumn], "5");
    QVERIFY(m_fakes->prompts.texts(ShownPrompt::Error).isEmpty());
}

void TestStatisticsWindow::followsOtherProgramsAndTheContestChosen()
{
    openWindow();
    StatisticsWindow* window = openStatistics();
    QVERIFY(window);
    const QTableWidget* bands = window->bandTable();
    // Another program (or position) writes into the log file.
    m_file->sqlite("INSERT INTO ContestList (IdContest, IdBand, ContestListCall, ContestListQTH, "
                   "ContestListResult, ContestListDistance, ContestListAzimut) "
                   "VALUES (1, 432, 'UA3KKK', 'KO95AA', 254, 127.4, 89)");
    QTRY_COMPARE_WITH_TIMEOUT(row(bands, 1).mid(0, 3), (QStringList{"432 MHz", "3", "768"}), kPoll);

    // Another contest chosen: its figures.
    Tfcontest manager(*m_store, m_window->state(), m_fakes->services, m_window.get());
    connect(&manager, &Tfcontest::contestChosen, m_window.get(), &Tfmain::contestChanged);
    manager.show();
    QVERIFY(manager.contests().locate("ContestRowid", DbValue(2)));
    manager.chooseButton()->click();
    QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), "Статистика: Другой", kPoll);
    QCOMPARE(bands->rowCount(), 2);
    QCOMPARE(row(bands, 0).mid(0, 3), (QStringList{"144 MHz", "1", "2000"}));
}

void TestStatisticsWindow::aLogThatCannotBeReadIsSaidInTheWindow()
{
    openWindow();
    // Once the main window has read the call history, which the renamed table would fail.
    QTRY_VERIFY(!m_window->findChild<QTimer*>("TimerStart")->isActive());
    StatisticsWindow* window = openStatistics();
    QVERIFY(window);
    m_file->sqlite("ALTER TABLE ContestList RENAME TO ContestListAway");
    QTRY_VERIFY_WITH_TIMEOUT(window->statusLabel()->isVisible(), kPoll);
    QVERIFY(window->statusLabel()->text().startsWith("Не удалось прочитать лог: "));
    QCOMPARE(row(window->bandTable(), 2).mid(0, 3), (QStringList{"Всего", "5", "1452"})); // as they were
    QVERIFY(m_fakes->prompts.shown.empty()); // no box, however often the window asks
    m_file->sqlite("ALTER TABLE ContestListAway RENAME TO ContestList");
    QTRY_VERIFY_WITH_TIMEOUT(!window->statusLabel()->isVisible(), kPoll);
    QCOMPARE(row(window->bandTable(), 2).mid(0, 3), (QStringList{"Всего", "5", "1452"}));
}

void TestStatisticsWindow::keepsItsPlaceAndSize()
{
    openWindow();
    m_window->move(120, 80);
    StatisticsWindow* window = openStatistics();
    QVERIFY(window);
    QVERIFY(isCentredOn(*window, *m_window));
    window->move(60, 70);
    window->resize(900, 600);
    window->close();
    QVERIFY(!window->isVisible());
    QCOMPARE(m_file->column("SELECT SettingParamInt FROM Setting WHERE SettingName LIKE 'StatisticsForm%' "
                            "ORDER BY SettingName"),
             (QVariantList{600, 60, 70, 900}));

    // Closing the main window closes it and stores where it stands; the next run opens it there.
    window = openStatistics();
    window->move(40, 50);
    m_window->close();
    QVERIFY(!window->isVisible());
    openWindow();
    window = openStatistics();
    QVERIFY(window);
    QCOMPARE(window->pos(), QPoint(40, 50));
    QCOMPARE(window->size(), QSize(900, 600));
}

QTEST_MAIN(TestStatisticsWindow)
#include "tst_statisticswindow.moc"
