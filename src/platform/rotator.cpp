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
    send(QStringLiteral("P %1 0\n").arg(azimuth).toLatin1(), Awaiting::TurnReport);
    m_reading->start();
}

void Rotator::stop()
{
    m_reading->stop();
    m_waiting->stop();
    m_socket->abort();
    m_unsent.clear();
    m_awaiting.clear();
}

void Rotator::send(const QByteArray& command, Awaiting answer)
{
    m_unsent += command;
    m_awaiting.push_back(answer);
    if (!m_waiting->isActive())
        m_waiting->start(); // counts from the oldest question still unanswered
    if (m_socket->state() == QAbstractSocket::UnconnectedState)
        m_socket->connectToHost(m_host, m_port);
    else
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
        const Awaiting awaited = m_awaiting.front();
        m_awaiting.pop_front();
        answered = true;
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

void Rotator::fail(const QString& cause)
{
    stop();
    if (m_reported)
        return;
    m_reported = true;
    emit failed(QStringLiteral("Поворотное устройство %1: %2").arg(address(), cause));
}
