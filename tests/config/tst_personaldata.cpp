#include "app/contactentry.h"
#include "app/tfmain.h"
#include "config/tfedittable.h"
#include "config/tfoptions2.h"
#include "controls/datagrid.h"
#include "controls/dbnavigator.h"
#include "controls/pickcombobox.h"
#include "logging/entrypanel.h"
#include "logging/locator.h"
#include "store/logstore.h"
#include "support/windowtest.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

// The personal data window from F2, worked as an operator works it: rows built from the
// personal data, lists stored as positions, the main window following a save, and the
// reference tables edited behind the ".." buttons.
class TestPersonalData : public WindowTest
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void savedDataIsUsedAtOnceAndShownAgain();
    void closeBoxDiscardsWhatWasTyped();
    void rowsFollowTheFontSizeAndMarkRequiredOnes();
    void multiOperatorStationEnablesTheOperatorRows_data();
    void multiOperatorStationEnablesTheOperatorRows();
    void anEditedCountryListKeepsTheChosenCountry();
    void typingInTheEditorNeverReachesTheKey_data();
    void typingInTheEditorNeverReachesTheKey();
    void missingCompanionKeyIsMadeAndOddPositionsSelectNothing();

private:
    // F2; `act` works the window while it is up.
    void openPersonalData(std::function<void(Tfoptions2*)> act);
};

void TestPersonalData::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::Russian));
}

void TestPersonalData::init()
{
    prepare("INSERT INTO Contest (ContestRowid, ContestName, ContestActual) VALUES (1, 'Полевой день', 1);"
            "INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('LastBand', 0), ('LastMod', 1);");
}

void TestPersonalData::cleanup()
{
    release();
}

void TestPersonalData::openPersonalData(std::function<void(Tfoptions2*)> act)
{
    inModal<Tfoptions2>([&] { QTest::keyClick(m_window.get(), Qt::Key_F2); }, act);
}

void TestPersonalData::savedDataIsUsedAtOnceAndShownAgain()
{
    openWindow();
    QString country;
    openPersonalData([&](Tfoptions2* window) {
        QCOMPARE(window->windowTitle(), "Личные данные");
        QVERIFY(isCentredOn(*window, *m_window));
        QCOMPARE(QApplication::focusWidget(), window->field("PCall"));
        typeText(window->field("PCall"), "ua3abc");
        QCOMPARE(window->field("PCall")->text(), "UA3ABC");
        typeText(window->field("PWWLo"), "ko85uu");
        chooseInList(window->list(0), 2);
        chooseInList(window->list(1), 5);
        country = window->list(1)->currentText();
        chooseInList(window->list(2), 3);  // grade of the responsible operator
        chooseInList(window->list(3), 75); // born 1990
        QTest::mouseClick(window->saveButton(), Qt::LeftButton);
        QVERIFY(window->isVisible()); // the window stays
    });
    QCOMPARE(m_window->windowTitle(), "Полевой день / UA3ABC из KO85UU");
    auto value = [&](const char* key) {
        return m_file->column(
            QString("SELECT SettingInfoValue FROM SettingInfo WHERE SettingInfoN='%1'").arg(key));
    };
    QCOMPARE(value("PCall"), QVariantList{"UA3ABC"});
    QCOMPARE(value("PSect"), QVariantList{"2"});
    QCOMPARE(value("RCoun"), QVariantList{"5"});
    QCOMPARE(value("RNameGrade"), QVariantList{"3"});
    QCOMPARE(value("RNameYearOfBirth"), QVariantList{"75"});

    // The next contact is measured from the new locator.
    EntryPanel* entry = m_window->entryPanel();
    entry->callEdit->setFocus();
    typeText(entry->callEdit, "RK3AAA");
    entry->receivedNumberEdit->setText("1");
    typeText(entry->locatorEdit, "KO95AA");
    QTest::keyClick(entry->locatorEdit, Qt::Key_Return, Qt::ControlModifier);
    int azimuth = 0;
    double distance = 0;
    LocatorAzimuthDistance("KO85UU", "KO95AA", azimuth, distance);
    QCOMPARE(m_file->column("SELECT ContestListDistance FROM ContestList"), QVariantList{distance});

    openPersonalData([&](Tfoptions2* window) {
        QCOMPARE(window->field("PWWLo")->text(), "KO85UU");
        QCOMPARE(window->list(0)->currentIndex(), 2);
        QCOMPARE(window->list(1)->currentText(), country);
        QCOMPARE(window->list(2)->currentIndex(), 3);
        QCOMPARE(window->list(3)->currentText(), "1990");
    });
}

