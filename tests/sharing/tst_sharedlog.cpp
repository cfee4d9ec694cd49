#include "logging/logcheck.h"
#include "support/privatepostgres.h"
#include "support/sharedposition.h"

#include <QtTest>
#include <QUuid>

// Two positions of one shared log, each with its own log file and sync worker, against a
// real PostgreSQL server of the test's own.
class TestSharedLog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void contactsTravelBothWays();
    void editsAndDeletesArriveAndTheLaterEditWins();
    void anEditPushedFirstIsToldWhenALaterOneIsPulledOverIt_data();
    void anEditPushedFirstIsToldWhenALaterOneIsPulledOverIt();
    void aPositionThatWasAwayCatchesUp();
    void offlineChangesWaitAndGoOnce();
    void aRefusalForNowKeepsTheOutboxUntilTheServerTakesIt();
    void aMalformedRowOnTheServerIsPassedOverAndSaidOnce_data();
    void aMalformedRowOnTheServerIsPassedOverAndSaidOnce();
    void aSilentHoldersBandIsTakenOverAndItsLateContactsListed();
    void aRefusedLoginAsksForThePasswordOnce();
    void aNewerServerLeavesLoggingHere();
    void aServerWithoutTheContestKeepsItsChangesUntilItIsBack_data();
    void aServerWithoutTheContestKeepsItsChangesUntilItIsBack();
    void otherBandsAreRefusedSayingWhich();
    void aFreeBandIsTakenByItsFirstSave();
    void aBandTakenMeanwhileNamesItsHolder_data();
    void aBandTakenMeanwhileNamesItsHolder();
    void aFreeBandIsAskedForOnceUntilAnswered();
    void aBandGoesOnlyAfterItsLastContact_data();
    void aBandGoesOnlyAfterItsLastContact();
    void aCopiedLogFileIsKeptAwayWhileTheOriginalIsHeard();
    void aCopyKeptAwayGoesOnAsANewPosition();
    void aContestDeletedHereFreesItsBandsAtOnce_data();
    void aContestDeletedHereFreesItsBandsAtOnce();

private:
    // Both positions on the server, the contest shared by the first and joined by the second,
    // 144 MHz held by the first and 432 MHz by the second.
    void bothOnline();
    // What the server holds of the shared contest.
    QString onServer(const QString& what);

    PrivatePostgres m_server;
    std::unique_ptr<SharedPosition> m_a;
    std::unique_ptr<SharedPosition> m_b;
};

void TestSharedLog::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.error()));
}

void TestSharedLog::init()
{
    m_a = std::make_unique<SharedPosition>("Палатка 1");
    m_b = std::make_unique<SharedPosition>("Палатка 2");
}

void TestSharedLog::cleanup()
{
    m_a.reset();
    m_b.reset();
    if (!m_server.running())
        QVERIFY2(m_server.start(), qPrintable(m_server.error()));
}

void TestSharedLog::bothOnline()
{
    m_a->connectTo(m_server);
    m_b->connectTo(m_server);
    QVERIFY(m_a->waitOnline());
    QVERIFY(m_b->waitOnline());
    QVERIFY(m_a->share());
    QVERIFY(m_b->join(*m_a));
    QVERIFY(m_a->takeBand(144));
    QVERIFY(m_b->takeBand(432));
}

QString TestSharedLog::onServer(const QString& what)
{
    const QString contest = m_a->shared->journal().contestUuid(m_a->contestId).value_or("-");
    return m_server
        .superSql({QString("SELECT %1 FROM kovra_contact WHERE contest = '%2'").arg(what, contest)})
        .value_or("?");
}

