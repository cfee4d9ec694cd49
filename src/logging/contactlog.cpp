#include "logging/contactlog.h"

#include "logging/locator.h"
#include "logging/repeatrule.h"
#include "platform/prompts.h"
#include "store/contactjournal.h"
#include "store/cursor.h"
#include "store/daycount.h"
#include "store/errors.h"
#include "store/logstore.h"
#include "store/sqltext.h"

#include <QHash>

namespace {

// A number field is stored as the number it reads as when it is one; anything else as text,
// which the column refuses with its own message.
DbValue numberOrText(const QString& typed)
{
    if (!isSqlNumberText(typed))
        return DbValue(typed);
    bool whole = false;
    const qint64 n = typed.toLongLong(&whole);
    // A number past 64 bits is a real one, as the database reads such a literal.
    return whole ? DbValue(n) : DbValue(typed.toDouble());
}

// The day count a contact's time is stored as: to the whole second, as its date literal holds it.
double wholeSecondDayCount(double when)
{
    const QDateTime at = fromDayCount(when);
    return toDayCount(at.date(), QTime(0, 0)) + double(at.time().msecsSinceStartOfDay() / 1000) / 86400.0;
}

// A value of a row in the text of an INSERT.
QString literalOf(const DbValue& value)
{
    switch (value.kind()) {
    case DbValue::Kind::Null:
        return QStringLiteral("NULL");
    case DbValue::Kind::Integer:
    case DbValue::Kind::Boolean:
        return QString::number(value.toInt());
    case DbValue::Kind::Double:
        return sqlNumber(value.toDouble());
    case DbValue::Kind::DateTime:
        return SqlDateLiteral(value.toDouble());
    case DbValue::Kind::Text:
        break;
    }
    return sqlQuote(value.toString());
}

const QString kInsertColumns = QStringLiteral(
    "INSERT INTO ContestList (IdContest, IdBand, ContestListDateTime, ContestListCall, ContestListQTH, "
    "IdModulation, ContestListSendNum, ContestListSendRST, ContestListReceivedNum, ContestListReceivedRST, "
    "ContestListResult, ContestListDistance, ContestListAzimut");
const QString kFrequencyColumn = QStringLiteral(", ContestListFrequency");
// A row's values are the columns above; a contact with a frequency has it after them.
constexpr size_t kFrequencyValue = 13;

std::optional<ContactFields::Field> firstEmptyField(const ContactFields& f)
{
    const std::pair<ContactFields::Field, QString> fields[] = {
        {ContactFields::Band, f.band},
        {ContactFields::Mode, f.mode},
        {ContactFields::Call, f.call.trimmed()},
        {ContactFields::Locator, f.locator.trimmed()},
        {ContactFields::SentReport, f.sentReport.trimmed()},
        {ContactFields::SentNumber, f.sentNumber.trimmed()},
        {ContactFields::ReceivedReport, f.receivedReport.trimmed()},
        {ContactFields::ReceivedNumber, f.receivedNumber.trimmed()}};
    for (const auto& [field, text] : fields) {
        if (text.isEmpty())
            return field;
    }
    return std::nullopt;
}

} // namespace

// What the checks of a save ask the log. A batch of saves asks each fixed answer (contest,
// band, mode, repeat period, tour rule) once, and runs the repeat query and the INSERT as
// statements prepared once: within one transaction on this connection none of them changes.
class ContactLog::Lookups
{
public:
    explicit Lookups(ContactLog& log) : m_log(log) {}

