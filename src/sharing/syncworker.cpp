#include "sharing/syncworker.h"

#include "store/database.h"
#include "store/errors.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QHash>
#include <QScopeGuard>
#include <QSet>
#include <QSysInfo>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace {

// The columns of the outbox in the order a change is read from them.
QString outboxColumns()
{
    QStringList columns{QStringLiteral("ShareOutboxRowid"),      QStringLiteral("ShareContestUuid"),
                        QStringLiteral("ContestListUuid"),       QStringLiteral("ContestListVersion"),
                        QStringLiteral("ContestListEdited"),     QStringLiteral("ContestListEditedBy"),
                        QStringLiteral("ContestListPositionId"), QStringLiteral("ContestListPosition"),
                        QStringLiteral("ShareDeleted")};
    for (const SharedField& f : kSharedFields)
        columns << QString::fromLatin1(f.local);
    return columns.join(QStringLiteral(", "));
}

QString text(const DbValue& v)
{
    return v.isNull() ? QString() : v.displayText();
}

qint64 integer(const DbValue& v)
{
    return v.isNumeric() ? v.toInt() : 0;
}

// The local value of a field as the log's column holds it.
DbValue localValue(const DbValue& v, const SharedField& field)
{
    if (v.isNull() || field.kind != DbValue::Kind::DateTime)
        return v;
    return DbValue(v.toDouble());
}

QString whyUnusable(const PgError& e, const ServerAddress& address)
{
    const QString where = QStringLiteral("%1:%2").arg(address.host).arg(address.port);
    switch (e.kind()) {
    case PgError::NeedsPassword:
        return QStringLiteral("сервер %1 просит пароль пользователя %2").arg(where, address.user);
    case PgError::LoginRefused:
        return QStringLiteral("сервер %1 не принял вход пользователя %2: %3")
            .arg(where, address.user, e.message());
    case PgError::SchemaTooNew:
    case PgError::PositionTaken:
        return e.message();
    case PgError::Timeout:
        return QStringLiteral("сервер %1 не ответил вовремя").arg(where);
    case PgError::Refused:
        return QStringLiteral("сервер %1 отказал: %2").arg(where, e.message());
    default:
        return QStringLiteral("нет связи с сервером %1: %2").arg(where, e.message());
    }
}

// Which copy of the log this is, as the server tells copies of one position apart: the
// computer and the file's place on it. A program started again on the same file is the same
// copy, and so is never kept away by its own last run; a file copied to another computer, or
// beside the first, is another.
QString logCopy(const QString& logPath)
{
    QByteArray machine = QSysInfo::machineUniqueId();
    if (machine.isEmpty())
        machine = QSysInfo::machineHostName().toUtf8();
    const QFileInfo file(logPath);
    const QString place =
        file.canonicalFilePath().isEmpty() ? file.absoluteFilePath() : file.canonicalFilePath();
    return QString::fromLatin1(
        QCryptographicHash::hash(machine + '\n' + place.toUtf8(), QCryptographicHash::Sha256)
            .toHex()
            .left(32));
}

} // namespace

class SyncWorker::Core
{
public:
    Core(const QString& logPath, const ServerAddress& address, const SharePosition& position,
         const Options& options)
        : m_path(logPath), m_copy(logCopy(logPath)), m_address(address), m_position(position),
          m_options(options), m_wakeFd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
    {}
    ~Core()
    {
        if (m_wakeFd >= 0)
            ::close(m_wakeFd);
    }

    void run();
    void wake()
    {
        const quint64 one = 1;
        if (m_wakeFd >= 0 && ::write(m_wakeFd, &one, sizeof one) < 0) {
            // A full counter already wakes the worker.
        }
    }
    void command(std::function<void()> work)
    {
        {
            std::lock_guard lock(m_mutex);
            m_commands.push_back(std::move(work));
        }
        wake();
    }
    // Runs on the owner's thread, if the owner is still there when it gets its turn.
    void post(std::function<void(SyncWorker&)> tell)
    {
        std::lock_guard lock(m_mutex);
        if (m_owner)
            QMetaObject::invokeMethod(
                m_owner, [owner = m_owner, tell = std::move(tell)] { tell(*owner); }, Qt::QueuedConnection);
    }

    std::mutex m_mutex;
    SyncWorker* m_owner = nullptr;
    std::deque<std::function<void()>> m_commands;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_finished{false};
    std::thread m_thread;

