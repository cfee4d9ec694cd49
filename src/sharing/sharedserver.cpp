#include "sharing/sharedserver.h"

#include <QSet>
#include <QUuid>

#include <algorithm>
#include <cmath>

namespace {

// Making or upgrading the schema: one position at a time.
constexpr qint64 kSchemaLock = 0x6b6f767273;

const char* const kSchemaV1[] = {
    "CREATE TABLE kovra_schema (version integer NOT NULL)",
    "CREATE SEQUENCE kovra_change",
    "CREATE TABLE kovra_position (uuid uuid PRIMARY KEY, name text NOT NULL DEFAULT '', "
    "seen timestamptz NOT NULL DEFAULT now())",
    "CREATE TABLE kovra_contest (uuid uuid PRIMARY KEY, name text NOT NULL, starts double precision, "
    "stops double precision, bands text NOT NULL, created timestamptz NOT NULL DEFAULT now())",
    "CREATE TABLE kovra_contact (uuid uuid PRIMARY KEY, "
    "contest uuid NOT NULL REFERENCES kovra_contest ON DELETE CASCADE, version bigint NOT NULL, "
    "edited_ms bigint NOT NULL, edited_by uuid NOT NULL, position uuid NOT NULL, "
    "position_name text NOT NULL DEFAULT '', deleted boolean NOT NULL DEFAULT false, change bigint NOT NULL, "
    "band integer, logged_at double precision, call text, locator text, mode integer, sent_num integer, "
    "sent_rst integer, received_num integer, received_rst integer, distance double precision, "
    "azimuth integer, points integer, frequency double precision)",
    "CREATE INDEX kovra_contact_change ON kovra_contact (contest, change)",
    "CREATE TABLE kovra_lease (contest uuid NOT NULL REFERENCES kovra_contest ON DELETE CASCADE, "
    "band integer NOT NULL, holder uuid, seen timestamptz, PRIMARY KEY (contest, band))",
    "INSERT INTO kovra_schema (version) VALUES (1)",
};

// Which copy of a position's log is on the server under its id, so that a log file copied to
// a second computer is told from the first.
const char* const kSchemaV2[] = {
    "ALTER TABLE kovra_position ADD COLUMN IF NOT EXISTS copy text",
    "UPDATE kovra_schema SET version = 2",
};

QString contactColumns()
{
    QStringList columns{
        QStringLiteral("uuid::text"),    QStringLiteral("contest::text"),   QStringLiteral("version"),
        QStringLiteral("edited_ms"),     QStringLiteral("edited_by::text"), QStringLiteral("position::text"),
        QStringLiteral("position_name"), QStringLiteral("deleted"),         QStringLiteral("change")};
    for (const SharedField& f : kSharedFields)
        columns << QString::fromLatin1(f.server);
    return columns.join(QStringLiteral(", "));
}

PgParam fieldParam(const DbValue& v)
{
    switch (v.kind()) {
    case DbValue::Kind::Null:
        return std::nullopt;
    case DbValue::Kind::Integer:
    case DbValue::Kind::Boolean:
        return pgNumber(v.toInt());
    case DbValue::Kind::Double:
    case DbValue::Kind::DateTime:
        return pgNumber(v.toDouble());
    case DbValue::Kind::Text:
        return v.toString();
    }
    return std::nullopt;
}

bool isUuid(const QString& text)
{
    return !QUuid::fromString(text).isNull();
}

std::optional<qint64> integerOf(const std::optional<QString>& text)
{
    if (!text)
        return std::nullopt;
    bool ok = false;
    const qint64 v = text->toLongLong(&ok);
    return ok ? std::optional<qint64>(v) : std::nullopt;
}

} // namespace

