#include "app/application.h"
#include "app/hints.h"
#include "app/logview.h"
#include "app/tfmain.h"
#include "controls/datagrid.h"
#include "controls/drlabel.h"
#include "controls/hintbar.h"
#include "controls/pickcombobox.h"
#include "logging/entrypanel.h"
#include "logging/tftimer.h"
#include "store/logstore.h"
#include "support/fakes.h"
#include "support/tempdatabase.h"

#include <QAction>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSplitter>
#include <QTimeEdit>
#include <QtTest>

// The main window's frame: start-up defaults, what a restart restores, the UTC clock,
// the font-size layout and the main menu.
class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void firstStartUsesTheDesignValues();
    void settingsSurviveARestart();
    void clockShowsLocalTimePlusTheOffset();
    void clockWithoutAChosenZoneIsTheSystemsUtc();
    void manualClockKeepsThePickers();
    void fontLayout_data();
    void fontLayout();
    void menuCaptionsAndShortcuts_data();
    void menuCaptionsAndShortcuts();
    void upgradeButtonOnAnUpToDateLogShowsNothing();
    void aFailingStartUpStepIsReportedAndTheWindowComesUp();
    void aDamagedPeriodTableIsReportedAndTheWindowComesUp();
    void aFileThatIsNotALogIsRefusedUntouched();
    void hintBarFollowsTheMouse();
    void qtDialogsSpeakRussian();
    void whereTheLogLives_data();
    void whereTheLogLives();

private:
    std::unique_ptr<Tfmain> openWindow();
    std::unique_ptr<TempDatabase> m_file;
    std::unique_ptr<FakeServices> m_fakes;
    std::unique_ptr<LogStore> m_store;
};

void TestMainWindow::init()
{
    m_file = std::make_unique<TempDatabase>();
    m_fakes = std::make_unique<FakeServices>();
}

void TestMainWindow::cleanup()
{
    m_store.reset();
    m_fakes.reset();
    m_file.reset();
}

std::unique_ptr<Tfmain> TestMainWindow::openWindow()
{
    m_store.reset();
    m_store = m_file->openStore(m_fakes->prompts);
    return std::make_unique<Tfmain>(*m_store, m_fakes->services);
}

void TestMainWindow::firstStartUsesTheDesignValues()
{
    auto w = openWindow();
    w->show();
    QCOMPARE(w->pos(), QPoint(450, 204));
    QCOMPARE(w->size(), QSize(892, 634));
    QCOMPARE(w->logView()->fontSlider()->value(), 8);
    QCOMPARE(w->findChild<QSplitter*>("Splitter1")->sizes().first(), 261);
    EntryPanel* entry = w->entryPanel();
    QCOMPARE(entry->bandList->count(), 7);
    QCOMPARE(entry->bandList->itemText(2), "1,3 GHz");
    QCOMPARE(entry->modeList->itemText(1), "SSB");
    QCOMPARE(entry->modeList->itemText(2), "CW");
    QCOMPARE(entry->bandList->currentIndex(), -1);
    QCOMPARE(w->state().CurrentBandId, 0);
    QCOMPARE(w->state().SortOrder, "DESC");
    QCOMPARE(w->windowTitle(), "Нет выбранных соревнований /  из ");
    QCOMPARE(w->logView()->caption(), "Список [0/0]");
    QVERIFY(m_fakes->prompts.shown.empty());
}

void TestMainWindow::settingsSurviveARestart()
{
    {
        auto w = openWindow();
        w->show();
        w->move(120, 80);
        w->resize(1000, 700);
        w->findChild<QSplitter*>("Splitter1")->setSizes({300, 700});
        w->logView()->fontSlider()->setValue(14);
        w->entryPanel()->bandList->setCurrentIndex(1);
        w->entryPanel()->modeList->setCurrentIndex(2);
        w->logView()->grid()->setColumnWidth(3, 77);
        w->close();
    }
    m_file->sqlite("INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('SettingFormClock', 15)");
    auto w = openWindow();
    w->show();
    QCOMPARE(w->pos(), QPoint(120, 80));
    QCOMPARE(w->size(), QSize(1000, 700));
    QCOMPARE(w->findChild<QSplitter*>("Splitter1")->sizes().first(), 300);
    QCOMPARE(w->logView()->fontSlider()->value(), 14);
    QCOMPARE(w->entryPanel()->bandList->currentText(), "432 MHz");
    QCOMPARE(w->state().CurrentBandId, 432);
    QCOMPARE(w->entryPanel()->modeList->currentText(), "CW");
    QCOMPARE(w->logView()->grid()->columnWidth(3), 77);
    QCOMPARE(w->state().ClockOffsetHours, -3);
    QVERIFY(m_fakes->prompts.shown.empty());
}

