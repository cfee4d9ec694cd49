#include "app/contactentry.h"
#include "app/livefeedback.h"
#include "app/logview.h"
#include "app/tfmain.h"
#include "controls/drlabel.h"
#include "controls/hintbar.h"
#include "controls/pickcombobox.h"
#include "logging/entrypanel.h"
#include "logging/locator.h"
#include "onair/chatpassword.h"
#include "onair/chatwindow.h"
#include "store/logstore.h"
#include "support/fakechatserver.h"
#include "support/windowtest.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <sys/stat.h>

// The "Чат" window in the main window against a fake chat server: the stations with their
// distance and azimuth, a double click into the entry panel, messages naming the own call,
// the band's contacts, sending, and what is kept of the settings and the password.
class TestChatWindow : public WindowTest
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void stationsPickAndNamedMessages();
    void workedStationsFollowTheLog();
    void sendsToTheRoomAndToOneStation();
    void settingsPlaceAndPasswordAreKept();
    void aPasswordThatCannotBeKeptIsSaid();
    void theRoomListIsTheServersLatestOffer();
    void aRoomOfTheOperatorsOwnIsKeptAndTheRoomEnteredSaid();
    void aBurstOfLinesIsShownAtOnce();
    void whatWasSaidGoesWhenSwitchedOff();

private:
    ChatWindow* openChat();
    // Types the server, port, login and password and switches the chat on, as the operator does.
    void switchOn(const FakeChatServer& server, bool remember = false);
    bool waitForStations(int count = 3);
    int rowOf(const QString& call) const;
    QString cell(int row, int column) const;
    QString storedText(const QString& setting) const;

    QTemporaryDir m_config;
    ChatWindow* m_chat = nullptr;
};

void TestChatWindow::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::Russian));
    QVERIFY(m_config.isValid());
    qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
}

void TestChatWindow::init()
{
    QFile::remove(ChatPassword::filePath());
    prepare("INSERT INTO Contest (ContestRowid, ContestName, ContestActual) VALUES (1, 'Полевой день', 1);"
            "UPDATE SettingInfo SET SettingInfoValue='KO85AA' WHERE SettingInfoN='PWWLo';"
            "UPDATE SettingInfo SET SettingInfoValue='UA3ABC' WHERE SettingInfoN='PCall';"
            "INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('LastBand', 0), ('LastMod', 1);");
}

void TestChatWindow::cleanup()
{
    m_chat = nullptr;
    release();
}

ChatWindow* TestChatWindow::openChat()
{
    m_window->action("mnChat")->trigger();
    m_chat = m_window->findChild<ChatWindow*>();
    if (!m_chat || !QTest::qWaitForWindowExposed(m_chat))
        return nullptr;
    m_chat->client()->setTimings({{2000, 2000, 100, 400}, 180000});
    return m_chat;
}

void TestChatWindow::switchOn(const FakeChatServer& server, bool remember)
{
    auto retype = [](QWidget* field, const QString& text) {
        field->setFocus();
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        typeText(field, text);
        QTest::keyClick(field, Qt::Key_Tab);
    };
    retype(m_chat->findChild<QLineEdit*>("chatServer"), "127.0.0.1");
    retype(m_chat->findChild<QSpinBox*>("chatPort"), QString::number(server.port()));
    retype(m_chat->findChild<QLineEdit*>("chatLogin"), "UA3ABC");
    if (remember)
        QTest::mouseClick(m_chat->findChild<QCheckBox*>("chatRemember"), Qt::LeftButton);
    retype(m_chat->findChild<QLineEdit*>("chatPassword"), "secret");
    QTest::mouseClick(m_chat->findChild<QCheckBox*>("chatEnabled"), Qt::LeftButton);
}

bool TestChatWindow::waitForStations(int count)
{
    return QTest::qWaitFor([&] { return m_chat->stationView()->model()->rowCount() == count; }, 5000);
}

int TestChatWindow::rowOf(const QString& call) const
{
    const QAbstractItemModel* model = m_chat->stationView()->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        if (model->index(row, ChatStationModel::CallColumn).data().toString().contains(call))
            return row;
    }
    return -1;
}