void SharedServer::prepareSchema()
{
    m_db.transaction([&] {
        m_db.exec(QStringLiteral("SELECT pg_advisory_xact_lock($1)"), {pgNumber(kSchemaLock)});
        if (!m_db.value(QStringLiteral("SELECT to_regclass('kovra_schema')::text"))) {
            for (const char* statement : kSchemaV1)
                m_db.exec(QString::fromLatin1(statement));
        }
        const std::optional<qint64> version =
            integerOf(m_db.value(QStringLiteral("SELECT max(version) FROM kovra_schema")));
        if (!version)
            throw PgError(PgError::Refused, QStringLiteral("на сервере нет версии схемы общего лога"));
        if (*version > kSchemaVersion)
            throw PgError(
                PgError::SchemaTooNew,
                QStringLiteral("общий лог на сервере сделан более новой версией программы (схема %1, "
                               "эта программа знает схему %2): обновите программу")
                    .arg(*version)
                    .arg(kSchemaVersion));
        // Each version's steps, from the version before it.
        if (*version < 2) {
            for (const char* statement : kSchemaV2)
                m_db.exec(QString::fromLatin1(statement));
        }
    });
}

void SharedServer::positionTaken(const QString& position)
{
    const QString name = positionName(position);
    throw PgError(PgError::PositionTaken,
                  QStringLiteral("место позиции «%1» заняла другая копия её файла лога или другой компьютер: "
                                 "эта в общий лог больше ничего не отправляет")
                      .arg(name));
}

QString SharedServer::positionName(const QString& position)
{
    return m_db.value(QStringLiteral("SELECT name FROM kovra_position WHERE uuid = $1"), {position})
        .value_or(QString());
}

void SharedServer::registerPosition(const QString& position, const QString& name, const QString& copy)
{
    m_db.transaction([&] {
        const std::vector<PgRow> found =
            m_db.exec(QStringLiteral("SELECT copy, name, seen > now() - make_interval(secs => $2) FROM "
                                     "kovra_position WHERE uuid = $1 FOR UPDATE"),
                      {position, pgNumber(qint64(kSilentSeconds))});
        if (!copy.isEmpty() && !found.empty() && found[0][0] && *found[0][0] != copy &&
            found[0][2] == QStringLiteral("t"))
            throw PgError(PgError::PositionTaken,
                          QStringLiteral("позиция «%1» уже на связи с другого компьютера или из другой копии "
                                         "этого файла лога: пока она на связи, эта в общий лог ничего не "
                                         "отправляет")
                              .arg(found[0][1].value_or(QString())));
        m_db.exec(
            QStringLiteral("INSERT INTO kovra_position (uuid, name, seen, copy) VALUES ($1, $2, now(), $3) "
                           "ON CONFLICT (uuid) DO UPDATE SET name = EXCLUDED.name, seen = now(), "
                           "copy = COALESCE(EXCLUDED.copy, kovra_position.copy)"),
            {position, name, copy.isEmpty() ? PgParam() : PgParam(copy)});
    });
}

void SharedServer::listen()
{
    m_db.exec(QStringLiteral("LISTEN %1").arg(QString::fromLatin1(kNotifyChannel)));
}

void SharedServer::notify(const QString& contest)
{
    m_db.exec(QStringLiteral("SELECT pg_notify($1, $2)"), {QString::fromLatin1(kNotifyChannel), contest});
}

std::vector<SharedContest> SharedServer::contests()
{
    std::vector<SharedContest> result;
    for (const PgRow& row :
         m_db.exec(QStringLiteral("SELECT uuid::text, name, starts, stops, bands FROM kovra_contest "
                                  "ORDER BY created, name"))) {
        SharedContest c;
        c.uuid = row[0].value_or(QString());
        c.name = row[1].value_or(QString());
        if (row[2])
            c.start = row[2]->toDouble();
        if (row[3])
            c.stop = row[3]->toDouble();
        c.bands = row[4].value_or(QString());
        result.push_back(c);
    }
    return result;
}

void SharedServer::createContest(const SharedContest& contest)
{
    m_db.exec(QStringLiteral("INSERT INTO kovra_contest (uuid, name, starts, stops, bands) "
                             "VALUES ($1, $2, $3, $4, $5)"),
              {contest.uuid, contest.name, contest.start ? pgNumber(*contest.start) : std::nullopt,
               contest.stop ? pgNumber(*contest.stop) : std::nullopt, contest.bands});
}

