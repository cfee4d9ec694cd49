#include "sharing/sharejournal.h"

#include "platform/clock.h"
#include "store/database.h"

#include <QUuid>

namespace {

QString newId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

} // namespace

ShareJournal::ShareJournal(Database& db, const Clock& clock) : m_db(db), m_clock(clock) {}

qint64 ShareJournal::nowMs() const
{
    return m_clock.now().toMSecsSinceEpoch();
}

void ShareJournal::reload()
{
    QHash<qint32, std::vector<BandLease>> leases;
    for (const ResultRow& row :
         m_db.queryNative(QStringLiteral("SELECT IdContest, IdBand, ShareLeaseHolder, "
                                         "ShareLeaseHolderName, ShareLeaseSilent FROM "
                                         "ShareLease WHERE ShareLeaseHolder IS NOT NULL "
                                         "ORDER BY IdContest, IdBand"))
             .rows) {
        BandLease lease;
        lease.band = qint32(row[1].toInt());
        lease.holder = row[2].displayText();
        lease.holderName = row[3].displayText();
        lease.silent = row[4].isNumeric() && row[4].toInt() != 0;
        leases[qint32(row[0].toInt())].push_back(lease);
    }
    m_leases = std::move(leases);
}

// Read from the log each time, so a contest deleted, shared or joined is never taken for what
// it was.
std::optional<QString> ShareJournal::contestUuid(qint32 contestId) const
{
    const ResultSet found =
        m_db.queryNative(QStringLiteral("SELECT ShareContestUuid FROM ShareContest WHERE IdContest = ?"),
                         {DbValue(contestId)});
    return found.rows.empty() ? std::nullopt : std::optional<QString>(found.rows[0][0].displayText());
}

std::optional<qint32> ShareJournal::contestOf(const QString& uuid) const
{
    const ResultSet found = m_db.queryNative(
        QStringLiteral("SELECT IdContest FROM ShareContest WHERE ShareContestUuid = ?"), {DbValue(uuid)});
    return found.rows.empty() ? std::nullopt : std::optional<qint32>(qint32(found.rows[0][0].toInt()));
}

bool ShareJournal::journals(qint32 contestId) const
{
    return contestUuid(contestId).has_value();
}

void ShareJournal::setLeases(qint32 contestId, const std::vector<BandLease>& leases)
{
    m_leases[contestId] = leases;
}

const std::vector<BandLease>& ShareJournal::leases(qint32 contestId) const
{
    static const std::vector<BandLease> none;
    const auto found = m_leases.constFind(contestId);
    return found == m_leases.constEnd() ? none : *found;
}

std::optional<BandLease> ShareJournal::lease(qint32 contestId, qint32 bandId) const
{
    for (const BandLease& l : leases(contestId)) {
        if (l.band == bandId && !l.holder.isEmpty())
            return l;
    }
    return std::nullopt;
}

std::optional<QString> ShareJournal::saveRefusal(qint32 contestId, qint32 bandId, const QString& bandName)
{
    if (!m_enforced || m_missing.contains(contestId))
        return std::nullopt;
    const std::optional<BandLease> held = lease(contestId, bandId);
    if (held && held->holder == m_position.id)
        return std::nullopt; // numbered here, with or without the server
    const QString band = bandName.trimmed();
    if (held) {
        QString text = QStringLiteral("Связь не записана: диапазон %1 ведёт позиция «%2», номера на нём даёт "
                                      "только она.")
                           .arg(band, held->holderName);
        if (held->silent)
            text += QStringLiteral("\n\rЭта позиция молчит больше минуты: диапазон можно забрать (Работа → "
                                   "Установки → Общий лог, «Взять диапазон»).");
        return text;
    }
    if (!m_online)
        return QStringLiteral("Связь не записана: диапазон %1 не закреплён за этой позицией, а без связи с "
                              "сервером общего лога его не взять.")
            .arg(band);
    // Free as last heard: saved at once, and the band asked for. Should another position have
    // taken it meanwhile, the contact stays and its number, if doubled, is listed for checking.
    if (bandWanted)
        bandWanted(contestId, bandId);
    return std::nullopt;
}

void ShareJournal::toOutbox(const QString& where, const std::vector<DbValue>& values, bool deleting)
{
    QStringList columns;
    QStringList picks;
    for (const SharedField& f : kSharedFields) {
        columns << QString::fromLatin1(f.local);
        picks << QStringLiteral("c.") + QString::fromLatin1(f.local);
    }
    // A tombstone is a version of its own, made here and now.
    const QString version = deleting ? QStringLiteral("c.ContestListVersion + 1, ?, ?, ")
                                     : QStringLiteral("c.ContestListVersion, c.ContestListEdited, "
                                                      "c.ContestListEditedBy, ");
    std::vector<DbValue> bound;
    if (deleting) {
        bound.push_back(DbValue(nowMs()));
        bound.push_back(DbValue(m_position.id));
    }
    bound.insert(bound.end(), values.begin(), values.end());
    m_db.execNative(
        QStringLiteral("INSERT INTO ShareOutbox (ShareContestUuid, ContestListUuid, ContestListVersion, "
                       "ContestListEdited, ContestListEditedBy, ContestListPositionId, "
                       "ContestListPosition, ShareDeleted, %1) "
                       "SELECT s.ShareContestUuid, c.ContestListUuid, %2c.ContestListPositionId, "
                       "c.ContestListPosition, %3, %4 FROM ContestList c JOIN ShareContest s ON "
                       "s.IdContest = c.IdContest WHERE c.ContestListUuid IS NOT NULL AND %5 "
                       "ORDER BY c.rowid")
            .arg(columns.join(QStringLiteral(", ")), version,
                 deleting ? QStringLiteral("1") : QStringLiteral("0"), picks.join(QStringLiteral(", ")),
                 where),
        bound);
}

