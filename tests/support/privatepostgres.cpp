#include "support/privatepostgres.h"

#include "support/dummyrotctld.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace {

const QString kBin = QStringLiteral("/usr/lib/postgresql/15/bin/");

QString asPostgres(const QString& tool)
{
    return kBin + tool;
}

} // namespace

PrivatePostgres::PrivatePostgres()
{
    const quint64 a = QRandomGenerator::system()->generate64();
    const quint64 b = QRandomGenerator::system()->generate64();
    m_password = QString::number(a, 16) + QString::number(b, 16);
}

PrivatePostgres::~PrivatePostgres()
{
    if (m_running)
        stop(true);
    if (!m_folder.isEmpty())
        QDir(m_folder).removeRecursively();
}

bool PrivatePostgres::run(const QString& program, const QStringList& arguments, QString* output,
                          int timeoutMs)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    // The tools run as the postgres user; the folder they start in must be one it may enter.
    process.setWorkingDirectory(QStringLiteral("/"));
    process.start(QStringLiteral("runuser"), QStringList{QStringLiteral("-u"), QStringLiteral("postgres"),
                                                         QStringLiteral("--"), program} +
                                                 arguments);
    if (!process.waitForStarted(10000)) {
        m_error = QStringLiteral("runuser: %1").arg(process.errorString());
        return false;
    }
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        m_error = QStringLiteral("%1 did not end").arg(program);
        return false;
    }
    const QString text = QString::fromUtf8(process.readAll());
    if (output)
        *output = text;
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        m_error = QStringLiteral("%1 %2: %3").arg(program, arguments.join(QLatin1Char(' ')), text);
        return false;
    }
    return true;
}

bool PrivatePostgres::makeCluster()
{
    if (::geteuid() != 0) {
        m_error = QStringLiteral("the private server is made as root (runuser to postgres)");
        return false;
    }
    for (const QString& tool : {QStringLiteral("initdb"), QStringLiteral("pg_ctl"), QStringLiteral("psql")}) {
        if (!QFile::exists(asPostgres(tool))) {
            m_error = QStringLiteral("%1 is missing: install postgresql (scripts/install-deps.sh)")
                          .arg(asPostgres(tool));
            return false;
        }
    }
    const passwd* postgres = ::getpwnam("postgres");
    if (!postgres) {
        m_error = QStringLiteral("no postgres user: install postgresql (scripts/install-deps.sh)");
        return false;
    }
    // Under /tmp itself: root's own temporary folders are closed to the postgres user.
    QByteArray pattern("/tmp/kovra-pg-XXXXXX");
    if (!::mkdtemp(pattern.data())) {
        m_error = QStringLiteral("no folder under /tmp");
        return false;
    }
    m_folder = QString::fromLocal8Bit(pattern);
    if (::chown(pattern.constData(), postgres->pw_uid, postgres->pw_gid) != 0) {
        m_error = QStringLiteral("cannot give %1 to postgres").arg(m_folder);
        return false;
    }
    if (!run(asPostgres(QStringLiteral("initdb")),
             {QStringLiteral("-D"), m_folder, QStringLiteral("-U"), QStringLiteral("postgres"),
              QStringLiteral("--auth-local=trust"), QStringLiteral("--auth-host=scram-sha-256"),
              QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--locale=C"),
              QStringLiteral("--no-sync")}))
        return false;
    m_port = DummyRotctld::freePort();
    QFile conf(m_folder + QStringLiteral("/postgresql.conf"));
    if (!conf.open(QIODevice::Append | QIODevice::Text)) {
        m_error = conf.errorString();
        return false;
    }
    conf.write(QStringLiteral("\nlisten_addresses = '127.0.0.1'\n"
                              "port = %1\n"
                              "unix_socket_directories = '%2'\n"
                              "password_encryption = 'scram-sha-256'\n"
                              "max_connections = 40\n"
                              "shared_buffers = 16MB\n")
                   .arg(m_port)
                   .arg(m_folder)
                   .toUtf8());
    conf.close();
    m_made = true;
    return true;
}

bool PrivatePostgres::start()
{
    m_error.clear();
    const bool first = !m_made;
    if (first && !makeCluster())
        return false;
    if (!run(asPostgres(QStringLiteral("pg_ctl")),
             {QStringLiteral("-D"), m_folder, QStringLiteral("-l"), m_folder + QStringLiteral("/server.log"),
              QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("60"), QStringLiteral("start")})) {
        QFile log(m_folder + QStringLiteral("/server.log"));
        if (log.open(QIODevice::ReadOnly))
            m_error += QStringLiteral("\n") + QString::fromUtf8(log.readAll().right(2000));
        return false;
    }
    m_running = true;
    if (first) {
        const QString role = QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD '%2'").arg(user(), m_password);
        const QString base = QStringLiteral("CREATE DATABASE %1 OWNER %2").arg(database(), user());
        if (!superSql({role, base}, QStringLiteral("postgres")))
            return false;
    }
    return true;
}

bool PrivatePostgres::stop(bool immediate)
{
    if (!m_running)
        return true;
    const bool stopped = run(asPostgres(QStringLiteral("pg_ctl")),
                             {QStringLiteral("-D"), m_folder, QStringLiteral("-m"),
                              immediate ? QStringLiteral("immediate") : QStringLiteral("fast"),
                              QStringLiteral("-w"), QStringLiteral("stop")});
    if (stopped)
        m_running = false;
    return stopped;
}

std::optional<QString> PrivatePostgres::superSql(const QStringList& statements, const QString& database)
{
    QStringList arguments{QStringLiteral("-h"), m_folder,
                          QStringLiteral("-p"), QString::number(m_port),
                          QStringLiteral("-U"), QStringLiteral("postgres"),
                          QStringLiteral("-d"), database.isEmpty() ? this->database() : database,
                          QStringLiteral("-X"), QStringLiteral("-q"),
                          QStringLiteral("-A"), QStringLiteral("-t"),
                          QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1")};
    for (const QString& statement : statements)
        arguments << QStringLiteral("-c") << statement;
    QString output;
    if (!run(asPostgres(QStringLiteral("psql")), arguments, &output))
        return std::nullopt;
    return output.trimmed();
}
