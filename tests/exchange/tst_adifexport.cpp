#include "app/logview.h"
#include "app/tfmain.h"
#include "exchange/adifexport.h"
#include "platform/localeformat.h"
#include "store/daycount.h"
#include "store/logstore.h"
#include "support/windowtest.h"

#include <QAction>
#include <QTemporaryDir>
#include <QtTest>

// "Экспорт в ADI": the file's bytes, read back item by item as an ADIF reader does.
class TestAdifExport : public WindowTest
{
    Q_OBJECT
private slots:
    void fileName_data();
    void fileName();
    void mode_data();
    void mode();
    void noContactsGivesTheHeaderAlone();
    void digitalModes_data();
    void digitalModes();
    void charactersOutsideTheCodePage();
    void theContactsOwnFrequency_data();
    void theContactsOwnFrequency();
    void gridRowsInTheGridsOrder();
    void unwritableFileIsReported();

private:
    using Record = QMap<QString, QString>;
    // The records of an ADIF file, each item read by its length; a length that does not
    // match its value leaves text between items, which fails the reading.
    static std::optional<QList<Record>> readAdif(const QByteArray& bytes);
};

std::optional<QList<TestAdifExport::Record>> TestAdifExport::readAdif(const QByteArray& bytes)
{
    const qsizetype header = bytes.indexOf("<EOH>\r\n");
    if (header < 0)
        return std::nullopt;
    QList<Record> records;
    Record record;
    qsizetype i = header + 7;
    while (i < bytes.size()) {
        if (bytes.mid(i, 7) == "<EOR>\r\n") {
            records << record;
            record.clear();
            i += 7;
            continue;
        }
        if (bytes[i] != '<')
            return std::nullopt;
        const qsizetype colon = bytes.indexOf(':', i);
        const qsizetype close = bytes.indexOf('>', i);
        if (colon < 0 || close < colon)
            return std::nullopt;
        const QString tag = QString::fromLatin1(bytes.mid(i + 1, colon - i - 1));
        const int length = bytes.mid(colon + 1, close - colon - 1).toInt();
        record[tag] = QString::fromLatin1(bytes.mid(close + 1, length));
        i = close + 1 + length;
    }
    return record.isEmpty() ? std::optional<QList<Record>>(records) : std::nullopt;
}

void TestAdifExport::fileName_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("written");
    QTest::newRow("no extension") << "/tmp/log"
                                  << "/tmp/log.adi";
    QTest::newRow("upper case") << "/tmp/LOG.ADI"
                                << "/tmp/LOG.ADI.adi";
    QTest::newRow("inside") << "/tmp/log.adi.txt"
                            << "/tmp/log.adi.txt";
    QTest::newRow("as it is") << "/tmp/log.adi"
                              << "/tmp/log.adi";
}

void TestAdifExport::fileName()
{
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    QCOMPARE(adifFileName(chosen), written);
}

void TestAdifExport::mode_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("mode");
    QTest::newRow("plain") << "CW"
                           << "CW";
    QTest::newRow("description") << "SSB - голос"
                                 << "SSB ";
    QTest::newRow("mixed") << "SSB/CW"
                           << "SSB";
    QTest::newRow("no mode") << "-"
                             << "";
    QTest::newRow("dash beyond 15") << "ABCDEFGHIJKLMNOP-Q"
                                    << "ABCDEFGHIJKLMNO";
}

void TestAdifExport::mode()
{
    QFETCH(QString, name);
    QFETCH(QString, mode);
    QCOMPARE(adifMode(name), mode);
}

void TestAdifExport::noContactsGivesTheHeaderAlone()
{
    QCOMPARE(adifFile("RK3AW", "04.07.2015 12:05:00", {}),
             QByteArray("# Kovra log https://kovra-log.example.org\r\n"
                        "# Created: 04.07.2015 12:05:00\r\n"
                        "#\r\n"
                        "<PROGRAMID:9>Kovra_log\r\n"
                        "<PROGRAMVERSION:3>1.8\r\n"
                        "<ADIF_VER:3>2.0\r\n"
                        "<EOH>\r\n"));
}

