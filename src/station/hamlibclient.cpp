#include "station/hamlibclient.h"

#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace {
constexpr int kFirstReconnectMs = 2000;
constexpr int kLongestReconnectMs = 30000;
} // namespace

HamlibClient::HamlibClient(const QString& device, quint16 port, QObject* parent)
    : QObject(parent), m_socket(new QTcpSocket(this)), m_polling(new QTimer(this)),
      m_waiting(new QTimer(this)), m_reconnecting(new QTimer(this)), m_device(device), m_port(port)
{
    m_waiting->setSingleShot(true);
    m_waiting->setInterval(kTimeoutMs);
    connect(m_waiting, &QTimer::timeout, this, [this] {
        const int seconds = kTimeoutMs / 1000;
        fail(isConnected() ? QStringLiteral("нет ответа за %1 с").arg(seconds)
                           : QStringLiteral("нет соединения за %1 с").arg(seconds));
    });
    m_polling->setInterval(kPollMs);
    connect(m_polling, &QTimer::timeout, this, [this] { poll(); });
    m_reconnecting->setSingleShot(true);
    connect(m_reconnecting, &QTimer::timeout, this, [this] {
        m_polling->start();
        poll();
    });
    connect(m_socket, &QTcpSocket::connected, this, [this] {
        m_waiting->stop(); // the answers get their own time, whatever the connection took
        sendNext();
    });
    connect(m_socket, &QTcpSocket::readyRead, this, &HamlibClient::readAnswers);
    connect(m_socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        fail(error == QAbstractSocket::RemoteHostClosedError ? QStringLiteral("соединение закрыто")
                                                             : m_socket->errorString());
    });
}

HamlibClient::~HamlibClient() = default;

int HamlibClient::reconnectDelayMs(int attempt)
{
    int delay = kFirstReconnectMs;
    for (int i = 1; i < attempt && delay < kLongestReconnectMs; ++i)
        delay *= 2;
    return std::min(delay, kLongestReconnectMs);
}

void HamlibClient::setAddress(const QString& host, quint16 port)
{
    if (host == m_host && port == m_port)
        return;
    stop();
    m_host = host;
    m_port = port;
    m_reported = false; // another address: its failure is news
    m_failures = 0;
}

QString HamlibClient::address() const
{
    return QStringLiteral("%1:%2").arg(m_host).arg(m_port);
}

void HamlibClient::start()
{
    m_reported = false;
    m_failures = 0;
    wake();
    poll();
}

void HamlibClient::stop()
{
    m_on = false;
    m_polling->stop();
    m_reconnecting->stop();
    drop();
}

void HamlibClient::wake()
{
    m_on = true;
    m_reconnecting->stop();
    if (!m_polling->isActive())
        m_polling->start();
}

bool HamlibClient::isConnected() const
{
    return m_socket->state() == QAbstractSocket::ConnectedState;
}

bool HamlibClient::isAsking(int tag) const
{
    return std::any_of(m_questions.begin(), m_questions.end(),
                       [tag](const Question& q) { return q.tag == tag; });
}

void HamlibClient::ask(const QByteArray& command, AnswerForm form, int tag)
{
    open();
    if (m_socket->state() == QAbstractSocket::UnconnectedState)
        return; // the connection failed at once, and fail() has said so
    m_questions.push_back({command, form, tag});
    sendNext();
}

void HamlibClient::open()
{
    if (m_socket->state() != QAbstractSocket::UnconnectedState)
        return;
    m_received.clear();
    m_sent = false;
    m_waiting->start();
    m_socket->connectToHost(m_host, m_port);
    if (m_socket->state() != QAbstractSocket::UnconnectedState)
        connectionOpening();
}

void HamlibClient::sendNext()
{
    if (m_sent || m_questions.empty() || !isConnected())
        return;
    m_socket->write(m_questions.front().command);
    m_sent = true;
    m_waiting->start();
}

void HamlibClient::readAnswers()
{
    m_received += m_socket->readAll();
    const quint64 connection = m_connection;
    while (m_sent) {
        const AnswerForm awaited[] = {m_questions.front().form};
        const AnswerReading reading = readHamlibAnswers(m_received, awaited);
        if (reading.overlong) {
            fail(QStringLiteral("слишком длинный ответ"));
            return;
        }
        if (reading.answers.empty())
            return; // the rest of the answer is still on its way
        m_received.remove(0, reading.used);
        const int tag = m_questions.front().tag;
        m_questions.pop_front();
        m_sent = false;
        m_waiting->stop();
        answered(tag, reading.answers.front());
        if (connection != m_connection)
            return; // the handler found a failure and dropped the connection
        sendNext();
    }
    m_received.clear(); // nothing asked: not ours to read
}

void HamlibClient::answeredWell()
{
    m_failures = 0;
    if (std::exchange(m_reported, false))
        emit answersAgain(QStringLiteral("%1 %2: снова отвечает").arg(m_device, address()));
}

void HamlibClient::drop()
{
    ++m_connection;
    m_waiting->stop();
    m_socket->abort();
    m_questions.clear();
    m_sent = false;
    m_received.clear();
    connectionDropped();
}

void HamlibClient::fail(const QString& cause)
{
    drop();
    if (m_on) {
        m_polling->stop();
        m_reconnecting->start(reconnectDelayMs(++m_failures));
    }
    if (std::exchange(m_reported, true))
        return;
    emit failed(QStringLiteral("%1 %2: %3").arg(m_device, address(), cause));
}
