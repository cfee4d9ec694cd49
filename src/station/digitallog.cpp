#include "station/digitallog.h"

#include "logging/repeatrule.h"
#include "station/bandplan.h"
#include "store/database.h"
#include "store/daycount.h"
#include "store/logstore.h"
#include "store/sqltext.h"

#include <QDateTime>
#include <QLocale>

std::variant<ContactFields, QString> DigitalLog::fieldsOf(const DigitalContact& c)
{
    const QString lack = digitalContactLack(c);
    if (!lack.isEmpty())
        return lack;
    QString band = c.band;
    std::optional<qint64> frequency = c.frequencyHz;
    if (!band.isEmpty()) {
        const DbValue key = m_store.eSQLreturn2(
            QStringLiteral("SELECT BandRowid FROM [Band] WHERE BandName=") + sqlQuote(band));
        if (key.isNull())
            return QStringLiteral("диапазона %1 нет в логе").arg(band.left(20));
        const std::optional<BandRange> range = region1Range(int(key.toInt()));
        if (frequency && !(range && *frequency >= range->lowHz && *frequency <= range->highHz))
            frequency.reset();
    } else {
        band = bandOf(*c.frequencyHz);
    }
    if (band.isEmpty())
        return QStringLiteral("частота %1 МГц не на диапазоне лога")
            .arg(QLocale().toString(double(*c.frequencyHz) / 1e6, 'f', 3));
    const DbValue mode = m_store.eSQLreturn2(
        QStringLiteral("SELECT ModulationName FROM Modulation WHERE ModulationName=") + sqlQuote(c.mode));
    if (mode.isNull())
        return QStringLiteral("вида работы %1 нет в логе").arg(c.mode.left(20));

    ContactFields f;
    f.band = band;
    f.mode = mode.toString();
    f.call = c.call;
    f.locator = c.locator;
    f.sentReport = c.sentReport;
    f.sentNumber = c.sentNumber;
    f.receivedReport = c.receivedReport;
    f.receivedNumber = c.receivedNumber;
    f.date = c.utc.date();
    f.time = c.utc.time();
    f.frequencyHz = frequency;
    return f;
}

QDateTime unsavedContactTime(const QString& text)
{
    const QString trimmed = text.simplified();
    for (const QString& format :
         {QStringLiteral("dd.MM.yyyy HH:mm:ss"), QStringLiteral("dd.MM.yyyy HH:mm")}) {
        QDateTime utc = QDateTime::fromString(trimmed, format);
        if (utc.isValid()) {
            utc.setTimeSpec(Qt::UTC);
            return utc;
        }
    }
    return QDateTime();
}

QString unsavedContactTimeText(const QDateTime& utc)
{
    return utc.isValid() ? utc.toUTC().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")) : QString();
}

QStringList DigitalLog::bandNames()
{
    QStringList names;
    for (const ResultRow& row :
         m_store.db().query(QStringLiteral("SELECT BandName FROM [Band] ORDER BY BandRowid")).rows)
        names << row[0].displayText();
    return names;
}

QStringList DigitalLog::modeNames()
{
    QStringList names;
    for (const ResultRow& row :
         m_store.db()
             .query(QStringLiteral("SELECT ModulationName FROM Modulation ORDER BY ModulationRowid"))
             .rows)
        names << row[0].displayText();
    return names;
}

QString DigitalLog::bandOf(qint64 frequencyHz)
{
    for (const ResultRow& row :
         m_store.db()
             .query(QStringLiteral("SELECT BandRowid, BandName FROM [Band] ORDER BY BandRowid"))
             .rows) {
        const std::optional<BandRange> range = region1Range(int(row[0].toInt()));
        if (range && frequencyHz >= range->lowHz && frequencyHz <= range->highHz)
            return row[1].toString();
    }
    return QString();
}

bool DigitalLog::holds(qint32 contestId, const ContactFields& f)
{
    const double when = toDayCount(f.date, f.time);
    const double second = 1.0 / 86400.0;
    return m_store
               .eSQLreturn(
                   QStringLiteral(
                       "SELECT COUNT(*) FROM ContestList INNER JOIN [Band] ON BandRowid=IdBand INNER JOIN "
                       "Modulation ON ModulationRowid=IdModulation WHERE ContestListCall=") +
                   sqlQuote(f.call) + QStringLiteral(" AND IdContest=%1 AND BandName=").arg(contestId) +
                   sqlQuote(f.band) + QStringLiteral(" AND ModulationName=") + sqlQuote(f.mode) +
                   QStringLiteral(" AND ContestListDateTime > ") + sqlNumber(when - second / 2) +
                   QStringLiteral(" AND ContestListDateTime < ") + sqlNumber(when + second / 2))
               .toInt() > 0;
}

