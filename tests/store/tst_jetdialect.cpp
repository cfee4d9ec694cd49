#include "store/daycount.h"
#include "store/errors.h"
#include "store/jetdialect.h"
#include "store/logstore.h"
#include "support/fakes.h"
#include "support/tempdatabase.h"

#include <QtTest>

// The statements the program sends, in the Jet dialect, as SQLite gets them and as they
// behave on a real log file.
class TestJetDialect : public QObject
{
    Q_OBJECT
private slots:
    void translation_data();
    void translation();
    void unreadableStatementsAreRefused_data();
    void unreadableStatementsAreRefused();
    void statementsRunOnTheLog_data();
    void statementsRunOnTheLog();
    void dateLiteralStoresTheExactDayCount();
    void definitionsAndBooleans();
    void onlyOneStatementRuns();
};

void TestJetDialect::translation_data()
{
    QTest::addColumn<QString>("jet");
    QTest::addColumn<QString>("sqlite");

    QTest::newRow("nested TOP") << "SELECT TOP 1 PeriodRowid FROM (SELECT TOP 4 PeriodRowid FROM Period) a "
                                   "ORDER BY PeriodRowid DESC "
                                << "SELECT PeriodRowid FROM (SELECT PeriodRowid FROM Period LIMIT 4) a "
                                   "ORDER BY PeriodRowid DESC  LIMIT 1";
    QTest::newRow("Last over TOP")
        << "SELECT Last(CountryName) FROM (SELECT TOP 3 CountryName FROM Country ORDER BY "
           "CountryName)"
        << "SELECT Last(CountryName) FROM (SELECT CountryName FROM Country ORDER BY "
           "CountryName LIMIT 3)";
    QTest::newRow("TOP before a trailing semicolon") << "SELECT TOP 2 * FROM [Band];"
                                                     << "SELECT * FROM [Band] LIMIT 2;";
    QTest::newRow("TOP in lower case") << "select top 1 x from t"
                                       << "select x from t LIMIT 1";
    QTest::newRow("date literal") << "VALUES (3,144,#07/15/2015 10.41.13#, 'TEST')"
                                  << "VALUES (3,144,(42200+38473/86400.0), 'TEST')";
    QTest::newRow("date at midnight") << "WHERE d<#01/01/2016 00.00.00#"
                                      << "WHERE d<42370";
    QTest::newRow("quoted text is untouched")
        << "SELECT 'TOP 5 #07/15/2015 10.41.13#', [SELECT TOP 3] FROM t"
        << "SELECT 'TOP 5 #07/15/2015 10.41.13#', [SELECT TOP 3] FROM t";
    QTest::newRow("doubled quote") << "SELECT TOP 1 x FROM t WHERE c='O''TOP 1' ORDER BY d DESC"
                                   << "SELECT x FROM t WHERE c='O''TOP 1' ORDER BY d DESC LIMIT 1";
    QTest::newRow("native statements") << "UPDATE Contest SET ContestActual=False"
                                       << "UPDATE Contest SET ContestActual=False";
    QTest::newRow("TOP column name is not a limit") << "SELECT TOP FROM t"
                                                    << "SELECT TOP FROM t";
}

void TestJetDialect::translation()
{
    QFETCH(QString, jet);
    QFETCH(QString, sqlite);
    const JetTranslation t = translateJet(jet);
    QVERIFY(!t.noOp);
    QCOMPARE(t.sql, sqlite);
}

void TestJetDialect::unreadableStatementsAreRefused_data()
{
    QTest::addColumn<QString>("jet");
    QTest::newRow("impossible date") << "SELECT #13/45/2015 10.00.00#";
    QTest::newRow("unterminated date") << "SELECT #07/15/2015";
    QTest::newRow("unterminated text") << "SELECT 'abc";
}

void TestJetDialect::unreadableStatementsAreRefused()
{
    QFETCH(QString, jet);
    QVERIFY_THROWS_EXCEPTION(SqlError, translateJet(jet));
}

