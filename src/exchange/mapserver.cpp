#include "exchange/mapserver.h"

#include "exchange/mappage.h"

#include <QFile>
#include <QFileInfo>
#include <QHttpServer>
#include <QHttpServerResponse>
#include <QRandomGenerator>
#include <QStringList>
#include <QTcpServer>

namespace {

constexpr int kTokenBytes = 16; // 128 bits, past guessing

// A name of a file the Leaflet folder holds: letters, digits, "_", "-" and ".", never first
// a dot (so neither ".." nor a hidden file).
bool isPlainName(const QString& name)
{
    if (name.isEmpty() || name.front() == QLatin1Char('.'))
        return false;
    for (const QChar c : name) {
        if (c.unicode() > 0x7f || !(c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('-') ||
                                    c == QLatin1Char('.')))
            return false;
    }
    return true;
}

QByteArray leafletType(const QString& name)
{
    if (name.endsWith(QLatin1String(".js")))
        return "text/javascript";
    if (name.endsWith(QLatin1String(".css")))
        return "text/css";
    if (name.endsWith(QLatin1String(".png")))
        return "image/png";
    return {};
}

QString newToken()
{
    QByteArray bytes(kTokenBytes, '\0');
    for (char& b : bytes)
        b = char(QRandomGenerator::system()->bounded(256));
    return QString::fromLatin1(
        bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

} // namespace

MapRequest mapRequest(const QString& encodedPath, const QString& token, const QString& leafletFolder)
{
    QStringList parts = encodedPath.split(QLatin1Char('/'));
    for (QString& part : parts)
        part = QUrl::fromPercentEncoding(part.toUtf8());
    if (parts.size() < 3 || !parts[0].isEmpty() || token.isEmpty() || parts[1] != token)
        return {};
    if (parts.size() == 3 && parts[2] == QLatin1String("map.html"))
        return {MapRequest::Page, {}, "text/html; charset=utf-8"};
    if (parts[2] != QLatin1String("leaflet"))
        return {};
    QString folder = leafletFolder;
    if (parts.size() == 5 && parts[3] == QLatin1String("images"))
        folder += QStringLiteral("/images");
    else if (parts.size() != 4)
        return {};
    const QString& name = parts.last();
    const QByteArray type = leafletType(name);
    const QString file = folder + QLatin1Char('/') + name;
    if (!isPlainName(name) || type.isEmpty() || !QFileInfo(file).isFile())
        return {};
    return {MapRequest::LeafletFile, file, type};
}

MapServer::MapServer(QString leafletFolder) : m_leafletFolder(std::move(leafletFolder)) {}

MapServer::~MapServer() = default;

QUrl MapServer::publish(const QString& dataArray, const QString& tileUrl, QString* failure)
{
    if (!m_server && !listen(failure))
        return {};
    m_page = mapPage(leafletBase(), tileUrl, dataArray);
    return QUrl(m_root + QStringLiteral("map.html"));
}

bool MapServer::listen(QString* failure)
{
    auto server = std::make_unique<QHttpServer>();
    auto* tcp = new QTcpServer(server.get());
    if (!tcp->listen(QHostAddress::LocalHost, 0)) {
        *failure = QStringLiteral("Карта не открылась: программа не может принимать запросы браузера на "
                                  "адресе 127.0.0.1 (%1).")
                       .arg(tcp->errorString());
        return false;
    }
    server->route(QStringLiteral("/<arg>"), QHttpServerRequest::Method::Get,
                  [this](const QUrl&, const QHttpServerRequest& request) {
                      const MapRequest asked =
                          mapRequest(request.url().path(QUrl::FullyEncoded), m_token, m_leafletFolder);
                      if (asked.kind == MapRequest::Page) {
                          QHttpServerResponse response(asked.type, m_page);
                          // A reload asks for the latest page; other sites see no token.
                          response.addHeader("Cache-Control", "no-store");
                          response.addHeader("Referrer-Policy", "strict-origin-when-cross-origin");
                          return response;
                      }
                      QFile file(asked.file);
                      if (asked.kind == MapRequest::LeafletFile && file.open(QIODevice::ReadOnly))
                          return QHttpServerResponse(asked.type, file.readAll());
                      return QHttpServerResponse(QHttpServerResponse::StatusCode::NotFound);
                  });
    server->bind(tcp);
    m_token = newToken();
    m_root = QStringLiteral("http://127.0.0.1:%1/%2/").arg(tcp->serverPort()).arg(m_token);
    m_server = std::move(server);
    return true;
}

QString MapServer::leafletBase() const
{
    if (QFileInfo(m_leafletFolder + QStringLiteral("/leaflet.js")).isFile())
        return m_root + QStringLiteral("leaflet");
    return kPublicLeaflet;
}
