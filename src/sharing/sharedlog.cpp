#include "sharing/sharedlog.h"

#include "platform/guarded.h"
#include "platform/prompts.h"
#include "platform/services.h"
#include "store/daycount.h"
#include "store/logstore.h"

#include <QMap>
#include <QSysInfo>
#include <QTimer>
#include <QUuid>

namespace {

constexpr int kWakeDelayMs = 10;

QMap<int, QString> parseBands(const QString& bands)
{
    QMap<int, QString> parsed;
    for (const QString& entry : bands.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QStringList parts = entry.split(QLatin1Char(':'));
        if (parts.size() == 2)
            parsed.insert(parts[0].toInt(), parts[1]);
    }
    return parsed;
}

// A position without a name of its own goes by its computer's.
QString positionName(const ShareSettings& settings)
{
    return settings.positionName.isEmpty() ? QSysInfo::machineHostName() : settings.positionName;
}

} // namespace

QString bandsOfLog(LogStore& store)
{
    QStringList bands;
    for (const ResultRow& row :
         store.db()
             .queryNative(QStringLiteral("SELECT BandRowid, BandPoint1km FROM Band ORDER BY BandRowid"))
             .rows)
        bands << QStringLiteral("%1:%2")
                     .arg(row[0].toInt())
                     .arg(row[1].isNumeric() ? QString::number(row[1].toDouble(), 'g', 15) : QString());
    return bands.join(QLatin1Char(';'));
}

QStringList bandDifferences(const QString& here, const QString& shared)
{
    const QMap<int, QString> mine = parseBands(here);
    const QMap<int, QString> theirs = parseBands(shared);
    QMap<int, QString> lines;
    for (auto it = mine.cbegin(); it != mine.cend(); ++it) {
        if (!theirs.contains(it.key()))
            lines.insert(it.key(),
                         QStringLiteral("диапазон %1 МГц есть только на этой позиции").arg(it.key()));
        else if (theirs.value(it.key()) != it.value())
            lines.insert(it.key(),
                         QStringLiteral("диапазон %1 МГц: %2 очк. за км здесь, %3 в общем соревновании")
                             .arg(it.key())
                             .arg(it.value(), theirs.value(it.key())));
    }
    for (auto it = theirs.cbegin(); it != theirs.cend(); ++it) {
        if (!mine.contains(it.key()))
            lines.insert(it.key(),
                         QStringLiteral("диапазон %1 МГц есть только в общем соревновании").arg(it.key()));
    }
    return lines.values();
}

std::vector<RepeatedSerial> repeatedSerials(LogStore& store, qint32 contestId)
{
    std::vector<RepeatedSerial> found;
    for (const ResultRow& row :
         store.db()
             .queryNative(
                 QStringLiteral(
                     "SELECT c.rowid, c.IdBand, COALESCE(b.BandName, c.IdBand), c.ContestListSendNum, "
                     "c.ContestListCall, c.ContestListPosition, c.ContestListDateTime FROM ContestList c "
                     "LEFT JOIN "
                     "Band b ON b.BandRowid = c.IdBand WHERE c.IdContest = ?1 AND (c.IdBand, "
                     "c.ContestListSendNum) "
                     "IN (SELECT IdBand, ContestListSendNum FROM ContestList WHERE IdContest = ?1 AND "
                     "ContestListSendNum IS NOT NULL GROUP BY IdBand, ContestListSendNum HAVING COUNT(*) > "
                     "1) "
                     "ORDER BY c.IdBand, c.ContestListSendNum, c.ContestListDateTime, c.ContestListCall"),
                 {DbValue(contestId)})
             .rows) {
        QStringList parts{row[2].displayText(), QStringLiteral("№ ") + row[3].displayText(),
                          row[4].displayText()};
        if (!row[5].isNull())
            parts << row[5].displayText();
        if (row[6].isNumeric())
            parts << fromDayCount(row[6].toDouble()).toString(QStringLiteral("dd.MM HH:mm"));
        found.push_back({row[0].toInt(), row[2].displayText(), parts.join(QStringLiteral(", "))});
    }
    return found;
}

