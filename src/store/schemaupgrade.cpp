#include "store/schemaupgrade.h"

#include "platform/prompts.h"
#include "store/errors.h"
#include "store/logstore.h"

#include <algorithm>
#include <utility>

namespace {

// As the seed creates it for a new log.
constexpr const char* kCallListTable =
    "CREATE TABLE CallList (CallListRowid INTEGER PRIMARY KEY, CallListCall TEXT(15) COLLATE NOCASE NOT "
    "NULL, "
    "CallListQTH TEXT(6) COLLATE NOCASE NOT NULL DEFAULT '', UNIQUE (CallListCall, CallListQTH))";

// True when the probe query fails: the step it guards is still needed.
bool probeFails(LogStore& store, const QString& probe)
{
    try {
        store.eSQLreturn(probe);
        return false;
    } catch (const SqlError&) {
        return true;
    }
}

void insertText(LogStore& store, const QString& name, const QString& text)
{
    store.eSQL(QStringLiteral("INSERT INTO Setting (SettingName, SettingParamStr) VALUES ('") + name +
               QStringLiteral("', '") + text + QStringLiteral("')"));
}

void insertInt(LogStore& store, const QString& name, int value)
{
    store.eSQL(QStringLiteral("INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('") + name +
               QStringLiteral("', ") + QString::number(value) + QStringLiteral(")"));
}

void bandFileNumbers(LogStore& store)
{
    if (!probeFails(store, QStringLiteral("SELECT BandFileNumber FROM [Band]")))
        return;
    store.eSQL(QStringLiteral("ALTER TABLE [Band] ADD COLUMN BandFileNumber INT;"));
    const int bands[] = {144, 432, 1300, 2300, 5700, 10000, 24000};
    for (int i = 0; i < 7; ++i)
        store.eSQL(QStringLiteral("UPDATE [Band] SET BandFileNumber=%1 WHERE BandRowid=%2")
                       .arg(i + 1)
                       .arg(bands[i]));
    store.prompts().information(QStringLiteral("Выполнили обновление № 1."));
}

void repeatPeriods(LogStore& store)
{
    if (!probeFails(store, QStringLiteral("SELECT * FROM Period")))
        return;
    store.eSQL(QStringLiteral(
        "CREATE TABLE Period (PeriodRowid int, PeriodName text(30), primary key (PeriodRowid));"));
    const std::pair<int, const char*> periods[] = {
        {60, "1 минута"},    {300, "5 минут"},   {600, "10 минут"},   {900, "15 минут"},   {1200, "20 минут"},
        {1800, "30 минут"},  {3600, "1 час"},    {7200, "2 часа"},    {10800, "3 часа"},   {21600, "6 часов"},
        {43200, "12 часов"}, {86400, "24 часа"}, {259200, "3 суток"}, {604800, "1 неделя"}};
    for (const auto& [seconds, name] : periods)
        store.eSQL(QStringLiteral("INSERT INTO Period (PeriodRowid, PeriodName) VALUES (") +
                   QString::number(seconds) + QStringLiteral(", '") + QString::fromUtf8(name) +
                   QStringLiteral("')"));
    const char* titles[] = {"Позывной", "Посл.связь", "Сл.связь, не ранее", "Прошло", "Осталось"};
    for (int i = 0; i < 5; ++i)
        insertText(store, QStringLiteral("GridPeriodColumnTitleCaptionRu%1").arg(i),
                   QString::fromUtf8(titles[i]));
    insertInt(store, QStringLiteral("Period"), 3);
    for (int i = 1; i <= 4; ++i)
        insertInt(store, QStringLiteral("PeriodCbWidth%1").arg(i), 1);
    store.prompts().information(QStringLiteral("Выполнили обновление № 2."));
}

void seedIfMissing(LogStore& store, const QString& probe, const QStringList& statements)
{
    if (!store.eSQLreturn2(probe).isNull())
        return;
    for (const QString& statement : statements)
        store.eSQL(statement);
}

void gradeCodes(LogStore& store)
{
    if (!probeFails(store, QStringLiteral("SELECT GradeCode FROM [Grade]")))
        return;
    store.eSQL(QStringLiteral("ALTER TABLE [Grade] ADD COLUMN GradeCode INT;"));
    const std::pair<int, int> codes[] = {{5, 1}, {5, 2}, {4, 3}, {3, 4}, {2, 5}, {1, 6}, {0, 0}};
    for (const auto& [code, grade] : codes)
        store.eSQL(
            QStringLiteral("UPDATE [Grade] SET GradeCode=%1 WHERE GradeRowid=%2").arg(code).arg(grade));
    store.prompts().information(QStringLiteral("Выполнили обновление базы данных № 3."));
}

void bandNamesWithComma(LogStore& store)
{
    if (store.eSQLreturn(QStringLiteral("SELECT COUNT(*) FROM [Band] WHERE BandName='1.3 GHz' ")).toInt() !=
        1)
        return;
    store.eSQL(QStringLiteral("UPDATE [Band] SET BandName='1,3 GHz' WHERE BandRowid=1300"));
    store.eSQL(QStringLiteral("UPDATE [Band] SET BandName='2,3 GHz' WHERE BandRowid=2300"));
    store.eSQL(QStringLiteral("UPDATE [Band] SET BandName='5,7 GHz' WHERE BandRowid=5700"));
    store.prompts().information(QStringLiteral("Выполнили обновление базы данных № 4 (заменили точку на "
                                               "запятую в названии диапазонов, 1.3 в 1,3 и т.п.)"));
}

void captionsAndHints(LogStore& store)
{
    if (store.eSQLreturn(QStringLiteral("SELECT COUNT(*) FROM [Setting] WHERE SettingName='GradeName' "))
            .toInt() != 0)
        return;
    const std::pair<const char*, const char*> captions[] = {
        {"GradeName", "Звание|Полное"},
        {"GradeSmallName", "Звание|Сокращенное"},
        {"GradeCode", "Код для отправки"},
        {"GradeNameHint", "Полное название звания"},
        {"GradeSmallNameHint", "Сокращенное название звания"},
        {"GradeCodeHint", "То что отправляется в EDI файле"},
        {"CountryName", "Название страны"},
        {"StationTypeName", "Тип станции|Название"},
        {"StationTypeComment", "Тип станции|Комментарий"}};
    for (const auto& [name, text] : captions)
        insertText(store, QString::fromUtf8(name), QString::fromUtf8(text));

    const char* hints[] = {"Диапазон",
                           "Тип работы",
                           "Позывной корреспондента",
                           "Местопложение корреспондента",
                           "Дата и время связи",
                           "Передали оценку качества сигнала",
                           "Передали свой номер",
                           "Получили оценку качества своего сигнала от корреспондента",
                           "Получили номер от корреспондента",
                           "Азимут от нас до корреспондента",
                           "Расстояние между корреспондентами",
                           "Очки за связь. Высчитываются в зависимости от расстояния и коэф."};
    for (int i = 0; i < 12; ++i)
        store.eSQL(QStringLiteral("UPDATE Setting SET SettingParamStr='") + QString::fromUtf8(hints[i]) +
                   QStringLiteral("' WHERE SettingName='GridColumnTitleHintRu%1' ").arg(i));

    insertInt(store, QStringLiteral("Grid2ColumnWidth0"), 70);
    insertInt(store, QStringLiteral("Grid2ColumnWidth1"), 100);
    insertInt(store, QStringLiteral("Grid2ColumnWidth2"), 50);
    const std::pair<const char*, const char*> grid2[] = {{"Grid2ColumnTitleCaptionRu0", "CALL"},
                                                         {"Grid2ColumnTitleCaptionRu1", "Дата/Время"},
                                                         {"Grid2ColumnTitleCaptionRu2", "Диап."},
                                                         {"Grid2ColumnTitleHintRu0", "Позывной"},
                                                         {"Grid2ColumnTitleHintRu1", "Дата и время связи"},
                                                         {"Grid2ColumnTitleHintRu2", "Диапазон"}};
    for (const auto& [name, text] : grid2)
        insertText(store, QString::fromUtf8(name), QString::fromUtf8(text));
    store.prompts().information(QStringLiteral("Выполнили обновление № 5."));
}

// What a rig needs: a transverter offset per band (0: none, with its column in the bands
// window) and the frequency of a contact logged with a rig. Nothing to tell the operator: the
// new columns are empty until a rig is used.
void rigColumns(LogStore& store)
{
    if (probeFails(store, QStringLiteral("SELECT BandTransverterOffset FROM [Band]"))) {
        store.eSQL(QStringLiteral(
            "ALTER TABLE [Band] ADD COLUMN BandTransverterOffset FLOAT CONSTRAINT \"BandTransverterOffset: "
            "число\" CHECK (BandTransverterOffset IS NULL OR typeof(BandTransverterOffset) IN ('integer', "
            "'real'));"));
        store.eSQL(QStringLiteral("UPDATE [Band] SET BandTransverterOffset=0"));
    }
    if (probeFails(store, QStringLiteral("SELECT ContestListFrequency FROM ContestList"))) {
        store.eSQL(QStringLiteral("ALTER TABLE ContestList ADD COLUMN ContestListFrequency FLOAT;"));
        // The band's log is read from this index alone, so it takes the new column too.
        store.eSQL(QStringLiteral("DROP INDEX IF EXISTS ContestListByBand"));
        store.eSQL(QStringLiteral(
            "CREATE INDEX ContestListByBand ON ContestList (IdContest, IdBand, ContestListSendNum, "
            "ContestListRowid, ContestListDateTime, ContestListCall, ContestListQTH, IdModulation, "
            "ContestListSendRST, ContestListReceivedNum, ContestListReceivedRST, ContestListDistance, "
            "ContestListAzimut, ContestListResult, ContestListFrequency)"));
    }
    if (store
            .eSQLreturn2(QStringLiteral("SELECT SettingParamInt FROM Setting WHERE "
                                        "SettingName='GridBandColumnWidth3' "))
            .isNull()) {
        insertInt(store, QStringLiteral("GridBandColumnWidth3"), 90);
        insertText(store, QStringLiteral("GridBandColumnTitleCaptionRu3"),
                   QStringLiteral("Трансвертер|сдвиг, МГц"));
    }
}

// What a log needs to share contests with other positions: every contact's global id, version
// and the position that logged it, the contests shared, the changes waiting to be sent and the
// bands held (the seed creates the same). Silent: a station that never shares sees nothing of
// it. One transaction, so a step cut short is done again whole.
void sharing(LogStore& store)
{
    if (!probeFails(store, QStringLiteral("SELECT ContestListUuid FROM ContestList")))
        return;
    const char* const statements[] = {
        "ALTER TABLE ContestList ADD COLUMN ContestListUuid TEXT",
        "ALTER TABLE ContestList ADD COLUMN ContestListVersion INTEGER",
        "ALTER TABLE ContestList ADD COLUMN ContestListEdited INTEGER",
        "ALTER TABLE ContestList ADD COLUMN ContestListEditedBy TEXT",
        "ALTER TABLE ContestList ADD COLUMN ContestListPositionId TEXT",
        "ALTER TABLE ContestList ADD COLUMN ContestListPosition TEXT",
        "CREATE UNIQUE INDEX ContestListByUuid ON ContestList (ContestListUuid) WHERE ContestListUuid IS NOT "
        "NULL",
        "CREATE TABLE ShareContest (IdContest INTEGER PRIMARY KEY, ShareContestUuid TEXT NOT NULL UNIQUE, "
        "ShareLastChange INTEGER NOT NULL DEFAULT 0)",
        "CREATE TABLE ShareOutbox (ShareOutboxRowid INTEGER PRIMARY KEY, ShareContestUuid TEXT "
        "NOT "
        "NULL, ContestListUuid TEXT NOT NULL, ContestListVersion INTEGER, ContestListEdited INTEGER, "
        "ContestListEditedBy TEXT, ContestListPositionId TEXT, ContestListPosition TEXT, ShareDeleted "
        "INTEGER NOT "
        "NULL DEFAULT 0, IdBand INTEGER, ContestListDateTime DATETIME, ContestListCall TEXT, ContestListQTH "
        "TEXT, "
        "IdModulation INTEGER, ContestListSendNum INTEGER, ContestListSendRST INTEGER, "
        "ContestListReceivedNum "
        "INTEGER, ContestListReceivedRST INTEGER, ContestListDistance FLOAT, ContestListAzimut INTEGER, "
        "ContestListResult INTEGER, ContestListFrequency FLOAT)",
        "CREATE TABLE ShareLease (IdContest INTEGER NOT NULL, IdBand INTEGER NOT NULL, ShareLeaseHolder "
        "TEXT, "
        "ShareLeaseHolderName TEXT, ShareLeaseSilent INTEGER NOT NULL DEFAULT 0, PRIMARY KEY (IdContest, "
        "IdBand))"};
    Database& db = store.db();
    db.transaction([&] {
        for (const char* statement : statements)
            db.execNative(QString::fromLatin1(statement));
    });
}

// The calls and locators the operator imports from list files; each pair once, so that a
// file imported again adds nothing. Nothing to tell the operator: the table is empty until then.
void callList(LogStore& store)
{
    if (!probeFails(store, QStringLiteral("SELECT CallListCall FROM CallList")))
        return;
    store.db().execNative(QString::fromLatin1(kCallListTable));
}

// Contacts made with WSJT-X: its modes as rows keyed above the REG1TEST codes 0-9, which keep
// their rows, with the code an EDI file writes for each (7, the code loggers of IARU Region 1
// write for machine-generated modes); and the digital contacts that could not be saved, kept
// until the operator saves or drops them. Nothing to tell the operator.
void digitalModes(LogStore& store)
{
    // A damaged mode table is said once where the modes are read, not by every step here.
    if (probeFails(store, QStringLiteral("SELECT ModulationRowid, ModulationName FROM Modulation")))
        return;
    Database& db = store.db();
    db.transaction([&] {
        if (probeFails(store, QStringLiteral("SELECT ModulationEdiCode FROM Modulation"))) {
            db.execNative(QStringLiteral("ALTER TABLE Modulation ADD COLUMN ModulationEdiCode INT"));
            db.execNative(QStringLiteral("UPDATE Modulation SET ModulationEdiCode=ModulationRowid WHERE "
                                         "ModulationRowid BETWEEN 0 AND 9"));
        }
        for (const char* name : {"FT8", "FT4", "MSK144", "Q65"}) {
            const QString mode = QString::fromLatin1(name);
            if (!db.queryNative(QStringLiteral("SELECT 1 FROM Modulation WHERE ModulationName = ?"),
                                {DbValue(mode)})
                     .rows.empty())
                continue;
            db.execNative(
                QStringLiteral("INSERT INTO Modulation (ModulationRowid, ModulationName, ModulationEdiCode) "
                               "SELECT MAX(9, COALESCE(MAX(ModulationRowid), 0)) + 1, ?, 7 FROM Modulation"),
                {DbValue(mode)});
        }
        if (probeFails(store, QStringLiteral("SELECT COUNT(*) FROM DigitalUnsaved")))
            db.execNative(
                QStringLiteral("CREATE TABLE DigitalUnsaved (DigitalUnsavedRowid INTEGER PRIMARY KEY, "
                               "DigitalUnsavedReceived DATETIME, DigitalUnsavedReason TEXT, "
                               "DigitalUnsavedRecord TEXT)"));
    });
}

// The log grid's mode column as logs came with it (45) cuts "MSK144" in two; it is widened once,
// and a width the operator chose stays. The marker row keeps a later 45 of the operator's.
void modeColumnWidth(LogStore& store)
{
    Database& db = store.db();
    if (!db.queryNative(QStringLiteral("SELECT 1 FROM Setting WHERE SettingName = 'GridModeColumnWidened'"))
             .rows.empty())
        return;
    db.transaction([&] {
        db.execNative(QStringLiteral("UPDATE Setting SET SettingParamInt = 56 WHERE SettingName = "
                                     "'GridColumnWidth1' AND SettingParamInt = 45"));
        db.execNative(QStringLiteral(
            "INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('GridModeColumnWidened', 1)"));
    });
}

} // namespace

