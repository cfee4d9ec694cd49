#include "onair/clusterclient.h"
#include "onair/clusterreader.h"
#include "support/fakeclusterserver.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QtTest>

Q_DECLARE_METATYPE(ClusterSpot)

// The spot reader on cluster and chat lines, and the cluster client against a fake cluster on a
// local port: the login asked without a line end, spots among garbage, a cluster that is away or
// drops the client right after the login tried again with growing waits and said once, a silent
// server left after the answer timeout, a quiet one asked and left when it does not answer.
class TestCluster : public QObject
{
    Q_OBJECT
private slots:
    void readsSpotLines_data();
    void readsSpotLines();
    void readsChatSpots_data();
    void readsChatSpots();
    void readerTakesCutLinesAndTheWaitingLogin();
    void logsInAndPassesOnSpotsAmongGarbage();
    void aDroppedConnectionIsTriedAgainWithGrowingWaits_data();
    void aDroppedConnectionIsTriedAgainWithGrowingWaits();
    void aSilentServerIsLeftAfterTheAnswerTimeout();
    void aQuietClusterIsAskedAndLeftWhenItDoesNotAnswer_data();
    void aQuietClusterIsAskedAndLeftWhenItDoesNotAnswer();
};

namespace {

ClusterClient::Timings shortTimings()
{
    ClusterClient::Timings t;
    t.connectMs = 2000;
    t.answerMs = 500;
    t.firstRetryMs = 100;
    t.longestRetryMs = 400;
    t.steadyMs = 1000;
    return t;
}

QString lostText(quint16 port, const QString& cause)
{
    return QString("Кластер: нет связи с 127.0.0.1:%1 (%2); попытки соединиться продолжаются")
        .arg(port)
        .arg(cause);
}

QStringList texts(const QSignalSpy& states)
{
    QStringList said;
    for (const QList<QVariant>& state : states)
        said << state.first().toString();
    return said;
}

} // namespace

void TestCluster::readsSpotLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("spot");
    QTest::addColumn<double>("kHz");
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("spotter");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("locator");
    QTest::addColumn<QString>("comment");
    QTest::newRow("aligned") << "DX de OK1XYZ:    432200.0  OK1ABC       JO60AA tropo 59            1015Z"
                             << true << 432200.0 << "OK1ABC"
                             << "OK1XYZ"
                             << "1015"
                             << "JO60AA"
                             << "JO60AA tropo 59";
    QTest::newRow("node mark, locator after the time, lower case")
        << "dx de dl2xx-#:  144300.5  sp1abc/p  jo82lk<tr>kn08  2359Z JO30" << true << 144300.5 << "SP1ABC/P"
        << "DL2XX"
        << "2359"
        << "JO82LK"
        << "jo82lk<tr>kn08";
    QTest::newRow("skimmer feed mark, two words after the time")
        << "DX de W3LPL-2-#: 50313.0 K1JT FT8 FN20QI 1234Z JO70 EU" << true << 50313.0 << "K1JT"
        << "W3LPL"
        << "1234"
        << "FN20QI"
        << "FT8 FN20QI";
    QTest::newRow("no comment") << "DX de G4AAA: 1296100.0 G4XYZ 0730Z" << true << 1296100.0 << "G4XYZ"
                                << "G4AAA"
                                << "0730"
                                << ""
                                << "";
    QTest::newRow("a valid locator among words")
        << "DX de G4AAA: 10368100 F6ABC eme io91wm ok 0001Z" << true << 10368100.0 << "F6ABC"
        << "G4AAA"
        << "0001"
        << "IO91WM"
        << "eme io91wm ok";
    // The heard station's locator comes before a propagation mark, the spotter's after it.
    const struct
    {
        const char* comment;
        const char* locator;
    } marked[] = {{"KM71<ES>IO82WX", "KM71"}, {"JO60<TR>KO85AA", "JO60"},   {"JO60AA<TR>KO85", "JO60AA"},
                  {"JO60AA>KO85", "JO60AA"},  {"<ES> IO82WX", ""},          {"tropo<TR>KO85AA", ""},
                  {"JO60AA", "JO60AA"},       {"TNX QSO KO85AA", "KO85AA"}, {"KM71 tropo", ""}};
    for (const auto& [comment, locator] : marked)
        QTest::newRow(comment) << QString("DX de OK1XYZ: 144300.0 OK1ABC %1 1015Z").arg(comment) << true
                               << 144300.0 << "OK1ABC"
                               << "OK1XYZ"
                               << "1015" << locator << comment;
    for (const char* bad :
         {"DX de OK1XYZ: 432200.0 OK1ABC tropo 1015", "DX de OK1XYZ: 432200.0 OK1ABC 2515Z",
          "DX de OK1XYZ: 432200.0 OK1ABC 1075Z", "DX de OK1XYZ: 432200.0 599 tropo 1015Z",
          "DX de : 432200.0 OK1ABC 1015Z", "DX de OK1XYZ: 0 OK1ABC 1015Z", "DX de OK1XYZ: 4e9 OK1ABC 1015Z",
          "WWV de W0MU: SFI=70 1015Z", "OK1XYZ de FAKE >", ""})
        QTest::newRow(bad) << QString(bad) << false << 0.0 << ""
                           << ""
                           << ""
                           << ""
                           << "";
}

