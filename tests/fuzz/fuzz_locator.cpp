// Any two texts as own and correspondent locators: the geometry gives numbers in range.
#include "logging/locator.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString own = text.left(text.size() / 2);
    const QString other = text.mid(text.size() / 2);
    QString checked = other;
    LocatorIsValid(checked);
    const QString completed = completeLocator(other);
    int azimuth = 0;
    double distance = 0;
    LocatorAzimuthDistance(own, completed, azimuth, distance);
    if (azimuth < 0 || azimuth > 360 || !std::isfinite(distance) || distance < 0 || distance > 20100)
        std::abort();
    double longitude = 0;
    double latitude = 0;
    LocatorToLatLon(checked, longitude, latitude);
    // Field letters run to "X" as the sub-square's do, so the corner may lie past 180° east and
    // 90° north; it is finite and within what 24 letters give.
    if (!std::isfinite(longitude) || !std::isfinite(latitude) || longitude < -180 || longitude > 300 ||
        latitude < -90 || latitude > 150)
        std::abort();
    return 0;
}
