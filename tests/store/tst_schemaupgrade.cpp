#include "store/logstore.h"
#include "store/schemaupgrade.h"
#include "support/fakes.h"
#include "support/tempdatabase.h"

#include <QtTest>

// The upgrade that completes a log written by an earlier version, at every start.
class TestSchemaUpgrade : public QObject
{
    Q_OBJECT
private slots:
    void upToDateLogShowsNothing();
    void oldLogIsCompletedStepByStep();
    void twoBandsNamedWithAPointAreLeftAlone();
    void theModeColumnIsWidenedOnce_data();
    void theModeColumnIsWidenedOnce();

private:
    static QString schemaOf(const TempDatabase& file);
    static QVariantList settingNames(const TempDatabase& file);
    static void makeOld(const TempDatabase& file);
};

QString TestSchemaUpgrade::schemaOf(const TempDatabase& file)
{
    QStringList lines;
    for (const QVariant& table :
         file.column("SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE "
                     "'sqlite%' ORDER BY name")) {
        QStringList columns;
        for (const QVariant& c : file.column(
                 QString("SELECT name || ':' || type FROM pragma_table_info('%1')").arg(table.toString())))
            columns << c.toString();
        lines << table.toString() + "(" + columns.join(',') + ")";
    }
    return lines.join('\n');
}

QVariantList TestSchemaUpgrade::settingNames(const TempDatabase& file)
{
    return file.column(
        "SELECT SettingName || '=' || COALESCE(SettingParamStr, SettingParamInt, '') FROM Setting "
        "ORDER BY SettingName");
}

// What a log of the first versions lacks: file numbers, periods, grade codes, the viewer's
// table, band names with a comma, the captions of the fifth step, what a rig needs (the bands'
// transverter offsets, the contacts' frequency in the log's index, the offsets' column), what
// sharing needs, the table of imported calls, the digital modes with each mode's EDI code and
// the list of unsaved digital contacts, and a mode column wide enough for them.
void TestSchemaUpgrade::makeOld(const TempDatabase& file)
{
    file.sqlite(
        "ALTER TABLE Band DROP COLUMN BandFileNumber;"
        "ALTER TABLE Band DROP COLUMN BandTransverterOffset;"
        "DROP INDEX ContestListByBand;"
        "ALTER TABLE ContestList DROP COLUMN ContestListFrequency;"
        "CREATE INDEX ContestListByBand ON ContestList (IdContest, IdBand, ContestListSendNum);"
        "DROP TABLE Period;"
        "DROP TABLE ContestListRead;"
        "DROP TABLE CallList;"
        "ALTER TABLE Grade DROP COLUMN GradeCode;"
        "UPDATE Band SET BandName='1.3 GHz' WHERE BandRowid=1300;"
        "UPDATE Band SET BandName='2.3 GHz' WHERE BandRowid=2300;"
        "UPDATE Band SET BandName='5.7 GHz' WHERE BandRowid=5700;"
        "UPDATE Setting SET SettingParamStr=NULL WHERE SettingName LIKE 'GridColumnTitleHintRu%';"
        "DELETE FROM Setting WHERE SettingName LIKE 'GridPeriod%' OR SettingName LIKE 'Period%' "
        "  OR SettingName LIKE 'SaveOptions%' OR SettingName LIKE 'GridOptions%' OR SettingName LIKE 'Grade%'"
        "  OR SettingName IN ('CountryName', 'StationTypeName', 'StationTypeComment')"
        "  OR SettingName LIKE 'Grid2%' OR SettingName LIKE 'GridBandColumn%3';"
        "DELETE FROM Modulation WHERE ModulationRowid > 9;"
        "ALTER TABLE Modulation DROP COLUMN ModulationEdiCode;"
        "DROP TABLE DigitalUnsaved;"
        "UPDATE Setting SET SettingParamInt=45 WHERE SettingName='GridColumnWidth1';"
        "DELETE FROM Setting WHERE SettingName='GridModeColumnWidened';"
        "DROP INDEX ContestListByUuid;"
        "DROP TABLE ShareContest; DROP TABLE ShareOutbox; DROP TABLE ShareLease;"
        "ALTER TABLE ContestList DROP COLUMN ContestListUuid;"
        "ALTER TABLE ContestList DROP COLUMN ContestListVersion;"
        "ALTER TABLE ContestList DROP COLUMN ContestListEdited;"
        "ALTER TABLE ContestList DROP COLUMN ContestListEditedBy;"
        "ALTER TABLE ContestList DROP COLUMN ContestListPositionId;"
        "ALTER TABLE ContestList DROP COLUMN ContestListPosition;"
        "INSERT INTO Contest (ContestRowid, ContestName) VALUES (1, 'Старый');"
        "INSERT INTO ContestList (IdContest, IdBand, ContestListCall, ContestListSendNum) "
        "  VALUES (1, 144, 'UA3OLD', 1);");
}

void TestSchemaUpgrade::upToDateLogShowsNothing()
{
    TempDatabase file;
    FakePrompts prompts;
    auto store = file.openStore(prompts);
    const QVariantList before = settingNames(file);
    SchemaUpgrade(*store);
    SchemaUpgrade(*store);
    QCOMPARE(prompts.texts(), QStringList());
    QCOMPARE(settingNames(file), before);
}