std::optional<double> DigitalLog::repeatAllowedFrom(qint32 contestId, qint32 bandId, qint32 modeId,
                                                    const QString& call, double nowUtc, double periodDays,
                                                    bool tours)
{
    const DbValue last = m_store.eSQLreturn2(
        QStringLiteral("SELECT MAX(ContestListDateTime) FROM ContestList WHERE ContestListCall=") +
        sqlQuote(call) +
        QStringLiteral(" AND IdContest=%1 AND IdBand=%2 AND IdModulation=%3")
            .arg(contestId)
            .arg(bandId)
            .arg(modeId));
    if (!last.isNumeric())
        return std::nullopt;
    const double next = nextAllowedContact(last.toDouble(), periodDays, tours);
    return isTooEarly(next, nowUtc) ? std::optional<double>(next) : std::nullopt;
}

void DigitalLog::keepUnsaved(double receivedUtc, const QString& reason, const QString& record)
{
    m_store.eSQL(QStringLiteral("INSERT INTO DigitalUnsaved (DigitalUnsavedReceived, DigitalUnsavedReason, "
                                "DigitalUnsavedRecord) VALUES (") +
                 sqlNumber(receivedUtc) + QStringLiteral(", ") + sqlQuote(reason) + QStringLiteral(", ") +
                 sqlQuote(record) + QLatin1Char(')'));
}

QList<DigitalLog::Unsaved> DigitalLog::unsaved()
{
    QList<Unsaved> list;
    for (const ResultRow& row :
         m_store.db()
             .query(
                 QStringLiteral("SELECT DigitalUnsavedRowid, DigitalUnsavedReceived, DigitalUnsavedReason, "
                                "DigitalUnsavedRecord FROM DigitalUnsaved ORDER BY DigitalUnsavedRowid"))
             .rows)
        list << Unsaved{row[0].toInt(), row[1].isNumeric() ? row[1].toDouble() : 0, row[2].displayText(),
                        row[3].displayText()};
    return list;
}

void DigitalLog::dropUnsaved(qint64 rowid)
{
    m_store.eSQL(QStringLiteral("DELETE FROM DigitalUnsaved WHERE DigitalUnsavedRowid=%1").arg(rowid));
}

void DigitalLog::setUnsavedReason(qint64 rowid, const QString& reason)
{
    m_store.eSQL(QStringLiteral("UPDATE DigitalUnsaved SET DigitalUnsavedReason=") + sqlQuote(reason) +
                 QStringLiteral(" WHERE DigitalUnsavedRowid=%1").arg(rowid));
}

QString DigitalLog::identityOf(const QString& record)
{
    const AdifRecord read = readAdifRecord(record);
    if (!read.isRead())
        return QStringLiteral("?") + record.trimmed();
    const DigitalContact c = digitalContactOf(read);
    // Off the log's bands the frequency itself stands for the band.
    const QString band = !c.frequencyHz                     ? QString()
                         : bandOf(*c.frequencyHz).isEmpty() ? QString::number(*c.frequencyHz)
                                                            : bandOf(*c.frequencyHz);
    return QStringList{QStringLiteral("="),
                       c.call.toUpper(),
                       c.utc.isValid() ? c.utc.toString(Qt::ISODate) : QString(),
                       band,
                       c.mode.toUpper(),
                       c.locator.toUpper(),
                       c.sentReport,
                       c.sentNumber,
                       c.receivedReport,
                       c.receivedNumber}
        .join(QChar(0x1f));
}

qint64 DigitalLog::unsavedHolding(const QString& record)
{
    const AdifRecord read = readAdifRecord(record);
    const QString call = read.isRead() ? digitalContactOf(read).call.toUpper() : QString();
    const QString identity = identityOf(record);
    // Only the rows that name the call (or hold the same text) are read again.
    const ResultSet candidates = m_store.db().queryNative(
        QStringLiteral("SELECT DigitalUnsavedRowid, DigitalUnsavedRecord FROM DigitalUnsaved WHERE "
                       "DigitalUnsavedRecord=? OR (?<>'' AND instr(upper(DigitalUnsavedRecord), ?)>0) "
                       "ORDER BY DigitalUnsavedRowid"),
        {DbValue(record), DbValue(call), DbValue(call)});
    for (const ResultRow& row : candidates.rows)
        if (row[1].displayText() == record || identityOf(row[1].displayText()) == identity)
            return row[0].toInt();
    return 0;
}
