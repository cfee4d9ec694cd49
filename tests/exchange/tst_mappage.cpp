#include "app/logview.h"
#include "app/tfmain.h"
#include "exchange/mappage.h"
#include "store/logstore.h"
#include "support/windowtest.h"

#include <QAction>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

// "Карта связей" and "Открыть QTH в браузере": the page's data, and the page itself run by
// a real browser with no network.
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
    void locatorInTheBrowser();
    void withoutOwnLocatorNothingOpens();
    void unwritablePageIsReported();

private:
    QByteArray writtenPage() const;
    // The page's DOM once its scripts ran, and what its console said.
    static QString runInBrowser(const QString& path, QString* console);
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

QByteArray TestMapPage::writtenPage() const
{
    QFile page(m_window->state().TmpHtmlPath);
    return page.open(QIODevice::ReadOnly) ? page.readAll() : QByteArray();
}

QString TestMapPage::runInBrowser(const QString& path, QString* console)
{
    QProcess browser;
    // No network: every address outside the machine fails at once, as tiles and the
    // elevation service do in a tent without internet.
    browser.start("chromium", {"--headless", "--no-sandbox", "--disable-gpu", "--enable-logging=stderr",
                               "--v=0", "--proxy-server=127.0.0.1:9", "--virtual-time-budget=5000",
                               "--dump-dom", QUrl::fromLocalFile(path).toString()});
    if (!browser.waitForFinished(120000))
        return "chromium did not finish: " + browser.errorString();
    *console = QString::fromUtf8(browser.readAllStandardError());
    return QString::fromUtf8(browser.readAllStandardOutput());
}

void TestMapPage::dataArrayOfTheGridsRows()
{
    openWindow();
    m_window->logView()->log().setCurrentRow(2);
    m_window->action("N25")->trigger();
    QCOMPARE(m_fakes->desktop.opened, QList<QUrl>{QUrl::fromLocalFile(m_window->state().TmpHtmlPath)});
    QCOMPARE(m_window->logView()->log().currentRow(), 0);
    const QByteArray page = writtenPage();
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
    m_window->action("N25")->trigger(); // the second page replaces the first
    QCOMPARE(m_fakes->desktop.opened.size(), 2);
    QString console;
    const QString dom = runInBrowser(m_window->state().TmpHtmlPath, &console);
    QCOMPARE(dom.count("leaflet-marker-icon"), 4);
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
    // The page's own script threw nothing and logged nothing (tiles that cannot load do not
    // count).
    for (const QString& line : console.split('\n')) {
        if (line.contains(":CONSOLE") && !line.contains("Failed to load resource"))
            QFAIL(qPrintable(line));
    }
}

void TestMapPage::tileAddressFromTheSetting()
{
    m_file->sqlite("INSERT INTO Setting (SettingName, SettingParamStr)"
                   " VALUES ('MapTileUrl', 'https://tiles.example/{z}/{x}/{y}.png')");
    openWindow();
    m_window->action("N25")->trigger();
    QVERIFY(writtenPage().contains("var tileUrl = 'https://tiles.example/{z}/{x}/{y}.png';"));
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

void TestMapPage::unwritablePageIsReported()
{
    openWindow();
    QTemporaryDir dir;
    QFile plain(dir.filePath("plain"));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    m_window->state().TmpHtmlPath = dir.filePath("plain/.~tmp.html");
    m_window->action("N25")->trigger();
    QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Error).size(), 1);
    QVERIFY(m_fakes->prompts.texts(ShownPrompt::Error).first().contains(dir.filePath("plain/.~tmp.html")));
    QVERIFY(m_fakes->desktop.opened.isEmpty());
}

QTEST_MAIN(TestMapPage)
#include "tst_mappage.moc"
