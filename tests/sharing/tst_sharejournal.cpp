#include "app/logview.h"
#include "app/tfmain.h"
#include "config/tfcontest.h"
#include "controls/datagrid.h"
#include "controls/dbnavigator.h"
#include "controls/pickcombobox.h"
#include "logging/contactlog.h"
#include "logging/entrypanel.h"
#include "sharing/sharejournal.h"
#include "sharing/sharesettings.h"
#include "support/windowtest.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QToolButton>
#include <QtTest>
#include <QUuid>

// The local side of the shared log in the real window: every write of a shared contest's
// contacts leaves its outbox row in the same transaction, a contest that is not shared is
// written as it always was, and a band is numbered only by the position that holds it.
class TestShareJournal : public WindowTest
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void savesOfASharedContestGoToTheOutbox();
    void contactsSavedTogetherEachGoToTheOutbox();
    void anOutboxThatRefusesKeepsTheContactOut();
    void theBandsHolderAloneNumbers_data();
    void theBandsHolderAloneNumbers();
    void gridEditsDeletesAndErasingTravel();
    void deletingASharedContestDeletesTheCopyHereOnly();
    void sharingAContestSendsWhatItHas();

private:
    void openShared();
    QVariantList outbox(const QString& columns);

    std::unique_ptr<ShareJournal> m_journal;
    QString m_position;
    QString m_contest;
};

namespace {

// The columns a contact travels with, as the log and the outbox both name them.
const QString kTravelling =
    "ContestListUuid || '/' || ContestListVersion || '/' || ContestListPosition || '/' || "
    "IdBand || '/' || ContestListCall || '/' || ContestListQTH || '/' || "
    "ContestListSendNum || '/' || ContestListReceivedNum || '/' || ContestListResult || '/' "
    "|| ContestListDateTime";

} // namespace

void TestShareJournal::init()
{
    prepare("INSERT INTO Contest (ContestRowid, ContestName, ContestDTStart, ContestDTStop, ContestActual) "
            "VALUES (1, 'Полевой день', 42200, 42201, 1);"
            "INSERT INTO Contest (ContestRowid, ContestName) VALUES (2, 'Свой');"
            "UPDATE SettingInfo SET SettingInfoValue='UA3XYZ' WHERE SettingInfoN='PCall';"
            "UPDATE SettingInfo SET SettingInfoValue='KO85AA' WHERE SettingInfoN='PWWLo';");
}

void TestShareJournal::cleanup()
{
    release();
    m_journal.reset();
}

void TestShareJournal::openShared()
{
    openWindow();
    m_position = sharePositionId(*m_store);
    m_contest = QUuid::createUuid().toString(QUuid::WithoutBraces);
    m_journal = std::make_unique<ShareJournal>(m_store->db(), m_fakes->clock);
    m_journal->setPosition({m_position, "Палатка 1"});
    m_store->setJournal(m_journal.get());
    m_journal->share(1, m_contest);
    m_journal->setLeases(1, {BandLease{144, m_position, "Палатка 1", false}});
    chooseInList(m_window->entryPanel()->bandList, 0);
    chooseInList(m_window->entryPanel()->modeList, 1);
}

QVariantList TestShareJournal::outbox(const QString& columns)
{
    return m_file->column("SELECT " + columns + " FROM ShareOutbox ORDER BY ShareOutboxRowid");
}

void TestShareJournal::savesOfASharedContestGoToTheOutbox()
{
    openShared();
    typeContact("UA3AAA", "5", "KO95AA");
    QCOMPARE(m_file->column("SELECT COUNT(*) FROM ContestList"), QVariantList{1});
    const QVariantList logged = m_file->column("SELECT " + kTravelling + " FROM ContestList");
    QVERIFY2(logged.first().toString().contains("/1/Палатка 1/144/UA3AAA/KO95AA/1/5/"),
             qPrintable(logged.first().toString()));
    QCOMPARE(outbox(kTravelling), logged);
    QCOMPARE(outbox("ShareContestUuid || '/' || ContestListEditedBy || '/' || ShareDeleted"),
             QVariantList{m_contest + "/" + m_position + "/0"});
    QCOMPARE(outbox("COUNT(*)"), QVariantList{1});

    // A contest that is not shared is written as it always was: no id, nothing to send.
    m_file->sqlite("UPDATE Contest SET ContestActual = (ContestRowid = 2)");
    m_window->contestChanged();
    typeContact("UA3BBB", "6", "KO95AA");
    QCOMPARE(
        m_file->column("SELECT COUNT(*) FROM ContestList WHERE IdContest = 2 AND ContestListUuid IS NULL "
                       "AND ContestListVersion IS NULL AND ContestListPosition IS NULL"),
        QVariantList{1});
    QCOMPARE(outbox("COUNT(*)"), QVariantList{1});
    QCOMPARE(m_fakes->prompts.texts(), QStringList());
}

