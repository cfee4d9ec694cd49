#pragma once

#include <QProcess>

// hamlib's rotctld with its dummy rotator (model 1, about 6° a second) on a free local port,
// ended with the object.
class DummyRotctld
{
public:
    ~DummyRotctld();
    // Starts it (on a free port, or the one given) and waits until it takes connections;
    // false when it could not.
    bool start(quint16 port = 0);
    quint16 port() const { return m_port; }

    // A local port where nothing listens (at the moment it is asked).
    static quint16 freePort();

private:
    QProcess m_process;
    quint16 m_port = 0;
};
