// The shared log on a private PostgreSQL server on the loopback address:
//
//   bench_share     all figures (needs no display: the offscreen platform is used)
//
// 1. The save path of the main window on a large log with its contest shared and its worker
//    sending every contact, against the same log with the contest not shared and with no
//    shared log at all; blocks of saves take turns, so the medians come from the same run.
//    Each save is typed once the last one has been sent, as an operator's pace gives it, and
//    then again in a run, each save typed while the worker still sends the ones before it.
// 2. From "Сохранить" at one position to the contact in the other position's grid, both
//    windows in this process: median and 99th percentile over 1,000 contacts.
// 3. A position that was away catching up on 10,000 contacts from the moment it connects.
#include "app/logview.h"
#include "app/tfmain.h"
#include "benchlog.h"
#include "controls/pickcombobox.h"
#include "logging/entrypanel.h"
#include "sharing/sharedlog.h"
#include "store/logstore.h"
#include "support/privatepostgres.h"
#include "support/sharedposition.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

void shareSettings(const QString& path, const PrivatePostgres& server, const QString& position)
{
    auto db = Database::open(path);
    db->execNative(
        QStringLiteral("INSERT INTO Setting (SettingName, SettingParamStr) VALUES ('ShareHost', ?), "
                       "('ShareDatabase', ?), ('ShareUser', ?), ('SharePositionName', ?)"),
        {server.host(), server.database(), server.user(), position});
    db->execNative(
        QStringLiteral("INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('SharePort', ?), "
                       "('ShareEnabled', 1)"),
        {qint64(server.port())});
}

bool waitFor(const std::function<bool()>& done, int ms, const char* what)
{
    if (QTest::qWaitFor(done, ms))
        return true;
    std::printf("%s did not happen\n", what);
    return false;
}

qint64 countOf(LogStore& store, const QString& query)
{
    return store.db().queryFirst(query).value_or(DbValue(0)).toInt();
}

// Changes waiting in the outbox.
qint64 unsent(LogStore& store)
{
    return countOf(store, QStringLiteral("SELECT COUNT(*) FROM ShareOutbox"));
}

