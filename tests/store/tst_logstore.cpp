#include "store/daycount.h"
#include "store/errors.h"
#include "store/logstore.h"
#include "store/sqltext.h"
#include "support/fakes.h"
#include "support/tempdatabase.h"

#include <QtTest>

// The helpers every window uses: statements and their error box, first values, settings
// found by prefix, the literal helpers and the record counter.
class TestLogStore : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void failingStatementShowsTheBoxAndGoesOn();
    void firstValues();
    void failingQueryReachesTheCaller();
    void settingsAreFoundByPrefix();
    void setSetInsertsOnceThenUpdates();
    void settingsCursorIsASnapshot();
    void personalDataByKey();
    void commaToPoint_data();
    void commaToPoint();
    void sqlDateLiteral_data();
    void sqlDateLiteral();
    void quotingKeepsApostrophes();
    void recordCounter_data();
    void recordCounter();

private:
    std::unique_ptr<TempDatabase> m_file;
    FakePrompts m_prompts;
    std::unique_ptr<LogStore> m_store;
};

void TestLogStore::init()
{
    m_file = std::make_unique<TempDatabase>();
    m_prompts.clear();
    m_store = m_file->openStore(m_prompts);
    m_store->openSettingCursors();
}

void TestLogStore::cleanup()
{
    m_store.reset();
    m_file.reset();
}

void TestLogStore::failingStatementShowsTheBoxAndGoesOn()
{
    const QString statement = "INSERT INTO NoSuchTable (x) VALUES (1)";
    m_store->eSQL(statement);
    QCOMPARE(m_prompts.shown.size(), size_t(1));
    const ShownPrompt& box = m_prompts.shown[0];
    QCOMPARE(box.kind, ShownPrompt::Error);
    QVERIFY(box.text.startsWith("Не могу выполнить запрос: \n\r" + statement + "\n\r\n\r"));
    QVERIFY(box.text.contains("NoSuchTable"));
}

void TestLogStore::firstValues()
{
    // An aggregate over no rows still gives one row, holding null.
    QVERIFY(m_store->eSQLreturn("SELECT MAX(ContestRowid) FROM Contest").isNull());
    QVERIFY(m_store->eSQLreturn2("SELECT MAX(ContestRowid) FROM Contest").isNull());
    // No row at all: 0 from the first helper, null from the second.
    const DbValue none = m_store->eSQLreturn("SELECT ContestName FROM Contest WHERE ContestActual=True");
    QCOMPARE(none.kind(), DbValue::Kind::Integer);
    QCOMPARE(none.toInt(), 0);
    QVERIFY(m_store->eSQLreturn2("SELECT ContestName FROM Contest WHERE ContestActual=True").isNull());
    QCOMPARE(m_store->eSQLreturn("SELECT BandPoint1km FROM [Band] WHERE BandName='432 MHz' ").toDouble(),
             2.0);
    QVERIFY(m_prompts.shown.empty());
}

void TestLogStore::failingQueryReachesTheCaller()
{
    QVERIFY_THROWS_EXCEPTION(SqlError, m_store->eSQLreturn("SELECT NoSuchColumn FROM [Band]"));
    QVERIFY_THROWS_EXCEPTION(SqlError, m_store->eSQLreturn2("SELECT * FROM NoSuchTable"));
    QVERIFY_THROWS_EXCEPTION(DbConversionError, m_store->eSQLreturn2("SELECT NULL").toString());
    QVERIFY(m_prompts.shown.empty());
}

void TestLogStore::settingsAreFoundByPrefix()
{
    // A longer name that comes first in the table wins: lookups match by prefix.
    m_file->sqlite("DELETE FROM Setting WHERE SettingName LIKE 'GridColumnWidth%';"
                   "INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('GridColumnWidth10', 77);"
                   "INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('GridColumnWidth1', 11);");
    m_store->qSetting().reopen();
    QCOMPARE(m_store->GetSet("GridColumnWidth1", LogStore::IntegerSetting).toInt(), 77);
    QCOMPARE(m_store->GetSet("GridOptionsSort", LogStore::TextSetting).toString(), "DESC");
    QVERIFY(m_store->GetSet("NoSuchSetting", LogStore::IntegerSetting).isNull());
    // The seed puts exact names first.
    QCOMPARE(m_store->GetSet("GridColumnTitleCaptionRu1", LogStore::TextSetting).toString(), "Вид");
    QCOMPARE(m_store->GetSet("Period", LogStore::IntegerSetting).toInt(), 3);
}

void TestLogStore::setSetInsertsOnceThenUpdates()
{
    m_store->SetSet("FontSize", LogStore::IntegerSetting, 12);
    m_store->SetSet("FontSize", LogStore::IntegerSetting, 14);
    m_store->SetSet("SaveEDIPath", LogStore::TextSetting, QString("/home/op/O'Brien"));
    QCOMPARE(m_file->column("SELECT SettingParamInt FROM Setting WHERE SettingName='FontSize'"),
             QVariantList{14});
    QCOMPARE(m_file->column("SELECT SettingParamStr IS NULL FROM Setting WHERE SettingName='FontSize'"),
             QVariantList{1});
    QCOMPARE(m_file->column("SELECT SettingParamStr FROM Setting WHERE SettingName='SaveEDIPath'"),
             QVariantList{"/home/op/O'Brien"});
    QCOMPARE(m_store->GetSet("FontSize", LogStore::IntegerSetting).toInt(), 14);
}