    // What the commands run on; the worker thread's alone.
    SharedServer server() { return SharedServer(*m_pg); }
    std::optional<QString> contestUuid(qint32 contestId);
    std::optional<qint32> contestOf(const QString& uuid);
    void failCommand(const QString& text)
    {
        post([text](SyncWorker& w) { emit w.commandFailed(text); });
    }
    void pullAll();
    void refreshLeases(qint32 contestId, const QString& uuid);
    // The server does not list the contest (it was deleted there, or this is another server or
    // database): it is neither sent nor pulled, and its outbox waits, until the server lists it.
    void contestMissing(qint32 contestId, const QString& uuid);
    // The contests' ids in the missing ones, as SQL's list "(?, ?)" binds them.
    QString missingList() const;
    std::vector<DbValue> missingValues() const;
    bool online() const { return m_pg && !m_pg->broken(); }
    const SharePosition& position() const { return m_position; }
    // Sends what waits in the outbox; a failure goes up.
    void pushOutbox();

private:
    static qint64 nowMs()
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    void loop();
    void connectToServer();
    void runCommands();
    void heartbeat();
    std::vector<PushOutcome> pushWithFallback(const std::vector<ContactChange>& changes);
    void pull(qint32 contestId, const QString& uuid, qint64 after);
    // An edit made here that a pulled one replaced: its call and who made the winner.
    struct LostEdit
    {
        QString call;
        QString winner; // the winning position's id
    };
    // Takes the changes and moves the contest's last change number to `last`; the edits made
    // here that they replaced in `lost`.
    QVector<ArrivedContact> apply(qint32 contestId, const QString& uuid,
                                  const std::vector<ContactChange>& changes, qint64 last,
                                  std::vector<LostEdit>& lost);
    void applyOne(qint32 contestId, const ContactChange& change, QVector<ArrivedContact>& arrived,
                  std::vector<LostEdit>& lost);
    void tellLost(const QString& call, const QString& winnerName);
    qint64 waitingToSend();
    void waitForWake(int ms);
    void drainWake();
    // Connected and catching up are said only of a steady link; an unsteady one stays offline.
    void reportLink(Link link, qint64 count);
    void reportProblem(const QString& text, bool loginRefused);

    QString m_path;
    QString m_copy; // which copy of the log this is (logCopy)
    ServerAddress m_address;
    SharePosition m_position;
    Options m_options;
    int m_wakeFd;
    std::unique_ptr<Database> m_local;
    std::unique_ptr<PgConnection> m_pg;
    qint64 m_heartbeatDue = 0;
    std::optional<std::pair<Link, qint64>> m_link;
    QString m_problem;
    QSet<QString> m_missing;   // shared contests the server does not list
    bool m_logTrouble = false; // the problem said is the log file's
    bool m_steady = true;      // the last connection stayed, or none has dropped yet
    int m_skipped = 0;         // the server's rows passed over, since the start
    // The edits the server refused as older, by contact, as (version, edited): their word is
    // said when the push is answered, not again when the winner is pulled over them.
    QHash<QString, std::pair<qint64, qint64>> m_lostOnPush;
};

void SyncWorker::Core::run()
{
    // Nothing leaves the thread: a failure is said and the link tries again later.
    try {
        m_local = Database::open(m_path);
        // What this connection writes can always be had again (the outbox is emptied only of
        // what the server has; a pulled change and the number it came with commit together), so
        // it need not wait for the disk, and a save on the window's connection never waits
        // behind it.
        m_local->execNative(QStringLiteral("PRAGMA synchronous=NORMAL"));
        loop();
    } catch (const KovraError& e) {
        reportProblem(e.message(), false);
    } catch (const std::exception& e) {
        reportProblem(QString::fromLocal8Bit(e.what()), false);
    }
    m_pg.reset();
    m_local.reset();
    m_finished = true;
}

