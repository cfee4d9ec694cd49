#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <memory>

class QHttpServer;

// Debian's libjs-leaflet: leaflet.js and leaflet.css, and the pictures the style sheet names
// in images/.
inline const QString kDebianLeafletFolder = QStringLiteral("/usr/share/javascript/leaflet");

// What a request's path asks the map server for.
struct MapRequest
{
    enum Kind { Missing, Page, LeafletFile };
    Kind kind = Missing;
    QString file;    // the Leaflet file's path, for LeafletFile
    QByteArray type; // its content type
};

// Reads a request's path, percent-encoded as sent: "/<token>/map.html" is the page, and
// "/<token>/leaflet/<file>" and "/<token>/leaflet/images/<file>" a script, style sheet or
// picture that the Leaflet folder holds. Anything else is missing: another token, another
// folder, a name that climbs out ("..") or hides (".name"), a file the folder does not hold.
MapRequest mapRequest(const QString& encodedPath, const QString& token, const QString& leafletFolder);

// The map page served by the program itself, so that any browser opens it (a sandboxed one
// cannot read files in hidden folders) and sends a Referer to the tile servers (a page from
// file:// sends none). It listens on 127.0.0.1 on a free port from the first page on, only
// while it lives; every address begins with a random token that no other program can guess.
class MapServer
{
public:
    explicit MapServer(QString leafletFolder = kDebianLeafletFolder);
    ~MapServer();
    MapServer(const MapServer&) = delete;
    MapServer& operator=(const MapServer&) = delete;

    // Serves the map of these points in place of the page served before (the browser's
    // reload shows the latest) and gives its address, the same each time. When the server
    // cannot listen: an empty address, and `failure` says why to the operator.
    QUrl publish(const QString& dataArray, const QString& tileUrl, QString* failure);

private:
    bool listen(QString* failure);
    // Leaflet from this server when the folder holds it, else the public copy.
    QString leafletBase() const;

    QString m_leafletFolder;
    std::unique_ptr<QHttpServer> m_server; // once it listens
    QString m_root;                        // "http://127.0.0.1:<port>/<token>/"
    QString m_token;
    QByteArray m_page;
};
