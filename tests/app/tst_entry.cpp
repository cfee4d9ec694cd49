#include "app/contactentry.h"
#include "app/logview.h"
#include "app/tfmain.h"
#include "controls/datagrid.h"
#include "controls/dbnavigator.h"
#include "controls/hintbar.h"
#include "controls/pickcombobox.h"
#include "logging/entrypanel.h"
#include "store/daycount.h"
#include "store/logbackup.h"
#include "store/logstore.h"
#include "support/fakes.h"
#include "support/tempdatabase.h"
#include "support/windowtest.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTimeEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimeEdit>
#include <QToolButton>
#include <QToolTip>
#include <QtTest>

// Logging contacts in the real window, typed as an operator types them, and the log grid
// with its commands.
class TestEntry : public WindowTest
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void contactsAreNumberedScoredAndShown();
    void repeatTooEarlyIsRefusedAndKeepsTheFields();
    void refusedInsertKeepsTheFields();
    void keysOfTheEntryPanel();
    void emptyFieldGetsTheFocus();
    void sortOrderKeepsTheCurrentContact();
    void numberDisplay();
    void cellColours_data();
    void cellColours();
    void editorModeEditsAndRescores();
    void timeEditedInTheGridStaysUtc();
    void renameColumnKeepsApostrophes();
    void separatorIsRefusedInCallAndLocator();
    void eraseBandLogBehindTheCode();
    void navigatorDeleteFreesTheNumber();
    void doubleClickCopiesCallAndLocator();
    void rowWithoutNumberDoesNotStopTheNextSave();
    void findInTheCurrentColumn();
    void columnHintStaysUpForTheHintTime();
    void saveWithoutAContestIsRefused_data();
    void saveWithoutAContestIsRefused();
    void backupsFollowTheSession();
    void aSessionWithoutChangesLeavesNoCopy();
    void aFailedBackupIsSaidInTheHintBar();

private:
    // Moves the fake clock on and lets the backup's schedule see it; gives the copy made.
    QString passForBackup(int seconds);
    void openWindow();
    void chooseBand(int index);
    void chooseMode(int index);
    QVariantList stored(const QString& column);

    EntryPanel* m_entry = nullptr;
    LogView* m_log = nullptr;
};

void TestEntry::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::Russian));
}

void TestEntry::init()
{
    prepare("INSERT INTO Contest (ContestRowid, ContestName, ContestDTStart, ContestDTStop, ContestActual) "
            "VALUES (1, 'Полевой день', 42200, 42201, 1);"
            "INSERT INTO Contest (ContestRowid, ContestName) VALUES (2, 'Другой');"
            "UPDATE SettingInfo SET SettingInfoValue='UA3XYZ' WHERE SettingInfoN='PCall';"
            "UPDATE SettingInfo SET SettingInfoValue='KO85AA' WHERE SettingInfoN='PWWLo';");
}

void TestEntry::cleanup()
{
    release();
}

void TestEntry::openWindow()
{
    WindowTest::openWindow();
    m_entry = m_window->entryPanel();
    m_log = m_window->logView();
}

void TestEntry::chooseBand(int index)
{
    chooseInList(m_entry->bandList, index);
}

void TestEntry::chooseMode(int index)
{
    chooseInList(m_entry->modeList, index);
}

QVariantList TestEntry::stored(const QString& column)
{
    return m_file->column("SELECT " + column + " FROM ContestList ORDER BY ContestListRowid");
}

