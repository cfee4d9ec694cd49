#pragma once

#include <QObject>
#include <QString>

#include <deque>
#include <optional>

class QTcpSocket;
class QTimer;

// An antenna rotator behind hamlib's rotctld, over TCP: "P az 0" turns it, "p" reads where it
// points. Nothing waits on the network: commands are sent as the connection allows and the
// answers come as events. A rotator that cannot be reached, answers an error or stops
// answering is reported once, the connection is dropped, the reading stops, and the next
// turn connects again.
class Rotator : public QObject
{
    Q_OBJECT
public:
    explicit Rotator(QObject* parent = nullptr);
    ~Rotator() override;

    void setAddress(const QString& host, quint16 port);
    QString address() const;
    // Switched on: reads where the antenna points twice a second, and a failure is said again.
    void start();
    // Turns the antenna, and reads where it points twice a second from then on. A rotator whose
    // range is not 0..360 (-180..180, say) is turned to the same direction within its range.
    void turnTo(int azimuth);
    // Stops reading and closes the connection: the rotator was switched off.
    void stop();

    static constexpr quint16 kDefaultPort = 4533;
    // A connection not made, or an answer not come, in this time is a failure.
    static constexpr int kTimeoutMs = 5000;

signals:
    void headingRead(double azimuth);
    void failed(const QString& message);

private:
    enum class Awaiting { Range, TurnReport, Heading, Elevation };
    void open();
    void send(const QByteArray& command, Awaiting answer);
    void sendWantedTurn();
    void flush();
    void readAnswers();
    void readRange(const QString& line);
    void fail(const QString& cause);

    QTcpSocket* m_socket;
    QTimer* m_reading;
    QTimer* m_waiting; // runs while a connection or an answer is due
    QString m_host;
    quint16 m_port = kDefaultPort;
    QByteArray m_unsent;
    std::deque<Awaiting> m_awaiting;
    bool m_reported = false;
    // The azimuths the rotator turns through, as its daemon tells them first on every
    // connection (0..360 when it cannot); a turn waits for them.
    double m_minAzimuth = 0;
    double m_maxAzimuth = 360;
    bool m_rangeKnown = false;
    std::optional<int> m_turnWanted;
};