// Types a contact into the window and saves it with the button; the time to the cleared
// fields and the repainted grid.
double timedSave(Tfmain& window, int i)
{
    EntryPanel* entry = window.entryPanel();
    entry->callEdit->setEditText(QStringLiteral("UB%1XYZ").arg(i));
    entry->receivedNumberEdit->setText(QString::number(i + 1));
    entry->locatorEdit->setText(QStringLiteral("KO95AA"));
    QElapsedTimer t;
    t.start();
    entry->saveButton->click();
    QApplication::processEvents();
    return double(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    PrivatePostgres server;
    if (!server.start()) {
        std::printf("no server: %s\n", qPrintable(server.error()));
        return 1;
    }
    qputenv("PGPASSWORD", server.password().toUtf8()); // as libpq finds it
    QTemporaryDir dir;
    const QString pathA = dir.filePath(QStringLiteral("A.db"));
    const QString pathB = dir.filePath(QStringLiteral("B.db"));
    std::printf("Building a log of 100,000 contacts in 20 contests...\n");
    fillBenchmarkLog(pathA);
    shareSettings(pathA, server, QStringLiteral("Палатка 1"));

    SettledWindow a(pathA);
    SharedLog* sharedA = a.window.sharedLog();
    if (!waitFor([&] { return sharedA->online(); }, 30000, "the first position's link"))
        return 1;
    sharedA->shareContest(1);
    if (!waitFor([&] { return sharedA->journal().journals(1); }, 30000, "sharing the contest"))
        return 1;
    // Choosing a band takes nothing: it is taken as "Взять диапазон" takes it.
    sharedA->takeBand(1, 144, false);
    if (!waitFor([&] { return sharedA->journal().lease(1, 144).has_value(); }, 30000, "taking 144 MHz") ||
        !waitFor([&] { return unsent(a.store) == 0; }, 120000, "sending the contest's contacts"))
        return 1;
    const QString uuid = *sharedA->journal().contestUuid(1);

    // 1. The save with the contest shared, not shared, and with no journal at all (as before
    //    there was a shared log); blocks take turns. First at an operator's pace, each save
    //    typed once the last one has been sent; then in a run, each typed while the worker
    //    still sends and takes back the ones before it.
    struct Saves
    {
        std::vector<double> off, on, none;
        std::vector<double> whileSending; // shared saves typed with the outbox not yet empty
    };
    constexpr int kBlock = 20;
    constexpr int kSaves = 2400;
    int typed = 0;
    auto timeSaves = [&](bool paced, Saves& saves) {
        for (int i = 0; i < kSaves; ++i, ++typed) {
            const int kind = i / kBlock % 3;
            // Not shared: the contest's row points nowhere, keeping its place in the change numbers.
            if (i % kBlock == 0) {
                a.store.db().execNative(
                    QStringLiteral("UPDATE ShareContest SET IdContest = ? WHERE ShareContestUuid = ?"),
                    {qint64(kind == 1 ? 1 : -1), uuid});
                a.store.setJournal(kind == 2 ? nullptr : &sharedA->journal());
            }
            if (paced) {
                // An operator types for seconds between contacts: the last one has been sent by then.
                if (!waitFor([&] { return unsent(a.store) == 0; }, 10000, "sending the last contact"))
                    return false;
                QTest::qWait(30); // and its echo from the server has been seen
            } else {
                QTest::qWait(5); // the window's turn to repaint, the worker's to go on
            }
            const bool sending = kind == 1 && unsent(a.store) > 0;
            const double ms = timedSave(a.window, typed);
            (kind == 0 ? saves.off : kind == 1 ? saves.on : saves.none).push_back(ms);
            if (sending)
                saves.whileSending.push_back(ms);
            if (!a.fakes.prompts.shown.empty()) {
                std::printf("save %d did not go through: %s\n", typed,
                            qPrintable(a.fakes.prompts.texts().join(" | ")));
                return false;
            }
        }
        return true;
    };
    Saves paced;
    Saves running;
    if (!timeSaves(true, paced) || !timeSaves(false, running))
        return 1;
    a.store.db().execNative(
        QStringLiteral("UPDATE ShareContest SET IdContest = 1 WHERE ShareContestUuid = ?"), {uuid});
    a.store.setJournal(&sharedA->journal());
    if (!waitFor([&] { return unsent(a.store) == 0; }, 60000, "sending the timed saves"))
        return 1;

    // 2. The second position joins, watches 144 MHz, and sees each contact of the first arrive.
    Database::open(pathB)->execNative(QStringLiteral(
        "INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('LastBand', 0), ('LastMod', 1)"));
    shareSettings(pathB, server, QStringLiteral("Палатка 2"));
    SettledWindow b(pathB);
    SharedLog* sharedB = b.window.sharedLog();
    if (!waitFor([&] { return sharedB->online(); }, 30000, "the second position's link"))
        return 1;
    std::vector<SharedContest> listed;
    QObject::connect(sharedB, &SharedLog::contestsListed,
                     [&](const std::vector<SharedContest>& c) { listed = c; });
    sharedB->listContests();
    if (!waitFor([&] { return !listed.empty(); }, 30000, "the list of shared contests"))
        return 1;
    sharedB->joinContest(listed.front());
    // The saves timed while the contest was not shared stay at the first position alone.
    const qint64 sharedContacts = countOf(
        a.store,
        QStringLiteral("SELECT COUNT(*) FROM ContestList WHERE IdContest=1 AND ContestListUuid IS NOT NULL"));
    if (!waitFor(
            [&] {
                return countOf(b.store, QStringLiteral("SELECT COUNT(*) FROM ContestList")) == sharedContacts;
            },
            120000, "the second position's catch-up"))
        return 1;
    Cursor& seen = b.window.logView()->log();
    if (!waitFor(
            [&] {
                return seen.rowCount() ==
                       countOf(b.store,
                               QStringLiteral("SELECT COUNT(*) FROM ContestList WHERE IdBand = 144"));
            },
            30000, "the other grid showing the catch-up"))
        return 1;
    std::vector<double> latency;
    for (int i = 0; i < 1000; ++i) {
        const int before = seen.rowCount();
        QElapsedTimer t;
        t.start();
        timedSave(a.window, typed + i);
        if (!waitFor([&] { return seen.rowCount() == before + 1; }, 10000, "a contact in the other grid")) {
            std::printf("contact %d: the other grid has %d rows, had %d; %s / %s; waiting %lld; %s\n", i,
                        seen.rowCount(), before, qPrintable(sharedA->status()), qPrintable(sharedB->status()),
                        unsent(a.store), qPrintable(a.fakes.prompts.texts().join(" | ")));
            return 1;
        }
        latency.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    const Spread arrival = spreadOf(latency);

    // 3. 10,000 contacts logged while a position was away, taken from the moment it connects.
    SharedPosition logging(QStringLiteral("Палатка 3"));
    logging.connectTo(server);
    if (!logging.waitOnline() || !logging.share() || !logging.takeBand(144))
        return 1;
    Database& db = logging.store->db();
    for (int block = 0; block < 20; ++block) {
        db.transaction([&] {
            for (int i = 0; i < 500; ++i) {
                const int n = block * 500 + i + 1;
                db.execNative(
                    QStringLiteral("INSERT INTO ContestList (IdContest, IdBand, ContestListDateTime, "
                                   "ContestListCall, ContestListQTH, IdModulation, ContestListSendNum, "
                                   "ContestListSendRST, ContestListReceivedNum, ContestListReceivedRST) "
                                   "VALUES (1, 144, 46218.4, ?, 'KO95AA', 1, ?, 59, 1, 59)"),
                    {QStringLiteral("UC%1").arg(n), qint64(n)});
                logging.store->journal()->written(db.lastInsertRowid());
            }
        });
    }
    if (!waitFor([&] { return unsent(*logging.store) == 0; }, 120000, "sending 10,000 contacts"))
        return 1;
    SharedPosition away(QStringLiteral("Палатка 4"));
    away.connectTo(server);
    if (!away.waitOnline() || !away.join(logging))
        return 1;
    QElapsedTimer caughtUp;
    caughtUp.start();
    if (!waitFor([&] { return away.count() == 10000; }, 120000, "the catch-up of 10,000"))
        return 1;
    const double catchUp = double(caughtUp.elapsed()) / 1000;

    auto report = [](const char* pace, const Saves& saves) {
        const Spread none = spreadOf(saves.none);
        const Spread off = spreadOf(saves.off);
        const Spread on = spreadOf(saves.on);
        std::printf("save of a contact (button to cleared fields and repainted grid), 100,000-contact log, "
                    "%s:\n",
                    pace);
        std::printf("  no shared log at all: median %.2f ms, 99th percentile %.2f ms (%zu saves)\n",
                    none.median, none.p99, saves.none.size());
        std::printf("  contest not shared: median %.2f ms (%+.1f %%), 99th percentile %.2f ms (%zu saves)\n",
                    off.median, (off.median / none.median - 1) * 100, off.p99, saves.off.size());
        std::printf("  contest shared: median %.2f ms (%+.1f %%), 99th percentile %.2f ms (aim: median "
                    "within 10 %%)\n",
                    on.median, (on.median / off.median - 1) * 100, on.p99);
        if (!saves.whileSending.empty()) {
            const Spread sending = spreadOf(saves.whileSending);
            std::printf(
                "  of those, typed with the outbox not yet empty: median %.2f ms (%+.1f %% against not "
                "shared), 99th percentile %.2f ms (%zu saves)\n",
                sending.median, (sending.median / off.median - 1) * 100, sending.p99,
                saves.whileSending.size());
        }
    };
    report("each typed once the last was sent", paced);
    report("typed in a run while the worker sends", running);
    std::printf("from \"Сохранить\" at one position to the contact in the other's grid, %zu contacts:\n",
                latency.size());
    std::printf("  median %.1f ms, 99th percentile %.1f ms (aim: 99th under 200 ms)\n", arrival.median,
                arrival.p99);
    std::printf("catch-up of 10,000 contacts by a position that was away: %.2f s (aim: under 5 s)\n",
                catchUp);
    return 0;
}
