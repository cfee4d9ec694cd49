#pragma once

#include "store/errors.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

struct pg_conn;

// Where the shared log's server is and who logs in. An empty password leaves it to libpq's
// own means: PGPASSWORD, or the password file (~/.pgpass).
struct ServerAddress
{
    QString host;
    int port = 5432;
    QString database;
    QString user;
    QString password;

    bool operator==(const ServerAddress&) const = default;
};

// A failure of the server or of the way to it, with the text the operator reads.
class PgError : public KovraError
{
public:
    enum Kind {
        Unreachable,   // no connection, or it broke
        NeedsPassword, // the server asks for a password and none was given or found
        LoginRefused,  // the server refused the login (a wrong password, an unknown user)
        Timeout,       // no answer in time; the connection is given up
        Refused,       // the server refused a statement
        SchemaTooNew,  // the server's schema is of a newer program
        PositionTaken  // another copy of this position's log is on the server under its id
    };
    PgError(Kind kind, const QString& message, const QString& sqlState = QString())
        : KovraError(message), m_kind(kind), m_sqlState(sqlState)
    {}
    Kind kind() const { return m_kind; }
    // A refusal of the statement's own data (a value out of range, a broken constraint): the
    // same statement is refused again however long one waits. Any other refusal (a lock or
    // statement timeout, a read-only or full server) is the server's state of the moment.
    bool badData() const
    {
        return m_kind == Refused &&
               (m_sqlState.startsWith(QLatin1String("22")) || m_sqlState.startsWith(QLatin1String("23")));
    }

private:
    Kind m_kind;
    QString m_sqlState; // the server's five-character SQLSTATE of a refusal
};

// A value bound to a statement's $n, in PostgreSQL's text form; none is NULL.
using PgParam = std::optional<QString>;
using PgRow = std::vector<std::optional<QString>>;

// One connection to the shared log's server through libpq's C API. Values always go in as
// bound parameters, never into the statement's text. Every call waits at most the answer
// timeout, whatever the network does; a connection that timed out or broke is given up and
// every later call fails at once, so its owner connects again. Used by one thread only.
class PgConnection
{
public:
    static constexpr int kConnectTimeoutSeconds = 5;
    static constexpr int kAnswerTimeoutMs = 10000;
    // A session left inside a transaction this long (its program stopped, or its network gone,
    // which the server may not notice for a long while) is ended by the server, so the row
    // locks it took (a band's lease) never hold the other positions back for good.
    static constexpr int kIdleInTransactionMs = 15000;

    // Connects and checks the login; throws PgError.
    explicit PgConnection(const ServerAddress& address, int answerTimeoutMs = kAnswerTimeoutMs,
                          int idleInTransactionMs = kIdleInTransactionMs);
    ~PgConnection();
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    bool broken() const;

    // Runs one statement and gives its rows; throws PgError.
    std::vector<PgRow> exec(const QString& sql, const std::vector<PgParam>& params = {});
    // The first column of the first row; none for no row or NULL.
    std::optional<QString> value(const QString& sql, const std::vector<PgParam>& params = {});

    // Statements between BEGIN and COMMIT; an exception rolls back (when the connection
    // still stands) and goes on up.
    template <typename F> void transaction(F&& work)
    {
        exec(QStringLiteral("BEGIN"));
        try {
            work();
            exec(QStringLiteral("COMMIT"));
        } catch (...) {
            rollbackQuietly();
            throw;
        }
    }

    // Waits until a notification comes, `wakeFd` (when not -1) becomes readable, or
    // `timeoutMs` passes; gives the payloads of what came. Throws PgError when the
    // connection breaks.
    QStringList waitForNotifications(int wakeFd, int timeoutMs);

private:
    [[noreturn]] void fail(PgError::Kind kind, const QString& message, const QString& sqlState = QString());
    void rollbackQuietly();
    void waitFor(short events, qint64 deadlineMs);
    QStringList takeNotifications();

    pg_conn* m_conn = nullptr;
    int m_answerTimeoutMs;
    bool m_broken = false;
};

// A statement parameter from a number, as PostgreSQL reads it back exactly.
PgParam pgNumber(qint64 value);
PgParam pgNumber(double value);