void TestEntry::contactsAreNumberedScoredAndShown()
{
    openWindow();
    QCOMPARE(m_window->windowTitle(), "Полевой день / UA3XYZ из KO85AA");
    chooseBand(0); // 144 MHz, 1 point per km
    chooseMode(1); // SSB
    typeContact("UA3AAA", "1", "KO95AA");
    typeContact("UA3BBB", "2", "KO86AA");
    chooseMode(2); // CW
    QCOMPARE(m_entry->receivedReportEdit->text(), "599");
    typeContact("UA3AAA", "3", "KO95AA"); // same call, other mode: saved at once
    chooseBand(1);                        // 432 MHz, 2 points per km, its own numbers
    typeContact("UA3CCC", "1", "KO95AA");
    QVERIFY(m_fakes->prompts.shown.empty());

    QCOMPARE(stored("ContestListCall"), (QVariantList{"UA3AAA", "UA3BBB", "UA3AAA", "UA3CCC"}));
    QCOMPARE(stored("ContestListSendNum"), (QVariantList{1, 2, 3, 1}));
    QCOMPARE(stored("IdBand"), (QVariantList{144, 144, 144, 432}));
    QCOMPARE(stored("IdModulation"), (QVariantList{1, 1, 2, 2}));
    QCOMPARE(stored("ContestListDistance"), (QVariantList{127.4, 111.1, 127.4, 127.4}));
    QCOMPARE(stored("ContestListAzimut"), (QVariantList{89, 0, 89, 89}));
    QCOMPARE(stored("ContestListResult"), (QVariantList{127, 111, 127, 255}));
    QCOMPARE(stored("ContestListSendRST"), (QVariantList{59, 59, 599, 599}));
    QCOMPARE(stored("ContestListDateTime").first().toDouble(), toDayCount(QDate(2015, 7, 15), QTime(10, 0)));

    // The entry panel is ready for the next contact.
    QCOMPARE(m_entry->callEdit->currentText(), "");
    QCOMPARE(m_entry->locatorEdit->text(), "");
    QCOMPARE(m_entry->receivedNumberEdit->text(), "");
    QCOMPARE(m_entry->sentNumberEdit->text(), "2");
    QCOMPARE(m_entry->callEdit->findText("UA3AAA"), 0);
    QCOMPARE(m_entry->callEdit->count(), 3);

    // The grid shows the current band: its rows, colours, footer and caption.
    chooseBand(0);
    QCOMPARE(m_log->log().rowCount(), 3);
    QCOMPARE(m_log->grid()->footerText(), "365");
    QCOMPARE(m_log->caption(), "Список [3/3]"); // newest first, and current
    QCOMPARE(m_log->grid()->cursorModel()->displayText(0, LogView::CallColumn), "UA3AAA");
    QCOMPARE(m_log->grid()->cursorModel()->displayText(0, LogView::BandColumn), "144 MHz");
    QCOMPARE(m_log->grid()->cursorModel()->displayText(0, LogView::ModeColumn), "CW");
    QCOMPARE(m_log->grid()->cursorModel()->displayText(0, LogView::DistanceColumn), "127,4");
    QCOMPARE(m_log->grid()->cursorModel()->displayText(0, LogView::TimeColumn), "10:00");
    QCOMPARE(m_entry->sentNumberEdit->text(), "4");
}

void TestEntry::repeatTooEarlyIsRefusedAndKeepsTheFields()
{
    openWindow();
    chooseBand(0);
    chooseMode(1);
    typeContact("UA3AAA", "1", "KO95AA");
    m_fakes->clock.current = QDateTime(QDate(2015, 7, 15), QTime(10, 10, 0), Qt::UTC);
    typeContact("UA3AAA", "7", "KO95AA");
    QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Information),
             QStringList{"Внимание! Временной период не позволяет внести эту запись в лог.\n\r\n\r"
                         "Временной период между связями составляет: 0:15:00\n\r"
                         "Последняя связь с UA3AAA на 144 MHz/SSB была осуществленна: 15.07.2015 10:00:00\n\r"
                         "Следующая связь с UA3AAA может быть после: 15.07.2015 10:15:00\n\r\n\r"
                         "Подождите: 0:05:00\n\r"});
    QCOMPARE(stored("COUNT(*)"), QVariantList{1});
    QCOMPARE(m_entry->callEdit->currentText(), "UA3AAA");
    QCOMPARE(m_entry->receivedNumberEdit->text(), "7");
    QCOMPARE(m_entry->locatorEdit->text(), "KO95AA");

    // Exactly at the end of the period it is saved.
    m_fakes->prompts.clear();
    m_fakes->clock.current = QDateTime(QDate(2015, 7, 15), QTime(10, 15, 0), Qt::UTC);
    m_window->tickClock(); // the pickers show the new time
    QTest::keyClick(m_entry->locatorEdit, Qt::Key_S, Qt::ControlModifier);
    QVERIFY(m_fakes->prompts.shown.empty());
    QCOMPARE(stored("COUNT(*)"), QVariantList{2});
}

