#pragma once

#include <QObject>
#include <QString>

class QTcpSocket;
class QTimer;

// The TCP connection of a line-by-line text service (the chat, a DX cluster) and what it says
// in the hint bar. Nothing waits on the network. A connection that fails, is cut, or does not
// answer in time is tried again after 2, 4, 8 ... up to 60 seconds; a refusal is not, since
// the same login would be refused again. The waits start over only once a connection has
// stayed logged in a while, so a server that drops the client right after the login is not
// tried every 2 seconds. Each change of state is said once: a server that stays away is said
// once for all the tries, and being logged in again only once the connection has stayed for
// that while, so a server that drops every client right after the login is said away once.
class LineConnection : public QObject
{
    Q_OBJECT
public:
    struct Timings
    {
        int connectMs = 15000;
        int answerMs = 30000;
        int firstRetryMs = 2000;
        int longestRetryMs = 60000;
        int steadyMs = 60000; // logged in this long: the next failure waits the shortest again
    };

    enum class State { Off, Connecting, LoggingIn, LoggedIn, Waiting, Refused };

    // The service's name begins each state said: "Чат", "Кластер".
    LineConnection(const QString& service, QObject* parent);
    ~LineConnection() override;

    void setTimings(const Timings& timings) { m_timings = timings; }

    // Connects, dropping any connection there was; the waits start from the shortest.
    void open(const QString& host, quint16 port);
    void close();
    // One line with CR LF, whatever line ends it held.
    void write(const QString& line);
    // The server must answer within the answer time, or the connection is dropped and tried
    // again; answered() stops the wait.
    void awaitAnswer();
    // A part of the answer came, a line of a long list: the wait starts again, so that a list
    // that takes longer than the answer time as a whole is not given up while its lines keep
    // coming; only the answer time with nothing of it heard is overdue. No wait, nothing done.
    void answerGoesOn();
    void answered();
    // The login went through: said with this text, at once unless a failure was said, else
    // once it has stayed for the steady span. Again while logged in: only the text changes,
    // the steady span goes on.
    void loggedIn(const QString& text);
    // The server refused the login: said with this text, not tried again.
    void refuse(const QString& text);
    // Dropped for this cause (a server's fault) and tried again after the wait.
    void fail(const QString& cause);

    State state() const { return m_state; }
    // Connecting, logging in or logged in: what the server sends is taken.
    bool isLive() const;
    // The text the state was last said with; empty while off.
    QString stateText() const { return m_stateText; }
    // How long the next retry waits.
    int retryDelayMs() const { return m_retryDelayMs; }
    // "host:port".
    QString address() const;

signals:
    // A try begins: whatever an earlier connection sent is forgotten.
    void connecting();
    void received(const QByteArray& bytes);
    // Closed, refused or lost: what the connection brought may be out of date.
    void down();
    // The state, said once for each change; empty once closed.
    void stateChanged(const QString& text);
    // The state as it is now, at every change, also while the hint bar keeps a failure said
    // until a login has stayed: for the service's own window.
    void currentStateChanged(const QString& text);

private:
    void connectNow();
    void stopTimers();
    void setState(State state, const QString& text);

    const QString m_service;
    Timings m_timings;
    QString m_host;
    quint16 m_port = 0;
    QTcpSocket* m_socket;
    QTimer* m_connectTimer;
    QTimer* m_answerTimer;
    QTimer* m_retryTimer;
    QTimer* m_steadyTimer; // runs from the login until the waits start over
    State m_state = State::Off;
    QString m_stateText;
    QString m_currentText;
    QString m_loggedInText; // said once the steady span is over, when a failure was said
    int m_retryDelayMs = 0;
    bool m_reported = false; // a failure was said and no login has stayed since
};