void TestCluster::readsSpotLines()
{
    QFETCH(QString, line);
    QFETCH(bool, spot);
    const std::optional<ClusterSpot> read = readSpotLine(line);
    QCOMPARE(read.has_value(), spot);
    if (!spot)
        return;
    QTEST(read->kHz, "kHz");
    QTEST(read->call, "call");
    QTEST(read->spotter, "spotter");
    QTEST(read->time, "time");
    QTEST(read->locator, "locator");
    QTEST(read->comment, "comment");
}

void TestCluster::readsChatSpots_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("spot");
    QTest::addColumn<double>("kHz");
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("spotter");
    QTest::addColumn<QString>("locator");
    QTest::newRow("MHz first") << "432.200 OK1ABC JO60AA 59" << true << 432200.0 << "OK1ABC"
                               << "DL1ABC"
                               << "JO60AA";
    QTest::newRow("call first, kHz") << "ok1abc 144300 cq" << true << 144300.0 << "OK1ABC"
                                     << "DL1ABC"
                                     << "";
    QTest::newRow("decimal comma") << "1296,2 G4XYZ" << true << 1296200.0 << "G4XYZ"
                                   << "DL1ABC"
                                   << "";
    QTest::newRow("quoted cluster line")
        << "fyi DX de OK1XYZ: 432200.0 OK1ABC tropo 1015Z" << true << 432200.0 << "OK1ABC"
        << "OK1XYZ"
        << "";
    QTest::newRow("microwave MHz") << "10368.1 DL1ABC/P" << true << 10368100.0 << "DL1ABC/P"
                                   << "DL1ABC"
                                   << "";
    QTest::newRow("call with a comma") << "432.200 OK1ABC, JO60AA" << true << 432200.0 << "OK1ABC"
                                       << "DL1ABC"
                                       << "JO60AA";
    QTest::newRow("call with a colon, call first") << "ok1abc: 144300 cq" << true << 144300.0 << "OK1ABC"
                                                   << "DL1ABC"
                                                   << "";
    for (const char* words :
         {"59 OK1ABC tnx", "OK1ABC 599", "1015 OK1ABC", "pse sked 432.200", "432.200 is free", "", "hi",
          "432.200 OK1-ABC", "432.200 OK1ÄBC", "432.200 \"OK1ABC\"", "432.200 ,.!"})
        QTest::newRow(words) << QString(words) << false << 0.0 << ""
                             << ""
                             << "";
}

void TestCluster::readsChatSpots()
{
    QFETCH(QString, text);
    QFETCH(bool, spot);
    const std::optional<ClusterSpot> read = readChatSpot("1015", "DL1ABC", text);
    QCOMPARE(read.has_value(), spot);
    if (!spot)
        return;
    QTEST(read->kHz, "kHz");
    QTEST(read->call, "call");
    QTEST(read->spotter, "spotter");
    QTEST(read->locator, "locator");
    QCOMPARE(read->time, "1015");
}