void TestEntry::refusedInsertKeepsTheFields()
{
    openWindow();
    chooseBand(0);
    chooseMode(1);
    typeContact("UA3AAA", "99999", "KO95AA");
    QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Error).size(), 1);
    QVERIFY(m_fakes->prompts.texts(ShownPrompt::Error).first().contains("ContestListReceivedNum"));
    QCOMPARE(stored("COUNT(*)"), QVariantList{0});
    QCOMPARE(m_entry->callEdit->currentText(), "UA3AAA");
    QCOMPARE(m_entry->receivedNumberEdit->text(), "99999");
    QCOMPARE(m_entry->locatorEdit->text(), "KO95AA");
    QCOMPARE(m_entry->sentNumberEdit->text(), "1");
    QCOMPARE(m_log->log().rowCount(), 0);
}

void TestEntry::keysOfTheEntryPanel()
{
    openWindow();
    chooseBand(0);
    m_entry->callEdit->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F12);
    QCOMPARE(m_entry->modeList->currentText(), "CW");
    QCOMPARE(m_entry->sentReportEdit->text(), "599");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F11);
    QCOMPARE(m_entry->receivedReportEdit->text(), "59");
    QCOMPARE(m_entry->sentReportEdit->text(), "59");

    // The number fields take digits and a point only.
    QTest::keyClicks(m_entry->receivedNumberEdit, "1a2.b3");
    QCOMPARE(m_entry->receivedNumberEdit->text(), "12.3");
    m_entry->receivedNumberEdit->clear();

    // Ctrl+Shift+Enter does not save; Ctrl+X clears and goes back to the call.
    m_entry->callEdit->setEditText("UA3AAA");
    m_entry->receivedNumberEdit->setText("5");
    m_entry->locatorEdit->setText("KO95AA");
    QTest::keyClick(m_entry->locatorEdit, Qt::Key_Return, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(stored("COUNT(*)"), QVariantList{0});
    m_entry->locatorEdit->setFocus();
    m_entry->locatorEdit->selectAll();
    QTest::keyClick(m_entry->locatorEdit, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(m_entry->callEdit->currentText(), "");
    QCOMPARE(m_entry->locatorEdit->text(), "");
    QCOMPARE(m_entry->receivedNumberEdit->text(), "");
    QCOMPARE(QApplication::focusWidget(), m_entry->callEdit);

    // Enter runs round the four typed fields.
    m_entry->locatorEdit->setFocus();
    QTest::keyClick(m_entry->locatorEdit, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), m_entry->callEdit);
}

void TestEntry::emptyFieldGetsTheFocus()
{
    openWindow();
    chooseBand(0);
    chooseMode(1);
    m_entry->callEdit->setEditText("UA3AAA");
    m_entry->receivedNumberEdit->setText("5");
    m_entry->callEdit->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(QApplication::focusWidget(), m_entry->locatorEdit);
    QVERIFY(m_fakes->prompts.shown.empty());
    QCOMPARE(stored("COUNT(*)"), QVariantList{0});
}

