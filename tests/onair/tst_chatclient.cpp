#include "onair/chatclient.h"
#include "support/fakechatserver.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTimer>
#include <QtTest>

// The chat client against a fake chat server on a local port: the login, the room, the user
// list and what is said in the room; a refusal; a connection that is dropped, refused or
// silent, or that drops the client as soon as it is in, with the waits growing between the
// tries; each state said once; lists longer than any chat's, and long ones on a slow link;
// the stations forgotten when the chat is off or gone.
class TestChatClient : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void logsInChoosesTheRoomAndListsTheStations();
    void theRoomEnteredIsTheOneThePromptNames_data();
    void theRoomEnteredIsTheOneThePromptNames();
    void roomMessagesCutLinesJoinsAndLeaves();
    void aWrongPasswordIsSaidAndNotTriedAgain();
    void aDroppedConnectionIsTriedAgainWithGrowingWaits_data();
    void aDroppedConnectionIsTriedAgainWithGrowingWaits();
    void aSilentServerIsLeftAfterTheAnswerTimeout();
    void sendsOnlyInTheRoom();
    void overlongListsAreDroppedAndTriedLater_data();
    void overlongListsAreDroppedAndTriedLater();
    void stationsAreForgottenWhenOffOrLost_data();
    void stationsAreForgottenWhenOffOrLost();
    void aListWithNoStationToReadEndsAtItsPrompt_data();
    void aListWithNoStationToReadEndsAtItsPrompt();
    void aLongListIsWaitedForWhileItsLinesCome_data();
    void aLongListIsWaitedForWhileItsLinesCome();

private:
    ChatClient::Account account(const FakeChatServer& server) const;
    bool waitInRoom(ChatClient& client) const;
    QString lostText(const FakeChatServer& server, const QString& cause) const;
    QString inRoomText(const FakeChatServer& server) const;

    QStringList m_states;
};

namespace {

ChatClient::Timings shortTimings()
{
    ChatClient::Timings t;
    t.connectMs = 2000;
    t.answerMs = 1000;
    t.firstRetryMs = 100;
    t.longestRetryMs = 400;
    t.steadyMs = 1000;
    return t;
}

} // namespace

void TestChatClient::init()
{
    m_states.clear();
}

ChatClient::Account TestChatClient::account(const FakeChatServer& server) const
{
    return {"127.0.0.1", server.port(), "UA3ABC", "secret", "144/432 MHz", "KO85AA"};
}

bool TestChatClient::waitInRoom(ChatClient& client) const
{
    return QTest::qWaitFor([&] { return client.state() == ChatClient::State::LoggedIn; }, 5000);
}

QString TestChatClient::lostText(const FakeChatServer& server, const QString& cause) const
{
    return QString("Чат: нет связи с 127.0.0.1:%1 (%2); попытки соединиться продолжаются")
        .arg(server.port())
        .arg(cause);
}

QString TestChatClient::inRoomText(const FakeChatServer& server) const
{
    return QString("Чат: в комнате «144/432 MHz» на 127.0.0.1:%1").arg(server.port());
}

void TestChatClient::logsInChoosesTheRoomAndListsTheStations()
{
    FakeChatServer server;
    ChatClient client;
    client.setTimings(shortTimings());
    connect(&client, &ChatClient::stateChanged, this, [this](const QString& text) { m_states << text; });
    QSignalSpy listed(&client, &ChatClient::stationsListed);
    QSignalSpy rooms(&client, &ChatClient::roomsOffered);
    ChatClient::Account wanted = account(server);
    wanted.room = "Test room"; // a room beyond the known five: its number as the server offers it
    client.start(wanted);
    QVERIFY(listed.wait(5000));
    QCOMPARE(server.received, (QStringList{"UA3ABC", "secret", "6", "/set qra KO85AA", "/sh us"}));
    QCOMPARE(server.chosenRoom, "Test room");
    QCOMPARE(rooms.first().first().toStringList(), server.rooms);
    const auto stations = listed.first().first().value<std::vector<ChatStation>>();
    QCOMPARE(stations.size(), size_t(3));
    QCOMPARE(stations[0].call, "DL1ABC");
    QCOMPARE(stations[0].locator, "JO31AB");
    QCOMPARE(stations[0].comment, "Peter 23cm");
    QVERIFY(stations[1].away);
    const QString address = QString("127.0.0.1:%1").arg(server.port());
    QCOMPARE(m_states, (QStringList{"Чат: соединение с " + address + "…", "Чат: вход на " + address + "…",
                                    "Чат: в комнате «Test room» на " + address}));
    client.stop();
    QCOMPARE(m_states.last(), "");
    QCOMPARE(client.state(), ChatClient::State::Off);
}