QString TestChatWindow::cell(int row, int column) const
{
    return m_chat->stationView()->model()->index(row, column).data().toString();
}

QString TestChatWindow::storedText(const QString& setting) const
{
    const QVariantList values =
        m_file->column(QString("SELECT SettingParamStr FROM Setting WHERE SettingName='%1'").arg(setting));
    return values.isEmpty() ? QString("(none)") : values.first().toString();
}

void TestChatWindow::stationsPickAndNamedMessages()
{
    FakeChatServer server;
    server.stations.prepend("Users in room:");
    server.stations << "-- 3 users --";
    openWindow();
    QVERIFY(openChat());
    switchOn(server);
    QVERIFY(waitForStations());
    QCOMPARE(m_window->logView()->hintBar()->status("chat"),
             QString("Чат: в комнате «144/432 MHz» на 127.0.0.1:%1").arg(server.port()));
    // The main window's start, coming after the chat was switched on, keeps that connection.
    auto* start = m_window->findChild<QTimer*>("TimerStart");
    start->start(0);
    QVERIFY(QTest::qWaitFor([&] { return !start->isActive(); }, 5000));
    QCOMPARE(server.connections, 1);

    // Each station's distance and azimuth from the own locator, as the log computes them.
    for (const auto& [call, locator] : {std::pair{"DL1ABC", "JO31AB"}, std::pair{"OK1XYZ", "JN79AA"}}) {
        int azimuth = 0;
        double distance = 0;
        LocatorAzimuthDistance("KO85AA", locator, azimuth, distance);
        const int row = rowOf(call);
        QVERIFY(row >= 0);
        QCOMPARE(cell(row, ChatStationModel::LocatorColumn), QString(locator));
        QCOMPARE(cell(row, ChatStationModel::DistanceColumn), QString::number(qRound(distance)));
        QCOMPARE(cell(row, ChatStationModel::AzimuthColumn), QString::number(azimuth));
    }
    QCOMPARE(cell(rowOf("UA3ABC"), ChatStationModel::DistanceColumn), "0");

    // A double click fills the call and the locator and turns the compass; nothing is saved.
    int azimuth = 0;
    double distance = 0;
    LocatorAzimuthDistance("KO85AA", "JO31AB", azimuth, distance);
    doubleClick(*m_chat->stationView(),
                m_chat->stationView()->model()->index(rowOf("DL1ABC"), ChatStationModel::CallColumn));
    EntryPanel* entry = m_window->entryPanel();
    QCOMPARE(entry->callEdit->currentText(), "DL1ABC");
    QCOMPARE(entry->locatorEdit->text(), "JO31AB");
    QCOMPARE(entry->needleAzimuth(), azimuth);
    QCOMPARE(entry->distanceLabel->text(), LiveFeedback::readoutText(distance, azimuth));
    QCOMPARE(m_file->column("SELECT COUNT(*) FROM ContestList").first().toInt(), 0);

    // A message naming the own call is marked and the window asks for attention; others are not.
    QListWidget* messages = m_chat->messages();
    server.sayChat("OK1XYZ", "Jan", "CQ 10 GHz");
    server.sayChat("DL1ABC", "Peter", "ua3abc pse sked 1296");
    QVERIFY(QTest::qWaitFor(
        [&] {
            return messages->count() >= 2 && messages->item(messages->count() - 1)->text().contains("sked");
        },
        5000));
    QListWidgetItem* plain = messages->item(messages->count() - 2);
    QListWidgetItem* named = messages->item(messages->count() - 1);
    QCOMPARE(plain->text(), "10:15 OK1XYZ (Jan): CQ 10 GHz");
    QCOMPARE(plain->background().style(), Qt::NoBrush);
    QCOMPARE(named->text(), "10:15 DL1ABC (Peter): ua3abc pse sked 1296");
    QCOMPARE(named->background().color(), ChatWindow::NamedColor);
    QVERIFY(named->font().bold());
    QCOMPARE(m_fakes->desktop.attentionAsked, QList<QWidget*>{m_chat});
    // The user list's lines are the list's, never the room's messages.
    for (int i = 0; i < messages->count(); ++i) {
        for (const QString& line : server.stations)
            QVERIFY2(!messages->item(i)->text().contains(line), qPrintable(messages->item(i)->text()));
    }

    // Switched off: the hint bar no longer speaks of the chat, and no station is shown as there.
    QTest::mouseClick(m_chat->findChild<QCheckBox*>("chatEnabled"), Qt::LeftButton);
    QCOMPARE(m_window->logView()->hintBar()->status("chat"), "");
    QCOMPARE(m_chat->stationView()->model()->rowCount(), 0);
}