void TestEntry::sortOrderKeepsTheCurrentContact()
{
    openWindow();
    chooseBand(0);
    chooseMode(1);
    for (int i = 1; i <= 5; ++i)
        typeContact(QString("UA3A%1").arg(i), "1", "KO95AA");
    QCOMPARE(m_log->caption(), "Список [5/5]");
    m_log->log().setCurrentRow(3); // newest first: the second contact
    QCOMPARE(m_log->caption(), "Список [2/5]");
    m_log->action("N19")->trigger(); // first contact on top
    QCOMPARE(m_window->state().SortOrder, "ASC");
    QCOMPARE(m_log->log().value("ContestListCall").toString(), "UA3A2");
    QCOMPARE(m_log->caption(), "Список [2/5]");
    QCOMPARE(m_file->column("SELECT SettingParamStr FROM Setting WHERE SettingName='GridOptionsSort'"),
             QVariantList{"ASC"});
    typeContact("UA3A6", "1", "KO95AA");
    QCOMPARE(m_log->caption(), "Список [6/6]");
    QCOMPARE(m_log->log().value("ContestListCall").toString(), "UA3A6");
    QCOMPARE(m_log->grid()->cursorModel()->displayText(5, LogView::CallColumn), "UA3A6");
    // The order holds at the next start.
    m_window->close();
    openWindow();
    QCOMPARE(m_window->state().SortOrder, "ASC");
    QVERIFY(m_log->action("N19")->isChecked());
    QCOMPARE(m_log->caption(), "Список [6/6]");
}

void TestEntry::numberDisplay()
{
    openWindow();
    chooseBand(0);
    chooseMode(1);
    typeContact("UA3AAA", "5", "KO95AA");
    CursorModel* model = m_log->grid()->cursorModel();
    QVERIFY(m_log->action("N22")->isChecked());
    QCOMPARE(model->displayText(0, LogView::ReceivedNumberColumn), "5");
    m_log->action("N23")->trigger();
    QCOMPARE(model->displayText(0, LogView::ReceivedNumberColumn), "005");
    QCOMPARE(model->displayText(0, LogView::SentNumberColumn), "001");
    QCOMPARE(m_file->column("SELECT SettingParamInt FROM Setting WHERE SettingName='GridOptionsNol'"),
             QVariantList{0});
}

void TestEntry::cellColours_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<DbValue>("mode");
    QTest::addColumn<DbValue>("azimuth");
    QTest::addColumn<QColor>("colour"); // invalid: the grid's own
    const QColor cyan(183, 255, 255), yellow(255, 255, 103), green(103, 255, 103), pink(255, 135, 195);
    QTest::newRow("SSB") << 1 << DbValue(1) << DbValue() << QColor(175, 255, 175);
    QTest::newRow("CW") << 1 << DbValue(2) << DbValue() << QColor(255, 175, 175);
    QTest::newRow("FM") << 1 << DbValue(6) << DbValue() << QColor(175, 175, 255);
    QTest::newRow("SSB/CW keeps the grid's") << 1 << DbValue(3) << DbValue() << QColor();
    QTest::newRow("sent") << 6 << DbValue(1) << DbValue() << QColor(255, 255, 205);
    QTest::newRow("received") << 7 << DbValue(1) << DbValue() << QColor(255, 215, 255);
    QTest::newRow("az 0") << 9 << DbValue() << DbValue(0) << cyan;
    QTest::newRow("az 44") << 9 << DbValue() << DbValue(44) << cyan;
    QTest::newRow("az 45") << 9 << DbValue() << DbValue(45) << green;
    QTest::newRow("az 135") << 9 << DbValue() << DbValue(135) << green;
    QTest::newRow("az 136") << 9 << DbValue() << DbValue(136) << yellow;
    QTest::newRow("az 225") << 9 << DbValue() << DbValue(225) << pink;
    QTest::newRow("az 315") << 9 << DbValue() << DbValue(315) << pink;
    QTest::newRow("az 316") << 9 << DbValue() << DbValue(316) << cyan;
    QTest::newRow("az 360") << 9 << DbValue() << DbValue(360) << cyan;
    QTest::newRow("az null") << 9 << DbValue() << DbValue() << QColor();
    QTest::newRow("call") << 2 << DbValue(1) << DbValue(90) << QColor();
}

void TestEntry::cellColours()
{
    QFETCH(int, column);
    QFETCH(DbValue, mode);
    QFETCH(DbValue, azimuth);
    QFETCH(QColor, colour);
    QCOMPARE(LogView::cellBackground(column, mode, azimuth).value_or(QColor()), colour);
}

