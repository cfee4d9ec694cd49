#include "support/fakelineserver.h"

#include <QTcpSocket>

FakeLineServer::FakeLineServer()
{
    connect(&m_server, &QTcpServer::newConnection, this, &FakeLineServer::takeConnection);
    m_server.listen(QHostAddress::LocalHost);
    m_port = m_server.serverPort();
}

FakeLineServer::~FakeLineServer()
{
    if (m_client)
        m_client->abort();
    m_server.close();
}

void FakeLineServer::stopListening()
{
    m_server.close();
}

bool FakeLineServer::listenAgain()
{
    return m_server.listen(QHostAddress::LocalHost, m_port);
}

void FakeLineServer::takeConnection()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        ++connections;
        if (m_client)
            m_client->abort();
        m_client = socket;
        m_partial.clear();
        connect(socket, &QTcpSocket::readyRead, this, &FakeLineServer::readLines);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        begin();
    }
}

void FakeLineServer::say(const QByteArray& bytes)
{
    if (m_client) {
        m_client->write(bytes);
        m_client->flush();
    }
}

void FakeLineServer::sayLine(const QString& line)
{
    say(line.toUtf8() + "\r\n");
}

void FakeLineServer::drop()
{
    if (m_client)
        m_client->disconnectFromHost();
}

void FakeLineServer::readLines()
{
    if (!m_client)
        return;
    m_partial += m_client->readAll();
    qsizetype end = 0;
    while ((end = m_partial.indexOf("\r\n")) >= 0) {
        const QString line = QString::fromUtf8(m_partial.left(end));
        m_partial.remove(0, end + 2);
        received << line;
        emit lineReceived(line);
        if (!silent)
            answer(line);
    }
}
