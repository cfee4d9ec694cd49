#include "logging/contactlog.h"
#include "logging/locator.h"
#include "logging/repeatrule.h"
#include "store/daycount.h"
#include "store/logstore.h"
#include "support/fakes.h"
#include "support/tempdatabase.h"

#include <QtTest>

// Saving contacts: mandatory fields, numbering, the repeat rule in both forms, scoring,
// and a save the database refuses.
class TestContactLog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void nextTourStart_data();
    void nextTourStart();
    void pointsRoundHalfToEven();
    void pointsFromTheRoundedDistance_data();
    void pointsFromTheRoundedDistance();
    void missingFieldsInTheirOrder_data();
    void missingFieldsInTheirOrder();
    void numbersRunPerContestAndBand();
    void repeatWithinThePeriodIsRefused();
    void repeatAtTheEndOfThePeriodIsSaved();
    void repeatOnAnotherModeBandOrContestIsSaved();
    void tourRule();
    void aRepeatIsJudgedOnBothSidesOfTheStored_data();
    void aRepeatIsJudgedOnBothSidesOfTheStored();
    void anEarlierRepeatNamesTheLaterContact();
    void timerPeriodWinsOverTheSetting();
    void periodSettingAbsentOrNull();
    void scoredFromTheOwnLocator();
    void refusedInsertStoresNothing_data();
    void refusedInsertStoresNothing();
    void apostrophesAreStoredIntact();
    void theRigsFrequencyIsStoredInMHz();
    void aBatchStoresWhatOneSaveStores_data();
    void aBatchStoresWhatOneSaveStores();
    void rescoreChangesOnlyThatRow();

private:
    ContactFields contact(const QString& call, const QString& band = "144 MHz", const QString& mode = "SSB",
                          QTime time = QTime(10, 0, 0));
    SaveOutcome save(const ContactFields& f, QTime now, qint32 contest = 1);
    QVariantList stored(const QString& column);

    std::unique_ptr<TempDatabase> m_file;
    FakePrompts m_prompts;
    std::unique_ptr<LogStore> m_store;
    std::unique_ptr<ContactLog> m_log;
    std::optional<double> m_timerPeriod;
};

void TestContactLog::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::Russian));
}

void TestContactLog::init()
{
    m_file = std::make_unique<TempDatabase>();
    m_prompts.clear();
    m_file->openStore(m_prompts); // creates the file, which the contests then join
    m_file->sqlite("INSERT INTO Contest (ContestRowid, ContestName) VALUES (1, 'Первый'), (2, 'Второй');");
    m_store = m_file->openStore(m_prompts);
    m_store->openSettingCursors();
    m_log = std::make_unique<ContactLog>(*m_store);
    m_timerPeriod.reset();
}

void TestContactLog::cleanup()
{
    m_log.reset();
    m_store.reset();
    m_file.reset();
}

ContactFields TestContactLog::contact(const QString& call, const QString& band, const QString& mode,
                                      QTime time)
{
    ContactFields f;
    f.band = band;
    f.mode = mode;
    f.call = call;
    f.locator = "KO95AA";
    f.sentReport = "59";
    f.sentNumber = "1";
    f.receivedReport = "59";
    f.receivedNumber = "5";
    f.date = QDate(2015, 7, 15);
    f.time = time;
    return f;
}

SaveOutcome TestContactLog::save(const ContactFields& f, QTime now, qint32 contest)
{
    SaveContext context;
    context.contestId = contest;
    context.ownLocator = "KO85AA";
    context.pointsPerKm = m_log->bandPointsPerKm(f.band);
    context.nowUtc = toDayCount(f.date, now);
    context.timerPeriodDays = m_timerPeriod;
    ContactFields numbered = f;
    numbered.sentNumber = QString::number(m_log->nextSerialNumber(contest, m_log->bandId(f.band)));
    return m_log->save(numbered, context);
}

