#include "exchange/edifile.h"
#include "exchange/iaruedi.h"
#include "store/daycount.h"

#include <QtTest>

#include <iconv.h>

// The text of an EDI file for one band, checked on its bytes.
class TestEdiFile : public QObject
{
    Q_OBJECT
private slots:
    void padNumber3_data();
    void padNumber3();
    void nameParts_data();
    void nameParts();
    void goldenFile();
    void operatorLinesFollowTheStation_data();
    void operatorLinesFollowTheStation();
    void oemConvertsTheListedValuesOnly();
    void charactersOutsideTheCodePageAreReported();
    void icaoTransliteration_data();
    void icaoTransliteration();
    void iaruHeaderLineOverTheLimitIsNamed();
    void iaruStationValues_data();
    void iaruStationValues();
    void iaruScoresInTheOrderOfTime();

private:
    static EdiStation station();
    static QString fromCp1251(const QByteArray& bytes);
};

EdiStation TestEdiFile::station()
{
    EdiStation s;
    s.contestName = "Полевой день";
    s.contestStop = QDate(2015, 7, 5);
    s.ownCall = "RK3AW/P";
    s.ownLocator = "KO85UR";
    s.stationType = "SINGLE-OP";
    s.rcall = "RK3AW";
    s.responsible.name = "Иванов Иван Иванович";
    s.responsible.gradeShortName = "МС";
    s.responsible.gradeCode = 5;
    s.responsible.yearOfBirth = 1970;
    s.country = "Россия";
    s.city = "Москва";
    s.antenna = "4 x 16 el";
    return s;
}

QString TestEdiFile::fromCp1251(const QByteArray& bytes)
{
    iconv_t cd = iconv_open("UTF-8", "CP1251");
    QByteArray in = bytes;
    QByteArray out(bytes.size() * 4, '\0');
    char* inPtr = in.data();
    size_t inLeft = size_t(in.size());
    char* outPtr = out.data();
    size_t outLeft = size_t(out.size());
    iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    out.truncate(int(outPtr - out.data()));
    return QString::fromUtf8(out);
}

void TestEdiFile::padNumber3_data()
{
    QTest::addColumn<qint64>("number");
    QTest::addColumn<QString>("text");
    QTest::newRow("7") << qint64(7) << "007";
    QTest::newRow("42") << qint64(42) << "042";
    QTest::newRow("123") << qint64(123) << "123";
    QTest::newRow("1234") << qint64(1234) << "1234";
}

void TestEdiFile::padNumber3()
{
    QFETCH(qint64, number);
    QFETCH(QString, text);
    QCOMPARE(PadNumber3(number), text);
}

void TestEdiFile::nameParts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("parts");
    QTest::newRow("two words") << "Иванов Иван" << QStringList{"Иванов", "Иван"};
    QTest::newRow("three words") << "Иванов Иван Иванович" << QStringList{"Иванов", "Иван", "Иванович"};
    QTest::newRow("two blanks") << "Иванов  Иван" << QStringList{"Иванов", "", "Иван"};
    QTest::newRow("blank at the end") << "Иванов Иван " << QStringList{"Иванов", "Иван"};
}

void TestEdiFile::nameParts()
{
    QFETCH(QString, name);
    QFETCH(QStringList, parts);
    QCOMPARE(::nameParts(name), parts);
}

