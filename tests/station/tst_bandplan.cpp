#include "station/bandplan.h"

#include <QtTest>

// Which band and mode of the log a rig is on, and where a frequency on a band tunes it.
class TestBandPlan : public QObject
{
    Q_OBJECT
private slots:
    void theBandOfARigFrequency_data();
    void theBandOfARigFrequency();
    void frequenciesOnABandAndOnTheRig_data();
    void frequenciesOnABandAndOnTheRig();
    void aFrequencyUnderTheOffsetTunesNothing();
    void aStoredFrequencyOnAnotherBandIsNotItsOwn();
    void theModeOfARigMode_data();
    void theModeOfARigMode();
};

namespace {
// The seed's bands in the list's order.
const int kKeys[] = {144, 432, 1300, 2300, 5700, 10000, 24000};
enum { B144, B432, B1300, B2300, B5700, B10G, B24G, None = -1 };
} // namespace

void TestBandPlan::theBandOfARigFrequency_data()
{
    QTest::addColumn<int>("offsetOn"); // the band with a transverter, or None
    QTest::addColumn<double>("offsetMHz");
    QTest::addColumn<int>("chosen");
    QTest::addColumn<qint64>("rigHz");
    QTest::addColumn<int>("band");
    QTest::newRow("another band") << int(None) << 0.0 << int(B144) << qint64(432200000) << int(B432);
    QTest::newRow("nothing chosen") << int(None) << 0.0 << int(None) << qint64(432200000) << int(B432);
    QTest::newRow("1,3 GHz through a transverter stays")
        << int(B1300) << 1152.0 << int(B1300) << qint64(144200000) << int(B1300);
    QTest::newRow("144 chosen stays though 1,3 GHz has a transverter")
        << int(B1300) << 1152.0 << int(B144) << qint64(144200000) << int(B144);
    QTest::newRow("the first band that holds it")
        << int(B1300) << 1152.0 << int(B432) << qint64(144200000) << int(B144);
    QTest::newRow("1,3 GHz with no transverter")
        << int(None) << 0.0 << int(B1300) << qint64(144200000) << int(B144);
    QTest::newRow("10 GHz through 432") << int(B10G) << 9936.0 << int(B10G) << qint64(432200000) << int(B10G);
    QTest::newRow("24 GHz through 144")
        << int(B24G) << 23904.0 << int(B24G) << qint64(144200000) << int(B24G);
    QTest::newRow("the top edge") << int(None) << 0.0 << int(B432) << qint64(146000000) << int(B144);
    QTest::newRow("past the top edge") << int(None) << 0.0 << int(B144) << qint64(146000001) << int(None);
    QTest::newRow("the bottom edge") << int(None) << 0.0 << int(B144) << qint64(1240000000) << int(B1300);
    QTest::newRow("40 m") << int(None) << 0.0 << int(B144) << qint64(7050000) << int(None);
    QTest::newRow("an offset no transverter has")
        << int(B1300) << 1e300 << int(B1300) << qint64(1296200000) << int(None);
}

void TestBandPlan::theBandOfARigFrequency()
{
    QFETCH(int, offsetOn);
    QFETCH(double, offsetMHz);
    QFETCH(int, chosen);
    QFETCH(qint64, rigHz);
    QFETCH(int, band);
    std::vector<StationBand> bands;
    for (int key : kKeys)
        bands.push_back({key, 0});
    if (offsetOn != None)
        bands[size_t(offsetOn)].offsetMHz = offsetMHz;
    QCOMPARE(bandOfRigFrequency(bands, chosen, rigHz).value_or(None), band);
}

void TestBandPlan::frequenciesOnABandAndOnTheRig_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<double>("offsetMHz");
    QTest::addColumn<qint64>("rigHz");
    QTest::addColumn<qint64>("bandHz"); // 0: none
    QTest::newRow("no transverter") << 432 << 0.0 << qint64(432200000) << qint64(432200000);
    QTest::newRow("a transverter") << 1300 << 1152.0 << qint64(144200000) << qint64(1296200000);
    QTest::newRow("an offset of kHz") << 2300 << 2176.125 << qint64(144200000) << qint64(2320325000);
    QTest::newRow("off the band") << 1300 << 1152.0 << qint64(432200000) << qint64(0);
    QTest::newRow("a band the table lacks") << 50 << 0.0 << qint64(50200000) << qint64(0);
}

void TestBandPlan::frequenciesOnABandAndOnTheRig()
{
    QFETCH(int, key);
    QFETCH(double, offsetMHz);
    QFETCH(qint64, rigHz);
    QFETCH(qint64, bandHz);
    const StationBand band{key, offsetMHz};
    QCOMPARE(frequencyOnBand(band, rigHz).value_or(0), bandHz);
    if (bandHz != 0)
        QCOMPARE(rigFrequencyFor(band, bandHz), rigHz); // tuning there puts the rig back
}

void TestBandPlan::aFrequencyUnderTheOffsetTunesNothing()
{
    QCOMPARE(rigFrequencyFor({1300, 1152}, 1152000000), std::nullopt);
    QCOMPARE(rigFrequencyFor({1300, 1e300}, 1296200000), std::nullopt);
}

// A contact moved from 432 to 144 MHz in the grid keeps 432.2 MHz, which the export must not
// write as the frequency of a 144 MHz contact.
void TestBandPlan::aStoredFrequencyOnAnotherBandIsNotItsOwn()
{
    QVERIFY(storedFrequencyFitsBand(432, 432.2));
    QVERIFY(storedFrequencyFitsBand(144, 146.0));
    QVERIFY(!storedFrequencyFitsBand(144, 432.2));
    QVERIFY(!storedFrequencyFitsBand(50, 50.2)); // a band the table lacks
}

void TestBandPlan::theModeOfARigMode_data()
{
    QTest::addColumn<QString>("rigMode");
    QTest::addColumn<int>("code"); // 0: the mode stays
    QTest::newRow("USB") << "USB" << 1;
    QTest::newRow("LSB") << "LSB" << 1;
    QTest::newRow("CW") << "CW" << 2;
    QTest::newRow("CWR") << "CWR" << 2;
    QTest::newRow("FM") << "FM" << 6;
    QTest::newRow("FMN") << "FMN" << 6;
    QTest::newRow("AM") << "AM" << 5;
    QTest::newRow("lower case") << "usb" << 1;
    QTest::newRow("PKTUSB") << "PKTUSB" << 0;
    QTest::newRow("PKTFM") << "PKTFM" << 0;
    QTest::newRow("RTTY") << "RTTY" << 0;
    QTest::newRow("WFM") << "WFM" << 0;
}

void TestBandPlan::theModeOfARigMode()
{
    QFETCH(QString, rigMode);
    QFETCH(int, code);
    QCOMPARE(modeCodeOfRigMode(rigMode).value_or(0), code);
}

QTEST_GUILESS_MAIN(TestBandPlan)
#include "tst_bandplan.moc"
