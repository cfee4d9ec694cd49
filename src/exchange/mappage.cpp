#include "exchange/mappage.h"

#include "logging/locator.h"

#include <QFile>

namespace {

// As the page writes numbers: general format, up to 15 significant digits, a point.
QString number(double value)
{
    return QString::number(value, 'g', 15);
}

// A text inside a single-quoted script string, also safe inside the script element.
QString scriptString(const QString& text)
{
    QString escaped;
    for (const QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('\''))
            escaped += QLatin1Char('\\');
        if (c == QLatin1Char('<'))
            escaped += QStringLiteral("\\x3c");
        else if (c.unicode() < 0x20)
            escaped += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            escaped += c;
    }
    return QLatin1Char('\'') + escaped + QLatin1Char('\'');
}

QString entryText(const MapEntry& e, const QString& azimuth, const QString& distance)
{
    QString upper = e.locator;
    LocatorIsValid(upper); // the corner is computed from upper-case letters
    double longitude = 0;
    double latitude = 0;
    LocatorToLatLon(upper, longitude, latitude);
    return QStringLiteral("[") + scriptString(e.call) + QStringLiteral(", ") + number(latitude) +
           QStringLiteral(", ") + number(longitude) + QStringLiteral(", ") + scriptString(e.locator) +
           QStringLiteral(", ") + azimuth + QStringLiteral(", ") + distance;
}

} // namespace

QString mapDataArray(const MapEntry& own, const QList<MapEntry>& contacts)
{
    QString text = QStringLiteral("var callsign = [") +
                   entryText(own, QStringLiteral("'0'"), QStringLiteral("'0'")) + QStringLiteral(" ],");
    for (qsizetype i = 0; i < contacts.size(); ++i) {
        text += entryText(contacts[i], contacts[i].azimuth, contacts[i].distance) + QLatin1Char(']');
        if (i + 1 < contacts.size())
            text += QLatin1Char(',');
    }
    return text + QStringLiteral("];");
}

QByteArray mapPage(const QString& leafletBase, const QString& tileUrl, const QString& dataArray)
{
    QFile script(QStringLiteral(":/exchange/mappage.js"));
    script.open(QIODevice::ReadOnly);
    return (QStringLiteral(
                "<!DOCTYPE html><html><head>"
                "<meta name=\"viewport\" content=\"initial-scale=1.0, user-scalable=no\">"
                "<meta charset=\"utf-8\"><title>Kovra Log</title>"
                "<link rel=\"stylesheet\" href=\"%1/leaflet.css\">"
                "<script src=\"%1/leaflet.js\"></script>"
                "<style>html, body {height: 100%;margin: 10;padding: 10;}#map {height: 95%;}</style>"
                "</head><body><div id=\"map\"></div><script>")
                .arg(leafletBase) +
            dataArray + QStringLiteral("\nvar tileUrl = ") + scriptString(tileUrl) + QStringLiteral(";\n") +
            QString::fromUtf8(script.readAll()) + QStringLiteral("</script></body></html>"))
        .toUtf8();
}

QString mapTileUrl(const std::optional<QString>& setting)
{
    const QString url = setting.value_or(QString()).trimmed();
    return url.isEmpty() ? kDefaultTileUrl : url;
}

QString webMapAddress(const QString& locator)
{
    QString upper = locator;
    LocatorIsValid(upper);
    double longitude = 0;
    double latitude = 0;
    LocatorToLatLon(upper, longitude, latitude);
    return QStringLiteral("https://www.google.com/maps/@") + number(latitude) + QLatin1Char(',') +
           number(longitude) + QStringLiteral(",12z");
}
