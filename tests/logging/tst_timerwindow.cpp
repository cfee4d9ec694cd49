#include "app/contactentry.h"
#include "app/logview.h"
#include "app/tfmain.h"
#include "controls/pickcombobox.h"
#include "logging/entrypanel.h"
#include "logging/repeatrule.h"
#include "logging/tftimer.h"
#include "store/daycount.h"
#include "store/logstore.h"
#include "support/fakes.h"
#include "support/tempdatabase.h"
#include "support/windowtest.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QTableWidget>
#include <QtTest>

// The repeat-contact timer: its computed columns, and the window beside the main window.
class TestTimerWindow : public WindowTest
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void cells_data();
    void cells();
    void listShowsEachCallOnceWithItsLatestContact();
    void waitThatEndsBeepsOnce();
    void toursAreStoredAtOnceAndSavesApplyThem();
    void shownPeriodIsTheOneSavesUse();
    void closingStoresPeriodAndGeometry();
    void listFollowsTheLog();
    void opensCentredThenWhereItWas();

private:
    void openWindow();
    void save(const QString& call, const QString& mode = "SSB");
    double at(QTime time) const { return toDayCount(QDate(2015, 7, 15), time); }
    QStringList column(int column) const;

    Tftimer* m_timer = nullptr;
};

void TestTimerWindow::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::Russian));
}

void TestTimerWindow::init()
{
    prepare("INSERT INTO Contest (ContestRowid, ContestName, ContestActual) VALUES (1, 'Полевой день', 1);"
            "UPDATE SettingInfo SET SettingInfoValue='KO85AA' WHERE SettingInfoN='PWWLo';"
            "INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('LastBand', 0), ('LastMod', 1);");
}

void TestTimerWindow::cleanup()
{
    release();
}

void TestTimerWindow::openWindow()
{
    WindowTest::openWindow();
    m_timer = m_window->timerWindow();
}

void TestTimerWindow::save(const QString& call, const QString& mode)
{
    EntryPanel* entry = m_window->entryPanel();
    entry->modeList->setCurrentText(mode);
    entry->callEdit->setEditText(call);
    entry->receivedNumberEdit->setText("1");
    entry->locatorEdit->setText("KO95AA");
    m_window->tickClock(); // the pickers take the time the test has set
    m_window->contactEntry()->saveContact();
}

QStringList TestTimerWindow::column(int column) const
{
    QStringList texts;
    for (int row = 0; row < m_timer->grid()->rowCount(); ++row)
        texts << m_timer->grid()->item(row, column)->text();
    return texts;
}

void TestTimerWindow::cells_data()
{
    QTest::addColumn<QTime>("last");
    QTest::addColumn<double>("nowOffsetSeconds");
    QTest::addColumn<int>("periodSeconds");
    QTest::addColumn<bool>("tours");
    QTest::addColumn<QString>("next");
    QTest::addColumn<QString>("elapsed");
    QTest::addColumn<QString>("remaining");
    QTest::newRow("interval, waiting") << QTime(10, 0) << 600.0 << 900 << false << "15.07.2015 10:15:00"
                                       << "0:10:00"
                                       << "0:05:00";
    QTest::newRow("interval, over") << QTime(10, 0) << 1200.0 << 900 << false << "15.07.2015 10:15:00"
                                    << "0:20:00"
                                    << "-0:05:00";
    QTest::newRow("tours, 10:29") << QTime(10, 29) << 30.0 << 1800 << true << "15.07.2015 10:30:00"
                                  << "0:00:30"
                                  << "0:00:30";
    QTest::newRow("tours, over") << QTime(10, 29) << 120.0 << 1800 << true << "15.07.2015 10:30:00"
                                 << "0:02:00"
                                 << "-0:01:00";
    QTest::newRow("two days and three hours ago")
        << QTime(10, 0) << 183600.0 << 900 << false << "15.07.2015 10:15:00"
        << "2д. 3:00:00"
        << "-2д. 2:45:00";
    QTest::newRow("a long wait shows its time of day")
        << QTime(10, 0) << 3600.0 << 259200 << false << "18.07.2015 10:00:00"
        << "1:00:00"
        << "23:00:00";
}