std::vector<PushOutcome> SharedServer::push(const std::vector<ContactChange>& changes,
                                            const QString& position, const QString& copy)
{
    QStringList columns{QStringLiteral("uuid"),          QStringLiteral("contest"),
                        QStringLiteral("version"),       QStringLiteral("edited_ms"),
                        QStringLiteral("edited_by"),     QStringLiteral("position"),
                        QStringLiteral("position_name"), QStringLiteral("deleted")};
    QStringList marks;
    QStringList updates{
        QStringLiteral("version = EXCLUDED.version"), QStringLiteral("edited_ms = EXCLUDED.edited_ms"),
        QStringLiteral("edited_by = EXCLUDED.edited_by"), QStringLiteral("deleted = EXCLUDED.deleted"),
        QStringLiteral("change = EXCLUDED.change")};
    for (int i = 1; i <= columns.size(); ++i)
        marks << QStringLiteral("$%1").arg(i);
    for (const SharedField& f : kSharedFields) {
        const QString name = QString::fromLatin1(f.server);
        columns << name;
        marks << QStringLiteral("$%1::%2").arg(marks.size() + 1).arg(QString::fromLatin1(f.serverType));
        updates << QStringLiteral("%1 = EXCLUDED.%1").arg(name);
    }
    const QString upsert =
        QStringLiteral("INSERT INTO kovra_contact (%1, change) VALUES (%2, nextval('kovra_change')) "
                       "ON CONFLICT (uuid) DO UPDATE SET %3 WHERE "
                       "(kovra_contact.version, kovra_contact.edited_ms, kovra_contact.edited_by::text) < "
                       "(EXCLUDED.version, EXCLUDED.edited_ms, EXCLUDED.edited_by::text) RETURNING change")
            .arg(columns.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")),
                 updates.join(QStringLiteral(", ")));

    std::vector<PushOutcome> outcomes(changes.size());
    m_db.transaction([&] {
        m_db.exec(QStringLiteral("SELECT pg_advisory_xact_lock($1)"), {pgNumber(kChangeLock)});
        if (!copy.isEmpty() &&
            m_db.value(QStringLiteral("SELECT copy FROM kovra_position WHERE uuid = $1"), {position})
                    .value_or(copy) != copy)
            positionTaken(position);
        QSet<QString> existing;
        for (const PgRow& row : m_db.exec(QStringLiteral("SELECT uuid::text FROM kovra_contest")))
            existing.insert(row[0].value_or(QString()));
        QSet<QString> touched;
        for (size_t i = 0; i < changes.size(); ++i) {
            const ContactChange& c = changes[i];
            if (!existing.contains(c.contest)) {
                outcomes[i].kind = PushOutcome::ContestGone;
                continue;
            }
            std::vector<PgParam> params{c.uuid,
                                        c.contest,
                                        pgNumber(c.version),
                                        pgNumber(c.editedMs),
                                        c.editedBy,
                                        c.position,
                                        c.positionName,
                                        c.deleted ? QStringLiteral("true") : QStringLiteral("false")};
            for (const DbValue& v : c.fields)
                params.push_back(fieldParam(v));
            if (!m_db.exec(upsert, params).empty()) {
                touched.insert(c.contest);
                continue;
            }
            const std::vector<PgRow> stored = m_db.exec(
                QStringLiteral("SELECT c.version, c.edited_ms, c.edited_by::text, COALESCE(p.name, '') "
                               "FROM kovra_contact c LEFT JOIN kovra_position p ON p.uuid = c.edited_by "
                               "WHERE c.uuid = $1"),
                {c.uuid});
            const bool same = !stored.empty() && integerOf(stored[0][0]) == c.version &&
                              integerOf(stored[0][1]) == c.editedMs && stored[0][2] == c.editedBy;
            outcomes[i].kind = same ? PushOutcome::AlreadyThere : PushOutcome::Lost;
            if (!same && !stored.empty())
                outcomes[i].winnerName = stored[0][3].value_or(QString());
        }
        for (const QString& contest : std::as_const(touched))
            notify(contest);
    });
    return outcomes;
}

