#pragma once

#include "logging/contactlog.h"
#include "station/wsjtxmessage.h"

#include <QList>
#include <QString>

#include <optional>
#include <variant>

class LogStore;

// The time of a contact as the operator types it in "Несохранённые связи" (UTC): dd.MM.yyyy
// HH:mm:ss, or without the seconds; invalid when it does not read.
QDateTime unsavedContactTime(const QString& text);
// The same as the list shows it.
QString unsavedContactTimeText(const QDateTime& utc);

// What the log does with contacts from WSJT-X, without a window: a contact in the log's terms
// (its band from its frequency, its mode by name), whether it is already stored (WSJT-X sends a
// logged contact again when it reconnects), the contacts that could not be saved, and whether a
// call may not be worked again yet.
class DigitalLog
{
public:
    explicit DigitalLog(LogStore& store) : m_store(store) {}

    // The entry fields of a contact: the band chosen for it, or else the first of the log's bands
    // whose IARU Region 1 range holds its frequency, and the log's mode of that name; or why there
    // is none. A frequency off the band chosen is not stored with it.
    std::variant<ContactFields, QString> fieldsOf(const DigitalContact& contact);

    // Whether the contest holds this contact: the same call, band and mode at the same second.
    bool holds(qint32 contestId, const ContactFields& fields);

    // When the call may be worked again on the band and mode, while that is still after `nowUtc`
    // (day counts); none when it may be worked now.
    std::optional<double> repeatAllowedFrom(qint32 contestId, qint32 bandId, qint32 modeId,
                                            const QString& call, double nowUtc, double periodDays,
                                            bool tours);

    struct Unsaved
    {
        qint64 rowid = 0;
        double received = 0; // a day count, UTC
        QString reason;
        QString record; // the ADIF text as it came
    };
    // Kept in the log file, so that a contact is not lost when the program closes.
    void keepUnsaved(double receivedUtc, const QString& reason, const QString& record);
    QList<Unsaved> unsaved();
    void dropUnsaved(qint64 rowid);
    void setUnsavedReason(qint64 rowid, const QString& reason);
    // The unsaved row that holds the same contact as `record` (WSJT-X sends a refused record
    // again): the same call, time, band, mode, locator, reports and numbers, whatever the header
    // or the order of the fields; for a record that does not read, the same text. 0 when none.
    qint64 unsavedHolding(const QString& record);
    // The names of the log's bands and modes, in the log's order, for the operator to choose from.
    QStringList bandNames();
    QStringList modeNames();
    // The band of a frequency as fieldsOf takes it; empty when it is on none of the log's bands.
    QString bandOf(qint64 frequencyHz);

private:
    // What makes two records the same contact, for unsavedHolding.
    QString identityOf(const QString& record);

    LogStore& m_store;
};