SharedLog::SharedLog(LogStore& store, const Services& services, QObject* parent)
    : QObject(parent), m_store(store), m_services(services),
      m_journal(std::make_unique<ShareJournal>(store.db(), services.clock))
{
    m_journal->changed = [this] { wakeLater(); };
    m_journal->bandWanted = [this](qint32 contestId, qint32 bandId) { takeBand(contestId, bandId, false); };
    // Once the delete has committed; the worker finds out whether it did.
    m_journal->contestDropped = [this](const QString& uuid) {
        QTimer::singleShot(0, this, [this, uuid] {
            if (m_worker)
                m_worker->releaseContest(uuid);
        });
    };
    m_journal->setEnforced(false);
    m_store.setJournal(m_journal.get());
    guarded(m_services.prompts, [this] {
        m_journal->reload();
        m_settings = ShareSettings::load(m_store);
        m_journal->setEnforced(m_settings.enabled);
        // The id it had, if it ever shared; a new one is made only when sharing is switched on.
        m_journal->setPosition({m_store.textSetting(QStringLiteral("SharePositionId")).value_or(QString()),
                                positionName(m_settings)});
    });
}

SharedLog::~SharedLog()
{
    m_worker.reset();
    m_store.setJournal(nullptr);
}

void SharedLog::start()
{
    guarded(m_services.prompts, [this] { apply(ShareSettings::load(m_store), m_password); });
}

void SharedLog::reconfigure(const ShareSettings& settings)
{
    const ServerAddress& was = m_settings.address;
    const ServerAddress& now = settings.address;
    const bool sameLogin = was.host == now.host && was.port == now.port && was.user == now.user;
    apply(settings, sameLogin ? m_password : QString());
}

void SharedLog::apply(const ShareSettings& settings, const QString& password)
{
    m_worker.reset();
    m_settings = settings;
    m_password = password;
    m_link = SyncWorker::Link::Offline;
    m_journal->setOnline(false);
    m_journal->setEnforced(settings.enabled);
    if (!settings.enabled) {
        setStatus(QString());
        emit noticeChanged(QString());
        return;
    }
    m_journal->setPosition({sharePositionId(m_store), positionName(settings)});
    m_askPassword = true;
    startWorker();
}

void SharedLog::startWorker()
{
    m_worker.reset();
    emit noticeChanged(QString()); // what the last link found is the last link's
    setRefusedAsCopy(false);
    m_bandsRequested.clear(); // the last worker's requests get no answer
    ServerAddress address = m_settings.address;
    address.password = m_password;
    m_worker = std::make_unique<SyncWorker>(m_store.db().path(), address, m_journal->position(), m_options);
    SyncWorker* w = m_worker.get();
    connect(w, &SyncWorker::linkChanged, this, &SharedLog::linkChanged);
    connect(w, &SyncWorker::problem, this, &SharedLog::problem);
    connect(w, &SyncWorker::contactsArrived, this, &SharedLog::contactsArrived);
    connect(w, &SyncWorker::leasesChanged, this,
            [this](qint32 contestId, const std::vector<BandLease>& leases) {
                m_journal->setLeases(contestId, leases);
                emit leasesChanged(contestId);
            });
    connect(w, &SyncWorker::leaseAnswered, this, &SharedLog::leaseAnswered);
    connect(w, &SyncWorker::contestsListed, this, &SharedLog::contestsListed);
    connect(w, &SyncWorker::silentPositionsListed, this, &SharedLog::offerPlace);
    connect(w, &SyncWorker::positionAdoptable, this,
            [this](qint32, const SharePosition& silent, bool adoptable) {
                guarded(m_services.prompts, [&] { adoptPosition(silent, adoptable); });
            });
    connect(w, &SyncWorker::refusedAsCopy, this, [this] { setRefusedAsCopy(true); });
    connect(w, &SyncWorker::commandFailed, this,
            [this](const QString& text) { emit noticeChanged(QStringLiteral("Общий лог: ") + text); });
    connect(w, &SyncWorker::editLost, this, [this](const QString& call, const QString& winner) {
        emit noticeChanged(QStringLiteral("Общий лог: ваша правка связи с %1 не принята: позже её изменила "
                                          "позиция «%2»")
                               .arg(call, winner));
    });
    connect(w, &SyncWorker::contestCreated, this, [this](qint32 contestId, const QString& uuid) {
        if (!guarded(m_services.prompts, [&] { m_journal->share(contestId, uuid); }))
            return;
        emit leasesChanged(contestId);
        emit currentContestChanged();
    });
    connect(w, &SyncWorker::contestMissing, this, [this](qint32 contestId, bool missing) {
        m_journal->setMissing(contestId, missing);
        if (missing) {
            QString name;
            guarded(m_services.prompts, [&] {
                const ResultSet found = m_store.db().queryNative(
                    QStringLiteral("SELECT ContestName FROM Contest WHERE ContestRowid = ?"),
                    {DbValue(contestId)});
                if (!found.rows.empty())
                    name = found.rows[0][0].displayText();
            });
            emit noticeChanged(
                QStringLiteral("Общий лог: общее соревнование «%1» на сервере не найдено: его связи пишутся "
                               "только здесь и ждут отправки. Проверьте сервер и базу данных в «Общий лог».")
                    .arg(name));
        } else {
            emit noticeChanged(QString());
        }
        emit leasesChanged(contestId);
    });
    w->start();
}