QVariantList TestContactLog::stored(const QString& column)
{
    return m_file->column("SELECT " + column + " FROM ContestList ORDER BY ContestListRowid");
}

void TestContactLog::nextTourStart_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QTime>("last");
    QTest::addColumn<double>("days"); // after the day of `last`
    QTest::newRow("15 min, 10:14:59") << 900 << QTime(10, 14, 59) << 10.25 / 24;
    QTest::newRow("15 min, 10:15:00") << 900 << QTime(10, 15, 0) << 10.5 / 24;
    QTest::newRow("30 min, 10:29") << 1800 << QTime(10, 29, 0) << 10.5 / 24;
    QTest::newRow("30 min, exactly 10:30") << 1800 << QTime(10, 30, 0) << 11.0 / 24;
    QTest::newRow("1 min, last tour of the day") << 60 << QTime(23, 59, 30) << 1.0;
    QTest::newRow("a day") << 86400 << QTime(10, 0, 0) << 1.0;
    QTest::newRow("3 days") << 259200 << QTime(10, 0, 0) << 3.0;
}

void TestContactLog::nextTourStart()
{
    QFETCH(int, seconds);
    QFETCH(QTime, last);
    QFETCH(double, days);
    const double day = toDayCount(QDate(2015, 7, 15), QTime(0, 0));
    const double next = NextTourStart(seconds, toDayCount(QDate(2015, 7, 15), last));
    QCOMPARE(std::llround((next - day) * 86400), std::llround(days * 86400));
}

void TestContactLog::pointsRoundHalfToEven()
{
    QCOMPARE(contactPoints(126.5, 1), 126);
    QCOMPARE(contactPoints(127.5, 1), 128);
    QCOMPARE(contactPoints(127.4, 2), 255);
}

// Points are rounded from the distance as a double of tenths times 0.1 (99.30000000000001
// km for KO85UR to KO85BQ), halves to even; the figures were worked out apart from the code.
void TestContactLog::pointsFromTheRoundedDistance_data()
{
    QTest::addColumn<QString>("other");
    QTest::addColumn<double>("factor");
    QTest::addColumn<int>("points");
    QTest::newRow("KO85BQ at 5") << "KO85BQ" << 5.0 << 497;
    QTest::newRow("JN00AK at 5, tenths above the half") << "JN00AK" << 5.0 << 16071;
    QTest::newRow("JN00AD at 5, a half down to even") << "JN00AD" << 5.0 << 16184;
    QTest::newRow("JN00AG at 5") << "JN00AG" << 5.0 << 16136;
    QTest::newRow("JN00GM at 3, a half down to even") << "JN00GM" << 3.0 << 9532;
    QTest::newRow("JN00AV at 3, a half up to even") << "JN00AV" << 3.0 << 9536;
    QTest::newRow("JN00GM at 7, a half down to even") << "JN00GM" << 7.0 << 22242;
    QTest::newRow("JN00DM at 7, a half up to even") << "JN00DM" << 7.0 << 22348;
}

void TestContactLog::pointsFromTheRoundedDistance()
{
    QFETCH(QString, other);
    QFETCH(double, factor);
    QFETCH(int, points);
    int azimuth = 0;
    double distance = 0;
    LocatorAzimuthDistance("KO85UR", other, azimuth, distance);
    QCOMPARE(contactPoints(distance, factor), points);
}

void TestContactLog::missingFieldsInTheirOrder_data()
{
    QTest::addColumn<int>("blanked");
    QTest::addColumn<int>("reported");
    for (int f = ContactFields::Band; f <= ContactFields::ReceivedNumber; ++f)
        QTest::addRow("field %d", f) << f << f;
}

