#include "exchange/ediexport.h"
#include "exchange/edireader.h"
#include "exchange/ediviewtable.h"
#include "store/daycount.h"
#include "support/ediquirks.h"
#include "support/fakes.h"
#include "support/tempdatabase.h"

#include <QTemporaryDir>
#include <QtTest>

// EDI files as this program and others write them, read for the viewer.
class TestEdiReader : public QObject
{
    Q_OBJECT
private slots:
    void filesOfOtherPrograms_data();
    void filesOfOtherPrograms();
    void quirksOfOtherLoggers_data();
    void quirksOfOtherLoggers();
    void contactLines_data();
    void contactLines();
    void codePages_data();
    void codePages();
    void unreadableFiles();
    void exportedFileShowsTheLogsDistances();
    void fieldsNeverChangeTheStatement();
};

namespace {

const QString kTwoContacts = "150704;1405;UA3AAA;1;59;007;57;042;;KO95AA;;;;;\n"
                             "990101;2359;R3A'B;2;599;1234;599;003;;KO86AA;;;;;\n";

QStringList calls(const EdiReading& r)
{
    QStringList list;
    for (const EdiReadContact& c : r.contacts)
        list << c.call;
    return list;
}

// A contact as the quirk table writes it.
QString described(const EdiReadContact& c)
{
    return QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8")
        .arg(fromDayCount(c.dateTime).toString("yyyy-MM-dd hh:mm"), c.call, c.locator)
        .arg(c.mode)
        .arg(c.sentReport)
        .arg(c.sentNumber)
        .arg(c.receivedReport)
        .arg(c.receivedNumber);
}

} // namespace

void TestEdiReader::filesOfOtherPrograms_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("caption"); // call / band / name
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QList<int>>("unread");

    const QString header = "[REG1TEST;1]\nTName=Полевой день\nPCall=RK3AW/P\nPBand=144 MHz\n[QSORecords;2]\n";
    QTest::newRow("LF") << header + kTwoContacts << "RK3AW/P / 144 MHz / Полевой день"
                        << QStringList{"UA3AAA", "R3A'B"} << QList<int>{};
    QString crlf = header + kTwoContacts;
    crlf.replace("\n", "\r\n");
    QTest::newRow("CR LF") << crlf << "RK3AW/P / 144 MHz / Полевой день" << QStringList{"UA3AAA", "R3A'B"}
                           << QList<int>{};
    QString cr = header + kTwoContacts;
    cr.replace("\n", "\r");
    QTest::newRow("CR") << cr << "RK3AW/P / 144 MHz / Полевой день" << QStringList{"UA3AAA", "R3A'B"}
                        << QList<int>{};
    QTest::newRow("trailer and blank lines")
        << header + "\n" + kTwoContacts + "  \n[END;Другая программа]\n"
        << "RK3AW/P / 144 MHz / Полевой день" << QStringList{"UA3AAA", "R3A'B"} << QList<int>{};
    QTest::newRow("count wrong, sixteen fields")
        << "[QSORecords;7]\n150704;1405;UA3AAA;1;59;007;57;042;;KO95AA;;;;;;X\n"
        << " /  / " << QStringList{"UA3AAA"} << QList<int>{};
    QTest::newRow("keys lower case, repeated, no blank trimmed inside")
        << "pband=ignored\nPBand= 432 MHz \x01\nPBand=1,3 GHz\nTName=  Первый "
           "\nTName=Второй\n[QSORecords;2]\n" +
               kTwoContacts
        << " / 1,3 GHz / Второй" << QStringList{"UA3AAA", "R3A'B"} << QList<int>{};
    QTest::newRow("TName cut at 250 before trimming")
        << "TName=" + QString(249, 'x') + " y\n[QSORecords;0]\n"
        << " /  / " + QString(249, 'x') << QStringList{} << QList<int>{};
    QTest::newRow("no [QSORecords;] line: every line read as a contact")
        << "PCall=RK3AW\n" + kTwoContacts << "RK3AW /  / " << QStringList{"UA3AAA", "R3A'B"} << QList<int>{1};
    QTest::newRow("empty file") << ""
                                << " /  / " << QStringList{} << QList<int>{};
    QTest::newRow("lines that are no contact")
        << "[QSORecords;6]\n"
           "150704;1405;SHORT;1;59;007;57;042;;\n"        // nine fields
           "15o704;1405;LETTER;1;59;007;57;042;;KO95AA\n" // a letter in the date
           "150230;1405;FEB30;1;59;007;57;042;;KO95AA\n"  // no such day
           "150704;2460;LATE;1;59;007;57;042;;KO95AA\n"   // no such time
           "150704;1405;EMPTY;1;;007;57;042;;KO95AA\n"    // a report missing
           "150704;1405;GOOD;1;59;7;57;42;;KO95AA\n"
        << " /  / " << QStringList{"GOOD"} << QList<int>{2, 3, 4, 5, 6};
}

