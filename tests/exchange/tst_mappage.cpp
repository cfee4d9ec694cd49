#include "app/logview.h"
#include "app/tfmain.h"
#include "exchange/mappage.h"
#include "store/logstore.h"
#include "support/localhttp.h"
#include "support/windowtest.h"

#include <QAction>
#include <QRegularExpression>
#include <QtTest>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

// "Карта связей" and "Открыть QTH в браузере": the page's data, and the page itself, served
// by the program on a loopback address, run by a real browser with no network.
class TestMapPage : public WindowTest
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void dataArrayOfTheGridsRows();
    void pageRunsInABrowser();
    void tileAddressFromTheSetting();
    void tilesFromTheSettingWithAReferer();
    void locatorInTheBrowser();
    void withoutOwnLocatorNothingOpens();
    void serverThatCannotListenIsReported();

private:
    // The address the last "Карта связей" opened, and the page served there.
    QUrl openedAddress() const;
    QByteArray servedPage() const;
    // Only the page's own script would write to the console; tiles that cannot load do not
    // count.
    static void verifyQuietConsole(const QString& console);
};

void TestMapPage::initTestCase()
{
    // Numbers in the page have a point whatever the operator's locale.
    QLocale::setDefault(QLocale(QLocale::German));
}

void TestMapPage::init()
{
    prepare(
        "INSERT INTO Contest VALUES (1, 'Полевой день', 42189, 42190.5, 1);"
        "UPDATE SettingInfo SET SettingInfoValue='RK3AW' WHERE SettingInfoN='PCall';"
        "UPDATE SettingInfo SET SettingInfoValue='KO85UR' WHERE SettingInfoN='PWWLo';"
        "INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('LastBand', 0), ('LastMod', 1);"
        "UPDATE Setting SET SettingParamStr='ASC' WHERE SettingName='GridOptionsSort';"
        "INSERT INTO ContestList (IdContest, IdBand, ContestListDateTime, ContestListCall, ContestListQTH,"
        " IdModulation, ContestListSendNum, ContestListSendRST, ContestListReceivedNum, "
        "ContestListReceivedRST, ContestListResult, ContestListDistance, ContestListAzimut) VALUES"
        " (1, 144, 42189.5, 'UA3AAA', 'KO95AA', 1, 1, 59, 7, 57, 127, 127.4, 89),"
        " (1, 144, 42189.6, 'R3A''B', 'JN45AA', 1, 2, 59, 8, 57, 2265, 2265.3, 252),"
        " (1, 144, 42189.7, 'NOLOC', 'KO9', 1, 3, 59, 9, 57, 0, 0, 0),"
        " (1, 144, 42189.8, 'UA9XX', 'LO02QQ', 1, 4, 59, 10, 57, 1000, 999.9, 75);");
}

void TestMapPage::cleanup()
{
    release();
}

QUrl TestMapPage::openedAddress() const
{
    return m_fakes->desktop.opened.isEmpty() ? QUrl() : m_fakes->desktop.opened.last();
}

QByteArray TestMapPage::servedPage() const
{
    const QUrl address = openedAddress();
    const HttpAnswer answer = httpGet(quint16(address.port()), address.path(QUrl::FullyEncoded).toUtf8());
    return answer.status == 200 ? answer.body : QByteArray();
}

void TestMapPage::verifyQuietConsole(const QString& console)
{
    for (const QString& line : console.split('\n')) {
        if (line.contains(":CONSOLE") && !line.contains("Failed to load resource"))
            QFAIL(qPrintable(line));
    }
}

void TestMapPage::dataArrayOfTheGridsRows()
{
    openWindow();
    m_window->logView()->log().setCurrentRow(2);
    m_window->action("N25")->trigger();
    QCOMPARE(m_fakes->desktop.opened.size(), 1);
    // On the loopback address, behind a token of 128 random bits.
    const QUrl address = openedAddress();
    QCOMPARE(address.scheme(), QString("http"));
    QCOMPARE(address.host(), QString("127.0.0.1"));
    QVERIFY2(QRegularExpression("^/[A-Za-z0-9_-]{22}/map\\.html$").match(address.path()).hasMatch(),
             qPrintable(address.toString()));
    QCOMPARE(m_window->logView()->log().currentRow(), 0);
    const QByteArray page = servedPage();
    // The own station first, its comma always; "KO9" cannot be placed and stays off.
    QVERIFY2(
        page.contains("var callsign = [['RK3AW', 55.7083333666666, 37.6666667333332, 'KO85UR', '0', '0' ],"
                      "['UA3AAA', 55.0000000333333, 38.0000000666666, 'KO95AA', 89, 127.4],"
                      "['R3A\\'B', 45.0000000333333, 8.00000006666664, 'JN45AA', 252, 2265.3],"
                      "['UA9XX', 52.6666667, 41.3333333999999, 'LO02QQ', 75, 999.9]];"),
        page.left(2000).constData());
    QVERIFY(page.contains("<meta charset=\"utf-8\">"));
}

