#include "sharing/pgconnection.h"

#include <QDeadlineTimer>

#include <libpq-fe.h>

#include <poll.h>

#include <cerrno>

namespace {

QString libpqMessage(const PGconn* conn)
{
    return QString::fromUtf8(PQerrorMessage(conn)).trimmed();
}

// A server that is stopped or unreachable must not hold a statement for long: the server
// ends a statement that runs too long, and the socket gives up a peer that stopped answering
// (the keepalives and the user timeout below). A session that stops in the middle of a
// transaction is ended by the server after `idleMs`, whatever its socket still answers.
QByteArray sessionOptions(int idleMs)
{
    return QByteArrayLiteral("-c statement_timeout=8000 -c lock_timeout=5000 "
                             "-c idle_in_transaction_session_timeout=") +
           QByteArray::number(idleMs);
}

} // namespace

PgConnection::PgConnection(const ServerAddress& address, int answerTimeoutMs, int idleInTransactionMs)
    : m_answerTimeoutMs(answerTimeoutMs)
{
    const QByteArray host = address.host.toUtf8();
    const QByteArray port = QByteArray::number(address.port);
    const QByteArray database = address.database.toUtf8();
    const QByteArray user = address.user.toUtf8();
    const QByteArray password = address.password.toUtf8();
    const QByteArray timeout = QByteArray::number(kConnectTimeoutSeconds);
    const QByteArray options = sessionOptions(idleInTransactionMs);
    std::vector<const char*> keys{"host",
                                  "port",
                                  "dbname",
                                  "user",
                                  "connect_timeout",
                                  "application_name",
                                  "options",
                                  "keepalives",
                                  "keepalives_idle",
                                  "keepalives_interval",
                                  "keepalives_count",
                                  "tcp_user_timeout",
                                  "client_encoding"};
    std::vector<const char*> values{host.constData(),
                                    port.constData(),
                                    database.constData(),
                                    user.constData(),
                                    timeout.constData(),
                                    "Kovra log",
                                    options.constData(),
                                    "1",
                                    "10",
                                    "5",
                                    "3",
                                    "10000",
                                    "UTF8"};
    if (!address.password.isEmpty()) {
        keys.push_back("password");
        values.push_back(password.constData());
    }
    keys.push_back(nullptr);
    values.push_back(nullptr);
    m_conn = PQconnectdbParams(keys.data(), values.data(), 0);
    if (!m_conn)
        throw PgError(PgError::Unreachable, QStringLiteral("нет памяти для соединения"));
    if (PQstatus(m_conn) != CONNECTION_OK) {
        const QString message = libpqMessage(m_conn);
        PgError::Kind kind = PgError::Unreachable;
        if (PQconnectionNeedsPassword(m_conn))
            kind = PgError::NeedsPassword;
        else if (PQconnectionUsedPassword(m_conn))
            kind = PgError::LoginRefused;
        PQfinish(m_conn);
        m_conn = nullptr;
        m_broken = true;
        throw PgError(kind, message);
    }
    // Writes never wait on a full socket: the deadline covers them too.
    PQsetnonblocking(m_conn, 1);
}

PgConnection::~PgConnection()
{
    if (m_conn)
        PQfinish(m_conn);
}

bool PgConnection::broken() const
{
    return m_broken || !m_conn || PQstatus(m_conn) != CONNECTION_OK;
}

void PgConnection::fail(PgError::Kind kind, const QString& message, const QString& sqlState)
{
    // A connection that broke or timed out is never used again: an answer that comes late
    // would be taken for the next statement's.
    if (kind != PgError::Refused) {
        m_broken = true;
        if (m_conn) {
            PQfinish(m_conn);
            m_conn = nullptr;
        }
    }
    throw PgError(kind, message, sqlState);
}

void PgConnection::waitFor(short events, qint64 deadlineMs)
{
    while (true) {
        const qint64 left = deadlineMs - QDeadlineTimer::current().deadline();
        if (left <= 0)
            fail(PgError::Timeout, QStringLiteral("сервер не ответил за %1 с").arg(m_answerTimeoutMs / 1000));
        pollfd fd{PQsocket(m_conn), events, 0};
        const int ready = ::poll(&fd, 1, int(left));
        if (ready > 0)
            return;
        if (ready < 0 && errno != EINTR)
            fail(PgError::Unreachable, QStringLiteral("ошибка сокета"));
    }
}

