#include "results/contestfigures.h"
#include "store/daycount.h"
#include "support/fakes.h"
#include "support/tempdatabase.h"

#include <QtTest>

// The figures of a contest, without a window: what they count from the stored contacts, the
// rate over the last minutes and per clock hour, and how they follow one changed contact.
class TestContestFigures : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void perBandAndInTotal();
    void rate_data();
    void rate();
    void clockHoursAndPlots();
    void followsOneChangedContact();
    void squares_data();
    void squares();

private:
    static double at(int hour, int minute, int second = 0)
    {
        return toDayCount(QDate(2015, 7, 15), QTime(hour, minute, second));
    }

    std::unique_ptr<TempDatabase> m_file;
    std::unique_ptr<LogStore> m_store;
    FakePrompts m_prompts;
    ContestFigures m_figures;
};

void TestContestFigures::init()
{
    m_store.reset();
    m_file = std::make_unique<TempDatabase>();
    m_store = m_file->openStore(m_prompts);
    m_file->sqlite(fiveContactsOnTwoBands());
    m_figures = ContestFigures();
    m_figures.load(m_store->db(), 1);
}

void TestContestFigures::perBandAndInTotal()
{
    QCOMPARE(m_figures.size(), 5);
    const ContestSummary s = m_figures.summary(at(12, 0));
    QCOMPARE(s.bands.size(), size_t(2));
    struct Expected
    {
        const char* name;
        int contacts;
        double points;
        int squares;
        const char* bestCall;
        const char* bestLocator;
        double bestKm;
        double averageKm;
    };
    const Expected expected[] = {
        {"144 MHz", 3, 938, 3, "RA1CCC", "KO59XX", 700.2, (127.4 + 111.1 + 700.2) / 3},
        {"432 MHz", 2, 514, 1, "R2DDD", "KO95BB", 130.0, (127.4 + 130.0) / 2},
        // Squares in total are the distinct ones over every band.
        {"Всего", 5, 1452, 3, "RA1CCC", "KO59XX", 700.2, (127.4 + 111.1 + 700.2 + 127.4 + 130.0) / 5}};
    const BandFigures* figures[] = {&s.bands[0], &s.bands[1], &s.total};
    for (int i = 0; i < 3; ++i) {
        const BandFigures& f = *figures[i];
        const Expected& e = expected[i];
        QCOMPARE(f.name, QString::fromUtf8(e.name));
        QCOMPARE(f.contacts, e.contacts);
        QCOMPARE(f.points, e.points);
        QCOMPARE(f.squares, e.squares);
        QVERIFY(f.best);
        QCOMPARE(f.best->call, e.bestCall);
        QCOMPARE(f.best->locator, e.bestLocator);
        QCOMPARE(f.best->km, e.bestKm);
        QVERIFY(f.averageKm);
        QCOMPARE(*f.averageKm, e.averageKm);
    }

    // A contact without a distance or a valid locator counts, but makes no DX, no average
    // and no square; an empty contest has figures of nothing.
    m_file->sqlite(
        "INSERT INTO ContestList (ContestListRowid, IdContest, IdBand, ContestListCall, ContestListQTH) "
        "VALUES (7, 1, 1300, 'UA3EEE', 'KO');");
    m_figures.reread(m_store->db(), 7);
    const ContestSummary more = m_figures.summary(at(12, 0));
    QCOMPARE(more.bands.size(), size_t(3));
    QCOMPARE(more.bands[2].name, "1,3 GHz");
    QCOMPARE(more.bands[2].contacts, 1);
    QCOMPARE(more.bands[2].points, 0.0);
    QCOMPARE(more.bands[2].squares, 0);
    QVERIFY(!more.bands[2].best);
    QVERIFY(!more.bands[2].averageKm);
    QCOMPARE(more.total.contacts, 6);
    QCOMPARE(*more.total.averageKm, *s.total.averageKm);

    m_figures.load(m_store->db(), 3);
    const ContestSummary none = m_figures.summary(at(12, 0));
    QVERIFY(none.bands.empty());
    QCOMPARE(none.total.contacts, 0);
    QVERIFY(!none.total.best);
    QVERIFY(none.hours.empty());
}

void TestContestFigures::rate_data()
{
    QTest::addColumn<QTime>("now");
    QTest::addColumn<int>("minutes");
    QTest::addColumn<int>("contacts");
    QTest::addColumn<double>("points");
    // 10:02 127, 10:30 111, 10:40 254, 11:00 700, 11:55 260.
    QTest::newRow("last 10 minutes") << QTime(12, 0) << 10 << 1 << 260.0;
    QTest::newRow("last 60 minutes, the contact of 11:00 just out") << QTime(12, 0) << 60 << 1 << 260.0;
    QTest::newRow("last 60 minutes, a second earlier it is in") << QTime(11, 59, 59) << 60 << 2 << 960.0;
    QTest::newRow("a contact at this very second counts") << QTime(11, 55) << 10 << 1 << 260.0;
    QTest::newRow("the future does not count") << QTime(10, 35) << 60 << 2 << 238.0;
    QTest::newRow("nothing in the last hour") << QTime(13, 0) << 60 << 0 << 0.0;
}

void TestContestFigures::rate()
{
    QFETCH(QTime, now);
    QFETCH(int, minutes);
    QFETCH(int, contacts);
    QFETCH(double, points);
    const RateFigures r = m_figures.rate(toDayCount(QDate(2015, 7, 15), now), minutes);
    QCOMPARE(r.contacts, contacts);
    QCOMPARE(r.points, points);
}