void TestTimerWindow::cells()
{
    QFETCH(QTime, last);
    QFETCH(double, nowOffsetSeconds);
    QFETCH(int, periodSeconds);
    QFETCH(bool, tours);
    QFETCH(QString, next);
    QFETCH(QString, elapsed);
    QFETCH(QString, remaining);
    const TimerCells c =
        timerCells(at(last), at(last) + nowOffsetSeconds / 86400.0, periodSeconds / 86400.0, tours);
    QCOMPARE(c.nextText, next);
    QCOMPARE(c.elapsedText, elapsed);
    QCOMPARE(c.remainingText, remaining);
    QCOMPARE(c.over, remaining.startsWith('-'));
    QCOMPARE(Tftimer::waitColour(c.remainingText), c.over ? QColor(183, 255, 183) : QColor(255, 183, 183));
}

void TestTimerWindow::listShowsEachCallOnceWithItsLatestContact()
{
    openWindow();
    save("UA3AAA", "SSB");
    m_fakes->clock.current = m_fakes->clock.current.addSecs(60);
    save("UA3BBB", "SSB");
    m_fakes->clock.current = m_fakes->clock.current.addSecs(60);
    save("UA3AAA", "CW"); // another mode: allowed, and the later of the two
    m_window->action("N11")->trigger();
    QVERIFY(m_timer->isVisible());
    QCOMPARE(m_timer->windowTitle(), "Таймер: 144 MHz");
    QCOMPARE(column(0), (QStringList{"UA3AAA", "UA3BBB"}));
    QCOMPARE(column(1), (QStringList{"15.07.2015 10:02:00", "15.07.2015 10:01:00"}));
    m_fakes->clock.current = QDateTime(QDate(2015, 7, 15), QTime(10, 10, 0), Qt::UTC);
    m_timer->refresh();
    QCOMPARE(column(3), (QStringList{"0:08:00", "0:09:00"}));
    QCOMPARE(column(4), (QStringList{"0:07:00", "0:06:00"}));
    QCOMPARE(column(2).first(), "15.07.2015 10:17:00");
}

void TestTimerWindow::waitThatEndsBeepsOnce()
{
    openWindow();
    save("UA3AAA");
    m_window->action("N11")->trigger();
    for (const QTime time : {QTime(10, 14, 58), QTime(10, 14, 59, 400), QTime(10, 14, 59, 900),
                             QTime(10, 15, 0), QTime(10, 15, 1), QTime(10, 15, 2)}) {
        m_fakes->clock.current = QDateTime(QDate(2015, 7, 15), time, Qt::UTC);
        m_timer->refresh();
    }
    QCOMPARE(m_fakes->desktop.beeps, 1);
}

void TestTimerWindow::toursAreStoredAtOnceAndSavesApplyThem()
{
    openWindow();
    m_window->action("N11")->trigger();
    m_timer->periodList()->setCurrentText("30 минут");
    m_timer->toursCheck()->click();
    QCOMPARE(m_file->column("SELECT SettingParamInt FROM Setting WHERE SettingName='Tour'"), QVariantList{1});
    m_fakes->clock.current = QDateTime(QDate(2015, 7, 15), QTime(10, 29, 0), Qt::UTC);
    save("UA3AAA");
    m_fakes->clock.current = QDateTime(QDate(2015, 7, 15), QTime(10, 30, 0), Qt::UTC);
    save("UA3AAA"); // the next tour has begun
    QCOMPARE(m_fakes->prompts.texts(), QStringList());
    QCOMPARE(m_file->column("SELECT COUNT(*) FROM ContestList"), QVariantList{2});
    QCOMPARE(column(2).first(), "15.07.2015 11:00:00");
}