void TestLogStore::settingsCursorIsASnapshot()
{
    // A statement changes the table; the cursor sees it only once reopened.
    m_store->eSQL(
        "UPDATE Setting SET SettingParamStr='Новый' WHERE SettingName='GridColumnTitleCaptionRu3' ");
    QCOMPARE(m_store->GetSet("GridColumnTitleCaptionRu3", LogStore::TextSetting).toString(), "QTH");
    m_store->qSetting().reopen();
    QCOMPARE(m_store->GetSet("GridColumnTitleCaptionRu3", LogStore::TextSetting).toString(), "Новый");
}

void TestLogStore::personalDataByKey()
{
    m_file->sqlite("UPDATE SettingInfo SET SettingInfoValue='UA3ABC' WHERE SettingInfoN='PCall';"
                   "UPDATE SettingInfo SET SettingInfoValue='Иванов' WHERE SettingInfoN='RName';");
    m_store->qSettingInfo().reopen();
    QCOMPARE(m_store->GetSetInfo("PCall").toString(), "UA3ABC");
    QCOMPARE(m_store->GetSetInfo("RName").toString(), "Иванов");
    QVERIFY(m_store->GetSetInfo("RNameGrade").isNull());
    QVERIFY(m_store->GetSetInfo("NoSuchKey").isNull());
}

void TestLogStore::commaToPoint_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("decimal comma") << "12,5"
                                   << "12.5";
    QTest::newRow("only the first comma") << "1,2,3"
                                          << "1.2,3";
    QTest::newRow("comma first") << ",5"
                                 << ",5";
    QTest::newRow("no comma") << "7"
                              << "7";
}

void TestLogStore::commaToPoint()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(CommaToPoint(text), expected);
}

void TestLogStore::sqlDateLiteral_data()
{
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<QString>("expected");
    QTest::newRow("month first") << QDateTime(QDate(2015, 12, 31), QTime(23, 5, 9))
                                 << "#12/31/2015 23.05.09#";
    QTest::newRow("two-digit parts") << QDateTime(QDate(2015, 7, 9), QTime(10, 41, 30))
                                     << "#07/09/2015 10.41.30#";
}

void TestLogStore::sqlDateLiteral()
{
    QFETCH(QDateTime, when);
    QFETCH(QString, expected);
    QLocale::setDefault(QLocale(QLocale::Russian));
    QCOMPARE(SqlDateLiteral(toDayCount(when)), expected);
    QLocale::setDefault(QLocale::c());
}

void TestLogStore::quotingKeepsApostrophes()
{
    const QString call = "O'HARA'; DROP TABLE ContestList; --";
    m_store->eSQL("INSERT INTO Contest (ContestRowid, ContestName) VALUES (5, " + sqlQuote(call) + ")");
    QVERIFY(m_prompts.shown.empty());
    QCOMPARE(
        m_store->eSQLreturn("SELECT ContestName FROM Contest WHERE ContestName=" + sqlQuote(call)).toString(),
        call);
    QVERIFY(isSqlNumberText("59") && isSqlNumberText("-1.5") && !isSqlNumberText("1.2.3") &&
            !isSqlNumberText("5;DROP") && !isSqlNumberText(""));
}

void TestLogStore::recordCounter_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("current"); // 0-based; -1 closes the cursor, -2 edits row 0
    QTest::addColumn<bool>("reverse");
    QTest::addColumn<QString>("caption");
    QTest::newRow("third of ten") << 10 << 2 << false << "Список [3/10]";
    QTest::newRow("third of ten from the bottom") << 10 << 2 << true << "Список [8/10]";
    QTest::newRow("empty") << 0 << 0 << false << "Список [0/0]";
    QTest::newRow("closed") << 10 << -1 << false << "Список [-/-]";
    QTest::newRow("editing") << 10 << -2 << false << "Список [редактирование]";
}

void TestLogStore::recordCounter()
{
    QFETCH(int, rows);
    QFETCH(int, current);
    QFETCH(bool, reverse);
    QFETCH(QString, caption);
    for (int i = 1; i <= rows; ++i)
        m_store->eSQL(QString("INSERT INTO Contest (ContestRowid, ContestName) VALUES (%1, 'C%1')").arg(i));
    Cursor cursor(m_store->db());
    cursor.setSql("SELECT * FROM Contest ORDER BY ContestRowid");
    cursor.setBaseTable("Contest");
    cursor.open();
    if (current == -1)
        cursor.close();
    else if (current == -2)
        cursor.setValue("ContestName", QString("X"));
    else
        cursor.setCurrentRow(current);
    QCOMPARE(RowCount2Gb(&cursor, "Список", reverse), caption);
}

QTEST_GUILESS_MAIN(TestLogStore)
#include "tst_logstore.moc"