void ShareJournal::becomePosition(const SharePosition& next)
{
    const DbValue was(m_position.id);
    const DbValue id(next.id);
    const DbValue name(next.name);
    // A contact whose first version still waits was logged here after the copy was made; one
    // the server already has keeps the position that logged it.
    const QString unsent = QStringLiteral(
        "ContestListUuid IN (SELECT ContestListUuid FROM ShareOutbox WHERE ContestListVersion = 1)");
    m_db.transaction(
        [&] {
            for (const char* table : {"ContestList", "ShareOutbox"}) {
                const QString t = QString::fromLatin1(table);
                m_db.execNative(
                    QStringLiteral("UPDATE %1 SET ContestListPositionId = ?, ContestListPosition = ? "
                                   "WHERE ContestListPositionId = ? AND %2")
                        .arg(t, unsent),
                    {id, name, was});
                m_db.execNative(
                    QStringLiteral("UPDATE %1 SET ContestListEditedBy = ? WHERE ContestListEditedBy = ? "
                                   "AND ContestListUuid IN (SELECT ContestListUuid FROM ShareOutbox)")
                        .arg(t),
                    {id, was});
            }
            m_db.execNative(QStringLiteral("DELETE FROM ShareLease WHERE ShareLeaseHolder = ?"), {was});
        },
        Database::Begin::Immediate);
    m_position = next;
    reload();
}

void ShareJournal::written(qint64 rowid)
{
    // A contact new to the shared log gets its id and this position; every write is a version.
    m_db.execNative(
        QStringLiteral("UPDATE ContestList SET ContestListUuid = COALESCE(ContestListUuid, ?), "
                       "ContestListPositionId = CASE WHEN ContestListUuid IS NULL THEN ? ELSE "
                       "ContestListPositionId END, ContestListPosition = CASE WHEN ContestListUuid IS "
                       "NULL THEN ? ELSE ContestListPosition END, ContestListVersion = "
                       "COALESCE(ContestListVersion, 0) + 1, ContestListEdited = ?, "
                       "ContestListEditedBy = ? WHERE rowid = ? AND IdContest IN (SELECT IdContest "
                       "FROM ShareContest)"),
        {DbValue(newId()), DbValue(m_position.id), DbValue(m_position.name), DbValue(nowMs()),
         DbValue(m_position.id), DbValue(rowid)});
    toOutbox(QStringLiteral("c.rowid = ?"), {DbValue(rowid)}, false);
    if (changed)
        changed();
}

void ShareJournal::removing(qint64 rowid)
{
    toOutbox(QStringLiteral("c.rowid = ?"), {DbValue(rowid)}, true);
    if (changed)
        changed();
}

void ShareJournal::bandErasing(qint32 contestId, qint32 bandId)
{
    toOutbox(QStringLiteral("c.IdContest = ? AND c.IdBand = ?"), {DbValue(contestId), DbValue(bandId)}, true);
    if (changed)
        changed();
}

void ShareJournal::contestDeleting(qint32 contestId)
{
    // Only the copy here goes: what waits in the outbox is still sent, nothing more is taken.
    const std::optional<QString> uuid = contestUuid(contestId);
    m_db.execNative(QStringLiteral("DELETE FROM ShareContest WHERE IdContest = ?"), {DbValue(contestId)});
    m_db.execNative(QStringLiteral("DELETE FROM ShareLease WHERE IdContest = ?"), {DbValue(contestId)});
    if (uuid && contestDropped)
        contestDropped(*uuid);
}

void ShareJournal::share(qint32 contestId, const QString& uuid)
{
    m_db.transaction([&] {
        m_db.execNative(
            QStringLiteral("INSERT INTO ShareContest (IdContest, ShareContestUuid) VALUES (?, ?)"),
            {DbValue(contestId), DbValue(uuid)});
        // The contacts logged before the contest was shared were logged here.
        const qint64 now = nowMs();
        std::vector<std::vector<DbValue>> rows;
        for (const ResultRow& row :
             m_db.queryNative(QStringLiteral("SELECT rowid FROM ContestList WHERE IdContest = ? AND "
                                             "ContestListUuid IS NULL"),
                              {DbValue(contestId)})
                 .rows)
            rows.push_back({DbValue(newId()), DbValue(now), DbValue(m_position.id), DbValue(m_position.id),
                            DbValue(m_position.name), row[0]});
        m_db.execNativeEach(
            QStringLiteral("UPDATE ContestList SET ContestListUuid = ?, ContestListVersion = 1, "
                           "ContestListEdited = ?, ContestListEditedBy = ?, ContestListPositionId "
                           "= ?, ContestListPosition = ? WHERE rowid = ?"),
            rows);
        toOutbox(QStringLiteral("c.IdContest = ?"), {DbValue(contestId)}, false);
    });
    if (changed)
        changed();
}
