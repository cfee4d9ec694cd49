#include "onair/chatclient.h"

#include "logging/locator.h"

#include <QTimer>

ChatClient::ChatClient(QObject* parent)
    : QObject(parent), m_line(new LineConnection(QStringLiteral("Чат"), this)),
      m_stationsTimer(new QTimer(this))
{
    connect(m_line, &LineConnection::connecting, this, &ChatClient::beginTry);
    connect(m_line, &LineConnection::received, this, &ChatClient::readAnswers);
    connect(m_line, &LineConnection::down, this, [this] {
        m_stationsTimer->stop();
        forgetStations();
    });
    connect(m_line, &LineConnection::stateChanged, this, &ChatClient::stateChanged);
    connect(m_line, &LineConnection::currentStateChanged, this, &ChatClient::currentStateChanged);
    connect(m_stationsTimer, &QTimer::timeout, this, &ChatClient::askForStations);
}

ChatClient::~ChatClient()
{
    // The connection's last signals must not reach a half-destroyed client.
    m_line->disconnect(this);
}

void ChatClient::setTimings(const Timings& timings)
{
    m_line->setTimings(timings);
    m_stationsEveryMs = timings.stationsEveryMs;
}

QStringList ChatClient::knownRooms()
{
    return {QStringLiteral("50/70 MHz"), QStringLiteral("144/432 MHz"), QStringLiteral("Microwave"),
            QStringLiteral("EME/JT65"), QStringLiteral("Low Band (160-80m)")};
}

void ChatClient::start(const Account& account)
{
    m_account = account;
    m_reader.setLogin(account.login);
    m_line->open(account.host, account.port);
}

void ChatClient::stop()
{
    m_line->close();
}

void ChatClient::beginTry()
{
    m_reader.reset();
    m_listing.clear();
    m_listAsked = false;
    m_listAskedAgain = false;
    m_offeredRooms.clear();
    m_offeredOrder.clear();
}

bool ChatClient::send(const QString& line)
{
    if (state() != State::LoggedIn)
        return false;
    // The user list typed by hand is asked as the client asks it, so that its lines fill the
    // list and not the room's messages.
    if (line.simplified().compare(kStationsCommand, Qt::CaseInsensitive) == 0)
        askForStations();
    else
        command(line);
    return true;
}

void ChatClient::setOwnLocator(const QString& locator)
{
    if (locator == m_account.ownLocator)
        return;
    m_account.ownLocator = locator;
    QString checked = locator.trimmed();
    if (state() == State::LoggedIn && LocatorIsValid(checked))
        command(QStringLiteral("/set qra ") + checked);
}

void ChatClient::readAnswers(const QByteArray& bytes)
{
    for (const ChatEvent& event : m_reader.read(bytes)) {
        if (!m_line->isLive())
            return; // the connection was given up while reading
        handle(event);
    }
}

void ChatClient::handle(const ChatEvent& event)
{
    const bool loggingIn = state() == State::LoggingIn;
    // A long list on a slow link may take longer than the answer time: the server is given up
    // only once nothing that answers what was sent has come for that long. The room's talk
    // answers nothing.
    if (m_listAsked && event.kind != ChatEvent::Message && event.kind != ChatEvent::Joined &&
        event.kind != ChatEvent::Left)
        m_line->answerGoesOn();
    switch (event.kind) {
    case ChatEvent::LoginPrompt:
    case ChatEvent::PasswordPrompt:
        if (loggingIn) {
            m_line->write(event.kind == ChatEvent::LoginPrompt ? m_account.login : m_account.password);
            m_line->awaitAnswer();
        }
        break;
    case ChatEvent::RoomOffered:
        if (loggingIn && !m_offeredRooms.contains(event.text.toLower())) {
            if (m_offeredOrder.size() >= kMostRooms) {
                m_line->fail(QStringLiteral("сервер предложил больше %1 комнат").arg(kMostRooms));
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
            command(QString::number(roomNumber()));
            m_line->awaitAnswer();
        }
        break;
    case ChatEvent::Refused:
        if (!loggingIn)
            break; // a station's words in the room, not the server's answer to the login
        m_line->refuse(
            QStringLiteral("Чат: сервер %1 отказал во входе: %2").arg(m_line->address(), event.text));
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
            m_line->fail(QStringLiteral("сервер прислал больше %1 станций").arg(kMostStations));
            break;
        }
        m_listing.push_back(event.station);
        break;
    case ChatEvent::ListText:
        break; // the list's heading or a line of no station: not something said in the room
    case ChatEvent::StationListEnd:
        if (loggingIn)
            enterRoom();
        m_listAsked = false;
        m_line->answered();
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
    m_line->loggedIn(QStringLiteral("Чат: в комнате «%1» на %2").arg(m_account.room, m_line->address()));
    QString locator = m_account.ownLocator.trimmed();
    if (LocatorIsValid(locator))
        command(QStringLiteral("/set qra ") + locator);
    askForStations();
    m_stationsTimer->start(m_stationsEveryMs);
}

void ChatClient::askForStations()
{
    if (state() != State::LoggedIn)
        return;
    if (m_listAsked) { // one list at a time; a change meanwhile asks once more after it
        m_listAskedAgain = true;
        return;
    }
    m_listAsked = true;
    m_listing.clear();
    command(kStationsCommand);
    m_reader.expectStationList();
    m_line->awaitAnswer();
}

void ChatClient::command(const QString& line)
{
    m_reader.lineSent(); // its prompt is counted, so that the list's own is known
    m_line->write(line);
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

void ChatClient::forgetStations()
{
    if (std::exchange(m_stationsGiven, false))
        emit stationsListed({});
}
