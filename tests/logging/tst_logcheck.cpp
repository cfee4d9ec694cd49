#include "logging/logcheck.h"
#include "store/daycount.h"
#include "support/fakes.h"
#include "support/tempdatabase.h"

#include <QtTest>

using LogCheck::Contact;

// What the check before sending finds, and only that.
class TestLogCheck : public QObject
{
    Q_OBJECT
private slots:
    void findings_data();
    void findings();
    void aContestInTheLog();
};

namespace {

constexpr double kStart = 46000.5; // the contest: twelve hours from noon
constexpr double kMinute = 1.0 / 1440;

Contact contact(qint64 rowid, const QString& band, const QString& serial, const QString& call,
                const QString& locator, double minutes, qint32 mode = 1)
{
    Contact c;
    c.rowid = rowid;
    c.band = band;
    c.bandId = band == "144 MHz" ? 144 : 432;
    c.modeId = mode;
    c.call = call;
    c.locator = locator;
    c.serial = serial;
    c.dateTime = kStart + minutes * kMinute;
    return c;
}

} // namespace

void TestLogCheck::findings_data()
{
    QTest::addColumn<std::vector<Contact>>("contacts");
    QTest::addColumn<QStringList>("lines");
    const std::vector<Contact> clean{contact(1, "144 MHz", "1", "UA3DX", "KO91OG", 10),
                                     contact(2, "144 MHz", "2", "RK3AW", "KO85UQ", 20),
                                     contact(3, "432 MHz", "1", "UA3DX", "KO91OG", 25)};
    QTest::newRow("a clean log") << clean << QStringList{};
    std::vector<Contact> three = clean;
    three.push_back(contact(4, "144 MHz", "3", "R3ABC", "KO9", 30));
    three.push_back(contact(5, "144 MHz", "3", "R3ABD", "KO95AA", 40));
    three.push_back(contact(6, "144 MHz", "4", "R3ABE", "KO95AB", 13 * 60));
    QTest::newRow("bad locator, repeated number, outside the times")
        << three
        << QStringList{"144 MHz, № 3, R3ABC: неверный локатор \"KO9\" (0 очков)",
                       "144 MHz, № 3, R3ABD: номер повторяется",
                       "144 MHz, № 4, R3ABE: время " + formatDayCount(kStart + 13 * 60 * kMinute) +
                           " вне соревнования"};
    std::vector<Contact> edited = clean;
    edited.push_back(contact(4, "144 MHz", "3", "ua3dx", "ko91oh", 25));    // 15 minutes after № 1
    edited.push_back(contact(5, "144 MHz", "5", "UA3DX", "KO91OG", 50, 2)); // another mode: allowed
    QTest::newRow("a repeat too early and another locator, a missing number")
        << edited
        << QStringList{"144 MHz, № 3, ua3dx: повтор раньше срока после № 1 в " +
                           formatDayCount(kStart + 10 * kMinute),
                       "144 MHz, № 3, ua3dx: локатор KO91OH, а в № 1 (144 MHz) KO91OG",
                       "144 MHz, № 4: номер пропущен"};
    std::vector<Contact> gaps = clean;
    gaps.push_back(contact(4, "432 MHz", "3000", "R3ABF", "KO95AC", 30)); // 3000 typed for 3
    gaps.push_back(contact(5, "144 MHz", "3", "R3ABG", "KO", 35));
    QTest::newRow("a band with only missing numbers comes in its place; a gap is one line")
        << gaps
        << QStringList{"144 MHz, № 3, R3ABG: неверный локатор \"KO\" (0 очков)",
                       "432 MHz, № 2–2999: номера пропущены"};
    std::vector<Contact> calls = clean;
    calls.push_back(contact(4, "144 MHz", "3", "UA3;BB", "KO95AA", 30));
    calls.push_back(contact(5, "144 MHz", "4", "UA3ЖB", "KO95AB", 35)); // a Cyrillic letter
    calls.push_back(contact(6, "144 MHz", "5", "UA3BB/P", "KO95AC", 40));
    QTest::newRow("calls with characters a robot refuses")
        << calls
        << QStringList{"144 MHz, № 3, UA3;BB: в позывном знаки кроме латинских букв, цифр и \"/\"",
                       "144 MHz, № 4, UA3ЖB: в позывном знаки кроме латинских букв, цифр и \"/\""};
}

void TestLogCheck::findings()
{
    QFETCH(std::vector<Contact>, contacts);
    QFETCH(QStringList, lines);
    const LogCheck::Rules rules{30.0 / 1440, false, kStart, kStart + 0.5};
    QStringList found;
    for (const LogCheck::Finding& f : LogCheck::checkContacts(contacts, rules))
        found << f.text;
    QCOMPARE(found, lines);
}

void TestLogCheck::aContestInTheLog()
{
    TempDatabase file;
    FakePrompts prompts;
    file.openStore(prompts);
    file.sqlite("INSERT INTO Contest (ContestRowid, ContestName, ContestDTStart, ContestDTStop) VALUES "
                "(1, 'Полевой день', 46000.5, 46001);"
                "INSERT INTO ContestList (IdContest, IdBand, IdModulation, ContestListCall, ContestListQTH, "
                "ContestListSendNum, ContestListDateTime) VALUES (1, 432, 1, 'UA3DX', 'KO91OG', 1, 46000.6),"
                "(2, 144, 1, 'RK3AW', 'KO85', 1, 46000.6);"
                "UPDATE SettingInfo SET SettingInfoValue='UA3XYZ' WHERE SettingInfoN='PCall';"
                "UPDATE SettingInfo SET SettingInfoValue='KO85' WHERE SettingInfoN='PWWLo';"
                "UPDATE SettingInfo SET SettingInfoValue='-1' WHERE SettingInfoN='PSect';"); // none chosen
    auto store = file.openStore(prompts);
    const std::vector<Contact> contacts = LogCheck::contestContacts(*store, 1);
    QCOMPARE(contacts.size(), size_t(1)); // the other contest's contact is not this log's
    QCOMPARE(contacts[0].band, "432 MHz");
    QCOMPARE(contacts[0].serial, "1");
    const LogCheck::Rules rules = LogCheck::contestRules(*store, 1, 0.5, false);
    QCOMPARE(rules.start.value_or(0), 46000.5);
    QCOMPARE(rules.stop.value_or(0), 46001.0);
    QStringList personal;
    for (const LogCheck::Finding& f : LogCheck::checkPersonalData(*store))
        personal << f.text;
    QCOMPARE(personal, (QStringList{"Личные данные: не заполнено RCall",
                                    "Личные данные: неверный свой локатор PWWLo \"KO85\"",
                                    "Личные данные: не заполнено PSect"}));
}

QTEST_GUILESS_MAIN(TestLogCheck)
#include "tst_logcheck.moc"
