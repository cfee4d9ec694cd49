#include "app/contactentry.h"
#include "app/logview.h"
#include "app/tfmain.h"
#include "controls/datagrid.h"
#include "controls/hintbar.h"
#include "controls/pickcombobox.h"
#include "logging/entrypanel.h"
#include "logging/tftimer.h"
#include "sharing/sharedlog.h"
#include "sharing/tfshare.h"
#include "support/sharedposition.h"
#include "support/windowtest.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QtTest>

// Two positions of one shared log, one of them in the real main window: what the other logs
// appears in its grid, its countdown window and its earlier contacts, and its repeat rule
// refuses a repeat that comes too early.
class TestSharedWindow : public WindowTest
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void theOtherPositionsContactsAppearEverywhere();
    void theWindowSetsUpSharesJoinsAndHandsBandsOver();
    void theBandsTableKeepsTheChosenBand();
    void aSpareTakesASilentPositionsPlace();
    void twoMainWindowsLogOneContest();

private:
    // Statements that give a new log file the server's address and this position's name.
    QString shareSettings(const QString& position) const;
    // This window's position, named `name`, five minutes after the first position, with the
    // first position's contest joined.
    void openJoined(SharedPosition& first, const QString& name);
    // Joins `window`'s position to the shared contest of that server id.
    static void join(Tfmain& window, const QString& uuid);

    PrivatePostgres m_server;
};

// The main window of a second position in the same program: its own log file, services and
// position id, on the same server.
struct SecondWindow
{
    SecondWindow(const QString& statements, const QDateTime& now)
    {
        fakes.clock.current = now;
        FakePrompts none;
        file.openStore(none);
        file.sqlite(statements);
        store = file.openStore(fakes.prompts);
        window = std::make_unique<Tfmain>(*store, fakes.services);
        window->show();
    }
    TempDatabase file;
    FakeServices fakes;
    std::unique_ptr<LogStore> store;
    std::unique_ptr<Tfmain> window;
};

void TestSharedWindow::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.error()));
    // The window's program finds the password as libpq finds it, in the environment.
    qputenv("PGPASSWORD", m_server.password().toUtf8());
}

void TestSharedWindow::cleanup()
{
    release();
}

QString TestSharedWindow::shareSettings(const QString& position) const
{
    return QString("INSERT INTO Setting (SettingName, SettingParamStr) VALUES ('ShareHost', '%1'), "
                   "('ShareDatabase', '%2'), ('ShareUser', '%3'), ('SharePositionName', '%5');"
                   "INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('SharePort', %4), "
                   "('ShareEnabled', 1);"
                   "UPDATE SettingInfo SET SettingInfoValue='KO85AA' WHERE SettingInfoN='PWWLo';")
        .arg(m_server.host(), m_server.database(), m_server.user())
        .arg(m_server.port())
        .arg(position);
}

void TestSharedWindow::join(Tfmain& window, const QString& uuid)
{
    SharedLog* shared = window.sharedLog();
    QTRY_VERIFY_WITH_TIMEOUT(shared->online(), 20000);
    std::vector<SharedContest> listed;
    QMetaObject::Connection heard =
        connect(shared, &SharedLog::contestsListed, [&](const std::vector<SharedContest>& c) { listed = c; });
    shared->listContests();
    QTRY_VERIFY_WITH_TIMEOUT(!listed.empty(), 20000);
    disconnect(heard);
    for (const SharedContest& c : listed) {
        if (c.uuid == uuid)
            shared->joinContest(c);
    }
    QVERIFY(shared->journal().contestOf(uuid).has_value());
    QCOMPARE(window.state().CurrentContestId, *shared->journal().contestOf(uuid));
}

void TestSharedWindow::openJoined(SharedPosition& first, const QString& name)
{
    prepare(shareSettings(name));
    m_fakes->clock.current = first.fakes.clock.current.addSecs(300);
    openWindow();
    join(*m_window, first.shared->journal().contestUuid(first.contestId).value_or("-"));
}