void TestMainWindow::clockShowsLocalTimePlusTheOffset()
{
    m_file->openStore(m_fakes->prompts);
    m_file->sqlite("INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('SettingFormClock', 15)");
    m_fakes->clock.current = QDateTime(QDate(2026, 1, 1), QTime(1, 30, 15, 700), Qt::UTC);
    auto w = openWindow();
    // 15 is UTC+3: the clock shows the computer's local time minus three hours.
    const QDateTime shown = m_fakes->clock.current.toLocalTime().addSecs(-3 * 3600);
    QCOMPARE(w->entryPanel()->timeEdit->time(), QTime(shown.time().hour(), shown.time().minute(), 15));
    QCOMPARE(w->entryPanel()->dateEdit->date(), shown.date());
    QVERIFY(!w->entryPanel()->timeEdit->isEnabled());
    m_fakes->clock.current = QDateTime(QDate(2026, 1, 1), QTime(12, 0, 0), Qt::UTC);
    QTRY_COMPARE_WITH_TIMEOUT(w->entryPanel()->timeEdit->time(),
                              m_fakes->clock.current.toLocalTime().addSecs(-3 * 3600).time(), 2500);
}

// No zone chosen yet: the clock is the system's own UTC, whatever the computer's zone
// (here three hours from UTC, across midnight).
void TestMainWindow::clockWithoutAChosenZoneIsTheSystemsUtc()
{
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "Europe/Moscow");
    auto restoreZone = qScopeGuard([&] { zone.isNull() ? qunsetenv("TZ") : qputenv("TZ", zone); });
    m_fakes->clock.current = QDateTime(QDate(2025, 12, 31), QTime(22, 30, 15), Qt::UTC);
    auto w = openWindow();
    QVERIFY(!w->state().ClockZoneChosen);
    QCOMPARE(w->entryPanel()->timeEdit->time(), QTime(22, 30, 15));
    QCOMPARE(w->entryPanel()->dateEdit->date(), QDate(2025, 12, 31));
}

void TestMainWindow::manualClockKeepsThePickers()
{
    auto w = openWindow();
    QAction* realTime = w->action("mnRealDateTime");
    QVERIFY(realTime->isChecked());
    realTime->trigger();
    QVERIFY(!realTime->isChecked());
    QVERIFY(w->entryPanel()->timeEdit->isEnabled());
    const QTime frozen = w->entryPanel()->timeEdit->time();
    m_fakes->clock.current = m_fakes->clock.current.addSecs(3600);
    QTest::qWait(1300);
    QCOMPARE(w->entryPanel()->timeEdit->time(), frozen);
    realTime->trigger();
    QVERIFY(!w->entryPanel()->dateEdit->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(w->entryPanel()->timeEdit->time(), frozen.addSecs(3600), 2500);
}

void TestMainWindow::fontLayout_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("gap");
    QTest::addColumn<QSize>("button");
    QTest::newRow("8") << 8 << 2 << QSize(70, 20);
    QTest::newRow("25, halves to even") << 25 << 8 << QSize(196, 62);
}

