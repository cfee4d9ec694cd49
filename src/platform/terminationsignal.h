#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM, SIGHUP and SIGINT as a Qt signal, so that a session's logout, a closed terminal or
// Ctrl+C closes the windows the normal way: the settings are stored and the last backup is
// made. The handler only writes a byte to a socket; the rest runs in the event loop.
class TerminationSignal : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignal(QObject* parent = nullptr);
    ~TerminationSignal() override;

signals:
    void received();

private:
    QSocketNotifier* m_notifier = nullptr;
};
