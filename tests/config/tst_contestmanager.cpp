#include "app/contactentry.h"
#include "app/logview.h"
#include "app/tfmain.h"
#include "config/tfcontest.h"
#include "controls/datagrid.h"
#include "controls/dbnavigator.h"
#include "controls/pickcombobox.h"
#include "logging/entrypanel.h"
#include "logging/tftimer.h"
#include "store/daycount.h"
#include "store/logstore.h"
#include "support/fakes.h"
#include "support/tempdatabase.h"
#include "support/windowtest.h"

#include <QAction>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

// The contest manager over the real main window: contests created, chosen and deleted.
class TestContestManager : public WindowTest
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void contestsAreCreatedOnlyWhenComplete();
    void choosingAContestSwitchesTheMainWindow();
    void deletingAContestTakesItsContactsAfterAsking();
    void currentContestCannotBeDeletedFromTheNavigator();
    void columnWidthsFromTheSettings();
    void opensCentredOnTheMainWindow();
    void findsAContestByName();
    void aListThatCannotBeReadKeepsTheStoredColumns();

private:
    std::unique_ptr<Tfcontest> openManager();
    // Types a new contest into the grid and posts it with the navigator.
    void addContest(Tfcontest& manager, const QString& name, QDate start);
    void saveContact(const QString& call);
};

void TestContestManager::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::Russian));
}

void TestContestManager::init()
{
    prepare("UPDATE SettingInfo SET SettingInfoValue='UA3XYZ' WHERE SettingInfoN='PCall';"
            "UPDATE SettingInfo SET SettingInfoValue='KO85AA' WHERE SettingInfoN='PWWLo';"
            "INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('LastBand', 0), ('LastMod', 1);");
}

void TestContestManager::cleanup()
{
    release();
}

std::unique_ptr<Tfcontest> TestContestManager::openManager()
{
    auto manager =
        std::make_unique<Tfcontest>(*m_store, m_window->state(), m_fakes->services, m_window.get());
    connect(manager.get(), &Tfcontest::contestChosen, m_window.get(), &Tfmain::contestChanged);
    manager->show();
    return manager;
}

void TestContestManager::addContest(Tfcontest& manager, const QString& name, QDate start)
{
    // As an operator, who is slower than the re-sort 100 ms after the last new contest.
    const auto* resort = manager.findChild<QTimer*>("Timer1");
    QTRY_VERIFY(!resort->isActive());
    manager.navigator()->button(DbNavigator::Insert)->click();
    QVERIFY(!manager.chooseButton()->isVisible());
    QCOMPARE(manager.frame()->title(), "Соревнования [новая запись]");
    DataGrid& grid = *manager.grid();
    const int row = manager.contests().currentRow();
    typeIntoCell(grid, row, 0, name);
    typeIntoCell(grid, row, 1, start.toString("dd.MM.yyyy") + " 06:00:00");
    typeIntoCell(grid, row, 2, start.toString("dd.MM.yyyy") + " 18:00:00");
    manager.navigator()->button(DbNavigator::Post)->click();
}

void TestContestManager::saveContact(const QString& call)
{
    EntryPanel* entry = m_window->entryPanel();
    entry->callEdit->setEditText(call);
    entry->receivedNumberEdit->setText("1");
    entry->locatorEdit->setText("KO95AA");
    m_window->contactEntry()->saveContact();
}