namespace {

// The limits of what a contact can hold: a time between 1 January 1900 and 31 December 9999
// (day counts), no two places on the earth further apart than half its circumference, and a
// frequency of a radio band, in MHz.
constexpr double kFirstDay = 2.0;
constexpr double kLastDay = 2958466.0;
constexpr double kLongestKm = 20040.0;
constexpr double kHighestMHz = 1e6;

// A double precision value as PostgreSQL writes it, its infinities included.
double serverDouble(const QString& text, bool* ok)
{
    if (text == QLatin1String("Infinity") || text == QLatin1String("-Infinity")) {
        *ok = true;
        return text.startsWith(QLatin1Char('-')) ? -HUGE_VAL : HUGE_VAL;
    }
    return text.toDouble(ok);
}

QString title(size_t field)
{
    return QString::fromUtf8(kSharedFields[field].title);
}

// Why a value taken from the server is one no contact has; empty when it is one.
QString implausible(size_t field, double v, const QString& text)
{
    if (!std::isfinite(v))
        return QStringLiteral("%1 «%2» не число").arg(title(field), text);
    switch (field) {
    case kDateTimeField:
        if (v < kFirstDay || v >= kLastDay)
            return QStringLiteral("время «%1» вне 1900–9999 годов").arg(text);
        break;
    case kDistanceField:
        if (v < 0 || v > kLongestKm)
            return QStringLiteral("расстояние %1 км невозможно").arg(text);
        break;
    case kFrequencyField:
        if (v <= 0 || v >= kHighestMHz)
            return QStringLiteral("частота %1 МГц невозможна").arg(text);
        break;
    default:
        break;
    }
    return QString();
}

} // namespace

std::optional<ContactChange> contactChangeFromRow(const PgRow& row, QString* refusal)
{
    const auto refuse = [&](const QString& reason) {
        if (refusal) {
            const bool named = row.size() > 9 + kCallField && row[9 + kCallField] &&
                               !row[9 + kCallField]->trimmed().isEmpty();
            *refusal = named ? QStringLiteral("%1: %2").arg(row[9 + kCallField]->trimmed(), reason) : reason;
        }
        return std::nullopt;
    };
    if (row.size() != 9 + kSharedFields.size())
        return refuse(QStringLiteral("%1 столбцов вместо %2").arg(row.size()).arg(9 + kSharedFields.size()));
    ContactChange c;
    c.uuid = row[0].value_or(QString());
    c.contest = row[1].value_or(QString());
    const auto version = integerOf(row[2]);
    const auto edited = integerOf(row[3]);
    c.editedBy = row[4].value_or(QString());
    c.position = row[5].value_or(QString());
    c.positionName = row[6].value_or(QString());
    const auto change = integerOf(row[8]);
    if (!isUuid(c.uuid) || !isUuid(c.contest) || !isUuid(c.editedBy) || !isUuid(c.position))
        return refuse(QStringLiteral("неверный идентификатор связи, соревнования или позиции"));
    if (!version || !edited || !change || !row[7])
        return refuse(QStringLiteral("нет версии связи или номера изменения"));
    c.version = *version;
    c.editedMs = *edited;
    c.change = *change;
    c.deleted = *row[7] == QLatin1String("t");
    for (size_t i = 0; i < kSharedFields.size(); ++i) {
        const std::optional<QString>& text = row[9 + i];
        if (!text)
            continue;
        bool ok = true;
        switch (kSharedFields[i].kind) {
        case DbValue::Kind::Integer:
            c.fields[i] = DbValue(text->toLongLong(&ok));
            if (!ok)
                return refuse(QStringLiteral("%1 «%2» не целое число").arg(title(i), *text));
            break;
        case DbValue::Kind::Double:
        case DbValue::Kind::DateTime: {
            const double v = serverDouble(*text, &ok);
            if (!ok)
                return refuse(QStringLiteral("%1 «%2» не число").arg(title(i), *text));
            if (const QString bad = implausible(i, v, *text); !bad.isEmpty()) {
                // A tombstone's values are stored nowhere: its delete is still taken.
                if (!c.deleted)
                    return refuse(bad);
                break;
            }
            c.fields[i] =
                kSharedFields[i].kind == DbValue::Kind::DateTime ? DbValue::dateTime(v) : DbValue(v);
            break;
        }
        default:
            c.fields[i] = DbValue(*text);
        }
    }
    return c;
}

