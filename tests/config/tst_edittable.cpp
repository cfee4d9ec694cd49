#include "app/systemservices.h"
#include "app/tfmain.h"
#include "config/tfedittable.h"
#include "controls/datagrid.h"
#include "controls/dbnavigator.h"
#include "platform/services.h"
#include "store/logstore.h"
#include "support/windowtest.h"

#include <QMessageBox>

#include <QHeaderView>
#include <QToolButton>
#include <QtTest>

// The reference-table editor over the tables the personal data name: the key hidden, the
// columns sized by type and titled from the settings, saves reported, Esc saving nothing.
class TestEditTable : public WindowTest
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void columnsOfTheGradeTable();
    void aFieldWithoutSettingsKeepsItsName();
    void savesAreReportedAndEscapeSavesNothing();
    void closeBoxSavesNoOpenEdit();
    void refusedEditShowsARealBoxAndTheGridGoesOn();
    void findSearchesAShownColumn();

private:
    std::unique_ptr<Tfedittable> openEditor(const QString& query);
    int m_changes = 0;
};

void TestEditTable::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::Russian));
}

void TestEditTable::init()
{
    prepare();
    m_changes = 0;
}

void TestEditTable::cleanup()
{
    release();
}

std::unique_ptr<Tfedittable> TestEditTable::openEditor(const QString& query)
{
    auto editor = std::make_unique<Tfedittable>(
        *m_store, m_fakes->services, query, [this] { ++m_changes; }, m_window.get());
    editor->show();
    QApplication::setActiveWindow(editor.get());
    return editor;
}

void TestEditTable::columnsOfTheGradeTable()
{
    openWindow();
    auto editor = openEditor("SELECT * FROM Grade");
    DataGrid* grid = editor->grid();
    QCOMPARE(editor->windowTitle(), "Редактор табличных данных");
    QVERIFY(isCentredOn(*editor, *m_window));
    QVERIFY(grid->isColumnHidden(0));
    QCOMPARE(grid->columnTitle(1), "Звание|Полное");
    QCOMPARE(grid->columnTitle(2), "Звание|Сокращенное");
    QCOMPARE(grid->columnTitle(3), "Код для отправки");
    QCOMPARE(grid->columnWidth(1), 210);
    QCOMPARE(grid->columnWidth(3), 70);
    QCOMPARE(grid->model()->headerData(1, Qt::Horizontal, Qt::ToolTipRole).toString(),
             "Полное название звания");
    QCOMPARE(grid->model()->headerData(3, Qt::Horizontal, Qt::ToolTipRole).toString(),
             "То что отправляется в EDI файле");
    // One upper title "Звание" over the two name columns; the code stands alone.
    QCOMPARE(grid->titleGroup(1), std::make_pair(1, 2));
    QCOMPARE(grid->titleGroup(2), std::make_pair(1, 2));
    QCOMPARE(grid->titleGroup(3), std::make_pair(3, 3));
}

void TestEditTable::aFieldWithoutSettingsKeepsItsName()
{
    m_file->sqlite("CREATE TABLE Extra (ExtraRowid INTEGER PRIMARY KEY, Note TEXT(40), Amount INT);"
                   "INSERT INTO Extra (Note, Amount) VALUES ('первая', 1);");
    openWindow();
    auto editor = openEditor("SELECT * FROM [Extra]");
    QCOMPARE(editor->grid()->columnTitle(1), "Note");
    QCOMPARE(editor->grid()->model()->headerData(1, Qt::Horizontal, Qt::ToolTipRole), QVariant());
    QCOMPARE(editor->grid()->columnWidth(2), 70);
    QCOMPARE(editor->grid()->cursorModel()->displayText(0, 1), "первая");
}

