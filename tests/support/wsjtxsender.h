#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkInterface>
#include <QString>
#include <QUdpSocket>

// Datagrams of WSJT-X's UDP protocol built from its documented layout (big-endian, magic,
// schema, type, id, then the fields), and a sender that plays WSJT-X on a local port of its
// own: it sends to the program's port and keeps what comes back.
namespace wsjtx {

// The header of a datagram of `type`, for client `id`.
QByteArray header(quint32 type, const QString& id = QStringLiteral("WSJT-X"), quint32 schema = 3);
// A utf8 field: byte count and bytes.
QByteArray text(const QString& value);
QByteArray status(qint64 dialHz, const QString& mode, const QString& dxCall, const QString& dxGrid,
                  quint32 schema = 3);
QByteArray decode(const QString& message, const QString& mode = QStringLiteral("FT8"),
                  const QString& id = QStringLiteral("WSJT-X"));
// Close: the client is closing down.
QByteArray close();
QByteArray loggedAdif(const QString& adif);
QByteArray heartbeat();

// A LoggedADIF text as WSJT-X writes it: a header and one record of the given fields, in order
// ("CALL", "G4XYZ", ...), each with its byte count.
QString adif(const QList<std::pair<QString, QString>>& fields);

// An EU VHF contest contact from WSJT-X: MSK144 with G4XYZ in IO91WM on 144.360 MHz, 2026-05-02
// 14:05:30 UTC, reports 57 and 55, serials 002 sent and 017 received; `changes` replace fields.
QString contestAdif(const QList<std::pair<QString, QString>>& changes = {});

// `count` LoggedADIF datagrams of distinct contest contacts (G4AAA, G4AAB, ...), a second apart
// from 14:00:00 with serials counting up, as WSJT-X resends its log on reconnecting.
QList<QByteArray> contestBurst(int count);

// The loopback interface, where WSJT-X on this computer sends to a multicast server address.
QNetworkInterface loopback();

} // namespace wsjtx

class WsjtxSender
{
public:
    WsjtxSender();
    // Sends one datagram to 127.0.0.1:port.
    bool send(quint16 port, const QByteArray& datagram);
    // Sends one datagram to a multicast group on this computer (out of the loopback interface, as
    // WSJT-X does with its server address on this computer), or to a unicast address.
    bool sendTo(const QHostAddress& address, quint16 port, const QByteArray& datagram);
    // What came back (HighlightCallsign), waiting up to `ms` for at least `count` datagrams.
    QList<QByteArray> received(int count, int ms = 3000);

private:
    QUdpSocket m_socket;
    QList<QByteArray> m_received;
};
