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

namespace {

// A number field goes into the statement as typed when it is a number; anything else goes
// in as text, which the column refuses with its own message.
QString numberOrText(const QString& typed)
{
    return isSqlNumberText(typed) ? typed : sqlQuote(typed);
}

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

SaveOutcome ContactLog::save(const ContactFields& f, const SaveContext& context)
{
    QString statement;
    SaveOutcome outcome = checkedInsert(f, context, statement);
    if (outcome.kind != SaveOutcome::Saved)
        return outcome;
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
        for (const auto& [fields, context] : rows) {
            QString statement;
            SaveOutcome outcome = checkedInsert(fields, context, statement);
            if (outcome.kind == SaveOutcome::Saved) {
                m_store.db().exec(statement); // a failure throws and rolls back every row
                outcome.rowid = m_store.db().lastInsertRowid();
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

SaveOutcome ContactLog::checkedInsert(const ContactFields& f, const SaveContext& context, QString& statement)
{
    SaveOutcome outcome;
    if (const auto empty = firstEmptyField(f)) {
        outcome.kind = SaveOutcome::MissingField;
        outcome.field = *empty;
        return outcome;
    }

    // A contact under no contest would be in no contest's log and no export.
    if (!contestExists(context.contestId)) {
        outcome.kind = SaveOutcome::NoContest;
        outcome.message = noContestText();
        return outcome;
    }

    const qint32 band = bandId(f.band);
    const qint32 mode = modeId(f.mode);
    // A contest shared with other positions: a band is numbered in one place only.
    if (ContactJournal* journal = journalOf(context.contestId)) {
        if (const auto refusal = journal->saveRefusal(context.contestId, band, f.band)) {
            outcome.kind = SaveOutcome::Refused;
            outcome.message = *refusal;
            return outcome;
        }
    }
    const DbValue lastValue = m_store.eSQLreturn(
        QStringLiteral("SELECT TOP 1 ContestListDateTime FROM ContestList WHERE ContestListCall=") +
        sqlQuote(f.call) +
        QStringLiteral(
            " AND IdContest=%1 AND IdBand=%2 AND IdModulation=%3 ORDER BY ContestListDateTime DESC")
            .arg(context.contestId)
            .arg(band)
            .arg(mode));
    const double last = lastValue.isNull() ? 0 : lastValue.toDouble();
    if (last != 0) {
        const double period = context.timerPeriodDays.value_or(repeatPeriodDays());
        const double next = nextAllowedContact(last, period, tourRule());
        if (isTooEarly(next, context.nowUtc)) {
            outcome.kind = SaveOutcome::Refused;
            outcome.message = repeatRefusalText(f.call, f.band, f.mode, period, last, next, context.nowUtc);
            return outcome;
        }
    }

    int azimuth = 0;
    double distance = 0;
    LocatorAzimuthDistance(context.ownLocator, f.locator.trimmed(), azimuth, distance);
    const int points = contactPoints(distance, context.pointsPerKm);
    const double when = toDayCount(f.date, QTime(0, 0)) + double(f.time.msecsSinceStartOfDay()) / 86400000.0;

    // The frequency's column is named only when there is one: a contact typed without a rig is
    // saved as ever.
    const QString frequencyColumn = f.frequencyHz ? QStringLiteral(", ContestListFrequency") : QString();
    const QString frequency =
        f.frequencyHz ? QLatin1Char(',') + sqlNumber(double(*f.frequencyHz) / 1e6) : QString();
    statement =
        QStringLiteral(
            "INSERT INTO ContestList (IdContest, IdBand, ContestListDateTime, ContestListCall, "
            "ContestListQTH, IdModulation,ContestListSendNum, ContestListSendRST, ContestListReceivedNum, "
            "ContestListReceivedRST,ContestListResult, ContestListDistance, ContestListAzimut") +
        frequencyColumn + QStringLiteral(") VALUES (") + QString::number(context.contestId) +
        QLatin1Char(',') + QString::number(band) + QLatin1Char(',') + SqlDateLiteral(when) +
        QStringLiteral(", ") + sqlQuote(f.call) + QStringLiteral(", ") + sqlQuote(f.locator) +
        QStringLiteral(", ") + QString::number(mode) + QLatin1Char(',') + numberOrText(f.sentNumber) +
        QLatin1Char(',') + numberOrText(f.sentReport) + QLatin1Char(',') + numberOrText(f.receivedNumber) +
        QLatin1Char(',') + numberOrText(f.receivedReport) + QLatin1Char(',') + QString::number(points) +
        QLatin1Char(',') + sqlNumber(distance) + QLatin1Char(',') + QString::number(azimuth) + frequency +
        QLatin1Char(')');
    return outcome;
}

bool ContactLog::contestExists(qint32 contestId)
{
    return contestId > 0 &&
           m_store.eSQLreturn(
                      QStringLiteral("SELECT COUNT(*) FROM Contest WHERE ContestRowid=%1").arg(contestId))
                   .toInt() > 0;
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