void SharedLog::setStatus(const QString& text)
{
    if (text == m_status)
        return;
    m_status = text;
    emit statusChanged(text);
}

void SharedLog::linkChanged(SyncWorker::Link link, qint64 count)
{
    m_link = link;
    m_journal->setOnline(link != SyncWorker::Link::Offline);
    switch (link) {
    case SyncWorker::Link::Connected:
        setStatus(QStringLiteral("Общий лог: подключено"));
        break;
    case SyncWorker::Link::CatchingUp:
        setStatus(QStringLiteral("Общий лог: догоняем (%1)").arg(count));
        break;
    case SyncWorker::Link::Offline:
        setStatus(QStringLiteral("Общий лог: нет связи, ждут отправки %1").arg(count));
        break;
    }
}

void SharedLog::setRefusedAsCopy(bool refused)
{
    if (refused == m_refusedAsCopy)
        return;
    m_refusedAsCopy = refused;
    emit refusedAsCopyChanged(refused);
}

void SharedLog::problem(const QString& text, bool loginRefused)
{
    if (text.isEmpty())
        setRefusedAsCopy(false);
    QString notice = text.isEmpty() ? QString() : QStringLiteral("Общий лог: ") + text;
    if (!text.isEmpty() && m_refusedAsCopy)
        notice += QStringLiteral(". Если это другой компьютер, а не запасной, в окне «Общий лог» его можно "
                                 "сделать новой позицией (кнопка «Сделать новой позицией»).");
    emit noticeChanged(notice);
    // Asked once after the settings or the start, never in the middle of the work.
    if (!loginRefused || !m_askPassword)
        return;
    m_askPassword = false;
    const std::optional<QString> password = m_services.prompts.askPassword(
        QStringLiteral("Общий лог"), QStringLiteral("Пароль пользователя %1 на сервере %2:")
                                         .arg(m_settings.address.user, m_settings.address.host));
    if (!password)
        return;
    m_password = *password;
    startWorker();
}

void SharedLog::wakeLater()
{
    // After the change's transaction has committed, which is when the worker can read it, and
    // once the window has shown the change: the worker's turn never takes the processor from
    // the save's own repaint. A burst of changes goes in one push.
    QTimer::singleShot(kWakeDelayMs, this, [this] {
        if (m_worker)
            m_worker->wake();
    });
}

QString SharedLog::bandName(qint32 bandId) const
{
    QString name = QStringLiteral("%1 МГц").arg(bandId);
    guarded(m_services.prompts, [&] {
        const ResultSet found = m_store.db().queryNative(
            QStringLiteral("SELECT BandName FROM Band WHERE BandRowid = ?"), {DbValue(bandId)});
        if (!found.rows.empty() && !found.rows[0][0].displayText().trimmed().isEmpty())
            name = found.rows[0][0].displayText().trimmed();
    });
    return name;
}

void SharedLog::offerTakeover(qint32 contestId, qint32 bandId, const QString& bandName,
                              const BandLease& lease)
{
    if (m_services.prompts.confirm(
            QStringLiteral("Диапазон %1 ведёт позиция «%2», которая молчит больше минуты.\n\r"
                           "Забрать диапазон? Номера продолжатся после последнего номера "
                           "на сервере.")
                .arg(bandName, lease.holderName)))
        takeBand(contestId, bandId, true);
}

void SharedLog::takeBand(qint32 contestId, qint32 bandId, bool takeover)
{
    if (m_worker)
        m_worker->takeBand(contestId, bandId, takeover);
}

void SharedLog::requestBand(qint32 contestId, qint32 bandId, const QString& bandName)
{
    if (!m_settings.enabled || !online()) {
        m_services.prompts.warning(
            QStringLiteral("Без связи с сервером общего лога диапазон %1 не взять.").arg(bandName));
        return;
    }
    const std::optional<BandLease> lease = m_journal->lease(contestId, bandId);
    if (!lease || lease->holder == m_journal->position().id) {
        m_bandsRequested.insert({contestId, bandId});
        takeBand(contestId, bandId, false);
    } else if (lease->silent) {
        offerTakeover(contestId, bandId, bandName, *lease);
    } else {
        m_services.prompts.information(
            QStringLiteral("Диапазон %1 ведёт позиция «%2»: забрать его можно, когда "
                           "она промолчит минуту.")
                .arg(bandName, lease->holderName));
    }
}

