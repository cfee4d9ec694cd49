#include "app/contactentry.h"
#include "app/logview.h"
#include "app/tfmain.h"
#include "controls/datagrid.h"
#include "controls/hintbar.h"
#include "controls/pickcombobox.h"
#include "logging/entrypanel.h"
#include "logging/tftimer.h"
#include "sharing/sharedlog.h"
#include "support/sharedposition.h"
#include "support/windowtest.h"

#include <QLineEdit>
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

private:
    PrivatePostgres m_server;
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

    prepare(QString("INSERT INTO Setting (SettingName, SettingParamStr) VALUES ('ShareHost', '%1'), "
                    "('ShareDatabase', '%2'), ('ShareUser', '%3'), ('SharePositionName', 'Палатка 2');"
                    "INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('SharePort', %4), "
                    "('ShareEnabled', 1);"
                    "UPDATE SettingInfo SET SettingInfoValue='KO85AA' WHERE SettingInfoN='PWWLo';")
                .arg(m_server.host(), m_server.database(), m_server.user())
                .arg(m_server.port()));
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

    // The band the first position gave back is taken by choosing it.
    EntryPanel* entry = m_window->entryPanel();
    chooseInList(entry->bandList, 1); // 432 MHz
    chooseInList(entry->modeList, 1); // SSB
    QTRY_VERIFY_WITH_TIMEOUT(shared->journal().lease(m_window->state().CurrentContestId, 432).has_value(),
                             20000);
    QCOMPARE(shared->journal().lease(m_window->state().CurrentContestId, 432)->holderName, "Палатка 2");
    LogView* log = m_window->logView();
    QTRY_COMPARE_WITH_TIMEOUT(log->log().rowCount(), 1, 20000);
    QCOMPARE(log->grid()->cursorModel()->displayText(0, LogView::CallColumn), "UA3AAA");
    QCOMPARE(entry->sentNumberEdit->text(), "2");

    // Its repeat rule sees the first position's contact.
    m_fakes->prompts.clear();
    typeContact("UA3AAA", "3", "KO95AA");
    QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Information).size(), 1);
    QVERIFY(m_fakes->prompts.texts(ShownPrompt::Information)
                .first()
                .startsWith("Внимание! Временной период не позволяет внести эту запись в лог."));
    QCOMPARE(m_file->column("SELECT COUNT(*) FROM ContestList"), QVariantList{2});

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

QTEST_MAIN(TestSharedWindow)
#include "tst_sharedwindow.moc"
