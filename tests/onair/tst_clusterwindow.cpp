#include "app/contactentry.h"
#include "app/logview.h"
#include "app/tfmain.h"
#include "controls/dbnavigator.h"
#include "controls/hintbar.h"
#include "controls/pickcombobox.h"
#include "logging/entrypanel.h"
#include "onair/calllist.h"
#include "onair/chatpassword.h"
#include "onair/clusterwindow.h"
#include "sharing/arrivedcontact.h"
#include "station/rigcontrol.h"
#include "store/daycount.h"
#include "store/logstore.h"
#include "support/dummyrotctld.h"
#include "support/fakechatserver.h"
#include "support/fakeclusterserver.h"
#include "support/windowtest.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

// The "Кластер" window in the main window against a fake cluster: the spots on the log's bands,
// greyed once worked, a double click into the entry panel, the chat's spot lines in the same
// list, and what is kept of the settings.
class TestClusterWindow : public WindowTest
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void spotsOnTheLogsBandsAreGreyedOnceWorked();
    void aSpotIsGreyedWhenItsCallIsLoggedOnItsBandFromElsewhere_data();
    void aSpotIsGreyedWhenItsCallIsLoggedOnItsBandFromElsewhere();
    void aDoubleClickTunesTheRigAndOffersTheListsLocator();
    void aSpottersLocatorIsNotTakenAndASquareOnlyOffered_data();
    void aSpottersLocatorIsNotTakenAndASquareOnlyOffered();
    void anImportedCallListShowsAtOnce();
    void chatSpotLinesJoinTheListAndSettingsAreKept();
    void whatWasSaidGoesWhenSwitchedOff();

private:
    ClusterWindow* openCluster();
    // The main window with the cluster switched on in its settings, connected to `server`.
    bool openConnected(FakeClusterServer& server, const QString& more = QString());
    int rowOf(const QString& call) const;
    QString cell(int row, int column) const;

    QTemporaryDir m_config;
    ClusterWindow* m_cluster = nullptr;
};

void TestClusterWindow::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::Russian));
    QVERIFY(m_config.isValid());
    qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
}

void TestClusterWindow::init()
{
    prepare("INSERT INTO Contest (ContestRowid, ContestName, ContestActual) VALUES (1, 'Полевой день', 1);"
            "UPDATE SettingInfo SET SettingInfoValue='KO85AA' WHERE SettingInfoN='PWWLo';"
            "UPDATE SettingInfo SET SettingInfoValue='UA3ABC' WHERE SettingInfoN='PCall';"
            "INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('LastBand', 0), ('LastMod', 1);");
}

void TestClusterWindow::cleanup()
{
    m_cluster = nullptr;
    release();
}

ClusterWindow* TestClusterWindow::openCluster()
{
    m_window->action("mnCluster")->trigger();
    m_cluster = m_window->findChild<ClusterWindow*>();
    if (!m_cluster || !QTest::qWaitForWindowExposed(m_cluster))
        return nullptr;
    // Timeouts long enough for a loaded machine; the waits between tries short.
    ClusterClient::Timings timings;
    timings.connectMs = 15000;
    timings.answerMs = 15000;
    timings.firstRetryMs = 100;
    timings.longestRetryMs = 400;
    m_cluster->client()->setTimings(timings);
    return m_cluster;
}

bool TestClusterWindow::openConnected(FakeClusterServer& server, const QString& more)
{
    m_file->sqlite(QString("INSERT INTO Setting (SettingName, SettingParamStr) VALUES ('ClusterServer', "
                           "'127.0.0.1'), ('ClusterLogin', 'UA3ABC');"
                           "INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('ClusterPort', %1), "
                           "('ClusterEnabled', 1);")
                       .arg(server.port()) +
                   more);
    openWindow();
    return QTest::qWaitFor([&] { return server.received == QStringList{"UA3ABC"}; }, 5000) && openCluster();
}

int TestClusterWindow::rowOf(const QString& call) const
{
    const QAbstractItemModel* model = m_cluster->spotView()->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        if (model->index(row, ClusterSpotModel::CallColumn).data().toString() == call)
            return row;
    }
    return -1;
}