void SyncWorker::Core::loop()
{
    int retry = m_options.firstRetryMs;    // before the next connection
    int logRetry = m_options.firstRetryMs; // before the log file is tried again
    qint64 nextConnect = 0;
    qint64 connectedAt = 0; // when the connection in use was made; 0 while there is none
    while (!m_stop) {
        try {
            if (!online()) {
                m_pg.reset();
                connectedAt = 0;
                if (nowMs() < nextConnect) {
                    runCommands(); // each says it cannot be done offline
                    reportLink(Link::Offline, waitingToSend());
                    waitForWake(int(nextConnect - nowMs()));
                    continue;
                }
                connectToServer();
                connectedAt = nowMs();
                // A server that takes connections and drops them is not said to be reached
                // each time it takes one: a link that has dropped soon after connecting is
                // said again only once a connection has stayed.
                if (m_steady)
                    reportProblem(QString(), false);
            }
            runCommands();
            if (nowMs() >= m_heartbeatDue)
                heartbeat();
            pushOutbox();
            pullAll();
            if (!m_steady && nowMs() - connectedAt >= m_options.steadyMs) {
                m_steady = true;
                reportProblem(QString(), false);
            }
            if (m_steady)
                reportLink(Link::Connected, 0);
            else
                reportLink(Link::Offline, waitingToSend());
            // A round that went through ends what the log file's trouble said and its delay.
            logRetry = m_options.firstRetryMs;
            if (m_logTrouble) {
                m_logTrouble = false;
                reportProblem(QString(), false);
            }
            if (m_stop)
                break;
            qint64 until = m_heartbeatDue;
            if (!m_steady)
                until = std::min(until, connectedAt + m_options.steadyMs);
            const QStringList heard =
                m_pg->waitForNotifications(m_wakeFd, int(std::max<qint64>(1, until - nowMs())));
            drainWake();
            if (!heard.isEmpty()) {
                // A lease may have changed with the contacts.
                const QSet<QString> contests(heard.begin(), heard.end());
                for (const ResultRow& row :
                     m_local
                         ->queryNative(QStringLiteral("SELECT IdContest, ShareContestUuid FROM ShareContest"))
                         .rows) {
                    if (contests.contains(text(row[1])))
                        refreshLeases(qint32(integer(row[0])), text(row[1]));
                }
            }
        } catch (const PgError& e) {
            if (e.kind() == PgError::PositionTaken)
                post([](SyncWorker& w) { emit w.refusedAsCopy(); });
            reportProblem(whyUnusable(e, m_address),
                          e.kind() == PgError::NeedsPassword || e.kind() == PgError::LoginRefused);
            m_pg.reset();
            // The delay starts over only after a connection that stayed: one that was made and
            // dropped at once (a server that takes connections and fails them) waits longer
            // each time, like one that could not be made.
            if (connectedAt > 0) {
                if (nowMs() - connectedAt >= m_options.steadyMs)
                    retry = m_options.firstRetryMs;
                else
                    m_steady = false;
            }
            connectedAt = 0;
            nextConnect = nowMs() + retry;
            retry = std::min(retry * 2, m_options.lastRetryMs);
        } catch (const KovraError& e) {
            // The log file is busy or refused a change: said, and tried again after a while.
            reportProblem(e.message(), false);
            m_logTrouble = true;
            waitForWake(logRetry);
            logRetry = std::min(logRetry * 2, m_options.lastRetryMs);
        }
    }
}

void SyncWorker::Core::connectToServer()
{
    m_pg =
        std::make_unique<PgConnection>(m_address, m_options.answerTimeoutMs, m_options.idleInTransactionMs);
    SharedServer s = server();
    s.prepareSchema();
    s.registerPosition(m_position.id, m_position.name, m_copy);
    s.listen();
    m_heartbeatDue = 0;
}

void SyncWorker::Core::runCommands()
{
    while (!m_stop) {
        std::function<void()> work;
        {
            std::lock_guard lock(m_mutex);
            if (m_commands.empty())
                return;
            work = std::move(m_commands.front());
            m_commands.pop_front();
        }
        try {
            work();
        } catch (const PgError& e) {
            failCommand(whyUnusable(e, m_address));
            if (e.kind() != PgError::Refused)
                throw;
        }
    }
}

std::optional<QString> SyncWorker::Core::contestUuid(qint32 contestId)
{
    const ResultSet found =
        m_local->queryNative(QStringLiteral("SELECT ShareContestUuid FROM ShareContest WHERE IdContest = ?"),
                             {DbValue(contestId)});
    if (found.rows.empty())
        return std::nullopt;
    return text(found.rows[0][0]);
}

std::optional<qint32> SyncWorker::Core::contestOf(const QString& uuid)
{
    const ResultSet found = m_local->queryNative(
        QStringLiteral("SELECT IdContest FROM ShareContest WHERE ShareContestUuid = ?"), {DbValue(uuid)});
    if (found.rows.empty())
        return std::nullopt;
    return qint32(integer(found.rows[0][0]));
}