void TestChatWindow::workedStationsFollowTheLog()
{
    FakeChatServer server;
    openWindow();
    QVERIFY(openChat());
    switchOn(server);
    QVERIFY(waitForStations());
    const int row = rowOf("DL1ABC");
    QCOMPARE(cell(row, ChatStationModel::WorkedColumn), "");

    // Saved from the entry panel: worked now, allowed again after the repeat period (the
    // stored one, 15 minutes).
    EntryPanel* entry = m_window->entryPanel();
    doubleClick(*m_chat->stationView(),
                m_chat->stationView()->model()->index(row, ChatStationModel::CallColumn));
    entry->receivedNumberEdit->setText("1");
    m_window->tickClock();
    m_window->contactEntry()->saveContact();
    QCOMPARE(m_file->column("SELECT ContestListCall FROM ContestList"), QVariantList{"DL1ABC"});
    QCOMPARE(cell(row, ChatStationModel::WorkedColumn), "10:00");
    QCOMPARE(cell(row, ChatStationModel::NextColumn), "10:15");
    QCOMPARE(m_chat->stationView()
                 ->model()
                 ->index(row, ChatStationModel::NextColumn)
                 .data(Qt::BackgroundRole)
                 .value<QBrush>()
                 .color(),
             ChatStationModel::WaitingColor);

    // Another band has its own contacts.
    chooseInList(entry->bandList, 1);
    QCOMPARE(cell(row, ChatStationModel::WorkedColumn), "");
    chooseInList(entry->bandList, 0);
    QCOMPARE(cell(row, ChatStationModel::WorkedColumn), "10:00");
}

void TestChatWindow::sendsToTheRoomAndToOneStation()
{
    FakeChatServer server;
    openWindow();
    QVERIFY(openChat());
    switchOn(server);
    QVERIFY(waitForStations());
    QSignalSpy got(&server, &FakeChatServer::lineReceived);
    auto* line = m_chat->findChild<QLineEdit*>("chatLine");
    typeText(line, "QRV 1296 now");
    QTest::keyClick(line, Qt::Key_Return);
    QVERIFY(got.wait(5000));
    QCOMPARE(server.received.last(), "QRV 1296 now");
    QCOMPARE(line->text(), "");

    // A station picked in the list, "Лично": the line goes to it alone.
    auto* privately = m_chat->findChild<QCheckBox*>("chatPrivate");
    QVERIFY(!privately->isEnabled());
    const QModelIndex dl1abc = m_chat->stationView()->model()->index(rowOf("DL1ABC"), 0);
    QTest::mouseClick(m_chat->stationView()->viewport(), Qt::LeftButton, {},
                      m_chat->stationView()->visualRect(dl1abc).center());
    QCOMPARE(privately->text(), "Лично DL1ABC");
    QTest::mouseClick(privately, Qt::LeftButton);
    // A new list (a station joined) keeps the pick, and shows it picked.
    server.stations << "SP2ABC JO93AA";
    server.sayLine("1017Z SP2ABC has logged in");
    QVERIFY(waitForStations(4));
    const QModelIndexList picked = m_chat->stationView()->selectionModel()->selectedRows();
    QVERIFY(picked.size() == 1 && picked.first().row() == rowOf("DL1ABC"));
    typeText(line, "pse 23cm");
    QTest::mouseClick(m_chat->findChild<QPushButton*>("chatSend"), Qt::LeftButton);
    QVERIFY(got.wait(5000));
    QCOMPARE(server.received.last(), "/cq DL1ABC pse 23cm");
    // Gone from the room: still to it alone, never to the room.
    server.stations.removeFirst();
    server.sayLine("1018Z DL1ABC has left the chat");
    QVERIFY(waitForStations(3));
    typeText(line, "still there?");
    QTest::keyClick(line, Qt::Key_Return);
    QVERIFY(QTest::qWaitFor([&] { return server.received.last() == "/cq DL1ABC still there?"; }, 5000));
    QVERIFY(!server.received.contains("still there?"));

    // Without the chat the line stays to be sent later, and the stations it listed are gone.
    server.stopListening();
    server.drop();
    QVERIFY(QTest::qWaitFor([&] { return m_chat->client()->state() != ChatClient::State::LoggedIn; }, 5000));
    QCOMPARE(m_chat->stationView()->model()->rowCount(), 0);
    typeText(line, "lost?");
    QTest::keyClick(line, Qt::Key_Return);
    QCOMPARE(line->text(), "lost?");
}