void TestCluster::readerTakesCutLinesAndTheWaitingLogin()
{
    ClusterReader reader;
    // Telnet negotiation before the greeting; the question waits without a line end.
    std::vector<ClusterEvent> events =
        reader.read("\xff\xfb\x01\xff\xfd\x03Hello\r\nPlease enter your call: log");
    QCOMPARE(events.size(), size_t(1));
    QCOMPARE(events[0].text, "Hello");
    events = reader.read("in: ");
    QCOMPARE(events.size(), size_t(1));
    QCOMPARE(events[0].kind, ClusterEvent::LoginPrompt);
    // A spot cut anywhere is read once whole; a line of garbage is only a line.
    QCOMPARE(reader.read("DX de OK1XYZ:  432200.0  OK1").size(), size_t(0));
    events = reader.read("ABC  tropo  1015Z\r\n\x01\x07\xfe\xfd garbage \x80\r\n");
    QCOMPARE(events.size(), size_t(2));
    QCOMPARE(events[0].kind, ClusterEvent::Spot);
    QCOMPARE(events[0].spot.call, "OK1ABC");
    QCOMPARE(events[1].kind, ClusterEvent::Line);
    // A prompt left without its line end, the next spot glued to it.
    events = reader.read("OK1XYZ de NODE 11-Dec-2026 1200Z >DX de G4AAA: 1296100.0 G4XYZ IO91WM 1201Z\r\n");
    QCOMPARE(events.size(), size_t(1));
    QCOMPARE(events[0].kind, ClusterEvent::Spot);
    QCOMPARE(events[0].spot.call, "G4XYZ");
    QCOMPARE(events[0].spot.spotter, "G4AAA");
    QCOMPARE(events[0].spot.locator, "IO91WM");
    // An endless line is cut: the reader keeps no more than one line.
    events = reader.read(QByteArray(3 * TelnetLines::kLongestLine, 'x'));
    QCOMPARE(events.size(), size_t(3));
    QVERIFY(reader.read("\r\n").empty());
    // AR-Cluster and CC Cluster ask for the call in words of their own.
    for (const char* question : {"Please enter your call: ", "Please enter your callsign:"}) {
        ClusterReader other;
        events = other.read(QByteArray("Welcome to the node\r\n") + question);
        QCOMPARE(events.size(), size_t(2));
        QCOMPARE(events[1].kind, ClusterEvent::LoginPrompt);
    }
}

void TestCluster::logsInAndPassesOnSpotsAmongGarbage()
{
    qRegisterMetaType<ClusterSpot>();
    FakeClusterServer server;
    ClusterClient client;
    client.setTimings(shortTimings());
    QSignalSpy states(&client, &ClusterClient::stateChanged);
    QSignalSpy spots(&client, &ClusterClient::spotReceived);
    client.start({"127.0.0.1", server.port(), "UA3ABC/P"});
    QVERIFY(QTest::qWaitFor([&] { return client.state() == ClusterClient::State::LoggedIn; }, 5000));
    QCOMPARE(server.received, QStringList{"UA3ABC/P"});
    const QString address = QString("127.0.0.1:%1").arg(server.port());
    QCOMPARE(texts(states),
             QStringList({"Кластер: соединение с " + address + "…", "Кластер: вход на " + address + "…",
                          "Кластер: UA3ABC/P на " + address}));

    server.say("\x00\xff\xff garbage\r\nDX de nonsense\r\n");
    server.saySpot("OK1XYZ", 432200.0, "OK1ABC", "JO60AA tropo");
    QVERIFY(spots.wait(5000));
    QCOMPARE(spots.size(), 1);
    const auto spot = spots.first().first().value<ClusterSpot>();
    QCOMPARE(spot.call, "OK1ABC");
    QCOMPARE(spot.kHz, 432200.0);
    QCOMPARE(spot.locator, "JO60AA");
    QCOMPARE(states.size(), 3); // nothing said again while connected

    client.stop();
    QCOMPARE(states.last().first().toString(), "");
}

void TestCluster::aDroppedConnectionIsTriedAgainWithGrowingWaits_data()
{
    QTest::addColumn<bool>("letIn");
    QTest::newRow("the cluster is away") << false;
    QTest::newRow("the cluster drops each client once logged in") << true;
}