void TestAdifExport::digitalModes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("items");
    QTest::addColumn<QByteArray>("version");
    QTest::newRow("FT4 is a submode of MFSK")
        << "FT4" << QByteArray("<MODE:4>MFSK<SUBMODE:3>FT4<RST_SENT:") << QByteArray("<ADIF_VER:5>3.1.4");
    QTest::newRow("FT8") << "FT8" << QByteArray("<MODE:3>FT8<RST_SENT:") << QByteArray("<ADIF_VER:5>3.1.4");
    QTest::newRow("MSK144") << "MSK144" << QByteArray("<MODE:6>MSK144<RST_SENT:")
                            << QByteArray("<ADIF_VER:5>3.1.4");
    QTest::newRow("Q65 is a submode of MFSK")
        << "Q65" << QByteArray("<MODE:4>MFSK<SUBMODE:3>Q65<RST_SENT:") << QByteArray("<ADIF_VER:5>3.1.4");
    QTest::newRow("CW, of ADIF 2") << "CW" << QByteArray("<MODE:2>CW<RST_SENT:")
                                   << QByteArray("<ADIF_VER:3>2.0");
}

void TestAdifExport::digitalModes()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, items);
    QFETCH(QByteArray, version);
    const QByteArray file =
        adifFile("RK3AW", "", {AdifContact{"G4XYZ", 42189.5, 144, name, "57", "55", "IO91WM", 144.3605}});
    QVERIFY2(file.contains(items), file.constData());
    QVERIFY2(file.contains(version + "\r\n<EOH>"), file.constData());
}

// One "?" per character, and the item's length counts what is written.
void TestAdifExport::charactersOutsideTheCodePage()
{
    bool lossy = false;
    const QByteArray file = adifFile(
        "RK3AW", "", {AdifContact{"R3📻A", 42189.5, 144, "SSB", "59", "59", "KO95AA", std::nullopt}}, &lossy);
    QVERIFY(lossy);
    QVERIFY(file.contains("<CALL:4>R3?A<QSO_DATE:8>"));
}

void TestAdifExport::theContactsOwnFrequency_data()
{
    QTest::addColumn<qint64>("band");
    QTest::addColumn<std::optional<double>>("stored");
    QTest::addColumn<QByteArray>("freq");
    QTest::newRow("typed without a rig")
        << qint64(432) << std::optional<double>() << QByteArray("<FREQ:3>432<");
    QTest::newRow("from the rig") << qint64(432) << std::optional(432.2)
                                  << QByteArray("<FREQ:10>432.200000<");
    QTest::newRow("through a transverter")
        << qint64(1300) << std::optional(1296.2) << QByteArray("<FREQ:11>1296.200000<");
    QTest::newRow("to the Hz") << qint64(24000) << std::optional(24048.200001)
                               << QByteArray("<FREQ:12>24048.200001<");
}

void TestAdifExport::theContactsOwnFrequency()
{
    QFETCH(qint64, band);
    QFETCH(std::optional<double>, stored);
    QFETCH(QByteArray, freq);
    const QByteArray file =
        adifFile("RK3AW", "", {AdifContact{"R3A", 42189.5, band, "SSB", "59", "59", "KO95AA", stored}});
    QVERIFY2(file.contains(freq), file.constData());
}

