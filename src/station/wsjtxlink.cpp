#include "station/wsjtxlink.h"

#include "station/hamlibclient.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QUdpSocket>

#include <sys/socket.h>

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

void WsjtxLink::start(quint16 port)
{
    stop();
    m_on = true;
    m_wanted = port;
    m_failures = 0;
    bind();
}

// What is queued was received while on and may hold logged contacts: it is still handed on.
void WsjtxLink::stop()
{
    m_on = false;
    m_retry->stop();
    m_silence->stop();
    m_socket->close();
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
    growReceiveBuffer();
    emit stateSaid(QStringLiteral("WSJT-X: ждём сообщений на 127.0.0.1:%1").arg(port()));
    m_silence->start();
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
