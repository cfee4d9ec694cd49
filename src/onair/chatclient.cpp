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
        m_room.clear();
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
    m_room.clear();
    m_roomSent.clear();
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
    // only once nothing of the list has come for that long. Only the list's own lines count, so
    // a list whose end is lost is still given up however much else the server says.
    if (m_listAsked && (event.kind == ChatEvent::Station || event.kind == ChatEvent::ListText))
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
            const auto [number, name] = roomChoice();
            m_roomSent = name;
            command(QString::number(number));
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
            enterRoom(m_roomSent.isEmpty() ? m_account.room : m_roomSent); // named by a prompt later
        emit messageReceived(event.time, event.call, event.name, event.text);
        break;
    case ChatEvent::Prompt:
        if (loggingIn)
            enterRoom(event.text);
        else
            roomNamed(event.text);
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
            enterRoom(event.text);
        else
            roomNamed(event.text);
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

void ChatClient::enterRoom(const QString& room)
{
    m_room = room;
    m_line->loggedIn(inRoomText());
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

void ChatClient::roomNamed(const QString& room)
{
    // Each prompt names the room the server has the login in: a room other than the one
    // thought is said.
    if (state() != State::LoggedIn || room.isEmpty() || room == m_room)
        return;
    m_room = room;
    m_line->loggedIn(inRoomText());
}

QString ChatClient::inRoomText() const
{
    const QString text = QStringLiteral("Чат: в комнате «%1» на %2").arg(m_room, m_line->address());
    const QString asked = m_account.room.trimmed();
    if (asked.isEmpty() || QString::compare(m_room, asked, Qt::CaseInsensitive) == 0)
        return text;
    if (!m_offeredOrder.isEmpty() && !m_offeredRooms.contains(asked.toLower()))
        return text + QStringLiteral("; комнату «%1» сервер не предлагает").arg(asked);
    return text + QStringLiteral(", а не в выбранной «%1»").arg(asked);
}

std::pair<int, QString> ChatClient::roomChoice() const
{
    // The server's offer is what it has: the room asked for, else the default room, else its
    // first. Without an offer, the rooms as the chat is known to number them.
    const QString room = m_account.room.trimmed();
    const QStringList rooms = m_offeredOrder.isEmpty() ? knownRooms() : m_offeredOrder;
    for (const QString& wanted : {room, kDefaultRoom}) {
        for (int i = 0; i < rooms.size(); ++i) {
            if (QString::compare(rooms[i], wanted, Qt::CaseInsensitive) != 0)
                continue;
            return {m_offeredOrder.isEmpty() ? i + 1 : m_offeredRooms.value(rooms[i].toLower()), rooms[i]};
        }
    }
    // Only an offer can lack the default room.
    return {m_offeredRooms.value(m_offeredOrder.first().toLower()), m_offeredOrder.first()};
}

void ChatClient::forgetStations()
{
    if (std::exchange(m_stationsGiven, false))
        emit stationsListed({});
}