// Written by hand from the format's table, not by the code.
void TestEdiFile::goldenFile()
{
    EdiContact first{
        toDayCount(QDate(2015, 7, 4), QTime(14, 5)), "UA3AAA", "1", "59", "7", "57", "42", "KO95AA"};
    EdiContact second{
        toDayCount(QDate(2015, 7, 4), QTime(23, 59)), "R3A'B", "2", "599", "1234", "599", "3", "ko86aa"};
    const QByteArray file = encodeEdiFile(ediHeader(station(), "144 MHz"), {first, second}, false);
    const QString expected = "[REG1TEST;1]\r\n"
                             "TName=Полевой день\r\n"
                             "TDate=20150705\r\n"
                             "PCall=RK3AW/P\r\n"
                             "PWWLo=KO85UR\r\n"
                             "PSect=SINGLE-OP\r\n"
                             "PBand=144 MHz\r\n"
                             "RName=Иванов Иван Иванович;МС;1970\r\n"
                             "nalOpName1=Иванов;Иванович;Иван\r\n"
                             "nalOpRazr1=5\r\n"
                             "RCall=RK3AW\r\n"
                             "RCoun=Россия\r\n"
                             "RCity=Москва\r\n"
                             "SAnte=4 x 16 el\r\n"
                             "SAntH=;\r\n"
                             "[QSORecords;2]\r\n"
                             "150704;1405;UA3AAA;1;59;007;57;042;;KO95AA;;;;;\r\n"
                             "150704;2359;R3A'B;2;599;1234;599;003;;ko86aa;;;;;\r\n";
    QCOMPARE(fromCp1251(file), expected);
    QVERIFY(!file.startsWith("\xEF\xBB\xBF"));
    QVERIFY(file.endsWith("\r\n") && !file.endsWith("\r\n\r\n"));
    // "Полевой день" in CP1251, byte by byte.
    QVERIFY(file.contains("TName=\xCF\xEE\xEB\xE5\xE2\xEE\xE9 \xE4\xE5\xED\xFC\r\n"));
}

void TestEdiFile::operatorLinesFollowTheStation_data()
{
    QTest::addColumn<QString>("stationType");
    QTest::addColumn<bool>("multi");
    QTest::newRow("MULTI") << "MULTI-OP" << true;
    QTest::newRow("lower-case m") << "multi" << true;
    QTest::newRow("Cyrillic М") << "Многооператорная" << false;
    QTest::newRow("SINGLE") << "SINGLE-OP" << false;
}

void TestEdiFile::operatorLinesFollowTheStation()
{
    QFETCH(QString, stationType);
    QFETCH(bool, multi);
    EdiStation s = station();
    s.stationType = stationType;
    s.responsible.gradeShortName.reset();
    s.responsible.gradeCode.reset();
    s.responsible.name = "Иванов Иван"; // two parts: no nalOpName1
    s.second.gradeCode = 4;             // MOpe1 empty, grade set: nalOpRazr2 alone
    s.third.name = "Петров Пётр Петрович";
    s.third.yearOfBirth = 1980;
    QStringList keys;
    QStringList texts;
    for (const EdiLine& line : ediHeader(s, "432 MHz")) {
        keys << line.key;
        texts << line.text();
    }
    QVERIFY(texts.contains("RName=Иванов Иван;;1970"));
    QVERIFY(!keys.contains("nalOpName1="));
    QVERIFY(!keys.contains("nalOpRazr1="));
    QCOMPARE(keys.contains("nalOpRazr2="), multi);
    QVERIFY(!keys.contains("MOpe1="));
    QCOMPARE(texts.contains("MOpe2=Петров Пётр Петрович;;1980"), multi);
    QCOMPARE(texts.contains("nalOpName3=Петров;Петрович;Пётр"), multi);
}

void TestEdiFile::oemConvertsTheListedValuesOnly()
{
    const EdiContact c{
        toDayCount(QDate(2015, 7, 4), QTime(14, 5)), "UA3AAA", "1", "59", "7", "57", "42", "KO95AA"};
    const QList<EdiLine> header = ediHeader(station(), "144 MHz");
    const QByteArray ansi = encodeEdiFile(header, {c}, false);
    const QByteArray oem = encodeEdiFile(header, {c}, true);
    // "Полевой день" in CP866, byte by byte; the country stays CP1251.
    QVERIFY(oem.contains("TName=\x8F\xAE\xAB\xA5\xA2\xAE\xA9 \xA4\xA5\xAD\xEC\r\n"));
    QVERIFY(oem.contains("RCoun=\xD0\xEE\xF1\xF1\xE8\xFF\r\n"));
    QVERIFY(oem.contains("RCity=\x8C\xAE\xE1\xAA\xA2\xA0\r\n"));
    // The contact lines are the same bytes.
    QCOMPARE(oem.mid(oem.indexOf("[QSORecords")), ansi.mid(ansi.indexOf("[QSORecords")));
}