void TestContactLog::missingFieldsInTheirOrder()
{
    QFETCH(int, blanked);
    QFETCH(int, reported);
    ContactFields f = contact("UA3ABC");
    QString* fields[] = {&f.band,       &f.mode,       &f.call,           &f.locator,
                         &f.sentReport, &f.sentNumber, &f.receivedReport, &f.receivedNumber};
    *fields[blanked] = blanked >= ContactFields::Call ? "  " : ""; // blanks count as empty
    SaveContext context;
    const SaveOutcome outcome = m_log->save(f, context);
    QCOMPARE(outcome.kind, SaveOutcome::MissingField);
    QCOMPARE(int(outcome.field), reported);
    QCOMPARE(stored("COUNT(*)"), QVariantList{0});
}

void TestContactLog::numbersRunPerContestAndBand()
{
    QCOMPARE(save(contact("UA3A"), QTime(10, 0)).kind, SaveOutcome::Saved);
    QCOMPARE(save(contact("UA3B"), QTime(10, 0)).kind, SaveOutcome::Saved);
    QCOMPARE(save(contact("UA3C", "432 MHz"), QTime(10, 0)).kind, SaveOutcome::Saved);
    QCOMPARE(save(contact("UA3D"), QTime(10, 0), 2).kind, SaveOutcome::Saved);
    QCOMPARE(save(contact("UA3E", "144 MHz", "CW"), QTime(10, 0)).kind, SaveOutcome::Saved);
    QCOMPARE(stored("ContestListSendNum"), (QVariantList{1, 2, 1, 1, 3}));
    QCOMPARE(m_log->nextSerialNumber(1, 144), 4);
    QCOMPARE(m_log->nextSerialNumber(1, 1300), 1);
}

void TestContactLog::repeatWithinThePeriodIsRefused()
{
    QCOMPARE(save(contact("UA3ABC", "144 MHz", "SSB", QTime(10, 0, 0)), QTime(10, 0)).kind,
             SaveOutcome::Saved);
    const SaveOutcome outcome =
        save(contact("UA3ABC", "144 MHz", "SSB", QTime(10, 14, 59)), QTime(10, 14, 59));
    QCOMPARE(outcome.kind, SaveOutcome::Refused);
    QCOMPARE(outcome.message,
             "Внимание! Временной период не позволяет внести эту запись в лог.\n\r\n\r"
             "Временной период между связями составляет: 0:15:00\n\r"
             "Последняя связь с UA3ABC на 144 MHz/SSB была осуществленна: 15.07.2015 10:00:00\n\r"
             "Следующая связь с UA3ABC может быть после: 15.07.2015 10:15:00\n\r\n\r"
             "Подождите: 0:00:01\n\r");
    QCOMPARE(stored("COUNT(*)"), QVariantList{1});
}

void TestContactLog::repeatAtTheEndOfThePeriodIsSaved()
{
    QCOMPARE(save(contact("UA3ABC", "144 MHz", "SSB", QTime(10, 0, 0)), QTime(10, 0)).kind,
             SaveOutcome::Saved);
    // Exactly 15 minutes later: day counts that differ in their last bit still compare equal.
    QCOMPARE(save(contact("UA3ABC", "144 MHz", "SSB", QTime(10, 15, 0)), QTime(10, 15, 0)).kind,
             SaveOutcome::Saved);
    for (int minute = 0; minute < 60; ++minute) {
        m_file->sqlite("DELETE FROM ContestList");
        QCOMPARE(save(contact("R1", "144 MHz", "SSB", QTime(7, minute, 13)), QTime(7, minute, 13)).kind,
                 SaveOutcome::Saved);
        const QTime end = QTime(7, minute, 13).addSecs(900);
        QCOMPARE(save(contact("R1", "144 MHz", "SSB", end), end).kind, SaveOutcome::Saved);
    }
}

void TestContactLog::repeatOnAnotherModeBandOrContestIsSaved()
{
    QCOMPARE(save(contact("UA3ABC"), QTime(10, 0)).kind, SaveOutcome::Saved);
    QCOMPARE(save(contact("UA3ABC", "144 MHz", "CW"), QTime(10, 1)).kind, SaveOutcome::Saved);
    QCOMPARE(save(contact("UA3ABC", "432 MHz"), QTime(10, 1)).kind, SaveOutcome::Saved);
    QCOMPARE(save(contact("UA3ABC"), QTime(10, 1), 2).kind, SaveOutcome::Saved);
    QCOMPARE(save(contact("ua3abc"), QTime(10, 1)).kind, SaveOutcome::Refused); // the same call, any case
}

