#include "logging/locator.h"

#include <cmath>

namespace {

constexpr double kHalfPi = 1.5707963267948966;
constexpr double kPi = 3.14159265358979323846;
constexpr double kDegreesPerRadian = 57.29577951308232;
// The codes of "A" and "0" folded into one number each, cut after the seventh decimal.
constexpr double kLatitudeOffset = 700.7083333;
constexpr double kLongitudeOffset = 1401.4166666;

bool isLocatorLetter(QChar c)
{
    return c >= QLatin1Char('A') && c <= QLatin1Char('X');
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

double code(const QString& locator, int i)
{
    return double(locator[i].unicode());
}

// Latitude + 90° and longitude + 180°, in degrees, from the character codes.
double polarDegrees(const QString& l)
{
    return 10 * code(l, 1) + code(l, 3) + code(l, 5) / 24 - kLatitudeOffset;
}

double eastDegrees(const QString& l)
{
    return 20 * code(l, 0) + 2 * code(l, 2) + code(l, 4) / 12 - kLongitudeOffset;
}

double LocatorPolarAngle(const QString& l)
{
    return polarDegrees(l) * kPi / 180;
}

double LocatorEastAngle(const QString& l)
{
    return eastDegrees(l) * kPi / 180;
}

double ArcCosine(double x)
{
    if (x == 0)
        return kHalfPi;
    const double a = std::atan(std::sqrt(1 - x * x) / x);
    return x < 0 ? a + kPi : a;
}

double Tangent(double x)
{
    return std::sin(x) / std::cos(x);
}

// Distance in km and bearing in degrees (0 <= bearing < 360) between two points.
void CorrespondentAzimuth(double theta1, double lambda1, double theta2, double lambda2, double& distance,
                          double& bearing)
{
    const double c = std::clamp(std::cos(theta1) * std::cos(theta2) +
                                    std::sin(theta1) * std::sin(theta2) * std::cos(lambda2 - lambda1),
                                -1.0, 1.0);
    distance = ArcCosine(c) * EarthRadiusKm;

    if (theta1 == theta2 && lambda1 == lambda2) {
        // The same point has no direction; rounding would leave m a hair below zero and
        // give south, so say north, as the needle rests.
        bearing = 0;
        return;
    }
    const double t = Tangent(theta2 - kHalfPi);
    const double m = std::sin(theta1) * t + std::cos(theta1) * std::cos(lambda1 - lambda2);
    const double east = std::sin(lambda1 - lambda2);
    if (m == 0) {
        // The quotient has no value here: a correspondent exactly east or west.
        bearing = east < 0 ? 90 : 270;
        return;
    }
    double u = std::atan(east / m) * -kDegreesPerRadian;
    if (m < 0)
        u += 180;
    if (u < 0)
        u += 360;
    bearing = u;
}

} // namespace

namespace {

void upperAscii(QString& text)
{
    for (QChar& c : text) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 'a' + 'A');
    }
}

bool isSquare(const QString& text)
{
    return isLocatorLetter(text[0]) && isLocatorLetter(text[1]) && isDigit(text[2]) && isDigit(text[3]);
}

} // namespace

bool LocatorIsValid(QString& locator)
{
    if (locator.size() != 6)
        return false;
    upperAscii(locator);
    return isSquare(locator) && isLocatorLetter(locator[4]) && isLocatorLetter(locator[5]);
}

bool LocatorSquareIsValid(QString& square)
{
    if (square.size() != 4)
        return false;
    upperAscii(square);
    return isSquare(square);
}

void LocatorAzimuthDistance(QString own, QString correspondent, int& azimuth, double& distance)
{
    azimuth = 0;
    distance = 0.0;
    if (!LocatorIsValid(own) || !LocatorIsValid(correspondent))
        return;
    double d = 0;
    double u = 0;
    CorrespondentAzimuth(LocatorPolarAngle(own), LocatorEastAngle(own), LocatorPolarAngle(correspondent),
                         LocatorEastAngle(correspondent), d, u);
    azimuth = int(std::nearbyint(u));
    // Tenths counted from d / 0.1 and multiplied back by 0.1, not divided by 10: the points
    // are rounded from this very double (99.30000000000001 km scores 497 at 5 points per km).
    distance = std::nearbyint(d / 0.1) * 0.1;
}

void LocatorToLatLon(const QString& locator, double& longitude, double& latitude)
{
    QString copy = locator;
    if (copy != locator.toUpper() || !LocatorIsValid(copy)) {
        longitude = latitude = 0;
        return;
    }
    longitude = eastDegrees(locator) - 180;
    latitude = polarDegrees(locator) - 90;
}

QString completeLocator(const QString& typed)
{
    switch (typed.size()) {
    case 2:
        return typed + QStringLiteral("55AA");
    case 3:
        return typed + QStringLiteral("5AA");
    case 4:
        return typed + QStringLiteral("MM");
    case 5:
        return typed + QStringLiteral("M");
    default:
        return typed;
    }
}
