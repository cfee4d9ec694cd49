#pragma once

#include "onair/clusterreader.h"
#include "onair/lineconnection.h"

#include <QObject>

// A DX cluster over TCP: answers the login question with the call and passes on the spots.
// The connection (its timeouts, its growing waits between tries and the state said once) is a
// LineConnection's; a cluster that does not ask for the call, or answer it, in time is left
// and tried again.
class ClusterClient : public QObject
{
    Q_OBJECT
public:
    using Timings = LineConnection::Timings;

    struct Account
    {
        QString host;
        quint16 port = 0;
        QString login; // the call the cluster is entered with
    };

    using State = LineConnection::State;

    explicit ClusterClient(QObject* parent = nullptr);
    ~ClusterClient() override;

    // Tests make the waits short.
    void setTimings(const Timings& timings) { m_line->setTimings(timings); }

    // Connects with this account, dropping any connection there was.
    void start(const Account& account);
    void stop();

    State state() const { return m_line->state(); }
    // How long the next retry waits.
    int retryDelayMs() const { return m_line->retryDelayMs(); }

    static constexpr quint16 kDefaultPort = 7300;

signals:
    // The state, said once for each change; empty once switched off.
    void stateChanged(const QString& text);
    void spotReceived(const ClusterSpot& spot);

private:
    void readAnswers(const QByteArray& bytes);
    void handle(const ClusterEvent& event);

    Account m_account;
    LineConnection* m_line;
    ClusterReader m_reader;
    bool m_loginSent = false;
};