void TestChatClient::theRoomEnteredIsTheOneThePromptNames_data()
{
    QTest::addColumn<QStringList>("offered"); // empty: the fake server's own rooms
    QTest::addColumn<QString>("asked");
    QTest::addColumn<QString>("given"); // where the server puts the login; empty: where it chose
    QTest::addColumn<QString>("sent");  // the answer to the room question
    QTest::addColumn<QString>("entered");
    QTest::addColumn<QString>("note"); // said after the room and the address
    QTest::newRow("a room beyond the known five, in other letters") << QStringList{} << "test ROOM"
                                                                    << ""
                                                                    << "6"
                                                                    << "Test room"
                                                                    << "";
    QTest::newRow("a room the server does not offer: the default room")
        << QStringList{} << "Lounge"
        << ""
        << "2"
        << "144/432 MHz"
        << "; комнату «Lounge» сервер не предлагает";
    QTest::newRow("neither offered: the server's first room")
        << QStringList{"Microwave", "Lounge"} << "EME/JT65"
        << ""
        << "1"
        << "Microwave"
        << "; комнату «EME/JT65» сервер не предлагает";
    QTest::newRow("the server puts the login in another room") << QStringList{} << "Microwave"
                                                               << "Lounge"
                                                               << "3"
                                                               << "Lounge"
                                                               << ", а не в выбранной «Microwave»";
}

void TestChatClient::theRoomEnteredIsTheOneThePromptNames()
{
    QFETCH(QStringList, offered);
    QFETCH(QString, asked);
    QFETCH(QString, given);
    QFETCH(QString, sent);
    QFETCH(QString, entered);
    QFETCH(QString, note);
    FakeChatServer server;
    if (!offered.isEmpty())
        server.rooms = offered;
    server.roomGiven = given;
    ChatClient client;
    client.setTimings(shortTimings());
    connect(&client, &ChatClient::stateChanged, this, [this](const QString& text) { m_states << text; });
    QSignalSpy listed(&client, &ChatClient::stationsListed);
    ChatClient::Account wanted = account(server);
    wanted.room = asked;
    client.start(wanted);
    QVERIFY(listed.wait(5000));
    QCOMPARE(server.received.value(2), sent);
    QCOMPARE(client.room(), entered);
    const QString address = QString("127.0.0.1:%1").arg(server.port());
    QCOMPARE(m_states.mid(2),
             QStringList{QString("Чат: в комнате «%1» на %2%3").arg(entered, address, note)});

    // Moved by the server: its next prompt names the room, said at once, the connection kept.
    server.chosenRoom = "Low Band (160-80m)";
    QVERIFY(client.send("QRV 1296"));
    QVERIFY(QTest::qWaitFor([&] { return client.room() == "Low Band (160-80m)"; }, 5000));
    QCOMPARE(m_states.size(), 4);
    QVERIFY2(m_states.last().startsWith(QString("Чат: в комнате «Low Band (160-80m)» на %1").arg(address)),
             qPrintable(m_states.last()));
    QCOMPARE(client.state(), ChatClient::State::LoggedIn);
    QCOMPARE(server.connections, 1);
    // Gone: in no room.
    client.stop();
    QCOMPARE(client.room(), "");
}

