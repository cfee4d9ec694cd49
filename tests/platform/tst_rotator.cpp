#include "platform/rotator.h"
#include "support/dummyrotctld.h"

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
    void anErrorAnswerIsSaid();
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
    // A daemon whose rotator refuses every command, as rotctld answers a fault.
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    connect(&server, &QTcpServer::newConnection, this, [&] {
        QTcpSocket* client = server.nextPendingConnection();
        connect(client, &QTcpSocket::readyRead, client, [client] {
            while (client->canReadLine()) {
                client->readLine();
                client->write("RPRT -1\n");
            }
        });
    });
    Rotator rotator;
    QSignalSpy failed(&rotator, &Rotator::failed);
    QSignalSpy read(&rotator, &Rotator::headingRead);
    rotator.setAddress("127.0.0.1", server.serverPort());
    rotator.turnTo(45);
    QVERIFY(failed.wait(10000));
    QCOMPARE(failed.first().first().toString(),
             QString("Поворотное устройство 127.0.0.1:%1: ответ RPRT -1").arg(server.serverPort()));
    QTest::qWait(1200); // the reading stopped with the failure
    QCOMPARE(failed.size(), 1);
    QVERIFY(read.isEmpty());
}

QTEST_GUILESS_MAIN(TestRotator)
#include "tst_rotator.moc"
