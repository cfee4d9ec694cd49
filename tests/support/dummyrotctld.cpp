#include "support/dummyrotctld.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

DummyDaemon::~DummyDaemon()
{
    m_process.kill();
    m_process.waitForFinished();
}

quint16 DummyDaemon::freePort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

bool DummyDaemon::start(quint16 port, const QString& settings)
{
    m_port = port ? port : freePort();
    QStringList arguments{QStringLiteral("-m"),        QStringLiteral("1"),  QStringLiteral("-T"),
                          QStringLiteral("127.0.0.1"), QStringLiteral("-t"), QString::number(m_port)};
    if (!settings.isEmpty())
        arguments << QStringLiteral("--set-conf=") + settings;
    m_process.start(m_program, arguments);
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

bool DummyDaemon::set(const QByteArray& commands) const
{
    QTcpSocket knobs;
    knobs.connectToHost(QStringLiteral("127.0.0.1"), m_port);
    if (!knobs.waitForConnected(3000))
        return false;
    knobs.write(commands);
    QByteArray answers;
    while (answers.count("RPRT 0\n") < commands.count('\n')) {
        if (!knobs.waitForReadyRead(3000))
            return false;
        answers += knobs.readAll();
    }
    return true;
}

FakeRotctld::FakeRotctld()
{
    m_server.listen(QHostAddress::LocalHost);
    QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
        QTcpSocket* client = m_server.nextPendingConnection();
        ++connections;
        QObject::connect(client, &QTcpSocket::readyRead, client, [this, client] {
            while (client->canReadLine()) {
                const QByteArray command = client->readLine().trimmed();
                received << command;
                answer(client, command);
            }
        });
    });
}

void FakeRotctld::answer(QTcpSocket* client, const QByteArray& command)
{
    const bool reading = command == "p" || command == "f";
    if (readingsBeforeSilence >= 0 && m_readingsAnswered >= readingsBeforeSilence)
        return;
    if (hangsUp && reading) {
        client->disconnectFromHost();
        return;
    }
    if (reading)
        ++m_readingsAnswered;
    if (refusesAll) {
        client->write("RPRT -1\n");
    } else if (command == "p") {
        client->write(heading + "\n0.000000\n");
    } else if (command == "f") {
        client->write(frequency + "\n");
    } else if (command == "m") {
        client->write(mode.startsWith("RPRT") ? mode + '\n' : mode + "\n15000\n");
    } else if (command.startsWith("P ")) {
        client->write("RPRT 0\n");
    } else if (command.startsWith("F ")) {
        frequency = command.mid(2);
        client->write("RPRT 0\n");
    } else if (command.startsWith("M ")) {
        mode = command.split(' ').value(1);
        client->write("RPRT 0\n");
    } else if (command == "+\\dump_state" && range) {
        client->write(QStringLiteral("dump_state:\nrotctld Protocol Ver: 1\nRotor Model: 1\n"
                                     "Minimum Azimuth: %1\nMaximum Azimuth: %2\n"
                                     "Minimum Elevation: 0.000000\nMaximum Elevation: 90.000000\n"
                                     "South Zero: 0\nrot_type=AzEl\ndone\nRPRT 0\n")
                          .arg(range->first, 0, 'f', 6)
                          .arg(range->second, 0, 'f', 6)
                          .toLatin1());
    } else {
        client->write("RPRT -4\n"); // hamlib's "not implemented"
    }
}