void TestAdifExport::gridRowsInTheGridsOrder()
{
    prepare(
        "INSERT INTO Contest VALUES (1, 'Полевой день', 42189, 42190.5, 1);"
        "UPDATE SettingInfo SET SettingInfoValue='RK3AW' WHERE SettingInfoN='PCall';"
        "UPDATE SettingInfo SET SettingInfoValue='KO85UR' WHERE SettingInfoN='PWWLo';"
        "INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('LastBand', 1), ('LastMod', 1);"
        "UPDATE Setting SET SettingParamStr='DESC' WHERE SettingName='GridOptionsSort';"
        "UPDATE Modulation SET ModulationName='SSB - голос' WHERE ModulationRowid=1;"
        "INSERT INTO ContestList (IdContest, IdBand, ContestListDateTime, ContestListCall, ContestListQTH,"
        " IdModulation, ContestListSendNum, ContestListSendRST, ContestListReceivedNum, "
        "ContestListReceivedRST, ContestListResult, ContestListDistance, ContestListAzimut) VALUES"
        " (1, 432, 42189.37847222222, 'UA3ABC', 'KO95AA', 1, 1, 59, 7, 57, 255, 127.4, 89),"
        " (1, 432, 42189.5, 'R3A', 'ko86aa', 3, 2, 599, 12, 579, 222, 111.1, 0),"
        " (1, 432, 42189.6, 'DL1ABCD', 'JN45', 0, 3, 59, 3, 59, 100, 2265.3, 252),"
        " (1, 144, 42189.7, 'OTHERBAND', 'KO95AA', 1, 1, 59, 3, 59, 382, 127.4, 89);");
    openWindow();
    QTemporaryDir dir;
    m_fakes->prompts.pathAnswers = {dir.filePath("LOG.ADI")};
    Cursor& log = m_window->logView()->log();
    log.setCurrentRow(1);
    m_window->action("N5")->trigger();

    QCOMPARE(m_fakes->prompts.shown.front().details, "Amateur Data Interchange Format (*.adi)");
    QCOMPARE(log.currentRow(), 0);
    QFile file(dir.filePath("LOG.ADI.adi"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.contains(
        "\r\n# Created: " +
        m_fakes->clock.current.toLocalTime().toString(shortDateFormat() + " " + longTimeFormat()).toLatin1() +
        "\r\n"));
    const auto records = readAdif(bytes);
    QVERIFY(records);
    QCOMPARE(records->size(), 3); // the band's rows, last contact first
    const Record& first = records->at(2);
    QCOMPARE(first["CALL"], "UA3ABC");
    QCOMPARE(first["OPERATOR"], "RK3AW");
    QCOMPARE(first["QSO_DATE"], "20150704");
    QCOMPARE(first["TIME_ON"], "0905");
    QCOMPARE(first["FREQ"], "432");
    QCOMPARE(first["MODE"], "SSB "); // "SSB - голос": the short name and its blank
    QCOMPARE(first["RST_SENT"], "59");
    QCOMPARE(first["RST_RCVD"], "57");
    QCOMPARE(first["QTH"], "KO95AA");
    QCOMPARE(first["GRIDSQUARE"], "KO95AA");
    QVERIFY(bytes.contains("<CALL:6>UA3ABC<QSO_DATE:8>20150704<TIME_ON:4>0905<FREQ:3>432<MODE:4>SSB <"));
    QCOMPARE(records->at(1)["MODE"], "SSB"); // "SSB/CW": the mode sent
    QCOMPARE(records->at(0)["CALL"], "DL1ABCD");
    QCOMPARE(records->at(0)["MODE"], "");
    QVERIFY(!records->at(0).contains("GRIDSQUARE")); // "JN45" is no locator
}

void TestAdifExport::unwritableFileIsReported()
{
    prepare();
    openWindow();
    QTemporaryDir dir;
    QFile plain(dir.filePath("plain"));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    m_fakes->prompts.pathAnswers = {dir.filePath("plain/log")};
    m_window->action("N5")->trigger();
    const QStringList errors = m_fakes->prompts.texts(ShownPrompt::Error);
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().startsWith("Не удалось записать файл " + dir.filePath("plain/log.adi") + ": "),
             qPrintable(errors.first()));
}

QTEST_MAIN(TestAdifExport)
#include "tst_adifexport.moc"
