#include "sharing/pgconnection.h"
#include "sharing/sharedserver.h"
#include "support/dummyrotctld.h"
#include "support/privatepostgres.h"

#include <QTcpServer>
#include <QtTest>
#include <QUuid>

Q_DECLARE_METATYPE(std::optional<QString>)

// The shared log's tables and statements on a real PostgreSQL server of the test's own.
class TestSharedServer : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void theSchemaIsMadeOnceAndANewerOneRefused();
    void changesTravelWithTheLaterVersionWinning();
    void aCommitIsAnnounced();
    void aBandIsHeldByOnePositionUntilItFallsSilent();
    void aLeaseIsAnnouncedOnlyWhenItsHolderChanges();
    void aSecondCopyOfAPositionIsKeptAway();
    void aVanishedContestIsSaid();
    void loginsAndSilenceFailClearly_data();
    void loginsAndSilenceFailClearly();
    void aStatementWaitsNoLongerThanTheAnswerTimeout();
    void aServerRowIsTakenOrRefusedWithItsReason_data();
    void aServerRowIsTakenOrRefusedWithItsReason();

private:
    ServerAddress address(const QString& password) const;
    QString newContest(SharedServer& server);

    PrivatePostgres m_server;
};

namespace {

QString newId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

ContactChange contact(const QString& contest, const QString& position, const QString& call, int serial)
{
    ContactChange c;
    c.uuid = newId();
    c.contest = contest;
    c.version = 1;
    c.editedMs = 1000;
    c.editedBy = position;
    c.position = position;
    c.positionName = "Палатка 1";
    c.fields = {DbValue(144),  DbValue::dateTime(42200.5),
                DbValue(call), DbValue("KO85UR"),
                DbValue(1),    DbValue(serial),
                DbValue(59),   DbValue(5),
                DbValue(59),   DbValue(450.25),
                DbValue(275),  DbValue()};
    return c;
}

} // namespace

ServerAddress TestSharedServer::address(const QString& password) const
{
    return ServerAddress{m_server.host(), m_server.port(), m_server.database(), m_server.user(), password};
}

QString TestSharedServer::newContest(SharedServer& server)
{
    const QString id = newId();
    server.createContest(SharedContest{id, "Полевой день", 42200.0, 42201.0, "144:1;432:2"});
    return id;
}

void TestSharedServer::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.error()));
    PgConnection connection(address(m_server.password()));
    SharedServer(connection).prepareSchema();
}

void TestSharedServer::theSchemaIsMadeOnceAndANewerOneRefused()
{
    PgConnection connection(address(m_server.password()));
    SharedServer server(connection);
    server.prepareSchema(); // made already: nothing changes
    const QString version = "SELECT string_agg(version::text, ',') FROM kovra_schema";
    QCOMPARE(connection.value(version).value_or(""), QString("2"));
    // A server of the first schema is upgraded, and keeps what it has.
    const QString position = newId();
    server.registerPosition(position, "Палатка 1");
    QVERIFY(m_server.superSql(
        {"ALTER TABLE kovra_position DROP COLUMN copy", "UPDATE kovra_schema SET version = 1"}));
    server.prepareSchema();
    QCOMPARE(connection.value(version).value_or(""), QString("2"));
    QCOMPARE(connection.value("SELECT name || '/' || COALESCE(copy, '-') FROM kovra_position WHERE uuid = $1",
                              {position}),
             std::optional<QString>("Палатка 1/-"));
    QVERIFY(m_server.superSql({"UPDATE kovra_schema SET version = 99"}));
    try {
        server.prepareSchema();
        QFAIL("a newer schema was taken");
    } catch (const PgError& e) {
        QCOMPARE(e.kind(), PgError::SchemaTooNew);
        QVERIFY2(e.message().contains("схема 99") && e.message().contains("обновите программу"),
                 qPrintable(e.message()));
    }
    QVERIFY(m_server.superSql({"UPDATE kovra_schema SET version = 2"}));
}

