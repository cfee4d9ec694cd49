#include "wsjtxsender.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QtEndian>
#include <QTime>

namespace wsjtx {

namespace {

template <typename T> QByteArray big(T value)
{
    QByteArray out(qsizetype(sizeof(T)), '\0');
    qToBigEndian(value, out.data());
    return out;
}

} // namespace

QByteArray header(quint32 type, const QString& id, quint32 schema)
{
    return big(quint32(0xadbccbda)) + big(schema) + big(type) + text(id);
}

QByteArray text(const QString& value)
{
    const QByteArray utf8 = value.toUtf8();
    return big(quint32(utf8.size())) + utf8;
}

QByteArray status(qint64 dialHz, const QString& mode, const QString& dxCall, const QString& dxGrid,
                  quint32 schema)
{
    return header(1, QStringLiteral("WSJT-X"), schema) + big(quint64(dialHz)) + text(mode) + text(dxCall) +
           text(QStringLiteral("-05")) + text(mode) + big(quint8(0)) + big(quint8(0)) + big(quint8(1)) +
           big(qint32(1500)) + big(qint32(1500)) + text(QStringLiteral("UA3ABC")) +
           text(QStringLiteral("KO85")) + text(dxGrid) + big(quint8(0)) + text(QString()) + big(quint8(0)) +
           big(quint8(2));
}

QByteArray decode(const QString& message, const QString& mode, const QString& id)
{
    return header(2, id) + big(quint8(1)) + big(quint32(50400000)) + big(qint32(-7)) + big(quint64(0)) +
           big(quint32(1200)) + text(mode) + text(message) + big(quint8(0)) + big(quint8(0));
}

QByteArray loggedAdif(const QString& adif)
{
    return header(12) + text(adif);
}

QByteArray close()
{
    return header(6);
}

QByteArray heartbeat()
{
    return header(0) + big(quint32(3)) + text(QStringLiteral("2.6.1")) + text(QStringLiteral("abc"));
}

QString adif(const QList<std::pair<QString, QString>>& fields)
{
    QString out = QStringLiteral("\n<adif_ver:5>3.1.0\n<programid:6>WSJT-X\n<EOH>\n");
    for (const auto& [name, value] : fields)
        out += QStringLiteral("<%1:%2>%3 ").arg(name.toLower()).arg(value.toUtf8().size()).arg(value);
    return out + QStringLiteral("<EOR>");
}

QString contestAdif(const QList<std::pair<QString, QString>>& changes)
{
    QList<std::pair<QString, QString>> fields{{"CALL", "G4XYZ"},
                                              {"GRIDSQUARE", "IO91WM"},
                                              {"MODE", "MSK144"},
                                              {"RST_SENT", "57"},
                                              {"RST_RCVD", "55"},
                                              {"QSO_DATE", "20260502"},
                                              {"TIME_ON", "140530"},
                                              {"QSO_DATE_OFF", "20260502"},
                                              {"TIME_OFF", "140610"},
                                              {"BAND", "2m"},
                                              {"FREQ", "144.360500"},
                                              {"STATION_CALLSIGN", "UA3ABC"},
                                              {"MY_GRIDSQUARE", "KO85TS"},
                                              {"STX", "002"},
                                              {"SRX", "017"}};
    for (const auto& [name, value] : changes) {
        bool replaced = false;
        for (auto& field : fields) {
            if (field.first == name) {
                field.second = value;
                replaced = true;
            }
        }
        if (!replaced)
            fields.append({name, value});
    }
    fields.removeIf([](const auto& field) { return field.second.isNull(); });
    return adif(fields);
}

QList<QByteArray> contestBurst(int count)
{
    QList<QByteArray> burst;
    for (int i = 0; i < count; ++i) {
        const QString call = QStringLiteral("G4%1%2%3")
                                 .arg(QChar(u'A' + i / 676 % 26))
                                 .arg(QChar(u'A' + i / 26 % 26))
                                 .arg(QChar(u'A' + i % 26));
        const QString timeOn = QTime(14, 0).addSecs(i).toString(QStringLiteral("HHmmss"));
        burst << loggedAdif(contestAdif({{"CALL", call},
                                         {"TIME_ON", timeOn},
                                         {"STX", QStringLiteral("%1").arg(i + 1, 3, 10, QLatin1Char('0'))}}));
    }
    return burst;
}

QNetworkInterface loopback()
{
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& i : interfaces)
        if (i.flags().testFlag(QNetworkInterface::IsLoopBack))
            return i;
    return QNetworkInterface();
}

} // namespace wsjtx

WsjtxSender::WsjtxSender()
{
    m_socket.bind(QHostAddress::LocalHost, 0);
}

bool WsjtxSender::send(quint16 port, const QByteArray& datagram)
{
    return m_socket.writeDatagram(datagram, QHostAddress::LocalHost, port) == datagram.size();
}

bool WsjtxSender::sendTo(const QHostAddress& address, quint16 port, const QByteArray& datagram)
{
    if (address.isMulticast())
        m_socket.setMulticastInterface(wsjtx::loopback());
    return m_socket.writeDatagram(datagram, address, port) == datagram.size();
}

QList<QByteArray> WsjtxSender::received(int count, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (true) {
        while (m_socket.hasPendingDatagrams())
            m_received << m_socket.receiveDatagram().data();
        if (m_received.size() >= count || clock.elapsed() > ms)
            break;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        m_socket.waitForReadyRead(20);
    }
    return std::exchange(m_received, {});
}
