#include "support/fakeclusterserver.h"

#include <QTcpSocket>

FakeClusterServer::FakeClusterServer()
{
    connect(&m_server, &QTcpServer::newConnection, this, &FakeClusterServer::takeConnection);
    m_server.listen(QHostAddress::LocalHost);
    m_port = m_server.serverPort();
}

FakeClusterServer::~FakeClusterServer()
{
    if (m_client)
        m_client->abort();
    m_server.close();
}

void FakeClusterServer::takeConnection()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        ++connections;
        if (m_client)
            m_client->abort();
        m_client = socket;
        m_partial.clear();
        connect(socket, &QTcpSocket::readyRead, this, &FakeClusterServer::readLines);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        if (!silent)
            say("Welcome to the fake DX cluster\r\n\r\nPlease enter your call: login: ");
    }
}

void FakeClusterServer::say(const QByteArray& bytes)
{
    if (m_client) {
        m_client->write(bytes);
        m_client->flush();
    }
}

void FakeClusterServer::sayLine(const QString& line)
{
    say(line.toUtf8() + "\r\n");
}

void FakeClusterServer::saySpot(const QString& spotter, double kHz, const QString& call,
                                const QString& comment, const QString& time)
{
    sayLine(QStringLiteral("DX de %1:").arg(spotter).leftJustified(16) +
            QString::number(kHz, 'f', 1).rightJustified(9) + QStringLiteral("  ") + call.leftJustified(13) +
            comment.leftJustified(31) + time + QLatin1Char('Z'));
}

void FakeClusterServer::drop()
{
    if (m_client)
        m_client->disconnectFromHost();
}

void FakeClusterServer::readLines()
{
    if (!m_client)
        return;
    m_partial += m_client->readAll();
    qsizetype end = 0;
    while ((end = m_partial.indexOf("\r\n")) >= 0) {
        const QString line = QString::fromUtf8(m_partial.left(end));
        m_partial.remove(0, end + 2);
        logins << line;
        emit loggedIn(line);
        if (!silent)
            sayLine(QStringLiteral("Hello %1, this is the fake cluster\r\n%1 de FAKE >").arg(line));
    }
}