void SyncWorker::Core::heartbeat()
{
    SharedServer s = server();
    // Only the bands of the contest logged now stay this position's: one it moved on from
    // falls silent and can be taken over.
    const ResultSet current = m_local->queryNative(
        QStringLiteral("SELECT s.ShareContestUuid FROM ShareContest s JOIN Contest c ON c.ContestRowid = "
                       "s.IdContest WHERE c.ContestActual"));
    s.heartbeat(m_position.id, current.rows.empty() ? QString() : text(current.rows[0][0]), m_copy);
    QSet<QString> existing;
    for (const SharedContest& c : s.contests())
        existing.insert(c.uuid);
    // What waits to be sent of a contest deleted here is still sent, if the server has it.
    for (const ResultRow& row :
         m_local
             ->queryNative(QStringLiteral("SELECT DISTINCT ShareContestUuid FROM ShareOutbox WHERE "
                                          "ShareContestUuid NOT IN (SELECT ShareContestUuid FROM "
                                          "ShareContest)"))
             .rows) {
        if (existing.contains(text(row[0])))
            m_missing.remove(text(row[0]));
        else
            m_missing.insert(text(row[0]));
    }
    for (const ResultRow& row :
         m_local->queryNative(QStringLiteral("SELECT IdContest, ShareContestUuid FROM ShareContest")).rows) {
        const qint32 contestId = qint32(integer(row[0]));
        const QString uuid = text(row[1]);
        if (!existing.contains(uuid)) {
            contestMissing(contestId, uuid);
            continue;
        }
        if (m_missing.remove(uuid))
            post([contestId](SyncWorker& w) { emit w.contestMissing(contestId, false); });
        refreshLeases(contestId, uuid);
    }
    m_heartbeatDue = nowMs() + m_options.heartbeatMs;
}

void SyncWorker::Core::refreshLeases(qint32 contestId, const QString& uuid)
{
    const std::vector<BandLease> leases = server().leases(uuid);
    m_local->transaction(
        [&] {
            m_local->execNative(QStringLiteral("DELETE FROM ShareLease WHERE IdContest = ?"),
                                {DbValue(contestId)});
            for (const BandLease& l : leases)
                m_local->execNative(
                    QStringLiteral("INSERT INTO ShareLease (IdContest, IdBand, ShareLeaseHolder, "
                                   "ShareLeaseHolderName, ShareLeaseSilent) VALUES (?, ?, ?, ?, ?)"),
                    {DbValue(contestId), DbValue(l.band), DbValue(l.holder), DbValue(l.holderName),
                     DbValue(l.silent ? 1 : 0)});
        },
        Database::Begin::Immediate);
    post([contestId, leases](SyncWorker& w) { emit w.leasesChanged(contestId, leases); });
}

void SyncWorker::Core::contestMissing(qint32 contestId, const QString& uuid)
{
    if (m_missing.contains(uuid))
        return;
    m_missing.insert(uuid);
    post([contestId](SyncWorker& w) { emit w.contestMissing(contestId, true); });
}

QString SyncWorker::Core::missingList() const
{
    QStringList marks;
    for (qsizetype i = 0; i < m_missing.size(); ++i)
        marks << QStringLiteral("?");
    return QStringLiteral("(%1)").arg(marks.join(QStringLiteral(", ")));
}

std::vector<DbValue> SyncWorker::Core::missingValues() const
{
    std::vector<DbValue> values;
    for (const QString& uuid : m_missing)
        values.push_back(DbValue(uuid));
    return values;
}

qint64 SyncWorker::Core::waitingToSend()
{
    const std::optional<DbValue> count =
        m_local->queryFirst(QStringLiteral("SELECT COUNT(*) FROM ShareOutbox"));
    return count ? integer(*count) : 0;
}

void SyncWorker::Core::pushOutbox()
{
    while (!m_stop) {
        std::vector<DbValue> values = missingValues();
        values.push_back(DbValue(qint64(m_options.batch)));
        const ResultSet rows = m_local->queryNative(
            QStringLiteral("SELECT %1 FROM ShareOutbox WHERE ShareContestUuid NOT IN %2 ORDER BY "
                           "ShareOutboxRowid LIMIT ?")
                .arg(outboxColumns(), missingList()),
            values);
        if (rows.rows.empty())
            return;
        std::vector<ContactChange> changes;
        for (const ResultRow& row : rows.rows) {
            ContactChange c;
            c.contest = text(row[1]);
            c.uuid = text(row[2]);
            c.version = integer(row[3]);
            c.editedMs = integer(row[4]);
            c.editedBy = text(row[5]);
            c.position = text(row[6]);
            c.positionName = text(row[7]);
            c.deleted = integer(row[8]) != 0;
            for (size_t i = 0; i < kSharedFields.size(); ++i)
                c.fields[i] = localValue(row[9 + i], kSharedFields[i]);
            changes.push_back(c);
        }
        const std::vector<PushOutcome> outcomes = pushWithFallback(changes);
        for (size_t i = 0; i < outcomes.size(); ++i) {
            if (outcomes[i].kind == PushOutcome::Lost) {
                m_lostOnPush.insert(changes[i].uuid, {changes[i].version, changes[i].editedMs});
                tellLost(text(changes[i].fields[kCallField]), outcomes[i].winnerName);
            } else if (outcomes[i].kind == PushOutcome::ContestGone) {
                const QString& uuid = changes[i].contest;
                if (const std::optional<qint32> local = contestOf(uuid))
                    contestMissing(*local, uuid);
                else
                    m_missing.insert(uuid);
            }
        }
        // The server has them: they leave the outbox, but for those of a contest it does not
        // list, which wait for it. A crash before this line sends them again, and the server
        // takes each once.
        std::vector<DbValue> sent{rows.rows.back()[0]};
        for (const DbValue& v : missingValues())
            sent.push_back(v);
        m_local->execNative(
            QStringLiteral(
                "DELETE FROM ShareOutbox WHERE ShareOutboxRowid <= ? AND ShareContestUuid NOT IN %1")
                .arg(missingList()),
            sent);
        if (rows.rows.size() < size_t(m_options.batch))
            return;
    }
}

