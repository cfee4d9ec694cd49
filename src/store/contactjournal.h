#pragma once

#include <QString>

#include <optional>

// Told of every change of the log's contacts inside the change's own transaction, so that a
// contact shared with other positions is sent on exactly when it is stored. Contests it does
// not journal are written as they always were.
class ContactJournal
{
public:
    virtual ~ContactJournal() = default;

    // Whether the contacts of this contest are journaled.
    virtual bool journals(qint32 contestId) const = 0;
    // Why a new contact on this band of a journaled contest (asked only for one) may not be
    // saved here; none when it may.
    virtual std::optional<QString> saveRefusal(qint32 contestId, qint32 bandId, const QString& bandName) = 0;
    // A contact was stored or changed (by its rowid), in the open transaction.
    virtual void written(qint64 rowid) = 0;
    // A contact is about to be deleted, in the open transaction.
    virtual void removing(qint64 rowid) = 0;
    // Every contact of a contest's band is about to be deleted, in the open transaction.
    virtual void bandErasing(qint32 contestId, qint32 bandId) = 0;
    // A contest and its contacts are about to be deleted here only, in the open transaction.
    virtual void contestDeleting(qint32 contestId) = 0;
};
