#pragma once

#include "onair/chatreader.h"
#include "onair/lineconnection.h"

#include <QHash>
#include <QObject>
#include <QStringList>

class QTimer;

// The VHF chat over TCP: logs in, chooses the room, keeps the user list (asked for at the
// start, every few minutes and when a station joins or leaves) and passes on what is said.
// The connection (its timeouts, its growing waits between tries and the state said once)
// is a LineConnection's; a refusal of the login is not tried again.
class ChatClient : public QObject
{
    Q_OBJECT
public:
    struct Timings : LineConnection::Timings
    {
        int stationsEveryMs = 3 * 60 * 1000;
    };

    struct Account
    {
        QString host;
        quint16 port = 0;
        QString login;
        QString password;
        QString room;       // its name, as the room list shows it
        QString ownLocator; // sent with "/set qra" once in the room; blank sends nothing
    };

    // Logged in is in the room.
    using State = LineConnection::State;

    explicit ChatClient(QObject* parent = nullptr);
    ~ChatClient() override;

    // Tests make the waits short.
    void setTimings(const Timings& timings);

    // Connects with this account, dropping any connection there was.
    void start(const Account& account);
    void stop();
    // A line for the room, or a command such as "/cq CALL text"; false when not in a room.
    // "/sh us" refreshes the user list.
    bool send(const QString& line);
    // The own locator changed: said to the server at once when in a room.
    void setOwnLocator(const QString& locator);

    State state() const { return m_line->state(); }
    // The text the state was last said with; empty while off.
    QString stateText() const { return m_line->stateText(); }
    // How long the next retry waits.
    int retryDelayMs() const { return m_line->retryDelayMs(); }
    // The room the server has the login in, as its prompt names it (the one chosen until it has
    // named one); empty when in none. It may be another than the one asked for: one the server
    // does not offer is not entered.
    QString room() const { return m_room; }

    // The rooms known before the server offers any, in the server's order.
    static QStringList knownRooms();
    static constexpr quint16 kDefaultPort = 23000;
    static inline const QString kDefaultHost = QStringLiteral("www.on4kst.info");
    static inline const QString kDefaultRoom = QStringLiteral("144/432 MHz");
    // What asks the server for the user list.
    static inline const QString kStationsCommand = QStringLiteral("/sh us");
    // More than this in a list is no chat server's: the connection is dropped and tried again
    // later, so that nothing the server sends grows without bound.
    static constexpr int kMostStations = 5000;
    static constexpr int kMostRooms = 256;

signals:
    // The state, said once for each change; empty once switched off.
    void stateChanged(const QString& text);
    // The state as it is now, at every change (LineConnection::currentStateChanged).
    void currentStateChanged(const QString& text);
    // The whole user list, as the server gave it last; an empty one once the chat is switched
    // off or the connection is lost, as the stations known before may have gone since.
    void stationsListed(const std::vector<ChatStation>& stations);
    void stationLeft(const QString& call);
    // A chat line; time is "HHMM" UTC.
    void messageReceived(const QString& time, const QString& call, const QString& name, const QString& text);
    // Any other text the server sent, to be shown as it is.
    void noticeReceived(const QString& text);
    // The room list the server offered, by name.
    void roomsOffered(const QStringList& names);

private:
    void beginTry();
    void readAnswers(const QByteArray& bytes);
    void handle(const ChatEvent& event);
    // In the room: the one the server's prompt names, or the one chosen until a prompt names it.
    void enterRoom(const QString& room);
    // A prompt named the room the login is in.
    void roomNamed(const QString& room);
    // "in the room" for the hint bar, and the room asked for when it is another.
    QString inRoomText() const;
    void askForStations();
    // A line from the room question on, which the server answers with a prompt line.
    void command(const QString& line);
    void forgetStations();
    // The number to answer the room question with and the name of that room.
    std::pair<int, QString> roomChoice() const;

    Account m_account;
    LineConnection* m_line;
    QTimer* m_stationsTimer;
    int m_stationsEveryMs = Timings().stationsEveryMs;
    ChatReader m_reader;
    QHash<QString, int> m_offeredRooms; // by the name in lower case
    QStringList m_offeredOrder;
    QString m_roomSent; // the name of the room whose number was sent
    QString m_room;     // the room the login is in, as the server names it; empty when in none
    std::vector<ChatStation> m_listing;
    bool m_stationsGiven = false;  // a list went out and has not been withdrawn
    bool m_listAsked = false;      // "/sh us" sent, its answer not yet in
    bool m_listAskedAgain = false; // a join or leave while it was on its way
};