void TestSharedWindow::theOtherPositionsContactsAppearEverywhere()
{
    SharedPosition first("Палатка 1");
    first.connectTo(m_server);
    QVERIFY(first.waitOnline());
    QVERIFY(first.share());
    QVERIFY(first.takeBand(144));
    QVERIFY(first.takeBand(432));
    QCOMPARE(first.save("UA3AAA", 432).kind, SaveOutcome::Saved);
    QCOMPARE(first.save("UA3BBB", 144).kind, SaveOutcome::Saved);
    first.shared->releaseBand(first.contestId, 432);
    QTRY_VERIFY(!first.shared->journal().lease(first.contestId, 432));

    prepare(shareSettings("Палатка 2"));
    m_fakes->clock.current = first.fakes.clock.current.addSecs(300);
    openWindow();
    SharedLog* shared = m_window->sharedLog();
    QTRY_VERIFY_WITH_TIMEOUT(shared->online(), 20000);
    QCOMPARE(m_window->logView()->hintBar()->status("share"), "Общий лог: подключено");
    std::vector<SharedContest> listed;
    connect(shared, &SharedLog::contestsListed, this,
            [&](const std::vector<SharedContest>& c) { listed = c; });
    shared->listContests();
    QTRY_VERIFY(!listed.empty());
    shared->joinContest(listed.front());
    QCOMPARE(m_window->state().CurrentContestName, "Полевой день");

    // Choosing the band the first position gave back takes nothing: its first save does.
    EntryPanel* entry = m_window->entryPanel();
    chooseInList(entry->bandList, 1); // 432 MHz
    chooseInList(entry->modeList, 1); // SSB
    LogView* log = m_window->logView();
    QTRY_COMPARE_WITH_TIMEOUT(log->log().rowCount(), 1, 20000);
    QCOMPARE(log->grid()->cursorModel()->displayText(0, LogView::CallColumn), "UA3AAA");
    QCOMPARE(entry->sentNumberEdit->text(), "2");
    QVERIFY(!shared->journal().lease(m_window->state().CurrentContestId, 432).has_value());

    // Its repeat rule sees the first position's contact.
    m_fakes->prompts.clear();
    typeContact("UA3AAA", "3", "KO95AA");
    QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Information).size(), 1);
    QVERIFY(m_fakes->prompts.texts(ShownPrompt::Information)
                .first()
                .startsWith("Внимание! Временной период не позволяет внести эту запись в лог."));
    QCOMPARE(m_file->column("SELECT COUNT(*) FROM ContestList"), QVariantList{2});
    QTRY_VERIFY_WITH_TIMEOUT(shared->journal().lease(m_window->state().CurrentContestId, 432).has_value(),
                             20000);
    QCOMPARE(shared->journal().lease(m_window->state().CurrentContestId, 432)->holderName, "Палатка 2");

    // Contacts logged at the first position while this one watches: the grid, the timer
    // window and the earlier contacts follow without a key.
    entry->callEdit->setEditText("");
    chooseInList(entry->bandList, 0); // 144 MHz, held by the first position
    m_window->action("N11")->trigger();
    Tftimer* timer = m_window->timerWindow();
    QTRY_COMPARE(log->log().rowCount(), 1);
    QCOMPARE(first.save("UA3CCC", 144).kind, SaveOutcome::Saved);
    QTRY_COMPARE_WITH_TIMEOUT(log->log().rowCount(), 2, 20000);
    QCOMPARE(log->caption(), "Список [2/2]");
    QTRY_COMPARE(timer->grid()->rowCount(), 2);
    // Moved to another band over there, it leaves this band's grid.
    first.moveToBand("UA3CCC", 432);
    QTRY_COMPARE_WITH_TIMEOUT(log->log().rowCount(), 1, 20000);
    first.moveToBand("UA3CCC", 144);
    QTRY_COMPARE_WITH_TIMEOUT(log->log().rowCount(), 2, 20000);
    QTRY_COMPARE(timer->grid()->rowCount(), 2);
    entry->callEdit->setFocus();
    QTest::keyClicks(entry->callEdit, "ua3ccc");
    QTRY_VERIFY(entry->earlierContactsGrid->isVisible());
    QCOMPARE(entry->earlierContactsGrid->cursor()->rowCount(), 1);
    // Its own save on the other's band is refused, naming the holder.
    m_fakes->prompts.clear();
    entry->receivedNumberEdit->setText("4");
    entry->locatorEdit->setText("KO95AA");
    m_window->contactEntry()->saveContact();
    QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Information),
             QStringList{
                 "Связь не записана: диапазон 144 MHz ведёт позиция «Палатка 1», номера на нём даёт только "
                 "она."});
}