void TestEdiFile::charactersOutsideTheCodePageAreReported()
{
    EdiStation s = station();
    s.club = "Clúb ☂ 📻";
    QStringList changed;
    const QByteArray file = encodeEdiFile(ediHeader(s, "144 MHz"), {}, false, &changed);
    QVERIFY(file.contains("PClub=Cl?b ? ?\r\n")); // one "?" per character
    QCOMPARE(changed, QStringList{"PClub="});
}

void TestEdiFile::icaoTransliteration_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("ascii");
    QTest::addColumn<bool>("lossy");
    QTest::newRow("name") << "Жуков Щёлково Юрьев Ярославль"
                          << "Zhukov Shchelkovo Iurev Iaroslavl" << false;
    QTest::newRow("capitals") << "ЦЫГАНОВ ХЪ"
                              << "TSYGANOV KHIE" << false;
    QTest::newRow("ASCII stays") << "RK3AW/P; a=1"
                                 << "RK3AW/P; a=1" << false;
    QTest::newRow("no letter for it") << "Ü №5 ✓"
                                      << "? ?5 ?" << true;
}

void TestEdiFile::icaoTransliteration()
{
    QFETCH(QString, text);
    QFETCH(QString, ascii);
    QFETCH(bool, lossy);
    bool lost = false;
    QCOMPARE(icaoTransliterated(text, &lost), ascii);
    QCOMPARE(lost, lossy);
}

// A header line over 75 characters is written whole and named; "?" lines are named too.
void TestEdiFile::iaruHeaderLineOverTheLimitIsNamed()
{
    EdiStation s = station();
    s.contestName = QString(80, QLatin1Char('x'));
    s.city = QStringLiteral("Ü");
    QStringList changed, longLines;
    const QByteArray file = encodeIaruEdiFile(s, 144, "144 MHz", {}, false, &changed, &longLines);
    QVERIFY(file.contains("\r\nTName=" + QByteArray(80, 'x') + "\r\n"));
    QVERIFY(file.contains("\r\n[QSORecords;0]\r\n[END;Kovra log "));
    QCOMPARE(longLines, QStringList{"TName="});
    QCOMPARE(changed, QStringList{"RCity="});
}

// The power in watts whatever unit it was typed with, or named when it reads as none; the two
// dates and the two heights both or neither.
void TestEdiFile::iaruStationValues_data()
{
    QTest::addColumn<QString>("power");
    QTest::addColumn<QString>("heights"); // above ground | above sea
    QTest::addColumn<QString>("days");    // start | stop, yyyyMMdd
    QTest::addColumn<QString>("lines");   // SPowe, SAntH and TDate as written
    QTest::addColumn<QStringList>("unreadable");
    QTest::newRow("bare, both, both") << "100"
                                      << "12 м|150 м"
                                      << "20150704|20150705"
                                      << "SPowe=100|SAntH=12;150|TDate=20150704;20150705" << QStringList{};
    QTest::newRow("watts") << "100 Вт"
                           << "12|150"
                           << "20150704|20150705"
                           << "SPowe=100|SAntH=12;150|TDate=20150704;20150705" << QStringList{};
    QTest::newRow("kilowatts, comma") << "1,5 кВт"
                                      << "12|150"
                                      << "20150704|20150705"
                                      << "SPowe=1500|SAntH=12;150|TDate=20150704;20150705" << QStringList{};
    QTest::newRow("kW, no space") << "2kW"
                                  << "12|150"
                                  << "20150704|20150705"
                                  << "SPowe=2000|SAntH=12;150|TDate=20150704;20150705" << QStringList{};
    QTest::newRow("milliwatts") << "500 мВт."
                                << "12|150"
                                << "20150704|20150705"
                                << "SPowe=0.5|SAntH=12;150|TDate=20150704;20150705" << QStringList{};
    QTest::newRow("decibels are no watts")
        << "30 dBm"
        << "12|150"
        << "20150704|20150705"
        << "SPowe=|SAntH=12;150|TDate=20150704;20150705" << QStringList{"SPowe="};
    QTest::newRow("no number") << "много"
                               << "|"
                               << "|"
                               << "SPowe=|SAntH=|TDate=" << QStringList{"SPowe="};
    QTest::newRow("nothing known") << ""
                                   << "|"
                                   << "|"
                                   << "SPowe=|SAntH=|TDate=" << QStringList{};
    QTest::newRow("above ground only") << "100"
                                       << "12 м|"
                                       << "20150704|"
                                       << "SPowe=100|SAntH=|TDate=20150704;20150704" << QStringList{};
    QTest::newRow("above sea only, the stop only")
        << "100"
        << "|150"
        << "|20150705"
        << "SPowe=100|SAntH=|TDate=20150705;20150705" << QStringList{};
}