void TestEdiReader::filesOfOtherPrograms()
{
    QFETCH(QString, text);
    QFETCH(QString, caption);
    QFETCH(QStringList, calls);
    QFETCH(QList<int>, unread);
    const EdiReading r = readEdiText(text);
    QCOMPARE(r.call + " / " + r.band + " / " + r.name, caption);
    QCOMPARE(::calls(r), calls);
    QCOMPARE(r.unreadLines, unread);
}

void TestEdiReader::quirksOfOtherLoggers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("contacts");
    for (const EdiQuirk& quirk : ediQuirks())
        QTest::newRow(quirk.name) << quirk.text << quirk.contacts;
}

void TestEdiReader::quirksOfOtherLoggers()
{
    QFETCH(QString, text);
    QFETCH(QStringList, contacts);
    const EdiReading r = readEdiText(text);
    QStringList read;
    for (const EdiReadContact& c : r.contacts)
        read << described(c);
    QCOMPARE(read, contacts);
    QCOMPARE(r.unreadLines, QList<int>{});
}

// How far the reading of a line bends: where a person reads one contact without doubt, and
// where a line stays reported because a reading could be wrong.
void TestEdiReader::contactLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("contact"); // empty: reported as unread

    const QString read = "2016-05-08 07:26 UA3AAA KO95AA ";
    // Report and serial in one field: five digits split only as RS + 3, seven only as
    // RST + 4; six digits as either, which the mode decides.
    QTest::newRow("five digits, CW") << "160508;0726;UA3AAA;2;59001;;59020;;;KO95AA" << read + "2 59 1 59 20";
    // 59912 on CW may be RST 599 and serial 12 as well as RS 59 and serial 912.
    QTest::newRow("five digits beginning with an RST, CW") << "160508;0726;UA3AAA;2;59912;;59020;;;KO95AA"
                                                           << "";
    QTest::newRow("five digits beginning with an RST, no mode") << "160508;0726;UA3AAA;;59912;;59020;;;KO95AA"
                                                                << "";
    QTest::newRow("five digits beginning with an RST, SSB")
        << "160508;0726;UA3AAA;1;59912;;59020;;;KO95AA" << read + "1 59 912 59 20";
    QTest::newRow("six digits, CW") << "160508;0726;UA3AAA;2;599001;;599020;;;KO95AA"
                                    << read + "2 599 1 599 20";
    QTest::newRow("six digits, SSB") << "160508;0726;UA3AAA;1;591234;;571001;;;KO95AA"
                                     << read + "1 59 1234 57 1001";
    QTest::newRow("six digits, FM") << "160508;0726;UA3AAA;6;591001;;59020;;;KO95AA"
                                    << read + "6 59 1001 59 20";
    QTest::newRow("six digits, no tone, no mode")
        << "160508;0726;UA3AAA;;590123;;59020;;;KO95AA" << read + "0 59 123 59 20";
    QTest::newRow("six digits, no mode") << "160508;0726;UA3AAA;;599001;;59020;;;KO95AA"
                                         << "";
    QTest::newRow("six digits, SSB/CW") << "160508;0726;UA3AAA;3;599001;;59020;;;KO95AA"
                                        << "";
    QTest::newRow("six digits, RTTY") << "160508;0726;UA3AAA;7;59001;;599020;;;KO95AA"
                                      << "";
    QTest::newRow("seven digits, SSB")
        << "160508;0726;UA3AAA;1;5991234;;59020;;;KO95AA" << read + "1 599 1234 59 20";
    QTest::newRow("readability 6") << "160508;0726;UA3AAA;1;69001;;59020;;;KO95AA"
                                   << "";
    QTest::newRow("strength 0") << "160508;0726;UA3AAA;1;50001;;59020;;;KO95AA"
                                << "";
    QTest::newRow("four digits") << "160508;0726;UA3AAA;1;5901;;59020;;;KO95AA"
                                 << "";
    QTest::newRow("eight digits") << "160508;0726;UA3AAA;1;59900123;;59020;;;KO95AA"
                                  << "";
    QTest::newRow("serial field not empty: no split")
        << "160508;0726;UA3AAA;1;59001;5;59;020;;KO95AA" << read + "1 59001 5 59 20";
    // A serial with what follows its digits.
    QTest::newRow("serial then a letter") << "160508;0726;UA3AAA;1;59;12A;59;020;;KO95AA"
                                          << "";
    QTest::newRow("serial then digits after a blank") << "160508;0726;UA3AAA;1;59;12 3;59;020;;KO95AA"
                                                      << "";
    QTest::newRow("marks, no digits") << "160508;0726;UA3AAA;1;59;/;59;020;;KO95AA"
                                      << "";
    QTest::newRow("marks after a report") << "160508;0726;UA3AAA;1;59/;001;59;020;;KO95AA"
                                          << "";
    QTest::newRow("locator glued, own field taken") << "160508;0726;UA3AAA;1;59;001;59;020 KN33GY;;KO95AA"
                                                    << "";
    QTest::newRow("locator glued in lower case") << "160508;0726;UA3AAA;1;59;001;59;020 kn33gy;;;"
                                                 << "2016-05-08 07:26 UA3AAA KN33GY 1 59 1 59 20";
    QTest::newRow("no locator glued") << "160508;0726;UA3AAA;1;59;001;59;020 KN33;;;"
                                      << "";
    QTest::newRow("locator glued to the sent serial") << "160508;0726;UA3AAA;1;59;001 KN33GY;59;020;;;"
                                                      << "";
    // Dates of eight digits.
    QTest::newRow("1999") << "19991231;2359;UA3AAA;1;59;001;59;020;;KO95AA"
                          << "1999-12-31 23:59 UA3AAA KO95AA 1 59 1 59 20";
    QTest::newRow("another century") << "21160508;0726;UA3AAA;1;59;001;59;020;;KO95AA"
                                     << "";
    QTest::newRow("month 13") << "20161308;0726;UA3AAA;1;59;001;59;020;;KO95AA"
                              << "";
    QTest::newRow("blanks inside") << "2016 0508;0726;UA3AAA;1;59;001;59;020;;KO95AA"
                                   << "";
}