void TestContactLog::tourRule()
{
    m_store->SetSet("Tour", LogStore::IntegerSetting, 1);
    QCOMPARE(save(contact("UA3ABC", "144 MHz", "SSB", QTime(10, 14, 59)), QTime(10, 14, 59)).kind,
             SaveOutcome::Saved);
    QCOMPARE(save(contact("UA3ABC", "144 MHz", "SSB", QTime(10, 15, 0)), QTime(10, 15, 0)).kind,
             SaveOutcome::Saved);
    QCOMPARE(save(contact("UA3ABC", "144 MHz", "SSB", QTime(10, 29, 59)), QTime(10, 29, 59)).kind,
             SaveOutcome::Refused);
    QCOMPARE(save(contact("UA3ABC", "144 MHz", "SSB", QTime(10, 30, 0)), QTime(10, 30, 0)).kind,
             SaveOutcome::Saved);
}

// A contact brought in from another log may be earlier than the stored ones: it is a repeat of
// the nearest stored contact on either side within the period (with tours, in its tour).
void TestContactLog::aRepeatIsJudgedOnBothSidesOfTheStored_data()
{
    QTest::addColumn<bool>("tours");
    QTest::addColumn<QString>("earlier"); // the stored times, in the order saved
    QTest::addColumn<QTime>("when");
    QTest::addColumn<bool>("saved");
    // The default period: 15 minutes.
    QTest::newRow("earlier, outside the period") << false << "10:00:00" << QTime(9, 40) << true;
    QTest::newRow("earlier, exactly the period") << false << "10:00:00" << QTime(9, 45) << true;
    QTest::newRow("earlier, a second within") << false << "10:00:00" << QTime(9, 45, 1) << false;
    QTest::newRow("earlier, a minute before") << false << "10:00:00" << QTime(9, 59) << false;
    QTest::newRow("the same second") << false << "10:00:00" << QTime(10, 0) << false;
    QTest::newRow("later, within the period") << false << "10:00:00" << QTime(10, 14, 59) << false;
    QTest::newRow("later, exactly the period") << false << "10:00:00" << QTime(10, 15) << true;
    QTest::newRow("between two, a period from each") << false << "09:30:00 10:00:00" << QTime(9, 45) << true;
    QTest::newRow("between two, near the earlier")
        << false << "09:30:00 10:00:00" << QTime(9, 44, 59) << false;
    QTest::newRow("between two, near the later") << false << "09:30:00 10:00:00" << QTime(9, 45, 1) << false;
    QTest::newRow("before two later ones") << false << "10:00:00 10:30:00" << QTime(9, 40) << true;
    QTest::newRow("before two, near the first") << false << "10:00:00 10:30:00" << QTime(9, 50) << false;
    QTest::newRow("after two, near the last") << false << "10:00:00 10:30:00" << QTime(10, 40) << false;
    // Tours of 15 minutes from midnight.
    QTest::newRow("tours: an earlier tour") << true << "10:20:00" << QTime(10, 14, 59) << true;
    QTest::newRow("tours: a minute before, across the tour's start")
        << true << "10:15:00" << QTime(10, 14) << true;
    QTest::newRow("tours: earlier in the same tour") << true << "10:20:00" << QTime(10, 15) << false;
    QTest::newRow("tours: later in the same tour") << true << "10:20:00" << QTime(10, 29, 59) << false;
    QTest::newRow("tours: the next tour") << true << "10:20:00" << QTime(10, 30) << true;
    QTest::newRow("tours: the tour between two") << true << "10:05:00 10:35:00" << QTime(10, 20) << true;
    QTest::newRow("tours: the tour of the later one")
        << true << "10:05:00 10:35:00" << QTime(10, 30) << false;
}