std::vector<PushOutcome> SyncWorker::Core::pushWithFallback(const std::vector<ContactChange>& changes)
{
    // A refusal that is not about a change's own values (a lock or statement timeout, a
    // read-only or full server) goes up: everything stays in the outbox and is sent again
    // after the growing delay.
    try {
        return server().push(changes, m_position.id, m_copy);
    } catch (const PgError& e) {
        if (!e.badData())
            throw;
    }
    // One change the server refuses must not hold the others back: each goes alone, and one
    // that is refused by itself is said and stays in this log only.
    std::vector<PushOutcome> outcomes;
    for (const ContactChange& c : changes) {
        try {
            outcomes.push_back(server().push({c}, m_position.id, m_copy).front());
        } catch (const PgError& e) {
            if (!e.badData())
                throw;
            reportProblem(
                QStringLiteral("сервер не принял связь с %1: %2").arg(text(c.fields[2]), e.message()), false);
            outcomes.push_back(PushOutcome{PushOutcome::AlreadyThere, QString()});
        }
    }
    return outcomes;
}

void SyncWorker::Core::pullAll()
{
    for (const ResultRow& row :
         m_local
             ->queryNative(
                 QStringLiteral("SELECT IdContest, ShareContestUuid, ShareLastChange FROM ShareContest"))
             .rows) {
        if (m_stop)
            return;
        if (!m_missing.contains(text(row[1])))
            pull(qint32(integer(row[0])), text(row[1]), integer(row[2]));
    }
}

void SyncWorker::Core::pull(qint32 contestId, const QString& uuid, qint64 after)
{
    SharedServer s = server();
    std::optional<qint64> left;
    while (!m_stop) {
        SharedServer::Tally tally;
        const std::vector<ContactChange> changes = s.changesAfter(uuid, after, m_options.batch, &tally);
        if (tally.rows == 0 || tally.last <= after)
            return;
        if (tally.skipped > 0) {
            m_skipped += tally.skipped;
            reportProblem(
                QStringLiteral("сервер дал связи в неверном виде, они пропущены (%1); последняя — %2")
                    .arg(m_skipped)
                    .arg(tally.refusal),
                false);
        }
        // More than one batch: the link says how far it has to go.
        if (!left && tally.rows == m_options.batch)
            left = s.changesWaiting(uuid, after);
        if (left)
            reportLink(Link::CatchingUp, *left);
        std::vector<LostEdit> lost;
        const QVector<ArrivedContact> arrived = apply(contestId, uuid, changes, tally.last, lost);
        // The window hears of what is stored before the server is asked anything more: were the
        // link to drop then, the next pull starts after these and they would never be shown.
        if (!arrived.isEmpty())
            post([arrived](SyncWorker& w) { emit w.contactsArrived(arrived); });
        if (!lost.empty()) {
            SharedServer names = server();
            for (const LostEdit& l : lost)
                tellLost(l.call, names.positionName(l.winner));
        }
        after = tally.last;
        if (left)
            left = std::max<qint64>(0, *left - qint64(tally.rows));
        if (tally.rows < m_options.batch)
            return;
    }
}