void SharedLog::releaseBand(qint32 contestId, qint32 bandId)
{
    if (m_worker)
        m_worker->releaseBand(contestId, bandId);
}

void SharedLog::leaseAnswered(qint32 contestId, qint32 bandId, const LeaseAnswer& answer, bool takeover)
{
    const bool requested = !takeover && m_bandsRequested.remove({contestId, bandId});
    if (answer.kind != LeaseAnswer::Held)
        return;
    if (takeover) {
        m_services.prompts.information(
            QStringLiteral("Диапазон не забран: позиция «%1» снова на связи.").arg(answer.lease.holderName));
        return;
    }
    // Asked for by the operator's own save or "Взять диапазон" on a band that looked free.
    if (answer.lease.silent) {
        offerTakeover(contestId, bandId, bandName(bandId), answer.lease);
        return;
    }
    if (requested) {
        // "Взять диапазон" saved nothing: only the band was asked for.
        emit noticeChanged(QStringLiteral("Общий лог: диапазон %1 не взят: его уже ведёт позиция «%2».")
                               .arg(bandName(bandId), answer.lease.holderName));
        return;
    }
    emit noticeChanged(QStringLiteral("Общий лог: диапазон %1 ведёт позиция «%2»: связь записана здесь, но "
                                      "номера на нём даёт она; повтор номера покажет «На проверку».")
                           .arg(bandName(bandId), answer.lease.holderName));
}

void SharedLog::listContests()
{
    if (m_worker)
        m_worker->listContests();
}

void SharedLog::shareContest(qint32 contestId)
{
    if (!m_settings.enabled || !online()) {
        m_services.prompts.warning(QStringLiteral("Нет связи с сервером общего лога: соревнование не сделать "
                                                  "общим."));
        return;
    }
    if (m_journal->journals(contestId)) {
        m_services.prompts.information(QStringLiteral("Это соревнование уже общее."));
        return;
    }
    const ResultSet found = m_store.db().queryNative(
        QStringLiteral(
            "SELECT ContestName, ContestDTStart, ContestDTStop FROM Contest WHERE ContestRowid = ?"),
        {DbValue(contestId)});
    if (found.rows.empty()) {
        m_services.prompts.warning(QStringLiteral("Не выбрано соревнование."));
        return;
    }
    const ResultRow& row = found.rows[0];
    SharedContest contest;
    contest.uuid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    contest.name = row[0].displayText();
    if (row[1].isNumeric())
        contest.start = row[1].toDouble();
    if (row[2].isNumeric())
        contest.stop = row[2].toDouble();
    contest.bands = bandsOfLog(m_store);
    m_worker->createContest(contestId, contest);
}

void SharedLog::joinContest(const SharedContest& contest)
{
    const QStringList differences = bandDifferences(bandsOfLog(m_store), contest.bands);
    if (!differences.isEmpty()) {
        m_services.prompts.warning(
            QStringLiteral("Нельзя присоединиться к «%1»: диапазоны этой позиции не такие, "
                           "как в общем соревновании:\n\r")
                .arg(contest.name) +
            differences.join(QStringLiteral(";\n\r")) + QLatin1Char('.'));
        return;
    }
    Database& db = m_store.db();
    db.transaction(
        [&] {
            std::optional<qint32> contestId = m_journal->contestOf(contest.uuid);
            if (!contestId) {
                const std::optional<DbValue> max =
                    db.queryFirst(QStringLiteral("SELECT MAX(ContestRowid) FROM Contest"));
                contestId = max && max->isNumeric() ? qint32(max->toInt()) + 1 : 1;
                db.execNative(
                    QStringLiteral("INSERT INTO Contest (ContestRowid, ContestName, ContestDTStart, "
                                   "ContestDTStop, ContestActual) VALUES (?, ?, ?, ?, 0)"),
                    {DbValue(*contestId), DbValue(contest.name),
                     contest.start ? DbValue(*contest.start) : DbValue(),
                     contest.stop ? DbValue(*contest.stop) : DbValue()});
                db.execNative(
                    QStringLiteral("INSERT INTO ShareContest (IdContest, ShareContestUuid) VALUES (?, ?)"),
                    {DbValue(*contestId), DbValue(contest.uuid)});
            }
            db.execNative(QStringLiteral("UPDATE Contest SET ContestActual = (ContestRowid = ?)"),
                          {DbValue(*contestId)});
        },
        Database::Begin::Immediate);
    // Which bands the other positions hold is known before the first save, not a heartbeat later.
    if (m_worker) {
        if (const std::optional<qint32> joined = m_journal->contestOf(contest.uuid))
            m_worker->refreshLeases(*joined);
    }
    wakeLater();
    emit currentContestChanged();
}