void TestContactLog::aRepeatIsJudgedOnBothSidesOfTheStored()
{
    QFETCH(bool, tours);
    QFETCH(QString, earlier);
    QFETCH(QTime, when);
    QFETCH(bool, saved);
    m_store->SetSet("Tour", LogStore::IntegerSetting, tours ? 1 : 0);
    for (const QString& text : earlier.split(' ')) {
        const QTime at = QTime::fromString(text, "hh:mm:ss");
        QCOMPARE(save(contact("UA3ABC", "144 MHz", "SSB", at), at).kind, SaveOutcome::Saved);
    }
    const qsizetype before = earlier.split(' ').size();
    // Judged at its own time, as an imported or WSJT-X contact is.
    const SaveOutcome outcome = save(contact("UA3ABC", "144 MHz", "SSB", when), when);
    QCOMPARE(outcome.kind, saved ? SaveOutcome::Saved : SaveOutcome::Refused);
    QCOMPARE(stored("COUNT(*)"), QVariantList{before + (saved ? 1 : 0)});
    // Another call, band or mode is no repeat wherever it lies.
    QCOMPARE(save(contact("UA3ABD", "144 MHz", "SSB", when), when).kind, SaveOutcome::Saved);
    QCOMPARE(save(contact("UA3ABC", "432 MHz", "SSB", when), when).kind, SaveOutcome::Saved);
    QCOMPARE(save(contact("UA3ABC", "144 MHz", "CW", when), when).kind, SaveOutcome::Saved);
}

void TestContactLog::anEarlierRepeatNamesTheLaterContact()
{
    QCOMPARE(save(contact("UA3ABC", "144 MHz", "SSB", QTime(10, 0)), QTime(10, 0)).kind, SaveOutcome::Saved);
    const SaveOutcome outcome = save(contact("UA3ABC", "144 MHz", "SSB", QTime(9, 50)), QTime(9, 50));
    QCOMPARE(outcome.kind, SaveOutcome::Refused);
    QCOMPARE(outcome.message,
             "Внимание! Временной период не позволяет внести эту запись в лог.\n\r\n\r"
             "Временной период между связями составляет: 0:15:00\n\r"
             "Более поздняя связь с UA3ABC на 144 MHz/SSB была осуществлена: 15.07.2015 10:00:00\n\r"
             "Эта связь (15.07.2015 09:50:00) раньше неё меньше чем на период.\n\r");
    m_store->SetSet("Tour", LogStore::IntegerSetting, 1);
    QCOMPARE(save(contact("UA3XYZ", "144 MHz", "SSB", QTime(10, 10)), QTime(10, 10)).kind,
             SaveOutcome::Saved);
    QVERIFY(save(contact("UA3XYZ", "144 MHz", "SSB", QTime(10, 5)), QTime(10, 5))
                .message.endsWith("(15.07.2015 10:05:00) в том же туре.\n\r"));
}

void TestContactLog::timerPeriodWinsOverTheSetting()
{
    m_timerPeriod = 3600 / 86400.0;
    QCOMPARE(save(contact("UA3ABC"), QTime(10, 0)).kind, SaveOutcome::Saved);
    QCOMPARE(save(contact("UA3ABC"), QTime(10, 30)).kind, SaveOutcome::Refused);
    QCOMPARE(save(contact("UA3ABC"), QTime(11, 0)).kind, SaveOutcome::Saved);
}

