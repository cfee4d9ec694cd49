#pragma once

#include "station/wsjtxmessage.h"

#include <QHostAddress>
#include <QObject>

class QTimer;
class QUdpSocket;

// The UDP port WSJT-X reports to, on the GUI thread: bound on 127.0.0.1 with address sharing
// (another listener on the port keeps working), read as datagrams come, never waited on. A port
// that cannot be bound is said and tried again after a growing delay; a client not heard for
// kSilenceMs (WSJT-X sends a heartbeat every 15 seconds) is said to be silent, once, and said to
// be back when it is heard again. Datagrams that are not WSJT-X's are dropped and counted.
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

    // HighlightCallsign to the client last heard, in its schema: the call in red while it may
    // not be worked again yet, or its highlighting cleared.
    void highlight(const QString& call, bool asRepeat);

    static constexpr int kSilenceMs = 40000;

signals:
    void datagramRead(const WsjtxDatagram& datagram);
    // The link's state for the hint bar, each change once; empty withdraws it.
    void stateSaid(const QString& message);
    // A datagram was dropped: the count so far and why the last one was.
    void droppedSaid(const QString& message);

private:
    void bind();
    void readPending();

    QUdpSocket* m_socket;
    QTimer* m_retry;
    QTimer* m_silence;
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
