#include "store/logbackup.h"
#include "support/fakes.h"
#include "support/tempdatabase.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

// Rolling copies of the log: whole, named by time, the newest kept, failures said once.
class TestLogBackup : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void copyInStepsWhileSaving();
    void scheduleFollowsTheClock();
    void anotherConnectionsWrites();
    void closeOrEndDuringACopy();
    void noChangeNoCopy();
    void newestAreKept();
    void failureIsSaidOnceAndTriedAgain();
    void defaultsAndSettings();
    void dataFolderWhenBesideCannotBeWritten();

private:
    void save(const QString& call);
    QStringList copies() const;
    // What the sqlite3 client says of a copy.
    static QString client(const QString& path, const QString& sql);
    // Lets the stepped copy run to its end.
    bool waitForCopy(LogBackup& backup);
    // Moves the clock on and lets the schedule look at it.
    void pass(LogBackup& backup, int seconds);
    // No copy a second before `seconds` have passed, one begun then and finished.
    bool copyBeginsAfter(LogBackup& backup, int seconds);

    std::unique_ptr<TempDatabase> m_file;
    FakePrompts m_prompts;
    std::unique_ptr<LogStore> m_store;
    QString m_folder;
    FakeClock m_clock;
};

void TestLogBackup::init()
{
    m_file = std::make_unique<TempDatabase>();
    m_store = m_file->openStore(m_prompts);
    m_store->openSettingCursors();
    m_folder = m_file->folder() + "/backups";
}

void TestLogBackup::cleanup()
{
    m_store.reset();
    m_file.reset();
}

void TestLogBackup::save(const QString& call)
{
    m_store->db().exec(
        QString("INSERT INTO ContestList (IdContest, IdBand, ContestListCall) VALUES (1, 144, '%1')")
            .arg(call));
}

QStringList TestLogBackup::copies() const
{
    return QDir(m_folder).entryList({"Kovra-*Z.db"}, QDir::Files, QDir::Name);
}

QString TestLogBackup::client(const QString& path, const QString& sql)
{
    QProcess sqlite;
    sqlite.start("sqlite3", {path, sql});
    sqlite.waitForFinished(30000);
    return QString::fromUtf8(sqlite.readAllStandardOutput()).trimmed();
}

bool TestLogBackup::waitForCopy(LogBackup& backup)
{
    return QTest::qWaitFor([&] { return !backup.copying(); }, 30000);
}

void TestLogBackup::pass(LogBackup& backup, int seconds)
{
    m_clock.current = m_clock.current.addSecs(seconds);
    backup.checkSchedule();
}

bool TestLogBackup::copyBeginsAfter(LogBackup& backup, int seconds)
{
    pass(backup, seconds - 1);
    if (backup.copying())
        return false;
    pass(backup, 1);
    return backup.copying() && waitForCopy(backup);
}

void TestLogBackup::copyInStepsWhileSaving()
{
    for (int i = 0; i < 300; ++i)
        save(QString("UA3A%1").arg(i));
    LogBackup backup(m_store->db(), m_clock, {5, m_folder, 24});
    QSignalSpy copied(&backup, &LogBackup::copied);
    backup.setPagesPerStep(1);
    backup.start();
    save("BEFORE");
    pass(backup, 5 * 60);
    QVERIFY(backup.copying());
    // A save in the middle of the copy goes through at once; the copy then holds it too.
    QElapsedTimer saving;
    saving.start();
    save("DURING");
    QVERIFY2(saving.elapsed() < 200, qPrintable(QString::number(saving.elapsed())));
    QVERIFY(waitForCopy(backup));
    QCOMPARE(copied.size(), 1);
    const QString path = copied.first().first().toString();
    QCOMPARE(QFileInfo(path).fileName(), "Kovra-20260715-100500-000Z.db"); // the clock's UTC
    // One file, not a write-ahead log like the live log: the header says so before any
    // client opens the copy (and would take a log beside it away on closing).
    QFile header(path);
    QVERIFY(header.open(QIODevice::ReadOnly));
    QCOMPARE(int(header.read(20).at(18)), 1);
    header.close();
    QCOMPARE(client(path, "PRAGMA integrity_check"), "ok");
    QCOMPARE(client(path, "SELECT COUNT(*) FROM ContestList"), "302");
    QCOMPARE(QDir(m_folder).entryList(QDir::Files | QDir::Hidden), QStringList{QFileInfo(path).fileName()});
}

