#pragma once

#include "store/dbvalue.h"

#include <QDate>
#include <QStringList>
#include <QTime>

#include <optional>
#include <utility>
#include <vector>

class ContactJournal;
class Cursor;
class LogStore;

// What the operator typed in the entry panel, as the fields hold it.
struct ContactFields
{
    QString band;
    QString mode;
    QString call;
    QString locator;
    QString sentReport;
    QString sentNumber;
    QString receivedReport;
    QString receivedNumber;
    QDate date;
    QTime time;
    // The frequency on the band in Hz, as the rig gave it; none for a contact typed without one.
    std::optional<qint64> frequencyHz;

    // The mandatory fields in the order they are checked.
    enum Field { Band, Mode, Call, Locator, SentReport, SentNumber, ReceivedReport, ReceivedNumber };
};

// What a save knows besides the fields.
struct SaveContext
{
    qint32 contestId = 0;
    QString ownLocator;
    double pointsPerKm = 0;
    double nowUtc = 0;
    // The repeat period the timer window shows, while it shows; otherwise the setting's.
    std::optional<double> timerPeriodDays;
};

struct SaveOutcome
{
    enum Kind { Saved, MissingField, NoContest, Refused, Failed };
    Kind kind = Saved;
    ContactFields::Field field = ContactFields::Band; // the empty field, for MissingField
    QString message;                                  // the refusal
    qint64 rowid = 0;                                 // the stored contact, for Saved
};

// The log of contacts: saving one with its checks, numbering and scoring, the lookups the
// entry panel needs, re-scoring a row. No window: the main window shows what it answers.
class ContactLog
{
public:
    explicit ContactLog(LogStore& store) : m_store(store) {}

    SaveOutcome save(const ContactFields& fields, const SaveContext& context);
    // Many contacts in one transaction, each through the checks of save() with its own
    // context: one that a check stops is left out with its outcome and no box. A failing
    // INSERT rolls every row back and throws SqlError, so that nothing is half written.
    std::vector<SaveOutcome> saveAll(const QList<std::pair<ContactFields, SaveContext>>& rows);

    // The next serial number of a contest's band: the largest sent number plus 1, or 1.
    int nextSerialNumber(qint32 contestId, qint32 bandId);

    qint32 bandId(const QString& bandName);
    qint32 modeId(const QString& modeName);
    double bandPointsPerKm(const QString& bandName);

    // The repeat period of the setting `Period` (a place in table Period), in days.
    double repeatPeriodDays();
    bool tourRule();

    // Whether contacts can be saved into this contest: one is chosen (not 0) and it still
    // exists.
    bool contestExists(qint32 contestId);

    // Every call in the log, once, in order.
    QStringList callHistory();

    // Distance, azimuth and points of the cursor's current row again, from its locator.
    void rescore(Cursor& log, const QString& ownLocator, double pointsPerKm);

private:
    class Lookups;
    // The values of a contact's row, in the order of the INSERT's columns; the frequency last,
    // only for a contact saved with one.
    using RowValues = std::vector<DbValue>;
    // The checks of a save, asking `lookups`; when they pass, the outcome is Saved and `row` holds
    // the values to store.
    SaveOutcome checkedRow(const ContactFields& fields, const SaveContext& context, Lookups& lookups,
                           RowValues& row);
    // The INSERT of a row as statement text, as the error box shows it when it fails.
    static QString insertStatement(const RowValues& row);
    // The journal of a contest shared with other positions, which every write to its log feeds.
    ContactJournal* journalOf(qint32 contestId) const;

    LogStore& m_store;
};

// The refusal of a save while no contest is chosen: it names the contest manager.
QString noContestText();

// A save's missing field in a few words: "нет позывного".
QString missingFieldText(ContactFields::Field field);
