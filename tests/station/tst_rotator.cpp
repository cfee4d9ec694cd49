#include "station/rotator.h"
#include "support/dummyrotctld.h"

#include <QSignalSpy>
#include <QtTest>

// The rotator against hamlib's own daemon with its dummy rotator, which turns about 6° a
// second, against a port where nothing listens, and against a fake daemon for the faults.
class TestRotator : public QObject
{
    Q_OBJECT
private slots:
    void turnsTheDummyRotator();
    void nothingListeningIsSaidOnce();
    void anErrorAnswerIsSaid();
    void aHeadingThatIsNotANumberIsAnError_data();
    void aHeadingThatIsNotANumberIsAnError();
    void aSilentDaemonIsSaidOnce();
    void aTurnStaysWithinTheRange_data();
    void aTurnStaysWithinTheRange();
    void turnsADummyRotatorThatStopsAtSouth();
    void whileOnItConnectsAgainLaterEachTime();
};

void TestRotator::turnsTheDummyRotator()
{
    DummyRotctld daemon;
    QVERIFY2(daemon.start(), "rotctld (libhamlib-utils) is needed");
    const quint16 port = daemon.port();
    Rotator rotator;
    QSignalSpy failed(&rotator, &Rotator::failed);
    double heading = -1;
    connect(&rotator, &Rotator::headingRead, this, [&](double azimuth) { heading = azimuth; });
    rotator.setAddress("127.0.0.1", port);
    rotator.turnTo(152);
    QVERIFY2(QTest::qWaitFor([&] { return std::abs(heading - 152) < 1; }, 90000),
             qPrintable(QString::number(heading)));
    QVERIFY2(failed.isEmpty(), qPrintable(failed.isEmpty() ? "" : failed.first().first().toString()));
    rotator.stop();
}

void TestRotator::nothingListeningIsSaidOnce()
{
    const quint16 port = DummyRotctld::freePort();
    Rotator rotator;
    QSignalSpy failed(&rotator, &Rotator::failed);
    rotator.setAddress("127.0.0.1", port);
    rotator.turnTo(90);
    QVERIFY(failed.wait(10000));
    QVERIFY2(failed.first().first().toString().startsWith(
                 QString("Поворотное устройство 127.0.0.1:%1: ").arg(port)),
             qPrintable(failed.first().first().toString()));
    rotator.turnTo(91); // tried again at the next turn, not said again
    QTest::qWait(500);
    QCOMPARE(failed.size(), 1);
    // Once the daemon is up, the next turn connects again.
    DummyRotctld daemon;
    QVERIFY2(daemon.start(port), "rotctld (libhamlib-utils) is needed");
    QSignalSpy read(&rotator, &Rotator::headingRead);
    rotator.turnTo(20);
    QVERIFY(read.wait(10000));
    QCOMPARE(failed.size(), 1);
}

void TestRotator::anErrorAnswerIsSaid()
{
    FakeRotctld daemon;
    daemon.refusesAll = true;
    Rotator rotator;
    QSignalSpy failed(&rotator, &Rotator::failed);
    QSignalSpy read(&rotator, &Rotator::headingRead);
    rotator.setAddress("127.0.0.1", daemon.port());
    rotator.turnTo(45);
    QVERIFY(failed.wait(10000));
    QCOMPARE(failed.first().first().toString(),
             QString("Поворотное устройство 127.0.0.1:%1: ответ RPRT -1").arg(daemon.port()));
    QTest::qWait(1200); // the reading stopped with the failure
    QCOMPARE(failed.size(), 1);
    QVERIFY(read.isEmpty());
}

void TestRotator::aHeadingThatIsNotANumberIsAnError_data()
{
    QTest::addColumn<QByteArray>("heading");
    QTest::newRow("nan") << QByteArray("nan");
    QTest::newRow("inf") << QByteArray("-inf");
    QTest::newRow("word") << QByteArray("north");
}

void TestRotator::aHeadingThatIsNotANumberIsAnError()
{
    QFETCH(QByteArray, heading);
    FakeRotctld daemon;
    daemon.heading = heading;
    Rotator rotator;
    QSignalSpy failed(&rotator, &Rotator::failed);
    QSignalSpy read(&rotator, &Rotator::headingRead);
    rotator.setAddress("127.0.0.1", daemon.port());
    rotator.start();
    QVERIFY(failed.wait(3000));
    QCOMPARE(failed.first().first().toString(),
             QString("Поворотное устройство 127.0.0.1:%1: непонятный ответ \"%2\"")
                 .arg(daemon.port())
                 .arg(QString::fromLatin1(heading)));
    const qsizetype asked = daemon.received.size();
    QTest::qWait(1200); // the reading stopped with the failure
    QCOMPARE(failed.size(), 1);
    QCOMPARE(daemon.received.size(), asked);
    QVERIFY(read.isEmpty());
}

