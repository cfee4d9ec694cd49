#pragma once

#include "logging/contactlog.h"
#include "sharing/sharedlog.h"
#include "support/fakes.h"
#include "support/privatepostgres.h"
#include "support/tempdatabase.h"

#include <memory>
#include <optional>

// A contact saved as the entry panel saves it, at the clock's time, on the log's save path;
// with a frequency as a rig gives it.
SaveOutcome saveContact(LogStore& store, qint32 contestId, const QString& call, qint32 band,
                        const QDateTime& now, std::optional<qint64> frequencyHz = std::nullopt);
// The worker's delays of a test: a second at most.
SyncWorker::Options shortDelays();

// One operating position of a shared log in a test: a log file of its own with the contest
// "Полевой день" (1) current, and the program's shared log over it, without a window. Saves
// go through the log's own save path, numbered as the entry panel numbers them.
class SharedPosition
{
public:
    explicit SharedPosition(const QString& name);
    ~SharedPosition();

    // Sharing switched on for `server` (with the worker's delays short), as the window's
    // "Сохранить" does; the password is the server's unless given.
    void connectTo(const PrivatePostgres& server, const std::optional<QString>& password = std::nullopt);
    // Sharing switched off: the worker stops.
    void disconnect();
    // The program closed, and started again on the same log file (without its settings'
    // link: connectTo starts it, as the stored settings and a known password would).
    void close();
    void reopen();
    bool waitOnline(int ms = 20000);
    // Shares the current contest, or joins the first contest of the other position's, and
    // waits until that is done.
    bool share();
    bool join(SharedPosition& sharing);
    // Takes a band and waits until the server says it is this position's.
    bool takeBand(qint32 band, bool takeover = false);
    bool holds(qint32 band);

    // A contact saved as the entry panel saves it, at the fake clock's time.
    SaveOutcome save(const QString& call, qint32 band = 144,
                     std::optional<qint64> frequencyHz = std::nullopt);
    // A grid edit of the contact's call or band, and a grid delete, through the journal as the grid's
    // cursor writes them.
    void editCall(const QString& call, const QString& newCall);
    void moveToBand(const QString& call, qint32 band);
    void remove(const QString& call);
    // The current contest deleted here as the contest window deletes it, in one transaction
    // with its contacts; `fail` makes the transaction fail after the journal was told.
    void deleteContest(bool fail = false);

    qint64 count(const QString& where = QString()) const;
    QVariantList column(const QString& query) const { return file.column(query); }

    QString name;
    SyncWorker::Options options; // short delays
    qint32 contestId = 1;
    TempDatabase file;
    FakeServices fakes;
    std::unique_ptr<LogStore> store;
    std::unique_ptr<SharedLog> shared;
    // What the hint bar was told, in order.
    QStringList statuses;
    QStringList notices;
    int arrivals = 0;
};