void TestContestManager::contestsAreCreatedOnlyWhenComplete()
{
    openWindow();
    auto manager = openManager();
    QCOMPARE(manager->frame()->title(), "Соревнования [0/0]");

    // A contest without start or stop stays being typed, with the message.
    manager->navigator()->button(DbNavigator::Insert)->click();
    typeIntoCell(*manager->grid(), 0, 0, "Без дат");
    manager->navigator()->button(DbNavigator::Post)->click();
    QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Error), QStringList{"Заполните все поля"});
    QCOMPARE(manager->contests().state(), Cursor::State::Insert);
    QCOMPARE(m_file->column("SELECT COUNT(*) FROM Contest"), QVariantList{0});
    manager->contests().cancel();

    addContest(*manager, "Полевой день", QDate(2015, 7, 4));
    addContest(*manager, "Кубок весны", QDate(2015, 3, 1));
    QCOMPARE(m_file->column(
                 "SELECT ContestRowid || ' ' || ContestName || ' ' || ContestActual FROM Contest ORDER BY 1"),
             (QVariantList{"1 Полевой день 0", "2 Кубок весны 0"}));
    // 100 ms after the save the list is in date order and stands on the new contest.
    QCOMPARE(manager->contests().currentRow(), 1);
    QTRY_COMPARE(manager->contests().currentRow(), 0);
    QCOMPARE(manager->contests().value("ContestName").toString(), "Кубок весны");
    QCOMPARE(manager->grid()->cursorModel()->displayText(1, 0), "Полевой день");
    QCOMPARE(manager->grid()->cursorModel()->displayText(1, 1), "04.07.2015 06:00:00");
    // A name emptied in its cell (opened with F2: a double click chooses the contest) is
    // refused once the cell editor is gone; the name stays.
    m_fakes->prompts.clear();
    const QModelIndex name = manager->grid()->model()->index(0, 0);
    QTest::mouseClick(manager->grid()->viewport(), Qt::LeftButton, {},
                      manager->grid()->visualRect(name).center());
    QTest::keyClick(manager->grid(), Qt::Key_F2);
    QWidget* cell = QApplication::focusWidget();
    QTest::keyClick(cell, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(cell, Qt::Key_Delete);
    commitCellEditor(cell);
    QTRY_COMPARE(m_fakes->prompts.texts(ShownPrompt::Error), QStringList{"Заполните все поля"});
    QCOMPARE(manager->contests().state(), Cursor::State::Browse);
    QCOMPARE(manager->grid()->cursorModel()->displayText(0, 0), "Кубок весны");
    QCOMPARE(m_file->column("SELECT COUNT(*) FROM Contest WHERE ContestName='Кубок весны'"), QVariantList{1});
    QVERIFY(manager->chooseButton()->isVisible());
    QCOMPARE(manager->frame()->title(), "Соревнования [1/2]");
}

void TestContestManager::choosingAContestSwitchesTheMainWindow()
{
    m_file->sqlite("INSERT INTO Contest VALUES (1, 'Полевой день', 42189, 42190, 1);"
                   "INSERT INTO Contest VALUES (2, 'Кубок', 42200, 42201, 0);");
    openWindow();
    saveContact("UA3AAA");
    m_fakes->clock.current = m_fakes->clock.current.addSecs(60);
    saveContact("UA3BBB");
    QCOMPARE(m_window->windowTitle(), "Полевой день / UA3XYZ из KO85AA");
    QCOMPARE(m_window->entryPanel()->sentNumberEdit->text(), "3");
    m_window->action("N11")->trigger(); // the timer window shows
    QVERIFY(m_window->timerWindow()->isVisible());

    auto manager = openManager();
    QCOMPARE(manager->contests().value("ContestName").toString(),
             "Полевой день"); // it opens on the current one
    QCOMPARE(manager->grid()
                 ->cursorModel()
                 ->data(manager->grid()->cursorModel()->index(0, 0), Qt::BackgroundRole)
                 .value<QColor>(),
             QColor(255, 215, 215));
    manager->contests().setCurrentRow(1);
    manager->chooseButton()->click();
    QCOMPARE(m_file->column("SELECT ContestRowid FROM Contest WHERE ContestActual"), QVariantList{2});
    QCOMPARE(m_window->windowTitle(), "Кубок / UA3XYZ из KO85AA");
    QCOMPARE(m_window->logView()->log().rowCount(), 0);
    QCOMPARE(m_window->logView()->caption(), "Список [0/0]");
    QCOMPARE(m_window->entryPanel()->sentNumberEdit->text(), "1");
    QVERIFY(!m_window->timerWindow()->isVisible());
    QVERIFY(!m_window->action("N11")->isChecked());

    // Choosing the contest that is current changes nothing.
    m_fakes->prompts.clear();
    manager->chooseButton()->click();
    QCOMPARE(m_file->column("SELECT ContestRowid FROM Contest WHERE ContestActual"), QVariantList{2});
    saveContact("UA3AAA"); // the new contest has its own numbers and repeats
    QCOMPARE(m_file->column(
                 "SELECT IdContest || ' ' || ContestListSendNum FROM ContestList ORDER BY 1 DESC LIMIT 1"),
             QVariantList{"2 1"});
}