QString TestClusterWindow::cell(int row, int column) const
{
    return m_cluster->spotView()->model()->index(row, column).data().toString();
}

void TestClusterWindow::spotsOnTheLogsBandsAreGreyedOnceWorked()
{
    FakeClusterServer server;
    openWindow();
    QVERIFY(openCluster());
    // The own call is offered for the login; the server and port are typed, then switched on.
    QCOMPARE(m_cluster->findChild<QLineEdit*>("clusterLogin")->text(), "UA3ABC");
    auto* port = m_cluster->findChild<QSpinBox*>("clusterPort");
    QCOMPARE(port->value(), 7300);
    for (QWidget* field : {static_cast<QWidget*>(m_cluster->findChild<QLineEdit*>("clusterServer")),
                           static_cast<QWidget*>(port)}) {
        field->setFocus();
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        typeText(field, field == port ? QString::number(server.port()) : QString("127.0.0.1"));
        QTest::keyClick(field, Qt::Key_Tab);
    }
    QTest::mouseClick(m_cluster->findChild<QCheckBox*>("clusterEnabled"), Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return server.received == QStringList{"UA3ABC"}; }, 5000));
    HintBar* hints = m_window->logView()->hintBar();
    QVERIFY(QTest::qWaitFor(
        [&] {
            return hints->status("cluster") == QString("Кластер: UA3ABC на 127.0.0.1:%1").arg(server.port());
        },
        5000));
    // The main window's start, coming after the cluster was switched on, keeps that connection:
    // a new one would lose the spots sent over the first.
    auto* start = m_window->findChild<QTimer*>("TimerStart");
    start->start(0);
    QVERIFY(QTest::qWaitFor([&] { return !start->isActive(); }, 5000));
    QCOMPARE(server.connections, 1);

    // Garbage and a spot on a band the log has not are not listed.
    server.say("\x01\xff\xff\x07 nonsense\r\nDX de :::\r\n");
    server.saySpot("DL2XX", 28074.0, "SP1ABC", "FT8");
    server.saySpot("OK1XYZ", 432200.0, "OK1ABC", "JO60AA tropo");
    QTableView* view = m_cluster->spotView();
    QVERIFY(QTest::qWaitFor([&] { return view->model()->rowCount() == 1; }, 5000));
    const int row = rowOf("OK1ABC");
    QCOMPARE(row, 0);
    QCOMPARE(cell(row, ClusterSpotModel::BandColumn), "432 MHz");
    QCOMPARE(cell(row, ClusterSpotModel::FrequencyColumn), "432200,0");
    QCOMPARE(cell(row, ClusterSpotModel::TimeColumn), "10:15");
    QCOMPARE(cell(row, ClusterSpotModel::LocatorColumn), "JO60AA");
    QVERIFY(!cell(row, ClusterSpotModel::DistanceColumn).isEmpty());
    QCOMPARE(cell(row, ClusterSpotModel::WorkedColumn), "");
    QVERIFY(!m_cluster->spots()->isGreyed(row));

    // A double click fills call and locator; nothing is saved.
    doubleClick(*view, view->model()->index(row, ClusterSpotModel::CallColumn));
    EntryPanel* entry = m_window->entryPanel();
    QCOMPARE(entry->callEdit->currentText(), "OK1ABC");
    QCOMPARE(entry->locatorEdit->text(), "JO60AA");
    QCOMPARE(m_file->column("SELECT COUNT(*) FROM ContestList").first().toInt(), 0);

    // Logged on 144 MHz: the 432 MHz spot is still free; logged on 432 MHz: greyed.
    entry->receivedNumberEdit->setText("1");
    m_window->tickClock();
    m_window->contactEntry()->saveContact();
    QVERIFY(!m_cluster->spots()->isGreyed(row));
    chooseInList(entry->bandList, 1);
    QCOMPARE(entry->bandList->currentText(), "432 MHz");
    doubleClick(*view, view->model()->index(row, ClusterSpotModel::CallColumn));
    entry->receivedNumberEdit->setText("2");
    m_window->contactEntry()->saveContact();
    QCOMPARE(m_file->column("SELECT COUNT(*) FROM ContestList").first().toInt(), 2);
    QVERIFY(m_cluster->spots()->isGreyed(row));
    QCOMPARE(view->model()
                 ->index(row, ClusterSpotModel::CallColumn)
                 .data(Qt::ForegroundRole)
                 .value<QBrush>()
                 .color(),
             QColor(Qt::gray));
    QCOMPARE(cell(row, ClusterSpotModel::WorkedColumn), "15.07 10:00");

    // Deleted in the grid (the newest is current): free again.
    m_fakes->prompts.confirmAnswers = {true};
    m_window->logView()->navigator()->button(DbNavigator::Delete)->click();
    QCOMPARE(m_file->column("SELECT COUNT(*) FROM ContestList").first().toInt(), 1);
    QVERIFY(!m_cluster->spots()->isGreyed(row));
    QCOMPARE(cell(row, ClusterSpotModel::WorkedColumn), "");

    // The cluster drops the connection: said once, tried again.
    server.drop();
    QVERIFY(QTest::qWaitFor(
        [&] { return hints->status("cluster").startsWith("Кластер: нет связи с 127.0.0.1"); }, 5000));
    QVERIFY(QTest::qWaitFor([&] { return server.received.size() == 2; }, 5000));
    QTest::mouseClick(m_cluster->findChild<QCheckBox*>("clusterEnabled"), Qt::LeftButton);
    QCOMPARE(hints->status("cluster"), "");
}

