// "Импорт EDI" of a file of 10,000 contacts into an empty contest (read, plan, and the write
// through the save's checks in one transaction): the median time, against the floor of
// inserting the same rows with one prepared statement in one transaction.
#include "benchlog.h"
#include "exchange/ediimport.h"
#include "store/logstore.h"
#include "support/fakes.h"
#include "support/tempdatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int kLines = 10000;
constexpr int kRuns = 5;

QByteArray ediFile()
{
    QByteArray file = "[REG1TEST;1]\r\nTName=Test\r\nPCall=RK3AW\r\nPBand=144 MHz\r\n[QSORecords;10000]\r\n";
    const char* locators[] = {"KO95AA", "KO86AA", "JN45AA", "LO02QQ", "KN97XU"};
    for (int i = 1; i <= kLines; ++i)
        file += QStringLiteral("1507%1;%2%3;RA%4X;1;59;%5;59;%6;;%7;;;;;\r\n")
                    .arg(4 + i / 5000, 2, 10, QLatin1Char('0'))
                    .arg(i / 60 % 24, 2, 10, QLatin1Char('0'))
                    .arg(i % 60, 2, 10, QLatin1Char('0'))
                    .arg(i)
                    .arg(i, 3, 10, QLatin1Char('0'))
                    .arg(i % 999 + 1, 3, 10, QLatin1Char('0'))
                    .arg(QLatin1String(locators[i % 5]))
                    .toLatin1();
    return file;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    TempDatabase log;
    FakePrompts prompts;
    log.openStore(prompts);
    log.sqlite("INSERT INTO Contest VALUES (1, 'Test', 42189, 42191, 1);");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.edi"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(ediFile()) < 0)
        return 1;
    file.close();

    std::vector<double> importMs, floorMs;
    for (int run = 0; run < kRuns; ++run) {
        LogStore store(Database::open(log.path()), prompts);
        store.db().exec(QStringLiteral("DELETE FROM ContestList"));
        QElapsedTimer timer;
        timer.start();
        EdiImport import(store, 1, QStringLiteral("KO85UR"));
        const EdiImportFile read = import.read(path);
        const EdiImportPlan plan = import.plan({read});
        const std::vector<SaveOutcome> outcomes = import.write(plan);
        importMs.push_back(double(timer.nsecsElapsed()) / 1e6);
        const qint64 stored = store.eSQLreturn(QStringLiteral("SELECT COUNT(*) FROM ContestList")).toInt();
        if (stored != kLines || outcomes.size() != size_t(kLines)) {
            std::fprintf(stderr, "the file was not imported whole: %lld rows\n", stored);
            return 1;
        }

        // The floor: the rows the import stored, inserted again with one prepared statement.
        const ResultSet rows = store.db().queryNative(QStringLiteral("SELECT * FROM ContestList"));
        QString marks;
        for (int c = 0; c < rows.columns.size(); ++c)
            marks += c == 0 ? QStringLiteral("?") : QStringLiteral(", ?");
        store.db().exec(QStringLiteral("DELETE FROM ContestList"));
        timer.restart();
        store.db().transaction([&] {
            store.db().execNativeEach(QStringLiteral("INSERT INTO ContestList VALUES (%1)").arg(marks),
                                      rows.rows);
        });
        floorMs.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    const double imported = spreadOf(importMs).median;
    const double floor = spreadOf(floorMs).median;
    std::printf("EDI import, a file of %d contacts into an empty contest, median of %d:\n", kLines, kRuns);
    std::printf("  read, summary and the write through the save's checks %.1f ms\n", imported);
    std::printf("  the same rows inserted with one prepared statement in one transaction %.1f ms: ratio %.2f "
                "(aim: at most 3)\n",
                floor, imported / floor);
    return 0;
}
