#pragma once

#include <QObject>
#include <QString>

#include <utility>

struct sqlite3;
struct sqlite3_backup;
class Database;
class LogStore;
class QTimer;

// Rolling copies of the log, made with SQLite's online backup while the program runs: every
// few minutes when something changed, and at close. A copy is written a few pages at a time
// between events, so a save never waits on it for more than a moment; it goes to a
// temporary file and gets its name (by UTC date and time) only when complete; the newest
// ones are kept. A failed copy is reported once and tried again at the next interval.
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

    LogBackup(Database& db, Options options, QObject* parent = nullptr);
    ~LogBackup() override;

    void start();
    // A copy at once, whole, when something changed since the last one: at close. Returns
    // the failure, or an empty text.
    QString copyNowIfChanged();
    // One interval has passed: a copy begins when something changed.
    void intervalPassed();
    bool copying() const { return m_backup != nullptr; }
    // Pages copied per step between events.
    void setPagesPerStep(int pages) { m_pagesPerStep = pages; }

    static constexpr const char* kNamePattern = "Kovra-*.db";

signals:
    // A copy failed; said once until a copy succeeds again.
    void failed(const QString& message);
    void copied(const QString& path);

private:
    QString begin();
    void step();
    QString finish();
    void abandon();
    void report(const QString& message);
    // What changed the log: this connection's changes and other connections' commits.
    std::pair<qint64, qint64> changeMark() const;

    Database& m_db;
    Options m_options;
    QTimer* m_interval;
    int m_pagesPerStep = 64;
    sqlite3* m_target = nullptr;
    sqlite3_backup* m_backup = nullptr;
    QString m_tempPath;
    QString m_finalPath;
    std::pair<qint64, qint64> m_copiedMark{-1, -1};
    std::pair<qint64, qint64> m_copyingMark{-1, -1};
    bool m_reported = false;
};
