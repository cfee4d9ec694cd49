#include "station/wsjtxlink.h"

#include "station/hamlibclient.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QUdpSocket>

#include <sys/socket.h>

std::variant<QHostAddress, QString> wsjtxServerAddress(const QString& text)
{
    const QString trimmed = text.trimmed();
    QHostAddress address;
    // QHostAddress takes a scope (fe80::1%eth0) and a few shorthands; the operator types the
    // dotted form or an IPv6 address, as WSJT-X shows them.
    if (!trimmed.isEmpty() && address.setAddress(trimmed) && address.scopeId().isEmpty() &&
        (address.protocol() != QAbstractSocket::IPv4Protocol || trimmed.count(QLatin1Char('.')) == 3))
        return address;
    return QStringLiteral("«%1» — не IP-адрес. Укажите 127.0.0.1 или, когда порт слушает ещё одна "
                          "программа, адрес группы, например 239.255.0.1 (тот же, что в WSJT-X)")
        .arg(trimmed.left(60));
}

WsjtxLink::WsjtxLink(QObject* parent)
    : QObject(parent), m_socket(new QUdpSocket(this)), m_retry(new QTimer(this)), m_silence(new QTimer(this)),
      m_slice(new QTimer(this))
{
    m_slice->setSingleShot(true);
    m_slice->setInterval(0);
    connect(m_slice, &QTimer::timeout, this, &WsjtxLink::handSlice);
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

void WsjtxLink::start(quint16 port, const QHostAddress& address)
{
    stop();
    m_on = true;
    m_wanted = port;
    m_address = address;
    m_failures = 0;
    bind();
}

// What is queued was received while on and may hold logged contacts: it is still handed on.
void WsjtxLink::stop()
{
    m_on = false;
    m_retry->stop();
    m_silence->stop();
    closeSocket();
    m_heard = false;
    emit bufferSaid(QString());
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
    closeSocket();
    const bool group = m_address.isMulticast();
    const QHostAddress local =
        !group ? m_address
               : QHostAddress(m_address.protocol() == QAbstractSocket::IPv6Protocol ? QHostAddress::AnyIPv6
                                                                                    : QHostAddress::AnyIPv4);
    const bool bound =
        m_socket->bind(local, m_wanted, QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint);
    if (!bound || (group && !joinGroup())) {
        const QString why = m_socket->errorString();
        closeSocket();
        const int delay = HamlibClient::reconnectDelayMs(++m_failures);
        emit stateSaid(QStringLiteral("WSJT-X: %1 %2:%3 не открыт (%4), снова через %5 с")
                           .arg(bound ? QStringLiteral("группа") : QStringLiteral("порт"))
                           .arg(m_address.toString())
                           .arg(m_wanted)
                           .arg(why)
                           .arg(delay / 1000));
        m_retry->start(delay);
        return;
    }
    m_failures = 0;
    growReceiveBuffer();
    emit stateSaid(QStringLiteral("WSJT-X: ждём сообщений на %1:%2%3")
                       .arg(m_address.toString())
                       .arg(port())
                       .arg(group ? QStringLiteral(" (группа)") : QString()));
    m_silence->start();
}

bool WsjtxLink::joinGroup()
{
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& i : interfaces) {
        if (i.flags().testFlag(QNetworkInterface::IsLoopBack) &&
            i.flags().testFlag(QNetworkInterface::IsUp) && m_socket->joinMulticastGroup(m_address, i))
            m_joined << i;
    }
    // The system's choice may be the loopback interface itself, joined already: not a failure then.
    if (m_socket->joinMulticastGroup(m_address))
        m_joined << QNetworkInterface();
    return !m_joined.isEmpty();
}

void WsjtxLink::closeSocket()
{
    if (m_socket->state() == QAbstractSocket::BoundState) {
        for (const QNetworkInterface& i : std::as_const(m_joined)) {
            if (i.isValid())
                m_socket->leaveMulticastGroup(m_address, i);
            else
                m_socket->leaveMulticastGroup(m_address);
        }
    }
    m_joined.clear();
    m_socket->close();
}

int WsjtxLink::receiveBufferBytes() const
{
    if (m_socket->state() != QAbstractSocket::BoundState)
        return 0;
    return m_socket->socketOption(QAbstractSocket::ReceiveBufferSizeSocketOption).toInt();
}

// The kernel caps an ordinary request at net.core.rmem_max; a privileged process may go past it.
// Linux reports twice what was set (its bookkeeping share), so the report is compared as it is.
void WsjtxLink::growReceiveBuffer()
{
    m_socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, kReceiveBufferBytes);
#ifdef SO_RCVBUFFORCE
    if (receiveBufferBytes() < kReceiveBufferBytes) {
        const int wanted = kReceiveBufferBytes;
        ::setsockopt(int(m_socket->socketDescriptor()), SOL_SOCKET, SO_RCVBUFFORCE, &wanted, sizeof wanted);
    }
#endif
    const int granted = receiveBufferBytes();
    emit bufferSaid(granted >= kReceiveBufferBytes
                        ? QString()
                        : QStringLiteral("WSJT-X: приёмный буфер порта %1 КБ вместо %2 КБ, пачка связей "
                                         "может потеряться (поднимите net.core.rmem_max)")
                              .arg(granted / 1024)
                              .arg(kReceiveBufferBytes / 1024));
}

void WsjtxLink::readPending()
{
    while (m_socket->hasPendingDatagrams()) {
        QNetworkDatagram datagram = m_socket->receiveDatagram();
        if (m_queue.size() >= kQueueLimit)
            drop(QStringLiteral("очередь полна"));
        else
            m_queue.enqueue(std::move(datagram));
    }
    if (!m_queue.isEmpty() && !m_slice->isActive())
        m_slice->start();
}

void WsjtxLink::handSlice()
{
    QElapsedTimer clock;
    clock.start();
    while (!m_queue.isEmpty() && clock.elapsed() < kSliceMs) {
        const QNetworkDatagram datagram = m_queue.dequeue();
        const WsjtxReading reading = readWsjtxDatagram(datagram.data());
        if (!reading.datagram) {
            drop(reading.fault);
            continue;
        }
        const bool another = m_clientPort != 0 && (datagram.senderAddress() != m_clientAddress ||
                                                   quint16(datagram.senderPort()) != m_clientPort ||
                                                   reading.datagram->id != m_clientId);
        m_clientAddress = datagram.senderAddress();
        m_clientPort = quint16(datagram.senderPort());
        m_clientSchema = reading.datagram->schema;
        m_clientId = reading.datagram->id;
        if (another)
            emit clientChanged();
        if (m_on) {
            m_silence->start();
            if (!std::exchange(m_heard, true))
                emit stateSaid(QStringLiteral("WSJT-X на связи (%1, порт %2)").arg(m_clientId).arg(port()));
        }
        emit datagramRead(*reading.datagram);
    }
    if (!m_queue.isEmpty())
        m_slice->start();
}

void WsjtxLink::drop(const QString& why)
{
    ++m_dropped;
    emit droppedSaid(
        QStringLiteral("WSJT-X: отброшено сообщений: %1 (последнее: %2)").arg(m_dropped).arg(why));
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
