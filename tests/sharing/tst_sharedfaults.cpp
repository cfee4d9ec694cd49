#include "support/dummyrotctld.h"
#include "support/privatepostgres.h"
#include "support/sharedposition.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QtTest>

#include <signal.h>

// The faults a shared log must survive, with a real server: two positions logging at once,
// the server stopped at once in the middle, a position killed between its local commit and
// its push, and a server that does not answer.
class TestSharedFaults : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void twoPositionsLogAtOnce_data();
    void twoPositionsLogAtOnce();
    void aKilledPositionSendsEachContactOnce();
    void aServerThatDoesNotAnswerLeavesLoggingHere();
    void aPositionStoppedInsideATransactionLetsItsBandGo();
    void aServerThatDropsEachConnectionIsTriedLessOftenAndNotSaidReached();

private:
    // The serials of a band at a position, as a list "1,2,3...".
    static QString serials(SharedPosition& p, qint32 band);
    QString onServer(const QString& contest, const QString& what);

    PrivatePostgres m_server;
};

void TestSharedFaults::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.error()));
}

QString TestSharedFaults::serials(SharedPosition& p, qint32 band)
{
    return p
        .column(
            QString(
                "SELECT group_concat(ContestListSendNum) FROM (SELECT ContestListSendNum FROM ContestList "
                "WHERE IdBand = %1 ORDER BY 1)")
                .arg(band))
        .value(0)
        .toString();
}

QString TestSharedFaults::onServer(const QString& contest, const QString& what)
{
    return m_server
        .superSql({QString("SELECT %1 FROM kovra_contact WHERE contest = '%2'").arg(what, contest)})
        .value_or("?");
}

void TestSharedFaults::twoPositionsLogAtOnce_data()
{
    QTest::addColumn<bool>("stopServer");
    QTest::newRow("server up") << false;
    QTest::newRow("server stopped at once midway") << true;
}

