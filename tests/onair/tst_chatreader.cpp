#include "onair/chatreader.h"

#include <QtTest>

// The chat's text as events, without a socket: every shape of line the server sends, lines
// cut anywhere by the network, and what a server must not be able to do to the reader.
class TestChatReader : public QObject
{
    Q_OBJECT
private slots:
    void events_data();
    void events();
    void cutAnywhereReadsTheSame();
    void stationListEndsAtItsOwnPrompt();
    void endlessLineIsCutAndForgotten();
    void namesCall_data();
    void namesCall();
};

namespace {

// An event as one line of text, what the tests compare.
QString summary(const ChatEvent& e)
{
    switch (e.kind) {
    case ChatEvent::LoginPrompt:
        return "login?";
    case ChatEvent::PasswordPrompt:
        return "password?";
    case ChatEvent::RoomOffered:
        return QString("room %1 %2").arg(e.room).arg(e.text);
    case ChatEvent::RoomPrompt:
        return "room?";
    case ChatEvent::Refused:
        return "refused " + e.text;
    case ChatEvent::Message:
        return QString("message %1 %2 [%3] %4").arg(e.time, e.call, e.name, e.text);
    case ChatEvent::Prompt:
        return "prompt [" + e.text + "]";
    case ChatEvent::Station:
        return QString("station %1 %2 [%3]%4")
            .arg(e.station.call, e.station.locator, e.station.comment, e.station.away ? " away" : "");
    case ChatEvent::ListText:
        return "list " + e.text;
    case ChatEvent::StationListEnd:
        return "end of list [" + e.text + "]";
    case ChatEvent::Joined:
        return QString("joined %1 %2").arg(e.time, e.call);
    case ChatEvent::Left:
        return QString("left %1 %2").arg(e.time, e.call);
    case ChatEvent::Notice:
        return "notice " + e.text;
    }
    return {};
}

QStringList summaries(const std::vector<ChatEvent>& events)
{
    QStringList texts;
    for (const ChatEvent& e : events)
        texts << summary(e);
    return texts;
}

// A session from the greeting to chat lines, as a server sends it; the server ends each
// question's line once it has the answer.
const QByteArray kSession = "Welcome to ON4KST chat\r\n"
                            "Login: \r\n"
                            "Password: \r\n"
                            "1 - 50/70 MHz\r\n2 - 144/432 MHz\r\n3 - Microwave\r\n"
                            "Your choice           : \r\n"
                            "1015Z UA3ABC 144/432 MHz chat>\r\n"
                            "1016Z DL1ABC Peter> QRV 23cm\r\n"
                            "1016Z UA3ABC 144/432 MHz chat>"
                            "1017Z OK1XYZ has logged in\r\n"
                            "1018Z G4ABC Bob Smith> UA3ABC pse sked 10368\r\n";

} // namespace

