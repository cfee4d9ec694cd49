#include "station/wsjtxlink.h"
#include "support/dummyrotctld.h"
#include "support/wsjtxsender.h"

#include <QSignalSpy>
#include <QtTest>
#include <QUdpSocket>

// The UDP port WSJT-X reports to, without a window: the server address the operator types, and
// a multicast group every listener on the port receives, this program and another alike.
class TestWsjtxLink : public QObject
{
    Q_OBJECT
private slots:
    void takesTheServerAddressTyped_data();
    void takesTheServerAddressTyped();
    void everyListenerInTheGroupReceives_data();
    void everyListenerInTheGroupReceives();
    void aUnicastAddressIsListenedOnAsBefore();
};

void TestWsjtxLink::takesTheServerAddressTyped_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("address"); // empty: refused
    QTest::newRow("loopback") << "127.0.0.1"
                              << "127.0.0.1";
    QTest::newRow("spaces around") << " 239.255.0.1 "
                                   << "239.255.0.1";
    QTest::newRow("all hosts group") << "224.0.0.1"
                                     << "224.0.0.1";
    QTest::newRow("IPv6 group") << "ff02::1"
                                << "ff02::1";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("a name") << "localhost"
                            << "";
    QTest::newRow("too few parts") << "127.1"
                                   << "";
    QTest::newRow("out of range") << "239.255.0.256"
                                  << "";
    QTest::newRow("port typed in") << "127.0.0.1:2237"
                                   << "";
    QTest::newRow("scoped") << "fe80::1%lo"
                            << "";
}

void TestWsjtxLink::takesTheServerAddressTyped()
{
    QFETCH(QString, typed);
    QFETCH(QString, address);
    const auto taken = wsjtxServerAddress(typed);
    if (address.isEmpty()) {
        const QString* fault = std::get_if<QString>(&taken);
        QVERIFY(fault);
        QVERIFY2(fault->contains("не IP-адрес") && fault->contains("239.255.0.1"), qPrintable(*fault));
    } else {
        QVERIFY(std::holds_alternative<QHostAddress>(taken));
        QCOMPARE(std::get<QHostAddress>(taken), QHostAddress(address));
    }
}

void TestWsjtxLink::everyListenerInTheGroupReceives_data()
{
    QTest::addColumn<QString>("other"); // what else listens on the port
    QTest::newRow("another link") << "link";
    QTest::newRow("another program's socket") << "socket";
}

// Two listeners on the group's port (this program and GridTracker, say) each get every datagram
// WSJT-X sends there; the answer goes back to WSJT-X's own port; a stopped link leaves the group.
void TestWsjtxLink::everyListenerInTheGroupReceives()
{
    QFETCH(QString, other);
    const QHostAddress group("239.255.0.77");
    const quint16 port = DummyDaemon::freePort();
    WsjtxLink link;
    QSignalSpy read(&link, &WsjtxLink::datagramRead);
    QSignalSpy said(&link, &WsjtxLink::stateSaid);
    link.start(port, group);
    QCOMPARE(link.port(), port);
    QVERIFY(link.inGroup());
    QVERIFY(!said.isEmpty());
    QCOMPARE(said.last().first().toString(),
             QString("WSJT-X: ждём сообщений на 239.255.0.77:%1 (группа)").arg(port));

    WsjtxLink otherLink;
    QSignalSpy otherRead(&otherLink, &WsjtxLink::datagramRead);
    QUdpSocket otherSocket;
    if (other == "link") {
        otherLink.start(port, group);
        QCOMPARE(otherLink.port(), port);
    } else {
        QVERIFY(otherSocket.bind(QHostAddress::AnyIPv4, port,
                                 QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint));
        QVERIFY(otherSocket.joinMulticastGroup(group, wsjtx::loopback()));
    }
    int socketGot = 0;
    auto otherGot = [&] {
        if (other == "link")
            return int(otherRead.size());
        while (otherSocket.hasPendingDatagrams())
            socketGot += otherSocket.receiveDatagram().data() == wsjtx::heartbeat() ? 1 : 0;
        return socketGot;
    };

    WsjtxSender wsjtxProgram;
    QVERIFY(wsjtxProgram.sendTo(group, port, wsjtx::heartbeat()));
    QTRY_COMPARE(read.size(), 1);
    QTRY_COMPARE(otherGot(), 1);
    QCOMPARE(read.first().first().value<WsjtxDatagram>().kind, WsjtxDatagram::Heartbeat);

    // The answer goes to the port WSJT-X sent from, not to the group.
    link.highlight("G4XYZ", true);
    const QList<QByteArray> back = wsjtxProgram.received(1);
    QCOMPARE(back.size(), 1);
    QVERIFY(back.first().contains("G4XYZ"));

    // Stopped, the link has left the group and no longer hears it; the other listener still does.
    link.stop();
    QVERIFY(!link.inGroup());
    QCOMPARE(link.port(), 0);
    QVERIFY(wsjtxProgram.sendTo(group, port, wsjtx::heartbeat()));
    QTRY_COMPARE(otherGot(), 2);
    QTest::qWait(100);
    QCOMPARE(read.size(), 1);
}

// 127.0.0.1, the default: the port is bound there alone, no group joined.
void TestWsjtxLink::aUnicastAddressIsListenedOnAsBefore()
{
    WsjtxLink link;
    QSignalSpy read(&link, &WsjtxLink::datagramRead);
    link.start(0);
    QVERIFY(link.port() != 0);
    QVERIFY(!link.inGroup());
    WsjtxSender wsjtxProgram;
    QVERIFY(wsjtxProgram.send(link.port(), wsjtx::heartbeat()));
    QTRY_COMPARE(read.size(), 1);
}

QTEST_GUILESS_MAIN(TestWsjtxLink)
#include "tst_wsjtxlink.moc"