// Contacts brought in from a file are saved together: each has its copy in the outbox, and
// one on a band another position holds is left out.
void TestShareJournal::contactsSavedTogetherEachGoToTheOutbox()
{
    openShared();
    QList<std::pair<ContactFields, SaveContext>> rows;
    for (const auto& [call, band] :
         {std::pair{"UA3AAA", "144 MHz"}, {"UA3BBB", "432 MHz"}, {"UA3CCC", "144 MHz"}}) {
        ContactFields f;
        f.band = band;
        f.mode = "SSB";
        f.call = call;
        f.locator = "KO95AA";
        f.sentReport = f.receivedReport = "59";
        f.sentNumber = QString::number(rows.size() + 1);
        f.receivedNumber = "1";
        f.date = QDate(2026, 7, 4);
        f.time = QTime(10, rows.size());
        SaveContext context;
        context.contestId = 1;
        context.ownLocator = "KO85AA";
        context.pointsPerKm = 1;
        context.nowUtc = 46300;
        rows.append({f, context});
    }
    const std::vector<SaveOutcome> outcomes = ContactLog(*m_store).saveAll(rows);
    QCOMPARE(outcomes.at(0).kind, SaveOutcome::Saved);
    QCOMPARE(outcomes.at(1).kind, SaveOutcome::Refused);
    QCOMPARE(outcomes.at(2).kind, SaveOutcome::Saved);
    QCOMPARE(outbox("ContestListCall"), QVariantList({"UA3AAA", "UA3CCC"}));
    QCOMPARE(outbox(kTravelling),
             m_file->column("SELECT " + kTravelling + " FROM ContestList ORDER BY ContestListRowid"));
}

void TestShareJournal::anOutboxThatRefusesKeepsTheContactOut()
{
    openShared();
    m_file->sqlite(
        "CREATE TRIGGER full BEFORE INSERT ON ShareOutbox BEGIN SELECT RAISE(ABORT, 'диск полон'); "
        "END;");
    typeContact("UA3AAA", "5", "KO95AA");
    QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Error).size(), 1);
    QVERIFY(m_fakes->prompts.texts(ShownPrompt::Error).first().contains("диск полон"));
    QCOMPARE(m_file->column("SELECT COUNT(*) FROM ContestList"), QVariantList{0});
    QCOMPARE(m_window->entryPanel()->callEdit->currentText(), "UA3AAA"); // nothing typed is lost
    QCOMPARE(m_window->entryPanel()->sentNumberEdit->text(), "1");
}

void TestShareJournal::theBandsHolderAloneNumbers_data()
{
    QTest::addColumn<QString>("holder");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<bool>("online");
    QTest::addColumn<QString>("refusal");
    QTest::addColumn<bool>("wanted");
    QTest::newRow("here, offline") << "me" << false << false << "" << false;
    QTest::newRow("another")
        << "other" << false << true
        << "Связь не записана: диапазон 144 MHz ведёт позиция «Палатка 2», номера на нём "
           "даёт только она."
        << false;
    QTest::newRow("another, silent")
        << "other" << true << true
        << "Связь не записана: диапазон 144 MHz ведёт позиция «Палатка 2», номера на "
           "нём даёт только она.\n\rЭта позиция молчит больше минуты: диапазон можно "
           "забрать (Работа → Установки → Общий лог, «Взять диапазон»)."
        << false;
    QTest::newRow("nobody, offline")
        << "" << false << false
        << "Связь не записана: диапазон 144 MHz не закреплён за этой позицией, а без "
           "связи с сервером общего лога его не взять."
        << false;
    QTest::newRow("nobody, online") << "" << false << true << "" << true;
}

void TestShareJournal::theBandsHolderAloneNumbers()
{
    QFETCH(QString, holder);
    QFETCH(bool, silent);
    QFETCH(bool, online);
    QFETCH(QString, refusal);
    QFETCH(bool, wanted);
    openShared();
    std::vector<BandLease> leases;
    if (holder == "me")
        leases.push_back({144, m_position, "Палатка 1", silent});
    else if (holder == "other")
        leases.push_back({144, QUuid::createUuid().toString(QUuid::WithoutBraces), "Палатка 2", silent});
    m_journal->setLeases(1, leases);
    m_journal->setOnline(online);
    std::vector<std::pair<qint32, qint32>> asked;
    m_journal->bandWanted = [&](qint32 contest, qint32 band) { asked.emplace_back(contest, band); };
    typeContact("UA3AAA", "5", "KO95AA");
    QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Information),
             refusal.isEmpty() ? QStringList() : QStringList{refusal});
    QCOMPARE(m_file->column("SELECT COUNT(*) FROM ContestList"), QVariantList{refusal.isEmpty() ? 1 : 0});
    QCOMPARE(asked.size(), size_t(wanted ? 1 : 0));
    if (wanted)
        QCOMPARE(asked.front(), std::make_pair(qint32(1), qint32(144)));
}