void TestChatWindow::settingsPlaceAndPasswordAreKept()
{
    FakeChatServer server;
    openWindow();
    QVERIFY(openChat());
    // Not asked to remember: the password is in no file.
    switchOn(server);
    QVERIFY(waitForStations());
    QVERIFY(!QFile::exists(ChatPassword::filePath()));
    QTest::mouseClick(m_chat->findChild<QCheckBox*>("chatRemember"), Qt::LeftButton);
    QVERIFY(QFile::exists(ChatPassword::filePath()));
    struct stat info = {};
    QCOMPARE(::stat(QFile::encodeName(ChatPassword::filePath()).constData(), &info), 0);
    QCOMPARE(info.st_mode & 0777, mode_t(0600));
    QCOMPARE(ChatPassword::remembered(), std::optional<QString>("secret"));
    // Another room while connected: the client goes there.
    chooseInList(m_chat->findChild<QComboBox*>("chatRoom"), 2);
    QVERIFY(QTest::qWaitFor(
        [&] {
            return server.chosenRoom == "Microwave" &&
                   m_chat->client()->state() == ChatClient::State::LoggedIn;
        },
        5000));
    const int connections = server.connections;
    m_chat->findChild<QSpinBox*>("chatMaxKm")->setValue(800);
    m_chat->move(140, 120);
    m_chat->resize(700, 430);
    m_window->close(); // the chat window still open: its place is kept with the main window's

    // The password is never in the log, nor in its journal.
    for (const QString& path : {m_file->path(), m_file->path() + "-wal"}) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            QVERIFY2(!file.readAll().contains("secret"), qPrintable(path));
    }
    QCOMPARE(storedText("ChatLogin"), "UA3ABC");
    QCOMPARE(storedText("ChatRoom"), "Microwave");

    // The next start: connected to the stored room with the kept password, the window where it was.
    openWindow();
    QVERIFY(QTest::qWaitFor([&] { return server.connections == connections + 1; }, 5000));
    QVERIFY(QTest::qWaitFor([&] { return server.received.last() == "/sh us"; }, 5000));
    QCOMPARE(server.chosenRoom, "Microwave");
    QVERIFY(openChat());
    QCOMPARE(m_chat->findChild<QLineEdit*>("chatPassword")->text(), "secret");
    QCOMPARE(m_chat->findChild<QSpinBox*>("chatMaxKm")->value(), 800);
    QCOMPARE(m_chat->pos(), QPoint(140, 120));
    QCOMPARE(m_chat->size(), QSize(700, 430));

    // Unticked: the file goes, the password stays for this run only.
    QTest::mouseClick(m_chat->findChild<QCheckBox*>("chatRemember"), Qt::LeftButton);
    QVERIFY(!QFile::exists(ChatPassword::filePath()));
    QCOMPARE(m_chat->findChild<QLineEdit*>("chatPassword")->text(), "secret");

    // No chat setting begins another setting's name, nor is the beginning of one.
    const QVariantList names = m_file->column("SELECT SettingName FROM Setting");
    for (const QVariant& chat : names) {
        if (!chat.toString().startsWith("Chat"))
            continue;
        for (const QVariant& other : names) {
            if (other != chat)
                QVERIFY2(!other.toString().startsWith(chat.toString(), Qt::CaseInsensitive) &&
                             !chat.toString().startsWith(other.toString(), Qt::CaseInsensitive),
                         qPrintable(chat.toString() + " / " + other.toString()));
        }
    }
}