void TestTimerWindow::shownPeriodIsTheOneSavesUse()
{
    openWindow();
    m_window->action("N11")->trigger();
    m_timer->periodList()->setCurrentText("1 минута");
    save("UA3AAA");
    m_fakes->clock.current = m_fakes->clock.current.addSecs(60);
    save("UA3AAA"); // a minute is enough while the window shows
    QCOMPARE(m_file->column("SELECT COUNT(*) FROM ContestList"), QVariantList{2});
    m_window->action("N11")->trigger(); // hidden by the menu: nothing stored
    QVERIFY(!m_timer->isVisible());
    m_fakes->clock.current = m_fakes->clock.current.addSecs(60);
    save("UA3AAA"); // the stored period, 15 minutes, applies again
    QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Information).size(), 1);
}

void TestTimerWindow::closingStoresPeriodAndGeometry()
{
    openWindow();
    QAction* menuItem = m_window->action("N11");
    menuItem->trigger();
    m_timer->periodList()->setCurrentText("1 час");
    m_timer->move(100, 120);
    m_timer->resize(700, 300);
    m_timer->close();
    QVERIFY(!m_timer->isVisible());
    QVERIFY(!menuItem->isChecked());
    QCOMPARE(m_file->column("SELECT SettingParamInt FROM Setting WHERE SettingName='Period'"),
             QVariantList{6});
    QCOMPARE(m_window->contactEntry()->contacts().repeatPeriodDays(), 3600 / 86400.0);
    save("UA3AAA");
    m_fakes->clock.current = m_fakes->clock.current.addSecs(30 * 60);
    save("UA3AAA"); // half an hour is not an hour
    QCOMPARE(m_file->column("SELECT COUNT(*) FROM ContestList"), QVariantList{1});

    // The next showing finds its place and period again.
    m_timer->move(0, 0);
    menuItem->trigger();
    QCOMPARE(m_timer->pos(), QPoint(100, 120));
    QCOMPARE(m_timer->size(), QSize(700, 300));
    QCOMPARE(m_timer->periodList()->currentText(), "1 час");
    QCOMPARE(m_timer->periodDays(), 3600 / 86400.0);
}

void TestTimerWindow::listFollowsTheLog()
{
    openWindow();
    m_window->action("N11")->trigger();
    save("UA3AAA");
    QCOMPARE(column(0), QStringList{"UA3AAA"});
    chooseInList(m_window->entryPanel()->bandList, 1);
    QCOMPARE(m_timer->grid()->rowCount(), 0);
    QCOMPARE(m_timer->windowTitle(), "Таймер: 432 MHz");
    chooseInList(m_window->entryPanel()->bandList, 0);
    m_fakes->prompts.confirmAnswers = {true};
    m_window->logView()->log().remove();
    QCOMPARE(m_timer->grid()->rowCount(), 0);
}

void TestTimerWindow::opensCentredThenWhereItWas()
{
    openWindow();
    m_window->move(120, 80);
    QTest::keyClick(m_window.get(), Qt::Key_F5);
    QVERIFY(m_timer->isVisible());
    QVERIFY(isCentredOn(*m_timer, *m_window));
    // Hidden and shown again, it stays where the operator put it.
    m_timer->move(30, 40);
    QTest::keyClick(m_window.get(), Qt::Key_F5);
    QVERIFY(!m_timer->isVisible());
    QTest::keyClick(m_window.get(), Qt::Key_F5);
    QCOMPARE(m_timer->pos(), QPoint(30, 40));
    // Closed, it is stored; the next run opens it there.
    m_timer->close();
    openWindow();
    QTest::keyClick(m_window.get(), Qt::Key_F5);
    QCOMPARE(m_timer->pos(), QPoint(30, 40));
}

QTEST_MAIN(TestTimerWindow)
#include "tst_timerwindow.moc"