void TestClusterWindow::aSpotIsGreyedWhenItsCallIsLoggedOnItsBandFromElsewhere_data()
{
    QTest::addColumn<bool>("arrived"); // from another position of a shared log, else from WSJT-X
    QTest::newRow("saved on its own band") << false;
    QTest::newRow("arrived from another position") << true;
}

void TestClusterWindow::aSpotIsGreyedWhenItsCallIsLoggedOnItsBandFromElsewhere()
{
    QFETCH(bool, arrived);
    FakeClusterServer server;
    QVERIFY(openConnected(server));
    server.saySpot("OK1XYZ", 432200.0, "OK1ABC", "tropo");
    QTableView* view = m_cluster->spotView();
    QVERIFY(QTest::qWaitFor([&] { return view->model()->rowCount() == 1; }, 5000));
    QVERIFY(!m_cluster->spots()->isGreyed(0));
    QCOMPARE(cell(0, ClusterSpotModel::LocatorColumn), "");

    // The entry panel stays on 144 MHz while OK1ABC goes into the log on 432 MHz.
    EntryPanel* entry = m_window->entryPanel();
    QCOMPARE(entry->bandList->currentText(), "144 MHz");
    ContactEntry* contacts = m_window->contactEntry();
    const double now = contacts->nowUtc();
    if (arrived) {
        m_file->sqlite(
            QString("INSERT INTO ContestList (IdContest, IdBand, ContestListDateTime, ContestListCall, "
                    "ContestListQTH, IdModulation, ContestListSendNum) SELECT 1, 432, %1, 'OK1ABC', "
                    "'JO60AA', ModulationRowid, 1 FROM Modulation WHERE ModulationName = 'SSB'")
                .arg(now, 0, 'f', 8));
        ArrivedContact contact;
        contact.contestId = 1;
        contact.bandId = 432;
        contact.rowid = m_file->column("SELECT MAX(rowid) FROM ContestList").first().toLongLong();
        contact.call = "OK1ABC";
        contact.locator = "JO60AA";
        contact.dateTime = now;
        contacts->logChangedElsewhere({contact});
    } else {
        ContactFields fields;
        fields.band = "432 MHz";
        fields.mode = "SSB";
        fields.call = "OK1ABC";
        fields.locator = "JO60AA";
        fields.sentReport = fields.receivedReport = "59";
        fields.sentNumber = fields.receivedNumber = "1";
        const QDateTime at = fromDayCount(now);
        fields.date = at.date();
        fields.time = at.time();
        QCOMPARE(contacts->saveReceived(fields).kind, SaveOutcome::Saved);
    }
    QCOMPARE(entry->bandList->currentText(), "144 MHz");
    QCOMPARE(entry->modeList->currentText(), "SSB");
    QVERIFY(m_cluster->spots()->isGreyed(0));
    QCOMPARE(cell(0, ClusterSpotModel::WorkedColumn), fromDayCount(now).toString("dd.MM HH:mm"));
    // The spot gave no locator: the one just logged, with its distance, at once.
    QCOMPARE(cell(0, ClusterSpotModel::LocatorColumn), "JO60AA");
    QVERIFY(!cell(0, ClusterSpotModel::DistanceColumn).isEmpty());

    // The repeat rule counts the mode too: in CW, which the next save would take, not worked yet.
    chooseInList(entry->modeList, entry->modeList->findText("CW"));
    QCOMPARE(entry->modeList->currentText(), "CW");
    QVERIFY(!m_cluster->spots()->isGreyed(0));
    QCOMPARE(cell(0, ClusterSpotModel::WorkedColumn), "");
    chooseInList(entry->modeList, entry->modeList->findText("SSB"));
    QVERIFY(m_cluster->spots()->isGreyed(0));
}