void TestEdiReader::contactLines()
{
    QFETCH(QString, line);
    QFETCH(QString, contact);
    const EdiReading r = readEdiText("[QSORecords;1]\n" + line + "\n");
    QCOMPARE(r.unreadLines, contact.isEmpty() ? QList<int>{2} : QList<int>{});
    QCOMPARE(r.contacts.isEmpty() ? QString() : described(r.contacts.first()), contact);
}

void TestEdiReader::codePages_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray name = "TName=\xD0\x9F\xD0\xBE\xD0\xBB\xD0\xB5\r\n"; // "Поле" in UTF-8
    QTest::newRow("UTF-8") << name;
    QTest::newRow("UTF-8 with a byte-order mark") << "\xEF\xBB\xBF" + name;
    QTest::newRow("CP1251") << QByteArray("TName=\xCF\xEE\xEB\xE5\r\n");
}

void TestEdiReader::codePages()
{
    QFETCH(QByteArray, bytes);
    const std::optional<QString> text = decodeEdiText(bytes + "[QSORecords;1]\r\n" + kTwoContacts.toLatin1());
    QVERIFY(text);
    const EdiReading r = readEdiText(*text);
    QCOMPARE(r.name, "Поле");
    QCOMPARE(r.contacts.size(), 2);
    // The year digits 99 are 2099.
    QCOMPARE(fromDayCount(r.contacts[1].dateTime), QDateTime(QDate(2099, 1, 1), QTime(23, 59), Qt::UTC));
}