void TestEditTable::savesAreReportedAndEscapeSavesNothing()
{
    openWindow();
    auto editor = openEditor("SELECT * FROM Country");
    const QVariant before = m_file->column("SELECT COUNT(*) FROM Country").first();
    // Browsing reports nothing.
    editor->navigator()->button(DbNavigator::Next)->click();
    QCOMPARE(m_changes, 0);

    editor->navigator()->button(DbNavigator::Insert)->click();
    typeIntoCell(*editor->grid(), editor->rows().currentRow(), 1, "Гондвана");
    editor->navigator()->button(DbNavigator::Post)->click();
    QCOMPARE(m_changes, 1);
    QCOMPARE(m_file->column("SELECT COUNT(*) FROM Country WHERE CountryName='Гондвана'"), QVariantList{1});

    // A row typed but not saved goes with Esc, pressed in the open cell editor.
    editor->navigator()->button(DbNavigator::Insert)->click();
    QWidget* cell = openCellEditor(*editor->grid(), editor->rows().currentRow(), 1);
    typeText(cell, "Атлантида");
    QTest::keyClick(cell, Qt::Key_Escape);
    QVERIFY(!editor->isVisible());
    QCOMPARE(editor->result(), int(QDialog::Rejected));
    QApplication::processEvents();
    QCOMPARE(m_changes, 1);
    QCOMPARE(m_file->column("SELECT COUNT(*) FROM Country").first().toInt(), before.toInt() + 1);
}

void TestEditTable::closeBoxSavesNoOpenEdit()
{
    openWindow();
    auto editor = openEditor("SELECT * FROM Country");
    QWidget* cell = openCellEditor(*editor->grid(), 0, 1);
    typeText(cell, "Лемурия");
    editor->close();
    QApplication::processEvents();
    QCOMPARE(m_changes, 0);
    QCOMPARE(m_file->column("SELECT COUNT(*) FROM Country WHERE CountryName LIKE '%Лемурия%'"),
             QVariantList{0});
}

// A value the database refuses, typed in the cell's own editor and committed with Enter: the
// real box comes once the editor is gone (a box inside the editor's hand-over used to leave
// the view holding a destroyed editor), the row keeps what is stored, and the grid goes on.
void TestEditTable::refusedEditShowsARealBoxAndTheGridGoesOn()
{
    m_file->sqlite(
        "CREATE TABLE Extra (ExtraRowid INTEGER PRIMARY KEY, Note TEXT(5) CHECK (length(Note) <= 5));"
        "INSERT INTO Extra (Note) VALUES ('Крым');");
    openWindow();
    WidgetPrompts boxes;
    const Services services{boxes, m_fakes->clock, m_fakes->desktop, m_fakes->random};
    Tfedittable editor(
        *m_store, services, "SELECT * FROM Extra", [] {}, m_window.get());
    editor.show();
    QApplication::setActiveWindow(&editor);

    QStringList shown;
    whenModalOpens([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY(box);
        shown << box->text();
        box->accept();
    });
    typeIntoCell(*editor.grid(), 0, 1, "Гондвана"); // the column holds five letters
    QTRY_COMPARE(shown.size(), 1);
    QCOMPARE(m_file->column("SELECT Note FROM Extra"), QVariantList{"Крым"});
    QCOMPARE(editor.grid()->cursorModel()->displayText(0, 1), "Крым");
    QApplication::setActiveWindow(&editor); // as a window manager gives it back after the box

    typeIntoCell(*editor.grid(), 0, 1, "Гоа");
    QCOMPARE(m_file->column("SELECT Note FROM Extra"), QVariantList{"Гоа"});
    QCOMPARE(shown.size(), 1);
}

// Ctrl+F with the current cell never on the hidden key: it searches the names.
void TestEditTable::findSearchesAShownColumn()
{
    openWindow();
    auto editor = openEditor("SELECT * FROM Country");
    m_fakes->prompts.askAnswers.push_back(QString("Гана"));
    QTest::keyClick(editor->grid(), Qt::Key_F, Qt::ControlModifier);
    QVERIFY2(m_fakes->prompts.texts(ShownPrompt::Ask).join(" ").contains("Название страны"),
             qPrintable(m_fakes->prompts.texts().join(" | ")));
    QCOMPARE(editor->grid()->cursorModel()->displayText(editor->rows().currentRow(), 1), "Гана");
}

QTEST_MAIN(TestEditTable)
#include "tst_edittable.moc"
