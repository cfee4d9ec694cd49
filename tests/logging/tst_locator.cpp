#include "logging/locator.h"

#include <QtTest>

// Locator geometry, to the figures operators check their logs against.
class TestLocator : public QObject
{
    Q_OBJECT
private slots:
    void azimuthAndDistance_data();
    void azimuthAndDistance();
    void validityAndUpperCase_data();
    void validityAndUpperCase();
    void callerTextIsNotChanged();
    void latLon_data();
    void latLon();
    void partialLocatorsAreCompleted();
    void bearingIsAlwaysAnIntegerFrom0To360();
    void edgesOfTheGrid();
};

void TestLocator::azimuthAndDistance_data()
{
    QTest::addColumn<QString>("own");
    QTest::addColumn<QString>("other");
    QTest::addColumn<int>("azimuth");
    QTest::addColumn<double>("distance");
    QTest::newRow("east") << "KO85AA"
                          << "KO95AA" << 89 << 127.4;
    QTest::newRow("south-west") << "KO85AA"
                                << "JN45AA" << 252 << 2265.3;
    QTest::newRow("and back") << "JN45AA"
                              << "KO85AA" << 51 << 2265.3;
    QTest::newRow("north") << "KO85AA"
                           << "KO86AA" << 0 << 111.1;
    QTest::newRow("south") << "JO21AA"
                           << "JO20AA" << 180 << 111.1;
    QTest::newRow("neighbouring sub-squares") << "KO85MM"
                                              << "KO85MN" << 0 << 4.6;
    QTest::newRow("lower case accepted") << "KO85AA"
                                         << "ko75aa" << 271 << 127.4;
    QTest::newRow("five characters") << "KO85AA"
                                     << "KO85A" << 0 << 0.0;
    QTest::newRow("Z beyond X") << "KO85AA"
                                << "KO85AZ" << 0 << 0.0;
    QTest::newRow("digit for a letter") << "KO85AA"
                                        << "K085AA" << 0 << 0.0;
    QTest::newRow("empty") << "KO85AA"
                           << "" << 0 << 0.0;
    QTest::newRow("Cyrillic") << "KO85AA"
                              << "КO85AA" << 0 << 0.0;
    QTest::newRow("no own locator") << ""
                                    << "KO85AA" << 0 << 0.0;
    // The own sub-square: no distance and no direction, so the needle rests at north.
    for (const char* same : {"KO85UR", "JN88XT", "KN46TF", "JO00SP", "LN58PT", "AA00AA", "XX99XX"})
        QTest::addRow("same locator %s", same) << same << same << 0 << 0.0;
    QTest::newRow("same locator, other case") << "JN88XT"
                                              << "jn88xt" << 0 << 0.0;
}

void TestLocator::azimuthAndDistance()
{
    QFETCH(QString, own);
    QFETCH(QString, other);
    QFETCH(int, azimuth);
    QFETCH(double, distance);
    int a = -1;
    double d = -1;
    LocatorAzimuthDistance(own, other, a, d);
    QCOMPARE(a, azimuth);
    QCOMPARE(d, distance);
}

void TestLocator::validityAndUpperCase_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("after");
    QTest::newRow("valid") << "ko85ur" << true << "KO85UR";
    QTest::newRow("invalid, still upper-cased") << "ko85uz" << false << "KO85UZ";
    QTest::newRow("other length untouched") << "ko85u" << false << "ko85u";
    QTest::newRow("blank inside") << "KO 5UR" << false << "KO 5UR";
}

void TestLocator::validityAndUpperCase()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(QString, after);
    QCOMPARE(LocatorIsValid(text), valid);
    QCOMPARE(text, after);
}

void TestLocator::callerTextIsNotChanged()
{
    const QString own = "ko85aa";
    QString other = "ko75aa";
    int a = 0;
    double d = 0;
    LocatorAzimuthDistance(own, other, a, d);
    QCOMPARE(other, "ko75aa");
    QCOMPARE(d, 127.4);
}

void TestLocator::latLon_data()
{
    QTest::addColumn<QString>("locator");
    QTest::addColumn<double>("longitude");
    QTest::addColumn<double>("latitude");
    QTest::newRow("KO85AA") << "KO85AA" << 36.0000000667 << 55.0000000333;
    QTest::newRow("JN45MM") << "JN45MM" << 9.0000000667 << 45.5000000333;
}

void TestLocator::latLon()
{
    QFETCH(QString, locator);
    QFETCH(double, longitude);
    QFETCH(double, latitude);
    double lon = 0;
    double lat = 0;
    LocatorToLatLon(locator, lon, lat);
    QVERIFY(std::abs(lon - longitude) < 1e-9);
    QVERIFY(std::abs(lat - latitude) < 1e-9);
}

void TestLocator::partialLocatorsAreCompleted()
{
    QCOMPARE(completeLocator("KO"), "KO55AA");
    QCOMPARE(completeLocator("KO8"), "KO85AA");
    QCOMPARE(completeLocator("KO85"), "KO85MM");
    QCOMPARE(completeLocator("KO85U"), "KO85UM");
    QCOMPARE(completeLocator("KO85UR"), "KO85UR");
    QCOMPARE(completeLocator("K"), "K");
}

void TestLocator::bearingIsAlwaysAnIntegerFrom0To360()
{
    // Every sub-square of a band of latitudes against a fixed point, and the same locator
    // on both sides: no NaN, nothing out of range.
    const QString own = "KO85UR";
    for (char f = 'A'; f <= 'R'; ++f) {
        for (char d = '0'; d <= '9'; d += 3) {
            for (char s = 'A'; s <= 'X'; s += 5) {
                const QString other = QString("%1O%2%3%4R").arg(f).arg(d).arg(5).arg(s);
                int a = -1;
                double dist = -1;
                LocatorAzimuthDistance(own, other, a, dist);
                QVERIFY2(a >= 0 && a <= 360 && std::isfinite(dist), qPrintable(other));
            }
        }
    }
}

void TestLocator::edgesOfTheGrid()
{
    int a = -1;
    double d = -1;
    LocatorAzimuthDistance("KO85AA", "XX99XX", a, d); // letters beyond R are valid
    QVERIFY(d > 0);
    LocatorAzimuthDistance("AJ00AA", "JJ00AA", a, d); // two points on the equator, half a world apart
    QCOMPARE(d, 19996.2);
    QVERIFY(a >= 0 && a <= 360);
}

QTEST_GUILESS_MAIN(TestLocator)
#include "tst_locator.moc"