void TestChatReader::events_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("listing");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("greeting and the login question without a line end")
        << QByteArray("Welcome\r\nLogin: ") << false << QStringList{"notice Welcome", "login?"};
    QTest::newRow("password question") << QByteArray("Password:") << false << QStringList{"password?"};
    QTest::newRow("rooms and the choice")
        << QByteArray("1 - 50/70 MHz\r\n2) 144/432 MHz\r\n6 Test room\r\nYour choice           : ") << false
        << QStringList{"room 1 50/70 MHz", "room 2 144/432 MHz", "room 6 Test room", "room?"};
    QTest::newRow("refusals") << QByteArray("Unknown user\r\nWrong password!\r\n") << false
                              << QStringList{"refused Unknown user", "refused Wrong password!"};
    QTest::newRow("in the room, the refusal's words are a station's")
        << QByteArray("1016Z DL1ABC Peter> hi\r\n1017Z OK1XYZ (Unknown user) has logged in\r\n"
                      "DL2ABC JO31AB wrong password\r\n")
        << false
        << QStringList{"message 1016 DL1ABC [Peter] hi", "joined 1017 OK1XYZ",
                       "notice DL2ABC JO31AB wrong password"};
    QTest::newRow("chat lines: a name with blanks, none, a \">\" in the text")
        << QByteArray("1016Z DL1ABC Peter Paul> QRV 23cm\r\n1017Z ok1xyz > 73\r\n1018Z G4ABC Bob> a > b\r\n")
        << false
        << QStringList{"message 1016 DL1ABC [Peter Paul] QRV 23cm", "message 1017 OK1XYZ [] 73",
                       "message 1018 G4ABC [Bob] a > b"};
    QTest::newRow("the prompt line, with and without its line end")
        << QByteArray("1015Z UA3ABC 144/432 MHz chat>\r\n1016Z UA3ABC 144/432 MHz chat>") << false
        << QStringList{"prompt [144/432 MHz]", "prompt [144/432 MHz]"};
    QTest::newRow("the prompt names the room the server put the login in")
        << QByteArray("1015Z ua3abc Low Band (160-80m) chat>\r\n1016Z UA3ABC  Test  room   chat>") << false
        << QStringList{"prompt [Low Band (160-80m)]", "prompt [Test  room]"};
    QTest::newRow("another login's prompt is a chat line")
        << QByteArray("1015Z DL1ABC 144/432 MHz chat>\r\n") << false
        << QStringList{"message 1015 DL1ABC [144/432 MHz chat] "};
    QTest::newRow("joins and leaves")
        << QByteArray(
               "1017Z OK1XYZ has logged in\r\nSP2ABC (Jan) has left the chat\r\n1019Z G4ABC logged out\r\n")
        << false << QStringList{"joined 1017 OK1XYZ", "left  SP2ABC", "left 1019 G4ABC"};
    QTest::newRow("stations, one away, with and without a comment")
        << QByteArray("Users in room:\r\nDL1ABC JO31AB Peter 23cm\r\n(OK1XYZ) jn79aa\r\nUA3ABC KO85AA\r\n"
                      "1015Z UA3ABC 144/432 MHz chat>\r\n")
        << true
        << QStringList{"list Users in room:", "station DL1ABC JO31AB [Peter 23cm]",
                       "station OK1XYZ JN79AA [] away", "station UA3ABC KO85AA []",
                       "end of list [144/432 MHz]"};
    QTest::newRow("a list's lines of no station are the list's; chat, joins and leaves are not")
        << QByteArray("DL1ABC JO31AB\r\nOK1XYZ JN79\r\n1016Z G4ABC Bob> hi\r\n1017Z SP2ABC has logged in\r\n"
                      "-- 2 users --\r\n1015Z UA3ABC 144/432 MHz chat>\r\n")
        << true
        << QStringList{"station DL1ABC JO31AB []", "list OK1XYZ JN79",   "message 1016 G4ABC [Bob] hi",
                       "joined 1017 SP2ABC",       "list -- 2 users --", "end of list [144/432 MHz]"};
    QTest::newRow("station lines are text when no list was asked")
        << QByteArray("DL1ABC JO31AB Peter\r\n") << false << QStringList{"notice DL1ABC JO31AB Peter"};
    QTest::newRow("half a parenthesis is no station, a line of the list")
        << QByteArray("(DL1ABC JO31AB\r\n") << true << QStringList{"list (DL1ABC JO31AB"};
    QTest::newRow("telnet negotiation, bells and an escaped 0xFF")
        << QByteArray("\xFF\xFB\x01\xFF\xFA\x18\x01\xFF\xFF\xFF\xF0Log\x07in:\xFF\xFD\x03") << false
        << QStringList{"login?"};
    QTest::newRow("Latin-1 and UTF-8")
        << QByteArray("1016Z DL1ABC J\xFCrgen> gr\xFC\xDF\r\n1017Z DL2ABC J\xC3\xBCrgen> ok\r\n") << false
        << QStringList{QString::fromUtf8("message 1016 DL1ABC [Jürgen] grüß"),
                       QString::fromUtf8("message 1017 DL2ABC [Jürgen] ok")};
    QTest::newRow("a line ended by LF alone, blank lines")
        << QByteArray("\r\n\r\n1016Z DL1ABC Peter> hi\n\n") << false
        << QStringList{"message 1016 DL1ABC [Peter] hi"};
    QTest::newRow("a cut line waits for its end") << QByteArray("1016Z DL1ABC Pet") << false << QStringList{};
}

void TestChatReader::events()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, listing);
    QFETCH(QStringList, expected);
    ChatReader reader;
    reader.setLogin("UA3ABC");
    if (listing)
        reader.expectStationList();
    QCOMPARE(summaries(reader.read(bytes)), expected);
}

void TestChatReader::cutAnywhereReadsTheSame()
{
    ChatReader whole;
    whole.setLogin("UA3ABC");
    const QStringList expected = summaries(whole.read(kSession));
    QCOMPARE(expected,
             (QStringList{"notice Welcome to ON4KST chat", "login?", "password?", "room 1 50/70 MHz",
                          "room 2 144/432 MHz", "room 3 Microwave", "room?", "prompt [144/432 MHz]",
                          "message 1016 DL1ABC [Peter] QRV 23cm", "prompt [144/432 MHz]",
                          "joined 1017 OK1XYZ", "message 1018 G4ABC [Bob Smith] UA3ABC pse sked 10368"}));
    for (int cut = 1; cut < kSession.size(); ++cut) {
        ChatReader reader;
        reader.setLogin("UA3ABC");
        QStringList got = summaries(reader.read(kSession.left(cut)));
        got += summaries(reader.read(kSession.mid(cut)));
        QVERIFY2(got == expected, qPrintable(QString("cut at %1: %2").arg(cut).arg(got.join(" | "))));
    }
    ChatReader byteByByte;
    byteByByte.setLogin("UA3ABC");
    QStringList got;
    for (const char c : kSession)
        got += summaries(byteByByte.read(QByteArray(1, c)));
    QCOMPARE(got, expected);
}

