#include "support/sharedposition.h"

#include "store/daycount.h"
#include "store/errors.h"
#include "store/schemaupgrade.h"

#include <QtTest>

namespace {

const QString kBands[] = {QStringLiteral("144 MHz"), QStringLiteral("432 MHz"), QStringLiteral("1,3 GHz")};

QString bandName(qint32 band)
{
    switch (band) {
    case 432:
        return kBands[1];
    case 1300:
        return kBands[2];
    default:
        return kBands[0];
    }
}

} // namespace

SharedPosition::SharedPosition(const QString& positionName) : name(positionName), options(shortDelays())
{
    FakePrompts none;
    file.openStore(none);
    file.sqlite(
        "INSERT INTO Contest (ContestRowid, ContestName, ContestDTStart, ContestDTStop, ContestActual) "
        "VALUES (1, 'Полевой день', 46200, 46300, 1);"
        "UPDATE SettingInfo SET SettingInfoValue='KO85AA' WHERE SettingInfoN='PWWLo';");
    reopen();
}

SharedPosition::~SharedPosition()
{
    close();
}

void SharedPosition::close()
{
    shared.reset();
    store.reset();
}

void SharedPosition::reopen()
{
    store = file.openStore(fakes.prompts);
    SchemaUpgrade(*store);
    store->openSettingCursors();
    shared = std::make_unique<SharedLog>(*store, fakes.services);
    QObject::connect(shared.get(), &SharedLog::statusChanged,
                     [this](const QString& text) { statuses << text; });
    QObject::connect(shared.get(), &SharedLog::noticeChanged,
                     [this](const QString& text) { notices << text; });
    QObject::connect(shared.get(), &SharedLog::contactsArrived, [this] { ++arrivals; });
}

void SharedPosition::connectTo(const PrivatePostgres& server, const std::optional<QString>& password)
{
    ShareSettings settings;
    settings.address =
        ServerAddress{server.host(), server.port(), server.database(), server.user(), QString()};
    settings.positionName = name;
    settings.enabled = true;
    settings.save(*store);
    shared->setWorkerOptions(options);
    shared->apply(settings, password.value_or(server.password()));
}

void SharedPosition::disconnect()
{
    ShareSettings settings = shared->settings();
    settings.enabled = false;
    shared->apply(settings);
}

bool SharedPosition::waitOnline(int ms)
{
    return QTest::qWaitFor([this] { return shared->online(); }, ms);
}

bool SharedPosition::share()
{
    shared->shareContest(contestId);
    return QTest::qWaitFor([this] { return shared->journal().journals(contestId); }, 20000);
}

bool SharedPosition::join(SharedPosition& sharing)
{
    std::vector<SharedContest> listed;
    QMetaObject::Connection c =
        QObject::connect(shared.get(), &SharedLog::contestsListed,
                         [&](const std::vector<SharedContest>& contests) { listed = contests; });
    shared->listContests();
    const bool heard = QTest::qWaitFor([&] { return !listed.empty(); }, 20000);
    QObject::disconnect(c);
    const std::optional<QString> wanted = sharing.shared->journal().contestUuid(sharing.contestId);
    if (!heard || !wanted)
        return false;
    for (const SharedContest& contest : listed) {
        if (contest.uuid == *wanted)
            shared->joinContest(contest);
    }
    const std::optional<qint32> joined = shared->journal().contestOf(*wanted);
    if (!joined)
        return false;
    contestId = *joined;
    return true;
}

bool SharedPosition::holds(qint32 band)
{
    const std::optional<BandLease> lease = shared->journal().lease(contestId, band);
    return lease && lease->holder == shared->journal().position().id;
}

bool SharedPosition::takeBand(qint32 band, bool takeover)
{
    shared->takeBand(contestId, band, takeover);
    return QTest::qWaitFor([&] { return holds(band); }, 20000);
}

SaveOutcome saveContact(LogStore& store, qint32 contestId, const QString& call, qint32 band,
                        const QDateTime& now, std::optional<qint64> frequencyHz)
{
    ContactLog log(store);
    ContactFields fields;
    fields.band = bandName(band);
    fields.mode = QStringLiteral("SSB");
    fields.call = call;
    fields.locator = QStringLiteral("KO95AA");
    fields.sentReport = QStringLiteral("59");
    fields.sentNumber = QString::number(log.nextSerialNumber(contestId, band));
    fields.receivedReport = QStringLiteral("59");
    fields.receivedNumber = QStringLiteral("1");
    fields.date = now.date();
    fields.time = now.time();
    fields.frequencyHz = frequencyHz;
    SaveContext context;
    context.contestId = contestId;
    context.ownLocator = QStringLiteral("KO85AA");
    context.pointsPerKm = 1;
    context.nowUtc = toDayCount(now);
    return log.save(fields, context);
}

SyncWorker::Options shortDelays()
{
    SyncWorker::Options options;
    options.firstRetryMs = 100;
    options.lastRetryMs = 500;
    options.heartbeatMs = 1000;
    options.steadyMs = 1000;
    return options;
}

SaveOutcome SharedPosition::save(const QString& call, qint32 band, std::optional<qint64> frequencyHz)
{
    return saveContact(*store, contestId, call, band, fakes.clock.current, frequencyHz);
}

void SharedPosition::editCall(const QString& call, const QString& newCall)
{
    Database& db = store->db();
    db.transaction([&] {
        const ResultSet row = db.queryNative(
            QStringLiteral("SELECT rowid FROM ContestList WHERE ContestListCall = ?"), {DbValue(call)});
        db.execNative(QStringLiteral("UPDATE ContestList SET ContestListCall = ? WHERE rowid = ?"),
                      {DbValue(newCall), row.rows.at(0)[0]});
        store->journal()->written(row.rows.at(0)[0].toInt());
    });
}

void SharedPosition::moveToBand(const QString& call, qint32 band)
{
    Database& db = store->db();
    db.transaction([&] {
        const ResultSet row = db.queryNative(
            QStringLiteral("SELECT rowid FROM ContestList WHERE ContestListCall = ?"), {DbValue(call)});
        db.execNative(QStringLiteral("UPDATE ContestList SET IdBand = ? WHERE rowid = ?"),
                      {DbValue(band), row.rows.at(0)[0]});
        store->journal()->written(row.rows.at(0)[0].toInt());
    });
}

void SharedPosition::remove(const QString& call)
{
    Database& db = store->db();
    db.transaction([&] {
        const ResultSet row = db.queryNative(
            QStringLiteral("SELECT rowid FROM ContestList WHERE ContestListCall = ?"), {DbValue(call)});
        store->journal()->removing(row.rows.at(0)[0].toInt());
        db.execNative(QStringLiteral("DELETE FROM ContestList WHERE rowid = ?"), {row.rows.at(0)[0]});
    });
}

void SharedPosition::deleteContest(bool fail)
{
    Database& db = store->db();
    try {
        db.transaction([&] {
            store->journal()->contestDeleting(contestId);
            db.execNative(QStringLiteral("DELETE FROM ContestList WHERE IdContest = ?"),
                          {DbValue(contestId)});
            if (fail)
                db.execNative(QStringLiteral("DELETE FROM NoSuchTable"));
            db.execNative(QStringLiteral("DELETE FROM Contest WHERE ContestRowid = ?"), {DbValue(contestId)});
        });
    } catch (const KovraError&) {
        QVERIFY(fail);
    }
}

qint64 SharedPosition::count(const QString& where) const
{
    return file
        .column(QStringLiteral("SELECT COUNT(*) FROM ContestList") +
                (where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where))
        .value(0)
        .toLongLong();
}