void TestSharedServer::changesTravelWithTheLaterVersionWinning()
{
    PgConnection connection(address(m_server.password()));
    SharedServer server(connection);
    const QString first = newId();
    const QString second = newId();
    server.registerPosition(first, "Палатка 1");
    server.registerPosition(second, "Палатка 2");
    const QString contest = newContest(server);

    // Values are bound, never pasted: a call that is SQL stays a call.
    ContactChange a = contact(contest, first, "O'BRIEN'); DROP TABLE kovra_contact; --", 1);
    ContactChange b = contact(contest, first, "UA3ABC", 2);
    const auto pushed = server.push({a, b});
    QCOMPARE(pushed.size(), size_t(2));
    QCOMPARE(pushed[0].kind, PushOutcome::Applied);
    const std::vector<ContactChange> pulled = server.changesAfter(contest, 0, 100);
    QCOMPARE(pulled.size(), size_t(2));
    QCOMPARE(pulled[0].uuid, a.uuid);
    QVERIFY(pulled[0].fields == a.fields);
    QVERIFY(pulled[0].change < pulled[1].change);
    QCOMPARE(pulled[1].positionName, QString("Палатка 1"));
    QCOMPARE(server.changesWaiting(contest, pulled[0].change), qint64(1));

    // Pushed again after a crash before the outbox was emptied: nothing changes.
    QCOMPARE(server.push({a})[0].kind, PushOutcome::AlreadyThere);
    QCOMPARE(server.changesWaiting(contest, pulled[1].change), qint64(0));

    // Two edits of one contact: the later one stays, whichever comes last.
    ContactChange later = a;
    later.version = 2;
    later.editedMs = 5000;
    later.editedBy = second;
    later.fields[2] = DbValue("UA3LATER");
    ContactChange earlier = a;
    earlier.version = 2;
    earlier.editedMs = 4000;
    earlier.fields[2] = DbValue("UA3EARLY");
    QCOMPARE(server.push({later})[0].kind, PushOutcome::Applied);
    const PushOutcome lost = server.push({earlier})[0];
    QCOMPARE(lost.kind, PushOutcome::Lost);
    QCOMPARE(lost.winnerName, QString("Палатка 2"));
    ContactChange tombstone = later;
    tombstone.version = 3;
    tombstone.editedMs = 6000;
    tombstone.deleted = true;
    QCOMPARE(server.push({tombstone})[0].kind, PushOutcome::Applied);
    const std::vector<ContactChange> now = server.changesAfter(contest, pulled[1].change, 100);
    QCOMPARE(now.size(), size_t(1));
    QVERIFY(now[0].deleted);
    QCOMPARE(now[0].fields[2], DbValue("UA3LATER"));
    QCOMPARE(now[0].position, first); // who logged it stays
}

void TestSharedServer::aCommitIsAnnounced()
{
    PgConnection listening(address(m_server.password()));
    SharedServer listener(listening);
    listener.listen();
    PgConnection connection(address(m_server.password()));
    SharedServer server(connection);
    const QString position = newId();
    server.registerPosition(position, "Палатка 1");
    const QString contest = newContest(server);
    QVERIFY(listening.waitForNotifications(-1, 100).isEmpty());
    server.push({contact(contest, position, "UA3A", 1), contact(contest, position, "UA3B", 2)});
    QStringList heard;
    QElapsedTimer waited;
    waited.start();
    while (heard.isEmpty() && waited.elapsed() < 5000)
        heard = listening.waitForNotifications(-1, 500);
    QCOMPARE(heard, QStringList{contest}); // once per transaction and contest
}

