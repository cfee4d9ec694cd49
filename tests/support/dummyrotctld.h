#pragma once

#include <QList>
#include <QProcess>
#include <QTcpServer>

#include <optional>
#include <utility>

class QTcpSocket;

// One of hamlib's daemons with its dummy device (model 1) on a free local port, ended with the
// object.
class DummyDaemon
{
public:
    explicit DummyDaemon(const QString& program) : m_program(program) {}
    ~DummyDaemon();
    // Starts it (on a free port, or the one given; with the daemon's --set-conf settings, such as
    // "min_az=-180,max_az=180") and waits until it takes connections; false when it could not.
    bool start(quint16 port = 0, const QString& settings = QString());
    quint16 port() const { return m_port; }
    // Sends commands that set the device ("F 432200000\nM USB 2400\n") over a connection of
    // its own, as another program or the device's knobs would, and waits for "RPRT 0" to each;
    // false when they were not all done.
    bool set(const QByteArray& commands) const;

    // A local port where nothing listens (at the moment it is asked).
    static quint16 freePort();

private:
    QString m_program;
    QProcess m_process;
    quint16 m_port = 0;
};

// rotctld's dummy rotator turns about 6° a second.
class DummyRotctld : public DummyDaemon
{
public:
    DummyRotctld() : DummyDaemon(QStringLiteral("rotctld")) {}
};

// rigctld's dummy rig starts on 145 MHz FM and takes any frequency and mode it is set to.
class DummyRigctld : public DummyDaemon
{
public:
    DummyRigctld() : DummyDaemon(QStringLiteral("rigctld")) {}
};

// A rotctld and rigctld of the tests' own on a free local port, for the answers hamlib's never
// give: a heading or frequency that is not a number, an error to everything, silence, no
// range, a hang-up. Its antenna points north, its rig is on 145 MHz FM; it keeps every command
// it was sent.
class FakeRotctld
{
public:
    FakeRotctld();
    quint16 port() const { return m_server.serverPort(); }

    QByteArray heading = "0.000000";    // the first line of its answer to "p"
    QByteArray frequency = "145000000"; // its answer to "f"; "F" sets it
    QByteArray mode = "FM";             // the first line of its answer to "m" ("RPRT n": all of it)
    int readingsBeforeSilence = -1;     // after answering "p" or "f" so often it answers nothing; -1: never
    bool refusesAll = false;            // "RPRT -1" to every command, as for a device at fault
    bool hangsUp = false;               // closes the connection at "p" or "f"
    // The azimuths it turns through, told as hamlib tells them; none: it cannot tell.
    using Range = std::optional<std::pair<double, double>>;
    Range range = std::pair(0.0, 360.0);
    QList<QByteArray> received;
    int connections = 0;

private:
    void answer(QTcpSocket* client, const QByteArray& command);

    QTcpServer m_server;
    int m_readingsAnswered = 0;
};
