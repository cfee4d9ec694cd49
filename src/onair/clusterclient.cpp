#include "onair/clusterclient.h"

#include <QTcpSocket>
#include <QTimer>

#include <cmath>

namespace {

QString seconds(int ms)
{
    return QString::number(int(std::ceil(ms / 1000.0)));
}

} // namespace

ClusterClient::ClusterClient(QObject* parent)
    : QObject(parent), m_socket(new QTcpSocket(this)), m_connectTimer(new QTimer(this)),
      m_answerTimer(new QTimer(this)), m_retryTimer(new QTimer(this))
{
    for (QTimer* timer : {m_connectTimer, m_answerTimer, m_retryTimer})
        timer->setSingleShot(true);
    connect(m_connectTimer, &QTimer::timeout, this,
            [this] { lost(QStringLiteral("нет соединения за %1 с").arg(seconds(m_timings.connectMs))); });
    connect(m_answerTimer, &QTimer::timeout, this,
            [this] { lost(QStringLiteral("сервер не ответил за %1 с").arg(seconds(m_timings.answerMs))); });
    connect(m_retryTimer, &QTimer::timeout, this, &ClusterClient::connectNow);
    connect(m_socket, &QTcpSocket::connected, this, [this] {
        m_connectTimer->stop();
        // A cluster may stay quiet for hours between spots: the system finds a dead peer.
        m_socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
        setState(State::LoggingIn, QStringLiteral("Кластер: вход на %1…").arg(address()));
        m_answerTimer->start(m_timings.answerMs); // the server asks for the call first
    });
    connect(m_socket, &QTcpSocket::readyRead, this, &ClusterClient::readAnswers);
    connect(m_socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        lost(error == QAbstractSocket::RemoteHostClosedError ? QStringLiteral("сервер закрыл соединение")
                                                             : m_socket->errorString());
    });
    connect(m_socket, &QTcpSocket::disconnected, this,
            [this] { lost(QStringLiteral("сервер закрыл соединение")); });
}

ClusterClient::~ClusterClient()
{
    // The socket's last signals must not reach a half-destroyed client.
    m_socket->disconnect(this);
}

QString ClusterClient::address() const
{
    return QStringLiteral("%1:%2").arg(m_account.host).arg(m_account.port);
}

void ClusterClient::start(const Account& account)
{
    stop();
    m_account = account;
    m_retryDelayMs = m_timings.firstRetryMs;
    connectNow();
}

void ClusterClient::stop()
{
    m_state = State::Off; // before the abort, whose signals then find nothing to do
    for (QTimer* timer : {m_connectTimer, m_answerTimer, m_retryTimer})
        timer->stop();
    m_socket->abort();
    setState(State::Off, QString());
}

void ClusterClient::connectNow()
{
    m_socket->abort();
    m_reader.reset();
    m_loginSent = false;
    setState(State::Connecting, QStringLiteral("Кластер: соединение с %1…").arg(address()));
    m_connectTimer->start(m_timings.connectMs);
    m_socket->connectToHost(m_account.host, m_account.port);
}

void ClusterClient::readAnswers()
{
    for (const ClusterEvent& event : m_reader.read(m_socket->readAll())) {
        if (m_state == State::Off || m_state == State::Waiting)
            return; // the connection was given up while reading
        handle(event);
    }
}

void ClusterClient::handle(const ClusterEvent& event)
{
    if (m_state == State::LoggingIn) {
        if (event.kind == ClusterEvent::LoginPrompt && !m_loginSent) {
            QString login = m_account.login;
            login.remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
            m_socket->write(login.toUtf8() + "\r\n");
            m_loginSent = true;
            m_answerTimer->start(m_timings.answerMs);
            return;
        }
        if (!m_loginSent)
            return; // the greeting before the question
        m_answerTimer->stop();
        m_retryDelayMs = m_timings.firstRetryMs; // the next failure starts the waits over
        setState(State::Connected, QStringLiteral("Кластер: %1 на %2").arg(m_account.login, address()));
    }
    if (event.kind == ClusterEvent::Spot)
        emit spotReceived(event.spot);
}

void ClusterClient::lost(const QString& cause)
{
    if (m_state == State::Off || m_state == State::Waiting)
        return;
    for (QTimer* timer : {m_connectTimer, m_answerTimer})
        timer->stop();
    m_state = State::Waiting;
    m_socket->abort();
    setState(State::Waiting, QStringLiteral("Кластер: нет связи с %1 (%2); снова через %3 с")
                                 .arg(address(), cause, seconds(m_retryDelayMs)));
    m_retryTimer->start(m_retryDelayMs);
    m_retryDelayMs = std::min(m_retryDelayMs * 2, m_timings.longestRetryMs);
}

void ClusterClient::setState(State state, const QString& text)
{
    m_state = state;
    if (text == m_stateText)
        return;
    m_stateText = text;
    emit stateChanged(text);
}