void TestContestFigures::clockHoursAndPlots()
{
    const ContestSummary s = m_figures.summary(at(12, 0));
    QCOMPARE(s.last10Minutes.contacts, 1);
    QCOMPARE(s.last60Minutes.points, 260.0);
    // Clock hours, UTC: 10:00 holds 10:02, 10:30 and 10:40; 11:00 holds 11:00 and 11:55.
    QCOMPARE(s.hours.size(), size_t(2));
    QCOMPARE(s.hours[0].start, at(10, 0));
    QCOMPARE(s.hours[0].contacts, 3);
    QCOMPARE(s.hours[0].points, 492.0);
    QCOMPARE(s.hours[0].bandContacts, (std::vector<int>{2, 1}));
    QCOMPARE(s.hours[1].start, at(11, 0));
    QCOMPARE(s.hours[1].contacts, 2);
    QCOMPARE(s.hours[1].points, 960.0);
    QCOMPARE(s.hours[1].bandContacts, (std::vector<int>{1, 1}));

    // The points gathered over time, per band and in total, ending on the totals.
    QCOMPARE(s.cumulativePoints.size(), size_t(3));
    QCOMPARE(s.cumulativePoints[2].band, 0);
    const QList<QPointF> total = s.cumulativePoints[2].points;
    QCOMPARE(total.size(), 5);
    QCOMPARE(total.first(), QPointF(at(10, 2), 127));
    QCOMPARE(total[2], QPointF(at(10, 40), 492));
    QCOMPARE(total.last(), QPointF(at(11, 55), 1452));
    QCOMPARE(s.cumulativePoints[0].points.last().y(), 938.0);
    QCOMPARE(s.cumulativePoints[1].points.last().y(), 514.0);

    // The directions per band, one point per whole degree and kilometre.
    QCOMPARE(s.directions.size(), size_t(2));
    QCOMPARE(s.directions[0].points, (QList<QPointF>{{89, 127}, {0, 111}, {330, 700}}));
    QCOMPARE(s.directions[1].points, (QList<QPointF>{{89, 127}, {88, 130}}));

    // A second contact in the same minute and place makes no new point but adds its points.
    ScoredContact again{8, 432, "UA3FFF", "KO95AA", at(11, 55, 30), 254, 127.4, 89};
    m_figures.put(again);
    const ContestSummary more = m_figures.summary(at(12, 0));
    QCOMPARE(more.cumulativePoints[2].points.size(), 5);
    QCOMPARE(more.cumulativePoints[2].points.last(), QPointF(at(11, 55, 30), 1706));
    QCOMPARE(more.directions[1].points.size(), 2);
    QCOMPARE(more.hours[1].bandContacts, (std::vector<int>{1, 2}));

    // A log that spans more than the plotted hours keeps its last ones; the totals keep all.
    ScoredContact early{9, 144, "UA3GGG", "KO95AA", at(11, 0) - 3.0, 10, 127.4, 89};
    m_figures.put(early);
    const ContestSummary wide = m_figures.summary(at(12, 0));
    QCOMPARE(wide.hours.size(), size_t(ContestFigures::kPlottedHours));
    QCOMPARE(wide.hours.back().start, at(11, 0));
    QCOMPARE(wide.total.contacts, 7);
}

void TestContestFigures::followsOneChangedContact()
{
    // Edited by the grid, deleted, moved to another contest, added: each read by its rowid.
    m_file->sqlite(
        "UPDATE ContestList SET ContestListResult=500, ContestListCall='UA3BBC' WHERE ContestListRowid=2;"
        "DELETE FROM ContestList WHERE ContestListRowid=5;"
        "UPDATE ContestList SET IdContest=2 WHERE ContestListRowid=4;"
        "INSERT INTO ContestList (ContestListRowid, IdContest, IdBand, ContestListCall, ContestListQTH, "
        "ContestListResult, ContestListDistance, ContestListAzimut) "
        "VALUES (10, 1, 432, 'UA3HHH', 'LO05AA', 900, 901.5, 70);");
    for (qint64 rowid : {2, 5, 4, 10, 6})
        m_figures.reread(m_store->db(), rowid);
    const ContestSummary s = m_figures.summary(at(12, 0));
    QCOMPARE(m_figures.size(), 4);
    QCOMPARE(s.bands[0].points, 127.0 + 500 + 700);
    QCOMPARE(s.bands[1].contacts, 1);
    QCOMPARE(s.bands[1].best->call, "UA3HHH");
    QCOMPARE(s.total.best->km, 901.5);
    QCOMPARE(s.total.points, 127.0 + 500 + 700 + 900);

    // Reading everything again gives the same figures.
    ContestFigures fresh;
    fresh.load(m_store->db(), 1);
    const ContestSummary again = fresh.summary(at(12, 0));
    QCOMPARE(again.total.points, s.total.points);
    QCOMPARE(again.total.squares, s.total.squares);
    QCOMPARE(again.bands[1].best->call, s.bands[1].best->call);
}

void TestContestFigures::squares_data()
{
    QTest::addColumn<QString>("locator");
    QTest::addColumn<QString>("square");
    QTest::newRow("six characters") << "KO85AA"
                                    << "KO85";
    QTest::newRow("lower case") << "ko85aa"
                                << "KO85";
    QTest::newRow("four characters") << "KO85"
                                     << "KO85";
    QTest::newRow("field letter beyond R") << "SO85AA"
                                           << "";
    QTest::newRow("letter for a digit") << "KOA5AA"
                                        << "";
    QTest::newRow("too short") << "KO8"
                               << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestContestFigures::squares()
{
    QFETCH(QString, locator);
    QFETCH(QString, square);
    QCOMPARE(squareOf(locator), square);
}

QTEST_GUILESS_MAIN(TestContestFigures)
#include "tst_contestfigures.moc"
