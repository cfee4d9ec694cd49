#include "exchange/mappage.h"
#include "exchange/mapserver.h"
#include "support/localhttp.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// The map page's own web server: what it answers, to whom, and for how long.
class TestMapServer : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void answersOnlyUnderItsToken_data();
    void answersOnlyUnderItsToken();
    void aNewPageReplacesTheOld();
    void withoutLeafletThePageUsesThePublicCopy();
    void stopsWithItsOwner();

private:
    // A Leaflet folder with a file of each kind, a hidden one, and files beside the folder
    // that a request must not reach.
    QTemporaryDir m_fixture;
    QString leafletFolder() const { return m_fixture.filePath("leaflet"); }
};

void TestMapServer::initTestCase()
{
    QVERIFY(QDir(m_fixture.path()).mkpath("leaflet/images"));
    for (const QString name : {"leaflet/leaflet.js", "leaflet/leaflet.css", "leaflet/leaflet.css.gz",
                               "leaflet/.hidden.js", "leaflet/images/marker-icon.png", "secret.js"}) {
        QFile file(m_fixture.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("the text of " + name.toUtf8());
    }
}

void TestMapServer::answersOnlyUnderItsToken_data()
{
    // "T" stands for the server's token; `file` is the fixture's file that comes back ("" for
    // the page).
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("type");
    QTest::addColumn<QString>("file");
    const QByteArray html = "text/html; charset=utf-8";
    QTest::newRow("page") << QByteArray("/T/map.html") << 200 << html << QString();
    QTest::newRow("script") << QByteArray("/T/leaflet/leaflet.js") << 200 << QByteArray("text/javascript")
                            << "leaflet/leaflet.js";
    QTest::newRow("style sheet") << QByteArray("/T/leaflet/leaflet.css") << 200 << QByteArray("text/css")
                                 << "leaflet/leaflet.css";
    QTest::newRow("picture") << QByteArray("/T/leaflet/images/marker-icon.png") << 200
                             << QByteArray("image/png") << "leaflet/images/marker-icon.png";
    const QList<QByteArray> refused{
        "/", "/map.html", "/leaflet/leaflet.js", "/T", "/T/", "/Tx/map.html", "/x/T/map.html", "/T/map.html/",
        "/T/leaflet/", "/T/leaflet/images", "/T/leaflet/nothing.js",
        "/T/leaflet/leaflet.css.gz", // a file it holds, but not one the page loads
        "/T/leaflet/.hidden.js",
        // Out of the folder, as sent and percent-encoded.
        "/T/leaflet/../secret.js", "/T/leaflet/%2e%2e/secret.js", "/T/leaflet/..%2Fsecret.js",
        "/T/leaflet/%2E%2E%2Fsecret.js", "/T/leaflet/images/..%2F..%2Fsecret.js",
        "/T/leaflet/images/../leaflet.js", "/T/leaflet/images/%2e%2e%2Fleaflet.js", "/T/leaflet/./leaflet.js",
        "/T/leaflet/../../../../etc/passwd", "/T/leaflet/..%2F..%2F..%2F..%2Fetc%2Fpasswd",
        "/T/leaflet/%2Fetc%2Fpasswd", "/T/leaflet//etc/passwd", "//etc/passwd", "/T/../T/map.html",
        "/T/leaflet/leaflet.js%00.png", "/T/leaflet/images/images/marker-icon.png", "/T/leaflet/%D0%96.js"};
    for (const QByteArray& target : refused)
        QTest::newRow(target.constData()) << target << 404 << QByteArray() << QString();
}

void TestMapServer::answersOnlyUnderItsToken()
{
    QFETCH(QByteArray, target);
    QFETCH(int, status);
    QFETCH(QByteArray, type);
    QFETCH(QString, file);
    MapServer server(leafletFolder());
    QString failure;
    const QUrl address = server.publish("var callsign = [];", kDefaultTileUrl, &failure);
    QVERIFY2(address.isValid(), qPrintable(failure));
    const QByteArray token = address.path().section('/', 1, 1).toUtf8();
    QCOMPARE(token.size(), 22);
    target.replace("/T", "/" + token);
    const HttpAnswer answer = httpGet(quint16(address.port()), target);
    QCOMPARE(answer.status, status);
    if (status != 200)
        return;
    QCOMPARE(answer.header("Content-Type"), type);
    if (file.isEmpty())
        QVERIFY(answer.body.contains("var callsign = [];"));
    else
        QCOMPARE(answer.body, "the text of " + file.toUtf8());
}

void TestMapServer::aNewPageReplacesTheOld()
{
    MapServer server(leafletFolder());
    QString failure;
    const QUrl first = server.publish("var callsign = ['R1FIRST'];", kDefaultTileUrl, &failure);
    const QUrl second = server.publish("var callsign = ['R2SECOND'];", kDefaultTileUrl, &failure);
    QCOMPARE(second, first);
    const HttpAnswer answer = httpGet(quint16(second.port()), second.path().toUtf8());
    QCOMPARE(answer.status, 200);
    QVERIFY(answer.body.contains("var callsign = ['R2SECOND'];"));
    QVERIFY(!answer.body.contains("R1FIRST"));
    // A reload asks again rather than showing a kept copy.
    QCOMPARE(answer.header("Cache-Control"), QByteArray("no-store"));
    // Leaflet from this server, and the tiles as given.
    const QString root = second.toString().chopped(QString("map.html").size());
    QVERIFY(answer.body.contains("<script src=\"" + root.toUtf8() + "leaflet/leaflet.js\">"));
    QVERIFY(answer.body.contains("var tileUrl = 'https://tile.openstreetmap.org/{z}/{x}/{y}.png';"));
    // Every other server is told the origin alone, never the token.
    QCOMPARE(answer.header("Referrer-Policy"), QByteArray("strict-origin-when-cross-origin"));

    // A different server, a different token.
    MapServer other;
    QVERIFY(other.publish("var callsign = [];", kDefaultTileUrl, &failure).path() != second.path());
}

void TestMapServer::withoutLeafletThePageUsesThePublicCopy()
{
    QTemporaryDir empty;
    MapServer server(empty.path());
    QString failure;
    const QUrl address = server.publish("var callsign = [];", kDefaultTileUrl, &failure);
    const HttpAnswer page = httpGet(quint16(address.port()), address.path().toUtf8());
    QVERIFY(page.body.contains("<script src=\"https://unpkg.com/leaflet@1.7.1/dist/leaflet.js\">"));
    QVERIFY(page.body.contains(
        "<link rel=\"stylesheet\" href=\"https://unpkg.com/leaflet@1.7.1/dist/leaflet.css\">"));
    const QByteArray script = address.path().replace("map.html", "leaflet/leaflet.js").toUtf8();
    QCOMPARE(httpGet(quint16(address.port()), script).status, 404);
}

void TestMapServer::stopsWithItsOwner()
{
    auto server = std::make_unique<MapServer>();
    QString failure;
    const QUrl address = server->publish("var callsign = [];", kDefaultTileUrl, &failure);
    QCOMPARE(httpGet(quint16(address.port()), address.path().toUtf8()).status, 200);
    server.reset();
    QCOMPARE(httpGet(quint16(address.port()), address.path().toUtf8()).status, 0);
}

QTEST_MAIN(TestMapServer)
#include "tst_mapserver.moc"