void TestContestManager::deletingAContestTakesItsContactsAfterAsking()
{
    m_file->sqlite("INSERT INTO Contest VALUES (1, 'Полевой день', 42189, 42190, 0);"
                   "INSERT INTO Contest VALUES (2, 'Кубок', 42200, 42201, 1);"
                   "INSERT INTO Contest VALUES (3, 'Пустой', 42300, 42301, 0);");
    for (int i = 1; i <= 12; ++i)
        m_file->sqlite(
            QString("INSERT INTO ContestList (IdContest, IdBand, ContestListCall, ContestListSendNum) "
                    "VALUES (1, 144, 'R%1', %1);")
                .arg(i));
    m_file->sqlite("INSERT INTO ContestList (IdContest, IdBand, ContestListCall, ContestListSendNum) "
                   "VALUES (2, 144, 'KEEP', 1);");
    openWindow();
    auto manager = openManager();
    manager->contests().setCurrentRow(0); // Полевой день
    m_fakes->prompts.confirmAnswers = {false};
    manager->navigator()->button(DbNavigator::Delete)->click();
    QCOMPARE(
        m_fakes->prompts.texts(ShownPrompt::Confirm),
        QStringList{
            "Удалить запись \"Полевой день\" ? Внимание! У этого соревнования есть 12 записи(ей), они тоже "
            "удалятся. Продолжить?"});
    QCOMPARE(m_file->column("SELECT COUNT(*) FROM ContestList"), QVariantList{13});

    manager->navigator()->button(DbNavigator::Delete)->click();
    QCOMPARE(m_file->column("SELECT ContestListCall FROM ContestList"), QVariantList{"KEEP"});
    QCOMPARE(m_file->column("SELECT ContestName FROM Contest ORDER BY 1"), (QVariantList{"Кубок", "Пустой"}));
    QCOMPARE(manager->contests().rowCount(), 2);

    m_fakes->prompts.clear();
    manager->contests().setCurrentRow(1); // Пустой
    manager->navigator()->button(DbNavigator::Delete)->click();
    QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Confirm), QStringList{"Удалить \"Пустой\" ?"});
    QCOMPARE(m_file->column("SELECT ContestName FROM Contest"), QVariantList{"Кубок"});
}

void TestContestManager::currentContestCannotBeDeletedFromTheNavigator()
{
    m_file->sqlite("INSERT INTO Contest VALUES (1, 'Полевой день', 42189, 42190, 1);"
                   "INSERT INTO Contest VALUES (2, 'Кубок', 42200, 42201, 0);");
    openWindow();
    auto manager = openManager();
    QVERIFY(!manager->navigator()->button(DbNavigator::Delete)->isVisible());
    manager->contests().setCurrentRow(1);
    QVERIFY(manager->navigator()->button(DbNavigator::Delete)->isVisible());
    manager->contests().edit();
    QVERIFY(!manager->chooseButton()->isVisible());
    QCOMPARE(manager->frame()->title(), "Соревнования [редактирование]");
    manager->contests().cancel();
    // The grid's own delete key still asks, then deletes, even the current contest.
    manager->contests().setCurrentRow(0);
    m_fakes->prompts.confirmAnswers = {true, true};
    manager->grid()->setFocus();
    QTest::keyClick(manager->grid(), Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Confirm).first(), "Удалить запись?");
    QCOMPARE(m_file->column("SELECT ContestName FROM Contest"), QVariantList{"Кубок"});
    manager->close();
    m_window->LoadCallAndQTH();
    QVERIFY(m_window->windowTitle().startsWith("Нет выбранных соревнований"));
}