void TestSharedFaults::twoPositionsLogAtOnce()
{
    QFETCH(bool, stopServer);
    constexpr int kEach = 500;
    SharedPosition a("Палатка 1");
    SharedPosition b("Палатка 2");
    a.connectTo(m_server);
    b.connectTo(m_server);
    QVERIFY(a.waitOnline());
    QVERIFY(b.waitOnline());
    QVERIFY(a.share());
    QVERIFY(b.join(a));
    QVERIFY(a.takeBand(144));
    QVERIFY(b.takeBand(432));
    const QString contest = *a.shared->journal().contestUuid(a.contestId);
    for (int i = 1; i <= kEach; ++i) {
        if (stopServer && i == kEach / 2)
            QVERIFY(m_server.stop(true));
        QCOMPARE(a.save(QString("UA%1A").arg(i), 144).kind, SaveOutcome::Saved);
        QCOMPARE(b.save(QString("RA%1B").arg(i), 432).kind, SaveOutcome::Saved);
        QCoreApplication::processEvents(); // the windows' turn between contacts
    }
    // No box per save, and no box at all.
    QCOMPARE(a.fakes.prompts.texts(), QStringList());
    QCOMPARE(b.fakes.prompts.texts(), QStringList());
    if (!stopServer) {
        // The workers took the other's contacts while the windows saved: nothing to say.
        for (SharedPosition* p : {&a, &b}) {
            QStringList said = p->notices;
            said.removeAll(QString());
            QCOMPARE(said, QStringList());
        }
    }
    if (stopServer) {
        QTRY_VERIFY_WITH_TIMEOUT(a.shared->status().startsWith("Общий лог: нет связи, ждут отправки"), 20000);
        QVERIFY2(m_server.start(), qPrintable(m_server.error()));
    }
    QTRY_COMPARE_WITH_TIMEOUT(a.count(), qint64(2 * kEach), 60000);
    QTRY_COMPARE_WITH_TIMEOUT(b.count(), qint64(2 * kEach), 60000);
    QTRY_COMPARE_WITH_TIMEOUT(a.shared->status(), QString("Общий лог: подключено"), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(b.shared->status(), QString("Общий лог: подключено"), 20000);
    QCOMPARE(onServer(contest, "count(*)"), QString::number(2 * kEach));
    QCOMPARE(onServer(contest, "count(DISTINCT (band, sent_num))"), QString::number(2 * kEach));
    QStringList expected;
    for (int i = 1; i <= kEach; ++i)
        expected << QString::number(i);
    for (SharedPosition* p : {&a, &b}) {
        QCOMPARE(serials(*p, 144), expected.join(','));
        QCOMPARE(serials(*p, 432), expected.join(','));
        QCOMPARE(p->column("SELECT COUNT(DISTINCT ContestListUuid) FROM ContestList"),
                 QVariantList{2 * kEach});
    }
    const QString rows =
        "SELECT group_concat(x, ';') FROM (SELECT ContestListUuid || ContestListCall || IdBand || "
        "ContestListSendNum || ContestListVersion AS x FROM ContestList ORDER BY 1)";
    QCOMPARE(a.column(rows), b.column(rows));
}

void TestSharedFaults::aKilledPositionSendsEachContactOnce()
{
    quint32 seed = qgetenv("KOVRA_KILL_SEED").toUInt();
    if (seed == 0)
        seed = QRandomGenerator::global()->generate();
    qInfo("seed %u (set KOVRA_KILL_SEED to repeat)", seed);
    QRandomGenerator random(seed);
    SharedPosition a("Палатка 1");
    SharedPosition b("Палатка 2");
    a.connectTo(m_server);
    b.connectTo(m_server);
    QVERIFY(a.waitOnline());
    QVERIFY(b.waitOnline());
    QVERIFY(a.share());
    QVERIFY(b.join(a));
    QVERIFY(a.takeBand(144));
    const QString contest = *a.shared->journal().contestUuid(a.contestId);
    a.close(); // the program runs as a child from now on, on the same log file

    QStringList acknowledged;
    int kills = 0;
    int unsent = 0;
    for (int round = 0; round < 8; ++round) {
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("PGPASSWORD", m_server.password());
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationDirPath() + "/kovra_sharechild",
                    {a.file.path(), QString::number(a.contestId), QString::number(a.count() + 1), "30"});
        QVERIFY(child.waitForStarted());
        QByteArray output;
        while (!output.contains("READY") && child.waitForReadyRead(30000))
            output += child.readAllStandardOutput();
        QVERIFY2(output.contains("READY"), output.constData());
        // Killed somewhere in the burst: before a push, during one, or before the outbox is emptied.
        if (!child.waitForFinished(int(random.bounded(20, 200)))) {
            child.kill();
            QVERIFY(child.waitForFinished());
            ++kills;
        } else {
            QCOMPARE(child.exitCode(), 0);
        }
        output += child.readAllStandardOutput();
        for (const QByteArray& line : output.split('\n')) {
            if (line.startsWith("SAVED "))
                acknowledged << QString::fromLatin1(line.mid(6));
        }
        QCOMPARE(a.column("PRAGMA integrity_check"), QVariantList{"ok"});
        unsent += a.column("SELECT COUNT(*) FROM ShareOutbox").value(0).toInt();
    }
    qInfo("%d kills, %lld saves acknowledged, %d left unsent", kills, qlonglong(acknowledged.size()), unsent);
    QVERIFY(kills > 0);
    QVERIFY(unsent > 0); // some were killed between the local commit and the push

    // Started again: what waited in the outbox goes, once.
    a.reopen();
    a.connectTo(m_server);
    QTRY_COMPARE_WITH_TIMEOUT(a.column("SELECT COUNT(*) FROM ShareOutbox"), QVariantList{0}, 30000);
    const qint64 logged = a.count();
    QVERIFY(logged >= acknowledged.size());
    QTRY_COMPARE_WITH_TIMEOUT(b.count(), logged, 30000);
    QCOMPARE(onServer(contest, "count(*)"), QString::number(logged));
    QCOMPARE(onServer(contest, "count(DISTINCT call)"), QString::number(logged));
    for (const QString& call : std::as_const(acknowledged)) {
        QCOMPARE(b.count(QString("ContestListCall = '%1'").arg(call)), qint64(1));
        QCOMPARE(onServer(contest, QString("count(*) FILTER (WHERE call = '%1')").arg(call)), QString("1"));
    }
    QStringList expected;
    for (int i = 1; i <= logged; ++i)
        expected << QString::number(i);
    QCOMPARE(serials(b, 144), expected.join(','));
}

void TestSharedFaults::aServerThatDoesNotAnswerLeavesLoggingHere()
{
    SharedPosition a("Палатка 1");
    a.connectTo(m_server);
    QVERIFY(a.waitOnline());
    QVERIFY(a.share());
    QVERIFY(a.takeBand(144));
    // The address now names a server that takes the connection and never answers.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    ShareSettings settings = a.shared->settings();
    settings.address.port = silent.serverPort();
    settings.save(*a.store);
    QElapsedTimer took;
    took.start();
    a.shared->apply(settings, m_server.password());
    QCOMPARE(a.save("UA3AAA").kind, SaveOutcome::Saved); // its band: no wait, no box
    QVERIFY(took.elapsed() < 1000);
    // "Сохранить" again while the worker waits for the silent server: the window does not wait.
    QTest::qWait(300);
    took.restart();
    a.shared->apply(settings, m_server.password());
    QVERIFY2(took.elapsed() < 500, qPrintable(QString::number(took.elapsed())));
    QTRY_VERIFY_WITH_TIMEOUT(!a.notices.isEmpty() &&
                                 a.notices.last().contains("нет связи с сервером 127.0.0.1:" +
                                                           QString::number(silent.serverPort())),
                             20000);
    QTRY_COMPARE_WITH_TIMEOUT(a.shared->status(), QString("Общий лог: нет связи, ждут отправки 1"), 20000);
    QCOMPARE(a.fakes.prompts.texts(), QStringList());
}