QVector<ArrivedContact> SyncWorker::Core::apply(qint32 contestId, const QString& uuid,
                                                const std::vector<ContactChange>& changes, qint64 last,
                                                std::vector<LostEdit>& lost)
{
    QVector<ArrivedContact> arrived;
    m_local->transaction(
        [&] {
            // The contest may have been deleted here meanwhile: then nothing of it is taken.
            if (m_local
                    ->queryNative(
                        QStringLiteral(
                            "SELECT 1 FROM ShareContest WHERE IdContest = ? AND ShareContestUuid = ?"),
                        {DbValue(contestId), DbValue(uuid)})
                    .rows.empty())
                return;
            arrived.clear(); // a transaction tried again starts over
            lost.clear();
            for (const ContactChange& c : changes)
                applyOne(contestId, c, arrived, lost);
            m_local->execNative(
                QStringLiteral("UPDATE ShareContest SET ShareLastChange = ? WHERE IdContest = ?"),
                {DbValue(last), DbValue(contestId)});
        },
        Database::Begin::Immediate);
    // Forgotten only once stored: a transaction tried again must find what its push said.
    for (const ContactChange& c : changes)
        m_lostOnPush.remove(c.uuid);
    return arrived;
}

void SyncWorker::Core::tellLost(const QString& call, const QString& winnerName)
{
    post([call, winnerName](SyncWorker& w) { emit w.editLost(call, winnerName); });
}

void SyncWorker::Core::applyOne(qint32 contestId, const ContactChange& c, QVector<ArrivedContact>& arrived,
                                std::vector<LostEdit>& lost)
{
    auto versionOf = [&](const ResultRow& row, size_t at) {
        ContactChange v;
        v.version = integer(row[at]);
        v.editedMs = integer(row[at + 1]);
        v.editedBy = text(row[at + 2]);
        return v;
    };
    // A change made here and not yet sent that is later than this one stays: the server will
    // keep it too. (The outbox is sent before anything is taken, so it is short here.)
    const ResultSet pending = m_local->queryNative(
        QStringLiteral(
            "SELECT ContestListVersion, ContestListEdited, ContestListEditedBy FROM ShareOutbox WHERE "
            "ContestListUuid = ? ORDER BY ShareOutboxRowid DESC LIMIT 1"),
        {DbValue(c.uuid)});
    if (!pending.rows.empty() && !c.beats(versionOf(pending.rows[0], 0)))
        return;
    const ResultSet local = m_local->queryNative(
        QStringLiteral("SELECT rowid, ContestListVersion, ContestListEdited, ContestListEditedBy, IdBand, "
                       "ContestListCall FROM ContestList WHERE ContestListUuid = ?"),
        {DbValue(c.uuid)});
    if (!local.rows.empty() && !c.beats(versionOf(local.rows[0], 1)))
        return; // this position's own change coming back, or an older one
    if (!local.rows.empty()) {
        // An edit made here, which the server took, replaced by a later one made elsewhere from
        // the same version: the other position edited without having seen this one, so this
        // one is lost, and said so, as when it is the one sent last. (A change of a higher
        // version was made after this one was seen there.) Said once: not again for an edit
        // the push already heard was older, nor for one still waiting, which its push says.
        const ContactChange mine = versionOf(local.rows[0], 1);
        const auto toldOnPush = m_lostOnPush.constFind(c.uuid);
        const bool told =
            toldOnPush != m_lostOnPush.cend() && *toldOnPush == std::make_pair(mine.version, mine.editedMs);
        if (!told && pending.rows.empty() && mine.editedBy == m_position.id && c.editedBy != m_position.id &&
            c.version == mine.version)
            lost.push_back({text(local.rows[0][5]), c.editedBy});
    }
    ArrivedContact a;
    a.contestId = contestId;
    a.bandId = qint32(integer(c.fields[kBandField]));
    a.call = text(c.fields[2]);
    a.locator = text(c.fields[3]);
    a.dateTime = c.fields[1].isNumeric() ? c.fields[1].toDouble() : 0;
    std::vector<DbValue> values;
    QStringList assignments;
    QStringList columns;
    for (size_t i = 0; i < kSharedFields.size(); ++i) {
        values.push_back(localValue(c.fields[i], kSharedFields[i]));
        columns << QString::fromLatin1(kSharedFields[i].local);
        assignments << QString::fromLatin1(kSharedFields[i].local) + QStringLiteral(" = ?");
    }
    for (const DbValue& v : {DbValue(c.version), DbValue(c.editedMs), DbValue(c.editedBy)})
        values.push_back(v);
    try {
        if (!local.rows.empty()) {
            a.rowid = integer(local.rows[0][0]);
            a.previousBandId = qint32(integer(local.rows[0][4]));
            a.previousCall = text(local.rows[0][5]);
            if (c.deleted) {
                a.kind = ArrivedContact::Removed;
                m_local->execNative(QStringLiteral("DELETE FROM ContestList WHERE rowid = ?"),
                                    {DbValue(a.rowid)});
            } else {
                a.kind = ArrivedContact::Changed;
                values.push_back(DbValue(a.rowid));
                m_local->execNative(
                    QStringLiteral("UPDATE ContestList SET %1, ContestListVersion = ?, "
                                   "ContestListEdited = ?, ContestListEditedBy = ? WHERE rowid = ?")
                        .arg(assignments.join(QStringLiteral(", "))),
                    values);
            }
        } else if (!c.deleted) {
            a.kind = ArrivedContact::Added;
            for (const DbValue& v :
                 {DbValue(c.uuid), DbValue(c.position), DbValue(c.positionName), DbValue(contestId)})
                values.push_back(v);
            m_local->execNative(
                QStringLiteral("INSERT INTO ContestList (%1, ContestListVersion, ContestListEdited, "
                               "ContestListEditedBy, ContestListUuid, ContestListPositionId, "
                               "ContestListPosition, IdContest) VALUES (%2?, ?, ?, ?, ?, ?, ?)")
                    .arg(columns.join(QStringLiteral(", ")),
                         QStringLiteral("?, ").repeated(qsizetype(kSharedFields.size()))),
                values);
            a.rowid = m_local->lastInsertRowid();
        } else {
            return; // a tombstone of a contact this log never had
        }
    } catch (const SqlError& e) {
        // A value this log cannot hold: the others are taken, this one is said. A busy or
        // broken log file goes up, and the whole batch is taken again later.
        if (!e.brokeConstraint())
            throw;
        reportProblem(QStringLiteral("связь с %1 не записана: %2").arg(a.call, e.message()), false);
        return;
    }
    arrived.push_back(a);
}