void TestEntry::editorModeEditsAndRescores()
{
    openWindow();
    chooseBand(0);
    chooseMode(1);
    typeContact("UA3AAA", "5", "KO95AA");
    typeContact("UA3BBB", "6", "KO95AA");
    m_log->editorCheck()->click();
    DataGrid* grid = m_log->grid();
    CursorModel* model = grid->cursorModel();
    QVERIFY(!(model->flags(model->index(0, LogView::PointsColumn)) & Qt::ItemIsEditable));
    QVERIFY(model->flags(model->index(0, LogView::CallColumn)) & Qt::ItemIsEditable);
    QCOMPARE(model->displayText(0, LogView::TimeColumn), "15.07 10:00:00");

    // An edited locator is stored at once; re-scoring the row follows it.
    typeIntoCell(*grid, 0, LogView::LocatorColumn, "KO86AA");
    QCOMPARE(stored("ContestListQTH"), (QVariantList{"KO95AA", "KO86AA"}));
    m_log->prepareMenus();
    QCOMPARE(m_log->action("N9")->text(), "Пересчитать расстояние и очки у UA3BBB");
    m_log->action("N9")->trigger();
    QCOMPARE(stored("ContestListDistance"), (QVariantList{127.4, 111.1}));
    QCOMPARE(stored("ContestListResult"), (QVariantList{127, 111}));

    // A value the column cannot hold is refused; the grid shows what is stored.
    typeIntoCell(*grid, 0, LogView::ReceivedNumberColumn, "99999");
    QTRY_COMPARE(m_fakes->prompts.texts(ShownPrompt::Error).size(), 1); // once the editor is gone
    QCOMPARE(model->displayText(0, LogView::ReceivedNumberColumn), "6");
    QCOMPARE(m_log->caption(), "Список [2/2]");
}

// Under a zone far from UTC, a time opened in the grid's editor shows what the log holds
// and, committed unchanged, stays as it was; so does an empty time's default.
void TestEntry::timeEditedInTheGridStaysUtc()
{
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "Europe/Moscow");
    auto restoreZone = qScopeGuard([&] {
        if (zone.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", zone);
    });
    openWindow();
    chooseBand(0);
    chooseMode(1);
    typeContact("UA3AAA", "5", "KO95AA");
    typeContact("UA3BBB", "6", "KO95AA");
    const QVariantList before = stored("ContestListDateTime");
    m_log->editorCheck()->click();
    DataGrid* grid = m_log->grid();

    auto* editor = qobject_cast<QDateTimeEdit*>(openCellEditor(*grid, 1, LogView::TimeColumn));
    QVERIFY(editor);
    QCOMPARE(editor->text(), "15.07.2015 10:00:00");
    commitCellEditor(editor);
    QCOMPARE(stored("ContestListDateTime"), before);

    // A time the operator changes is stored as typed, in UTC.
    editor = qobject_cast<QDateTimeEdit*>(openCellEditor(*grid, 1, LogView::TimeColumn));
    QVERIFY(editor);
    editor->setSelectedSection(QDateTimeEdit::HourSection);
    QTest::keyClicks(editor, "11");
    commitCellEditor(editor);
    QCOMPARE(stored("ContestListDateTime").first().toDouble(), toDayCount(QDate(2015, 7, 15), QTime(11, 0)));

    m_file->sqlite("UPDATE ContestList SET ContestListDateTime=NULL WHERE ContestListCall='UA3BBB'");
    m_log->q1Set();
    const QDate today(2015, 7, 15); // the program's clock, not the computer's
    editor = qobject_cast<QDateTimeEdit*>(openCellEditor(*grid, 0, LogView::TimeColumn));
    QVERIFY(editor);
    QCOMPARE(editor->dateTime(), QDateTime(today, QTime(0, 0), Qt::UTC));
    commitCellEditor(editor);
    QCOMPARE(stored("ContestListDateTime").last().toDouble(), toDayCount(today, QTime(0, 0)));
}

