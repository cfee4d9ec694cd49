#include "store/database.h"
#include "store/errors.h"
#include "support/fakes.h"
#include "support/tempdatabase.h"

#include <QCryptographicHash>
#include <QtTest>

#include <sqlite3.h>

// Opening the log file: a missing one is created with its reference rows; anything that
// is not a usable log is refused and left exactly as it was.
class TestDatabase : public QObject
{
    Q_OBJECT
private slots:
    void newFileHoldsTheSchemaAndReferenceRows();
    void newFileUsesWriteAheadLogAndFullSync();
    void unusableFilesAreRefusedUntouched_data();
    void unusableFilesAreRefusedUntouched();
    void lockedFileIsRefused();
    void refusedCommitLeavesNoTransactionOpen();
    void refusedStatementNamesItself();

private:
    static QByteArray digest(const QString& path);
};

QByteArray TestDatabase::digest(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

void TestDatabase::newFileHoldsTheSchemaAndReferenceRows()
{
    TempDatabase file;
    QVERIFY(!QFile::exists(file.path()));
    Database::open(file.path());
    QVERIFY(QFile::exists(file.path()));

    auto columns = [&](const QString& table) {
        QStringList names;
        for (const QVariant& v : file.column(QString("SELECT name FROM pragma_table_info('%1')").arg(table)))
            names << v.toString();
        return names.join(' ');
    };
    QCOMPARE(columns("ContestList"),
             QString("ContestListRowid IdContest IdBand ContestListDateTime ContestListCall ContestListQTH "
                     "IdModulation ContestListSendNum ContestListSendRST ContestListReceivedNum "
                     "ContestListReceivedRST ContestListDistance ContestListAzimut ContestListResult "
                     "ContestListFrequency ContestListUuid ContestListVersion ContestListEdited "
                     "ContestListEditedBy ContestListPositionId ContestListPosition"));
    QCOMPARE(
        columns("ContestListRead"),
        QString("IdBand ContestListDateTime ContestListCall ContestListQTH IdModulation ContestListSendNum "
                "ContestListSendRST ContestListReceivedNum ContestListReceivedRST ContestListDistance "
                "ContestListResult ContestListAzimut"));
    QCOMPARE(columns("Contest"),
             QString("ContestRowid ContestName ContestDTStart ContestDTStop ContestActual"));
    QCOMPARE(columns("Band"), QString("BandRowid BandName BandFrequency BandPoint1km BandFileNumber "
                                      "BandTransverterOffset"));
    QCOMPARE(columns("Modulation"), QString("ModulationRowid ModulationName ModulationEdiCode"));
    QCOMPARE(columns("Grade"), QString("GradeRowid GradeName GradeSmallName GradeCode"));
    QCOMPARE(columns("Country"), QString("CountryRowid CountryName"));
    QCOMPARE(columns("StationType"), QString("StationTypeRowid StationTypeName StationTypeComment"));
    QCOMPARE(columns("Period"), QString("PeriodRowid PeriodName"));
    QCOMPARE(columns("Setting"), QString("SettingName SettingParamStr SettingParamInt"));
    QCOMPARE(columns("SettingInfo"), QString("SettingInfoN SettingInfoName SettingInfoHint SettingInfoValue "
                                             "SettingInfoRequired SettingInfoTypeRecord SettingInfoRang"));

    QCOMPARE(file.column("SELECT BandRowid || '=' || BandFileNumber FROM Band ORDER BY BandRowid"),
             (QVariantList{"144=1", "432=2", "1300=3", "2300=4", "5700=5", "10000=6", "24000=7"}));
    QCOMPARE(file.column("SELECT BandName FROM Band WHERE BandRowid IN (1300, 2300, 5700) ORDER BY 1"),
             (QVariantList{"1,3 GHz", "2,3 GHz", "5,7 GHz"}));
    QCOMPARE(
        file.column("SELECT ModulationName FROM Modulation WHERE ModulationRowid IN (1, 2) ORDER BY 1 DESC"),
        (QVariantList{"SSB", "CW"}));
    QCOMPARE(file.column("SELECT GradeRowid || '=' || GradeCode FROM Grade ORDER BY GradeRowid"),
             (QVariantList{"0=0", "1=5", "2=5", "3=4", "4=3", "5=2", "6=1"}));
    QCOMPARE(file.column("SELECT COUNT(*) || ' ' || MIN(PeriodRowid) || ' ' || MAX(PeriodRowid) FROM Period"),
             QVariantList{"14 60 604800"});
    // Every personal-data key of the catalogue has its row.
    QCOMPARE(file.column("SELECT COUNT(*) FROM SettingInfo"), QVariantList{27});
    QCOMPARE(file.column(
                 "SELECT COUNT(*) FROM Setting WHERE SettingName IN ('GridOptionsSort', 'GridOptionsNol', "
                 "'Period', 'SaveOptionsFileName', 'SaveOptionsFormat', 'GradeName', 'Grid2ColumnWidth2', "
                 "'GridPeriodColumnTitleCaptionRu4', 'GridColumnTitleHintRu11', 'GridContestColumnWidth2')"),
             QVariantList{10});
    QVERIFY(!QFile::exists(file.path() + ".new"));
}

void TestDatabase::newFileUsesWriteAheadLogAndFullSync()
{
    TempDatabase file;
    auto db = Database::open(file.path());
    QCOMPARE(db->queryNative("PRAGMA journal_mode").rows[0][0].toString(), "wal");
    QCOMPARE(db->queryNative("PRAGMA synchronous").rows[0][0].toInt(), 2);
}

void TestDatabase::unusableFilesAreRefusedUntouched_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("sqlite"); // statements that make a database file instead
    QTest::newRow("text file") << QByteArray("Kovra log\r\nthis is not a database\r\n") << QString();
    QTest::newRow("empty file") << QByteArray() << QString();
    QTest::newRow("database of another program") << QByteArray()
                                                 << "CREATE TABLE Notes (id INTEGER, text TEXT);"
                                                    "INSERT INTO Notes VALUES (1, 'keep me');";
    QTest::newRow("log without its settings table")
        << QByteArray()
        << "CREATE TABLE ContestList (x); CREATE TABLE Contest (x); CREATE TABLE Band (x);"
           "CREATE TABLE Modulation (x); CREATE TABLE Grade (x); CREATE TABLE Country (x);"
           "CREATE TABLE StationType (x); CREATE TABLE SettingInfo (x);";
}

