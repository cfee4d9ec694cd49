#pragma once

#include "onair/chatreader.h"

#include <QAbstractSocket>
#include <QHash>
#include <QObject>
#include <QStringList>

class QTcpSocket;
class QTimer;

// The VHF chat over TCP: logs in, chooses the room, keeps the user list (asked for at the
// start, every few minutes and when a station joins or leaves) and passes on what is said.
// Nothing waits on the network. A connection that fails, is cut, or does not answer in time
// is tried again after 2, 4, 8 ... up to 60 seconds; a refusal of the login is not, since
// the same login would be refused again. The waits start over only once a connection has
// stayed in the room a while, so a server that drops the client right after the login is
// not tried every 2 seconds. Each change of state is said once: a server that stays away is
// said once for all the tries, and being in the room again once it is back.
class ChatClient : public QObject
{
    Q_OBJECT
public:
    struct Timings
    {
        int connectMs = 15000;
        int answerMs = 30000;
        int firstRetryMs = 2000;
        int longestRetryMs = 60000;
        int stationsEveryMs = 3 * 60 * 1000;
        int steadyMs = 60000; // in the room this long: the next failure waits the shortest again
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

    enum class State { Off, Connecting, LoggingIn, InRoom, Waiting, Refused };

    explicit ChatClient(QObject* parent = nullptr);
    ~ChatClient() override;

    // Tests make the waits short.
    void setTimings(const Timings& timings) { m_timings = timings; }
    const Timings& timings() const { return m_timings; }

    // Connects with this account, dropping any connection there was.
    void start(const Account& account);
    void stop();
    // A line for the room, or a command such as "/cq CALL text"; false when not in a room.
    bool send(const QString& line);
    // The own locator changed: said to the server at once when in a room.
    void setOwnLocator(const QString& locator);

    State state() const { return m_state; }
    // The text the state was last said with; empty while off.
    QString stateText() const { return m_stateText; }
    // How long the next retry waits.
    int retryDelayMs() const { return m_retryDelayMs; }

    // The rooms known before the server offers any, in the server's order.
    static QStringList knownRooms();
    static constexpr quint16 kDefaultPort = 23000;
    static inline const QString kDefaultHost = QStringLiteral("www.on4kst.info");
    static inline const QString kDefaultRoom = QStringLiteral("144/432 MHz");
    // More than this in a list is no chat server's: the connection is dropped and tried again
    // later, so that nothing the server sends grows without bound.
    static constexpr int kMostStations = 5000;
    static constexpr int kMostRooms = 256;

signals:
    // The state, said once for each change; empty once switched off.
    void stateChanged(const QString& text);
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
    void connectNow();
    void readAnswers();
    void handle(const ChatEvent& event);
    void enterRoom();
    void askForStations();
    void write(const QString& line);
    void lost(const QString& cause);
    void forgetStations();
    void setState(State state, const QString& text);
    int roomNumber() const;
    QString address() const;

    Timings m_timings;
    Account m_account;
    QTcpSocket* m_socket;
    QTimer* m_connectTimer;
    QTimer* m_answerTimer;
    QTimer* m_retryTimer;
    QTimer* m_stationsTimer;
    QTimer* m_steadyTimer; // runs from entering the room until the waits start over
    ChatReader m_reader;
    State m_state = State::Off;
    QString m_stateText;
    int m_retryDelayMs = 0;
    bool m_reported = false;            // a failure was said and the room not entered since
    QHash<QString, int> m_offeredRooms; // by the name in lower case
    QStringList m_offeredOrder;
    std::vector<ChatStation> m_listing;
    bool m_stationsGiven = false;  // a list went out and has not been withdrawn
    bool m_listAsked = false;      // "/sh us" sent, its answer not yet in
    bool m_listAskedAgain = false; // a join or leave while it was on its way
};