void TestContactLog::periodSettingAbsentOrNull()
{
    QCOMPARE(m_log->repeatPeriodDays(), 900 / 86400.0);
    m_file->sqlite("UPDATE Setting SET SettingParamInt=6 WHERE SettingName='Period'");
    QCOMPARE(m_log->repeatPeriodDays(), 3600 / 86400.0);
    m_file->sqlite("UPDATE Setting SET SettingParamInt=NULL WHERE SettingName='Period'");
    QCOMPARE(m_log->repeatPeriodDays(), 900 / 86400.0);
    m_file->sqlite("DELETE FROM Setting WHERE SettingName='Period'");
    QCOMPARE(m_log->repeatPeriodDays(), 60 / 86400.0);
}

void TestContactLog::scoredFromTheOwnLocator()
{
    ContactFields f = contact("UA3ABC", "432 MHz");
    QCOMPARE(save(f, QTime(10, 0)).kind, SaveOutcome::Saved);
    f = contact("UA3DEF", "432 MHz");
    f.locator = "KO85"; // four characters: stored as typed, no score
    QCOMPARE(save(f, QTime(10, 0)).kind, SaveOutcome::Saved);
    QCOMPARE(stored("ContestListDistance"), (QVariantList{127.4, 0.0}));
    QCOMPARE(stored("ContestListAzimut"), (QVariantList{89, 0}));
    QCOMPARE(stored("ContestListResult"), (QVariantList{255, 0}));
    QCOMPARE(stored("ContestListQTH"), (QVariantList{"KO95AA", "KO85"}));
    QCOMPARE(stored("ContestListDateTime").first().toDouble(), toDayCount(QDate(2015, 7, 15), QTime(10, 0)));
}

void TestContactLog::refusedInsertStoresNothing_data()
{
    QTest::addColumn<QString>("receivedNumber");
    QTest::newRow("too large for its column") << "99999";
    QTest::newRow("not a whole number") << "12.5";
    QTest::newRow("not a number") << "1.2.3";
    QTest::newRow("a statement") << "5);DELETE FROM ContestList;--";
}

void TestContactLog::refusedInsertStoresNothing()
{
    QFETCH(QString, receivedNumber);
    QCOMPARE(save(contact("UA3AAA"), QTime(10, 0)).kind, SaveOutcome::Saved);
    ContactFields f = contact("UA3ABC");
    f.receivedNumber = receivedNumber;
    QCOMPARE(save(f, QTime(10, 0)).kind, SaveOutcome::Failed);
    QCOMPARE(m_prompts.texts(ShownPrompt::Error).size(), 1);
    QVERIFY(m_prompts.texts(ShownPrompt::Error).first().startsWith("Не могу выполнить запрос: \n\r"));
    QCOMPARE(stored("ContestListCall"), QVariantList{"UA3AAA"});
}

void TestContactLog::apostrophesAreStoredIntact()
{
    QCOMPARE(save(contact("O'HARA"), QTime(10, 0)).kind, SaveOutcome::Saved);
    QCOMPARE(save(contact("O'HARA"), QTime(10, 5)).kind, SaveOutcome::Refused);
    QCOMPARE(stored("ContestListCall"), QVariantList{"O'HARA"});
    QCOMPARE(m_log->callHistory(), QStringList{"O'HARA"});
    QVERIFY(m_prompts.shown.empty());
}

void TestContactLog::theRigsFrequencyIsStoredInMHz()
{
    ContactFields fromRig = contact("UA3AAA", "1,3 GHz");
    fromRig.frequencyHz = 1296200001;
    QCOMPARE(save(fromRig, QTime(10, 0)).kind, SaveOutcome::Saved);
    QCOMPARE(save(contact("UA3BBB", "1,3 GHz"), QTime(10, 0)).kind, SaveOutcome::Saved); // typed
    QCOMPARE(stored("ContestListFrequency"), (QVariantList{1296.200001, QVariant()}));
}

