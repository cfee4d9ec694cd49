#include "platform/rotator.h"

#include <QTcpSocket>
#include <QTimer>

#include <cmath>

namespace {
constexpr int kReadEveryMs = 500;
}

Rotator::Rotator(QObject* parent)
    : QObject(parent), m_socket(new QTcpSocket(this)), m_reading(new QTimer(this)),
      m_waiting(new QTimer(this))
{
    m_waiting->setSingleShot(true);
    m_waiting->setInterval(kTimeoutMs);
    connect(m_waiting, &QTimer::timeout, this, [this] {
        const int seconds = kTimeoutMs / 1000;
        fail(m_socket->state() == QAbstractSocket::ConnectedState
                 ? QStringLiteral("нет ответа за %1 с").arg(seconds)
                 : QStringLiteral("нет соединения за %1 с").arg(seconds));
    });
    m_reading->setInterval(kReadEveryMs);
    connect(m_reading, &QTimer::timeout, this, [this] {
        // One reading at a time: a slow rotator does not pile up questions.
        if (std::find(m_awaiting.begin(), m_awaiting.end(), Awaiting::Heading) == m_awaiting.end())
            send("p\n", Awaiting::Heading);
    });
    connect(m_socket, &QTcpSocket::connected, this, [this] {
        m_waiting->start(); // the answers get their own time, whatever the connection took
        flush();
    });
    connect(m_socket, &QTcpSocket::readyRead, this, &Rotator::readAnswers);
    connect(m_socket, &QTcpSocket::errorOccurred, this, [this] { fail(m_socket->errorString()); });
}

Rotator::~Rotator() = default;

void Rotator::setAddress(const QString& host, quint16 port)
{
    if (host == m_host && port == m_port)
        return;
    stop();
    m_host = host;
    m_port = port;
    m_reported = false; // another address: its failure is news
}

void Rotator::start()
{
    m_reported = false;
    m_reading->start();
}

QString Rotator::address() const
{
    return QStringLiteral("%1:%2").arg(m_host).arg(m_port);
}

void Rotator::turnTo(int azimuth)
{
    m_turnWanted = azimuth; // the latest of the turns asked while the range is due
    m_reading->start();
    open();
    if (m_rangeKnown)
        sendWantedTurn();
}

void Rotator::sendWantedTurn()
{
    if (!m_turnWanted)
        return;
    int azimuth = *m_turnWanted;
    m_turnWanted.reset();
    if (azimuth > m_maxAzimuth && azimuth - 360 >= m_minAzimuth)
        azimuth -= 360;
    else if (azimuth < m_minAzimuth && azimuth + 360 <= m_maxAzimuth)
        azimuth += 360;
    send(QStringLiteral("P %1 0\n").arg(azimuth).toLatin1(), Awaiting::TurnReport);
}

void Rotator::stop()
{
    m_reading->stop();
    m_waiting->stop();
    m_socket->abort();
    m_unsent.clear();
    m_awaiting.clear();
    m_turnWanted.reset();
}

void Rotator::open()
{
    if (m_socket->state() != QAbstractSocket::UnconnectedState)
        return;
    m_minAzimuth = 0;
    m_maxAzimuth = 360;
    m_rangeKnown = false;
    // First on every connection: the extended answer names its values and always ends in
    // "RPRT", in every hamlib version.
    m_unsent = "+\\dump_state\n";
    m_awaiting = {Awaiting::Range};
    m_waiting->start();
    m_socket->connectToHost(m_host, m_port);
}

void Rotator::send(const QByteArray& command, Awaiting answer)
{
    open();
    if (m_socket->state() == QAbstractSocket::UnconnectedState)
        return; // the connection failed at once, and fail() has closed it
    m_unsent += command;
    m_awaiting.push_back(answer);
    if (!m_waiting->isActive())
        m_waiting->start(); // counts from the oldest question still unanswered
    flush();
}

void Rotator::flush()
{
    if (m_socket->state() != QAbstractSocket::ConnectedState || m_unsent.isEmpty())
        return;
    m_socket->write(m_unsent);
    m_unsent.clear();
}

void Rotator::readAnswers()
{
    bool answered = false;
    while (m_socket->canReadLine()) {
        const QString line = QString::fromLatin1(m_socket->readLine()).trimmed();
        if (m_awaiting.empty())
            continue; // nothing asked: not ours to read
        answered = true;
        if (m_awaiting.front() == Awaiting::Range) {
            readRange(line);
            continue;
        }
        const Awaiting awaited = m_awaiting.front();
        m_awaiting.pop_front();
        if (line.startsWith(QLatin1String("RPRT"))) {
            const int code = line.mid(4).trimmed().toInt();
            if (code != 0) {
                fail(QStringLiteral("ответ RPRT %1").arg(code));
                return;
            }
            m_reported = false;
            continue;
        }
        if (awaited == Awaiting::Heading) {
            bool number = false;
            const double azimuth = line.toDouble(&number);
            if (!number || !std::isfinite(azimuth)) { // "nan" reads as a number
                fail(QStringLiteral("непонятный ответ \"%1\"").arg(line));
                return;
            }
            m_awaiting.push_front(Awaiting::Elevation); // the second line of the answer
            m_reported = false;
            emit headingRead(azimuth);
        }
    }
    if (!answered)
        return;
    if (m_awaiting.empty())
        m_waiting->stop();
    else
        m_waiting->start(); // an answer came: the next one gets its full time
}

void Rotator::readRange(const QString& line)
{
    if (line.startsWith(QLatin1String("RPRT"))) { // the end of the answer
        m_awaiting.pop_front();
        // A daemon that cannot tell gets the turns it took before anyone asked.
        if (line != QLatin1String("RPRT 0") || !(m_minAzimuth < m_maxAzimuth)) {
            m_minAzimuth = 0;
            m_maxAzimuth = 360;
        }
        m_rangeKnown = true;
        sendWantedTurn();
        return;
    }
    const int colon = line.indexOf(QLatin1Char(':'));
    bool number = false;
    const double value = line.mid(colon + 1).toDouble(&number);
    if (colon < 0 || !number || !std::isfinite(value))
        return; // the echoed command, or a value of no use here
    const QStringView key = QStringView(line).left(colon);
    if (key == QLatin1String("Minimum Azimuth"))
        m_minAzimuth = value;
    else if (key == QLatin1String("Maximum Azimuth"))
        m_maxAzimuth = value;
}

void Rotator::fail(const QString& cause)
{
    stop();
    if (m_reported)
        return;
    m_reported = true;
    emit failed(QStringLiteral("Поворотное устройство %1: %2").arg(address(), cause));
}