void TestClusterWindow::aDoubleClickTunesTheRigAndOffersTheListsLocator()
{
    DummyRigctld rig;
    QVERIFY2(rig.start(), "rigctld (libhamlib-utils) is needed");
    FakeClusterServer server;
    // A transverter offset no frequency of 1,3 GHz can be tuned through.
    QVERIFY(openConnected(server, QString("INSERT INTO Setting (SettingName, SettingParamInt) VALUES "
                                          "('RigPort', %1), ('RigOn', 1);"
                                          "UPDATE Band SET BandTransverterOffset=2000 WHERE BandRowid=1300;")
                                      .arg(rig.port())));
    CallBook& book = m_window->state().callBook;
    book.import(m_window->store().db(), {{"G4XYZ", "IO91WM"}});
    server.saySpot("OK1XYZ", 432210.0, "G4XYZ", "tropo");
    QTableView* view = m_cluster->spotView();
    QVERIFY(QTest::qWaitFor([&] { return view->model()->rowCount() == 1; }, 5000));
    QCOMPARE(cell(0, ClusterSpotModel::LocatorColumn), "IO91WM");

    // The call filled, the list's locator offered as for a typed call; the rig on the spot.
    doubleClick(*view, view->model()->index(0, ClusterSpotModel::CallColumn));
    EntryPanel* entry = m_window->entryPanel();
    QCOMPARE(entry->callEdit->currentText(), "G4XYZ");
    QCOMPARE(entry->locatorEdit->text(), "IO91WM");
    QVERIFY(entry->isLocatorOffered());
    QVERIFY(entry->locatorEdit->font().italic());
    QTRY_COMPARE_WITH_TIMEOUT(entry->frequencyLabel->text(), QLocale().toString(432.21, 'f', 3) + " МГц",
                              3000);
    QCOMPARE(entry->bandList->currentText(), "432 MHz");
    HintBar* hints = m_window->logView()->hintBar();
    QCOMPARE(hints->status("rigtune"), "");

    // A spot the rig cannot be tuned to: said in the hint bar, the rig left where it is.
    server.saySpot("OK1XYZ", 1296200.0, "OK1ABC", "JO60AA");
    QVERIFY(QTest::qWaitFor([&] { return view->model()->rowCount() == 2; }, 5000));
    doubleClick(*view, view->model()->index(rowOf("OK1ABC"), ClusterSpotModel::CallColumn));
    QCOMPARE(entry->callEdit->currentText(), "OK1ABC");
    QCOMPARE(entry->locatorEdit->text(), "JO60AA");
    QVERIFY(!entry->isLocatorOffered());
    QCOMPARE(hints->status("rigtune"), "Трансивер не перестроен на " + QLocale().toString(1296.2, 'f', 3) +
                                           " МГц: эта частота не на диапазоне \"1,3 GHz\" с его смещением "
                                           "трансвертера");
    QTest::qWait(600);
    QCOMPARE(entry->bandList->currentText(), "432 MHz");
    QVERIFY2(m_fakes->prompts.shown.empty(), qPrintable(m_fakes->prompts.texts().join(" | ")));

    // The failed tune is no longer news once another band is chosen, or the rig switched off.
    chooseInList(entry->bandList, entry->bandList->findText("144 MHz"));
    QCOMPARE(hints->status("rigtune"), "");
    doubleClick(*view, view->model()->index(rowOf("OK1ABC"), ClusterSpotModel::CallColumn));
    QVERIFY(!hints->status("rigtune").isEmpty());
    m_file->sqlite("UPDATE Setting SET SettingParamInt=0 WHERE SettingName='RigOn'");
    m_window->rigControl()->applySettings();
    QCOMPARE(hints->status("rigtune"), "");
}