std::vector<ContactChange> SharedServer::changesAfter(const QString& contest, qint64 after, int limit,
                                                      Tally* tally)
{
    Tally counted;
    std::vector<ContactChange> changes;
    for (const PgRow& row : m_db.exec(QStringLiteral("SELECT %1 FROM kovra_contact WHERE contest = $1 AND "
                                                     "change > $2 ORDER BY change LIMIT $3")
                                          .arg(contactColumns()),
                                      {contest, pgNumber(after), pgNumber(qint64(limit))})) {
        ++counted.rows;
        if (row.size() > 8)
            counted.last = std::max(counted.last, integerOf(row[8]).value_or(0));
        QString refusal;
        if (const auto change = contactChangeFromRow(row, &refusal)) {
            changes.push_back(*change);
        } else {
            ++counted.skipped;
            counted.refusal = refusal;
        }
    }
    if (tally)
        *tally = counted;
    return changes;
}

qint64 SharedServer::changesWaiting(const QString& contest, qint64 after)
{
    return integerOf(m_db.value(QStringLiteral("SELECT count(*) FROM kovra_contact WHERE contest = $1 AND "
                                               "change > $2"),
                                {contest, pgNumber(after)}))
        .value_or(0);
}

std::vector<BandLease> SharedServer::leases(const QString& contest)
{
    std::vector<BandLease> result;
    for (const PgRow& row :
         m_db.exec(QStringLiteral("SELECT l.band, l.holder::text, COALESCE(p.name, ''), "
                                  "COALESCE(l.seen < now() - make_interval(secs => $2), true) "
                                  "FROM kovra_lease l LEFT JOIN kovra_position p ON p.uuid = l.holder "
                                  "WHERE l.contest = $1 AND l.holder IS NOT NULL ORDER BY l.band"),
                   {contest, pgNumber(qint64(kSilentSeconds))})) {
        BandLease lease;
        lease.band = qint32(integerOf(row[0]).value_or(0));
        lease.holder = row[1].value_or(QString());
        lease.holderName = row[2].value_or(QString());
        lease.silent = row[3] == QStringLiteral("t");
        result.push_back(lease);
    }
    return result;
}

LeaseAnswer SharedServer::takeLease(const QString& contest, qint32 band, const QString& position,
                                    bool takeover)
{
    LeaseAnswer answer;
    m_db.transaction([&] {
        if (!m_db.value(QStringLiteral("SELECT uuid::text FROM kovra_contest WHERE uuid = $1"), {contest})) {
            answer.kind = LeaseAnswer::ContestGone;
            return;
        }
        m_db.exec(
            QStringLiteral("INSERT INTO kovra_lease (contest, band) VALUES ($1, $2) ON CONFLICT DO NOTHING"),
            {contest, pgNumber(qint64(band))});
        const std::vector<PgRow> rows =
            m_db.exec(QStringLiteral("SELECT l.holder::text, COALESCE(p.name, ''), "
                                     "COALESCE(l.seen < now() - make_interval(secs => $3), true) "
                                     "FROM kovra_lease l LEFT JOIN kovra_position p ON p.uuid = l.holder "
                                     "WHERE l.contest = $1 AND l.band = $2 FOR UPDATE OF l"),
                      {contest, pgNumber(qint64(band)), pgNumber(qint64(kSilentSeconds))});
        answer.lease.band = band;
        if (!rows.empty()) {
            answer.lease.holder = rows[0][0].value_or(QString());
            answer.lease.holderName = rows[0][1].value_or(QString());
            answer.lease.silent = rows[0][2] == QStringLiteral("t");
        }
        const bool own = answer.lease.holder == position;
        const bool free = answer.lease.holder.isEmpty() || own;
        answer.kind = free || (takeover && answer.lease.silent) ? LeaseAnswer::Taken : LeaseAnswer::Held;
        if (answer.kind != LeaseAnswer::Taken)
            return;
        m_db.exec(QStringLiteral(
                      "UPDATE kovra_lease SET holder = $3, seen = now() WHERE contest = $1 AND band = $2"),
                  {contest, pgNumber(qint64(band)), position});
        answer.lease.holder = position;
        answer.lease.holderName =
            m_db.value(QStringLiteral("SELECT name FROM kovra_position WHERE uuid = $1"), {position})
                .value_or(QString());
        answer.lease.silent = false;
        // The others hear of a new holder; a band taken again by its own holder changes nothing.
        if (!own)
            notify(contest);
    });
    return answer;
}