void TestChatClient::roomMessagesCutLinesJoinsAndLeaves()
{
    FakeChatServer server;
    ChatClient client;
    client.setTimings(shortTimings());
    QSignalSpy messages(&client, &ChatClient::messageReceived);
    QSignalSpy listed(&client, &ChatClient::stationsListed);
    QSignalSpy left(&client, &ChatClient::stationLeft);
    client.start(account(server));
    QVERIFY(listed.wait(5000));

    server.sayChat("DL1ABC", "Peter", "UA3ABC pse sked 1296");
    QVERIFY(messages.wait(5000));
    QCOMPARE(messages.last(), (QVariantList{"1015", "DL1ABC", "Peter", "UA3ABC pse sked 1296"}));

    // A line cut in the middle of a read comes whole, once.
    server.say("1016Z OK1XYZ Jan> QRV 10");
    QTest::qWait(200);
    QCOMPARE(messages.size(), 1);
    server.say("368 now\r\n");
    QVERIFY(messages.wait(5000));
    QCOMPARE(messages.last(), (QVariantList{"1016", "OK1XYZ", "Jan", "QRV 10368 now"}));

    // A join asks for the list again; so does a leave, which takes the station off at once.
    server.stations << "SP2ABC JO93AA";
    server.sayLine("1017Z SP2ABC has logged in");
    QVERIFY(listed.wait(5000));
    QCOMPARE(listed.last().first().value<std::vector<ChatStation>>().size(), size_t(4));
    server.stations.removeFirst();
    server.sayLine("1018Z DL1ABC has left the chat");
    QVERIFY(listed.wait(5000));
    QCOMPARE(left.size(), 1);
    QCOMPARE(left.first().first().toString(), "DL1ABC");
    QCOMPARE(listed.last().first().value<std::vector<ChatStation>>().size(), size_t(3));
    QCOMPARE(server.received.count("/sh us"), 3);
}

void TestChatClient::aWrongPasswordIsSaidAndNotTriedAgain()
{
    FakeChatServer server;
    ChatClient client;
    client.setTimings(shortTimings());
    connect(&client, &ChatClient::stateChanged, this, [this](const QString& text) { m_states << text; });
    ChatClient::Account wrong = account(server);
    wrong.password = "wrong";
    client.start(wrong);
    QVERIFY(QTest::qWaitFor([&] { return client.state() == ChatClient::State::Refused; }, 5000));
    QCOMPARE(m_states.last(),
             QString("Чат: сервер 127.0.0.1:%1 отказал во входе: Wrong password!").arg(server.port()));
    QTest::qWait(600); // longer than the longest wait between tries
    QCOMPARE(server.connections, 1);
    QCOMPARE(client.state(), ChatClient::State::Refused);

    // An unknown user likewise.
    ChatClient::Account unknown = account(server);
    unknown.login = "NOBODY";
    client.start(unknown);
    QVERIFY(QTest::qWaitFor([&] { return client.state() == ChatClient::State::Refused; }, 5000));
    QVERIFY(m_states.last().endsWith("Unknown user"));
}

void TestChatClient::aDroppedConnectionIsTriedAgainWithGrowingWaits_data()
{
    QTest::addColumn<bool>("letIn");
    QTest::newRow("the server is away") << false;
    QTest::newRow("the server drops each client once in the room") << true;
}