void TestClusterWindow::aSpottersLocatorIsNotTakenAndASquareOnlyOffered_data()
{
    QTest::addColumn<QString>("comment");
    QTest::addColumn<QString>("listed"); // the call list's locator for G4XYZ
    QTest::addColumn<QString>("locator");
    QTest::newRow("a square, nothing listed") << "KM71<ES>IO82WX"
                                              << ""
                                              << "KM71";
    QTest::newRow("a square, the listed locator within it") << "IO91<TR>KO85AA"
                                                            << "IO91WM"
                                                            << "IO91WM";
    QTest::newRow("a square, the listed locator elsewhere") << "KM71<ES>IO82WX"
                                                            << "IO91WM"
                                                            << "KM71";
    QTest::newRow("only the spotter's locator") << "tropo<TR>KO85AA"
                                                << "IO91WM"
                                                << "IO91WM";
}

void TestClusterWindow::aSpottersLocatorIsNotTakenAndASquareOnlyOffered()
{
    QFETCH(QString, comment);
    QFETCH(QString, listed);
    QFETCH(QString, locator);
    FakeClusterServer server;
    QVERIFY(openConnected(server));
    if (!listed.isEmpty())
        m_window->state().callBook.import(m_window->store().db(), {{"G4XYZ", listed}});
    server.saySpot("OK1XYZ", 144300.0, "G4XYZ", comment);
    QTableView* view = m_cluster->spotView();
    QVERIFY(QTest::qWaitFor([&] { return view->model()->rowCount() == 1; }, 5000));
    QCOMPARE(cell(0, ClusterSpotModel::LocatorColumn), locator);
    QVERIFY(!cell(0, ClusterSpotModel::DistanceColumn).isEmpty());

    // Offered, never filled in as if typed.
    doubleClick(*view, view->model()->index(0, ClusterSpotModel::CallColumn));
    EntryPanel* entry = m_window->entryPanel();
    QCOMPARE(entry->callEdit->currentText(), "G4XYZ");
    QCOMPARE(entry->locatorEdit->text(), locator);
    QVERIFY(entry->isLocatorOffered());
}

void TestClusterWindow::anImportedCallListShowsAtOnce()
{
    FakeClusterServer server;
    QVERIFY(openConnected(server));
    server.saySpot("OK1XYZ", 144300.0, "G4XYZ", "tropo");
    QTableView* view = m_cluster->spotView();
    QVERIFY(QTest::qWaitFor([&] { return view->model()->rowCount() == 1; }, 5000));
    QCOMPARE(cell(0, ClusterSpotModel::LocatorColumn), "");
    EntryPanel* entry = m_window->entryPanel();
    entry->callEdit->setFocus();
    typeText(entry->callEdit, "G4XYZ");
    QCOMPARE(entry->locatorEdit->text(), "");

    // The list imported while the call waits in its field: the spot and the field show its locator.
    QFile list(m_config.filePath("CALL3.TXT"));
    QVERIFY(list.open(QIODevice::WriteOnly));
    list.write("G4XYZ,IO91WM\r\n");
    list.close();
    m_fakes->prompts.pathAnswers = {list.fileName()};
    m_window->action("mnImportCalls")->trigger();
    QCOMPARE(cell(0, ClusterSpotModel::LocatorColumn), "IO91WM");
    QVERIFY(!cell(0, ClusterSpotModel::DistanceColumn).isEmpty());
    QCOMPARE(entry->locatorEdit->text(), "IO91WM");
    QVERIFY(entry->isLocatorOffered());

    // A spot that gives the very locator on offer: taken as the spot's, no longer only offered.
    server.saySpot("OK1XYZ", 144310.0, "G4XYZ", "IO91WM");
    QVERIFY(QTest::qWaitFor([&] { return cell(0, ClusterSpotModel::CommentColumn) == "IO91WM"; }, 5000));
    doubleClick(*view, view->model()->index(0, ClusterSpotModel::CallColumn));
    QCOMPARE(entry->locatorEdit->text(), "IO91WM");
    QVERIFY(!entry->isLocatorOffered());
}