void TestEntry::renameColumnKeepsApostrophes()
{
    openWindow();
    QHeaderView* titles = m_log->grid()->horizontalHeader();
    const QPoint title(titles->sectionViewportPosition(3) + titles->sectionSize(3) / 2, titles->height() / 2);
    auto clickTitle = [&](bool ctrl) {
        m_fakes->desktop.ctrl = ctrl; // the Ctrl state the desktop reports at the click
        QTest::mouseClick(titles->viewport(), Qt::LeftButton, ctrl ? Qt::ControlModifier : Qt::NoModifier,
                          title);
    };
    m_fakes->prompts.inputAnswers = {"QTH", "Лок'атор"};
    clickTitle(false);
    QVERIFY(m_fakes->prompts.shown.empty());
    clickTitle(true); // unchanged: nothing happens
    QCOMPARE(m_fakes->prompts.shown.size(), size_t(1));
    clickTitle(true);
    QCOMPARE(m_log->grid()->columnTitle(3), "Лок'атор");
    QCOMPARE(
        m_file->column("SELECT SettingParamStr FROM Setting WHERE SettingName='GridColumnTitleCaptionRu3'"),
        QVariantList{"Лок'атор"});
}

// The EDI field separator typed into a call or locator, in the entry panel or the grid,
// never reaches the log.
void TestEntry::separatorIsRefusedInCallAndLocator()
{
    openWindow();
    chooseBand(0);
    chooseMode(1);
    typeContact("UA3;BB", "1", "KO9;5AA");
    QCOMPARE(stored("ContestListCall"), QVariantList{"UA3BB"});
    QCOMPARE(stored("ContestListQTH"), QVariantList{"KO95AA"});

    m_log->editorCheck()->click();
    const int row = m_log->log().currentRow();
    typeIntoCell(*m_log->grid(), row, LogView::CallColumn, "UA3;CC");
    QTRY_COMPARE(m_fakes->prompts.texts(ShownPrompt::Error),
                 QStringList{"Знак \";\" и управляющие знаки в позывном и локаторе недопустимы."});
    QCOMPARE(stored("ContestListCall"), QVariantList{"UA3BB"});
    QCOMPARE(m_log->grid()->cursorModel()->displayText(row, LogView::CallColumn), "UA3BB");
}

void TestEntry::eraseBandLogBehindTheCode()
{
    openWindow();
    chooseBand(0);
    chooseMode(1);
    typeContact("UA3AAA", "5", "KO95AA");
    typeContact("UA3BBB", "5", "KO95AA");
    chooseBand(1);
    typeContact("UA3CCC", "5", "KO95AA");
    chooseBand(0);
    m_fakes->random.script = {7, 0, 2, 11, 1, 5, 0, 0, 0, 25, 1, 7, 3, 0, 1}; // "HLAZD"
    m_fakes->prompts.codeAnswers = {QString("hlazd")};
    m_log->action("N17")->trigger();
    QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Code), QStringList{"HLAZD"});
    QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Warning), QStringList{"Код введен не верно!"});
    QCOMPARE(stored("COUNT(*)"), QVariantList{3});

    m_fakes->prompts.clear();
    m_fakes->prompts.confirmAnswers = {false};
    m_log->action("N17")->trigger();
    QCOMPARE(stored("COUNT(*)"), QVariantList{3});
    m_log->action("N17")->trigger();
    QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Confirm).last(),
             "Удалить все записи в Полевой день в диапазоне 144 MHz ?");
    QCOMPARE(stored("ContestListCall"), QVariantList{"UA3CCC"});
    QCOMPARE(m_log->caption(), "Список [0/0]");
    QCOMPARE(m_entry->sentNumberEdit->text(), "1");
}

void TestEntry::navigatorDeleteFreesTheNumber()
{
    openWindow();
    chooseBand(0);
    chooseMode(1);
    typeContact("UA3AAA", "5", "KO95AA");
    typeContact("UA3BBB", "5", "KO95AA");
    QCOMPARE(m_entry->sentNumberEdit->text(), "3");
    m_fakes->prompts.confirmAnswers = {true};
    m_log->navigator()->button(DbNavigator::Delete)->click(); // the newest is current
    QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Confirm), QStringList{"Удалить запись?"});
    QCOMPARE(stored("ContestListCall"), QVariantList{"UA3AAA"});
    QCOMPARE(m_entry->sentNumberEdit->text(), "2");
    QCOMPARE(m_log->caption(), "Список [1/1]");
}