void TestChatReader::stationListEndsAtItsOwnPrompt()
{
    ChatReader reader;
    reader.setLogin("UA3ABC");
    reader.read("Login: Password: Your choice : 1015Z UA3ABC 144/432 MHz chat>\r\n");
    const QByteArray prompt = "1015Z UA3ABC 144/432 MHz chat>\r\n";
    reader.lineSent(); // "/set qra"
    reader.lineSent(); // "/sh us"
    reader.expectStationList();
    // The prompt of the command sent before the list ("/set qra") comes first.
    QCOMPARE(summaries(reader.read("Your locator is now KO85AA\r\n" + prompt + "DL1ABC JO31AB\r\n" + prompt)),
             (QStringList{"notice Your locator is now KO85AA", "prompt [144/432 MHz]",
                          "station DL1ABC JO31AB []", "end of list [144/432 MHz]"}));
    // A list with no line to read as a station ends at its own prompt, after those owed to
    // the lines sent before it.
    for (int before = 0; before < 3; ++before) {
        for (int i = 0; i <= before; ++i)
            reader.lineSent();
        reader.expectStationList();
        QStringList expected;
        for (int i = 0; i < before; ++i)
            expected << "prompt [144/432 MHz]";
        expected << "list Users: none you can read"
                 << "end of list [144/432 MHz]";
        QCOMPARE(summaries(reader.read(prompt.repeated(before) + "Users: none you can read\r\n" + prompt)),
                 expected);
    }
    // A server that gave no prompt to a line before the list: a list read is not held up, and
    // the next one is not ended early.
    reader.lineSent();
    reader.lineSent();
    reader.expectStationList();
    QCOMPARE(summaries(reader.read("DL1ABC JO31AB\r\n" + prompt)),
             (QStringList{"station DL1ABC JO31AB []", "end of list [144/432 MHz]"}));
    reader.lineSent();
    reader.expectStationList();
    QCOMPARE(summaries(reader.read(prompt)), QStringList{"end of list [144/432 MHz]"});
    // Once ended, station lines are text again.
    QCOMPARE(summaries(reader.read("SP2ABC JO93AA\r\n")), QStringList{"notice SP2ABC JO93AA"});
    // A new connection forgets the room: its room list is read again.
    reader.reset();
    QCOMPARE(summaries(reader.read("2 - 144/432 MHz\r\n")), QStringList{"room 2 144/432 MHz"});
}

void TestChatReader::endlessLineIsCutAndForgotten()
{
    ChatReader reader;
    const QByteArray chunk(1000, 'x');
    int longest = 0;
    int lines = 0;
    for (int i = 0; i < 100; ++i) {
        for (const ChatEvent& e : reader.read(chunk)) {
            longest = std::max(longest, int(e.text.size()));
            ++lines;
        }
    }
    QCOMPARE(lines, 100000 / ChatReader::kLongestLine);
    QCOMPARE(longest, ChatReader::kLongestLine);
    // What remains of it ends with the next line end; the next line is whole.
    const QStringList after = summaries(reader.read("\r\n1016Z DL1ABC Peter> hi\r\n"));
    QCOMPARE(after.size(), 2);
    QCOMPARE(after.last(), "message 1016 DL1ABC [Peter] hi");
}

void TestChatReader::namesCall_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("call");
    QTest::addColumn<bool>("named");
    QTest::newRow("the call as a word") << "UA3ABC pse 23cm"
                                        << "UA3ABC" << true;
    QTest::newRow("lower case, after punctuation") << "hi,ua3abc!"
                                                   << "UA3ABC" << true;
    QTest::newRow("portable suffix in the text") << "UA3ABC/P qrv?"
                                                 << "UA3ABC" << true;
    QTest::newRow("own call portable, text without") << "sked UA3ABC"
                                                     << "UA3ABC/P" << true;
    QTest::newRow("prefix in the text") << "RA/UA3ABC"
                                        << "UA3ABC/P" << true;
    QTest::newRow("a longer call") << "UA3ABCD"
                                   << "UA3ABC" << false;
    QTest::newRow("a part of a word") << "XUA3ABC"
                                      << "UA3ABC" << false;
    QTest::newRow("no own call") << "UA3ABC"
                                 << "" << false;
}

void TestChatReader::namesCall()
{
    QFETCH(QString, text);
    QFETCH(QString, call);
    QFETCH(bool, named);
    QCOMPARE(::namesCall(text, call), named);
}

QTEST_GUILESS_MAIN(TestChatReader)
#include "tst_chatreader.moc"
