#include "app/logview.h"
#include "app/tfmain.h"
#include "config/tfband.h"
#include "controls/datagrid.h"
#include "controls/dbnavigator.h"
#include "controls/pickcombobox.h"
#include "logging/entrypanel.h"
#include "store/logstore.h"
#include "support/windowtest.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QToolButton>
#include <QtTest>

// The bands window from F4: the factor is edited and used by the next contacts, the set of
// bands stays fixed, the window keeps its size and columns.
class TestBands : public WindowTest
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void opensAtItsPlaceWithTheStoredColumns();
    void factorIsUsedByTheNextContact();
    void bandsCanBeNeitherAddedNorRemoved();
    void aTransverterOffsetIsTyped();

private:
    void openBands(std::function<void(Tfband*)> act);
};

void TestBands::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::Russian));
}

void TestBands::init()
{
    prepare("INSERT INTO Contest (ContestRowid, ContestName, ContestActual) VALUES (1, 'Полевой день', 1);"
            "UPDATE SettingInfo SET SettingInfoValue='KO85AA' WHERE SettingInfoN='PWWLo';");
}

void TestBands::cleanup()
{
    release();
}

void TestBands::openBands(std::function<void(Tfband*)> act)
{
    inModal<Tfband>([&] { QTest::keyClick(m_window.get(), Qt::Key_F4); }, act);
}

void TestBands::opensAtItsPlaceWithTheStoredColumns()
{
    m_file->sqlite("UPDATE Setting SET SettingParamInt=3 WHERE SettingName='GridBandColumnWidth1'");
    openWindow();
    openBands([&](Tfband* window) {
        QCOMPARE(window->pos(), QPoint(456, 308));
        QCOMPARE(window->size(), QSize(455, 334));
        QCOMPARE(window->frame()->title(), "Диапазоны [1/7]");
        QCOMPARE(window->grid()->columnWidth(0), 70);
        QCOMPARE(window->grid()->columnWidth(1), 10); // a stored 3
        QCOMPARE(window->grid()->columnTitle(2), "Очков|за 1 км");
        QCOMPARE(window->grid()->cursorModel()->displayText(4, 0), "5,7 GHz");
        window->resize(500, 400);
        window->grid()->setColumnWidth(2, 120);
    });
    QCOMPARE(m_file->column("SELECT SettingParamInt FROM Setting WHERE SettingName IN ('BandFormHeight', "
                            "'BandFormWidth', 'GridBandColumnWidth2') ORDER BY SettingName"),
             (QVariantList{400, 500, 120}));
}

void TestBands::factorIsUsedByTheNextContact()
{
    openWindow();
    openBands([&](Tfband* window) {
        DataGrid* grid = window->grid();
        typeIntoCell(*grid, 1, 2, "3"); // 432 MHz
        // The name and the frequencies are not edited.
        QVERIFY(!(grid->cursorModel()->flags(grid->cursorModel()->index(1, 0)) & Qt::ItemIsEditable));
        QVERIFY(!(grid->cursorModel()->flags(grid->cursorModel()->index(1, 1)) & Qt::ItemIsEditable));
    });
    QCOMPARE(m_file->column("SELECT BandPoint1km FROM Band WHERE BandRowid=432"), QVariantList{3.0});
    EntryPanel* entry = m_window->entryPanel();
    chooseInList(entry->bandList, 1);
    chooseInList(entry->modeList, 1);
    entry->callEdit->setFocus();
    typeText(entry->callEdit, "UA3AAA");
    entry->receivedNumberEdit->setText("1");
    typeText(entry->locatorEdit, "KO95AA");
    QTest::keyClick(entry->locatorEdit, Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(m_file->column("SELECT ContestListResult FROM ContestList"), QVariantList{382}); // 127.4 km x 3
}

void TestBands::bandsCanBeNeitherAddedNorRemoved()
{
    openWindow();
    openBands([&](Tfband* window) {
        DbNavigator* navigator = window->navigator();
        QVERIFY(!navigator->button(DbNavigator::Insert)->isVisibleTo(window));
        QVERIFY(!navigator->button(DbNavigator::Delete)->isVisibleTo(window));
        QVERIFY(navigator->button(DbNavigator::Edit)->isVisibleTo(window));
        // The keys a grid would insert or delete with do nothing here.
        const QRect cell = window->grid()->visualRect(window->grid()->model()->index(0, 0));
        QTest::mouseClick(window->grid()->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::keyClick(window->grid(), Qt::Key_Insert);
        QTest::keyClick(window->grid(), Qt::Key_Delete, Qt::ControlModifier);
        navigator->click(DbNavigator::Delete);
        QVERIFY_THROWS_NO_EXCEPTION(window->bands().remove());
    });
    QCOMPARE(m_file->column("SELECT COUNT(*) FROM Band"), QVariantList{7});
    QVERIFY(m_fakes->prompts.shown.empty());
}

void TestBands::aTransverterOffsetIsTyped()
{
    m_file->sqlite("UPDATE Band SET BandTransverterOffset=NULL WHERE BandRowid=2300"); // as a log may hold it
    openWindow();
    openBands([&](Tfband* window) {
        DataGrid* grid = window->grid();
        QCOMPARE(grid->columnTitle(3), "Трансвертер|сдвиг, МГц");
        QCOMPARE(grid->cursorModel()->displayText(2, 3), "0");
        typeIntoCell(*grid, 2, 3, "1152");  // 1,3 GHz through a 144 MHz rig
        typeIntoCell(*grid, 3, 3, "2 GHz"); // not a number: refused, the cell stays empty
        QTRY_COMPARE(m_fakes->prompts.texts(ShownPrompt::Error).size(), 1);
    });
    QCOMPARE(m_file->column("SELECT BandTransverterOffset FROM Band WHERE BandRowid IN (1300, 2300) "
                            "ORDER BY BandRowid"),
             (QVariantList{1152.0, QVariant()}));
    QVERIFY2(m_fakes->prompts.texts(ShownPrompt::Error).first().contains("BandTransverterOffset: число"),
             qPrintable(m_fakes->prompts.texts().join(" | ")));
}

QTEST_MAIN(TestBands)
#include "tst_bands.moc"
