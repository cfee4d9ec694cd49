#pragma once

#include "sharing/arrivedcontact.h"
#include "sharing/sharedserver.h"
#include "sharing/sharejournal.h"

#include <QObject>
#include <QVector>

#include <memory>
#include <set>
#include <tuple>

// The shared log's link, on a thread of its own with its own connections to the log file and
// to the server: it sends the outbox in order and deletes what the server has, listens for the
// other positions' changes and takes every change after the last one it saw into the log,
// keeps the bands' leases fresh, and runs the window's requests. It connects again with a
// growing delay; nothing it does waits on the window, and the window never waits on it. What
// it finds comes to the window's thread as signals.
class SyncWorker : public QObject
{
    Q_OBJECT
public:
    enum class Link { Connected, CatchingUp, Offline };
    Q_ENUM(Link)

    struct Options
    {
        int firstRetryMs = 1000;
        int lastRetryMs = 30000;
        // How long a connection must stay before the link is said to be up again after one
        // that dropped soon after it was made, and before the delay starts over.
        int steadyMs = 20000;
        int heartbeatMs = 10000;
        int batch = 500;
        int answerTimeoutMs = PgConnection::kAnswerTimeoutMs;
        int idleInTransactionMs = PgConnection::kIdleInTransactionMs;
    };

    SyncWorker(const QString& logPath, const ServerAddress& address, const SharePosition& position,
               const Options& options, QObject* parent = nullptr);
    ~SyncWorker() override;

    void start();
    // Something waits in the outbox: send it now.
    void wake();

    void createContest(qint32 contestId, const SharedContest& contest);
    void listContests();
    // Asked once: while a request for the band waits for its answer, another one like it is
    // not sent (a burst of saves on a free band asks for it once).
    void takeBand(qint32 contestId, qint32 bandId, bool takeover);
    void releaseBand(qint32 contestId, qint32 bandId);
    // The contest's leases heard now, while online (a contest just joined).
    void refreshLeases(qint32 contestId);
    // A shared contest deleted here: its bands this position holds are free at once for the
    // others, rather than a minute later. Offline it does nothing: they lapse by themselves.
    void releaseContest(const QString& uuid);
    // The positions of the contest that fell silent, for a spare computer to take the place of.
    void listSilentPositions(qint32 contestId);
    // Taking a silent position's place: asked again whether it is still silent, and if so this
    // position's bands of the contest are let go, since it goes on under the other's id. Here,
    // in releaseBand and in releaseContest, the outbox is sent before any band is let go.
    void adoptPosition(qint32 contestId, const SharePosition& silent);

signals:
    // The link's state: connected, catching up with `count` changes, or offline with `count`
    // changes waiting to be sent. Said when it changes.
    void linkChanged(SyncWorker::Link link, qint64 count);
    // Why the server cannot be used (a refused login, a newer schema, no answer); said when
    // it changes, and an empty text when the server is reached again.
    void problem(const QString& text, bool loginRefused);
    void contactsArrived(const QVector<ArrivedContact>& contacts);
    void leasesChanged(qint32 contestId, const std::vector<BandLease>& leases);
    void leaseAnswered(qint32 contestId, qint32 bandId, const LeaseAnswer& answer, bool takeover);
    void contestCreated(qint32 contestId, const QString& uuid);
    void contestsListed(const std::vector<SharedContest>& contests);
    void silentPositionsListed(qint32 contestId, const std::vector<SharePosition>& positions);
    // Whether the silent position's place may be taken (false: it was heard meanwhile).
    void positionAdoptable(qint32 contestId, const SharePosition& silent, bool adoptable);
    void commandFailed(const QString& text);
    // The server keeps this log away: another copy of its file goes by the same position id.
    // Said before the problem's text.
    void refusedAsCopy();
    // An edit made here lost to a later one made at another position.
    void editLost(const QString& call, const QString& winner);
    // The server does not list a shared contest (it was deleted there, or the settings name
    // another server or database), or lists it again. While it is missing, nothing of it is
    // sent or taken and what waits to be sent stays.
    void contestMissing(qint32 contestId, bool missing);

private:
    class Core;
    std::shared_ptr<Core> m_core;
    // The band requests sent and not yet answered, as (contest, band, takeover); the owner's
    // thread's alone.
    std::set<std::tuple<qint32, qint32, bool>> m_bandsAsked;
};