void TestSharedLog::contactsTravelBothWays()
{
    m_a->save("UA3OLD"); // before the contest is shared: it goes along when it is
    bothOnline();
    QCOMPARE(m_b->column("SELECT ContestName FROM Contest WHERE ContestActual"),
             QVariantList{"Полевой день"});
    for (const char* call : {"UA3AAA", "UA3BBB"})
        QCOMPARE(m_a->save(call).kind, SaveOutcome::Saved);
    QCOMPARE(m_a->save("UA3CCC", 144, 144'300'000).kind, SaveOutcome::Saved); // with a rig
    for (const char* call : {"RA1XX", "RA1YY"})
        QCOMPARE(m_b->save(call, 432).kind, SaveOutcome::Saved);
    QTRY_COMPARE_WITH_TIMEOUT(m_b->count(), qint64(6), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(m_a->count(), qint64(6), 20000);
    const QString order = "SELECT ContestListCall || '/' || IdBand || '/' || ContestListSendNum || '/' || "
                          "ContestListPosition FROM ContestList ORDER BY IdBand, ContestListSendNum";
    QCOMPARE(m_a->column(order), m_b->column(order));
    QCOMPARE(m_b->column(order).first().toString(), "UA3OLD/144/1/Палатка 1");
    QCOMPARE(m_b->column(order).last().toString(), "RA1YY/432/2/Палатка 2");
    QCOMPARE(
        m_b->column("SELECT ContestListCall || '/' || COALESCE(ContestListFrequency, '-') FROM ContestList "
                    "WHERE IdBand = 144 ORDER BY ContestListSendNum"),
        QVariantList({"UA3OLD/-", "UA3AAA/-", "UA3BBB/-", "UA3CCC/144.3"}));
    QVERIFY(m_b->arrivals > 0);
    QTRY_COMPARE(m_a->column("SELECT COUNT(*) FROM ShareOutbox"), QVariantList{0});
    QCOMPARE(onServer("count(*)"), QString("6"));
    QCOMPARE(m_a->shared->status(), QString("Общий лог: подключено"));
    // A band another position holds is refused, naming it.
    const SaveOutcome refused = m_a->save("UA3DDD", 432);
    QCOMPARE(refused.kind, SaveOutcome::Refused);
    QVERIFY2(refused.message.contains("«Палатка 2»"), qPrintable(refused.message));
}

void TestSharedLog::editsAndDeletesArriveAndTheLaterEditWins()
{
    bothOnline();
    m_a->save("UA3AAA");
    m_a->save("UA3BBB");
    QTRY_COMPARE_WITH_TIMEOUT(m_b->count(), qint64(2), 20000);
    m_a->fakes.clock.current = m_a->fakes.clock.current.addSecs(10);
    m_a->editCall("UA3AAA", "UA3AAB");
    m_b->remove("UA3BBB");
    QTRY_COMPARE_WITH_TIMEOUT(m_b->column("SELECT ContestListCall FROM ContestList"), QVariantList{"UA3AAB"},
                              20000);
    QTRY_COMPARE_WITH_TIMEOUT(m_a->column("SELECT ContestListCall FROM ContestList"), QVariantList{"UA3AAB"},
                              20000);

    // The second position edits while away; the first edits the same contact later: the
    // later edit stays everywhere and the second is told its edit lost.
    m_b->disconnect();
    m_b->fakes.clock.current = m_b->fakes.clock.current.addSecs(20);
    m_b->editCall("UA3AAB", "UA3EARLY");
    m_a->fakes.clock.current = m_a->fakes.clock.current.addSecs(30);
    m_a->editCall("UA3AAB", "UA3LATER");
    QTRY_COMPARE(m_a->column("SELECT COUNT(*) FROM ShareOutbox"), QVariantList{0});
    m_b->connectTo(m_server);
    QTRY_COMPARE_WITH_TIMEOUT(m_b->column("SELECT ContestListCall FROM ContestList"),
                              QVariantList{"UA3LATER"}, 20000);
    QTRY_VERIFY(m_b->notices.contains(
        "Общий лог: ваша правка связи с UA3EARLY не принята: позже её изменила позиция «Палатка 1»"));
    QTest::qWait(1500);                                    // a heartbeat later nothing has moved back
    QCOMPARE(m_b->notices.filter("не принята").size(), 1); // not again when the winner is pulled
    QCOMPARE(m_a->notices.filter("не принята"), QStringList());
    QCOMPARE(m_a->column("SELECT ContestListCall FROM ContestList"), QVariantList{"UA3LATER"});
    QCOMPARE(onServer("string_agg(call, ',') FILTER (WHERE NOT deleted)"), QString("UA3LATER"));
}

void TestSharedLog::anEditPushedFirstIsToldWhenALaterOneIsPulledOverIt_data()
{
    QTest::addColumn<bool>("deleting");
    QTest::newRow("a later edit") << false;
    QTest::newRow("a later delete") << true;
}

void TestSharedLog::anEditPushedFirstIsToldWhenALaterOneIsPulledOverIt()
{
    QFETCH(bool, deleting);
    bothOnline();
    m_a->save("UA3AAA");
    QTRY_COMPARE_WITH_TIMEOUT(m_b->count(), qint64(1), 20000);
    // The first edits online and its edit is on the server at once; the second, away, edits
    // the same contact later and wins when it is back.
    m_b->disconnect();
    m_a->fakes.clock.current = m_a->fakes.clock.current.addSecs(10);
    m_a->editCall("UA3AAA", "UA3MINE");
    QTRY_COMPARE(m_a->column("SELECT COUNT(*) FROM ShareOutbox"), QVariantList{0});
    QCOMPARE(onServer("string_agg(call, ',')"), QString("UA3MINE"));
    m_b->fakes.clock.current = m_b->fakes.clock.current.addSecs(20);
    if (deleting)
        m_b->remove("UA3AAA");
    else
        m_b->editCall("UA3AAA", "UA3THEIRS");
    m_b->connectTo(m_server);
    const QVariantList after = deleting ? QVariantList{} : QVariantList{"UA3THEIRS"};
    QTRY_COMPARE_WITH_TIMEOUT(m_a->column("SELECT ContestListCall FROM ContestList"), after, 20000);
    const QString lost =
        "Общий лог: ваша правка связи с UA3MINE не принята: позже её изменила позиция «Палатка 2»";
    QTRY_VERIFY_WITH_TIMEOUT(m_a->notices.contains(lost), 20000);
    // A later edit made there after this one was seen is no loss of this one's, and the
    // winner is told nothing.
    m_a->notices.clear();
    QTRY_COMPARE(m_b->column("SELECT COUNT(*) FROM ShareOutbox"), QVariantList{0});
    if (!deleting) {
        m_a->fakes.clock.current = m_a->fakes.clock.current.addSecs(30);
        m_a->editCall("UA3THEIRS", "UA3AGAIN");
        QTRY_COMPARE_WITH_TIMEOUT(m_b->column("SELECT ContestListCall FROM ContestList"),
                                  QVariantList{"UA3AGAIN"}, 20000);
        m_b->fakes.clock.current = m_b->fakes.clock.current.addSecs(40);
        m_b->editCall("UA3AGAIN", "UA3FINAL");
        QTRY_COMPARE_WITH_TIMEOUT(m_a->column("SELECT ContestListCall FROM ContestList"),
                                  QVariantList{"UA3FINAL"}, 20000);
    }
    QTest::qWait(1500);
    QCOMPARE(m_a->notices.filter("не принята"), QStringList());
    QCOMPARE(m_b->notices.filter("не принята"), QStringList());
}

void TestSharedLog::aPositionThatWasAwayCatchesUp()
{
    bothOnline();
    m_b->close(); // the second position's program is closed
    for (int i = 1; i <= 300; ++i)
        QCOMPARE(m_a->save(QString("UA%1AA").arg(i)).kind, SaveOutcome::Saved);
    QTRY_COMPARE_WITH_TIMEOUT(m_a->column("SELECT COUNT(*) FROM ShareOutbox"), QVariantList{0}, 20000);

    m_b->reopen();
    m_b->options.batch = 100;
    m_b->connectTo(m_server);
    QTRY_COMPARE_WITH_TIMEOUT(m_b->count(), qint64(300), 30000);
    QTRY_COMPARE_WITH_TIMEOUT(m_b->shared->status(), QString("Общий лог: подключено"), 20000);
    QVERIFY2(m_b->statuses.contains("Общий лог: догоняем (300)"), qPrintable(m_b->statuses.join(" | ")));
    const QString serials = "SELECT group_concat(ContestListSendNum) FROM (SELECT ContestListSendNum FROM "
                            "ContestList ORDER BY 1)";
    QCOMPARE(m_b->column(serials), m_a->column(serials));
}

void TestSharedLog::offlineChangesWaitAndGoOnce()
{
    bothOnline();
    m_a->save("UA3AAA");
    QTRY_COMPARE_WITH_TIMEOUT(m_b->count(), qint64(1), 20000);
    QVERIFY(m_server.stop(true));
    for (const char* call : {"UA3BBB", "UA3CCC", "UA3DDD"})
        QCOMPARE(m_a->save(call).kind, SaveOutcome::Saved); // the band is held: no box, no wait
    QTRY_COMPARE_WITH_TIMEOUT(m_a->shared->status(), QString("Общий лог: нет связи, ждут отправки 3"), 20000);
    QCOMPARE(m_a->fakes.prompts.texts(), QStringList());
    QVERIFY2(m_server.start(), qPrintable(m_server.error()));
    QTRY_COMPARE_WITH_TIMEOUT(m_b->count(), qint64(4), 30000);
    QTRY_COMPARE_WITH_TIMEOUT(m_a->shared->status(), QString("Общий лог: подключено"), 20000);
    QCOMPARE(onServer("count(*)"), QString("4"));
    QVERIFY(m_a->statuses.contains("Общий лог: нет связи, ждут отправки 3"));
}

void TestSharedLog::aRefusalForNowKeepsTheOutboxUntilTheServerTakesIt()
{
    bothOnline();
    m_a->save("UA3AAA");
    QTRY_COMPARE_WITH_TIMEOUT(m_b->count(), qint64(1), 20000);
    // Another session holds the lock every push takes: the server refuses the push with a
    // lock timeout, which says nothing about the contact.
    PgConnection holder(ServerAddress{m_server.host(), m_server.port(), m_server.database(), m_server.user(),
                                      m_server.password()});
    holder.exec("SELECT pg_advisory_lock($1)", {pgNumber(SharedServer::kChangeLock)});
    QCOMPARE(m_a->save("UA3BBB").kind, SaveOutcome::Saved);
    QTRY_VERIFY_WITH_TIMEOUT(!m_a->notices.isEmpty() && !m_a->notices.last().isEmpty(), 30000);
    QTest::qWait(500);
    QCOMPARE(m_a->column("SELECT COUNT(*) FROM ShareOutbox"), QVariantList{1});
    QCOMPARE(onServer("count(*)"), QString("1"));
    holder.exec("SELECT pg_advisory_unlock($1)", {pgNumber(SharedServer::kChangeLock)});
    QTRY_COMPARE_WITH_TIMEOUT(m_b->count(), qint64(2), 30000);
    QTRY_COMPARE_WITH_TIMEOUT(m_a->column("SELECT COUNT(*) FROM ShareOutbox"), QVariantList{0}, 20000);
    QCOMPARE(onServer("count(*)"), QString("2"));
    QCOMPARE(onServer("count(DISTINCT call)"), QString("2"));
    QTRY_COMPARE_WITH_TIMEOUT(m_a->notices.last(), QString(), 20000);
}

void TestSharedLog::aMalformedRowOnTheServerIsPassedOverAndSaidOnce_data()
{
    // A row as another program or a hand on the server may leave: the column given a value no
    // contact has (a text where a number goes, after the column's type is changed).
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("reason");
    QTest::newRow("mode not a number") << "mode"
                                       << "'x'"
                                       << "UA0BAD: вид работы «x» не целое число";
    QTest::newRow("time not a number") << "logged_at"
                                       << "'NaN'"
                                       << "UA0BAD: время «NaN» не число";
    QTest::newRow("distance negative") << "distance"
                                       << "-3"
                                       << "UA0BAD: расстояние -3 км невозможно";
    QTest::newRow("frequency infinite") << "frequency"
                                        << "'Infinity'"
                                        << "UA0BAD: частота «Infinity» не число";
}

void TestSharedLog::aMalformedRowOnTheServerIsPassedOverAndSaidOnce()
{
    QFETCH(QString, column);
    QFETCH(QString, value);
    QFETCH(QString, reason);
    const bool retyped = column == "mode";
    bothOnline();
    m_a->save("UA3AAA");
    QTRY_COMPARE_WITH_TIMEOUT(m_b->count(), qint64(1), 20000);
    QStringList statements;
    if (retyped)
        statements << "ALTER TABLE kovra_contact ALTER COLUMN mode TYPE text";
    statements << QString(
                      "INSERT INTO kovra_contact (uuid, contest, version, edited_ms, edited_by, position, "
                      "position_name, change, band, call, %1) SELECT gen_random_uuid(), contest, 1, 1, "
                      "edited_by, position, position_name, nextval('kovra_change'), band, 'UA0BAD', %2 "
                      "FROM kovra_contact WHERE call = 'UA3AAA'")
                      .arg(column, value);
    QVERIFY(m_server.superSql(statements));
    m_a->save("UA3BBB");
    m_a->save("UA3CCC");
    QTRY_COMPARE_WITH_TIMEOUT(m_b->count(), qint64(3), 20000);
    QStringList cleanup{"DELETE FROM kovra_contact WHERE call = 'UA0BAD'"};
    if (retyped)
        cleanup << "ALTER TABLE kovra_contact ALTER COLUMN mode TYPE integer USING mode::integer";
    QVERIFY(m_server.superSql(cleanup));
    QCOMPARE(m_b->count("ContestListCall = 'UA0BAD'"), qint64(0));
    QCOMPARE(
        m_b->notices.filter("в неверном виде"),
        QStringList{"Общий лог: сервер дал связи в неверном виде, они пропущены (1); последняя — " + reason});
}

void TestSharedLog::aSilentHoldersBandIsTakenOverAndItsLateContactsListed()
{
    bothOnline();
    for (int i = 1; i <= 5; ++i)
        m_a->save(QString("UA%1AA").arg(i));
    QTRY_COMPARE_WITH_TIMEOUT(m_b->count(), qint64(5), 20000);
    m_a->close(); // the first position's computer dies holding 144 MHz
    QVERIFY(
        m_server.superSql({"UPDATE kovra_lease SET seen = now() - interval '61 seconds' WHERE band = 144"}));
    QTRY_VERIFY_WITH_TIMEOUT(m_b->shared->journal().lease(m_b->contestId, 144)->silent, 20000);

    // A save on the silent holder's band is refused naming it, and asks nothing; "Взять
    // диапазон" takes it over once the operator confirms.
    const SaveOutcome early = m_b->save("RA1EARLY");
    QCOMPARE(early.kind, SaveOutcome::Refused);
    QVERIFY2(early.message.contains("«Палатка 1»"), qPrintable(early.message));
    QCOMPARE(m_b->fakes.prompts.texts(ShownPrompt::Confirm), QStringList());
    m_b->shared->requestBand(m_b->contestId, 144, "144 MHz");
    QCOMPARE(
        m_b->fakes.prompts.texts(ShownPrompt::Confirm),
        QStringList{"Диапазон 144 MHz ведёт позиция «Палатка 1», которая молчит больше минуты.\n\rЗабрать "
                    "диапазон? Номера продолжатся после последнего номера на сервере."});
    QTRY_VERIFY_WITH_TIMEOUT(m_b->holds(144), 20000);
    QCOMPARE(m_b->save("RA1TAKE").kind, SaveOutcome::Saved);
    QCOMPARE(m_b->column("SELECT ContestListSendNum FROM ContestList WHERE ContestListCall = 'RA1TAKE'"),
             QVariantList{6});

    // The old holder comes back without the server and logs on what it still takes for its band.
    m_a->reopen();
    QCOMPARE(m_a->save("UA6LATE").kind, SaveOutcome::Saved);
    QCOMPARE(m_a->column("SELECT ContestListSendNum FROM ContestList WHERE ContestListCall = 'UA6LATE'"),
             QVariantList{6});
    m_a->connectTo(m_server);
    QTRY_COMPARE_WITH_TIMEOUT(m_b->count(), qint64(7), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(m_a->count(), qint64(7), 20000);
    // Kept everywhere, never renumbered, and listed for checking.
    for (SharedPosition* p : {m_a.get(), m_b.get()}) {
        QStringList listed;
        for (const RepeatedSerial& r : repeatedSerials(*p->store, p->contestId))
            listed << r.text.section(", ", 0, 3);
        QCOMPARE(listed,
                 (QStringList{"144 MHz, № 6, RA1TAKE, Палатка 2", "144 MHz, № 6, UA6LATE, Палатка 1"}));
    }
    const QString findings = [&] {
        QStringList texts;
        for (const LogCheck::Finding& f :
             LogCheck::checkContacts(LogCheck::contestContacts(*m_b->store, m_b->contestId), {}))
            texts << f.text;
        return texts.join(" | ");
    }();
    QVERIFY2(findings.contains("номер повторяется (позиция «Палатка"), qPrintable(findings));
    // The old holder has heard that the band is no longer its own.
    QTRY_VERIFY_WITH_TIMEOUT(!m_a->holds(144), 20000);
    const SaveOutcome refused = m_a->save("UA7LATE");
    QCOMPARE(refused.kind, SaveOutcome::Refused);
    QVERIFY2(refused.message.contains("«Палатка 2»"), qPrintable(refused.message));
}

void TestSharedLog::aRefusedLoginAsksForThePasswordOnce()
{
    qunsetenv("PGPASSWORD");
    qputenv("PGPASSFILE", "/nonexistent/.pgpass");
    m_a->fakes.prompts.passwordAnswers = {QString("still wrong")};
    m_a->connectTo(m_server, QString("wrong"));
    QTRY_COMPARE_WITH_TIMEOUT(m_a->fakes.prompts.texts(ShownPrompt::Password).size(), 1, 20000);
    QCOMPARE(m_a->fakes.prompts.texts(ShownPrompt::Password).first(),
             QString("Общий лог|Пароль пользователя operator на сервере 127.0.0.1:"));
    QTRY_VERIFY_WITH_TIMEOUT(!m_a->notices.isEmpty() &&
                                 m_a->notices.last().contains("не принял вход пользователя "
                                                              "operator"),
                             20000);
    QTest::qWait(1500); // tried again, never asked again
    QCOMPARE(m_a->fakes.prompts.texts(ShownPrompt::Password).size(), 1);
    QVERIFY(!m_a->shared->online());

    // With no password at all, the next settings ask again; the right one connects.
    m_a->fakes.prompts.passwordAnswers = {m_server.password()};
    m_a->connectTo(m_server, QString());
    QVERIFY(m_a->waitOnline());
    QCOMPARE(m_a->fakes.prompts.texts(ShownPrompt::Password).size(), 2);
    QCOMPARE(m_a->notices.last(), QString());
}

void TestSharedLog::aNewerServerLeavesLoggingHere()
{
    bothOnline();
    m_a->save("UA3AAA");
    QTRY_COMPARE_WITH_TIMEOUT(m_b->count(), qint64(1), 20000);
    QVERIFY(m_server.superSql(
        {QString("UPDATE kovra_schema SET version = %1").arg(SharedServer::kSchemaVersion + 1)}));
    m_a->connectTo(m_server); // connects anew and meets the newer schema
    QTRY_VERIFY_WITH_TIMEOUT(!m_a->notices.isEmpty() && m_a->notices.last().contains("обновите программу"),
                             20000);
    QCOMPARE(m_a->save("UA3BBB").kind, SaveOutcome::Saved); // its band: logging goes on
    QVERIFY(m_server.superSql(
        {QString("UPDATE kovra_schema SET version = %1").arg(SharedServer::kSchemaVersion)}));
    QTRY_COMPARE_WITH_TIMEOUT(m_b->count(), qint64(2), 20000);
}

void TestSharedLog::aServerWithoutTheContestKeepsItsChangesUntilItIsBack_data()
{
    QTest::addColumn<bool>("otherDatabase");
    QTest::newRow("deleted on the server") << false;
    QTest::newRow("another database typed") << true;
}

void TestSharedLog::aServerWithoutTheContestKeepsItsChangesUntilItIsBack()
{
    QFETCH(bool, otherDatabase);
    bothOnline();
    m_a->save("UA3AAA");
    QTRY_COMPARE_WITH_TIMEOUT(m_b->count(), qint64(1), 20000);
    const qint32 joined = m_b->contestId;
    const QString uuid = *m_b->shared->journal().contestUuid(joined);
    if (otherDatabase) {
        QVERIFY(m_server.superSql(
            {"DROP DATABASE IF EXISTS kovra_other", "CREATE DATABASE kovra_other OWNER operator"}));
        ShareSettings settings = m_b->shared->settings();
        settings.address.database = "kovra_other";
        settings.save(*m_b->store);
        m_b->shared->apply(settings, m_server.password());
    } else {
        QVERIFY(m_server.superSql(
            {"DROP TABLE IF EXISTS kept_contest",
             "CREATE TABLE kept_contest AS SELECT * FROM kovra_contest WHERE uuid = '" + uuid + "'",
             "DELETE FROM kovra_contest WHERE uuid = '" + uuid + "'"}));
    }
    QTRY_VERIFY_WITH_TIMEOUT(!m_b->notices.isEmpty() &&
                                 m_b->notices.last().startsWith(
                                     "Общий лог: общее соревнование «Полевой день» на сервере не найдено"),
                             20000);
    // Logged here on any band meanwhile; nothing of the link or the outbox goes.
    QCOMPARE(m_b->save("RA1MISS", 432).kind, SaveOutcome::Saved);
    QCOMPARE(m_b->save("RA1FREE", 1300).kind, SaveOutcome::Saved);
    QTest::qWait(1500); // a heartbeat later
    QCOMPARE(m_b->column("SELECT COUNT(*) FROM ShareOutbox"), QVariantList{2});
    QCOMPARE(m_b->shared->journal().contestUuid(joined), std::optional<QString>(uuid));

    // The contest is on the server again: what waited goes, once.
    if (otherDatabase)
        m_b->connectTo(m_server);
    else
        QVERIFY(m_server.superSql({"INSERT INTO kovra_contest SELECT * FROM kept_contest"}));
    QTRY_COMPARE_WITH_TIMEOUT(m_b->column("SELECT COUNT(*) FROM ShareOutbox"), QVariantList{0}, 20000);
    QTRY_COMPARE_WITH_TIMEOUT(m_a->count("ContestListCall LIKE 'RA1%'"), qint64(2), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(m_b->notices.last(), QString(), 20000);
    QCOMPARE(onServer("count(*) FILTER (WHERE call LIKE 'RA1%')"), QString("2"));

    // Joined again, the contest linked here is the one used.
    const QVariantList contests = m_b->column("SELECT COUNT(*) FROM Contest");
    QVERIFY(m_b->join(*m_a));
    QCOMPARE(m_b->contestId, joined);
    QCOMPARE(m_b->column("SELECT COUNT(*) FROM Contest"), contests);
    QCOMPARE(m_b->count(), qint64(3));
}

void TestSharedLog::otherBandsAreRefusedSayingWhich()
{
    m_a->connectTo(m_server);
    m_b->connectTo(m_server);
    QVERIFY(m_a->waitOnline());
    QVERIFY(m_b->waitOnline());
    QVERIFY(m_a->share());
    m_b->file.sqlite(
        "UPDATE Band SET BandPoint1km = 2.5 WHERE BandRowid = 432; DELETE FROM Band WHERE BandRowid = "
        "24000; INSERT INTO Band (BandRowid, BandName, BandPoint1km) VALUES (47000, '47 GHz', 9);");
    QVERIFY(!m_b->join(*m_a));
    QCOMPARE(
        m_b->fakes.prompts.texts(ShownPrompt::Warning),
        QStringList{"Нельзя присоединиться к «Полевой день»: диапазоны этой позиции не такие, как в общем "
                    "соревновании:\n\rдиапазон 432 МГц: 2.5 очк. за км здесь, 2 в общем соревновании;\n\r"
                    "диапазон 24000 МГц есть только в общем соревновании;\n\rдиапазон 47000 МГц есть только "
                    "на этой позиции."});
    QCOMPARE(m_b->column("SELECT COUNT(*) FROM Contest"), QVariantList{1}); // nothing made
}

void TestSharedLog::aFreeBandIsTakenByItsFirstSave()
{
    m_a->connectTo(m_server);
    m_b->connectTo(m_server);
    QVERIFY(m_a->waitOnline());
    QVERIFY(m_b->waitOnline());
    QVERIFY(m_a->share());
    QVERIFY(m_b->join(*m_a));
    // Saved at once, without waiting on the server; the band follows.
    QCOMPARE(m_a->save("UA1AA").kind, SaveOutcome::Saved);
    QTRY_VERIFY_WITH_TIMEOUT(m_a->holds(144), 20000);
    QVERIFY(m_a->fakes.prompts.texts(ShownPrompt::Confirm).isEmpty());

    // A band taken before this position heard of it: the contact stays, the hint bar names
    // the holder, and the band stays the holder's.
    QTRY_VERIFY_WITH_TIMEOUT(m_b->shared->journal().lease(m_b->contestId, 144).has_value(), 20000);
    m_b->shared->journal().setLeases(m_b->contestId, {});
    QCOMPARE(m_b->save("UA2BB").kind, SaveOutcome::Saved);
    QTRY_VERIFY_WITH_TIMEOUT(m_b->notices.join('|').contains("диапазон 144 MHz ведёт позиция «Палатка 1»"),
                             20000);
    QVERIFY(m_b->fakes.prompts.texts(ShownPrompt::Confirm).isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(m_b->shared->journal().lease(m_b->contestId, 144).has_value(), 20000);
    QVERIFY(!m_b->holds(144));
    QTRY_COMPARE_WITH_TIMEOUT(m_a->count(), qint64(2), 20000);
    const SaveOutcome refused = m_b->save("UA2CC");
    QCOMPARE(refused.kind, SaveOutcome::Refused);
    QVERIFY2(refused.message.contains("«Палатка 1»"), qPrintable(refused.message));
}

void TestSharedLog::aBandTakenMeanwhileNamesItsHolder_data()
{
    QTest::addColumn<bool>("byButton");
    QTest::addColumn<QString>("notice");
    QTest::newRow("a save") << false
                            << "Общий лог: диапазон 144 MHz ведёт позиция «Палатка 1»: связь записана здесь, "
                               "но номера на нём даёт она; повтор номера покажет «На проверку».";
    QTest::newRow("\"Взять диапазон\"")
        << true << "Общий лог: диапазон 144 MHz не взят: его уже ведёт позиция «Палатка 1».";
}

void TestSharedLog::aBandTakenMeanwhileNamesItsHolder()
{
    QFETCH(bool, byButton);
    QFETCH(QString, notice);
    m_a->connectTo(m_server);
    m_b->connectTo(m_server);
    QVERIFY(m_a->waitOnline());
    QVERIFY(m_b->waitOnline());
    QVERIFY(m_a->share());
    QVERIFY(m_b->join(*m_a));
    QVERIFY(m_a->takeBand(144));
    // Taken before the second position heard of it: there the band still looks free.
    QTRY_VERIFY_WITH_TIMEOUT(m_b->shared->journal().lease(m_b->contestId, 144).has_value(), 20000);
    m_b->shared->journal().setLeases(m_b->contestId, {});
    if (byButton)
        m_b->shared->requestBand(m_b->contestId, 144, "144 MHz");
    else
        QCOMPARE(m_b->save("UA2BB").kind, SaveOutcome::Saved);
    QTRY_COMPARE_WITH_TIMEOUT(m_b->notices.filter("144 MHz"), QStringList{notice}, 20000);
    QCOMPARE(m_b->count(), qint64(byButton ? 0 : 1));
    QVERIFY(!m_b->holds(144));
    QVERIFY(m_b->fakes.prompts.texts().isEmpty());
}

void TestSharedLog::aFreeBandIsAskedForOnceUntilAnswered()
{
    m_a->connectTo(m_server);
    m_b->connectTo(m_server);
    QVERIFY(m_a->waitOnline());
    QVERIFY(m_b->waitOnline());
    QVERIFY(m_a->share());
    QVERIFY(m_b->join(*m_a));
    // Every request for a lease begins with one INSERT statement on the leases: counted.
    QVERIFY(m_server.superSql(
        {"CREATE TABLE lease_asks (asked timestamptz)",
         "CREATE FUNCTION count_lease_ask() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER AS "
         "$$BEGIN INSERT INTO lease_asks VALUES (now()); RETURN NULL; END$$",
         "CREATE TRIGGER count_lease_ask AFTER INSERT ON kovra_lease FOR EACH STATEMENT EXECUTE FUNCTION "
         "count_lease_ask()"}));
    // A burst of saves on a free band, faster than the server answers: asked for once.
    for (int i = 1; i <= 20; ++i)
        QCOMPARE(m_a->save(QString("UA%1AA").arg(i)).kind, SaveOutcome::Saved);
    QTRY_VERIFY_WITH_TIMEOUT(m_a->holds(144), 20000);
    QCOMPARE(m_a->save("UA21AA").kind, SaveOutcome::Saved); // its own now: nothing asked
    // "Взять диапазон" pressed twice before the answer: asked once more.
    m_a->shared->requestBand(m_a->contestId, 432, "432 MHz");
    m_a->shared->requestBand(m_a->contestId, 432, "432 MHz");
    QTRY_VERIFY_WITH_TIMEOUT(m_a->holds(432), 20000);
    QTest::qWait(500);
    const std::optional<QString> asked = m_server.superSql({"SELECT count(*) FROM lease_asks"});
    QVERIFY(m_server.superSql({"DROP TRIGGER count_lease_ask ON kovra_lease",
                               "DROP FUNCTION count_lease_ask()", "DROP TABLE lease_asks"}));
    QCOMPARE(asked.value_or("?"), QString("2"));
    QTRY_COMPARE_WITH_TIMEOUT(m_b->count(), qint64(21), 20000);
}

void TestSharedLog::aBandGoesOnlyAfterItsLastContact_data()
{
    QTest::addColumn<bool>("placeTaken");
    QTest::newRow("\"Отдать диапазон\"") << false;
    QTest::newRow("\"Занять место позиции…\"") << true;
}

void TestSharedLog::aBandGoesOnlyAfterItsLastContact()
{
    QFETCH(bool, placeTaken);
    bothOnline();
    for (const char* call : {"UA1AA", "UA2AA", "UA3AA"})
        QCOMPARE(m_a->save(call).kind, SaveOutcome::Saved);
    QTRY_COMPARE_WITH_TIMEOUT(m_b->count(), qint64(3), 20000);
    const QString contest = *m_a->shared->journal().contestUuid(m_a->contestId);
    const QString holder144 = "SELECT COALESCE(p.name, '-') FROM kovra_lease l LEFT JOIN kovra_position p ON "
                              "p.uuid = l.holder WHERE l.band = 144 AND l.contest = '" +
                              contest + "'";
    // A position of the contest silent for over a minute, whose place the first may take.
    const QString silent = QUuid::createUuid().toString(QUuid::WithoutBraces);
    QVERIFY(m_server.superSql({"INSERT INTO kovra_position (uuid, name, seen) VALUES ('" + silent +
                                   "', 'Палатка 3', now() - interval '2 minutes')",
                               "INSERT INTO kovra_lease (contest, band, holder, seen) VALUES ('" + contest +
                                   "', 1300, '" + silent + "', now() - interval '2 minutes')"}));
    // Pushes wait while another session holds the lock they take.
    PgConnection lock(ServerAddress{m_server.host(), m_server.port(), m_server.database(), m_server.user(),
                                    m_server.password()});
    lock.exec("SELECT pg_advisory_lock($1)", {pgNumber(SharedServer::kChangeLock)});
    // A contact saved, and the band let go at once.
    if (placeTaken) {
        m_a->fakes.prompts.askAnswers = {QString("Палатка 3")};
        m_a->fakes.prompts.onShow = [&](const ShownPrompt& shown) {
            if (shown.kind == ShownPrompt::Confirm)
                QCOMPARE(m_a->save("UA4AA").kind, SaveOutcome::Saved);
        };
        m_a->shared->requestPlace(m_a->contestId);
        QTRY_VERIFY_WITH_TIMEOUT(m_a->count() == 4, 20000);
    } else {
        QCOMPARE(m_a->save("UA4AA").kind, SaveOutcome::Saved);
        m_a->shared->releaseBand(m_a->contestId, 144);
    }
    // While the contact cannot reach the server, the band stays this position's.
    QTest::qWait(1500);
    QCOMPARE(m_server.superSql({holder144}).value_or("?"), QString("Палатка 1"));
    lock.exec("SELECT pg_advisory_unlock($1)", {pgNumber(SharedServer::kChangeLock)});
    QTRY_COMPARE_WITH_TIMEOUT(m_server.superSql({holder144}).value_or("?"), QString("-"), 20000);
    QCOMPARE(onServer("count(*) FILTER (WHERE call = 'UA4AA')"), QString("1"));
    // The position that takes the band numbers after it.
    QTRY_VERIFY_WITH_TIMEOUT(!m_b->shared->journal().lease(m_b->contestId, 144), 20000);
    QVERIFY(m_b->takeBand(144));
    QCOMPARE(m_b->save("RA5BB").kind, SaveOutcome::Saved);
    QCOMPARE(m_b->column("SELECT ContestListSendNum FROM ContestList WHERE ContestListCall = 'RA5BB'"),
             QVariantList{5});
    if (placeTaken)
        QTRY_COMPARE_WITH_TIMEOUT(m_a->shared->journal().position().name, QString("Палатка 3"), 20000);
}

void TestSharedLog::aCopiedLogFileIsKeptAwayWhileTheOriginalIsHeard()
{
    m_a->options.heartbeatMs = 600000; // heard when it connects and when it sends, no more
    m_a->connectTo(m_server);
    QVERIFY(m_a->waitOnline());
    QVERIFY(m_a->share());
    QVERIFY(m_a->takeBand(144));
    QCOMPARE(m_a->save("UA1AA").kind, SaveOutcome::Saved);
    QTRY_COMPARE_WITH_TIMEOUT(onServer("count(*)"), QString("1"), 20000);
    // The log file copied to a second computer, which starts sharing with it.
    SharedPosition copy("Палатка 1, копия");
    copy.close();
    QVERIFY(QFile::remove(copy.file.path()));
    m_a->file.sqlite("VACUUM INTO '" + copy.file.path() + "'");
    copy.reopen();
    copy.connectTo(m_server);
    QTRY_VERIFY_WITH_TIMEOUT(
        copy.notices.join('|').contains("позиция «Палатка 1» уже на связи с другого "
                                        "компьютера или из другой копии этого файла лога"),
        20000);
    QCOMPARE(copy.save("UA2CC").kind, SaveOutcome::Saved); // logged there, never sent as the first
    QTest::qWait(1500);
    QVERIFY(!copy.shared->online());
    QCOMPARE(onServer("count(*)"), QString("1"));

    // The first falls silent for a minute: the copy goes on under the id, and the first, back,
    // is kept away from then on.
    QVERIFY(
        m_server.superSql({"UPDATE kovra_position SET seen = now() - interval '61 seconds' WHERE uuid = '" +
                           m_a->shared->journal().position().id + "'"}));
    QTRY_COMPARE_WITH_TIMEOUT(onServer("count(*)"), QString("2"), 20000);
    QVERIFY(copy.waitOnline());
    QCOMPARE(m_a->save("UA3AA").kind, SaveOutcome::Saved);
    QTRY_VERIFY_WITH_TIMEOUT(!m_a->notices.isEmpty() && m_a->notices.last().contains(
                                                            "место позиции «Палатка 1, копия» заняла другая "
                                                            "копия её файла лога"),
                             20000);
    QTRY_VERIFY_WITH_TIMEOUT(!m_a->shared->online(), 20000);
    QTest::qWait(1000);
    QCOMPARE(onServer("count(*) FILTER (WHERE call = 'UA3AA')"), QString("0"));
    QCOMPARE(m_a->column("SELECT COUNT(*) FROM ShareOutbox"), QVariantList{1});
}

void TestSharedLog::aCopyKeptAwayGoesOnAsANewPosition()
{
    m_a->connectTo(m_server);
    QVERIFY(m_a->waitOnline());
    QVERIFY(m_a->share());
    QVERIFY(m_a->takeBand(144));
    QCOMPARE(m_a->save("UA1AA").kind, SaveOutcome::Saved);
    QTRY_COMPARE_WITH_TIMEOUT(onServer("count(*)"), QString("1"), 20000);
    // The log file copied after sharing was switched on: the copy is kept away, and still
    // believes it holds the first's band.
    SharedPosition copy("Палатка 1, копия");
    copy.close();
    QVERIFY(QFile::remove(copy.file.path()));
    m_a->file.sqlite("VACUUM INTO '" + copy.file.path() + "'");
    copy.reopen();
    copy.connectTo(m_server);
    QTRY_VERIFY_WITH_TIMEOUT(copy.shared->refusedAsCopy(), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(copy.notices.join('|').contains("уже на связи с другого компьютера"), 20000);
    QVERIFY2(copy.notices.last().contains("«Сделать новой позицией»"), qPrintable(copy.notices.last()));
    QCOMPARE(copy.save("UA2CC").kind, SaveOutcome::Saved);
    QCOMPARE(m_a->save("UA3AA").kind, SaveOutcome::Saved);

    // Declined, nothing changes; confirmed and named, it goes on as a position of its own.
    const QString firstId = m_a->shared->journal().position().id;
    copy.fakes.prompts.confirmAnswers = {false};
    copy.shared->becomeNewPosition();
    QCOMPARE(copy.shared->journal().position().id, firstId);
    copy.fakes.prompts.askAnswers = {QString("Палатка 3")};
    copy.shared->becomeNewPosition();
    QVERIFY(copy.shared->journal().position().id != firstId);
    QCOMPARE(copy.shared->journal().position().name, QString("Палатка 3"));
    QVERIFY(!copy.holds(144));
    QVERIFY(copy.waitOnline());
    QVERIFY(!copy.shared->refusedAsCopy());
    QTRY_COMPARE_WITH_TIMEOUT(onServer("count(*)"), QString("3"), 20000);
    QCOMPARE(onServer("string_agg(call || '/' || sent_num || '/' || position_name, ',' ORDER BY call)"),
             QString("UA1AA/1/Палатка 1,UA2CC/2/Палатка 3,UA3AA/2/Палатка 1"));
    QCOMPARE(copy.column("SELECT COUNT(*) FROM ShareOutbox"), QVariantList{0});
    // The serial used twice on the band is listed at both; the band stays the first's.
    QTRY_COMPARE_WITH_TIMEOUT(m_a->count(), qint64(3), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(copy.count(), qint64(3), 20000);
    QCOMPARE(repeatedSerials(*m_a->store, m_a->contestId).size(), size_t(2));
    QCOMPARE(repeatedSerials(*copy.store, copy.contestId).size(), size_t(2));
    QTRY_VERIFY_WITH_TIMEOUT(copy.shared->journal().lease(copy.contestId, 144).has_value(), 20000);
    const SaveOutcome refused = copy.save("UA4DD");
    QCOMPARE(refused.kind, SaveOutcome::Refused);
    QVERIFY2(refused.message.contains("«Палатка 1»"), qPrintable(refused.message));
    QVERIFY(m_a->shared->online());
    QCOMPARE(m_a->shared->journal().position().id, firstId);
}

void TestSharedLog::aContestDeletedHereFreesItsBandsAtOnce_data()
{
    QTest::addColumn<bool>("fails");
    QTest::newRow("deleted") << false;
    QTest::newRow("the delete fails") << true;
}

void TestSharedLog::aContestDeletedHereFreesItsBandsAtOnce()
{
    QFETCH(bool, fails);
    bothOnline();
    QVERIFY(m_a->takeBand(1300));
    const QString contest = *m_a->shared->journal().contestUuid(m_a->contestId);
    const QString holders =
        "SELECT string_agg(band || '=' || COALESCE(p.name, '-'), ',' ORDER BY band) FROM "
        "kovra_lease l LEFT JOIN kovra_position p ON p.uuid = l.holder WHERE contest = '" +
        contest + "'";
    m_a->deleteContest(fails);
    if (fails) {
        // The contest is still here: its bands stay this position's.
        QTest::qWait(1500);
        QCOMPARE(m_server.superSql({holders}).value_or("?"),
                 QString("144=Палатка 1,432=Палатка 2,1300=Палатка 1"));
        QVERIFY(m_a->holds(144));
        return;
    }
    // Well inside the minute a silent holder's band needs: the other position hears them free
    // and takes one without a takeover.
    QTRY_VERIFY_WITH_TIMEOUT(!m_b->shared->journal().lease(m_b->contestId, 144), 5000);
    QCOMPARE(m_server.superSql({holders}).value_or("?"), QString("144=-,432=Палатка 2,1300=-"));
    QVERIFY(m_b->takeBand(144));
    QCOMPARE(m_b->save("RA1NEXT").kind, SaveOutcome::Saved);
    QCOMPARE(m_a->notices.filter(QRegularExpression(".+")), QStringList());
    QCOMPARE(m_a->fakes.prompts.texts(), QStringList());
}

QTEST_GUILESS_MAIN(TestSharedLog)
#include "tst_sharedlog.moc"