void TestChatClient::aDroppedConnectionIsTriedAgainWithGrowingWaits()
{
    QFETCH(bool, letIn);
    FakeChatServer server;
    ChatClient client;
    client.setTimings(shortTimings());
    connect(&client, &ChatClient::stateChanged, this, [this](const QString& text) { m_states << text; });
    QElapsedTimer clock;
    QList<qint64> tries; // when each connection was tried
    connect(client.findChild<QTcpSocket*>(), &QAbstractSocket::stateChanged, this,
            [&](QAbstractSocket::SocketState state) {
                if (state == QAbstractSocket::HostLookupState)
                    tries << clock.elapsed();
            });
    client.start(account(server));
    QVERIFY(waitInRoom(client));

    // Each try fails, at once or right after the login: the waits between them grow to the longest.
    if (letIn)
        server.dropInRoom = true;
    else
        server.stopListening();
    m_states.clear();
    clock.start();
    tries.clear();
    server.drop();
    QVERIFY(QTest::qWaitFor([&] { return tries.size() >= 5; }, 10000));
    QList<qint64> waits;
    for (int i = 1; i < tries.size(); ++i)
        waits << tries[i] - tries[i - 1];
    const QString seen = QString("tries at %1 ms").arg([&] {
        QStringList t;
        for (qint64 ms : tries)
            t << QString::number(ms);
        return t.join(", ");
    }());
    QVERIFY2(tries[0] >= 90 && waits[0] >= 190 && waits[1] >= 390 && waits[2] >= 390, qPrintable(seen));
    QVERIFY2(waits[2] < waits[0] * 4 && waits[3] < waits[0] * 4,
             qPrintable(seen)); // no longer than the longest

    // The loss is said once however many tries fail, those that reach the room too: the tries
    // themselves are not said.
    const QString lost = lostText(server, "сервер закрыл соединение");
    QCOMPARE(m_states, QStringList{lost});

    // Back for good: said once it has stayed, when the waits start over, and not before. The
    // times are taken as things happen: the room chosen (the login follows it), the list asked
    // for (just after the login), being back said.
    qint64 roomChosenAt = -1;
    QList<int> delaysInRoom; // the wait a failure would take, at each list asked for
    connect(&server, &FakeLineServer::lineReceived, this, [&](const QString& line) {
        if (line == "2")
            roomChosenAt = clock.elapsed();
        else if (line == "/sh us")
            delaysInRoom << client.retryDelayMs();
    });
    qint64 backAt = -1;
    int delayWhenBack = -1;
    connect(&client, &ChatClient::stateChanged, this, [&] {
        backAt = clock.elapsed();
        delayWhenBack = client.retryDelayMs();
    });
    // The chat's own window says the room at once: only the hint bar waits.
    qint64 inRoomShownAt = -1;
    connect(&client, &ChatClient::currentStateChanged, this, [&](const QString& text) {
        if (text == inRoomText(server) && inRoomShownAt < 0)
            inRoomShownAt = clock.elapsed();
    });
    server.dropInRoom = false;
    if (!letIn)
        QVERIFY(server.listenAgain());
    QVERIFY(QTest::qWaitFor([&] { return m_states.size() == 2; }, 5000));
    QVERIFY(inRoomShownAt >= 0 && inRoomShownAt < backAt);
    QCOMPARE(m_states, (QStringList{lost, inRoomText(server)}));
    QCOMPARE(client.state(), ChatClient::State::LoggedIn);
    // A timer may end up to 5% early.
    QVERIFY2(backAt - roomChosenAt >= shortTimings().steadyMs * 9 / 10,
             qPrintable(QString("room chosen at %1 ms, back said at %2 ms").arg(roomChosenAt).arg(backAt)));
    QVERIFY(!delaysInRoom.isEmpty());
    QCOMPARE(delaysInRoom.last(), 400);
    QCOMPARE(delayWhenBack, 100);
    if (!letIn)
        QCOMPARE(server.connections, 2);
}

void TestChatClient::aSilentServerIsLeftAfterTheAnswerTimeout()
{
    FakeChatServer server;
    server.silent = true;
    ChatClient client;
    client.setTimings(shortTimings());
    connect(&client, &ChatClient::stateChanged, this, [this](const QString& text) { m_states << text; });
    client.start(account(server));
    QVERIFY(QTest::qWaitFor([&] { return client.state() == ChatClient::State::Waiting; }, 5000));
    QCOMPARE(m_states.last(), lostText(server, "сервер не ответил за 1 с"));
    // It tries again.
    QVERIFY(QTest::qWaitFor([&] { return server.connections == 2; }, 5000));
}

void TestChatClient::sendsOnlyInTheRoom()
{
    FakeChatServer server;
    ChatClient client;
    client.setTimings(shortTimings());
    QVERIFY(!client.send("too early"));
    client.start(account(server));
    QVERIFY(waitInRoom(client));
    QSignalSpy got(&server, &FakeChatServer::lineReceived);
    QVERIFY(client.send("/cq DL1ABC pse 1296\r\nsecond line"));
    QVERIFY(got.wait(5000));
    // One line, whatever was pasted into it.
    QCOMPARE(server.received.last(), "/cq DL1ABC pse 1296 second line");
    // A new own locator is said at once.
    client.setOwnLocator("KO85BB");
    QVERIFY(got.wait(5000));
    QCOMPARE(server.received.last(), "/set qra KO85BB");
}

void TestChatClient::overlongListsAreDroppedAndTriedLater_data()
{
    QTest::addColumn<bool>("rooms");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("cause"); // empty: the list is taken
    QTest::newRow("the most stations") << false << ChatClient::kMostStations << "";
    QTest::newRow("a station more")
        << false << ChatClient::kMostStations + 1
        << QString("сервер прислал больше %1 станций").arg(ChatClient::kMostStations);
    QTest::newRow("the most rooms") << true << ChatClient::kMostRooms << "";
    QTest::newRow("a room more") << true << ChatClient::kMostRooms + 1
                                 << QString("сервер предложил больше %1 комнат").arg(ChatClient::kMostRooms);
}