void TestSharedServer::aBandIsHeldByOnePositionUntilItFallsSilent()
{
    PgConnection connection(address(m_server.password()));
    SharedServer server(connection);
    const QString first = newId();
    const QString second = newId();
    server.registerPosition(first, "Палатка 1");
    server.registerPosition(second, "Палатка 2");
    const QString contest = newContest(server);
    server.push({contact(contest, first, "UA3A", 1), contact(contest, first, "UA3B", 2)});

    QCOMPARE(server.takeLease(contest, 144, first, false).kind, LeaseAnswer::Taken);
    QCOMPARE(server.takeLease(contest, 144, first, false).kind, LeaseAnswer::Taken); // its own again
    const LeaseAnswer held = server.takeLease(contest, 144, second, true);
    QCOMPARE(held.kind, LeaseAnswer::Held);
    QCOMPARE(held.lease.holderName, QString("Палатка 1"));
    QVERIFY(!held.lease.silent);
    QCOMPARE(server.takeLease(contest, 432, second, false).kind, LeaseAnswer::Taken);
    std::vector<BandLease> leases = server.leases(contest);
    QCOMPARE(leases.size(), size_t(2));
    QCOMPARE(leases[1].holderName, QString("Палатка 2"));

    // A minute of silence: taken over only when asked, numbering after the server's last.
    QVERIFY(
        m_server.superSql({"UPDATE kovra_lease SET seen = now() - interval '61 seconds' WHERE band = 144"}));
    QVERIFY(server.leases(contest)[0].silent);
    QCOMPARE(server.takeLease(contest, 144, second, false).kind, LeaseAnswer::Held);
    const LeaseAnswer taken = server.takeLease(contest, 144, second, true);
    QCOMPARE(taken.kind, LeaseAnswer::Taken);
    QCOMPARE(taken.lease.holderName, QString("Палатка 2"));

    // A heartbeat keeps only the leases of the contest the position logs now.
    const QString other = newContest(server);
    QCOMPARE(server.takeLease(other, 144, second, false).kind, LeaseAnswer::Taken);
    QVERIFY(m_server.superSql({"UPDATE kovra_lease SET seen = now() - interval '61 seconds'"}));
    server.heartbeat(second, contest);
    QVERIFY(!server.leases(contest)[0].silent);
    QVERIFY(!server.leases(contest)[1].silent);
    QVERIFY(server.leases(other)[0].silent);
    server.heartbeat(second, QString());
    QVERIFY(server.leases(other)[0].silent);

    server.releaseLease(contest, 432, first); // not its own: stays
    QCOMPARE(server.leases(contest).size(), size_t(2));
    server.releaseLease(contest, 432, second);
    leases = server.leases(contest);
    QCOMPARE(leases.size(), size_t(1));
    QCOMPARE(leases[0].band, 144);
}

void TestSharedServer::aLeaseIsAnnouncedOnlyWhenItsHolderChanges()
{
    PgConnection listening(address(m_server.password()));
    SharedServer listener(listening);
    listener.listen();
    PgConnection connection(address(m_server.password()));
    SharedServer server(connection);
    const QString first = newId();
    const QString second = newId();
    server.registerPosition(first, "Палатка 1");
    server.registerPosition(second, "Палатка 2");
    const QString contest = newContest(server);
    // What the listener hears of one step: the announcements in a while.
    const auto heard = [&] {
        QStringList all;
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 300)
            all += listening.waitForNotifications(-1, 50);
        return all.size();
    };
    QCOMPARE(heard(), 0);
    QCOMPARE(server.takeLease(contest, 144, first, false).kind, LeaseAnswer::Taken);
    QCOMPARE(heard(), 1);
    QCOMPARE(server.takeLease(contest, 144, first, false).kind, LeaseAnswer::Taken); // its own again
    QCOMPARE(heard(), 0);
    QCOMPARE(server.takeLease(contest, 144, second, false).kind, LeaseAnswer::Held);
    QCOMPARE(heard(), 0);
    server.releaseLease(contest, 144, second); // not its own
    QCOMPARE(heard(), 0);
    server.releaseLeases(contest, second);
    QCOMPARE(heard(), 0);
    server.releaseLease(contest, 144, first);
    QCOMPARE(heard(), 1);
    server.releaseLease(contest, 144, first); // free already
    QCOMPARE(heard(), 0);
    QCOMPARE(server.takeLease(contest, 432, second, false).kind, LeaseAnswer::Taken);
    QCOMPARE(heard(), 1);
    server.releaseLeases(contest, second);
    QCOMPARE(heard(), 1);
}