std::vector<PgRow> PgConnection::exec(const QString& sql, const std::vector<PgParam>& params)
{
    if (broken())
        fail(PgError::Unreachable, QStringLiteral("нет соединения с сервером"));
    const qint64 deadline = QDeadlineTimer::current().deadline() + m_answerTimeoutMs;
    std::vector<QByteArray> texts;
    texts.reserve(params.size());
    std::vector<const char*> values;
    values.reserve(params.size());
    for (const PgParam& p : params) {
        texts.push_back(p ? p->toUtf8() : QByteArray());
        values.push_back(p ? texts.back().constData() : nullptr);
    }
    const QByteArray text = sql.toUtf8();
    if (!PQsendQueryParams(m_conn, text.constData(), int(values.size()), nullptr, values.data(), nullptr,
                           nullptr, 0))
        fail(PgError::Unreachable, libpqMessage(m_conn));
    while (true) {
        const int flushed = PQflush(m_conn);
        if (flushed == 0)
            break;
        if (flushed < 0)
            fail(PgError::Unreachable, libpqMessage(m_conn));
        waitFor(POLLOUT | POLLIN, deadline);
        if (!PQconsumeInput(m_conn))
            fail(PgError::Unreachable, libpqMessage(m_conn));
    }
    std::vector<PgRow> rows;
    QString refusal;
    QString sqlState;
    while (true) {
        while (PQisBusy(m_conn)) {
            waitFor(POLLIN, deadline);
            if (!PQconsumeInput(m_conn))
                fail(PgError::Unreachable, libpqMessage(m_conn));
        }
        PGresult* result = PQgetResult(m_conn);
        if (!result)
            break;
        const ExecStatusType status = PQresultStatus(result);
        if (status == PGRES_TUPLES_OK) {
            const int columns = PQnfields(result);
            for (int r = 0; r < PQntuples(result); ++r) {
                PgRow row(size_t(columns), std::nullopt);
                for (int c = 0; c < columns; ++c) {
                    if (!PQgetisnull(result, r, c))
                        row[size_t(c)] =
                            QString::fromUtf8(PQgetvalue(result, r, c), PQgetlength(result, r, c));
                }
                rows.push_back(std::move(row));
            }
        } else if (status != PGRES_COMMAND_OK && refusal.isEmpty()) {
            refusal = QString::fromUtf8(PQresultErrorMessage(result)).trimmed();
            if (refusal.isEmpty())
                refusal = QStringLiteral("сервер отказал");
            sqlState = QString::fromLatin1(PQresultErrorField(result, PG_DIAG_SQLSTATE));
        }
        PQclear(result);
    }
    if (PQstatus(m_conn) != CONNECTION_OK)
        fail(PgError::Unreachable, refusal.isEmpty() ? libpqMessage(m_conn) : refusal);
    if (!refusal.isEmpty())
        fail(PgError::Refused, refusal, sqlState);
    return rows;
}

std::optional<QString> PgConnection::value(const QString& sql, const std::vector<PgParam>& params)
{
    const std::vector<PgRow> rows = exec(sql, params);
    if (rows.empty() || rows.front().empty())
        return std::nullopt;
    return rows.front().front();
}

void PgConnection::rollbackQuietly()
{
    if (broken())
        return;
    try {
        exec(QStringLiteral("ROLLBACK"));
    } catch (const PgError&) {
        // The error that led here is the one the caller hears of.
    }
}

QStringList PgConnection::takeNotifications()
{
    QStringList payloads;
    while (PGnotify* notify = PQnotifies(m_conn)) {
        payloads << QString::fromUtf8(notify->extra);
        PQfreemem(notify);
    }
    return payloads;
}

QStringList PgConnection::waitForNotifications(int wakeFd, int timeoutMs)
{
    if (broken())
        fail(PgError::Unreachable, QStringLiteral("нет соединения с сервером"));
    QStringList payloads = takeNotifications();
    if (!payloads.isEmpty())
        return payloads;
    pollfd fds[2] = {{PQsocket(m_conn), POLLIN, 0}, {wakeFd, POLLIN, 0}};
    const int ready = ::poll(fds, wakeFd >= 0 ? 2 : 1, timeoutMs);
    if (ready < 0 && errno != EINTR)
        fail(PgError::Unreachable, QStringLiteral("ошибка сокета"));
    if (ready > 0 && fds[0].revents) {
        // A connection the server ended while it waited says so here, not at the next statement.
        if (!PQconsumeInput(m_conn) || PQstatus(m_conn) != CONNECTION_OK)
            fail(PgError::Unreachable, libpqMessage(m_conn));
        payloads = takeNotifications();
    }
    return payloads;
}

PgParam pgNumber(qint64 value)
{
    return QString::number(value);
}

PgParam pgNumber(double value)
{
    return QString::number(value, 'g', 17);
}