void TestPersonalData::closeBoxDiscardsWhatWasTyped()
{
    openWindow();
    openPersonalData([&](Tfoptions2* window) {
        typeText(window->field("PClub"), "RK3A");
        window->resize(600, 420);
        window->close();
    });
    QCOMPARE(m_file->column("SELECT SettingInfoValue FROM SettingInfo WHERE SettingInfoN='PClub'"),
             QVariantList{""});
    // Only the size is kept.
    QCOMPARE(m_file->column("SELECT SettingParamInt FROM Setting WHERE SettingName IN ('SettingFormHeight', "
                            "'SettingFormWidth') ORDER BY SettingName"),
             (QVariantList{420, 600}));
    openPersonalData([&](Tfoptions2* window) { QCOMPARE(window->field("PClub")->text(), ""); });
}

void TestPersonalData::rowsFollowTheFontSizeAndMarkRequiredOnes()
{
    openWindow();
    m_window->applyFontSize(); // size 8, as 50 ms after the start
    openPersonalData([&](Tfoptions2* window) {
        const QStringList keys = window->keys();
        QCOMPARE(keys.mid(0, 3), (QStringList{"PCall", "PWWLo", "PSect"}));
        QCOMPARE(window->label("PCall")->y(), 16);
        QCOMPARE(window->label("PWWLo")->y(), 35);
        QCOMPARE(window->label("PSect")->y(), 54);
        QCOMPARE(window->field("PCall")->y(), 13);
        QCOMPARE(window->label("PCall")->geometry().right() + 1, 260);
        QCOMPARE(window->field("PCall")->palette().color(QPalette::Base), QColor(255, 215, 215));
        QVERIFY(window->field("PClub")->palette().color(QPalette::Base) != QColor(255, 215, 215));
        QVERIFY(window->field("PSect")->isHidden());
        QCOMPARE(window->list(0)->x(), 270);
        QCOMPARE(window->listButton(0)->text(), "..");
        // Every row lies within what the window shows and scrolls.
        QVERIFY(window->field("PCall")->parentWidget()->width() > window->field("PCall")->geometry().right());
    });
}

void TestPersonalData::multiOperatorStationEnablesTheOperatorRows_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("multi");
    QTest::newRow("M") << "MULTI-OP" << true;
    QTest::newRow("m") << "multi, lower case" << true;
    QTest::newRow("Cyrillic М is not M") << "Многооператорная" << false;
    QTest::newRow("S") << "SINGLE-OP" << false;
}

void TestPersonalData::multiOperatorStationEnablesTheOperatorRows()
{
    QFETCH(QString, name);
    QFETCH(bool, multi);
    m_file->sqlite(QString("INSERT INTO StationType (StationTypeRowid, StationTypeName) VALUES (100, '%1');"
                           "UPDATE SettingInfo SET SettingInfoValue='Иванов' WHERE SettingInfoN='MOpe1';")
                       .arg(name));
    openWindow();
    openPersonalData([&](Tfoptions2* window) {
        chooseInList(window->list(0), window->list(0)->count() - 1);
        QCOMPARE(window->list(0)->currentText(), name);
        QCOMPARE(window->field("MOpe1")->isEnabled(), multi);
        QCOMPARE(window->label("MOpe2")->isEnabled(), multi);
        QCOMPARE(window->list(4)->isEnabled(), multi);
        QCOMPARE(window->list(7)->isEnabled(), multi);
        QVERIFY(window->listButton(4)->isEnabled());
        QCOMPARE(window->field("MOpe1")->text(), "Иванов"); // kept either way
    });
}