void SyncWorker::Core::waitForWake(int ms)
{
    pollfd fd{m_wakeFd, POLLIN, 0};
    ::poll(&fd, 1, std::max(0, ms));
    drainWake();
}

void SyncWorker::Core::drainWake()
{
    quint64 count = 0;
    while (::read(m_wakeFd, &count, sizeof count) > 0) {
    }
}

void SyncWorker::Core::reportLink(Link link, qint64 count)
{
    if (!m_steady && link != Link::Offline)
        return;
    if (m_link && m_link->first == link && m_link->second == count)
        return;
    m_link = std::make_pair(link, count);
    post([link, count](SyncWorker& w) { emit w.linkChanged(link, count); });
}

void SyncWorker::Core::reportProblem(const QString& problem, bool loginRefused)
{
    if (problem == m_problem)
        return;
    m_problem = problem;
    post([problem, loginRefused](SyncWorker& w) { emit w.problem(problem, loginRefused); });
}

SyncWorker::SyncWorker(const QString& logPath, const ServerAddress& address, const SharePosition& position,
                       const Options& options, QObject* parent)
    : QObject(parent), m_core(std::make_shared<Core>(logPath, address, position, options))
{
    m_core->m_owner = this;
}

SyncWorker::~SyncWorker()
{
    {
        std::lock_guard lock(m_core->m_mutex);
        m_core->m_owner = nullptr;
    }
    m_core->m_stop = true;
    m_core->wake();
    if (!m_core->m_thread.joinable())
        return;
    // A connection under way or an answer awaited ends within its timeout; the window never
    // waits for it: the thread ends by itself, holding what it uses, and tells nobody.
    if (m_core->m_finished)
        m_core->m_thread.join();
    else
        m_core->m_thread.detach();
}

void SyncWorker::start()
{
    if (m_core->m_thread.joinable())
        return;
    // The thread holds the core, so a thread left to end by itself never uses freed memory.
    m_core->m_thread = std::thread([core = m_core] { core->run(); });
}

void SyncWorker::wake()
{
    m_core->wake();
}

void SyncWorker::createContest(qint32 contestId, const SharedContest& contest)
{
    Core* core = m_core.get();
    core->command([core, contestId, contest] {
        if (!core->online()) {
            core->failCommand(QStringLiteral("нет связи с сервером общего лога"));
            return;
        }
        core->server().createContest(contest);
        const QString uuid = contest.uuid;
        core->post([contestId, uuid](SyncWorker& w) { emit w.contestCreated(contestId, uuid); });
    });
}

void SyncWorker::listContests()
{
    Core* core = m_core.get();
    core->command([core] {
        if (!core->online()) {
            core->failCommand(QStringLiteral("нет связи с сервером общего лога"));
            return;
        }
        const std::vector<SharedContest> contests = core->server().contests();
        core->post([contests](SyncWorker& w) { emit w.contestsListed(contests); });
    });
}

