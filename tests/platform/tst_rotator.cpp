#include "platform/rotator.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

// The rotator against hamlib's own daemon with its dummy rotator, which turns about 6° a
// second, and against a port where nothing listens.
class TestRotator : public QObject
{
    Q_OBJECT
private slots:
    void turnsTheDummyRotator();
    void nothingListeningIsSaidOnce();

private:
    static quint16 freePort();
};

quint16 TestRotator::freePort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

void TestRotator::turnsTheDummyRotator()
{
    const quint16 port = freePort();
    QProcess daemon;
    daemon.start("rotctld", {"-m", "1", "-T", "127.0.0.1", "-t", QString::number(port)});
    QVERIFY2(daemon.waitForStarted(10000), "rotctld (libhamlib-utils) is needed");
    QVERIFY(QTest::qWaitFor(
        [&] {
            QTcpSocket probe;
            probe.connectToHost("127.0.0.1", port);
            return probe.waitForConnected(200);
        },
        10000));
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
    daemon.kill();
    daemon.waitForFinished();
}

void TestRotator::nothingListeningIsSaidOnce()
{
    const quint16 port = freePort();
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
}

QTEST_GUILESS_MAIN(TestRotator)
#include "tst_rotator.moc"