void TestSharedWindow::theWindowSetsUpSharesJoinsAndHandsBandsOver()
{
    SharedPosition first("Палатка 1");
    first.connectTo(m_server);
    QVERIFY(first.waitOnline());
    QVERIFY(first.share());
    QVERIFY(first.takeBand(144));
    first.save("UA3AAA");

    prepare("INSERT INTO Contest (ContestRowid, ContestName, ContestDTStart, ContestDTStop, ContestActual) "
            "VALUES (1, 'Кубок', 46200, 46300, 1);"
            "INSERT INTO ContestList (IdContest, IdBand, ContestListCall, ContestListSendNum) VALUES "
            "(1, 144, 'RA1OWN', 1), (1, 144, 'RA1TWO', 1);");
    m_fakes->clock.current = first.fakes.clock.current;
    openWindow();
    // Never shared: the position column stays out of sight.
    LogView* log = m_window->logView();
    QVERIFY(log->grid()->isColumnHidden(LogView::PositionColumn));
    inModal<Tfshare>(
        [&] { m_window->action("mnSharedLog")->trigger(); },
        [&](Tfshare* window) {
            QCOMPARE(window->statusLabel->text(), "Общий лог выключен");
            QCOMPARE(window->portEdit->value(), 5432);
            QStringList labels;
            for (QWidget* field :
                 {static_cast<QWidget*>(window->hostEdit), static_cast<QWidget*>(window->portEdit),
                  static_cast<QWidget*>(window->databaseEdit), static_cast<QWidget*>(window->userEdit),
                  static_cast<QWidget*>(window->positionEdit)}) {
                const auto* label =
                    qobject_cast<QLabel*>(window->findChild<QFormLayout*>()->labelForField(field));
                labels << (label ? label->text() : QString("?"));
            }
            QCOMPARE(labels, (QStringList{"Сервер", "Порт", "База данных", "Пользователь", "Позиция"}));
            typeText(window->hostEdit, m_server.host());
            window->portEdit->selectAll();
            QTest::keyClicks(window->portEdit, QString::number(m_server.port()));
            typeText(window->databaseEdit, m_server.database());
            typeText(window->userEdit, m_server.user());
            typeText(window->positionEdit, "Палатка 2");
            window->enabledBox->click();
            window->saveButton->click();
        });
    SharedLog* shared = m_window->sharedLog();
    QTRY_VERIFY_WITH_TIMEOUT(shared->online(), 20000);
    QCOMPARE(
        m_file->column("SELECT SettingName || '=' || COALESCE(SettingParamStr, SettingParamInt) FROM Setting "
                       "WHERE SettingName LIKE 'Share%' AND SettingName <> 'SharePositionId' ORDER BY 1"),
        (QVariantList{"ShareDatabase=kovra", "ShareEnabled=1", "ShareHost=127.0.0.1",
                      "SharePort=" + QString::number(m_server.port()), "SharePositionName=Палатка 2",
                      "ShareUser=operator"}));

    // The own contest shared from the window: its contacts go to the server with this position.
    inModal<Tfshare>(
        [&] { m_window->action("mnSharedLog")->trigger(); },
        [&](Tfshare* window) {
            QCOMPARE(window->statusLabel->text(), "Общий лог: подключено");
            window->shareButton->click();
            QTRY_VERIFY_WITH_TIMEOUT(window->bandsTable->rowCount() == 7, 20000);
            // Both serials 1 of 144 MHz wait for checking; a double click goes to one.
            QCOMPARE(window->reviewList->count(), 2);
            QVERIFY(window->reviewList->item(0)->text().startsWith("144 MHz, № 1, RA1OWN, Палатка 2"));
            window->reject();
        });
    QCOMPARE(m_server.superSql({"SELECT count(*) FROM kovra_contest WHERE name = 'Кубок'"}).value_or("?"),
             "1");
    QTRY_COMPARE_WITH_TIMEOUT(m_file->column("SELECT COUNT(*) FROM ShareOutbox"), QVariantList{0}, 20000);
    QVERIFY(!log->grid()->isColumnHidden(LogView::PositionColumn));
    chooseInList(m_window->entryPanel()->bandList, 0);
    QCOMPARE(log->grid()->cursorModel()->displayText(0, LogView::PositionColumn), "Палатка 2");

    // The first position's contest joined from the list; bands taken and given back.
    inModal<Tfshare>([&] { m_window->action("mnSharedLog")->trigger(); },
                     [&](Tfshare* window) {
                         // The newest last (the server may hold contests of other tests).
                         QTRY_VERIFY_WITH_TIMEOUT(window->contestsList->count() >= 2, 20000);
                         const int last = window->contestsList->count() - 1;
                         QCOMPARE(window->contestsList->item(last)->text(), "Кубок");
                         QCOMPARE(window->contestsList->item(last - 1)->text(), "Полевой день");
                         window->contestsList->setCurrentRow(last - 1);
                         window->joinButton->click();
                         QCOMPARE(m_window->state().CurrentContestName, "Полевой день");
                         QTRY_COMPARE(window->bandsTable->item(0, 1)->text(), "Палатка 1");
                         // A band the other position holds and is heard on is not taken.
                         window->bandsTable->selectRow(0);
                         window->takeButton->click();
                         QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Information).last(),
                                  "Диапазон 144 MHz ведёт позиция «Палатка 1»: забрать его можно, когда она "
                                  "промолчит минуту.");
                         window->bandsTable->selectRow(1);
                         window->takeButton->click();
                         QTRY_COMPARE_WITH_TIMEOUT(window->bandsTable->item(1, 1)->text(),
                                                   "Палатка 2 (эта позиция)", 20000);
                         window->bandsTable->selectRow(1);
                         window->releaseButton->click();
                         QTRY_COMPARE_WITH_TIMEOUT(window->bandsTable->item(1, 1)->text(), "", 20000);
                         window->reject();
                     });
    QTRY_COMPARE_WITH_TIMEOUT(
        m_file->column("SELECT COUNT(*) FROM ContestList WHERE ContestListCall = 'UA3AAA'"), QVariantList{1},
        20000);
    // The password is in memory and in the environment only, never in the log file.
    m_window->close();
    for (const char* suffix : {"", "-wal"}) {
        QFile file(m_file->path() + QString::fromLatin1(suffix));
        if (file.open(QIODevice::ReadOnly))
            QVERIFY(!file.readAll().contains(m_server.password().toUtf8()));
    }
    QCOMPARE(m_file->column("SELECT COUNT(*) FROM Setting WHERE SettingName = 'GridPositionColumnWidth'"),
             QVariantList{1});
    QCOMPARE(m_file->column("SELECT COUNT(*) FROM Setting WHERE SettingName = 'GridColumnWidth12'"),
             QVariantList{0});
}