void SchemaUpgrade(LogStore& store)
{
    bandFileNumbers(store);
    repeatPeriods(store);
    seedIfMissing(
        store, QStringLiteral("SELECT SettingParamInt FROM Setting WHERE SettingName='SaveOptionsFileName' "),
        {QStringLiteral(
             "INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('SaveOptionsFileName', 0) "),
         QStringLiteral(
             "INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('SaveOptionsFormat', 0) ")});
    seedIfMissing(
        store, QStringLiteral("SELECT SettingParamStr FROM Setting WHERE SettingName='GridOptionsSort' "),
        {QStringLiteral(
            "INSERT INTO Setting (SettingName, SettingParamStr) VALUES ('GridOptionsSort', 'DESC') ")});
    seedIfMissing(
        store, QStringLiteral("SELECT SettingParamInt FROM Setting WHERE SettingName='GridOptionsNol' "),
        {QStringLiteral("INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('GridOptionsNol', 1) "),
         QStringLiteral("CREATE TABLE ContestListRead (IdBand INT, ContestListDateTime DATETIME, "
                        "ContestListCall text(15), ContestListQTH text(6), IdModulation INT, "
                        "ContestListSendNum INT, ContestListSendRST INT, ContestListReceivedNum  INT, "
                        "ContestListReceivedRST INT, ContestListDistance float, ContestListResult INT, "
                        "ContestListAzimut INT);")});
    gradeCodes(store);
    bandNamesWithComma(store);
    store.eSQL(QStringLiteral("ALTER TABLE [Band] ALTER COLUMN BandPoint1km Float;"));
    captionsAndHints(store);
    rigColumns(store);
    sharing(store);
    callList(store);
    digitalModes(store);
    modeColumnWidth(store);
}