void TestRotator::aSilentDaemonIsSaidOnce()
{
    // It answers the heading twice, then nothing: not even the turn.
    FakeRotctld daemon;
    daemon.readingsBeforeSilence = 2;
    Rotator rotator;
    QSignalSpy failed(&rotator, &Rotator::failed);
    QSignalSpy read(&rotator, &Rotator::headingRead);
    rotator.setAddress("127.0.0.1", daemon.port());
    rotator.start();
    QTRY_COMPARE_WITH_TIMEOUT(read.size(), 2, 3000);
    rotator.turnTo(90);
    QVERIFY(failed.wait(6000));
    QCOMPARE(failed.first().first().toString(),
             QString("Поворотное устройство 127.0.0.1:%1: нет ответа за 5 с").arg(daemon.port()));
    const qsizetype asked = daemon.received.size();
    QTest::qWait(1200); // the reading stopped with the failure
    QCOMPARE(failed.size(), 1);
    QCOMPARE(daemon.received.size(), asked);
    QCOMPARE(read.size(), 2);
    daemon.readingsBeforeSilence = -1; // back, and the next turn connects again
    rotator.turnTo(91);
    QTRY_VERIFY_WITH_TIMEOUT(daemon.received.contains("P 91 0"), 3000);
    QTRY_COMPARE_WITH_TIMEOUT(read.size(), 3, 3000);
    QCOMPARE(daemon.connections, 2);
    QCOMPARE(failed.size(), 1);
}

void TestRotator::aTurnStaysWithinTheRange_data()
{
    using Range = FakeRotctld::Range;
    QTest::addColumn<Range>("range");
    QTest::addColumn<int>("azimuth");
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("west, stop at south") << Range({-180, 180}) << 270 << QByteArray("P -90 0");
    QTest::newRow("south, stop at south") << Range({-180, 180}) << 180 << QByteArray("P 180 0");
    QTest::newRow("east, stop at south") << Range({-180, 180}) << 90 << QByteArray("P 90 0");
    QTest::newRow("overlap") << Range({0, 450}) << 270 << QByteArray("P 270 0");
    QTest::newRow("stop at east") << Range({90, 450}) << 45 << QByteArray("P 405 0");
    QTest::newRow("not told") << Range() << 270 << QByteArray("P 270 0");
}

void TestRotator::aTurnStaysWithinTheRange()
{
    QFETCH(FakeRotctld::Range, range);
    QFETCH(int, azimuth);
    QFETCH(QByteArray, sent);
    FakeRotctld daemon;
    daemon.range = range;
    Rotator rotator;
    QSignalSpy failed(&rotator, &Rotator::failed);
    rotator.setAddress("127.0.0.1", daemon.port());
    rotator.turnTo(azimuth);
    QTRY_VERIFY_WITH_TIMEOUT(daemon.received.contains(sent), 3000);
    QCOMPARE(daemon.received.first(), "+\\dump_state");
    rotator.turnTo(azimuth); // the range is asked once per connection
    QTRY_COMPARE_WITH_TIMEOUT(daemon.received.count(sent), 2, 3000);
    QCOMPARE(daemon.received.count("+\\dump_state"), 1);
    QCOMPARE(daemon.connections, 1);
    QVERIFY(failed.isEmpty());
}

void TestRotator::turnsADummyRotatorThatStopsAtSouth()
{
    // hamlib's dummy rotator refuses 350 when its range is -180..180; -10 it takes.
    DummyRotctld daemon;
    QVERIFY2(daemon.start(0, "min_az=-180,max_az=180"), "rotctld (libhamlib-utils) is needed");
    Rotator rotator;
    QSignalSpy failed(&rotator, &Rotator::failed);
    double heading = 0;
    connect(&rotator, &Rotator::headingRead, this, [&](double azimuth) { heading = azimuth; });
    rotator.setAddress("127.0.0.1", daemon.port());
    rotator.turnTo(350);
    QVERIFY2(QTest::qWaitFor([&] { return std::abs(heading + 10) < 1; }, 20000),
             qPrintable(QString::number(heading)));
    QVERIFY2(failed.isEmpty(), qPrintable(failed.isEmpty() ? "" : failed.first().first().toString()));
    rotator.stop();
}

void TestRotator::whileOnItConnectsAgainLaterEachTime()
{
    FakeRotctld daemon;
    daemon.refusesAll = true;
    Rotator rotator;
    QSignalSpy failed(&rotator, &Rotator::failed);
    QSignalSpy again(&rotator, &Rotator::answersAgain);
    QSignalSpy read(&rotator, &Rotator::headingRead);
    rotator.setAddress("127.0.0.1", daemon.port());
    rotator.start();
    QVERIFY(failed.wait(3000));
    QElapsedTimer waited;
    waited.start();
    QTRY_COMPARE_WITH_TIMEOUT(daemon.connections, 2, 4000);
    const qint64 first = waited.restart();
    QTRY_COMPARE_WITH_TIMEOUT(daemon.received.count("p"), 2, 3000); // refused again: not said again
    daemon.refusesAll = false;
    QVERIFY(again.wait(7000));
    const qint64 second = waited.elapsed();
    QVERIFY2(first > 1500 && first < 3000 && second > 3500 && second < 5500,
             qPrintable(QString("%1 ms, then %2 ms").arg(first).arg(second)));
    QCOMPARE(daemon.connections, 3);
    QCOMPARE(failed.size(), 1);
    QCOMPARE(again.size(), 1);
    QCOMPARE(again.first().first().toString(),
             QString("Поворотное устройство 127.0.0.1:%1: снова отвечает").arg(daemon.port()));
    QTRY_VERIFY_WITH_TIMEOUT(!read.isEmpty(), 2000);
}

QTEST_GUILESS_MAIN(TestRotator)
#include "tst_rotator.moc"
