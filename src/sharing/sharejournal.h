#pragma once

#include "sharing/sharedserver.h"
#include "store/contactjournal.h"

#include <QHash>
#include <QSet>

#include <functional>

class Clock;
class Database;

// The local side of the shared log, on the window's connection: which contests are shared,
// every change of their contacts written to the outbox in the change's own transaction, and
// the bands this position may number, as last heard from the server.
class ShareJournal : public ContactJournal
{
public:
    ShareJournal(Database& db, const Clock& clock);

    void setPosition(const SharePosition& position) { m_position = position; }
    const SharePosition& position() const { return m_position; }
    // Reads the leases last heard.
    void reload();
    std::optional<QString> contestUuid(qint32 contestId) const;
    std::optional<qint32> contestOf(const QString& uuid) const;

    // Makes a local contest shared under the server's id: every contact of it gets its id and
    // version and goes to the outbox, in one transaction.
    void share(qint32 contestId, const QString& uuid);
    // This log goes on as the new position `next`, in one transaction: the bands the old one
    // held are no longer this log's, and what waits in the outbox goes as made by `next` (the
    // contacts logged here and never sent, as logged by it too). Then the position is `next`.
    void becomePosition(const SharePosition& next);
    // The leases of a contest as the server last said them.
    void setLeases(qint32 contestId, const std::vector<BandLease>& leases);
    const std::vector<BandLease>& leases(qint32 contestId) const;
    std::optional<BandLease> lease(qint32 contestId, qint32 bandId) const;
    void setOnline(bool online) { m_online = online; }
    // A shared contest the server does not list: it is logged here alone, on any band, until
    // the server lists it again.
    void setMissing(qint32 contestId, bool missing)
    {
        if (missing)
            m_missing.insert(contestId);
        else
            m_missing.remove(contestId);
    }
    // Whether saves are held to the leases: while sharing is switched off, this position
    // logs alone and its changes wait in the outbox.
    void setEnforced(bool enforced) { m_enforced = enforced; }
    // Asked for when a save goes through on a band that nobody holds while the server is
    // reachable.
    std::function<void(qint32 contestId, qint32 bandId)> bandWanted;
    // Told after each change that left something in the outbox (still inside its transaction).
    std::function<void()> changed;
    // Told of a shared contest deleted here, by its server id (still inside the delete's
    // transaction, which may yet fail).
    std::function<void(const QString& uuid)> contestDropped;

    bool journals(qint32 contestId) const override;
    std::optional<QString> saveRefusal(qint32 contestId, qint32 bandId, const QString& bandName) override;
    void written(qint64 rowid) override;
    void removing(qint64 rowid) override;
    void bandErasing(qint32 contestId, qint32 bandId) override;
    void contestDeleting(qint32 contestId) override;

private:
    qint64 nowMs() const;
    // Copies the contacts a condition picks into the outbox, as tombstones when deleting.
    void toOutbox(const QString& where, const std::vector<DbValue>& values, bool deleting);

    Database& m_db;
    const Clock& m_clock;
    SharePosition m_position;
    QHash<qint32, std::vector<BandLease>> m_leases;
    QSet<qint32> m_missing;
    bool m_online = false;
    bool m_enforced = true;
};
