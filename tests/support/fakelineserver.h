#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTcpServer>

class QTcpSocket;

// A line-by-line text server of the tests' own on a free local port, ended with the object:
// the ground of the fake chat and the fake cluster. It takes one client at a time (a new one
// replaces the old), greets it and answers each line it sends, unless silent. The test makes it
// say more, cut a line in the middle, drop the connection, or stop taking connections.
class FakeLineServer : public QObject
{
    Q_OBJECT
public:
    ~FakeLineServer() override;

    quint16 port() const { return m_port; }
    // Stops taking connections (those that come are refused) and takes them again, on the
    // same port.
    void stopListening();
    bool listenAgain();

    // Bytes to the client as they are, and a line with CR LF.
    void say(const QByteArray& bytes);
    void sayLine(const QString& line);
    // Closes the client's connection.
    void drop();

    bool silent = false; // takes connections and says nothing
    // Every line a client sent, in order, over all connections.
    QStringList received;
    int connections = 0;

signals:
    void lineReceived(const QString& line);

protected:
    FakeLineServer();
    // A new client: the server starts over and, unless silent, greets it.
    virtual void begin() = 0;
    // A line the client sent, when not silent.
    virtual void answer(const QString& line) = 0;

private:
    void takeConnection();
    void readLines();

    QTcpServer m_server;
    quint16 m_port = 0;
    QPointer<QTcpSocket> m_client;
    QByteArray m_partial;
};
