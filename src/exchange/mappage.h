#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// What the map commands say when the station's own locator is not set.
inline const QString kNoOwnLocator =
    QStringLiteral("Не задан свой QTH локатор. Его вводят в «Работа → Установки → Свои данные» (F2).");

// One point of the map page: the own station or a contact.
struct MapEntry
{
    QString call;
    QString locator; // a valid six-character locator
    QString azimuth; // as the information window shows it
    QString distance;
};

// The page's data array "var callsign = [...];": the own station first with azimuth and
// distance '0' (its comma always written), then the contacts, numbers with a point and up
// to 15 significant digits. Texts are escaped for a script string.
QString mapDataArray(const MapEntry& own, const QList<MapEntry>& contacts);

// The whole page, UTF-8: Leaflet from `leafletBase` (an address holding leaflet.js and
// leaflet.css), the tiles from `tileUrl` (Leaflet's template with {z}, {x} and {y}), the
// data array, and the script that draws it.
QByteArray mapPage(const QString& leafletBase, const QString& tileUrl, const QString& dataArray);

// Leaflet for a machine without Debian's libjs-leaflet: the same version, public.
inline const QString kPublicLeaflet = QStringLiteral("https://unpkg.com/leaflet@1.7.1/dist");

// OpenStreetMap's tiles, whose attribution the page shows.
inline const QString kDefaultTileUrl = QStringLiteral("https://tile.openstreetmap.org/{z}/{x}/{y}.png");

// The tile address of the setting MapTileUrl; OpenStreetMap's when it is missing or blank.
QString mapTileUrl(const std::optional<QString>& setting);

// The web map at a locator: ".../maps/@" latitude "," longitude ",12z".
QString webMapAddress(const QString& locator);