void TestSharedServer::aSecondCopyOfAPositionIsKeptAway()
{
    PgConnection connection(address(m_server.password()));
    SharedServer server(connection);
    const QString position = newId();
    const QString contest = newContest(server);
    const auto taken = [&](const std::function<void()>& step) -> QString {
        try {
            step();
        } catch (const PgError& e) {
            return e.kind() == PgError::PositionTaken ? e.message() : "other: " + e.message();
        }
        return QString();
    };
    server.registerPosition(position, "Палатка 1", "first");
    // A copy of the log file on a second computer, while the first is heard: kept away.
    QCOMPARE(
        taken([&] { server.registerPosition(position, "Палатка 1", "second"); }),
        QString("позиция «Палатка 1» уже на связи с другого компьютера или из другой копии этого файла лога: "
                "пока она на связи, эта в общий лог ничего не отправляет"));
    // The first copy started again is the same copy.
    QCOMPARE(taken([&] { server.registerPosition(position, "Палатка 1", "first"); }), QString());
    QCOMPARE(taken([&] { server.heartbeat(position, contest, "first"); }), QString());

    // Once the first has been silent for a minute, the second may take the id; the first is
    // then kept away in everything it sends.
    QVERIFY(m_server.superSql(
        {"UPDATE kovra_position SET seen = now() - interval '61 seconds' WHERE uuid = '" + position + "'"}));
    QCOMPARE(taken([&] { server.registerPosition(position, "Палатка 1", "second"); }), QString());
    const QString displaced =
        "место позиции «Палатка 1» заняла другая копия её файла лога или другой компьютер: эта "
        "в общий лог больше ничего не отправляет";
    QCOMPARE(taken([&] { server.heartbeat(position, contest, "first"); }), displaced);
    QCOMPARE(taken([&] { server.push({contact(contest, position, "UA3A", 1)}, position, "first"); }),
             displaced);
    QCOMPARE(taken([&] { server.registerPosition(position, "Палатка 1", "first"); }).left(20),
             QString("позиция «Палатка 1» уже на связи").left(20));
    QCOMPARE(server.changesWaiting(contest, 0), qint64(0));
    QCOMPARE(server.push({contact(contest, position, "UA3B", 1)}, position, "second")[0].kind,
             PushOutcome::Applied);
    QCOMPARE(taken([&] { server.heartbeat(position, contest, "second"); }), QString());
}

void TestSharedServer::aVanishedContestIsSaid()
{
    PgConnection connection(address(m_server.password()));
    SharedServer server(connection);
    const QString position = newId();
    server.registerPosition(position, "Палатка 1");
    const QString contest = newContest(server);
    const QString kept = newContest(server);
    QVERIFY(m_server.superSql({QString("DELETE FROM kovra_contest WHERE uuid = '%1'").arg(contest)}));
    const auto outcomes =
        server.push({contact(contest, position, "UA3A", 1), contact(kept, position, "UA3B", 1)});
    QCOMPARE(outcomes[0].kind, PushOutcome::ContestGone);
    QCOMPARE(outcomes[1].kind, PushOutcome::Applied);
    QCOMPARE(server.takeLease(contest, 144, position, false).kind, LeaseAnswer::ContestGone);
    const std::vector<SharedContest> listed = server.contests();
    QVERIFY(std::none_of(listed.begin(), listed.end(),
                         [&](const SharedContest& c) { return c.uuid == contest; }));
    QVERIFY(
        std::any_of(listed.begin(), listed.end(), [&](const SharedContest& c) { return c.uuid == kept; }));
}

void TestSharedServer::loginsAndSilenceFailClearly_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("says");
    QTest::newRow("wrong password") << "wrong" << 0 << int(PgError::LoginRefused) << "password";
    QTest::newRow("no password") << "" << 0 << int(PgError::NeedsPassword) << "password";
    QTest::newRow("nothing listens") << "x" << int(DummyRotctld::freePort()) << int(PgError::Unreachable)
                                     << "127.0.0.1";
    QTest::newRow("silent server") << "x" << -1 << int(PgError::Unreachable) << "timeout";
}

