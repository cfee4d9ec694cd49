#include "support/privatepostgres.h"

#include <QtTest>

#include <libpq-fe.h>

// The tests' own PostgreSQL: on its own port, passwords checked, and a crash and restart that
// keep what was committed. The shared log's tests stand on it.
class TestPrivatePostgres : public QObject
{
    Q_OBJECT
private slots:
    void passwordsAreCheckedOnItsOwnPort();
    void anImmediateStopKeepsWhatWasCommitted();
};

namespace {

// The error of a connection as the program's user, or an empty text when it connects.
QString connectionError(const PrivatePostgres& server, const QString& password)
{
    const QByteArray conninfo = QString("host=%1 port=%2 dbname=%3 user=%4 password=%5 connect_timeout=5")
                                    .arg(server.host())
                                    .arg(server.port())
                                    .arg(server.database(), server.user(), password)
                                    .toUtf8();
    PGconn* connection = PQconnectdb(conninfo.constData());
    const QString error =
        PQstatus(connection) == CONNECTION_OK ? QString() : QString::fromUtf8(PQerrorMessage(connection));
    PQfinish(connection);
    return error;
}

} // namespace

void TestPrivatePostgres::passwordsAreCheckedOnItsOwnPort()
{
    PrivatePostgres server;
    QVERIFY2(server.start(), qPrintable(server.error()));
    QVERIFY(server.port() != 5432);
    QVERIFY(server.dataFolder().startsWith("/tmp/"));
    QCOMPARE(connectionError(server, server.password()), QString());
    const QString refused = connectionError(server, "wrong");
    QVERIFY2(refused.contains("password authentication failed"), qPrintable(refused));
    QCOMPARE(server.superSql({"SHOW password_encryption"}).value_or("?"), QString("scram-sha-256"));
    QCOMPARE(server.superSql({"SHOW listen_addresses"}).value_or("?"), QString("127.0.0.1"));
    const QString folder = server.dataFolder();
    QVERIFY(server.stop());
    QVERIFY(!connectionError(server, server.password()).isEmpty());
    QVERIFY(QDir(folder).exists());
}

void TestPrivatePostgres::anImmediateStopKeepsWhatWasCommitted()
{
    QString folder;
    {
        PrivatePostgres server;
        QVERIFY2(server.start(), qPrintable(server.error()));
        folder = server.dataFolder();
        QVERIFY2(server.superSql({"CREATE TABLE kept (n int)", "INSERT INTO kept VALUES (7)"}),
                 qPrintable(server.error()));
        const quint16 port = server.port();
        QVERIFY(server.stop(true));
        QVERIFY2(server.start(), qPrintable(server.error()));
        QCOMPARE(server.port(), port);
        QCOMPARE(server.superSql({"SELECT n FROM kept"}).value_or("?"), QString("7"));
        QCOMPARE(connectionError(server, server.password()), QString());
    }
    QVERIFY(!QDir(folder).exists()); // stopped and removed with the object
}

QTEST_GUILESS_MAIN(TestPrivatePostgres)
#include "tst_privatepostgres.moc"