void TestEdiReader::unreadableFiles()
{
    QTemporaryDir dir;
    QFile binary(dir.filePath("binary.edi"));
    QVERIFY(binary.open(QIODevice::WriteOnly));
    binary.write(QByteArray("[REG1TEST;1]\r\n\0\0\x01", 17));
    binary.close();
    for (const QString& path : {dir.filePath("missing.edi"), dir.path(), binary.fileName()}) {
        const EdiFileReading read = readEdiFile(path);
        QVERIFY2(!read.reading && !read.cause.isEmpty(), qPrintable(path));
    }
}

// A file this program wrote shows every contact with the distance and azimuth of the log.
void TestEdiReader::exportedFileShowsTheLogsDistances()
{
    TempDatabase file;
    FakePrompts prompts;
    file.openStore(prompts);
    file.sqlite(
        "INSERT INTO Contest VALUES (1, 'Полевой день', 42189, 42190.5, 1);"
        "INSERT INTO ContestList (IdContest, IdBand, ContestListDateTime, ContestListCall, "
        "ContestListQTH, IdModulation, ContestListSendNum, ContestListSendRST, ContestListReceivedNum, "
        "ContestListReceivedRST, ContestListResult, ContestListDistance, ContestListAzimut) VALUES"
        " (1, 144, 42189.5, 'UA3AAA', 'KO95AA', 1, 1, 59, 7, 57, 127, 127.4, 89),"
        " (1, 144, 42189.75, 'DL1ABC', 'JN45AA', 2, 2, 599, 12, 579, 2265, 2265.3, 252);");
    auto store = file.openStore(prompts);
    store->openSettingCursors();
    QTemporaryDir folder;
    const EdiExportResult exported =
        EdiExport(*store).exportTo(folder.path() + "/", {"RK3AW/P", "KO85AA", "Полевой день", 1});
    QCOMPARE(exported.written.size(), 1);

    const EdiFileReading read = readEdiFile(exported.written.first());
    QVERIFY(read.reading);
    fillViewerTable(*store, *read.reading, "KO85AA");
    QCOMPARE(
        file.column("SELECT ContestListCall || ' ' || ContestListQTH || ' ' || IdModulation || ' ' || "
                    "ContestListSendRST || ' ' || ContestListSendNum || ' ' || ContestListReceivedRST || ' ' "
                    "|| ContestListReceivedNum || ' ' || ContestListDistance || ' ' || ContestListAzimut || "
                    "' ' || ContestListDateTime FROM ContestListRead ORDER BY ContestListDateTime"),
        (QVariantList{"UA3AAA KO95AA 1 59 1 57 7 127.4 89 42189.5",
                      "DL1ABC JN45AA 2 599 2 579 12 2265.3 252 42189.75"}));
    QCOMPARE(file.column("SELECT COUNT(*) FROM Contest WHERE ContestActual"), QVariantList{0});
}

// A hostile call goes in as text; the log and the other tables stay as they were.
void TestEdiReader::fieldsNeverChangeTheStatement()
{
    TempDatabase file;
    FakePrompts prompts;
    auto store = file.openStore(prompts);
    file.sqlite("INSERT INTO ContestListRead (ContestListCall) VALUES ('OLD');"
                "INSERT INTO ContestList (IdContest, IdBand, ContestListCall) VALUES (1, 144, 'KEEP');");
    const QString hostile = "X', (SELECT ContestListCall FROM ContestList)) --";
    const EdiReading r = readEdiText("[QSORecords;1]\n150704;1405;" + hostile + ";1;59;1;59;1;;KO95AA'--\n");
    QCOMPARE(r.contacts.size(), 1);
    fillViewerTable(*store, r, "KO85UR");
    QCOMPARE(file.column("SELECT ContestListCall || '|' || ContestListQTH FROM ContestListRead"),
             QVariantList{hostile + "|KO95AA'--"});
    QCOMPARE(file.column("SELECT ContestListCall FROM ContestList"), QVariantList{"KEEP"});
}

QTEST_GUILESS_MAIN(TestEdiReader)
#include "tst_edireader.moc"
