#pragma once

#include "station/hamlibanswer.h"

#include <QObject>
#include <QString>

#include <deque>

class QTcpSocket;
class QTimer;

// A device behind one of hamlib's daemons (rigctld, rotctld), spoken to over TCP on the GUI
// thread without ever waiting on the network: questions go out one at a time as the connection
// allows, the answers come as events. A connection not made, or an answer not come, in 5
// seconds is a failure, as are an error answer, a closed connection and an answer that makes no
// sense. A failure drops the connection and is said once, with the device and its address;
// while switched on, the client connects again after a growing delay and says when the device
// answers again.
class HamlibClient : public QObject
{
    Q_OBJECT
public:
    ~HamlibClient() override;

    // Another address switches the client off.
    void setAddress(const QString& host, quint16 port);
    QString address() const;
    // Switched on: reads the device at once and every kPollMs from then on; a failure is said
    // again, once.
    void start();
    // Switched off: no more questions, no reconnecting, the connection closed.
    void stop();
    bool isOn() const { return m_on; }

    static constexpr int kTimeoutMs = 5000;
    static constexpr int kPollMs = 500;
    // The wait before the n-th attempt in a row to connect again (n from 1): 2 s, doubling up to
    // 30 s, so that a device that is off costs nothing and one switched on is back soon.
    static int reconnectDelayMs(int attempt);

signals:
    // "<device> <address>: <cause>", once until the device answers again.
    void failed(const QString& message);
    // "<device> <address>: снова отвечает", after a failure was said.
    void answersAgain(const QString& message);

protected:
    HamlibClient(const QString& device, quint16 port, QObject* parent);

    // Queues a question; `tag` comes back with its answer. Connects first when needed.
    void ask(const QByteArray& command, AnswerForm form, int tag);
    // Whether a question of this tag is queued or awaits its answer.
    bool isAsking(int tag) const;
    // The operator wants the device now: switched on, and connecting at once rather than after
    // the delay a failure set.
    void wake();
    // Drops the connection and says the cause, once; while on, connects again later.
    void fail(const QString& cause);
    // The device gave what was asked (a whole reading, a command done): after a failure, it is
    // said that it answers again.
    void answeredWell();
    bool isConnected() const;

    // Every kPollMs while on: the questions that read the device.
    virtual void poll() = 0;
    // A new connection is being made: the questions that must come first on it.
    virtual void connectionOpening() {}
    // The connection is gone: what was known of it is forgotten.
    virtual void connectionDropped() {}
    // An answer, an error answer ("RPRT" below 0) too; the handler judges it.
    virtual void answered(int tag, const HamlibAnswer& answer) = 0;

private:
    struct Question
    {
        QByteArray command;
        AnswerForm form;
        int tag = 0;
    };
    void open();
    void sendNext();
    void readAnswers();
    void drop();

    QTcpSocket* m_socket;
    QTimer* m_polling;
    QTimer* m_waiting;      // runs while a connection or an answer is due
    QTimer* m_reconnecting; // the delay after a failure, while on
    QString m_device;
    QString m_host;
    quint16 m_port;
    std::deque<Question> m_questions;
    bool m_sent = false; // the front question went out and awaits its answer
    QByteArray m_received;
    bool m_on = false;
    bool m_reported = false;  // a failure was said and the device has not answered since
    int m_failures = 0;       // in a row, for the delay
    quint64 m_connection = 0; // counts connections dropped, so a handler sees its own dropped
};
