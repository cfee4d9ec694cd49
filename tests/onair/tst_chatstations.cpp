#include "onair/chatstations.h"
#include "store/daycount.h"
#include "support/fakes.h"
#include "support/tempdatabase.h"

#include <QtTest>

// The chat's stations with what the log says of them, without a window: distance and
// azimuth from the own locator, the contacts of the band and the repeat rule, the filter and
// the order.
class TestChatStations : public QObject
{
    Q_OBJECT
private slots:
    void distanceAndAzimuthFromTheOwnLocator();
    void workedOnTheBand_data();
    void workedOnTheBand();
    void workedCallsAreReadOnceAndFollowSaves();
    void filter_data();
    void filter();
    void distanceSortsAsANumber();
    void aStationThatLeftIsRemoved();
};

namespace {

ChatStation station(const QString& call, const QString& locator, bool away = false)
{
    return ChatStation{call, locator, QString(), away};
}

double at(QDate date, QTime time)
{
    return toDayCount(date, time);
}

const QDate kDay(2015, 7, 15);

QStringList column(const QAbstractItemModel& model, int column)
{
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts << model.index(row, column).data().toString();
    return texts;
}

} // namespace

void TestChatStations::distanceAndAzimuthFromTheOwnLocator()
{
    WorkedCalls worked;
    ChatStationModel model(worked);
    model.setStations({station("UA3NORTH", "KO86AA"), station("UA3HERE", "KO85AA"),
                       station("DL1ABC", "JO31AB"), station("SP2BAD", "ZZ99ZZ")});
    ChatStationModel::Reference reference;
    reference.ownLocator = "ko85aa"; // as typed in the personal data
    model.setReference(reference);
    // One degree of latitude due north on the program's sphere is 111.09 km.
    QCOMPARE(column(model, ChatStationModel::DistanceColumn), (QStringList{"111", "0", "2036", ""}));
    QCOMPARE(column(model, ChatStationModel::AzimuthColumn), (QStringList{"0", "0", "270", ""}));
    QCOMPARE(model.index(0, ChatStationModel::DistanceColumn).data(ChatStationModel::SortRole).toDouble(),
             111.1);
    // Without an own locator nothing is computed, and nothing is wrong.
    reference.ownLocator = "";
    model.setReference(reference);
    QCOMPARE(column(model, ChatStationModel::DistanceColumn), (QStringList{"", "", "", ""}));
}

void TestChatStations::workedOnTheBand_data()
{
    QTest::addColumn<double>("last"); // 0: not worked
    QTest::addColumn<int>("periodMinutes");
    QTest::addColumn<bool>("tours");
    QTest::addColumn<double>("now");
    QTest::addColumn<QString>("worked");
    QTest::addColumn<QString>("next");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("not worked") << 0.0 << 15 << false << at(kDay, QTime(10, 10)) << ""
                                << "" << QColor();
    QTest::newRow("worked, waiting") << at(kDay, QTime(10, 0)) << 15 << false << at(kDay, QTime(10, 10))
                                     << "10:00"
                                     << "10:15" << ChatStationModel::WaitingColor;
    QTest::newRow("worked, allowed again")
        << at(kDay, QTime(10, 0)) << 15 << false << at(kDay, QTime(10, 20)) << "10:00"
        << "10:15" << ChatStationModel::AllowedColor;
    QTest::newRow("the period's very end allows it")
        << at(kDay, QTime(10, 0)) << 15 << false << at(kDay, QTime(10, 15)) << "10:00"
        << "10:15" << ChatStationModel::AllowedColor;
    QTest::newRow("tours: the next tour")
        << at(kDay, QTime(10, 29)) << 30 << true << at(kDay, QTime(10, 29, 30)) << "10:29"
        << "10:30" << ChatStationModel::WaitingColor;
    QTest::newRow("another day shows its date")
        << at(kDay.addDays(-1), QTime(23, 50)) << 180 << false << at(kDay, QTime(0, 30)) << "14.07 23:50"
        << "02:50" << ChatStationModel::WaitingColor;
}

void TestChatStations::workedOnTheBand()
{
    QFETCH(double, last);
    QFETCH(int, periodMinutes);
    QFETCH(bool, tours);
    QFETCH(double, now);
    QFETCH(QString, worked);
    QFETCH(QString, next);
    QFETCH(QColor, colour);
    WorkedCalls calls;
    if (last != 0)
        calls.logged("dl1abc", last);
    ChatStationModel model(calls);
    model.setStations({station("DL1ABC", "JO31AB")});
    model.setReference({"KO85AA", periodMinutes / 1440.0, tours, now});
    QCOMPARE(model.index(0, ChatStationModel::WorkedColumn).data().toString(), worked);
    QCOMPARE(model.index(0, ChatStationModel::NextColumn).data().toString(), next);
    const QVariant background = model.index(0, ChatStationModel::NextColumn).data(Qt::BackgroundRole);
    QCOMPARE(background.isValid() ? background.value<QBrush>().color() : QColor(), colour);
}

