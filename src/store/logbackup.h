#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>

#include <thread>
#include <utility>

struct sqlite3;
struct sqlite3_backup;
class Clock;
class Database;
class LogStore;
class QTimer;

// Rolling copies of the log, made with SQLite's online backup while the program runs: every
// few minutes by the clock when something changed, and at close. A copy is written a few
// pages at a time between events, so a save never waits on it for more than a moment; it is
// made durable and renamed on a worker thread, so a slow disk holds no save either; it goes
// to a temporary file and gets its name (by UTC date and time) only when complete; the
// newest ones are kept. A failed copy is reported once and tried again at the next interval.
class LogBackup : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        int minutes = 5;
        QString folder;
        int keep = 24;
    };
    // The Setting rows BackupMinutes, BackupFolder and BackupKeep; a missing one is the
    // default. The folder defaults to "backups" beside the log, or in the user's data folder
    // when that cannot be written.
    static Options optionsFrom(LogStore& store);

    LogBackup(Database& db, const Clock& clock, Options options, QObject* parent = nullptr);
    ~LogBackup() override;

    // The first interval counts from now.
    void start();
    // What the timer runs every second: once an interval has passed on the clock, a copy
    // begins when something changed since the last one.
    void checkSchedule();
    // A copy at once, whole, when something changed since the last one: at close. Returns
    // the failure, or an empty text.
    QString copyNowIfChanged();
    bool copying() const { return m_target != nullptr; }
    // The pattern of this log's copies: "<log's name>-<UTC time>Z.db", so that logs sharing
    // a folder keep their copies apart.
    QString namePattern() const { return m_logName + QStringLiteral("-*Z.db"); }
    // Pages copied per step between events.
    void setPagesPerStep(int pages) { m_pagesPerStep = pages; }

signals:
    // A copy failed; said once until a copy succeeds again.
    void failed(const QString& message);
    void copied(const QString& path);

private:
    void beginIfChanged();
    QString begin();
    void step();
    void sealInBackground();
    QString sealHere();
    void afterSeal();
    void concluded(const QString& error);
    void abandon();
    void report(const QString& message);
    // What changed the log: this connection's changes and other connections' commits.
    std::pair<qint64, qint64> changeMark() const;

    Database& m_db;
    const Clock& m_clock;
    Options m_options;
    QString m_logName;
    QTimer* m_schedule;
    QDateTime m_due;
    int m_pagesPerStep = 16;
    sqlite3* m_target = nullptr;
    sqlite3_backup* m_backup = nullptr;
    std::thread m_sealer;
    quint64 m_sealGeneration = 0;
    QString m_sealError; // written by the sealer, read after it is joined
    QString m_tempPath;
    QString m_finalPath;
    std::pair<qint64, qint64> m_copiedMark{-1, -1};
    std::pair<qint64, qint64> m_copyingMark{-1, -1};
    bool m_reported = false;
};
