#pragma once

#include "station/wsjtxmessage.h"

#include <QHostAddress>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QObject>
#include <QQueue>

#include <variant>

class QTimer;
class QUdpSocket;

// The UDP server address the operator typed (as in WSJT-X's setting): an IP address, unicast or
// a multicast group, or why the text is none.
std::variant<QHostAddress, QString> wsjtxServerAddress(const QString& text);

// The UDP port WSJT-X reports to, on the GUI thread, read as datagrams come, never waited on. On
// a unicast address (127.0.0.1) Linux hands each datagram to one socket of those sharing the
// port, so another listener there (GridTracker, JTAlert) misses what this one gets. WSJT-X's own
// answer is a multicast server address: then the port is bound on every address with sharing and
// the group joined, on the loopback interface (WSJT-X on this computer) and on the default one,
// and every listener in the group gets every datagram. A port
// that cannot be bound is said and tried again after a growing delay; a client not heard for
// kSilenceMs (WSJT-X sends a heartbeat every 15 seconds) is said to be silent, once, and said to
// be back when it is heard again. Datagrams that are not WSJT-X's are dropped and counted.
//
// A burst (WSJT-X resends its logged contacts on reconnecting) must not overflow the kernel's
// receive buffer while contacts are being saved on this thread: the buffer is enlarged, and each
// readyRead takes every waiting datagram into a queue at once, which is then handed on a slice of
// at most kSliceMs per event-loop turn, so typing goes on and the socket is read between slices.
class WsjtxLink : public QObject
{
    Q_OBJECT
public:
    explicit WsjtxLink(QObject* parent = nullptr);

    // Listens on the port of `address` from now on (0: a free one, for tests), joining it when it is
    // a multicast group; the earlier port is closed and its group left.
    void start(quint16 port, const QHostAddress& address = QHostAddress(QHostAddress::LocalHost));
    void stop();
    bool isOn() const { return m_on; }
    // The port listened on; 0 while not bound.
    quint16 port() const;
    // Whether the multicast group is joined on at least one interface.
    bool inGroup() const { return !m_joined.isEmpty(); }
    int dropped() const { return m_dropped; }
    // The receive buffer the kernel granted (as it counts it); 0 while not bound.
    int receiveBufferBytes() const;
    // Datagrams read from the socket and not yet handed on.
    qsizetype queued() const { return m_queue.size(); }

    // HighlightCallsign to the client last heard, in its schema: the call in red while it may
    // not be worked again yet, or its highlighting cleared.
    void highlight(const QString& call, bool asRepeat);

    static constexpr int kSilenceMs = 40000;
    static constexpr int kReceiveBufferBytes = 8 * 1024 * 1024;
    static constexpr int kSliceMs = 15;
    // Beyond this many datagrams waiting, a flood is dropped and counted as the kernel would.
    static constexpr qsizetype kQueueLimit = 100000;

signals:
    void datagramRead(const WsjtxDatagram& datagram);
    // The link's state for the hint bar, each change once; empty withdraws it.
    void stateSaid(const QString& message);
    // A datagram was dropped: the count so far and why the last one was.
    void droppedSaid(const QString& message);
    // The kernel granted a smaller receive buffer than asked for; empty once it granted it all.
    void bufferSaid(const QString& message);
    // A datagram came from another address, port or client id than the last one heard (WSJT-X
    // restarted, or another client): said before the datagram is handed on.
    void clientChanged();

private:
    void bind();
    // Joins m_address on the loopback interface and on the one the system picks; whether any took it.
    bool joinGroup();
    // Leaves the group and closes the socket.
    void closeSocket();
    void growReceiveBuffer();
    void readPending();
    void handSlice();
    void drop(const QString& why);

    QUdpSocket* m_socket;
    QTimer* m_retry;
    QTimer* m_silence;
    QTimer* m_slice;
    QQueue<QNetworkDatagram> m_queue;
    quint16 m_wanted = 0;
    QHostAddress m_address{QHostAddress::LocalHost};
    // The interfaces the group is joined on (an invalid one: the system's choice).
    QList<QNetworkInterface> m_joined;
    bool m_on = false;
    int m_failures = 0;
    int m_dropped = 0;
    bool m_heard = false;
    // The client last heard: where HighlightCallsign goes, and in which schema.
    QHostAddress m_clientAddress;
    quint16 m_clientPort = 0;
    quint32 m_clientSchema = 2;
    QString m_clientId;
};
