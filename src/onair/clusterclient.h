#pragma once

#include "onair/clusterreader.h"
#include "onair/lineconnection.h"

#include <QObject>

class QTimer;

// A DX cluster over TCP: answers the login question with the call and passes on the spots.
// The connection (its timeouts, its growing waits between tries and the state said once) is a
// LineConnection's; a cluster that does not ask for the call, or answer it, in time is left
// and tried again. A cluster may have nothing to say for hours, and a link that died without
// a word would go unnoticed as long: once logged in, a cluster quiet for a while is asked
// something harmless, and one that does not answer in time is left and tried again.
class ClusterClient : public QObject
{
    Q_OBJECT
public:
    struct Timings : LineConnection::Timings
    {
        int quietMs = 5 * 60 * 1000; // nothing heard this long: the cluster is asked
    };

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
    void setTimings(const Timings& timings);

    // Connects with this account, dropping any connection there was.
    void start(const Account& account);
    void stop();

    State state() const { return m_line->state(); }
    // How long the next retry waits.
    int retryDelayMs() const { return m_line->retryDelayMs(); }

    static constexpr quint16 kDefaultPort = 7300;
    // What a quiet cluster is asked: it changes nothing, and whatever comes back, the time or
    // a cluster's word that it does not know the command, is an answer.
    static inline const QString kQuietQuestion = QStringLiteral("sh/time");

signals:
    // The state, said once for each change; empty once switched off.
    void stateChanged(const QString& text);
    // The state as it is now, at every change (LineConnection::currentStateChanged).
    void currentStateChanged(const QString& text);
    void spotReceived(const ClusterSpot& spot);

private:
    void readAnswers(const QByteArray& bytes);
    void handle(const ClusterEvent& event);

    Account m_account;
    LineConnection* m_line;
    QTimer* m_quietTimer; // runs from the last bytes heard while logged in
    int m_quietMs = Timings().quietMs;
    ClusterReader m_reader;
    bool m_loginSent = false;
};