void TestSharedWindow::theBandsTableKeepsTheChosenBand()
{
    SharedPosition first("Палатка 1");
    first.connectTo(m_server);
    QVERIFY(first.waitOnline());
    QVERIFY(first.share());
    openJoined(first, "Палатка 2");
    QVERIFY(!QTest::currentTestFailed());
    inModal<Tfshare>([&] { m_window->action("mnSharedLog")->trigger(); },
                     [&](Tfshare* window) {
                         QCOMPARE(window->bandsTable->rowCount(), 7);
                         // Pressed with nothing chosen, a button says what it lacks.
                         window->takeButton->click();
                         QCOMPARE(window->noteLabel->text(), "Выберите диапазон в таблице.");
                         window->joinButton->click();
                         QCOMPARE(window->noteLabel->text(), "Выберите соревнование в списке.");
                         click(*window->bandsTable, window->bandsTable->model()->index(1, 0)); // 432 MHz
                         QCOMPARE(window->noteLabel->text(), "");
                         // The other position takes a band meanwhile: the table is made again, and the
                         // band chosen here is still the one "Взять диапазон" takes.
                         QVERIFY(first.takeBand(144));
                         QTRY_COMPARE_WITH_TIMEOUT(window->bandsTable->item(0, 1)->text(), "Палатка 1",
                                                   20000);
                         QCOMPARE(window->bandsTable->selectionModel()->selectedRows().size(), 1);
                         window->takeButton->click();
                         QTRY_COMPARE_WITH_TIMEOUT(window->bandsTable->item(1, 1)->text(),
                                                   "Палатка 2 (эта позиция)", 20000);
                         QCOMPARE(window->bandsTable->selectionModel()->selectedRows().value(0).row(), 1);
                         QCOMPARE(m_fakes->prompts.texts(), QStringList());
                     });
}