void TestContestManager::columnWidthsFromTheSettings()
{
    m_file->sqlite("UPDATE Setting SET SettingParamInt=5 WHERE SettingName='GridContestColumnWidth0';"
                   "UPDATE Setting SET SettingParamInt=0 WHERE SettingName='GridContestColumnWidth1';"
                   "DELETE FROM Setting WHERE SettingName='GridContestColumnTitleCaptionRu2';");
    openWindow();
    auto manager = openManager();
    QCOMPARE(manager->grid()->columnWidth(0), 10);
    QCOMPARE(manager->grid()->columnTitle(0), "Соревнование");
    QCOMPARE(manager->grid()->columnWidth(1), 80);
    QCOMPARE(manager->grid()->columnTitle(1), "ContestDTStart");
    QCOMPARE(manager->grid()->columnTitle(2), "ContestDTStop"); // no caption row: the field's name
    manager->resize(600, 420);
    manager->grid()->setColumnWidth(2, 150);
    manager->close();
    QCOMPARE(m_file->column(
                 "SELECT SettingParamInt FROM Setting WHERE SettingName IN ('SettingContestFormHeight', "
                 "'SettingContestFormWidth', 'GridContestColumnWidth2') ORDER BY SettingName"),
             (QVariantList{150, 420, 600}));
}

void TestContestManager::opensCentredOnTheMainWindow()
{
    openWindow();
    m_window->move(120, 80);
    QRect opened;
    QSize size;
    bool centred = false;
    QTimer::singleShot(0, this, [&] {
        QWidget* manager = QApplication::activeModalWidget();
        QVERIFY(manager);
        opened = manager->frameGeometry();
        size = manager->size();
        centred = isCentredOn(*manager, *m_window);
        manager->close();
    });
    QTest::keyClick(m_window.get(), Qt::Key_F3);
    QVERIFY2(centred, qPrintable(QString("at %1,%2").arg(opened.x()).arg(opened.y())));
    QCOMPARE(size, QSize(545, 392));
}

void TestContestManager::findsAContestByName()
{
    m_file->sqlite("INSERT INTO Contest VALUES (1, 'Полевой день', 42180, 42181, 0),"
                   "(2, 'Кубок весны', 42060, 42061, 0), (3, 'Кубок осени', 42280, 42281, 0);");
    openWindow();
    auto manager = openManager();
    QApplication::setActiveWindow(manager.get()); // shortcuts act in the active window
    QVERIFY(QTest::qWaitForWindowActive(manager.get()));
    DataGrid* grid = manager->grid();
    const QRect cell = grid->visualRect(grid->cursorModel()->index(0, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    m_fakes->prompts.askAnswers = {QString("кубок")};
    QTest::keyClick(grid, Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(manager->contests().value("ContestName").toString(), "Кубок осени");
    QTest::keyClick(grid, Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(manager->contests().value("ContestName").toString(), "Кубок весны");
}

void TestContestManager::aListThatCannotBeReadKeepsTheStoredColumns()
{
    m_file->sqlite("UPDATE Setting SET SettingParamInt=300 WHERE SettingName='GridContestColumnWidth0';"
                   "ALTER TABLE Contest RENAME COLUMN ContestDTStart TO Started;");
    openWindow();
    m_fakes->prompts.clear();
    auto manager = openManager();
    QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Error).size(), 1);
    manager->close();
    QCOMPARE(
        m_file->column("SELECT SettingParamInt FROM Setting WHERE SettingName='GridContestColumnWidth0'"),
        QVariantList{300});
}

QTEST_MAIN(TestContestManager)
#include "tst_contestmanager.moc"
