#include "onair/chatclient.h"

#include "logging/locator.h"

#include <QTcpSocket>
#include <QTimer>

#include <cmath>

namespace {

QString seconds(int ms)
{
    return QString::number(int(std::ceil(ms / 1000.0)));
}

} // namespace

ChatClient::ChatClient(QObject* parent)
    : QObject(parent), m_socket(new QTcpSocket(this)), m_connectTimer(new QTimer(this)),
      m_answerTimer(new QTimer(this)), m_retryTimer(new QTimer(this)), m_stationsTimer(new QTimer(this)),
      m_steadyTimer(new QTimer(this))
{
    for (QTimer* timer : {m_connectTimer, m_answerTimer, m_retryTimer, m_steadyTimer})
        timer->setSingleShot(true);
    connect(m_connectTimer, &QTimer::timeout, this,
            [this] { lost(QStringLiteral("нет соединения за %1 с").arg(seconds(m_timings.connectMs))); });
    connect(m_answerTimer, &QTimer::timeout, this,
            [this] { lost(QStringLiteral("сервер не ответил за %1 с").arg(seconds(m_timings.answerMs))); });
    connect(m_retryTimer, &QTimer::timeout, this, &ChatClient::connectNow);
    connect(m_stationsTimer, &QTimer::timeout, this, &ChatClient::askForStations);
    connect(m_steadyTimer, &QTimer::timeout, this, [this] { m_retryDelayMs = m_timings.firstRetryMs; });
    connect(m_socket, &QTcpSocket::connected, this, [this] {
        m_connectTimer->stop();
        setState(State::LoggingIn, QStringLiteral("Чат: вход на %1…").arg(address()));
        m_answerTimer->start(m_timings.answerMs); // the server asks for the login first
    });
    connect(m_socket, &QTcpSocket::readyRead, this, &ChatClient::readAnswers);
    connect(m_socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        lost(error == QAbstractSocket::RemoteHostClosedError ? QStringLiteral("сервер закрыл соединение")
                                                             : m_socket->errorString());
    });
    connect(m_socket, &QTcpSocket::disconnected, this,
            [this] { lost(QStringLiteral("сервер закрыл соединение")); });
}

ChatClient::~ChatClient()
{
    // The socket's last signals must not reach a half-destroyed client.
    m_socket->disconnect(this);
}

QStringList ChatClient::knownRooms()
{
    return {QStringLiteral("50/70 MHz"), QStringLiteral("144/432 MHz"), QStringLiteral("Microwave"),
            QStringLiteral("EME/JT65"), QStringLiteral("Low Band (160-80m)")};
}

QString ChatClient::address() const
{
    return QStringLiteral("%1:%2").arg(m_account.host).arg(m_account.port);
}

void ChatClient::start(const Account& account)
{
    stop();
    m_account = account;
    m_reader.setLogin(account.login);
    m_retryDelayMs = m_timings.firstRetryMs;
    connectNow();
}

void ChatClient::stop()
{
    m_state = State::Off; // before the abort, whose signals then find nothing to do
    for (QTimer* timer : {m_connectTimer, m_answerTimer, m_retryTimer, m_stationsTimer, m_steadyTimer})
        timer->stop();
    m_socket->abort();
    forgetStations();
    m_reported = false; // the next start's failure is news
    setState(State::Off, QString());
}

void ChatClient::connectNow()
{
    m_socket->abort();
    m_reader.reset();
    m_listing.clear();
    m_listAsked = false;
    m_listAskedAgain = false;
    m_offeredRooms.clear();
    m_offeredOrder.clear();
    setState(State::Connecting, QStringLiteral("Чат: соединение с %1…").arg(address()));
    m_connectTimer->start(m_timings.connectMs);
    m_socket->connectToHost(m_account.host, m_account.port);
}

bool ChatClient::send(const QString& line)
{
    if (m_state != State::InRoom)
        return false;
    write(line);
    return true;
}

void ChatClient::setOwnLocator(const QString& locator)
{
    if (locator == m_account.ownLocator)
        return;
    m_account.ownLocator = locator;
    QString checked = locator.trimmed();
    if (m_state == State::InRoom && LocatorIsValid(checked))
        write(QStringLiteral("/set qra ") + checked);
}

void ChatClient::write(const QString& line)
{
    QString clean = line;
    clean.remove(QLatin1Char('\r')).replace(QLatin1Char('\n'), QLatin1Char(' ')); // one line, one command
    m_socket->write(clean.toUtf8() + "\r\n");
}

void ChatClient::readAnswers()
{
    for (const ChatEvent& event : m_reader.read(m_socket->readAll())) {
        if (m_state == State::Off || m_state == State::Refused || m_state == State::Waiting)
            return; // the connection was given up while reading
        handle(event);
    }
}