void SharedServer::releaseLease(const QString& contest, qint32 band, const QString& position)
{
    m_db.transaction([&] {
        if (!m_db.exec(QStringLiteral("UPDATE kovra_lease SET holder = NULL WHERE contest = $1 AND band = $2 "
                                      "AND holder = $3 RETURNING band"),
                       {contest, pgNumber(qint64(band)), position})
                 .empty())
            notify(contest);
    });
}

void SharedServer::releaseLeases(const QString& contest, const QString& position)
{
    m_db.transaction([&] {
        if (!m_db.exec(QStringLiteral("UPDATE kovra_lease SET holder = NULL WHERE contest = $1 AND holder = "
                                      "$2 RETURNING band"),
                       {contest, position})
                 .empty())
            notify(contest);
    });
}

std::vector<SharePosition> SharedServer::silentPositions(const QString& contest, const QString& except)
{
    std::vector<SharePosition> found;
    for (const PgRow& row : m_db.exec(
             QStringLiteral("SELECT p.uuid::text, p.name FROM kovra_position p WHERE p.uuid::text <> $2 AND "
                            "p.seen < now() - make_interval(secs => $3) AND (EXISTS (SELECT 1 FROM "
                            "kovra_lease l WHERE l.contest = $1 AND l.holder = p.uuid) OR EXISTS (SELECT 1 "
                            "FROM kovra_contact c WHERE c.contest = $1 AND c.position = p.uuid)) ORDER BY "
                            "p.name, p.uuid"),
             {contest, except, pgNumber(qint64(kSilentSeconds))}))
        found.push_back({row[0].value_or(QString()), row[1].value_or(QString())});
    return found;
}

bool SharedServer::silent(const QString& position)
{
    return m_db.value(QStringLiteral("SELECT seen < now() - make_interval(secs => $2) FROM kovra_position "
                                     "WHERE uuid = $1"),
                      {position, pgNumber(qint64(kSilentSeconds))})
               .value_or(QStringLiteral("t")) == QStringLiteral("t");
}

void SharedServer::heartbeat(const QString& position, const QString& contest, const QString& copy)
{
    // Another copy that took the id keeps it: this one is not heard, nor are its bands.
    const bool heard =
        !m_db.exec(QStringLiteral("UPDATE kovra_position SET seen = now() WHERE uuid = $1 AND "
                                  "($2::text IS NULL OR copy IS NULL OR copy = $2) RETURNING uuid"),
                   {position, copy.isEmpty() ? PgParam() : PgParam(copy)})
             .empty();
    if (!heard &&
        m_db.value(QStringLiteral("SELECT uuid::text FROM kovra_position WHERE uuid = $1"), {position}))
        positionTaken(position);
    if (!contest.isEmpty())
        m_db.exec(QStringLiteral("UPDATE kovra_lease SET seen = now() WHERE holder = $1 AND contest = $2"),
                  {position, contest});
}