    bool contestExists(qint32 contestId)
    {
        const auto known = m_contests.constFind(contestId);
        if (known != m_contests.cend())
            return *known;
        return *m_contests.insert(contestId, m_log.contestExists(contestId));
    }
    qint32 bandId(const QString& name)
    {
        const auto known = m_bands.constFind(name);
        return known != m_bands.cend() ? *known : *m_bands.insert(name, m_log.bandId(name));
    }
    qint32 modeId(const QString& name)
    {
        const auto known = m_modes.constFind(name);
        return known != m_modes.cend() ? *known : *m_modes.insert(name, m_log.modeId(name));
    }
    double repeatPeriodDays()
    {
        if (!m_periodDays)
            m_periodDays = m_log.repeatPeriodDays();
        return *m_periodDays;
    }
    bool tourRule()
    {
        if (!m_tours)
            m_tours = m_log.tourRule();
        return *m_tours;
    }
    // The stored contacts with the call on the contest's band and mode nearest to `when`: the
    // latest at or before it (to the millisecond) and the earliest after it.
    struct Neighbours
    {
        std::optional<double> before;
        std::optional<double> after;
    };
    Neighbours neighbours(const QString& call, qint32 contestId, qint32 band, qint32 mode, double when)
    {
        // One pass over the call's few contacts: the log is searched once, as for the latest alone.
        if (!m_contacts)
            m_contacts.emplace(m_log.m_store.db().prepare(QStringLiteral(
                "SELECT ContestListDateTime FROM ContestList WHERE ContestListCall=?1 AND IdContest=?2 "
                "AND IdBand=?3 AND IdModulation=?4")));
        // A stored time equal to `when` but for the last bits of its day count is before it.
        const double bound = when + 0.5 / 86400000.0;
        Neighbours near;
        m_contacts->forEachRow({call, contestId, band, mode}, [&](const ResultRow& r) {
            if (!r[0].isNumeric())
                return;
            const double t = r[0].toDouble();
            if (t <= bound) {
                if (!near.before || t > *near.before)
                    near.before = t;
            } else if (!near.after || t < *near.after) {
                near.after = t;
            }
        });
        return near;
    }
    // Stores the row; its rowid. A failure throws SqlError.
    qint64 insert(const RowValues& row)
    {
        const bool withFrequency = row.size() > kFrequencyValue;
        std::optional<Database::Statement>& insert = m_inserts[withFrequency ? 1 : 0];
        if (!insert) {
            const QString marks = QStringLiteral(",?").repeated(qsizetype(row.size())).mid(1);
            insert.emplace(
                m_log.m_store.db().prepare(kInsertColumns + (withFrequency ? kFrequencyColumn : QString()) +
                                           QStringLiteral(") VALUES (") + marks + QLatin1Char(')')));
        }
        insert->run(row);
        return m_log.m_store.db().lastInsertRowid();
    }

private:
    ContactLog& m_log;
    QHash<qint32, bool> m_contests;
    QHash<QString, qint32> m_bands;
    QHash<QString, qint32> m_modes;
    std::optional<double> m_periodDays;
    std::optional<bool> m_tours;
    std::optional<Database::Statement> m_contacts;
    std::optional<Database::Statement> m_inserts[2];
};

SaveOutcome ContactLog::save(const ContactFields& f, const SaveContext& context)
{
    Lookups lookups(*this);
    RowValues row;
    SaveOutcome outcome = checkedRow(f, context, lookups, row);
    if (outcome.kind != SaveOutcome::Saved)
        return outcome;
    const QString statement = insertStatement(row);
    ContactJournal* journal = journalOf(context.contestId);
    if (!journal) {
        if (!m_store.eSQL(statement)) {
            outcome.kind = SaveOutcome::Failed;
            return outcome;
        }
        outcome.rowid = m_store.db().lastInsertRowid();
        return outcome;
    }
    // The contact and its journal entry are stored together or not at all.
    try {
        m_store.db().transaction([&] {
            m_store.db().exec(statement);
            outcome.rowid = m_store.db().lastInsertRowid();
            journal->written(outcome.rowid);
        });
    } catch (const SqlError& e) {
        m_store.prompts().error(statementErrorText(statement, e.message()));
        outcome.kind = SaveOutcome::Failed;
        outcome.rowid = 0;
    }
    return outcome;
}

std::vector<SaveOutcome> ContactLog::saveAll(const QList<std::pair<ContactFields, SaveContext>>& rows)
{
    std::vector<SaveOutcome> outcomes;
    outcomes.reserve(size_t(rows.size()));
    m_store.db().transaction([&] {
        Lookups lookups(*this); // its statements end before the transaction does
        RowValues row;
        for (const auto& [fields, context] : rows) {
            SaveOutcome outcome = checkedRow(fields, context, lookups, row);
            if (outcome.kind == SaveOutcome::Saved) {
                outcome.rowid = lookups.insert(row); // a failure throws and rolls back every row
                if (ContactJournal* journal = journalOf(context.contestId))
                    journal->written(outcome.rowid);
            }
            outcomes.push_back(outcome);
        }
    });
    return outcomes;
}

