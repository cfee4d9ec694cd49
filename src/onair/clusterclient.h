#pragma once

#include "onair/clusterreader.h"

#include <QObject>

class QTcpSocket;
class QTimer;

// A DX cluster over TCP: answers the login question with the call and passes on the spots.
// Nothing waits on the network. A connection that fails, is cut, or does not ask for the call
// (or answer it) in time is tried again after 2, 4, 8 ... up to 60 seconds. Each change of state
// is said once.
class ClusterClient : public QObject
{
    Q_OBJECT
public:
    struct Timings
    {
        int connectMs = 15000;
        int answerMs = 30000;
        int firstRetryMs = 2000;
        int longestRetryMs = 60000;
    };

    struct Account
    {
        QString host;
        quint16 port = 0;
        QString login; // the call the cluster is entered with
    };

    enum class State { Off, Connecting, LoggingIn, Connected, Waiting };

    explicit ClusterClient(QObject* parent = nullptr);
    ~ClusterClient() override;

    // Tests make the waits short.
    void setTimings(const Timings& timings) { m_timings = timings; }

    // Connects with this account, dropping any connection there was.
    void start(const Account& account);
    void stop();

    State state() const { return m_state; }
    // How long the next retry waits.
    int retryDelayMs() const { return m_retryDelayMs; }

    static constexpr quint16 kDefaultPort = 7300;

signals:
    // The state, said once for each change; empty once switched off.
    void stateChanged(const QString& text);
    void spotReceived(const ClusterSpot& spot);

private:
    void connectNow();
    void readAnswers();
    void handle(const ClusterEvent& event);
    void lost(const QString& cause);
    void setState(State state, const QString& text);
    QString address() const;

    Timings m_timings;
    Account m_account;
    QTcpSocket* m_socket;
    QTimer* m_connectTimer;
    QTimer* m_answerTimer;
    QTimer* m_retryTimer;
    ClusterReader m_reader;
    State m_state = State::Off;
    QString m_stateText;
    bool m_loginSent = false;
    int m_retryDelayMs = 0;
};