void TestSharedServer::loginsAndSilenceFailClearly()
{
    QFETCH(QString, password);
    QFETCH(int, port);
    QFETCH(int, kind);
    QFETCH(QString, says);
    // Nothing of this machine's own: no password from the environment or a file.
    qunsetenv("PGPASSWORD");
    qputenv("PGPASSFILE", "/nonexistent/.pgpass");
    QTcpServer silent; // takes the connection and never answers
    ServerAddress where = address(password);
    if (port > 0)
        where.port = port;
    if (port < 0) {
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        where.port = silent.serverPort();
    }
    QElapsedTimer took;
    took.start();
    try {
        PgConnection connection(where);
        QFAIL("connected");
    } catch (const PgError& e) {
        QCOMPARE(int(e.kind()), kind);
        QVERIFY2(e.message().contains(says, Qt::CaseInsensitive), qPrintable(e.message()));
    }
    QVERIFY(took.elapsed() < (PgConnection::kConnectTimeoutSeconds + 3) * 1000);
}

void TestSharedServer::aStatementWaitsNoLongerThanTheAnswerTimeout()
{
    PgConnection connection(address(m_server.password()), 1000);
    QElapsedTimer took;
    took.start();
    try {
        connection.exec("SELECT pg_sleep(5)");
        QFAIL("answered");
    } catch (const PgError& e) {
        QCOMPARE(e.kind(), PgError::Timeout);
    }
    QVERIFY(took.elapsed() < 3000);
    QVERIFY(connection.broken());
    try {
        connection.exec("SELECT 1");
        QFAIL("a broken connection was used");
    } catch (const PgError& e) {
        QCOMPARE(e.kind(), PgError::Unreachable);
    }
    // A server stopped at once breaks the statement, which says so.
    PgConnection other(address(m_server.password()));
    QVERIFY(m_server.stop(true));
    try {
        other.exec("SELECT 1");
        QFAIL("answered");
    } catch (const PgError& e) {
        QCOMPARE(e.kind(), PgError::Unreachable);
    }
    QVERIFY2(m_server.start(), qPrintable(m_server.error()));
}

