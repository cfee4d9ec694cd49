#include "support/dummyrotctld.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

DummyRotctld::~DummyRotctld()
{
    m_process.kill();
    m_process.waitForFinished();
}

quint16 DummyRotctld::freePort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

bool DummyRotctld::start(quint16 port)
{
    m_port = port ? port : freePort();
    m_process.start(QStringLiteral("rotctld"),
                    {QStringLiteral("-m"), QStringLiteral("1"), QStringLiteral("-T"),
                     QStringLiteral("127.0.0.1"), QStringLiteral("-t"), QString::number(m_port)});
    if (!m_process.waitForStarted(10000))
        return false;
    return QTest::qWaitFor(
        [this] {
            QTcpSocket probe;
            probe.connectToHost(QStringLiteral("127.0.0.1"), m_port);
            return probe.waitForConnected(200);
        },
        10000);
}