void TestChatClient::overlongListsAreDroppedAndTriedLater()
{
    QFETCH(bool, rooms);
    QFETCH(int, count);
    QFETCH(QString, cause);
    FakeChatServer server;
    QStringList& list = rooms ? server.rooms : server.stations;
    for (int i = int(list.size()); i < count; ++i)
        list << (rooms ? QString("Room %1").arg(i) : QString("DL%1ABC JO31AB").arg(i));
    ChatClient client;
    ChatClient::Timings timings = shortTimings();
    // The longest list must not outlast the answer wait, nor a login with the longest list the
    // steady span (after which the waits would start over), even in a sanitizer build.
    timings.answerMs = 5000;
    timings.steadyMs = 60000;
    client.setTimings(timings);
    connect(&client, &ChatClient::stateChanged, this, [this](const QString& text) { m_states << text; });
    QSignalSpy listed(&client, &ChatClient::stationsListed);
    QSignalSpy offered(&client, &ChatClient::roomsOffered);
    client.start(account(server));
    if (cause.isEmpty()) {
        QVERIFY(listed.wait(5000));
        QCOMPARE(listed.first().first().value<std::vector<ChatStation>>().size(),
                 size_t(rooms ? server.stations.size() : count));
        QCOMPARE(offered.first().first().toStringList().size(), rooms ? count : server.rooms.size());
        return;
    }
    // Dropped and tried again after growing waits. The loss is said once, however often the room
    // was reached after it; the rooms are offered before the room is reached.
    QVERIFY(QTest::qWaitFor([&] { return server.connections >= 3; }, 5000));
    const QString lost = lostText(server, cause);
    QCOMPARE(m_states.mid(2), (rooms ? QStringList{lost} : QStringList{inRoomText(server), lost}));
    QCOMPARE(client.retryDelayMs(), 400);
    QVERIFY(listed.isEmpty());
    QCOMPARE(offered.isEmpty(), rooms);
}

void TestChatClient::stationsAreForgottenWhenOffOrLost_data()
{
    QTest::addColumn<bool>("switchedOff");
    QTest::newRow("switched off") << true;
    QTest::newRow("the connection lost") << false;
}

void TestChatClient::stationsAreForgottenWhenOffOrLost()
{
    QFETCH(bool, switchedOff);
    FakeChatServer server;
    ChatClient client;
    client.setTimings(shortTimings());
    QSignalSpy listed(&client, &ChatClient::stationsListed);
    client.start(account(server));
    QVERIFY(listed.wait(5000));
    if (switchedOff) {
        client.stop();
    } else {
        server.stopListening();
        server.drop();
        QVERIFY(QTest::qWaitFor([&] { return client.state() == ChatClient::State::Waiting; }, 5000));
        QTest::qWait(400); // the tries after it find no list to withdraw
    }
    QCOMPARE(listed.size(), 2);
    QVERIFY(listed.last().first().value<std::vector<ChatStation>>().empty());
}

void TestChatClient::aListWithNoStationToReadEndsAtItsPrompt_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("no line") << QStringList{};
    QTest::newRow("no line that is a station")
        << QStringList{"Users in room:", "DL1ABC", "OK1XYZ JN79", "(SP2ABC JO93AA", "-- 0 users --"};
}

void TestChatClient::aListWithNoStationToReadEndsAtItsPrompt()
{
    QFETCH(QStringList, lines);
    FakeChatServer server;
    server.stations = lines;
    ChatClient client;
    client.setTimings(shortTimings());
    connect(&client, &ChatClient::stateChanged, this, [this](const QString& text) { m_states << text; });
    QSignalSpy listed(&client, &ChatClient::stationsListed);
    QStringList notices;
    connect(&client, &ChatClient::noticeReceived, this, [&](const QString& text) { notices << text; });
    client.start(account(server));
    // An empty list, and the connection stays past the answer wait: the list was an answer.
    QVERIFY(listed.wait(5000));
    QVERIFY(listed.first().first().value<std::vector<ChatStation>>().empty());
    // The list's lines are not said as the room's; the answer to the locator sent before it is.
    for (const QString& line : lines)
        QVERIFY2(!notices.contains(line), qPrintable(line));
    QVERIFY(notices.contains("Your locator is now KO85AA"));
    QTest::qWait(shortTimings().answerMs + 500);
    QCOMPARE(client.state(), ChatClient::State::LoggedIn);
    QCOMPARE(server.connections, 1);
    QCOMPARE(m_states.last(), inRoomText(server));

    // The prompts stay in step: a line sent to the room, then a list that can be read.
    QVERIFY(client.send("QRV 1296"));
    server.stations = QStringList{"DL1ABC JO31AB"};
    server.sayLine("1017Z DL1ABC has logged in");
    QVERIFY(listed.wait(5000));
    QCOMPARE(listed.last().first().value<std::vector<ChatStation>>().size(), size_t(1));
    server.stations = lines;
    server.sayLine("1018Z DL1ABC has left the chat");
    QVERIFY(listed.wait(5000));
    QVERIFY(listed.last().first().value<std::vector<ChatStation>>().empty());
    // The list asked for by hand fills the list too, its lines not the room's.
    server.stations = QStringList{"Users in room:", "SP2ABC JO93AA"} + lines;
    notices.clear();
    QVERIFY(client.send(" /SH US "));
    QVERIFY(listed.wait(5000));
    QCOMPARE(listed.last().first().value<std::vector<ChatStation>>().size(), size_t(1));
    QCOMPARE(server.received.last(), "/sh us");
    QCOMPARE(notices, QStringList{});
    QCOMPARE(server.connections, 1);
}

