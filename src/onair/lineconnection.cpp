#include "onair/lineconnection.h"

#include <QTcpSocket>
#include <QTimer>

#include <cmath>

namespace {

QString seconds(int ms)
{
    return QString::number(int(std::ceil(ms / 1000.0)));
}

} // namespace

LineConnection::LineConnection(const QString& service, QObject* parent)
    : QObject(parent), m_service(service), m_socket(new QTcpSocket(this)), m_connectTimer(new QTimer(this)),
      m_answerTimer(new QTimer(this)), m_retryTimer(new QTimer(this)), m_steadyTimer(new QTimer(this))
{
    for (QTimer* timer : {m_connectTimer, m_answerTimer, m_retryTimer, m_steadyTimer})
        timer->setSingleShot(true);
    connect(m_connectTimer, &QTimer::timeout, this,
            [this] { fail(QStringLiteral("нет соединения за %1 с").arg(seconds(m_timings.connectMs))); });
    connect(m_answerTimer, &QTimer::timeout, this,
            [this] { fail(QStringLiteral("сервер не ответил за %1 с").arg(seconds(m_timings.answerMs))); });
    connect(m_retryTimer, &QTimer::timeout, this, &LineConnection::connectNow);
    connect(m_steadyTimer, &QTimer::timeout, this, [this] {
        m_retryDelayMs = m_timings.firstRetryMs;
        m_reported = false; // being back is news now
        setState(State::LoggedIn, m_loggedInText);
    });
    connect(m_socket, &QTcpSocket::connected, this, [this] {
        m_connectTimer->stop();
        // A service may stay quiet for hours: the system finds a dead peer.
        m_socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
        setState(State::LoggingIn, QStringLiteral("%1: вход на %2…").arg(m_service, address()));
        m_answerTimer->start(m_timings.answerMs); // the server asks for the login first
    });
    connect(m_socket, &QTcpSocket::readyRead, this, [this] { emit received(m_socket->readAll()); });
    connect(m_socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        fail(error == QAbstractSocket::RemoteHostClosedError ? QStringLiteral("сервер закрыл соединение")
                                                             : m_socket->errorString());
    });
    connect(m_socket, &QTcpSocket::disconnected, this,
            [this] { fail(QStringLiteral("сервер закрыл соединение")); });
}

LineConnection::~LineConnection()
{
    // The socket's last signals must not reach a half-destroyed connection.
    m_socket->disconnect(this);
}

QString LineConnection::address() const
{
    return QStringLiteral("%1:%2").arg(m_host).arg(m_port);
}

bool LineConnection::isLive() const
{
    return m_state == State::Connecting || m_state == State::LoggingIn || m_state == State::LoggedIn;
}

void LineConnection::open(const QString& host, quint16 port)
{
    close();
    m_host = host;
    m_port = port;
    m_retryDelayMs = m_timings.firstRetryMs;
    connectNow();
}

void LineConnection::close()
{
    m_state = State::Off; // before the abort, whose signals then find nothing to do
    stopTimers();
    m_socket->abort();
    emit down();
    m_reported = false; // the next start's failure is news
    setState(State::Off, QString());
}

void LineConnection::connectNow()
{
    m_socket->abort();
    emit connecting();
    setState(State::Connecting, QStringLiteral("%1: соединение с %2…").arg(m_service, address()));
    m_connectTimer->start(m_timings.connectMs);
    m_socket->connectToHost(m_host, m_port);
}

void LineConnection::write(const QString& line)
{
    QString clean = line;
    clean.remove(QLatin1Char('\r')).replace(QLatin1Char('\n'), QLatin1Char(' ')); // one line, one command
    m_socket->write(clean.toUtf8() + "\r\n");
}

void LineConnection::awaitAnswer()
{
    m_answerTimer->start(m_timings.answerMs);
}

void LineConnection::answerGoesOn()
{
    if (m_answerTimer->isActive())
        m_answerTimer->start(m_timings.answerMs);
}

void LineConnection::answered()
{
    m_answerTimer->stop();
}

void LineConnection::loggedIn(const QString& text)
{
    if (m_state == State::LoggedIn) { // what is said of the login changed, not how long it has lasted
        m_loggedInText = text;
        setState(State::LoggedIn, text);
        return;
    }
    m_answerTimer->stop();
    m_steadyTimer->start(m_timings.steadyMs);
    m_loggedInText = text;
    setState(State::LoggedIn, text);
}

void LineConnection::refuse(const QString& text)
{
    m_state = State::Refused;
    stopTimers();
    m_socket->abort();
    emit down();
    m_reported = false; // a refusal is news, whatever was said before it
    setState(State::Refused, text);
}

void LineConnection::fail(const QString& cause)
{
    if (!isLive())
        return;
    m_state = State::Waiting;
    stopTimers();
    m_socket->abort();
    emit down();
    setState(State::Waiting, QStringLiteral("%1: нет связи с %2 (%3); попытки соединиться продолжаются")
                                 .arg(m_service, address(), cause));
    m_reported = true;
    m_retryTimer->start(m_retryDelayMs);
    m_retryDelayMs = std::min(m_retryDelayMs * 2, m_timings.longestRetryMs);
}

void LineConnection::stopTimers()
{
    for (QTimer* timer : {m_connectTimer, m_answerTimer, m_retryTimer, m_steadyTimer})
        timer->stop();
}

void LineConnection::setState(State state, const QString& text)
{
    m_state = state;
    if (text != m_currentText) {
        m_currentText = text;
        emit currentStateChanged(text);
    }
    // Once a failure is said, the tries after it are not news until a login has stayed.
    if (m_reported && state != State::Refused && state != State::Off)
        return;
    if (text == m_stateText)
        return;
    m_stateText = text;
    emit stateChanged(text);
}