void TestCluster::aDroppedConnectionIsTriedAgainWithGrowingWaits()
{
    QFETCH(bool, letIn);
    FakeClusterServer server;
    ClusterClient client;
    client.setTimings(shortTimings());
    auto loggedIn = [&] { return client.state() == ClusterClient::State::LoggedIn; };
    client.start({"127.0.0.1", server.port(), "UA3ABC"});
    QVERIFY(QTest::qWaitFor(loggedIn, 5000));
    const int firstConnections = server.connections;

    // Each try fails, at once or right after the login: the waits between them grow to the
    // longest and stay there, however often the login goes through.
    if (letIn)
        server.dropLoggedIn = true;
    else
        server.stopListening();
    QSignalSpy states(&client, &ClusterClient::stateChanged);
    QList<int> waits; // at each try, how long the next one waits
    connect(client.findChild<QTcpSocket*>(), &QAbstractSocket::stateChanged, this,
            [&](QAbstractSocket::SocketState state) {
                if (state == QAbstractSocket::HostLookupState)
                    waits << client.retryDelayMs();
            });
    server.drop();
    QVERIFY(QTest::qWaitFor([&] { return waits.size() >= 4; }, 10000));
    QCOMPARE(waits.mid(0, 4), QList<int>({200, 400, 400, 400}));

    // The loss is said once however many tries fail, those that log in too: the tries
    // themselves are not said.
    const QString lost = lostText(server.port(), "сервер закрыл соединение");
    const QString back = QString("Кластер: UA3ABC на 127.0.0.1:%1").arg(server.port());
    QCOMPARE(texts(states), QStringList{lost});

    // Back for good: said once it has stayed, when the waits start over, and not before (the
    // times taken as things happen: the call sent, which the login follows, and being back said).
    QElapsedTimer clock;
    clock.start();
    qint64 callSentAt = -1;
    connect(&server, &FakeLineServer::lineReceived, this, [&] { callSentAt = clock.elapsed(); });
    qint64 backAt = -1;
    int delayWhenBack = -1;
    connect(&client, &ClusterClient::stateChanged, this, [&] {
        backAt = clock.elapsed();
        delayWhenBack = client.retryDelayMs();
    });
    server.dropLoggedIn = false;
    if (!letIn)
        QVERIFY(server.listenAgain());
    QVERIFY(QTest::qWaitFor([&] { return states.size() == 2; }, 5000));
    QCOMPARE(texts(states), (QStringList{lost, back}));
    QVERIFY(loggedIn());
    // A timer may end up to 5% early.
    QVERIFY2(backAt - callSentAt >= shortTimings().steadyMs * 9 / 10,
             qPrintable(QString("call sent at %1 ms, back said at %2 ms").arg(callSentAt).arg(backAt)));
    QCOMPARE(delayWhenBack, 100);
    if (!letIn)
        QCOMPARE(server.connections, firstConnections + 1);
}

void TestCluster::aSilentServerIsLeftAfterTheAnswerTimeout()
{
    FakeClusterServer server;
    server.silent = true;
    ClusterClient client;
    client.setTimings(shortTimings());
    QSignalSpy states(&client, &ClusterClient::stateChanged);
    client.start({"127.0.0.1", server.port(), "UA3ABC"});
    QVERIFY(QTest::qWaitFor([&] { return client.state() == ClusterClient::State::Waiting; }, 5000));
    QCOMPARE(states.last().first().toString(), lostText(server.port(), "сервер не ответил за 1 с"));
    QVERIFY(QTest::qWaitFor([&] { return server.connections == 2; }, 5000));
}

void TestCluster::aQuietClusterIsAskedAndLeftWhenItDoesNotAnswer_data()
{
    QTest::addColumn<bool>("dead");
    QTest::newRow("the cluster answers") << false;
    QTest::newRow("the link is dead") << true;
}

void TestCluster::aQuietClusterIsAskedAndLeftWhenItDoesNotAnswer()
{
    QFETCH(bool, dead);
    FakeClusterServer server;
    ClusterClient client;
    ClusterClient::Timings timings = shortTimings();
    timings.quietMs = 300;
    client.setTimings(timings);
    client.start({"127.0.0.1", server.port(), "UA3ABC"});
    QVERIFY(QTest::qWaitFor([&] { return client.state() == ClusterClient::State::LoggedIn; }, 5000));
    QSignalSpy states(&client, &ClusterClient::stateChanged);
    server.silent = dead; // from now on it takes what it is sent and says nothing
    if (!dead) {
        // Asked once each quiet span, and answered: the connection stays, nothing is said.
        QVERIFY(
            QTest::qWaitFor([&] { return server.received.count(ClusterClient::kQuietQuestion) >= 3; }, 5000));
        QCOMPARE(client.state(), ClusterClient::State::LoggedIn);
        QCOMPARE(server.connections, 1);
        QVERIFY(states.isEmpty());
        return;
    }
    QVERIFY(QTest::qWaitFor([&] { return client.state() == ClusterClient::State::Waiting; }, 5000));
    QCOMPARE(server.received, (QStringList{"UA3ABC", ClusterClient::kQuietQuestion}));
    QCOMPARE(texts(states), QStringList{lostText(server.port(), "сервер не ответил за 1 с")});
    QVERIFY(QTest::qWaitFor([&] { return server.connections == 2; }, 5000));
}

QTEST_MAIN(TestCluster)
#include "tst_cluster.moc"