void TestEdiFile::iaruStationValues()
{
    QFETCH(QString, power);
    QFETCH(QString, heights);
    QFETCH(QString, days);
    QFETCH(QString, lines);
    QFETCH(QStringList, unreadable);
    EdiStation s = station();
    auto value = [](const QString& text) { return text.isEmpty() ? std::nullopt : std::optional(text); };
    auto day = [](const QString& text) {
        return text.isEmpty() ? std::nullopt : std::optional(QDate::fromString(text, "yyyyMMdd"));
    };
    s.power = value(power);
    s.antennaHeight = value(heights.section('|', 0, 0));
    s.antennaHeight2 = value(heights.section('|', 1, 1));
    s.contestStart = day(days.section('|', 0, 0));
    s.contestStop = day(days.section('|', 1, 1));
    QStringList changed, longLines, unread;
    const QString file =
        QString::fromLatin1(encodeIaruEdiFile(s, 144, "144 MHz", {}, false, &changed, &longLines, &unread));
    const QStringList written = file.split("\r\n");
    for (const QString& line : lines.split('|'))
        QVERIFY2(written.contains(line), qPrintable(line));
    QCOMPARE(unread, unreadable);
    QVERIFY(changed.isEmpty());
}

// Imported serials interleave with the log's own: the file keeps serial order, but the repeat and
// the new square fall on the later contact in time.
void TestEdiFile::iaruScoresInTheOrderOfTime()
{
    auto contact = [](double at, const QString& call, const QString& locator) {
        EdiContact c;
        c.dateTime = at;
        c.call = call;
        c.locator = locator;
        return c;
    };
    IaruClaim claim;
    const QList<IaruScoredContact> scored =
        scoreIaru("KO85UR",
                  {contact(42189.7, "UA3AAA", "KO95AA"), contact(42189.5, "UA3AAA", "KO95AA"),
                   contact(42189.6, "UA3BBB", "KO95AB")},
                  &claim);
    QCOMPARE(scored.size(), 3);
    QCOMPARE(scored[0].contact.dateTime, 42189.7); // the list's order stays
    QVERIFY(scored[0].duplicate);
    QCOMPARE(scored[0].points, 0);
    QVERIFY(!scored[0].newSquare);
    QVERIFY(!scored[1].duplicate);
    QVERIFY(scored[1].newSquare);
    QVERIFY(scored[1].points > 0);
    QVERIFY(!scored[2].duplicate);
    QVERIFY(!scored[2].newSquare);
    QCOMPARE(claim.validContacts, 2);
    QCOMPARE(claim.points, qint64(scored[1].points + scored[2].points));
}

QTEST_GUILESS_MAIN(TestEdiFile)
#include "tst_edifile.moc"
