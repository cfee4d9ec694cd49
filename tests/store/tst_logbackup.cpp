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
    void noChangeNoCopy();
    void newestAreKept();
    void failureIsSaidOnceAndTriedAgain();
    void defaultsAndSettings();

private:
    void save(const QString& call);
    QStringList copies() const;
    // What the sqlite3 client says of a copy.
    static QString client(const QString& path, const QString& sql);
    // Lets the stepped copy run to its end.
    bool waitForCopy(LogBackup& backup);

    std::unique_ptr<TempDatabase> m_file;
    FakePrompts m_prompts;
    std::unique_ptr<LogStore> m_store;
    QString m_folder;
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
    return QDir(m_folder).entryList({LogBackup::kNamePattern}, QDir::Files, QDir::Name);
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

void TestLogBackup::copyInStepsWhileSaving()
{
    for (int i = 0; i < 300; ++i)
        save(QString("UA3A%1").arg(i));
    LogBackup backup(m_store->db(), {5, m_folder, 24});
    QSignalSpy copied(&backup, &LogBackup::copied);
    backup.setPagesPerStep(1);
    backup.start();
    save("BEFORE");
    backup.intervalPassed();
    QVERIFY(backup.copying());
    // A save in the middle of the copy goes through at once; the copy then holds it too.
    QElapsedTimer saving;
    saving.start();
    save("DURING");
    QVERIFY2(saving.elapsed() < 200, qPrintable(QString::number(saving.elapsed())));
    QVERIFY(waitForCopy(backup));
    QCOMPARE(copied.size(), 1);
    const QString path = copied.first().first().toString();
    QVERIFY(QFileInfo(path).fileName().startsWith("Kovra-" +
                                                  QDateTime::currentDateTimeUtc().toString("yyyyMMdd")));
    QCOMPARE(client(path, "PRAGMA integrity_check"), "ok");
    QCOMPARE(client(path, "SELECT COUNT(*) FROM ContestList"), "302");
    QCOMPARE(QDir(m_folder).entryList(QDir::Files | QDir::Hidden), QStringList{QFileInfo(path).fileName()});
}

void TestLogBackup::noChangeNoCopy()
{
    LogBackup backup(m_store->db(), {5, m_folder, 24});
    backup.start();
    backup.intervalPassed();
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
    LogBackup backup(m_store->db(), {5, m_folder, 3});
    backup.start();
    QStringList made;
    QSignalSpy copied(&backup, &LogBackup::copied);
    for (int i = 0; i < 5; ++i) {
        save(QString("K%1").arg(i));
        QCOMPARE(backup.copyNowIfChanged(), QString());
        QTest::qWait(2); // names differ by the millisecond
    }
    for (const QList<QVariant>& signal : std::as_const(copied))
        made << QFileInfo(signal.first().toString()).fileName();
    QCOMPARE(copies(), made.mid(2));
}

void TestLogBackup::failureIsSaidOnceAndTriedAgain()
{
    QFile plain(m_file->folder() + "/plain");
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    LogBackup backup(m_store->db(), {5, m_file->folder() + "/plain/backups", 24});
    QSignalSpy failed(&backup, &LogBackup::failed);
    backup.start();
    save("A");
    backup.intervalPassed();
    save("B");
    backup.intervalPassed();
    QCOMPARE(failed.size(), 1); // said once, not at every interval
    QVERIFY(failed.first().first().toString().startsWith("Резервная копия журнала не сделана: "));
    QVERIFY(!backup.copying());
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

QTEST_GUILESS_MAIN(TestLogBackup)
#include "tst_logbackup.moc"