void TestEntry::doubleClickCopiesCallAndLocator()
{
    openWindow();
    chooseBand(0);
    chooseMode(1);
    typeContact("UA3AAA", "5", "KO95AA");
    DataGrid* grid = m_log->grid();
    const QRect cell = grid->visualRect(grid->cursorModel()->index(0, LogView::CallColumn));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(m_entry->callEdit->currentText(), "UA3AAA");
    QCOMPARE(m_entry->locatorEdit->text(), "KO95AA");
}

void TestEntry::rowWithoutNumberDoesNotStopTheNextSave()
{
    openWindow();
    chooseBand(0);
    chooseMode(1);
    typeContact("UA3AAA", "5", "KO95AA");
    // A row without a number, as an older log may hold.
    m_file->sqlite("UPDATE ContestList SET ContestListSendNum=NULL");
    m_log->q1Set();
    typeContact("UA3BBB", "6", "KO95AA");
    QCOMPARE(m_fakes->prompts.texts(), QStringList());
    QCOMPARE(m_entry->callEdit->currentText(), "");
    QCOMPARE(m_log->log().rowCount(), 2);
    QCOMPARE(m_log->log().value("ContestListCall").toString(), "UA3BBB");
}

void TestEntry::findInTheCurrentColumn()
{
    openWindow();
    chooseBand(0);
    chooseMode(1);
    for (const char* call : {"UA3AAA", "UA3BBB", "RK3CCC", "UA3BXX"})
        typeContact(call, "5", "KO95AA");
    // Newest first: UA3BXX, RK3CCC, UA3BBB, UA3AAA; the newest is current.
    DataGrid* grid = m_log->grid();
    const QRect cell = grid->visualRect(grid->cursorModel()->index(0, LogView::CallColumn));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    auto call = [&] { return m_log->log().value("ContestListCall").toString(); };

    m_fakes->prompts.askAnswers = {QString("ua3b")};
    QTest::keyClick(grid, Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(call(), "UA3BBB");
    QCOMPARE(m_fakes->prompts.shown.back().text, "Поиск|Найти в колонке \"Позывной\":");
    // Again: the same text is offered and the search goes on, round to the top.
    QTest::keyClick(grid, Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(m_fakes->prompts.shown.back().details, "ua3b");
    QCOMPARE(call(), "UA3BXX");
    QCOMPARE(m_log->caption(), "Список [4/4]");

    m_fakes->prompts.askAnswers = {QString("ZZ"), std::nullopt};
    QTest::keyClick(grid, Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Information), QStringList{"Текст \"ZZ\" не найден."});
    QTest::keyClick(grid, Qt::Key_F, Qt::ControlModifier); // cancelled: nothing moves
    QCOMPARE(call(), "UA3BXX");
}

void TestEntry::columnHintStaysUpForTheHintTime()
{
    openWindow();
    QHeaderView* titles = m_log->grid()->horizontalHeader();
    const QPoint title(titles->sectionViewportPosition(LogView::CallColumn) + 5, titles->height() / 2);
    QHelpEvent help(QEvent::ToolTip, title, titles->viewport()->mapToGlobal(title));
    QApplication::sendEvent(titles->viewport(), &help);
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), "Позывной корреспондента");
    QTest::qWait(10500); // past the toolkit's own ten seconds
    QVERIFY(QToolTip::isVisible());
    QToolTip::hideText();
}

void TestEntry::saveWithoutAContestIsRefused_data()
{
    QTest::addColumn<QString>("beforeStart");
    QTest::addColumn<QString>("afterStart");
    QTest::newRow("none chosen") << "UPDATE Contest SET ContestActual=0"
                                 << "";
    QTest::newRow("chosen, then deleted") << ""
                                          << "DELETE FROM Contest WHERE ContestRowid=1";
}