void TestLogBackup::scheduleFollowsTheClock()
{
    LogBackup backup(m_store->db(), m_clock, {5, m_folder, 24});
    QSignalSpy copied(&backup, &LogBackup::copied);
    backup.start();
    save("A");
    QVERIFY(copyBeginsAfter(backup, 5 * 60));
    pass(backup, 5 * 60); // nothing changed since
    QVERIFY(!backup.copying());
    save("B");
    pass(backup, 4 * 60);
    QVERIFY(!backup.copying());
    pass(backup, 63); // checked late: the next one is still due at the whole interval
    QVERIFY(backup.copying());
    QVERIFY(waitForCopy(backup));
    save("C");
    QVERIFY(copyBeginsAfter(backup, 5 * 60 - 3));
    // Set back an hour, the clock counts the interval again from its new time.
    save("D");
    pass(backup, -3600);
    QVERIFY(copyBeginsAfter(backup, 5 * 60));
    // After three hours asleep, the copy is due at once, and the next a whole interval later.
    save("E");
    pass(backup, 3 * 3600);
    QVERIFY(backup.copying());
    QVERIFY(waitForCopy(backup));
    save("F");
    QVERIFY(copyBeginsAfter(backup, 5 * 60));
    QCOMPARE(copied.size(), 6);
}

void TestLogBackup::closeOrEndDuringACopy()
{
    for (int i = 0; i < 300; ++i)
        save(QString("UA3A%1").arg(i));
    QStringList copied;
    {
        LogBackup backup(m_store->db(), m_clock, {5, m_folder, 24});
        connect(&backup, &LogBackup::copied, this, [&](const QString& path) { copied << path; });
        QSignalSpy failed(&backup, &LogBackup::failed);
        backup.setPagesPerStep(1);
        backup.start();
        save("A");
        pass(backup, 5 * 60);
        QCoreApplication::processEvents();
        QVERIFY(backup.copying());
        // Not done a whole interval later (no events ran): given up, said, begun again.
        save("B");
        pass(backup, 5 * 60);
        QCOMPARE(failed.size(), 1);
        QVERIFY(failed.first().first().toString().contains("не закончена"));
        QVERIFY(backup.copying());
        // Closing in the middle of it finishes it at once.
        save("C");
        QCOMPARE(backup.copyNowIfChanged(), QString());
        QCOMPARE(copied.size(), 1);
        QCOMPARE(client(copied.first(), "SELECT COUNT(*) FROM ContestList"), "303");
        // Ended in the middle of the next one: no copy and no temporary file is left.
        save("D");
        pass(backup, 5 * 60);
        QCoreApplication::processEvents();
        QVERIFY(backup.copying());
    }
    QCOMPARE(copied.size(), 1);
    QCOMPARE(QDir(m_folder).entryList(QDir::Files | QDir::Hidden),
             QStringList{QFileInfo(copied.first()).fileName()});
}

void TestLogBackup::anotherConnectionsWrites()
{
    for (int i = 0; i < 300; ++i)
        save(QString("UA3A%1").arg(i));
    LogBackup backup(m_store->db(), m_clock, {5, m_folder, 24});
    QSignalSpy copied(&backup, &LogBackup::copied);
    backup.setPagesPerStep(1);
    backup.start();
    // Only another connection wrote: still a change worth a copy.
    m_file->sqlite("INSERT INTO ContestList (IdContest, IdBand, ContestListCall) VALUES (1, 144, 'OTHER1')");
    pass(backup, 5 * 60);
    QVERIFY(backup.copying());
    QCoreApplication::processEvents(); // some pages are copied
    QVERIFY(backup.copying());
    // Written by another connection in the middle: the copy starts over and holds it.
    m_file->sqlite("INSERT INTO ContestList (IdContest, IdBand, ContestListCall) VALUES (1, 144, 'OTHER2')");
    QVERIFY(waitForCopy(backup));
    QCOMPARE(copied.size(), 1);
    const QString path = copied.first().first().toString();
    QCOMPARE(client(path, "PRAGMA integrity_check"), "ok");
    QCOMPARE(client(path, "SELECT COUNT(*) FROM ContestList WHERE ContestListCall LIKE 'OTHER_'"), "2");
    QCOMPARE(client(path, "SELECT COUNT(*) FROM ContestList"), "302");
}

