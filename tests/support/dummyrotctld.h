#pragma once

#include <QList>
#include <QProcess>
#include <QTcpServer>

#include <optional>
#include <utility>

class QTcpSocket;

// hamlib's rotctld with its dummy rotator (model 1, about 6° a second) on a free local port,
// ended with the object.
class DummyRotctld
{
public:
    ~DummyRotctld();
    // Starts it (on a free port, or the one given; with rotctld's --set-conf settings, such as
    // "min_az=-180,max_az=180") and waits until it takes connections; false when it could not.
    bool start(quint16 port = 0, const QString& settings = QString());
    quint16 port() const { return m_port; }

    // A local port where nothing listens (at the moment it is asked).
    static quint16 freePort();

private:
    QProcess m_process;
    quint16 m_port = 0;
};

// A rotctld of the tests' own on a free local port, for the answers hamlib's never gives: a
// heading that is not a number, an error to everything, silence, no range. Its antenna points
// north; it keeps every command it was sent.
class FakeRotctld
{
public:
    FakeRotctld();
    quint16 port() const { return m_server.serverPort(); }

    QByteArray heading = "0.000000"; // the first line of its answer to "p"
    int headingsBeforeSilence = -1;  // after answering "p" so often it answers nothing; -1: never
    bool refusesAll = false;         // "RPRT -1" to every command, as for a rotator at fault
    // The azimuths it turns through, told as hamlib tells them; none: it cannot tell.
    using Range = std::optional<std::pair<double, double>>;
    Range range = std::pair(0.0, 360.0);
    QList<QByteArray> received;
    int connections = 0;

private:
    void answer(QTcpSocket* client, const QByteArray& command);

    QTcpServer m_server;
    int m_headingsAnswered = 0;
};