void TestMainWindow::fontLayout()
{
    QFETCH(int, size);
    QFETCH(int, gap);
    QFETCH(QSize, button);
    auto w = openWindow();
    w->show();
    w->logView()->fontSlider()->setValue(size);
    EntryPanel* e = w->entryPanel();
    auto bottom = [](QWidget* x) { return x->y() + x->height(); };
    QCOMPARE(e->bandModeLabel->y(), 2 * size);
    QCOMPARE(e->bandList->y(), bottom(e->bandModeLabel) + gap);
    QCOMPARE(e->callLocatorLabel->y(), bottom(e->bandList) + gap);
    QCOMPARE(e->callEdit->y(), bottom(e->callLocatorLabel) + gap);
    QCOMPARE(e->receivedNumberEdit->y(), bottom(e->reportsLabel) + gap);
    QCOMPARE(e->dateEdit->y(), bottom(e->dateTimeLabel) + gap);
    QCOMPARE(e->saveButton->size(), button);
    QCOMPARE(e->saveButton->y(), bottom(e->dateEdit) + gap);
    QCOMPARE(e->callEdit->font().pointSize(), size);
    QVERIFY(e->locatorEdit->font().bold());
    // Widths from the frame width W: v = round((W - 15) / 2), a = round((W - 15) / 6) - 1.
    const int width = e->width();
    const int v = qRound((width - 15) / 2.0);
    const int a = int(std::nearbyint((width - 15) / 6.0)) - 1;
    QCOMPARE(e->bandList->width(), v);
    QCOMPARE(e->modeList->x(), 8 + e->bandList->width() + 3);
    QCOMPARE(e->sentReportEdit->width(), a + 5);
    QCOMPARE(e->receivedNumberEdit->x(), e->receivedReportEdit->x() + a + 5 + 3);
    QCOMPARE(e->saveButton->x(), int(std::nearbyint(width / 2.0 - button.width() / 2.0)));
    // The read-out sits in the middle of the compass.
    const QRect compass = e->compassImage->geometry();
    const QRect readout = e->distanceLabel->geometry();
    QVERIFY(std::abs(readout.center().x() - compass.center().x()) <= 1);
}

void TestMainWindow::menuCaptionsAndShortcuts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QKeySequence>("key");
    QTest::newRow("N4") << "N4"
                        << "Часовой пояс" << QKeySequence();
    QTest::newRow("N2") << "N2"
                        << "Свои данные" << QKeySequence(Qt::Key_F2);
    QTest::newRow("N7") << "N7"
                        << "Выбор соревнования" << QKeySequence(Qt::Key_F3);
    QTest::newRow("N8") << "N8"
                        << "Диапазоны" << QKeySequence(Qt::Key_F4);
    QTest::newRow("N13") << "N13"
                         << "Установить" << QKeySequence();
    QTest::newRow("N15") << "N15"
                         << "Убрать" << QKeySequence();
    QTest::newRow("N14") << "N14"
                         << "Экспорт в EDI" << QKeySequence();
    QTest::newRow("N5") << "N5"
                        << "Экспорт в ADI" << QKeySequence();
    QTest::newRow("N12") << "N12"
                         << "Открыть" << QKeySequence();
    QTest::newRow("N11") << "N11"
                         << "Таймер обратного отсчёта" << QKeySequence(Qt::Key_F5);
    QTest::newRow("N25") << "N25"
                         << "Карта связей" << QKeySequence();
    QTest::newRow("N28") << "N28"
                         << "?" << QKeySequence();
    QTest::newRow("mnRealDateTime") << "mnRealDateTime"
                                    << "Текущие дата/время" << QKeySequence();
}

void TestMainWindow::menuCaptionsAndShortcuts()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QKeySequence, key);
    auto w = openWindow();
    QAction* a = w->action(name);
    QVERIFY(a);
    QCOMPARE(a->text(), caption);
    QCOMPARE(a->shortcut(), key);
}

void TestMainWindow::upgradeButtonOnAnUpToDateLogShowsNothing()
{
    auto w = openWindow();
    w->findChild<QPushButton*>("Button1")->click();
    QVERIFY(m_fakes->prompts.shown.empty());
}

void TestMainWindow::aFailingStartUpStepIsReportedAndTheWindowComesUp()
{
    m_file->openStore(m_fakes->prompts);
    m_file->sqlite("DROP TABLE Modulation; CREATE TABLE Modulation (Id INTEGER);");
    auto w = openWindow();
    QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Error).size(), 1);
    QVERIFY(m_fakes->prompts.texts(ShownPrompt::Error).first().contains("ModulationRowid"));
    QCOMPARE(w->entryPanel()->bandList->count(), 7); // the steps before it ran
}