ContactJournal* ContactLog::journalOf(qint32 contestId) const
{
    ContactJournal* journal = m_store.journal();
    return journal && journal->journals(contestId) ? journal : nullptr;
}

SaveOutcome ContactLog::checkedRow(const ContactFields& f, const SaveContext& context, Lookups& lookups,
                                   RowValues& row)
{
    SaveOutcome outcome;
    if (const auto empty = firstEmptyField(f)) {
        outcome.kind = SaveOutcome::MissingField;
        outcome.field = *empty;
        return outcome;
    }

    // A contact under no contest would be in no contest's log and no export.
    if (!lookups.contestExists(context.contestId)) {
        outcome.kind = SaveOutcome::NoContest;
        outcome.message = noContestText();
        return outcome;
    }

    const qint32 band = lookups.bandId(f.band.trimmed());
    const qint32 mode = lookups.modeId(f.mode.trimmed());
    // A contest shared with other positions: a band is numbered in one place only.
    if (ContactJournal* journal = journalOf(context.contestId)) {
        if (const auto refusal = journal->saveRefusal(context.contestId, band, f.band)) {
            outcome.kind = SaveOutcome::Refused;
            outcome.message = *refusal;
            return outcome;
        }
    }
    // A repeat is judged at the contact's time against the stored contacts nearest to it on both
    // sides: a contact brought in from another log may be earlier than those stored, and is a
    // repeat of a later one within the period (or tour) as much as of an earlier one. A contact
    // typed now has nothing later, and is judged by the latest as ever.
    const Lookups::Neighbours near =
        lookups.neighbours(f.call, context.contestId, band, mode, context.nowUtc);
    if (near.before || near.after) {
        const double period = context.timerPeriodDays.value_or(lookups.repeatPeriodDays());
        const bool tours = lookups.tourRule();
        if (near.before) {
            const double next = nextAllowedContact(*near.before, period, tours);
            if (isTooEarly(next, context.nowUtc)) {
                outcome.kind = SaveOutcome::Refused;
                outcome.message =
                    repeatRefusalText(f.call, f.band, f.mode, period, *near.before, next, context.nowUtc);
                return outcome;
            }
        }
        if (near.after && isTooEarly(nextAllowedContact(context.nowUtc, period, tours), *near.after)) {
            outcome.kind = SaveOutcome::Refused;
            outcome.message =
                laterRepeatRefusalText(f.call, f.band, f.mode, period, *near.after, context.nowUtc, tours);
            return outcome;
        }
    }

    int azimuth = 0;
    double distance = 0;
    LocatorAzimuthDistance(context.ownLocator, f.locator.trimmed(), azimuth, distance);
    const int points = contactPoints(distance, context.pointsPerKm);
    const double when = toDayCount(f.date, QTime(0, 0)) + double(f.time.msecsSinceStartOfDay()) / 86400000.0;
    // Numbers in 15 significant digits, as a statement's text would carry them.
    row = {context.contestId,
           band,
           DbValue::dateTime(wholeSecondDayCount(when)),
           f.call,
           f.locator,
           mode,
           numberOrText(f.sentNumber),
           numberOrText(f.sentReport),
           numberOrText(f.receivedNumber),
           numberOrText(f.receivedReport),
           points,
           sqlNumber(distance).toDouble(),
           azimuth};
    // The frequency's column is named only when there is one: a contact typed without a rig is
    // saved as ever.
    if (f.frequencyHz)
        row.push_back(sqlNumber(double(*f.frequencyHz) / 1e6).toDouble());
    return outcome;
}

QString ContactLog::insertStatement(const RowValues& row)
{
    QStringList values;
    for (const DbValue& value : row)
        values << literalOf(value);
    return kInsertColumns + (row.size() > kFrequencyValue ? kFrequencyColumn : QString()) +
           QStringLiteral(") VALUES (") + values.join(QLatin1Char(',')) + QLatin1Char(')');
}

bool ContactLog::contestExists(qint32 contestId)
{
    return contestId > 0 &&
           m_store.eSQLreturn(
                      QStringLiteral("SELECT COUNT(*) FROM Contest WHERE ContestRowid=%1").arg(contestId))
                   .toInt() > 0;
}