void TestSharedWindow::aSpareTakesASilentPositionsPlace()
{
    SharedPosition first("Палатка 1");
    first.connectTo(m_server);
    QVERIFY(first.waitOnline());
    QVERIFY(first.share());
    QVERIFY(first.takeBand(144));
    QCOMPARE(first.save("UA3AAA").kind, SaveOutcome::Saved);
    QCOMPARE(first.save("UA3BBB").kind, SaveOutcome::Saved);
    const QString firstId = first.shared->journal().position().id;
    openJoined(first, "Запасная");
    QVERIFY(!QTest::currentTestFailed());
    QTRY_COMPARE_WITH_TIMEOUT(m_file->column("SELECT COUNT(*) FROM ContestList"), QVariantList{2}, 20000);
    auto pressPlace = [&] {
        inModal<Tfshare>([&] { m_window->action("mnSharedLog")->trigger(); },
                         [&](Tfshare* window) {
                             const int shown = int(m_fakes->prompts.shown.size());
                             window->placeButton->click();
                             QTRY_VERIFY_WITH_TIMEOUT(int(m_fakes->prompts.shown.size()) > shown, 20000);
                             if (m_fakes->prompts.texts(ShownPrompt::Confirm).isEmpty())
                                 return;
                             QTRY_COMPARE_WITH_TIMEOUT(window->positionEdit->text(), "Палатка 1", 20000);
                         });
    };
    // While the first position is heard, there is no place to take.
    pressPlace();
    QCOMPARE(m_fakes->prompts.texts(),
             QStringList{"В этом соревновании нет позиций, которые молчат больше минуты."});

    // Its computer dies holding 144 MHz; a minute later the spare takes its place.
    first.close();
    QVERIFY(m_server.superSql(
        {"UPDATE kovra_position SET seen = now() - interval '61 seconds' WHERE uuid = '" + firstId + "'",
         "UPDATE kovra_lease SET seen = now() - interval '61 seconds' WHERE holder = '" + firstId + "'"}));
    m_fakes->prompts.clear();
    m_fakes->prompts.askAnswers = {QString("Палатка 1")};
    pressPlace();
    QCOMPARE(m_fakes->prompts.texts(),
             (QStringList{"Общий лог|Место какой позиции занять?",
                          "Эта позиция займёт место позиции «Палатка 1»: её диапазоны перейдут сюда, номера "
                          "продолжатся после её последних.\n\rКомпьютер позиции «Палатка 1» после этого к "
                          "общему логу не подключайте. Продолжить?"}));
    QCOMPARE(m_file->column("SELECT SettingParamStr FROM Setting WHERE SettingName = 'SharePositionId'"),
             QVariantList{firstId});
    SharedLog* shared = m_window->sharedLog();
    QCOMPARE(shared->journal().position().id, firstId);
    QTRY_VERIFY_WITH_TIMEOUT(shared->online(), 20000);
    const qint32 contest = m_window->state().CurrentContestId;
    QTRY_VERIFY_WITH_TIMEOUT(shared->journal().lease(contest, 144) &&
                                 shared->journal().lease(contest, 144)->holder == firstId &&
                                 !shared->journal().lease(contest, 144)->silent,
                             20000);
    // Its numbers go on after the dead position's, without a box.
    chooseInList(m_window->entryPanel()->bandList, 0);
    chooseInList(m_window->entryPanel()->modeList, 1);
    QCOMPARE(m_window->entryPanel()->sentNumberEdit->text(), "3");
    m_fakes->prompts.clear();
    typeContact(*m_window, "UA3CCC", "1", "KO95AA");
    QCOMPARE(m_fakes->prompts.texts(), QStringList());
    QCOMPARE(m_file->column("SELECT ContestListSendNum || '/' || ContestListPosition FROM ContestList WHERE "
                            "ContestListCall = 'UA3CCC'"),
             QVariantList{"3/Палатка 1"});
}

