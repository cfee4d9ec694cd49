#include "store/logbackup.h"

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

#include <algorithm>

namespace {

constexpr int kMinutesMs = 60 * 1000;
constexpr int kLongestMinutes = 24 * 60; // a QTimer interval must stay within an int
constexpr int kBusyRetryMs = 200;

QString sqliteError(sqlite3* db)
{
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
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

LogBackup::LogBackup(Database& db, Options options, QObject* parent)
    : QObject(parent), m_db(db), m_options(std::move(options)), m_interval(new QTimer(this))
{
    m_interval->setInterval(std::clamp(m_options.minutes, 1, kLongestMinutes) * kMinutesMs);
    connect(m_interval, &QTimer::timeout, this, &LogBackup::intervalPassed);
}

LogBackup::~LogBackup()
{
    abandon();
}

void LogBackup::start()
{
    m_copiedMark = changeMark(); // what is there at start needs no copy until it changes
    m_interval->start();
}

std::pair<qint64, qint64> LogBackup::changeMark() const
{
    const ResultSet version = m_db.queryNative(QStringLiteral("PRAGMA data_version"));
    const qint64 others = version.rows.empty() ? 0 : version.rows[0][0].toInt();
    return {sqlite3_total_changes64(m_db.nativeHandle()), others};
}

void LogBackup::intervalPassed()
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
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    m_finalPath = QDir(m_options.folder).filePath(QStringLiteral("Kovra-%1Z.db").arg(stamp));
    m_tempPath = QDir(m_options.folder).filePath(QStringLiteral(".Kovra-%1Z.db.tmp").arg(stamp));
    m_copyingMark = changeMark();
    // Leftovers of a copy cut short by a crash take room and serve nothing.
    QDir folder(m_options.folder);
    for (const QString& stale :
         folder.entryList({QStringLiteral(".Kovra-*.db.tmp*")}, QDir::Files | QDir::Hidden))
        folder.remove(stale);
    if (sqlite3_open_v2(QFile::encodeName(m_tempPath).constData(), &m_target,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        const QString error = sqliteError(m_target);
        abandon();
        return error;
    }
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
    const QString error = finish();
    if (!error.isEmpty())
        report(error);
}

QString LogBackup::finish()
{
    sqlite3_backup_finish(m_backup);
    m_backup = nullptr;
    // A copy is one file: no write-ahead log beside it when it is opened later.
    sqlite3_exec(m_target, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr);
    const int rc = sqlite3_close(m_target);
    m_target = nullptr;
    const bool renamed = rc == SQLITE_OK && QFile::rename(m_tempPath, m_finalPath);
    if (!renamed)
        QFile::remove(m_tempPath);
    m_tempPath.clear();
    if (!renamed)
        return QStringLiteral("не удалось записать %1").arg(m_finalPath);
    m_copiedMark = m_copyingMark;
    m_reported = false;
    // The newest ones stay; the names sort by their UTC time.
    // Only the copies this program named; other files in the folder stay.
    static const QRegularExpression ours(QStringLiteral("^Kovra-\\d{8}-\\d{6}-\\d{3}Z\\.db$"));
    QDir folder(m_options.folder);
    QStringList copies;
    for (const QString& name :
         folder.entryList({QString::fromLatin1(kNamePattern)}, QDir::Files, QDir::Name | QDir::Reversed)) {
        if (ours.match(name).hasMatch())
            copies << name;
    }
    for (qsizetype i = m_options.keep; i < copies.size(); ++i)
        folder.remove(copies[i]);
    emit copied(m_finalPath);
    return QString();
}

void LogBackup::abandon()
{
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
        return finish();
    } catch (const KovraError& e) {
        abandon();
        return e.message();
    }
}

void LogBackup::report(const QString& message)
{
    if (m_reported)
        return;
    m_reported = true;
    emit failed(QStringLiteral("Резервная копия журнала не сделана: ") + message);
}
