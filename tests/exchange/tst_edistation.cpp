#include "exchange/ediexport.h"
#include "support/fakes.h"
#include "support/tempdatabase.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

// The export's reading of the log file: the header taken from the personal data and the
// reference tables as they really are, and the files it leaves behind when a write fails.
class TestEdiStation : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void headerFromTheStoredData_data();
    void headerFromTheStoredData();
    void aFailedWriteLeavesTheOlderFile();

private:
    std::unique_ptr<TempDatabase> m_file;
    FakePrompts m_prompts;
    std::unique_ptr<LogStore> m_store;
    const EdiExportInput m_input{"RK3AW/P", "KO85UR", "Полевой день", 1};
};

void TestEdiStation::init()
{
    m_file = std::make_unique<TempDatabase>();
    m_file->openStore(m_prompts);
    m_file->sqlite("INSERT INTO Contest VALUES (1, 'Полевой день', 42189, 42190.5, 1);"
                   "UPDATE SettingInfo SET SettingInfoValue='RK3AW' WHERE SettingInfoN='RCall';"
                   "UPDATE SettingInfo SET SettingInfoValue='Иванов Иван' WHERE SettingInfoN='RName';"
                   "INSERT INTO ContestList (IdContest, IdBand, ContestListDateTime, ContestListCall, "
                   "ContestListQTH, IdModulation, ContestListSendNum, ContestListSendRST, "
                   "ContestListReceivedNum, ContestListReceivedRST, ContestListResult, ContestListDistance, "
                   "ContestListAzimut) VALUES (1, 144, 42189.5, 'UA3AAA', 'KO95AA', 1, 1, 59, 7, 59, 127, "
                   "127.4, 89);");
}

void TestEdiStation::cleanup()
{
    m_store.reset();
    m_file.reset();
}

void TestEdiStation::headerFromTheStoredData_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<QStringList>("lines");  // written, as they read
    QTest::addColumn<QStringList>("absent"); // keys of lines not written

    QTest::newRow("stored data")
        << "UPDATE SettingInfo SET SettingInfoValue='1' WHERE SettingInfoN='PSect';"
           "UPDATE SettingInfo SET SettingInfoValue='2' WHERE SettingInfoN='RNameGrade';"
        << QStringList{"PSect=MULTI", "RName=Иванов Иван;МС;", "nalOpRazr1=5",
                       "RCall=RK3AW", "RCoun=Россия",          "TDate=20150705"}
        << QStringList{"nalOpName1="};
    QTest::newRow("two blanks in a name")
        << "UPDATE SettingInfo SET SettingInfoValue='Иванов  Иван' WHERE SettingInfoN='RName';"
        << QStringList{"RName=Иванов  Иван;;", "nalOpName1=Иванов;Иван;"} << QStringList{};
    // A position outside its list counts as not set.
    QTest::newRow("position -1") << "UPDATE SettingInfo SET SettingInfoValue='-1' WHERE SettingInfoN IN "
                                    "('PSect', 'RCoun', 'RNameGrade');"
                                 << QStringList{"PSect=", "RName=Иванов Иван;;"}
                                 << QStringList{"RCoun=", "nalOpRazr1="};
    QTest::newRow("PSect and RCall missing")
        << "DELETE FROM SettingInfo WHERE SettingInfoN IN ('PSect', 'RCall');"
        << QStringList{"PSect=", "RCall="} << QStringList{};
    // After a grade was deleted in the reference editor, the position names the third row
    // (GradeRowid 3): its short name and its code, not those of GradeRowid 2.
    QTest::newRow("grades with a gap")
        << "DELETE FROM Grade WHERE GradeRowid=1;"
           "UPDATE SettingInfo SET SettingInfoValue='2' WHERE SettingInfoN='RNameGrade';"
        << QStringList{"RName=Иванов Иван;КМС;", "nalOpRazr1=4"} << QStringList{};
    // Another copy's viewer cleared the current flag: the date is still the held contest's.
    QTest::newRow("current flag cleared") << "UPDATE Contest SET ContestActual=0;"
                                             "INSERT INTO Contest VALUES (2, 'Другой', 42300, 42301, 0);"
                                          << QStringList{"TDate=20150705"} << QStringList{};
}

void TestEdiStation::headerFromTheStoredData()
{
    QFETCH(QString, fixture);
    QFETCH(QStringList, lines);
    QFETCH(QStringList, absent);
    m_file->sqlite(fixture);
    m_store = m_file->openStore(m_prompts);
    m_store->openSettingCursors();
    QStringList texts;
    QStringList keys;
    for (const EdiLine& line : ediHeader(EdiExport(*m_store).station(m_input), "144 MHz")) {
        texts << line.text();
        keys << line.key;
    }
    for (const QString& line : std::as_const(lines))
        QVERIFY2(texts.contains(line), qPrintable(line + " not in:\n" + texts.join('\n')));
    for (const QString& key : std::as_const(absent))
        QVERIFY2(!keys.contains(key), qPrintable(key));
}

// A disk that fills while the file is written: the limit on file size makes the write fail
// after the temporary file was made, as a full disk would.
void TestEdiStation::aFailedWriteLeavesTheOlderFile()
{
    m_store = m_file->openStore(m_prompts);
    m_store->openSettingCursors();
    QTemporaryDir folder;
    const QString path = folder.filePath("RK3AW_P_1.edi");
    QFile older(path);
    QVERIFY(older.open(QIODevice::WriteOnly));
    older.write("an older good log\r\n");
    older.close();

    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto savedSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 64; // less than the header
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const EdiExportResult result = EdiExport(*m_store).exportTo(folder.path() + "/", m_input);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, savedSignal);

    QVERIFY(result.written.isEmpty());
    QVERIFY2(result.error.startsWith("Не удалось записать файл " + path + ": "), qPrintable(result.error));
    QVERIFY2(result.error.size() > QString("Не удалось записать файл " + path + ": ").size(),
             qPrintable(result.error)); // the cause is named
    QFile kept(path);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("an older good log\r\n"));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"RK3AW_P_1.edi"});
}

QTEST_GUILESS_MAIN(TestEdiStation)
#include "tst_edistation.moc"