void SharedLog::requestPlace(qint32 contestId)
{
    if (!m_settings.enabled || !online() || !m_journal->journals(contestId)) {
        m_services.prompts.warning(
            QStringLiteral("Место другой позиции можно занять только в общем соревновании и со связью с "
                           "сервером общего лога."));
        return;
    }
    m_placeAsked = true;
    m_worker->listSilentPositions(contestId);
}

void SharedLog::becomeNewPosition()
{
    if (!m_settings.enabled)
        return;
    const QString was = m_journal->position().name;
    if (!m_services.prompts.confirm(
            QStringLiteral("Этот лог станет новой позицией общего лога, отдельной от позиции «%1»: её "
                           "диапазоны останутся за ней, связи, записанные здесь и ещё не отправленные, "
                           "уйдут на сервер как связи новой позиции (повтор номера на диапазоне покажет "
                           "«На проверку»).\n\rПродолжить?")
                .arg(was)))
        return;
    // The other position's name would leave two of one name in every list and box; this
    // computer's name tells them apart, the copy being on another computer.
    const QString host = QSysInfo::machineHostName();
    const std::optional<QString> typed =
        m_services.prompts.askText(QStringLiteral("Общий лог"), QStringLiteral("Название новой позиции:"),
                                   host != was ? host : QString());
    if (!typed)
        return;
    ShareSettings settings = m_settings;
    settings.positionName = typed->trimmed();
    m_worker.reset(); // nothing goes under the old id while the outbox changes hands
    try {
        m_journal->becomePosition(
            {QUuid::createUuid().toString(QUuid::WithoutBraces), positionName(settings)});
        m_store.SetSet(QStringLiteral("SharePositionId"), LogStore::TextSetting, m_journal->position().id);
        settings.save(m_store);
    } catch (...) {
        apply(m_settings, m_password); // the link goes on as it was, not silently stopped
        throw;
    }
    setRefusedAsCopy(false);
    apply(settings, m_password);
    emit positionChanged();
    // The bands held here are held here no more.
    for (const ResultRow& row :
         m_store.db().queryNative(QStringLiteral("SELECT IdContest FROM ShareContest")).rows)
        emit leasesChanged(qint32(row[0].toInt()));
}

void SharedLog::offerPlace(qint32 contestId, const std::vector<SharePosition>& positions)
{
    if (!m_placeAsked)
        return;
    m_placeAsked = false;
    if (positions.empty()) {
        m_services.prompts.information(
            QStringLiteral("В этом соревновании нет позиций, которые молчат больше минуты."));
        return;
    }
    QStringList names;
    for (const SharePosition& p : positions)
        names << p.name;
    const std::optional<int> chosen = m_services.prompts.chooseItem(
        QStringLiteral("Общий лог"), QStringLiteral("Место какой позиции занять?"), names);
    if (!chosen || *chosen < 0 || size_t(*chosen) >= positions.size())
        return;
    const SharePosition& silent = positions[size_t(*chosen)];
    // Two computers under one id would number the same bands: the old one must stay away.
    if (!m_services.prompts.confirm(
            QStringLiteral("Эта позиция займёт место позиции «%1»: её диапазоны перейдут сюда, номера "
                           "продолжатся после её последних.\n\rКомпьютер позиции «%1» после этого к общему "
                           "логу не подключайте. Продолжить?")
                .arg(silent.name)))
        return;
    if (m_worker)
        m_worker->adoptPosition(contestId, silent);
}

void SharedLog::adoptPosition(const SharePosition& silent, bool adoptable)
{
    if (!adoptable) {
        m_services.prompts.information(
            QStringLiteral("Место не занято: позиция «%1» снова на связи.").arg(silent.name));
        return;
    }
    m_store.SetSet(QStringLiteral("SharePositionId"), LogStore::TextSetting, silent.id);
    ShareSettings settings = m_settings;
    settings.positionName = silent.name;
    settings.save(m_store);
    // The link starts again under the new id once the worker that said so is out of its signal.
    QTimer::singleShot(0, this, [this, settings] {
        guarded(m_services.prompts, [&] { apply(settings, m_password); });
        emit positionChanged();
    });
}