void TestDatabase::unusableFilesAreRefusedUntouched()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, sqlite);
    QTemporaryDir dir;
    const QString path = dir.filePath("Kovra.db");
    if (sqlite.isEmpty()) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    } else {
        sqlite3* raw = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &raw), SQLITE_OK);
        QCOMPARE(sqlite3_exec(raw, sqlite.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(raw);
    }
    const QByteArray before = digest(path);
    const QStringList filesBefore = QDir(dir.path()).entryList(QDir::Files);
    QVERIFY_THROWS_EXCEPTION(ConnectionError, Database::open(path));
    QCOMPARE(digest(path), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), filesBefore);
}

void TestDatabase::lockedFileIsRefused()
{
    TempDatabase file;
    Database::open(file.path());
    // Another program holds an exclusive lock the whole time.
    sqlite3* other = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(file.path()).constData(), &other), SQLITE_OK);
    QCOMPARE(
        sqlite3_exec(other, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE;", nullptr, nullptr, nullptr),
        SQLITE_OK);
    QElapsedTimer waited;
    waited.start();
    QVERIFY_THROWS_EXCEPTION(ConnectionError, Database::open(file.path()));
    QVERIFY(waited.elapsed() >= 2000); // it waited for the other program first
    sqlite3_exec(other, "ROLLBACK;", nullptr, nullptr, nullptr);
    sqlite3_close(other);
}

void TestDatabase::refusedCommitLeavesNoTransactionOpen()
{
    TempDatabase file;
    auto db = Database::open(file.path());
    // A deferred foreign key is checked only by COMMIT, which then refuses.
    db->execNative("PRAGMA foreign_keys=ON");
    db->execNative("CREATE TABLE Parent (Id INTEGER PRIMARY KEY)");
    db->execNative("CREATE TABLE Child (ParentId INT REFERENCES Parent(Id) DEFERRABLE INITIALLY DEFERRED)");
    QVERIFY_THROWS_EXCEPTION(SqlError, db->transaction([&] {
        db->execNative("INSERT INTO Child VALUES (7)");
        db->execNative("INSERT INTO Parent VALUES (1)");
    }));
    // The next statement commits on its own: another connection sees it at once.
    db->execNative("INSERT INTO Parent VALUES (2)");
    QCOMPARE(file.column("SELECT Id FROM Parent"), QVariantList{2});
    QCOMPARE(file.column("SELECT COUNT(*) FROM Child"), QVariantList{0});
}

void TestDatabase::refusedStatementNamesItself()
{
    TempDatabase file;
    auto db = Database::open(file.path());
    try {
        db->query("SELECT PeriodSeconds FROM Period");
        QFAIL("the query ran");
    } catch (const SqlError& e) {
        QCOMPARE(e.statement(), "SELECT PeriodSeconds FROM Period");
        QCOMPARE(e.boxText(),
                 "Не могу выполнить запрос: \n\rSELECT PeriodSeconds FROM Period\n\r\n\r" + e.message());
    }
}

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
