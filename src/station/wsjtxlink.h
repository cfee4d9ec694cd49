#pragma once

#include "station/wsjtxmessage.h"

#include <QHostAddress>
#include <QNetworkDatagram>
#include <QObject>
#include <QQueue>

class QTimer;
class QUdpSocket;

// The UDP port WSJT-X reports to, on the GUI thread: bound on 127.0.0.1 with address sharing
// (another listener on the port keeps working), read as datagrams come, never waited on. A port
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

    // Listens on the port from now on (0: a free one, for tests); the earlier port is closed.
    void start(quint16 port);
    void stop();
    bool isOn() const { return m_on; }
    // The port listened on; 0 while not bound.
    quint16 port() const;
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