void TestSharedServer::aServerRowIsTakenOrRefusedWithItsReason_data()
{
    // A cell of the row changed: its index (9 on are the contact's fields) and its text (none
    // for NULL); whether the row is a tombstone; why the row is refused (empty: taken).
    QTest::addColumn<int>("cell");
    QTest::addColumn<std::optional<QString>>("value");
    QTest::addColumn<bool>("tombstone");
    QTest::addColumn<QString>("refusal");
    using V = std::optional<QString>;
    constexpr int time = 9 + kDateTimeField;
    constexpr int distance = 9 + kDistanceField;
    constexpr int frequency = 9 + kFrequencyField;
    QTest::newRow("as logged") << 0 << V(newId()) << false << "";
    QTest::newRow("no frequency") << frequency << V() << false << "";
    QTest::newRow("a frequency of 47 GHz") << frequency << V("47088.1") << false << "";
    QTest::newRow("no distance") << distance << V() << false << "";
    QTest::newRow("the farthest place") << distance << V("20037.5") << false << "";
    QTest::newRow("no call to name it by") << 9 + kCallField << V() << false << "";
    QTest::newRow("time not a number") << time << V("NaN") << false << "UA3ABC: время «NaN» не число";
    QTest::newRow("time infinite") << time << V("Infinity") << false << "UA3ABC: время «Infinity» не число";
    QTest::newRow("time before 1900")
        << time << V("-36524") << false << "UA3ABC: время «-36524» вне 1900–9999 годов";
    QTest::newRow("time after 9999") << time << V("2958466") << false
                                     << "UA3ABC: время «2958466» вне 1900–9999 годов";
    QTest::newRow("time a word") << time << V("вчера") << false << "UA3ABC: время «вчера» не число";
    QTest::newRow("distance negative")
        << distance << V("-12.5") << false << "UA3ABC: расстояние -12.5 км невозможно";
    QTest::newRow("distance beyond the earth")
        << distance << V("40075") << false << "UA3ABC: расстояние 40075 км невозможно";
    QTest::newRow("distance not a number")
        << distance << V("NaN") << false << "UA3ABC: расстояние «NaN» не число";
    QTest::newRow("frequency zero") << frequency << V("0") << false << "UA3ABC: частота 0 МГц невозможна";
    QTest::newRow("frequency negative")
        << frequency << V("-144.3") << false << "UA3ABC: частота -144.3 МГц невозможна";
    QTest::newRow("frequency of 1 THz")
        << frequency << V("1000000") << false << "UA3ABC: частота 1000000 МГц невозможна";
    QTest::newRow("frequency infinite")
        << frequency << V("-Infinity") << false << "UA3ABC: частота «-Infinity» не число";
    QTest::newRow("mode a word") << 9 + 4 << V("x") << false << "UA3ABC: вид работы «x» не целое число";
    QTest::newRow("serial beyond 64 bits")
        << 9 + kSentNumberField << V("99999999999999999999") << false
        << "UA3ABC: переданный номер «99999999999999999999» не целое число";
    QTest::newRow("no id") << 0 << V("x") << false
                           << "UA3ABC: неверный идентификатор связи, соревнования или позиции";
    QTest::newRow("no version") << 2 << V() << false << "UA3ABC: нет версии связи или номера изменения";
    QTest::newRow("too few cells") << -1 << V() << false << "UA3ABC: 21 столбцов вместо 22";
    QTest::newRow("unnamed and out of range") << -2 << V() << false << "время «NaN» не число";
    // A tombstone's values are stored nowhere: one out of range does not keep its delete away.
    QTest::newRow("tombstone, time not a number") << time << V("NaN") << true << "";
    QTest::newRow("tombstone, distance negative") << distance << V("-1") << true << "";
    QTest::newRow("tombstone, frequency infinite") << frequency << V("Infinity") << true << "";
    QTest::newRow("tombstone, time a word") << time << V("вчера") << true << "UA3ABC: время «вчера» не число";
}

void TestSharedServer::aServerRowIsTakenOrRefusedWithItsReason()
{
    QFETCH(int, cell);
    QFETCH(std::optional<QString>, value);
    QFETCH(bool, tombstone);
    QFETCH(QString, refusal);
    PgRow row{newId(), newId(), "1",       "1000",   newId(),  newId(), "Палатка 1", tombstone ? "t" : "f",
              "7",     "144",   "42200.5", "UA3ABC", "KO85UR", "1",     "5",         "59",
              "3",     "59",    "450.25",  "275",    "451",    "144.3"};
    QCOMPARE(row.size(), 9 + kSharedFields.size());
    if (cell == -1) {
        row.pop_back();
    } else if (cell == -2) {
        row[9 + kCallField] = std::nullopt;
        row[9 + kDateTimeField] = "NaN";
    } else {
        row[size_t(cell)] = value;
    }
    QString said = "-";
    const std::optional<ContactChange> change = contactChangeFromRow(row, &said);
    if (!refusal.isEmpty()) {
        QVERIFY(!change);
        QCOMPARE(said, refusal);
        return;
    }
    QVERIFY2(change, qPrintable(said));
    QCOMPARE(said, QString("-"));
    QCOMPARE(change->deleted, tombstone);
    if (tombstone) {
        QVERIFY(change->fields[size_t(cell - 9)].isNull());
        return;
    }
    QCOMPARE(change->fields[kDateTimeField], DbValue::dateTime(42200.5));
    for (size_t i = 0; i < kSharedFields.size(); ++i) {
        const DbValue& v = change->fields[i];
        QCOMPARE(v.isNull(), !row[9 + i].has_value());
        if (!v.isNull())
            QCOMPARE(v.kind(), kSharedFields[i].kind);
    }
    if (row[9 + kFrequencyField])
        QCOMPARE(change->fields[kFrequencyField].toDouble(), row[9 + kFrequencyField]->toDouble());
}

QTEST_GUILESS_MAIN(TestSharedServer)
#include "tst_sharedserver.moc"
