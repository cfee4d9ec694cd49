#include "logging/lastlocators.h"
#include "support/fakes.h"
#include "support/tempdatabase.h"

#include <QtTest>

// The last locator of every call, and when a typed one differs from it.
class TestLastLocators : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void differing_data();
    void differing();
    void theLastByInsertionFollowsTheLog();

private:
    TempDatabase m_file;
    FakePrompts m_prompts;
    LastLocators m_last;
};

void TestLastLocators::initTestCase()
{
    m_file.openStore(m_prompts); // the new log
    // Inserted out of time order: the last inserted counts, as picking a call from the list.
    m_file.sqlite(
        "INSERT INTO ContestList (IdContest, IdBand, ContestListCall, ContestListQTH, ContestListDateTime) "
        "VALUES (1, 144, 'UA3DX', 'KO91OG', 46000.5), (2, 432, 'UA3DX', 'KO91OF', 45000.5),"
        "(1, 144, 'RA3XX', NULL, 46000.6), (1, 144, 'RK3AW', 'ko85uq', 46000.7)");
    m_last.load(m_file.openStore(m_prompts)->db());
}

void TestLastLocators::differing_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("earlier"); // empty: no warning
    QTest::newRow("moved") << "UA3DX"
                           << "KO91OH"
                           << "KO91OF";
    QTest::newRow("same place") << "UA3DX"
                                << "KO91OF"
                                << "";
    QTest::newRow("lower case, same place") << "ua3dx"
                                            << "ko91of"
                                            << "";
    QTest::newRow("stored in lower case") << "RK3AW"
                                          << "KO85UQ"
                                          << "";
    QTest::newRow("stored in lower case, moved") << "RK3AW"
                                                 << "KO85UR"
                                                 << "KO85UQ";
    QTest::newRow("not yet six characters") << "UA3DX"
                                            << "KO91O"
                                            << "";
    QTest::newRow("not a locator") << "UA3DX"
                                   << "KO91OZ"
                                   << "";
    QTest::newRow("a new call") << "UA9AAA"
                                << "MO06AA"
                                << "";
    QTest::newRow("logged without a locator") << "RA3XX"
                                              << "KO85AA"
                                              << "";
}

void TestLastLocators::differing()
{
    QFETCH(QString, call);
    QFETCH(QString, typed);
    QFETCH(QString, earlier);
    const auto found = m_last.differing(call, typed);
    QCOMPARE(found ? found->locator : QString(), earlier);
}

void TestLastLocators::theLastByInsertionFollowsTheLog()
{
    LastLocators last = m_last;
    QCOMPARE(last.of("UA3DX")->dateTime, 45000.5);
    last.logged("ua3dx", "ko91oh", 46001);
    QCOMPARE(last.of("UA3DX")->locator, "KO91OH");
    // A row deleted in the grid: the log read again gives the earlier one back.
    m_file.sqlite("DELETE FROM ContestList WHERE ContestListQTH='KO91OF'");
    last.load(m_file.openStore(m_prompts)->db());
    QCOMPARE(last.of("UA3DX")->locator, "KO91OG");
    QVERIFY(!last.of("UA9AAA"));
}

QTEST_GUILESS_MAIN(TestLastLocators)
#include "tst_lastlocators.moc"
