#pragma once

#include "sharing/contactchange.h"
#include "sharing/pgconnection.h"

#include <optional>
#include <vector>

// A contest shared on the server: what the positions that join it take over.
struct SharedContest
{
    QString uuid;
    QString name;
    std::optional<double> start; // day counts, UTC
    std::optional<double> stop;
    QString bands; // "144:1;432:2;..." the band keys and their points per km, in key order
};

// A position as the server knows it: a stable id of its own (a spare computer can take over a
// dead one's) and the name the operators read.
struct SharePosition
{
    QString id;
    QString name;
};

// Who holds a band of a shared contest.
struct BandLease
{
    qint32 band = 0;
    QString holder; // the position's id; empty when nobody holds it
    QString holderName;
    bool silent = false; // the holder has not been heard for a minute: it may be taken over
};

// What became of one change pushed to the server.
struct PushOutcome
{
    enum Kind { Applied, AlreadyThere, Lost, ContestGone };
    Kind kind = Applied;
    QString winnerName; // for Lost: the position whose version stays
};

// What a request for a band's lease answered.
struct LeaseAnswer
{
    enum Kind { Taken, Held, ContestGone };
    Kind kind = Taken;
    BandLease lease; // the lease as it stands after the request
};

// The shared log's tables on the PostgreSQL server, and every statement the program runs
// there. The schema is made and upgraded by the program and carries its version; a server
// whose schema is newer than this program knows is refused. A committed change of contacts
// or leases is announced on the channel kNotifyChannel with the contest's id.
class SharedServer
{
public:
    static constexpr int kSchemaVersion = 2;
    static constexpr int kSilentSeconds = 60;
    static constexpr const char* kNotifyChannel = "kovra_log";
    // Pushes take this lock for their transaction, so the change numbers are given in the order
    // the changes commit: a position that has read up to a number never misses a smaller one.
    static constexpr qint64 kChangeLock = 0x6b6f767261; // "kovra"

    explicit SharedServer(PgConnection& connection) : m_db(connection) {}

    // Creates the tables on an empty database or upgrades older ones; throws PgError
    // (SchemaTooNew for a newer schema).
    void prepareSchema();
    // This position by its id and name, heard now, from the copy of its log `copy` names (the
    // computer and the file). Another copy under the same id heard within kSilentSeconds (a log
    // file copied to a second computer) is refused with PositionTaken; an empty `copy` is not
    // compared.
    void registerPosition(const QString& position, const QString& name, const QString& copy = QString());
    void listen();

    std::vector<SharedContest> contests();
    void createContest(const SharedContest& contest);

    // The changes in one transaction, in order; a change older than the server's version of
    // its contact is not applied and is said Lost. Sent by `position` from the copy `copy`
    // (when given): refused with PositionTaken once another copy has taken the position's id.
    std::vector<PushOutcome> push(const std::vector<ContactChange>& changes,
                                  const QString& position = QString(), const QString& copy = QString());
    // What one read of changes went over: its rows, those passed over because a value is not
    // what its column must hold, and the last change number read.
    struct Tally
    {
        int rows = 0;
        int skipped = 0;
        qint64 last = 0;
        QString refusal; // why the last row passed over was
    };
    // Changes of a contest after a change number, in their order; a row that cannot be read is
    // passed over and counted, so one bad row never stops the others.
    std::vector<ContactChange> changesAfter(const QString& contest, qint64 after, int limit,
                                            Tally* tally = nullptr);
    qint64 changesWaiting(const QString& contest, qint64 after);

    std::vector<BandLease> leases(const QString& contest);
    // Takes a band that is free or already this position's; with `takeover`, also one whose
    // holder has been silent for a minute. Under the lease row's lock, so two positions never
    // both get it.
    LeaseAnswer takeLease(const QString& contest, qint32 band, const QString& position, bool takeover);
    void releaseLease(const QString& contest, qint32 band, const QString& position);
    // Every band of the contest the position holds, free now for the others.
    void releaseLeases(const QString& contest, const QString& position);
    // The positions that logged in the contest or hold a band of it and have not been heard
    // for kSilentSeconds, but for `except`; by name.
    std::vector<SharePosition> silentPositions(const QString& contest, const QString& except);
    bool silent(const QString& position);
    // The name a position goes by; empty for one the server does not know.
    QString positionName(const QString& position);
    // This position is heard now, and so are its leases in `contest`, the contest it shares
    // now (none when empty): the bands of a contest it moved on from fall silent. From the copy
    // `copy` (when given): refused with PositionTaken once another copy has taken the id.
    void heartbeat(const QString& position, const QString& contest, const QString& copy = QString());

private:
    void notify(const QString& contest);
    [[noreturn]] void positionTaken(const QString& position);

    PgConnection& m_db;
};

// A change as the server's row gives it (the columns of changesAfter, in order); none when a
// value is not what the column must hold or is one no contact has (a time that is not a
// number or lies outside the years 1900 to 9999, a negative or impossible distance, a
// frequency that is not above zero and below 1 THz), with `refusal` saying which, by the
// contact's call.
std::optional<ContactChange> contactChangeFromRow(const PgRow& row, QString* refusal = nullptr);