void TestShareJournal::gridEditsDeletesAndErasingTravel()
{
    openShared();
    typeContact("UA3AAA", "5", "KO95AA");
    typeContact("UA3BBB", "6", "KO95AA");
    typeContact("UA3CCC", "7", "KO95AA");
    LogView* log = m_window->logView();
    log->editorCheck()->click();
    m_fakes->clock.current = m_fakes->clock.current.addSecs(60);
    const int row = log->log().currentRow(); // the newest, UA3CCC
    typeIntoCell(*log->grid(), row, LogView::CallColumn, "UA3CCD");
    QCOMPARE(outbox("ContestListCall || '/' || ContestListVersion || '/' || ShareDeleted").last().toString(),
             "UA3CCD/2/0");
    QCOMPARE(m_file->column("SELECT ContestListVersion FROM ContestList WHERE ContestListCall = 'UA3CCD'"),
             QVariantList{2});
    const qint64 edited = m_fakes->clock.current.toMSecsSinceEpoch();
    QCOMPARE(outbox("ContestListEdited").last().toLongLong(), edited);

    m_fakes->prompts.confirmAnswers = {true};
    log->navigator()->button(DbNavigator::Delete)->click();
    QCOMPARE(outbox("ContestListCall || '/' || ContestListVersion || '/' || ShareDeleted").last().toString(),
             "UA3CCD/3/1");

    m_fakes->prompts.clear();
    log->action("N17")->trigger();
    QCOMPARE(m_fakes->prompts.texts(ShownPrompt::Confirm),
             QStringList{"Удалить все записи в Полевой день в диапазоне 144 MHz ?\n\rСоревнование общее: "
                         "записи удалятся на всех позициях."});
    QCOMPARE(m_file->column("SELECT COUNT(*) FROM ContestList"), QVariantList{0});
    QCOMPARE(
        outbox("ContestListCall || '/' || ShareDeleted"),
        (QVariantList{"UA3AAA/0", "UA3BBB/0", "UA3CCC/0", "UA3CCD/0", "UA3CCD/1", "UA3AAA/1", "UA3BBB/1"}));
}

void TestShareJournal::deletingASharedContestDeletesTheCopyHereOnly()
{
    openShared();
    typeContact("UA3AAA", "5", "KO95AA");
    m_file->sqlite(
        "UPDATE Contest SET ContestActual = (ContestRowid = 2); INSERT INTO ShareLease VALUES (1, 144, "
        "'x', 'Палатка 1', 0);");
    m_window->contestChanged();
    Tfcontest manager(*m_store, m_window->state(), m_fakes->services, m_window.get());
    manager.contests().locate("ContestRowid", 1);
    m_fakes->prompts.confirmAnswers = {true};
    manager.navigator()->button(DbNavigator::Delete)->click();
    QCOMPARE(
        m_fakes->prompts.texts(ShownPrompt::Confirm),
        QStringList{"Удалить запись \"Полевой день\" ? Внимание! У этого соревнования есть 1 записи(ей), они "
                    "тоже удалятся. Продолжить?\n\rСоревнование общее: удалится только его копия на этой "
                    "позиции, на сервере и у других позиций оно останется."});
    QCOMPARE(m_file->column("SELECT COUNT(*) FROM ContestList"), QVariantList{0});
    QCOMPARE(m_file->column("SELECT COUNT(*) FROM ShareContest"), QVariantList{0});
    QCOMPARE(m_file->column("SELECT COUNT(*) FROM ShareLease"), QVariantList{0});
    // No tombstone: the others keep the contest; what waits to be sent still goes.
    QCOMPARE(outbox("ContestListCall || '/' || ShareDeleted"), QVariantList{"UA3AAA/0"});
}

void TestShareJournal::sharingAContestSendsWhatItHas()
{
    m_file->sqlite("INSERT INTO ContestList (IdContest, IdBand, ContestListCall, ContestListSendNum) VALUES "
                   "(1, 144, 'UA3OLD', 1), (1, 432, 'UA3OLE', 1), (2, 144, 'UA3OWN', 1);");
    openShared();
    QCOMPARE(outbox("ContestListCall || '/' || ContestListVersion || '/' || ContestListPosition"),
             (QVariantList{"UA3OLD/1/Палатка 1", "UA3OLE/1/Палатка 1"}));
    QCOMPARE(m_file->column("SELECT COUNT(DISTINCT ContestListUuid) FROM ContestList WHERE IdContest = 1"),
             QVariantList{2});
    QCOMPARE(m_file->column("SELECT COUNT(*) FROM ContestList WHERE ContestListUuid IS NULL"),
             QVariantList{1});
    // The position's id is made once and kept.
    QCOMPARE(sharePositionId(*m_store), m_position);
    QCOMPARE(m_file->column("SELECT SettingParamStr FROM Setting WHERE SettingName = 'SharePositionId'"),
             QVariantList{m_position});
}

QTEST_MAIN(TestShareJournal)
#include "tst_sharejournal.moc"