void TestLogBackup::noChangeNoCopy()
{
    LogBackup backup(m_store->db(), m_clock, {5, m_folder, 24});
    backup.start();
    pass(backup, 5 * 60);
    QVERIFY(!backup.copying());
    QCOMPARE(backup.copyNowIfChanged(), QString());
    QVERIFY2(copies().isEmpty(), qPrintable(copies().join(",")));
    save("ONE");
    QCOMPARE(backup.copyNowIfChanged(), QString()); // at close, whole
    QCOMPARE(copies().size(), 1);
    QCOMPARE(client(m_folder + "/" + copies().first(), "SELECT ContestListCall FROM ContestList"), "ONE");
}

void TestLogBackup::newestAreKept()
{
    LogBackup backup(m_store->db(), m_clock, {5, m_folder, 3});
    // Another log's copies and other files share the folder; they are not ours to prune.
    QDir().mkpath(m_folder);
    const QStringList others{"Kovra-19990101-000000-000Z.db.bak", "field-20200101-000000-000Z.db",
                             "notes.txt"};
    for (const QString& name : others) {
        QFile other(m_folder + "/" + name);
        QVERIFY(other.open(QIODevice::WriteOnly));
    }
    backup.start();
    QStringList made;
    QSignalSpy copied(&backup, &LogBackup::copied);
    for (int i = 0; i < 5; ++i) {
        save(QString("K%1").arg(i));
        QCOMPARE(backup.copyNowIfChanged(), QString());
        m_clock.current = m_clock.current.addMSecs(1); // names differ by the millisecond
    }
    for (const QList<QVariant>& signal : std::as_const(copied))
        made << QFileInfo(signal.first().toString()).fileName();
    QCOMPARE(copies(), made.mid(2));
    for (const QString& name : others)
        QVERIFY2(QFile::exists(m_folder + "/" + name), qPrintable(name));
}

void TestLogBackup::failureIsSaidOnceAndTriedAgain()
{
    QFile plain(m_file->folder() + "/plain");
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    LogBackup backup(m_store->db(), m_clock, {5, m_file->folder() + "/plain/backups", 24});
    QSignalSpy failed(&backup, &LogBackup::failed);
    QSignalSpy copied(&backup, &LogBackup::copied);
    backup.start();
    save("A");
    pass(backup, 5 * 60);
    save("B");
    pass(backup, 5 * 60);
    QCOMPARE(failed.size(), 1); // said once, not at every interval
    QVERIFY(failed.first().first().toString().startsWith("Резервная копия журнала не сделана: "));
    QVERIFY(!backup.copying());
    // Once the folder can be made, the next interval copies, and a later failure is said again.
    QVERIFY(QFile::remove(plain.fileName()));
    pass(backup, 5 * 60);
    QVERIFY(waitForCopy(backup));
    QCOMPARE(copied.size(), 1);
    QVERIFY(QDir(m_file->folder() + "/plain").removeRecursively());
    QVERIFY(plain.open(QIODevice::WriteOnly));
    save("C");
    pass(backup, 5 * 60);
    QCOMPARE(failed.size(), 2);
}

void TestLogBackup::defaultsAndSettings()
{
    LogBackup::Options o = LogBackup::optionsFrom(*m_store);
    QCOMPARE(o.minutes, 5);
    QCOMPARE(o.keep, 24);
    QCOMPARE(o.folder, m_folder);
    m_file->sqlite(
        "INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('BackupMinutes', 1), ('BackupKeep', 2);"
        "INSERT INTO Setting (SettingName, SettingParamStr) VALUES ('BackupFolder', '/tmp/elsewhere');");
    m_store = m_file->openStore(m_prompts);
    m_store->openSettingCursors();
    o = LogBackup::optionsFrom(*m_store);
    QCOMPARE(o.minutes, 1);
    QCOMPARE(o.keep, 2);
    QCOMPARE(o.folder, "/tmp/elsewhere");
}

void TestLogBackup::dataFolderWhenBesideCannotBeWritten()
{
    QStandardPaths::setTestModeEnabled(true);
    QFile blocker(m_folder); // a plain file where the folder would be
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QCOMPARE(LogBackup::optionsFrom(*m_store).folder, data + "/backups");
    LogBackup backup(m_store->db(), m_clock, LogBackup::optionsFrom(*m_store));
    backup.start();
    save("A");
    QCOMPARE(backup.copyNowIfChanged(), QString());
    const QStringList made = QDir(data + "/backups").entryList({"Kovra-*Z.db"}, QDir::Files);
    QCOMPARE(made.size(), 1);
    QVERIFY(QDir(data + "/backups").removeRecursively());
}

QTEST_GUILESS_MAIN(TestLogBackup)
#include "tst_logbackup.moc"
