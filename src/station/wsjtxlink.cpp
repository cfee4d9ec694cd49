#include "station/wsjtxlink.h"

#include "station/hamlibclient.h"

#include <QNetworkDatagram>
#include <QTimer>
#include <QUdpSocket>

WsjtxLink::WsjtxLink(QObject* parent)
    : QObject(parent), m_socket(new QUdpSocket(this)), m_retry(new QTimer(this)), m_silence(new QTimer(this))
{
    m_retry->setSingleShot(true);
    connect(m_retry, &QTimer::timeout, this, &WsjtxLink::bind);
    m_silence->setSingleShot(true);
    m_silence->setInterval(kSilenceMs);
    connect(m_silence, &QTimer::timeout, this, [this] {
        m_heard = false;
        emit stateSaid(QStringLiteral("WSJT-X не слышно %1 с (порт %2)").arg(kSilenceMs / 1000).arg(port()));
    });
    connect(m_socket, &QUdpSocket::readyRead, this, &WsjtxLink::readPending);
}

void WsjtxLink::start(quint16 port)
{
    stop();
    m_on = true;
    m_wanted = port;
    m_failures = 0;
    bind();
}

void WsjtxLink::stop()
{
    m_on = false;
    m_retry->stop();
    m_silence->stop();
    m_socket->close();
    m_heard = false;
    emit stateSaid(QString());
}

quint16 WsjtxLink::port() const
{
    return m_socket->state() == QAbstractSocket::BoundState ? m_socket->localPort() : 0;
}

void WsjtxLink::bind()
{
    if (!m_on)
        return;
    m_socket->close();
    if (!m_socket->bind(QHostAddress::LocalHost, m_wanted,
                        QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint)) {
        const int delay = HamlibClient::reconnectDelayMs(++m_failures);
        emit stateSaid(QStringLiteral("WSJT-X: порт 127.0.0.1:%1 не открыт (%2), снова через %3 с")
                           .arg(m_wanted)
                           .arg(m_socket->errorString())
                           .arg(delay / 1000));
        m_retry->start(delay);
        return;
    }
    m_failures = 0;
    emit stateSaid(QStringLiteral("WSJT-X: ждём сообщений на 127.0.0.1:%1").arg(port()));
    m_silence->start();
}

void WsjtxLink::readPending()
{
    while (m_socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_socket->receiveDatagram();
        const WsjtxReading reading = readWsjtxDatagram(datagram.data());
        if (!reading.datagram) {
            ++m_dropped;
            emit droppedSaid(QStringLiteral("WSJT-X: отброшено сообщений: %1 (последнее: %2)")
                                 .arg(m_dropped)
                                 .arg(reading.fault));
            continue;
        }
        m_clientAddress = datagram.senderAddress();
        m_clientPort = quint16(datagram.senderPort());
        m_clientSchema = reading.datagram->schema;
        m_clientId = reading.datagram->id;
        m_silence->start();
        if (!std::exchange(m_heard, true))
            emit stateSaid(QStringLiteral("WSJT-X на связи (%1, порт %2)").arg(m_clientId).arg(port()));
        emit datagramRead(*reading.datagram);
    }
}

void WsjtxLink::highlight(const QString& call, bool asRepeat)
{
    if (m_clientPort == 0 || m_socket->state() != QAbstractSocket::BoundState)
        return;
    const std::optional<QRgb> background = asRepeat ? std::optional<QRgb>(qRgb(255, 160, 160)) : std::nullopt;
    const std::optional<QRgb> foreground = asRepeat ? std::optional<QRgb>(qRgb(0, 0, 0)) : std::nullopt;
    m_socket->writeDatagram(
        wsjtxHighlightCallsign(m_clientSchema, m_clientId, call, background, foreground, false),
        m_clientAddress, m_clientPort);
}