// Many contacts saved together bind their values to one prepared statement where a single save
// writes them into its statement's text: both store the very same values of the same types.
void TestContactLog::aBatchStoresWhatOneSaveStores_data()
{
    QTest::addColumn<QString>("sentNumber");
    QTest::addColumn<QString>("receivedNumber");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<qint64>("frequencyHz"); // 0: typed without one
    QTest::addColumn<QString>("numbers");    // the serials as stored, whichever way
    QTest::newRow("typed") << "1"
                           << "5" << QTime(10, 0) << qint64(0) << "integer:1 integer:5";
    QTest::newRow("numbers with zeros and a sign")
        << "007"
        << "+5" << QTime(10, 0, 30) << qint64(0) << "integer:7 integer:5";
    QTest::newRow("a whole real number")
        << "3.0"
        << "-0" << QTime(10, 0, 30, 600) << qint64(0) << "integer:3 integer:0";
    QTest::newRow("from the rig") << "2"
                                  << "17" << QTime(23, 59, 59, 999) << qint64(1296200001)
                                  << "integer:2 integer:17";
}

void TestContactLog::aBatchStoresWhatOneSaveStores()
{
    QFETCH(QString, sentNumber);
    QFETCH(QString, receivedNumber);
    QFETCH(QTime, time);
    QFETCH(qint64, frequencyHz);
    QFETCH(QString, numbers);
    ContactFields f = contact("UA3'AA", "1,3 GHz", "CW", time);
    f.sentNumber = sentNumber;
    f.receivedNumber = receivedNumber;
    if (frequencyHz)
        f.frequencyHz = frequencyHz;
    SaveContext context;
    context.contestId = 1;
    context.ownLocator = "KO85AA";
    context.pointsPerKm = m_log->bandPointsPerKm(f.band);
    context.nowUtc = toDayCount(f.date, QTime(12, 0));
    QCOMPARE(m_log->save(f, context).kind, SaveOutcome::Saved);
    context.contestId = 2;
    const std::vector<SaveOutcome> outcomes = m_log->saveAll({{f, context}});
    QCOMPARE(outcomes.size(), size_t(1));
    QCOMPARE(outcomes[0].kind, SaveOutcome::Saved);
    QCOMPARE(outcomes[0].rowid, qint64(2));

    QStringList values;
    for (const char* column :
         {"IdBand", "ContestListDateTime", "ContestListCall", "ContestListQTH", "IdModulation",
          "ContestListSendNum", "ContestListSendRST", "ContestListReceivedNum", "ContestListReceivedRST",
          "ContestListResult", "ContestListDistance", "ContestListAzimut", "ContestListFrequency"})
        values << QString("typeof(%1) || ':' || CASE typeof(%1) WHEN 'real' THEN printf('%.17g', %1) ELSE "
                          "quote(%1) END")
                      .arg(column);
    const QVariantList rows = stored(values.join(" || ' ' || "));
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[1], rows[0]);
    QVERIFY(rows[0].toString().startsWith("integer:1300 "));
    QCOMPARE(stored("typeof(ContestListSendNum) || ':' || ContestListSendNum || ' ' || "
                    "typeof(ContestListReceivedNum) || ':' || ContestListReceivedNum"),
             (QVariantList{numbers, numbers}));
    QVERIFY(m_prompts.shown.empty());
}

void TestContactLog::rescoreChangesOnlyThatRow()
{
    save(contact("UA3A"), QTime(10, 0));
    save(contact("UA3B"), QTime(10, 0));
    Cursor log(m_store->db());
    log.setSql("SELECT * FROM ContestList ORDER BY ContestListSendNum");
    log.setBaseTable("ContestList");
    log.open();
    log.last();
    m_log->rescore(log, "KO96AA", 2.0); // the own locator, corrected: KO95AA is now 111.1 km south
    QCOMPARE(stored("ContestListDistance"), (QVariantList{127.4, 111.1}));
    QCOMPARE(stored("ContestListAzimut"), (QVariantList{89, 180}));
    QCOMPARE(stored("ContestListResult"), (QVariantList{127, 222}));
    QCOMPARE(log.value("ContestListResult").toInt(), 222);
}

QTEST_GUILESS_MAIN(TestContactLog)
#include "tst_contactlog.moc"