void TestSharedFaults::aPositionStoppedInsideATransactionLetsItsBandGo()
{
    SharedPosition a("Палатка 1");
    SharedPosition b("Палатка 2");
    a.connectTo(m_server);
    b.connectTo(m_server);
    QVERIFY(a.waitOnline());
    QVERIFY(b.waitOnline());
    QVERIFY(a.share());
    QVERIFY(b.join(a));
    const QString contest = *a.shared->journal().contestUuid(a.contestId);
    // A position that hangs while it takes 144 MHz: it holds the lease row's lock in an open
    // transaction and is stopped, its socket still answering the keepalives.
    constexpr int kIdleMs = 2000;
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("PGPASSWORD", m_server.password());
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationDirPath() + "/kovra_sharechild",
                {"hold-lease", m_server.host(), QString::number(m_server.port()), m_server.database(),
                 m_server.user(), contest, "144", QString::number(kIdleMs)});
    QVERIFY(child.waitForStarted());
    QByteArray output;
    while (!output.contains("LOCKED") && child.waitForReadyRead(30000))
        output += child.readAllStandardOutput();
    QVERIFY2(output.contains("LOCKED"), output.constData());
    QCOMPARE(::kill(pid_t(child.processId()), SIGSTOP), 0);
    // The server ends the stopped session, and with it the lock: the band is taken without
    // the lock's wait running out.
    QElapsedTimer took;
    took.start();
    QVERIFY(b.takeBand(144));
    QVERIFY2(took.elapsed() < kIdleMs + 4000, qPrintable(QString::number(took.elapsed())));
    QCOMPARE(b.save("RA1AAA").kind, SaveOutcome::Saved);
    child.kill();
    QVERIFY(child.waitForFinished());
}

void TestSharedFaults::aServerThatDropsEachConnectionIsTriedLessOftenAndNotSaidReached()
{
    SharedPosition a("Палатка 1");
    a.options.firstRetryMs = 200;
    a.options.lastRetryMs = 3200;
    a.options.steadyMs = 2500;
    a.connectTo(m_server);
    QVERIFY(a.waitOnline());
    QVERIFY(a.share());
    QVERIFY(a.takeBand(144));
    QTest::qWait(a.options.steadyMs); // the first connection has stayed
    const auto sessions = [this] {
        return m_server
            .superSql({"SELECT sessions FROM pg_stat_database WHERE datname = 'kovra'"}, "postgres")
            .value_or("-1")
            .toInt();
    };
    // From now on the server takes each connection and ends it once it has waited idle for
    // 300 ms: each connection is made, goes through its round and is dropped.
    QVERIFY(m_server.superSql({"ALTER ROLE " + m_server.user() + " SET idle_session_timeout = 300",
                               "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE "
                               "application_name = 'Kovra log'"}));
    const int before = sessions();
    const qsizetype statusesBefore = a.statuses.size();
    const qsizetype noticesBefore = a.notices.size();
    QTest::qWait(8000);
    const int made = sessions() - before;
    const QStringList statuses = a.statuses.mid(statusesBefore);
    const QStringList notices = a.notices.mid(noticesBefore);
    QVERIFY(m_server.superSql({"ALTER ROLE " + m_server.user() + " RESET idle_session_timeout"}));
    // The delay grows (200, 400, 800... ms): a handful of connections, not one every half second.
    QVERIFY2(made >= 3 && made <= 7, qPrintable(QString::number(made)));
    // The hint bar says the link is down once it has dropped soon after connecting, and stays
    // so: "connected" at most for the first connection after the one that had stayed.
    QVERIFY2(statuses.count("Общий лог: подключено") <= 1, qPrintable(statuses.join(" | ")));
    QVERIFY2(a.shared->status().startsWith("Общий лог: нет связи"), qPrintable(statuses.join(" | ")));
    QVERIFY2(notices.count(QString()) <= 1, qPrintable(notices.join(" | ")));
    QVERIFY(!notices.isEmpty() && notices.last().contains("нет связи с сервером"));
    // Contacts still go whenever a connection is made.
    QCOMPARE(a.save("UA3AAA").kind, SaveOutcome::Saved);
    QTRY_COMPARE_WITH_TIMEOUT(a.column("SELECT COUNT(*) FROM ShareOutbox"), QVariantList{0}, 20000);

    // A server that keeps the connection again: the link is said once it has stayed.
    QVERIFY(m_server.superSql({"SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE "
                               "application_name = 'Kovra log'"}));
    QTRY_COMPARE_WITH_TIMEOUT(a.shared->status(), QString("Общий лог: подключено"), 20000);
    QCOMPARE(a.notices.last(), QString());
}

QTEST_GUILESS_MAIN(TestSharedFaults)
#include "tst_sharedfaults.moc"