void TestJetDialect::statementsRunOnTheLog_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("expected");

    QTest::newRow("n-th period in key order")
        << "SELECT TOP 1 PeriodRowid FROM (SELECT TOP 4 PeriodRowid FROM Period) a ORDER BY PeriodRowid DESC "
        << "900";
    QTest::newRow("n-th country by Last")
        << "SELECT Last(CountryName) FROM (SELECT TOP 2 CountryName FROM Country "
           "ORDER BY CountryName)"
        << "Австрия";
    QTest::newRow("bracketed table") << "SELECT BandFileNumber FROM [Band] WHERE BandName='1,3 GHz' "
                                     << "3";
    QTest::newRow("text compares ignore case") << "SELECT BandRowid FROM [Band] WHERE BandName='432 mhz' "
                                               << "432";
    QTest::newRow("count") << "SELECT COUNT(*) FROM [Setting] WHERE SettingName='GradeName' "
                           << "1";
    QTest::newRow("TOP 1 of an ordered query") << "SELECT TOP 1 ModulationName FROM Modulation ORDER BY "
                                                  "ModulationRowid DESC"
                                               << "Q65";
}

void TestJetDialect::statementsRunOnTheLog()
{
    QFETCH(QString, query);
    QFETCH(QString, expected);
    TempDatabase file;
    FakePrompts prompts;
    auto store = file.openStore(prompts);
    QCOMPARE(store->eSQLreturn(query).toString(), expected);
}

void TestJetDialect::dateLiteralStoresTheExactDayCount()
{
    TempDatabase file;
    FakePrompts prompts;
    auto store = file.openStore(prompts);
    store->eSQL(
        "INSERT INTO ContestList (IdContest, IdBand, ContestListDateTime, ContestListCall, ContestListQTH, "
        "IdModulation,ContestListSendNum, ContestListSendRST, ContestListReceivedNum, ContestListReceivedRST,"
        "ContestListResult, ContestListDistance, ContestListAzimut) VALUES (3,144,#07/15/2015 10.41.13#, "
        "'TEST', 'KO85UR', 1,1,59,5,59,450,450.3,275)");
    QVERIFY(prompts.shown.empty());
    const DbValue stored = store->eSQLreturn("SELECT ContestListDateTime FROM ContestList");
    QCOMPARE(stored.kind(), DbValue::Kind::DateTime);
    // Equal to the bit, so a time the program computes compares equal to the stored one.
    QCOMPARE(stored.toDouble(), toDayCount(QDate(2015, 7, 15), QTime(10, 41, 13)));
    QCOMPARE(store->eSQLreturn("SELECT ContestListDistance FROM ContestList").toDouble(), 450.3);
}

void TestJetDialect::definitionsAndBooleans()
{
    TempDatabase file;
    FakePrompts prompts;
    auto store = file.openStore(prompts);
    store->eSQL("DROP TABLE ContestListRead");
    store->eSQL(
        "CREATE TABLE ContestListRead (IdBand INT, ContestListDateTime DATETIME, ContestListCall text(15), "
        "ContestListQTH text(6), IdModulation INT, ContestListSendNum INT, ContestListSendRST INT, "
        "ContestListReceivedNum  INT, ContestListReceivedRST INT, ContestListDistance float, "
        "ContestListResult INT, ContestListAzimut INT);");
    store->eSQL("ALTER TABLE [Band] ALTER COLUMN BandPoint1km Float;");
    store->eSQL("INSERT INTO Contest (ContestRowid, ContestName, ContestActual) VALUES (1, 'A', True)");
    store->eSQL("INSERT INTO Contest (ContestRowid, ContestName, ContestActual) VALUES (2, 'B', False)");
    QCOMPARE(prompts.texts(), QStringList());
    QCOMPARE(store->eSQLreturn("SELECT ContestName FROM Contest WHERE ContestActual=True").toString(), "A");
    store->eSQL("UPDATE Contest SET ContestActual=False");
    QCOMPARE(store->eSQLreturn("SELECT ContestName FROM Contest WHERE ContestActual=True").toString(), "0");
    QCOMPARE(store->eSQLreturn("SELECT ContestActual FROM Contest").kind(), DbValue::Kind::Boolean);
}

void TestJetDialect::onlyOneStatementRuns()
{
    TempDatabase file;
    FakePrompts prompts;
    auto store = file.openStore(prompts);
    const auto before = store->eSQLreturn("SELECT COUNT(*) FROM Setting").toInt();
    store->eSQL("INSERT INTO Setting (SettingName) VALUES ('X'); DELETE FROM Setting");
    QCOMPARE(prompts.texts(ShownPrompt::Error).size(), 1);
    QCOMPARE(store->eSQLreturn("SELECT COUNT(*) FROM Setting").toInt(), before);
}

QTEST_GUILESS_MAIN(TestJetDialect)
#include "tst_jetdialect.moc"
