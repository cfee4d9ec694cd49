#include "store/logbackup.h"

#include "platform/clock.h"
#include "store/database.h"
#include "store/errors.h"
#include "store/logstore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

#include <sqlite3.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <system_error>

namespace {

constexpr int kScheduleCheckMs = 1000;
constexpr int kBusyRetryMs = 200;

QString sqliteError(sqlite3* db)
{
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
}

// Waits until what was written to the file or folder is on the disk.
bool syncToDisk(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

// The mode SQLite answers a journal_mode pragma with, in lower case.
QString journalModeAfter(sqlite3* db, const char* pragma)
{
    QString mode;
    sqlite3_exec(
        db, pragma,
        [](void* out, int columns, char** values, char**) {
            if (columns > 0 && values[0])
                *static_cast<QString*>(out) = QString::fromUtf8(values[0]).toLower();
            return 0;
        },
        &mode, nullptr);
    return mode;
}

// Makes a complete copy one durable file and gives it its name; then only the newest copies
// of the same log stay. Runs on the sealer thread, so it touches nothing but its arguments.
QString sealCopy(sqlite3* target, const QString& tempPath, const QString& finalPath, const QString& logName,
                 const QString& folderPath, int keep)
{
    // A copy is one file: a copy of a log in WAL mode would still say WAL in its header, and
    // whoever opens it later would get a write-ahead log beside it.
    const bool oneFile = journalModeAfter(target, "PRAGMA journal_mode=DELETE") == QLatin1String("delete");
    const bool closed = sqlite3_close(target) == SQLITE_OK;
    const bool sealed = oneFile && closed && syncToDisk(tempPath) &&
                        QFile::rename(tempPath, finalPath); // never over an existing copy
    if (!sealed) {
        QFile::remove(tempPath);
        return QStringLiteral("не удалось записать %1").arg(finalPath);
    }
    // The new name on the disk too; where the folder cannot be synced, the copy is still there.
    syncToDisk(folderPath);
    // Only the copies this program named for this log; other files, and the copies of other
    // logs that share the folder, stay. The names sort by their UTC time.
    const QRegularExpression ours(QLatin1Char('^') + QRegularExpression::escape(logName) +
                                  QStringLiteral("-\\d{8}-\\d{6}-\\d{3}Z\\.db$"));
    QDir folder(folderPath);
    QStringList copies;
    for (const QString& name :
         folder.entryList({logName + QStringLiteral("-*Z.db")}, QDir::Files, QDir::Name | QDir::Reversed)) {
        if (ours.match(name).hasMatch())
            copies << name;
    }
    for (qsizetype i = keep; i < copies.size(); ++i)
        folder.remove(copies[i]);
    return QString();
}

} // namespace

LogBackup::Options LogBackup::optionsFrom(LogStore& store)
{
    Options o;
    if (const auto minutes = store.intSetting(QStringLiteral("BackupMinutes")); minutes && *minutes > 0)
        o.minutes = *minutes;
    if (const auto keep = store.intSetting(QStringLiteral("BackupKeep")); keep && *keep > 0)
        o.keep = *keep;
    if (const auto folder = store.textSetting(QStringLiteral("BackupFolder")); folder && !folder->isEmpty()) {
        o.folder = *folder;
    } else {
        const QString beside = QFileInfo(store.db().path()).absoluteDir().filePath(QStringLiteral("backups"));
        const bool writable = QDir().mkpath(beside) && QFileInfo(beside).isWritable();
        o.folder = writable ? beside
                            : QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
                                  .filePath(QStringLiteral("backups"));
    }
    return o;
}

LogBackup::LogBackup(Database& db, const Clock& clock, Options options, QObject* parent)
    : QObject(parent), m_db(db), m_clock(clock), m_options(std::move(options)),
      m_logName(QFileInfo(db.path()).completeBaseName()), m_schedule(new QTimer(this))
{
    m_options.minutes = std::max(m_options.minutes, 1);
    m_schedule->setInterval(kScheduleCheckMs);
    connect(m_schedule, &QTimer::timeout, this, &LogBackup::checkSchedule);
}

LogBackup::~LogBackup()
{
    abandon();
    if (m_sealer.joinable())
        m_sealer.join(); // the copy is complete; it only gets its name
}

void LogBackup::start()
{
    m_copiedMark = changeMark(); // what is there at start needs no copy until it changes
    m_due = m_clock.now().addSecs(qint64(m_options.minutes) * 60);
    m_schedule->start();
}

void LogBackup::checkSchedule()
{
    const QDateTime now = m_clock.now();
    const qint64 interval = qint64(m_options.minutes) * 60;
    if (now < m_due) {
        if (now.secsTo(m_due) > interval) // the clock was set back
            m_due = now.addSecs(interval);
        return;
    }
    // One a minute stays one a minute whatever the check's delay; after a sleep the
    // count starts again from now.
    m_due = m_due.addSecs(interval);
    if (m_due <= now)
        m_due = now.addSecs(interval);
    // A copy that a whole interval did not finish (kept busy, or restarted by another
    // program's writes) is given up, said, and begun again from the start.
    if (m_backup) {
        abandon();
        report(QStringLiteral("копия не закончена за %1 мин.").arg(m_options.minutes));
    }
    beginIfChanged();
}

std::pair<qint64, qint64> LogBackup::changeMark() const
{
    const ResultSet version = m_db.queryNative(QStringLiteral("PRAGMA data_version"));
    const qint64 others = version.rows.empty() ? 0 : version.rows[0][0].toInt();
    return {sqlite3_total_changes64(m_db.nativeHandle()), others};
}

void LogBackup::beginIfChanged()
{
    // A database error here is the backup's failure, said once; logging goes on.
    try {
        if (copying() || changeMark() == m_copiedMark)
            return;
        const QString error = begin();
        if (!error.isEmpty())
            report(error);
        else
            QTimer::singleShot(0, this, &LogBackup::step);
    } catch (const KovraError& e) {
        abandon();
        report(e.message());
    }
}

QString LogBackup::begin()
{
    if (!QDir().mkpath(m_options.folder))
        return QStringLiteral("нет папки %1").arg(m_options.folder);
    const QString stamp = m_clock.now().toUTC().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    m_finalPath = QDir(m_options.folder).filePath(QStringLiteral("%1-%2Z.db").arg(m_logName, stamp));
    m_tempPath = QDir(m_options.folder).filePath(QStringLiteral(".%1-%2Z.db.tmp").arg(m_logName, stamp));
    m_copyingMark = changeMark();
    // Leftovers of a copy cut short by a crash take room and serve nothing.
    QDir folder(m_options.folder);
    for (const QString& stale :
         folder.entryList({QStringLiteral(".%1-*Z.db.tmp*").arg(m_logName)}, QDir::Files | QDir::Hidden))
        folder.remove(stale);
    if (sqlite3_open_v2(QFile::encodeName(m_tempPath).constData(), &m_target,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        const QString error = sqliteError(m_target);
        abandon();
        return error;
    }
    // The copy is made durable by the sealer, off the interface thread; the last step of the
    // copy must not wait for the disk instead.
    sqlite3_exec(m_target, "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
    m_backup = sqlite3_backup_init(m_target, "main", m_db.nativeHandle(), "main");
    if (!m_backup) {
        const QString error = sqliteError(m_target);
        abandon();
        return error;
    }
    return QString();
}

void LogBackup::step()
{
    if (!m_backup)
        return;
    const int rc = sqlite3_backup_step(m_backup, m_pagesPerStep);
    if (rc == SQLITE_OK) {
        QTimer::singleShot(0, this, &LogBackup::step); // more pages after the next events
        return;
    }
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
        QTimer::singleShot(kBusyRetryMs, this, &LogBackup::step); // another writer: later
        return;
    }
    if (rc != SQLITE_DONE) {
        abandon();
        report(QString::fromUtf8(sqlite3_errstr(rc)));
        return;
    }
    sealInBackground();
}

void LogBackup::sealInBackground()
{
    sqlite3_backup_finish(m_backup);
    m_backup = nullptr;
    const quint64 generation = ++m_sealGeneration;
    try {
        m_sealer = std::thread([this, generation, target = m_target, temp = m_tempPath, name = m_finalPath,
                                log = m_logName, folder = m_options.folder, keep = m_options.keep] {
            m_sealError = sealCopy(target, temp, name, log, folder, keep);
            // Only for this sealer: one joined at close must not make a later call wait.
            QMetaObject::invokeMethod(
                this,
                [this, generation] {
                    if (generation == m_sealGeneration)
                        afterSeal();
                },
                Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        sealHere(); // no thread to be had: the disk's wait is taken here, once
    }
}

QString LogBackup::sealHere()
{
    const QString error =
        sealCopy(m_target, m_tempPath, m_finalPath, m_logName, m_options.folder, m_options.keep);
    m_target = nullptr;
    m_tempPath.clear();
    concluded(error);
    return error;
}

void LogBackup::afterSeal()
{
    if (!m_sealer.joinable())
        return;
    m_sealer.join();
    m_target = nullptr;
    m_tempPath.clear();
    concluded(m_sealError);
}

void LogBackup::concluded(const QString& error)
{
    if (!error.isEmpty()) {
        report(error);
        return;
    }
    m_copiedMark = m_copyingMark;
    m_reported = false;
    emit copied(m_finalPath);
}

void LogBackup::abandon()
{
    if (m_sealer.joinable())
        return; // the sealer owns the copy now
    if (m_backup)
        sqlite3_backup_finish(m_backup);
    m_backup = nullptr;
    if (m_target)
        sqlite3_close(m_target);
    m_target = nullptr;
    if (!m_tempPath.isEmpty())
        QFile::remove(m_tempPath);
    m_tempPath.clear();
}

QString LogBackup::copyNowIfChanged()
{
    try {
        afterSeal(); // a copy being sealed is waited for
        if (!copying() && changeMark() == m_copiedMark)
            return QString();
        if (!copying()) {
            const QString error = begin();
            if (!error.isEmpty())
                return error;
        }
        const int rc = sqlite3_backup_step(m_backup, -1); // all that is left, at once
        if (rc != SQLITE_DONE) {
            abandon();
            return QString::fromUtf8(sqlite3_errstr(rc));
        }
        sqlite3_backup_finish(m_backup);
        m_backup = nullptr;
        return sealHere();
    } catch (const KovraError& e) {
        abandon();
        return e.message();
    } catch (const std::exception& e) {
        abandon();
        return QString::fromLocal8Bit(e.what());
    }
}

void LogBackup::report(const QString& message)
{
    if (m_reported)
        return;
    m_reported = true;
    emit failed(QStringLiteral("Резервная копия журнала не сделана: ") + message);
}