void TestChatClient::aLongListIsWaitedForWhileItsLinesCome_data()
{
    QTest::addColumn<int>("stopsAfter"); // below 0: the whole list and its prompt come
    QTest::addColumn<bool>("talksOn");   // the server keeps saying other things meanwhile
    QTest::newRow("the lines keep coming") << -1 << false;
    QTest::newRow("the server stops half way") << 4 << false;
    QTest::newRow("the list stops, the server talks on") << 4 << true;
}

void TestChatClient::aLongListIsWaitedForWhileItsLinesCome()
{
    QFETCH(int, stopsAfter);
    QFETCH(bool, talksOn);
    const ChatClient::Timings timings = shortTimings();
    FakeChatServer server;
    // Each line well within the answer time, the list as a whole well beyond it.
    server.listLineEveryMs = timings.answerMs * 3 / 10;
    server.listStopsAfter = stopsAfter;
    server.stations.clear();
    for (int i = 0; i < 10; ++i)
        server.stations << QString("DL%1ABC JO31AB").arg(i);
    ChatClient client;
    client.setTimings(timings);
    connect(&client, &ChatClient::stateChanged, this, [this](const QString& text) { m_states << text; });
    QSignalSpy listed(&client, &ChatClient::stationsListed);
    QElapsedTimer clock;
    qint64 lastLineAt = -1;
    connect(client.findChild<QTcpSocket*>(), &QIODevice::readyRead, this,
            [&] { lastLineAt = clock.elapsed(); });
    clock.start();
    QTimer talk;
    connect(&talk, &QTimer::timeout, this, [&] { server.sayChat("SP2ABC", "Jan", "QRV 10368"); });
    if (talksOn)
        talk.start(server.listLineEveryMs);
    client.start(account(server));
    if (stopsAfter < 0) {
        QVERIFY(listed.wait(10000));
        QVERIFY2(clock.elapsed() > 2 * timings.answerMs,
                 qPrintable(QString("listed at %1 ms").arg(clock.elapsed())));
        QCOMPARE(listed.first().first().value<std::vector<ChatStation>>().size(), size_t(10));
        QCOMPARE(client.state(), ChatClient::State::LoggedIn);
        QCOMPARE(server.connections, 1);
        QCOMPARE(m_states.last(), inRoomText(server));
        return;
    }
    // Nothing more after a few lines: given up once the answer time has passed with nothing
    // heard, not before, and tried again.
    QVERIFY(QTest::qWaitFor([&] { return client.state() == ChatClient::State::Waiting; }, 10000));
    const qint64 givenUpAt = clock.elapsed();
    if (talksOn) {
        // The room's talk is no part of the list: it does not keep a lost list waited for.
        QVERIFY(listed.isEmpty());
        return;
    }
    // A timer may end up to 5% early.
    QVERIFY2(lastLineAt > timings.answerMs && givenUpAt - lastLineAt >= timings.answerMs * 9 / 10,
             qPrintable(QString("last line at %1 ms, given up at %2 ms").arg(lastLineAt).arg(givenUpAt)));
    QCOMPARE(m_states.last(), lostText(server, "сервер не ответил за 1 с"));
    QVERIFY(listed.isEmpty());
    QVERIFY(QTest::qWaitFor([&] { return server.connections == 2; }, 5000));
}

QTEST_GUILESS_MAIN(TestChatClient)
#include "tst_chatclient.moc"
