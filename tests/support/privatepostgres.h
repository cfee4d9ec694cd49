#pragma once

#include <QString>

#include <optional>

// A PostgreSQL 15 server of a test's own, never the stock cluster: a data folder made under
// /tmp and owned by the postgres user (initdb and pg_ctl refuse to run as root), a free port
// on 127.0.0.1 only, its socket inside the data folder, scram-sha-256 passwords, and a role
// and a database the program logs in with. Stopped and removed with the object.
class PrivatePostgres
{
public:
    PrivatePostgres();
    ~PrivatePostgres();
    PrivatePostgres(const PrivatePostgres&) = delete;
    PrivatePostgres& operator=(const PrivatePostgres&) = delete;

    // Makes the cluster on the first call, then starts the server and waits until it takes
    // connections; false with error() saying why (a missing tool included).
    bool start();
    // "-m fast" lets the clients go first; "-m immediate" is a crash, the next start recovers.
    bool stop(bool immediate = false);
    bool running() const { return m_running; }
    QString error() const { return m_error; }

    QString host() const { return QStringLiteral("127.0.0.1"); }
    quint16 port() const { return m_port; }
    QString database() const { return QStringLiteral("kovra"); }
    QString user() const { return QStringLiteral("operator"); }
    QString password() const { return m_password; }
    QString dataFolder() const { return m_folder; }

    // Runs statements as the superuser through the socket (psql, each -c on its own); the
    // output of the last one, unaligned, or none with error() saying why.
    std::optional<QString> superSql(const QStringList& statements, const QString& database = QString());

private:
    bool makeCluster();
    bool run(const QString& program, const QStringList& arguments, QString* output = nullptr,
             int timeoutMs = 120000);

    QString m_folder;
    QString m_password;
    quint16 m_port = 0;
    bool m_made = false;
    bool m_running = false;
    QString m_error;
};