void TestEntry::saveWithoutAContestIsRefused()
{
    QFETCH(QString, beforeStart);
    QFETCH(QString, afterStart);
    if (!beforeStart.isEmpty())
        m_file->sqlite(beforeStart);
    openWindow();
    if (!afterStart.isEmpty())
        m_file->sqlite(afterStart);
    chooseBand(0);
    chooseMode(1);
    typeContact("UA3AAA", "5", "KO95AA");
    QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Warning), QStringList{noContestText()});
    QVERIFY(noContestText().contains("\"Соревнования\"") && noContestText().contains("F3"));
    QCOMPARE(stored("COUNT(*)"), QVariantList{0});
    QCOMPARE(m_entry->callEdit->currentText(), "UA3AAA");
    QCOMPARE(m_entry->receivedReportEdit->text(), "59");
    QCOMPARE(m_entry->receivedNumberEdit->text(), "5");
    QCOMPARE(m_entry->locatorEdit->text(), "KO95AA");
    QCOMPARE(m_entry->sentNumberEdit->text(), "1");
    QCOMPARE(m_log->log().rowCount(), 0);
}

QString TestEntry::passForBackup(int seconds)
{
    auto* backup = m_window->findChild<LogBackup*>();
    if (!backup)
        return "no backup";
    QSignalSpy copied(backup, &LogBackup::copied);
    m_fakes->clock.current = m_fakes->clock.current.addSecs(seconds);
    backup->checkSchedule();
    if (!QTest::qWaitFor([&] { return !backup->copying(); }, 30000))
        return "copy not finished";
    return copied.isEmpty() ? QString() : copied.first().first().toString();
}

void TestEntry::backupsFollowTheSession()
{
    openWindow();
    chooseBand(0);
    chooseMode(1);
    typeContact("UA3AAA", "5", "KO95AA");
    const QString first = passForBackup(5 * 60);
    QCOMPARE(QFileInfo(first).absolutePath(), m_file->folder() + "/backups");
    typeContact("UA3BBB", "6", "KO95AB");
    m_fakes->clock.current = m_fakes->clock.current.addSecs(60);
    m_window->close(); // the last copy of the session
    const QStringList copies =
        QDir(m_file->folder() + "/backups").entryList({"Kovra-*Z.db"}, QDir::Files, QDir::Name);
    QCOMPARE(copies.size(), 2);
    QCOMPARE(copies.first(), QFileInfo(first).fileName());
    for (const QString& name : copies) {
        QProcess client;
        client.start("sqlite3",
                     {m_file->folder() + "/backups/" + name,
                      "PRAGMA integrity_check; SELECT group_concat(ContestListCall) FROM ContestList"});
        QVERIFY(client.waitForFinished(30000));
        QCOMPARE(QString::fromUtf8(client.readAllStandardOutput()).trimmed(),
                 name == copies.first() ? "ok\nUA3AAA" : "ok\nUA3AAA,UA3BBB");
    }
}

void TestEntry::aSessionWithoutChangesLeavesNoCopy()
{
    openWindow();
    m_window->close(); // stores the window's settings, which need no copy
    QVERIFY(QDir(m_file->folder() + "/backups").entryList({"Kovra-*Z.db"}, QDir::Files).isEmpty());
}

void TestEntry::aFailedBackupIsSaidInTheHintBar()
{
    QFile plain(m_file->folder() + "/plain");
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    m_file->sqlite("INSERT INTO Setting (SettingName, SettingParamStr) VALUES ('BackupFolder', '" +
                   plain.fileName() + "/backups')");
    openWindow();
    chooseBand(0);
    chooseMode(1);
    typeContact("UA3AAA", "5", "KO95AA");
    QCOMPARE(passForBackup(5 * 60), QString());
    QVERIFY2(m_log->hintBar()->text().startsWith("Резервная копия журнала не сделана: "),
             qPrintable(m_log->hintBar()->text()));
    QVERIFY(m_fakes->prompts.shown.empty()); // no box in the operator's way
    typeContact("UA3BBB", "6", "KO95AB");    // logging goes on
    QCOMPARE(stored("ContestListCall"), (QVariantList{"UA3AAA", "UA3BBB"}));
}

QTEST_MAIN(TestEntry)
#include "tst_entry.moc"