void TestMapPage::pageRunsInABrowser()
{
    openWindow();
    m_window->action("N25")->trigger();
    m_window->action("N25")->trigger(); // the second page replaces the first at the same address
    QCOMPARE(m_fakes->desktop.opened.size(), 2);
    QCOMPARE(m_fakes->desktop.opened[0], m_fakes->desktop.opened[1]);
    const QString root = openedAddress().toString().chopped(QString("map.html").size());
    QString console;
    const QString dom = runInChromium(openedAddress().toString(), &console);
    // Leaflet came from the program (the public copy is out of reach), its pictures too.
    QCOMPARE(dom.count("<img src=\"" + root + "leaflet/images/marker-icon.png\""), 4);
    // One line per contact, each drawn through points of its own.
    int lines = 0;
    const QRegularExpression drawn("d=\"M[^\"]*L");
    for (auto it = QRegularExpression("<path [^>]*>").globalMatch(dom); it.hasNext();) {
        const QString path = it.next().captured();
        if (path.contains("stroke=\"#0000FF\"") && drawn.match(path).hasMatch())
            ++lines;
    }
    QCOMPARE(lines, 3);
    // OpenStreetMap's tiles by default, with their attribution.
    QVERIFY(dom.contains("src=\"https://tile.openstreetmap.org/"));
    QVERIFY(dom.contains("<a href=\"https://www.openstreetmap.org/copyright\">OpenStreetMap</a>"));
    verifyQuietConsole(console);
}

void TestMapPage::tileAddressFromTheSetting()
{
    m_file->sqlite("INSERT INTO Setting (SettingName, SettingParamStr)"
                   " VALUES ('MapTileUrl', 'https://tiles.example/{z}/{x}/{y}.png')");
    openWindow();
    m_window->action("N25")->trigger();
    QVERIFY(servedPage().contains("var tileUrl = 'https://tiles.example/{z}/{x}/{y}.png';"));
}

void TestMapPage::tilesFromTheSettingWithAReferer()
{
    RequestRecorder tiles;
    const QString tileTemplate = QString("http://127.0.0.1:%1/tiles/{z}/{x}/{y}.png").arg(tiles.port());
    m_file->sqlite("INSERT INTO Setting (SettingName, SettingParamStr) VALUES ('MapTileUrl', '" +
                   tileTemplate + "')");
    openWindow();
    m_window->action("N25")->trigger();
    QString console;
    const QString dom = runInChromium(openedAddress().toString(), &console);
    QCOMPARE(dom.count("leaflet-marker-icon"), 4);
    QVERIFY(!dom.contains("tile.openstreetmap.org"));
    QVERIFY(dom.contains("OpenStreetMap</a>"));
    QVERIFY(!tiles.requests().isEmpty());
    // Each tile is asked with the page's origin as Referer, as tile servers require; the
    // token stays out of it.
    const QByteArray origin = QString("http://127.0.0.1:%1/").arg(openedAddress().port()).toUtf8();
    for (const QByteArray& request : tiles.requests()) {
        QVERIFY2(QRegularExpression("^GET /tiles/\\d+/\\d+/\\d+\\.png ").match(QString(request)).hasMatch(),
                 request.constData());
        QVERIFY2(request.contains("\r\nReferer: " + origin + "\r\n"), request.constData());
    }
    verifyQuietConsole(console);
}

void TestMapPage::locatorInTheBrowser()
{
    m_file->sqlite("UPDATE ContestList SET ContestListQTH='KO85AA' WHERE ContestListCall='UA3AAA'");
    openWindow();
    m_window->logView()->log().setCurrentRow(0);
    m_window->logView()->action("N27")->trigger();
    // The sub-square's south-west corner with the digits the locator arithmetic gives.
    QCOMPARE(m_fakes->desktop.opened,
             QList<QUrl>{QUrl("https://www.google.com/maps/@55.0000000333333,36.0000000666666,12z")});
}

void TestMapPage::withoutOwnLocatorNothingOpens()
{
    m_file->sqlite("UPDATE SettingInfo SET SettingInfoValue='' WHERE SettingInfoN='PWWLo'");
    openWindow();
    m_window->action("N25")->trigger();
    m_window->logView()->action("N27")->trigger();
    QCOMPARE(
        m_fakes->prompts.texts(ShownPrompt::Warning),
        QStringList(2, "Не задан свой QTH локатор. Его вводят в «Работа → Установки → Свои данные» (F2)."));
    QVERIFY(m_fakes->desktop.opened.isEmpty());
}

void TestMapPage::serverThatCannotListenIsReported()
{
    openWindow();
    // No file can be opened, sockets neither: the lowest free descriptor is over the limit.
    const int lowestFree = ::open("/dev/null", O_RDONLY);
    QVERIFY(lowestFree >= 0);
    ::close(lowestFree);
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit none = saved;
    none.rlim_cur = rlim_t(lowestFree);
    QCOMPARE(setrlimit(RLIMIT_NOFILE, &none), 0);
    m_window->action("N25")->trigger();
    setrlimit(RLIMIT_NOFILE, &saved);

    QVERIFY(m_fakes->desktop.opened.isEmpty());
    const QStringList errors = m_fakes->prompts.texts(ShownPrompt::Error);
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().startsWith(
                 "Карта не открылась: программа не может принимать запросы браузера на адресе 127.0.0.1 ("),
             qPrintable(errors.first()));
    // The next time it listens.
    m_window->action("N25")->trigger();
    QCOMPARE(m_fakes->desktop.opened.size(), 1);
    QVERIFY(servedPage().contains("var callsign"));
}

QTEST_MAIN(TestMapPage)
#include "tst_mappage.moc"