void TestSharedWindow::twoMainWindowsLogOneContest()
{
    const QString contest =
        "INSERT INTO Contest (ContestRowid, ContestName, ContestDTStart, ContestDTStop, ContestActual) "
        "VALUES (1, 'Два окна', 46200, 46300, 1);";
    prepare(shareSettings("Палатка 1") + contest);
    openWindow();
    SharedLog* sharedA = m_window->sharedLog();
    QTRY_VERIFY_WITH_TIMEOUT(sharedA->online(), 20000);
    sharedA->shareContest(1);
    QTRY_VERIFY_WITH_TIMEOUT(sharedA->journal().journals(1), 20000);
    SecondWindow b(shareSettings("Палатка 2"), m_fakes->clock.current.addSecs(300));
    SharedLog* sharedB = b.window->sharedLog();
    join(*b.window, *sharedA->journal().contestUuid(1));
    QVERIFY(!QTest::currentTestFailed());
    QCOMPARE(b.window->state().CurrentContestName, "Два окна");
    const qint32 contestB = b.window->state().CurrentContestId;

    // The first logs on 144 MHz, which its first save takes.
    EntryPanel* entryA = m_window->entryPanel();
    chooseInList(entryA->bandList, 0);
    chooseInList(entryA->modeList, 1);
    typeContact(*m_window, "UA3AAA", "1", "KO95AA");
    typeContact(*m_window, "UA3BBB", "1", "KO95AA");
    QCOMPARE(m_fakes->prompts.texts(), QStringList());
    QTRY_VERIFY_WITH_TIMEOUT(sharedB->journal().lease(contestB, 144).has_value(), 20000);

    EntryPanel* entryB = b.window->entryPanel();
    // What a refused save leaves in the second's fields, cleared as the operator clears them.
    auto clearB = [&] {
        for (QLineEdit* edit : {entryB->receivedNumberEdit, entryB->locatorEdit})
            edit->clear();
        entryB->callEdit->setEditText("");
    };

    // The second watches 144 MHz: its grid, its timer window and its earlier contacts.
    QApplication::setActiveWindow(b.window.get());
    QVERIFY(QTest::qWaitForWindowActive(b.window.get()));
    chooseInList(entryB->bandList, 0);
    chooseInList(entryB->modeList, 1);
    LogView* logB = b.window->logView();
    QTRY_COMPARE_WITH_TIMEOUT(logB->log().rowCount(), 2, 20000);
    b.window->action("N11")->trigger();
    QTRY_COMPARE(b.window->timerWindow()->grid()->rowCount(), 2);
    QApplication::setActiveWindow(b.window.get());
    QVERIFY(QTest::qWaitForWindowActive(b.window.get()));
    entryB->callEdit->setFocus();
    QTest::keyClicks(entryB->callEdit, "ua3aaa");
    QTRY_VERIFY(entryB->earlierContactsGrid->isVisible());
    QCOMPARE(entryB->earlierContactsGrid->cursor()->rowCount(), 1);
    clearB();
    // A save on the first's band is refused, naming it.
    typeContact(*b.window, "UA3CCC", "1", "KO95AA");
    QCOMPARE(b.fakes.prompts.texts(ShownPrompt::Information),
             QStringList{"Связь не записана: диапазон 144 MHz ведёт позиция «Палатка 1», номера на нём даёт "
                         "только она."});

    // The first hands the band over: the second's repeat rule refuses an early repeat of the
    // first's contact, and its numbers go on after the first's.
    sharedA->releaseBand(1, 144);
    QTRY_VERIFY_WITH_TIMEOUT(!sharedB->journal().lease(contestB, 144).has_value(), 20000);
    b.fakes.prompts.clear();
    clearB();
    typeContact(*b.window, "UA3AAA", "2", "KO95AA");
    QCOMPARE(b.fakes.prompts.texts(ShownPrompt::Information).size(), 1);
    QVERIFY(b.fakes.prompts.texts(ShownPrompt::Information)
                .first()
                .startsWith("Внимание! Временной период не позволяет внести эту запись в лог."));
    clearB();
    QCOMPARE(entryB->sentNumberEdit->text(), "3");
    b.fakes.prompts.clear();
    typeContact(*b.window, "UA3CCC", "3", "KO95AA");
    QCOMPARE(b.fakes.prompts.texts(), QStringList());
    QTRY_COMPARE_WITH_TIMEOUT(m_window->logView()->log().rowCount(), 3, 20000);
    QStringList shown;
    for (int row = 0; row < 3; ++row) {
        for (int column : {LogView::CallColumn, LogView::PositionColumn})
            shown << m_window->logView()->grid()->cursorModel()->displayText(row, column);
    }
    QVERIFY2(shown.join(' ').contains("UA3CCC Палатка 2"), qPrintable(shown.join(' ')));

    // The second logs on 432 MHz as well; the first sees it there.
    chooseInList(entryB->bandList, 1);
    typeContact(*b.window, "RA1XX", "4", "KO95AA");
    QCOMPARE(b.fakes.prompts.texts(), QStringList());
    QApplication::setActiveWindow(m_window.get());
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    chooseInList(entryA->bandList, 1);
    QTRY_COMPARE_WITH_TIMEOUT(m_window->logView()->log().rowCount(), 1, 20000);

    // Both logs hold the same contacts, each band numbered once, without a gap.
    const QString serials =
        "SELECT group_concat(IdBand || '/' || ContestListSendNum || '/' || ContestListCall, "
        "' ') FROM (SELECT * FROM ContestList ORDER BY IdBand, ContestListSendNum)";
    QCOMPARE(m_file->column(serials), QVariantList{"144/1/UA3AAA 144/2/UA3BBB 144/3/UA3CCC 432/1/RA1XX"});
    QTRY_COMPARE_WITH_TIMEOUT(b.file.column(serials), m_file->column(serials), 20000);
}

QTEST_MAIN(TestSharedWindow)
#include "tst_sharedwindow.moc"