void TestClusterWindow::chatSpotLinesJoinTheListAndSettingsAreKept()
{
    // The chat and the cluster both left switched on: both connect at the start.
    FakeChatServer chat;
    FakeClusterServer cluster;
    QCOMPARE(ChatPassword::remember("secret"), QString());
    m_file->sqlite(
        QString("INSERT INTO Setting (SettingName, SettingParamStr) VALUES ('ChatServer', '127.0.0.1'), "
                "('ChatLogin', 'UA3ABC'), ('ClusterServer', '127.0.0.1'), ('ClusterLogin', 'UA3ABC/P');"
                "INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('ChatPort', %1), "
                "('ChatRemember', 1), ('ChatEnabled', 1), ('ClusterPort', %2), ('ClusterEnabled', 1);")
            .arg(chat.port())
            .arg(cluster.port()));
    openWindow();
    QVERIFY(QTest::qWaitFor([&] { return chat.received.contains("/sh us"); }, 5000));
    QVERIFY(QTest::qWaitFor([&] { return cluster.received == QStringList{"UA3ABC/P"}; }, 5000));
    QVERIFY(openCluster());

    chat.sayChat("DL1ABC", "Peter", "pse sked 1296");
    chat.sayChat("DL1ABC", "Peter", "144.300 OK1ABC JO60AA cq");
    cluster.saySpot("OK1XYZ", 1296200.0, "G4XYZ", "");
    QTableView* view = m_cluster->spotView();
    QVERIFY(QTest::qWaitFor([&] { return view->model()->rowCount() == 2; }, 5000));
    const int row = rowOf("OK1ABC");
    QVERIFY(row >= 0);
    QCOMPARE(cell(row, ClusterSpotModel::BandColumn), "144 MHz");
    QCOMPARE(cell(row, ClusterSpotModel::LocatorColumn), "JO60AA");
    QCOMPARE(cell(rowOf("G4XYZ"), ClusterSpotModel::BandColumn), "1,3 GHz");

    m_cluster->move(150, 130);
    m_cluster->resize(640, 300);
    m_window->close();
    openWindow();
    QVERIFY(openCluster());
    QCOMPARE(m_cluster->findChild<QLineEdit*>("clusterLogin")->text(), "UA3ABC/P");
    QCOMPARE(m_cluster->pos(), QPoint(150, 130));
    QCOMPARE(m_cluster->size(), QSize(640, 300));
}

void TestClusterWindow::whatWasSaidGoesWhenSwitchedOff()
{
    openWindow();
    QVERIFY(openCluster());
    // Switched on without a server: said, and taken back once switched off.
    auto* enabled = m_cluster->findChild<QCheckBox*>("clusterEnabled");
    QTest::mouseClick(enabled, Qt::LeftButton);
    HintBar* hints = m_window->logView()->hintBar();
    QCOMPARE(hints->status("cluster"), "Кластер: нужны сервер и позывной для входа");
    QTest::mouseClick(enabled, Qt::LeftButton);
    QCOMPARE(hints->status("cluster"), "");
    QCOMPARE(m_cluster->findChild<QLabel*>("clusterState")->text(), "");
}

QTEST_MAIN(TestClusterWindow)
#include "tst_clusterwindow.moc"