QString missingFieldText(ContactFields::Field field)
{
    const char* names[] = {"диапазона",         "вида работы",         "позывного",
                           "локатора",          "переданного рапорта", "переданного номера",
                           "принятого рапорта", "принятого номера"};
    return QStringLiteral("нет ") + QString::fromUtf8(names[field]);
}

QString noContestText()
{
    return QStringLiteral("Связь не записана: не выбрано соревнование.\n\r\n\r"
                          "Выберите соревнование в окне \"Соревнования\" (Работа → Установки → "
                          "Выбор соревнования, F3), затем сохраните связь ещё раз.");
}

int ContactLog::nextSerialNumber(qint32 contestId, qint32 bandId)
{
    const DbValue max = m_store.eSQLreturn(
        QStringLiteral("SELECT MAX(ContestListSendNum) FROM ContestList WHERE IdContest=%1 AND IdBand=%2 ")
            .arg(contestId)
            .arg(bandId));
    return max.isNull() ? 1 : int(max.toInt()) + 1;
}

qint32 ContactLog::bandId(const QString& bandName)
{
    return qint32(m_store
                      .eSQLreturn(QStringLiteral("SELECT BandRowid FROM [Band] WHERE BandName=") +
                                  sqlQuote(bandName.trimmed()) + QStringLiteral(" "))
                      .toInt());
}

qint32 ContactLog::modeId(const QString& modeName)
{
    const DbValue id =
        m_store.eSQLreturn(QStringLiteral("SELECT ModulationRowid FROM Modulation WHERE ModulationName=") +
                           sqlQuote(modeName.trimmed()) + QStringLiteral(" "));
    return id.isNull() ? 0 : qint32(id.toInt());
}

double ContactLog::bandPointsPerKm(const QString& bandName)
{
    const DbValue factor =
        m_store.eSQLreturn(QStringLiteral("SELECT BandPoint1km FROM [Band] WHERE BandName=") +
                           sqlQuote(bandName.trimmed()) + QStringLiteral(" "));
    // A band without a factor scores nothing rather than stopping the log.
    return factor.isNumeric() ? factor.toDouble() : 0.0;
}

double ContactLog::repeatPeriodDays()
{
    const DbValue setting =
        m_store.eSQLreturn(QStringLiteral("SELECT SettingParamInt FROM Setting WHERE SettingName='Period' "));
    const qint64 n = (setting.isNull() ? 3 : setting.toInt()) + 1;
    const DbValue seconds = m_store.eSQLreturn(
        QStringLiteral(
            "SELECT TOP 1 PeriodRowid FROM (SELECT TOP %1 PeriodRowid FROM Period ORDER BY PeriodRowid) a "
            "ORDER BY PeriodRowid DESC ")
            .arg(n));
    return seconds.isNumeric() ? seconds.toDouble() / 86400.0 : 0.0;
}

bool ContactLog::tourRule()
{
    const DbValue tour = m_store.GetSet(QStringLiteral("Tour"), LogStore::IntegerSetting);
    return tour.isNumeric() && tour.toInt() == 1;
}

QStringList ContactLog::callHistory()
{
    QStringList calls;
    for (const ResultRow& row :
         m_store.db()
             .query(QStringLiteral(
                 "SELECT ContestListCall FROM ContestList GROUP BY ContestListCall ORDER BY ContestListCall"))
             .rows)
        calls << row[0].displayText();
    return calls;
}

void ContactLog::rescore(Cursor& log, const QString& ownLocator, double pointsPerKm)
{
    const DbValue locator = log.value(QStringLiteral("ContestListQTH"));
    int azimuth = 0;
    double distance = 0;
    LocatorAzimuthDistance(ownLocator, locator.displayText(), azimuth, distance);
    log.edit();
    log.setValue(QStringLiteral("ContestListAzimut"), azimuth);
    // Stored as a save stores it, in 15 significant digits; the points come from the double.
    log.setValue(QStringLiteral("ContestListDistance"), sqlNumber(distance).toDouble());
    log.setValue(QStringLiteral("ContestListResult"), contactPoints(distance, pointsPerKm));
    log.post();
}