void TestChatStations::workedCallsAreReadOnceAndFollowSaves()
{
    TempDatabase file;
    FakePrompts prompts;
    auto store = file.openStore(prompts);
    const double early = at(kDay, QTime(9, 0));
    const double late = at(kDay, QTime(9, 30));
    file.sqlite(QString("INSERT INTO ContestList (IdContest, IdBand, ContestListDateTime, ContestListCall, "
                        "IdModulation) VALUES (1, 1, %1, 'DL1ABC', 1), (1, 1, %2, 'dl1abc', 1), "
                        "(1, 2, %2, 'OK1XYZ', 1), (2, 1, %2, 'G4ABC', 1), (1, 1, %2, 'SP1ABC', 2)")
                    .arg(early, 0, 'g', 17)
                    .arg(late, 0, 'g', 17));
    WorkedCalls worked;
    worked.load(store->db(), 1, 1, 1);
    QCOMPARE(worked.last("DL1ABC"), std::optional<double>(late));
    QCOMPARE(worked.last("OK1XYZ"), std::nullopt); // another band
    QCOMPARE(worked.last("G4ABC"), std::nullopt);  // another contest
    QCOMPARE(worked.last("SP1ABC"), std::nullopt); // another mode
    // A save adds to what was read; an older time read again keeps the newest.
    worked.logged("OK1XYZ", late);
    worked.logged("dl1abc ", early);
    QCOMPARE(worked.last("ok1xyz"), std::optional<double>(late));
    QCOMPARE(worked.last("DL1ABC"), std::optional<double>(late));
    // Another band read again forgets the first.
    worked.load(store->db(), 1, 2, 1);
    QCOMPARE(worked.last("DL1ABC"), std::nullopt);
    QCOMPARE(worked.last("OK1XYZ"), std::optional<double>(late));
}

void TestChatStations::filter_data()
{
    QTest::addColumn<int>("maxKm");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QStringList>("shown");
    // From KO85AA: north 111 km at 0°, JO31AB 2036 km at 270°, KO92AA about 350 km to the south-south-east,
    // and one station without a locator we can read.
    QTest::newRow("no limits") << 0 << 0 << 360 << QStringList{"DL1ABC", "SP2BAD", "UA3NORTH", "UA6SOUTH"};
    QTest::newRow("within 500 km") << 500 << 0 << 360 << QStringList{"UA3NORTH", "UA6SOUTH"};
    QTest::newRow("within 100 km") << 100 << 0 << 360 << QStringList{};
    QTest::newRow("west") << 0 << 225 << 315 << QStringList{"DL1ABC"};
    QTest::newRow("across north") << 0 << 300 << 60 << QStringList{"UA3NORTH"};
    QTest::newRow("south and west, within 2500 km") << 2500 << 90 << 270 << QStringList{"DL1ABC", "UA6SOUTH"};
}

void TestChatStations::filter()
{
    QFETCH(int, maxKm);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QStringList, shown);
    WorkedCalls worked;
    ChatStationModel model(worked);
    model.setStations({station("UA3NORTH", "KO86AA"), station("DL1ABC", "JO31AB"),
                       station("UA6SOUTH", "KO92AA"), station("SP2BAD", "ZZ99ZZ")});
    model.setReference({"KO85AA", 0, false, 0});
    ChatStationFilter filter;
    filter.setSourceModel(&model);
    filter.setSortRole(ChatStationModel::SortRole);
    filter.sort(ChatStationModel::CallColumn);
    filter.setMaxDistance(maxKm);
    filter.setSector(from, to);
    QCOMPARE(column(filter, ChatStationModel::CallColumn), shown);
}

void TestChatStations::distanceSortsAsANumber()
{
    WorkedCalls worked;
    ChatStationModel model(worked);
    model.setStations({station("DL1ABC", "JO31AB"), station("UA3NORTH", "KO86AA"),
                       station("UA6SOUTH", "KO92AA"), station("OK1XYZ", "JN79AA", true)});
    model.setReference({"KO85AA", 0, false, 0});
    ChatStationFilter filter;
    filter.setSourceModel(&model);
    filter.setSortRole(ChatStationModel::SortRole);
    filter.sort(ChatStationModel::DistanceColumn, Qt::DescendingOrder);
    QCOMPARE(column(filter, ChatStationModel::CallColumn),
             (QStringList{"DL1ABC", "(OK1XYZ)", "UA6SOUTH", "UA3NORTH"}));
}

void TestChatStations::aStationThatLeftIsRemoved()
{
    WorkedCalls worked;
    ChatStationModel model(worked);
    model.setStations({station("DL1ABC", "JO31AB"), station("OK1XYZ", "JN79AA")});
    model.removeStation("dl1abc");
    model.removeStation("G4NONE");
    QCOMPARE(column(model, ChatStationModel::CallColumn), QStringList{"OK1XYZ"});
}

QTEST_GUILESS_MAIN(TestChatStations)
#include "tst_chatstations.moc"