void SyncWorker::takeBand(qint32 contestId, qint32 bandId, bool takeover)
{
    const auto asked = std::make_tuple(contestId, bandId, takeover);
    if (!m_bandsAsked.insert(asked).second)
        return;
    Core* core = m_core.get();
    core->command([core, contestId, bandId, takeover, asked] {
        // Whatever becomes of the request, the band may be asked for again once the window has
        // heard the leases and the answer it brought, which are told before this.
        const auto answered = qScopeGuard(
            [core, asked] { core->post([asked](SyncWorker& w) { w.m_bandsAsked.erase(asked); }); });
        const std::optional<QString> uuid = core->contestUuid(contestId);
        if (!core->online() || !uuid) {
            core->failCommand(!uuid ? QStringLiteral("соревнование не общее")
                                    : QStringLiteral("без связи с сервером общего лога диапазон не взять"));
            return;
        }
        const LeaseAnswer answer = core->server().takeLease(*uuid, bandId, core->position().id, takeover);
        if (answer.kind == LeaseAnswer::ContestGone) {
            core->contestMissing(contestId, *uuid);
            return;
        }
        // The band's numbers go on after everything the server has: it is all taken first.
        if (answer.kind == LeaseAnswer::Taken)
            core->pullAll();
        core->refreshLeases(contestId, *uuid);
        core->post([contestId, bandId, answer, takeover](SyncWorker& w) {
            emit w.leaseAnswered(contestId, bandId, answer, takeover);
        });
    });
}

void SyncWorker::refreshLeases(qint32 contestId)
{
    Core* core = m_core.get();
    core->command([core, contestId] {
        const std::optional<QString> uuid = core->contestUuid(contestId);
        if (core->online() && uuid)
            core->refreshLeases(contestId, *uuid);
    });
}

void SyncWorker::releaseBand(qint32 contestId, qint32 bandId)
{
    Core* core = m_core.get();
    core->command([core, contestId, bandId] {
        const std::optional<QString> uuid = core->contestUuid(contestId);
        if (!core->online() || !uuid) {
            core->failCommand(QStringLiteral("нет связи с сервером общего лога"));
            return;
        }
        // The band's last contacts are on the server before it is handed over, so the position
        // that takes it next numbers after them; while they cannot be sent, the band stays.
        core->pushOutbox();
        core->server().releaseLease(*uuid, bandId, core->position().id);
        core->refreshLeases(contestId, *uuid);
    });
}

void SyncWorker::releaseContest(const QString& uuid)
{
    Core* core = m_core.get();
    core->command([core, uuid] {
        // A delete that did not commit, or the contest joined again, keeps its bands. What was
        // logged on them goes first, as when a band is handed over.
        if (core->online() && !core->contestOf(uuid)) {
            core->pushOutbox();
            core->server().releaseLeases(uuid, core->position().id);
        }
    });
}

void SyncWorker::listSilentPositions(qint32 contestId)
{
    Core* core = m_core.get();
    core->command([core, contestId] {
        const std::optional<QString> uuid = core->contestUuid(contestId);
        if (!core->online() || !uuid) {
            core->failCommand(!uuid ? QStringLiteral("соревнование не общее")
                                    : QStringLiteral("нет связи с сервером общего лога"));
            return;
        }
        const std::vector<SharePosition> positions =
            core->server().silentPositions(*uuid, core->position().id);
        core->post(
            [contestId, positions](SyncWorker& w) { emit w.silentPositionsListed(contestId, positions); });
    });
}

void SyncWorker::adoptPosition(qint32 contestId, const SharePosition& silent)
{
    Core* core = m_core.get();
    core->command([core, contestId, silent] {
        const std::optional<QString> uuid = core->contestUuid(contestId);
        if (!core->online() || !uuid) {
            core->failCommand(!uuid ? QStringLiteral("соревнование не общее")
                                    : QStringLiteral("нет связи с сервером общего лога"));
            return;
        }
        SharedServer s = core->server();
        const bool adoptable = s.silent(silent.id);
        if (adoptable) {
            // This position's last contacts reach the server under its own id before its bands
            // are let go and it goes on under the other's.
            core->pushOutbox();
            s.releaseLeases(*uuid, core->position().id);
        }
        core->post([contestId, silent, adoptable](SyncWorker& w) {
            emit w.positionAdoptable(contestId, silent, adoptable);
        });
    });
}