void TestMainWindow::aDamagedPeriodTableIsReportedAndTheWindowComesUp()
{
    m_file->openStore(m_fakes->prompts);
    m_file->sqlite("DROP TABLE Period; CREATE TABLE Period (Seconds int, PeriodName text(30));"
                   "INSERT INTO Period VALUES (900, '15 минут');");
    auto w = openWindow();
    w->show();
    QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Error),
             QStringList{"Не могу выполнить запрос: \n\rSELECT * FROM Period ORDER BY PeriodRowid\n\r\n\r"
                         "no such column: PeriodRowid"});
    // The window works on: the timer window opens with an empty period list.
    m_fakes->prompts.clear();
    w->action("N11")->trigger();
    QVERIFY(w->timerWindow()->isVisible());
    QVERIFY(m_fakes->prompts.shown.empty());
}

void TestMainWindow::aFileThatIsNotALogIsRefusedUntouched()
{
    QFile f(m_file->path());
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("EDI, not a database\r\n");
    f.close();
    const auto before = QCryptographicHash::hash("EDI, not a database\r\n", QCryptographicHash::Sha256);
    QVERIFY(!openLog(m_file->path(), m_fakes->prompts));
    QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Error), QStringList{"Нет соединения с базой данных!"});
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256), before);
}

void TestMainWindow::hintBarFollowsTheMouse()
{
    HintTracker hints(*qApp);
    auto w = openWindow();
    connect(&hints, &HintTracker::hintChanged, w->logView()->hintBar(), &HintBar::showHover);
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(w->entryPanel()->bandList, &enter);
    QCOMPARE(w->logView()->hintBar()->text(), "Выберите текущий диапазон");
    QApplication::sendEvent(w->entryPanel()->compassImage, &enter);
    QCOMPARE(w->logView()->hintBar()->text(), "Компас");
    QCOMPARE(w->entryPanel()->saveButton->toolTipDuration(), kHintShowTimeMs);

    // A message left in the bar shows at once; a hint passing over it does not wipe it.
    const QString failure = "Резервная копия журнала не сделана: диск полон";
    w->logView()->hintBar()->setStatus("backup", failure);
    QCOMPARE(w->logView()->hintBar()->text(), failure);
    QApplication::sendEvent(w->entryPanel()->bandList, &enter);
    QCOMPARE(w->logView()->hintBar()->text(), "Выберите текущий диапазон");
    QApplication::sendEvent(w->logView()->hintBar(), &enter); // a place without a hint
    QCOMPARE(w->logView()->hintBar()->text(), failure);
    w->logView()->hintBar()->setStatus("backup", QString()); // the next copy went well
    QCOMPARE(w->logView()->hintBar()->text(), "");
}

// The buttons and dialogs Qt draws itself carry Russian texts, as the rest of the program.
void TestMainWindow::qtDialogsSpeakRussian()
{
    QVERIFY(loadQtTranslations(*qApp));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Отмена");
    QCOMPARE(QCoreApplication::translate("QFileDialog", "Open"), "Открыть");
}

void TestMainWindow::whereTheLogLives_data()
{
    QTest::addColumn<QString>("programDir");
    QTest::addColumn<bool>("beside");
    // Root can write under /usr; an installed program still keeps the log in the data folder.
    QTest::newRow("installed in /usr/bin") << "/usr/bin" << false;
    QTest::newRow("installed in /usr/local/bin") << "/usr/local/bin/" << false;
    QTest::newRow("under /opt") << "/opt/kovra/bin" << false;
    QTest::newRow("a build folder") << "<temp>" << true;
    QTest::newRow("a folder that cannot be written") << "<temp>/missing" << false;
}

void TestMainWindow::whereTheLogLives()
{
    QFETCH(QString, programDir);
    QFETCH(bool, beside);
    programDir.replace("<temp>", m_file->folder());
    const QString data = m_file->folder() + "/data";
    QCOMPARE(defaultDatabasePath(programDir, data), (beside ? programDir : data) + "/Kovra.db");
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
