#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTcpServer>

class QTcpSocket;

// A DX cluster of the tests' own on a free local port, ended with the object. It greets, asks
// for the call with a prompt ending in "login: " and no line end, as a terminal waits on it,
// and greets the call; then the test makes it send spots, garbage, or drop the connection.
// One client at a time.
class FakeClusterServer : public QObject
{
    Q_OBJECT
public:
    FakeClusterServer();
    ~FakeClusterServer() override;

    quint16 port() const { return m_port; }

    // Bytes to the client as they are, and a line with CR LF.
    void say(const QByteArray& bytes);
    void sayLine(const QString& line);
    // "DX de SPOTTER:  FREQ  CALL  comment  HHMMZ", as clusters align it.
    void saySpot(const QString& spotter, double kHz, const QString& call, const QString& comment,
                 const QString& time = QStringLiteral("1015"));
    // Closes the client's connection.
    void drop();

    bool silent = false; // takes connections and says nothing
    // The calls the clients logged in with, over all connections.
    QStringList logins;
    int connections = 0;

signals:
    void loggedIn(const QString& call);

private:
    void takeConnection();
    void readLines();

    QTcpServer m_server;
    quint16 m_port = 0;
    QPointer<QTcpSocket> m_client;
    QByteArray m_partial;
};