void ChatClient::handle(const ChatEvent& event)
{
    const bool loggingIn = m_state == State::LoggingIn;
    switch (event.kind) {
    case ChatEvent::LoginPrompt:
    case ChatEvent::PasswordPrompt:
        if (loggingIn) {
            write(event.kind == ChatEvent::LoginPrompt ? m_account.login : m_account.password);
            m_answerTimer->start(m_timings.answerMs);
        }
        break;
    case ChatEvent::RoomOffered:
        if (loggingIn && !m_offeredRooms.contains(event.text.toLower())) {
            if (m_offeredOrder.size() >= kMostRooms) {
                lost(QStringLiteral("сервер предложил больше %1 комнат").arg(kMostRooms));
                break;
            }
            m_offeredRooms.insert(event.text.toLower(), event.room);
            m_offeredOrder << event.text;
        }
        break;
    case ChatEvent::RoomPrompt:
        if (loggingIn) {
            if (!m_offeredOrder.isEmpty())
                emit roomsOffered(m_offeredOrder);
            write(QString::number(roomNumber()));
            m_answerTimer->start(m_timings.answerMs);
        }
        break;
    case ChatEvent::Refused:
        if (!loggingIn)
            break; // a station's words in the room, not the server's answer to the login
        for (QTimer* timer : {m_connectTimer, m_answerTimer, m_retryTimer, m_stationsTimer, m_steadyTimer})
            timer->stop();
        m_state = State::Refused;
        m_socket->abort();
        m_reported = false; // a refusal is news, whatever was said before it
        setState(State::Refused,
                 QStringLiteral("Чат: сервер %1 отказал во входе: %2").arg(address(), event.text));
        break;
    case ChatEvent::Message:
        if (loggingIn)
            enterRoom();
        emit messageReceived(event.time, event.call, event.name, event.text);
        break;
    case ChatEvent::Prompt:
        if (loggingIn)
            enterRoom();
        break;
    case ChatEvent::Station:
        if (m_listing.size() >= size_t(kMostStations)) {
            lost(QStringLiteral("сервер прислал больше %1 станций").arg(kMostStations));
            break;
        }
        m_listing.push_back(event.station);
        break;
    case ChatEvent::StationListEnd:
        if (loggingIn)
            enterRoom();
        m_listAsked = false;
        m_answerTimer->stop();
        m_stationsGiven = true;
        emit stationsListed(std::exchange(m_listing, {}));
        if (std::exchange(m_listAskedAgain, false))
            askForStations();
        break;
    case ChatEvent::Joined:
        askForStations();
        break;
    case ChatEvent::Left:
        emit stationLeft(event.call);
        askForStations();
        break;
    case ChatEvent::Notice:
        emit noticeReceived(event.text);
        break;
    }
}

void ChatClient::enterRoom()
{
    m_answerTimer->stop();
    m_steadyTimer->start(m_timings.steadyMs);
    m_reported = false; // being back is said
    setState(State::InRoom, QStringLiteral("Чат: в комнате «%1» на %2").arg(m_account.room, address()));
    QString locator = m_account.ownLocator.trimmed();
    if (LocatorIsValid(locator))
        write(QStringLiteral("/set qra ") + locator);
    askForStations();
    m_stationsTimer->start(m_timings.stationsEveryMs);
}

void ChatClient::askForStations()
{
    if (m_state != State::InRoom)
        return;
    if (m_listAsked) { // one list at a time; a change meanwhile asks once more after it
        m_listAskedAgain = true;
        return;
    }
    m_listAsked = true;
    m_listing.clear();
    m_reader.expectStationList();
    write(QStringLiteral("/sh us"));
    m_answerTimer->start(m_timings.answerMs);
}

int ChatClient::roomNumber() const
{
    const QString room = m_account.room.trimmed();
    if (const auto offered = m_offeredRooms.constFind(room.toLower()); offered != m_offeredRooms.constEnd())
        return *offered;
    const QStringList known = knownRooms();
    for (int i = 0; i < known.size(); ++i) {
        if (QString::compare(known[i], room, Qt::CaseInsensitive) == 0)
            return i + 1;
    }
    return int(known.indexOf(kDefaultRoom)) + 1;
}

void ChatClient::lost(const QString& cause)
{
    if (m_state == State::Off || m_state == State::Refused || m_state == State::Waiting)
        return;
    for (QTimer* timer : {m_connectTimer, m_answerTimer, m_stationsTimer, m_steadyTimer})
        timer->stop();
    m_state = State::Waiting;
    m_socket->abort();
    forgetStations();
    setState(
        State::Waiting,
        QStringLiteral("Чат: нет связи с %1 (%2); попытки соединиться продолжаются").arg(address(), cause));
    m_reported = true;
    m_retryTimer->start(m_retryDelayMs);
    m_retryDelayMs = std::min(m_retryDelayMs * 2, m_timings.longestRetryMs);
}

void ChatClient::forgetStations()
{
    if (std::exchange(m_stationsGiven, false))
        emit stationsListed({});
}

void ChatClient::setState(State state, const QString& text)
{
    m_state = state;
    // Once a failure is said, the tries after it are not news until one reaches the room.
    if (m_reported && state != State::InRoom && state != State::Refused && state != State::Off)
        return;
    if (text == m_stateText)
        return;
    m_stateText = text;
    emit stateChanged(text);
}
