#pragma once

#include "station/hamlibclient.h"

#include <optional>

// An antenna rotator behind hamlib's rotctld: "P az 0" turns it, "p" reads where it points.
// First on every connection it asks the azimuths the rotator turns through.
class Rotator : public HamlibClient
{
    Q_OBJECT
public:
    explicit Rotator(QObject* parent = nullptr);

    // Turns the antenna, and reads where it points twice a second from then on. A rotator whose
    // range is not 0..360 (-180..180, say) is turned to the same direction within its range.
    void turnTo(int azimuth);

    static constexpr quint16 kDefaultPort = 4533;

signals:
    void headingRead(double azimuth);

protected:
    void poll() override;
    void connectionOpening() override;
    void connectionDropped() override;
    void answered(int tag, const HamlibAnswer& answer) override;

private:
    enum Tag { Range, Turn, Heading };
    void sendWantedTurn();
    void readRange(const HamlibAnswer& answer);

    // The azimuths the rotator turns through, as its daemon tells them first on every
    // connection (0..360 when it cannot); a turn waits for them.
    double m_minAzimuth = 0;
    double m_maxAzimuth = 360;
    bool m_rangeKnown = false;
    std::optional<int> m_turnWanted;
};