void TestSchemaUpgrade::oldLogIsCompletedStepByStep()
{
    TempDatabase fresh;
    FakePrompts prompts;
    fresh.openStore(prompts);

    TempDatabase file;
    file.openStore(prompts);
    makeOld(file);
    auto store = file.openStore(prompts);
    SchemaUpgrade(*store);

    QCOMPARE(
        prompts.texts(ShownPrompt::Information),
        (QStringList{"Выполнили обновление № 1.", "Выполнили обновление № 2.",
                     "Выполнили обновление базы данных № 3.",
                     "Выполнили обновление базы данных № 4 (заменили точку на запятую в названии диапазонов, "
                     "1.3 в 1,3 и т.п.)",
                     "Выполнили обновление № 5."}));
    QCOMPARE(prompts.texts(ShownPrompt::Error), QStringList());
    // The old log now has every table, column and setting of a new one.
    QCOMPARE(schemaOf(file), schemaOf(fresh));
    QCOMPARE(settingNames(file), settingNames(fresh));
    QCOMPARE(file.column("SELECT BandName || '/' || BandFileNumber FROM Band ORDER BY BandRowid"),
             fresh.column("SELECT BandName || '/' || BandFileNumber FROM Band ORDER BY BandRowid"));
    QCOMPARE(file.column("SELECT GradeCode FROM Grade ORDER BY GradeRowid"),
             fresh.column("SELECT GradeCode FROM Grade ORDER BY GradeRowid"));
    QCOMPARE(file.column("SELECT PeriodRowid || ' ' || PeriodName FROM Period ORDER BY PeriodRowid"),
             fresh.column("SELECT PeriodRowid || ' ' || PeriodName FROM Period ORDER BY PeriodRowid"));
    QCOMPARE(file.column("SELECT BandTransverterOffset FROM Band"), QVariantList(7, 0.0));
    const char* modes = "SELECT ModulationRowid || ' ' || ModulationName || ' ' || ModulationEdiCode FROM "
                        "Modulation ORDER BY ModulationRowid";
    QCOMPARE(file.column(modes), fresh.column(modes));
    QCOMPARE(file.column(modes).mid(9),
             (QVariantList{"9 ATV 9", "10 FT8 7", "11 FT4 7", "12 MSK144 7", "13 Q65 7"}));
    const char* indexed = "SELECT name FROM pragma_index_info('ContestListByBand') ORDER BY seqno";
    QCOMPARE(file.column(indexed), fresh.column(indexed));
    QCOMPARE(file.column(indexed).last(), "ContestListFrequency");
    const char* callList = "SELECT sql FROM sqlite_master WHERE tbl_name='CallList' ORDER BY name";
    QCOMPARE(file.column(callList), fresh.column(callList)); // each pair once, as in a new log
    // The seed's statements are wrapped over lines; the upgrade's are not.
    const char* indexes = "SELECT replace(replace(sql, char(10), ''), '  ', ' ') FROM sqlite_master "
                          "WHERE type='index' ORDER BY name";
    QCOMPARE(file.column(indexes), fresh.column(indexes));
    // The contacts stay, and no contest is shared until the operator shares one.
    QCOMPARE(file.column("SELECT ContestListCall || '/' || (ContestListUuid IS NULL) FROM ContestList"),
             QVariantList{"UA3OLD/1"});

    // From then on, the button shows nothing.
    prompts.clear();
    SchemaUpgrade(*store);
    QCOMPARE(prompts.texts(), QStringList());
}

void TestSchemaUpgrade::twoBandsNamedWithAPointAreLeftAlone()
{
    TempDatabase file;
    FakePrompts prompts;
    file.openStore(prompts);
    file.sqlite("UPDATE Band SET BandName='1.3 GHz' WHERE BandRowid IN (1300, 2300);");
    auto store = file.openStore(prompts);
    SchemaUpgrade(*store);
    QCOMPARE(prompts.texts(), QStringList());
    QCOMPARE(file.column("SELECT COUNT(*) FROM Band WHERE BandName='1.3 GHz'"), QVariantList{2});
}

void TestSchemaUpgrade::theModeColumnIsWidenedOnce_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<bool>("widenedBefore");
    QTest::addColumn<int>("shown");
    QTest::newRow("as logs came, cutting MSK144") << 45 << false << 56;
    QTest::newRow("chosen by the operator") << 60 << false << 60;
    QTest::newRow("chosen by the operator after the widening") << 45 << true << 45;
}

void TestSchemaUpgrade::theModeColumnIsWidenedOnce()
{
    QFETCH(int, stored);
    QFETCH(bool, widenedBefore);
    QFETCH(int, shown);
    TempDatabase file;
    FakePrompts prompts;
    file.openStore(prompts);
    file.sqlite(
        QString("UPDATE Setting SET SettingParamInt=%1 WHERE SettingName='GridColumnWidth1';").arg(stored));
    if (!widenedBefore)
        file.sqlite("DELETE FROM Setting WHERE SettingName='GridModeColumnWidened';");
    auto store = file.openStore(prompts);
    SchemaUpgrade(*store);
    SchemaUpgrade(*store);
    const char* width = "SELECT SettingParamInt FROM Setting WHERE SettingName='GridColumnWidth1'";
    QCOMPARE(file.column(width), QVariantList{shown});
    QCOMPARE(file.column("SELECT COUNT(*) FROM Setting WHERE SettingName='GridModeColumnWidened'"),
             QVariantList{1});
    QCOMPARE(prompts.texts(), QStringList());
}

QTEST_GUILESS_MAIN(TestSchemaUpgrade)
#include "tst_schemaupgrade.moc"
