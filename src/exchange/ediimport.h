#pragma once

#include "exchange/edireader.h"
#include "logging/contactlog.h"
#include "store/logbands.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

class LogStore;

// The band a file's "PBand=" names among the log's bands: the name itself, the name the
// IARU band table gives the band, or a frequency ("145 MHz", "2,3 GHz") at or up to a tenth
// above a band's lower edge. 0 when it names none.
qint32 bandNamedBy(const QString& pband, const QList<LogBand>& bands);

// The contacts of a file as a save takes them, in the order of time: the mode by its code
// (an unknown code as code 0), serials and reports as numbers, the time to the minute.
QList<ContactFields> importedFields(const EdiReading& reading, const QString& bandName,
                                    const QHash<qint64, QString>& modeNames);

// Why the log cannot hold a contact as read (a locator longer than its column, a serial or report
// beyond a small integer, a call with a control character or too long); empty when it can.
QString unstorableReason(const EdiReadContact& contact);

// The box after an import: how many contacts were added and, for the others, each reason with
// its count ("повтор раньше срока — 2").
QString importOutcomeText(const std::vector<SaveOutcome>& outcomes);

// One EDI file brought into the current contest.
struct EdiImportFile
{
    QString path;
    QString error; // why the file could not be read; empty when it was
    EdiReading reading;
    qint32 bandId = 0; // 0 until a band is found or chosen
};

// What an import would do, before anything is written.
struct EdiImportPlan
{
    struct Band
    {
        qint32 id = 0;
        QString name;
        int contacts = 0; // read from the files
        int existing = 0; // already in the contest (or twice in the files): skipped
    };
    QList<Band> bands;
    QList<std::pair<ContactFields, SaveContext>> rows; // to be saved, in the order of time
    // "file: line numbers", as the viewer lists them, and each line the log cannot hold.
    QStringList unread;
    QStringList failedFiles; // "file: why"

    // The text of the window "Импорт EDI".
    QString summary() const;
};

// Brings EDI files of any program into the current contest through the one save path: the
// same checks, distance, azimuth and points as a typed contact. No window.
class EdiImport
{
public:
    EdiImport(LogStore& store, qint32 contestId, QString ownLocator);

    QList<LogBand> bands() const { return m_bands; }
    EdiImportFile read(const QString& path) const;
    // The plan for the files (each with its band): contacts already in the contest (same call,
    // band and minute) and repeats within the files are left out; so are contacts the log cannot
    // hold, listed by line with the reason (one of them would roll the whole import back).
    EdiImportPlan plan(const QList<EdiImportFile>& files);
    // Writes the plan in one transaction; gives the outcomes of the rows in their order. A
    // failing INSERT writes nothing and throws SqlError.
    std::vector<SaveOutcome> write(const EdiImportPlan& plan);

private:
    LogStore& m_store;
    qint32 m_contestId;
    QString m_ownLocator;
    QList<LogBand> m_bands;
    QHash<qint64, QString> m_modeNames;
};