void TestChatWindow::aPasswordThatCannotBeKeptIsSaid()
{
    // The configuration folder cannot be made: a file stands where it should be.
    QFile blocker(m_config.filePath("blocked"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv("XDG_CONFIG_HOME", m_config.filePath("blocked").toUtf8());
    FakeChatServer server;
    openWindow();
    QVERIFY(openChat());
    switchOn(server, true);
    QVERIFY(waitForStations()); // the chat goes on with the password in memory
    qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
    const QStringList warnings = m_fakes->prompts.texts(ShownPrompt::Warning);
    QCOMPARE(warnings.size(), 1);
    QVERIFY2(warnings.first().startsWith("Пароль чата не сохранён: не удалось создать папку "),
             qPrintable(warnings.first()));
}

void TestChatWindow::theRoomListIsTheServersLatestOffer()
{
    FakeChatServer server;
    openWindow();
    QVERIFY(openChat());
    auto* room = m_chat->findChild<QComboBox*>("chatRoom");
    auto rooms = [room] {
        QStringList names;
        for (int i = 0; i < room->count(); ++i)
            names << room->itemText(i);
        return names;
    };
    switchOn(server);
    QVERIFY(waitForStations());
    QCOMPARE(rooms(), server.rooms);
    // Offered fewer rooms and others: the list is the new offer, the room chosen still chosen.
    server.rooms = QStringList{"Microwave", "144/432 MHz", "Lounge"};
    server.drop();
    QVERIFY(QTest::qWaitFor([&] { return rooms() == server.rooms; }, 5000));
    QCOMPARE(room->currentText(), "144/432 MHz");
    // The room chosen no longer offered: it stays chosen, after the offer.
    server.rooms = QStringList{"Microwave", "Lounge"};
    server.drop();
    QVERIFY(QTest::qWaitFor(
        [&] {
            return rooms() == QStringList{"Microwave", "Lounge", "144/432 MHz"};
        },
        5000));
    QCOMPARE(room->currentText(), "144/432 MHz");
}

void TestChatWindow::aRoomOfTheOperatorsOwnIsKeptAndTheRoomEnteredSaid()
{
    FakeChatServer server;
    openWindow();
    QVERIFY(openChat());
    auto* room = m_chat->findChild<QComboBox*>("chatRoom");
    auto rooms = [&room] {
        QStringList names;
        for (int i = 0; i < room->count(); ++i)
            names << room->itemText(i);
        return names;
    };
    auto stateSaid = [&] { return m_chat->findChild<QLabel*>("chatState")->text(); };
    const QString address = QString("127.0.0.1:%1").arg(server.port());
    // A room that begins a known one's name is taken as typed, not completed to it.
    room->lineEdit()->setFocus();
    QTest::keyClick(room->lineEdit(), Qt::Key_A, Qt::ControlModifier);
    typeText(room->lineEdit(), "EME");
    QTest::keyClick(room->lineEdit(), Qt::Key_Return);
    QCOMPARE(storedText("ChatRoom"), "EME");
    // A room none of the known ones, typed in before the chat is switched on.
    QTest::keyClick(room->lineEdit(), Qt::Key_A, Qt::ControlModifier);
    typeText(room->lineEdit(), "Lounge");
    QTest::keyClick(room->lineEdit(), Qt::Key_Return);
    QCOMPARE(storedText("ChatRoom"), "Lounge");
    switchOn(server, true); // the password kept for the next start
    QVERIFY(waitForStations());
    // The server does not offer it: in the room the prompt names, said so; the choice stays,
    // after the offer.
    const QString notOffered =
        QString("Чат: в комнате «144/432 MHz» на %1; комнату «Lounge» сервер не предлагает").arg(address);
    QCOMPARE(stateSaid(), notOffered);
    QCOMPARE(m_window->logView()->hintBar()->status("chat"), notOffered);
    QCOMPARE(room->currentText(), "Lounge");
    QCOMPARE(rooms(), server.rooms + QStringList{"Lounge"});

    // Offered on the next connection: entered, and the list is the offer.
    server.rooms << "Lounge";
    server.drop();
    QVERIFY(QTest::qWaitFor([&] { return m_chat->client()->room() == "Lounge"; }, 5000));
    QCOMPARE(server.chosenRoom, "Lounge");
    QCOMPARE(stateSaid(), QString("Чат: в комнате «Lounge» на %1").arg(address));
    QCOMPARE(rooms(), server.rooms);
    QCOMPARE(room->currentText(), "Lounge");

    // The next start asks for it again, though the rooms known before an offer lack it.
    const int connections = server.connections;
    m_window->close();
    QCOMPARE(storedText("ChatRoom"), "Lounge");
    server.chosenRoom.clear();
    openWindow();
    QVERIFY(QTest::qWaitFor([&] { return server.connections == connections + 1; }, 5000));
    QVERIFY(QTest::qWaitFor([&] { return server.received.last() == "/sh us"; }, 5000));
    QCOMPARE(server.chosenRoom, "Lounge");
    QVERIFY(openChat());
    room = m_chat->findChild<QComboBox*>("chatRoom");
    QCOMPARE(room->currentText(), "Lounge");

    // No longer offered: the choice outlives the offer, kept and stored.
    server.rooms.removeAll("Lounge");
    server.drop();
    QVERIFY(QTest::qWaitFor([&] { return server.chosenRoom == "144/432 MHz" && stateSaid() == notOffered; },
                            5000));
    QCOMPARE(rooms(), server.rooms + QStringList{"Lounge"});
    QCOMPARE(room->currentText(), "Lounge");
    m_window->close();
    QCOMPARE(storedText("ChatRoom"), "Lounge");
}

void TestChatWindow::aBurstOfLinesIsShownAtOnce()
{
    FakeChatServer server;
    openWindow();
    QVERIFY(openChat());
    switchOn(server);
    QVERIFY(waitForStations());
    // Each time the pane is laid out again as it grows, its scroll range changes.
    QListWidget* messages = m_chat->messages();
    QScrollBar* scroll = messages->verticalScrollBar();
    int layouts = 0;
    connect(scroll, &QScrollBar::rangeChanged, this, [&] { ++layouts; });
    const int burst = ChatWindow::kMessagesKept + 1000;
    QByteArray lines;
    for (int i = 0; i < burst; ++i)
        lines += QString("1015Z DL1ABC Peter> line %1\r\n").arg(i).toUtf8();
    server.say(lines);
    QVERIFY(QTest::qWaitFor(
        [&] {
            return messages->count() > 0 &&
                   messages->item(messages->count() - 1)->text().endsWith(QString("line %1").arg(burst - 1));
        },
        10000));
    // The newest lines are kept, in order, shown at the end, laid out a few times, not once a line.
    QCOMPARE(messages->count(), ChatWindow::kMessagesKept);
    QCOMPARE(messages->item(0)->text(),
             QString("10:15 DL1ABC (Peter): line %1").arg(burst - ChatWindow::kMessagesKept));
    QCOMPARE(scroll->value(), scroll->maximum());
    QVERIFY2(layouts < 50, qPrintable(QString("laid out %1 times").arg(layouts)));
}

void TestChatWindow::whatWasSaidGoesWhenSwitchedOff()
{
    openWindow();
    QVERIFY(openChat());
    // Switched on without a login and a password: said, and taken back once switched off.
    auto* enabled = m_chat->findChild<QCheckBox*>("chatEnabled");
    QTest::mouseClick(enabled, Qt::LeftButton);
    HintBar* hints = m_window->logView()->hintBar();
    QCOMPARE(hints->status("chat"), "Чат: нужны сервер, логин и пароль");
    QTest::mouseClick(enabled, Qt::LeftButton);
    QCOMPARE(hints->status("chat"), "");
    QCOMPARE(m_chat->findChild<QLabel*>("chatState")->text(), "");
}

QTEST_MAIN(TestChatWindow)
#include "tst_chatwindow.moc"
