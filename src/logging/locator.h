#pragma once

#include <QString>

// Six-character Maidenhead locators: letter, letter, digit, digit, letter, letter, each
// letter from A to X. A locator stands for the south-west corner of its sub-square; the
// Earth is a sphere of 6365 km. Distances are rounded to 0.1 km, azimuths to whole degrees.

constexpr double EarthRadiusKm = 6365.0;

// Upper-cases the ASCII letters of a six-character text in place and tells whether it is
// a locator. Texts of another length are invalid and left as they are.
bool LocatorIsValid(QString& locator);
// The same for a four-character square (letter, letter, digit, digit), as call lists give it.
bool LocatorSquareIsValid(QString& square);

// Azimuth (0 to 360, clockwise from north) and distance from the own locator to the
// correspondent's. Either one invalid: azimuth 0 and distance 0.0. Equal locators give 0 km
// and 0°; a correspondent due east or west gives 90° or 270°.
void LocatorAzimuthDistance(QString own, QString correspondent, int& azimuth, double& distance);

// Longitude and latitude in degrees of the south-west corner of a valid upper-case
// locator. Anything else gives 0, 0.
void LocatorToLatLon(const QString& locator, double& longitude, double& latitude);

// A typed partial locator completed to six characters: two get "55AA", three "5AA", four
// "MM", five "M" (the middle of the field or square). Others are returned as they are.
QString completeLocator(const QString& typed);