void TestPersonalData::anEditedCountryListKeepsTheChosenCountry()
{
    openWindow();
    QString chosen;
    openPersonalData([&](Tfoptions2* window) {
        chosen = window->list(1)->currentText();
        QVERIFY(!chosen.isEmpty());
        bool edited = false;
        whenModalOpens([&](QWidget* modal) {
            auto* editor = qobject_cast<Tfedittable*>(modal);
            QVERIFY(editor);
            edited = true;
            editor->navigator()->button(DbNavigator::Insert)->click();
            typeIntoCell(*editor->grid(), editor->rows().currentRow(), 1, "Аааландия"); // sorts first
            editor->navigator()->button(DbNavigator::Post)->click();
            QTest::keyClick(editor, Qt::Key_Escape);
        });
        QTest::mouseClick(window->listButton(1), Qt::LeftButton);
        QVERIFY(edited);
        QVERIFY(!window->isVisible()); // closed, to be built anew
    });
    QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Information),
             QStringList{"Внимание! Были внесены изменения в стравочники.\n\r\n\r"
                         "Форма \"Личные данные\" сейчас закроется.\n\rОткройте ее заново (F2)."});
    openPersonalData([&](Tfoptions2* window) { QCOMPARE(window->list(1)->currentText(), chosen); });
}

// The editor opens with no cell clicked: what the operator types goes into the name, never
// into the hidden key, whether a row was added with "+" first or not.
void TestPersonalData::typingInTheEditorNeverReachesTheKey_data()
{
    QTest::addColumn<bool>("insertFirst");
    QTest::newRow("typed at once") << false;
    QTest::newRow("typed after +") << true;
}

void TestPersonalData::typingInTheEditorNeverReachesTheKey()
{
    QFETCH(bool, insertFirst);
    const QString keysBefore = "SELECT CountryRowid || '=' || CountryName FROM Country ORDER BY CountryRowid";
    const QVariantList before = m_file->column(keysBefore);
    const QVariant highestKey = m_file->column("SELECT MAX(CountryRowid) FROM Country").first();
    openWindow();
    QString chosen;
    openPersonalData([&](Tfoptions2* window) {
        chooseInList(window->list(1), 3);
        chosen = window->list(1)->currentText();
        QTest::mouseClick(window->saveButton(), Qt::LeftButton);
    });
    QVariant firstKey;
    openPersonalData([&](Tfoptions2* window) {
        whenModalOpens([&](QWidget* modal) {
            auto* editor = qobject_cast<Tfedittable*>(modal);
            QVERIFY(editor);
            firstKey = editor->rows().value(QStringLiteral("CountryRowid")).toInt();
            if (insertFirst)
                editor->navigator()->button(DbNavigator::Insert)->click();
            typeAtFocus("Гондвана");
            commitCellEditor(QApplication::focusWidget());
            editor->navigator()->button(DbNavigator::Post)->click();
            QVERIFY2(m_fakes->prompts.shown.empty(), qPrintable(m_fakes->prompts.texts().join(" | ")));
            QTest::keyClick(editor, Qt::Key_Escape);
        });
        QTest::mouseClick(window->listButton(1), Qt::LeftButton);
    });
    // Every key as it was: a new row under a fresh key, or the first row renamed under its own.
    QVariantList expected = before;
    const QString firstName = before.first().toString().section('=', 1);
    if (insertFirst)
        expected << QString("%1=Гондвана").arg(highestKey.toInt() + 1);
    else
        expected.first() = QString("%1=Гондвана").arg(firstKey.toInt());
    QCOMPARE(m_file->column(keysBefore), expected);
    // The personal data still name the country chosen before.
    openPersonalData([&](Tfoptions2* window) {
        QCOMPARE(window->list(1)->currentText(), !insertFirst && chosen == firstName ? "Гондвана" : chosen);
    });
}

void TestPersonalData::missingCompanionKeyIsMadeAndOddPositionsSelectNothing()
{
    m_file->sqlite("DELETE FROM SettingInfo WHERE SettingInfoN='RNameGrade';"
                   "UPDATE SettingInfo SET SettingInfoValue='две' WHERE SettingInfoN='PSect';"
                   "UPDATE SettingInfo SET SettingInfoValue='-1' WHERE SettingInfoN='RCoun';");
    openWindow();
    openPersonalData([&](Tfoptions2* window) {
        QCOMPARE(window->list(0)->currentIndex(), -1);
        QCOMPARE(window->list(1)->currentIndex(), -1);
        QCOMPARE(window->list(2)->currentIndex(), -1);
        chooseInList(window->list(2), 4);
        QTest::mouseClick(window->saveButton(), Qt::LeftButton);
    });
    QCOMPARE(m_file->column("SELECT SettingInfoValue FROM SettingInfo WHERE SettingInfoN='RNameGrade'"),
             QVariantList{"4"});
    QVERIFY(m_fakes->prompts.shown.empty());
}

QTEST_MAIN(TestPersonalData)
#include "tst_personaldata.moc"
