// Opening an EDI file of 10,000 contact lines through "Открыть" until the grid shows its rows:
// the median time, against the floor of inserting the same rows into the scratch table with
// one prepared statement in one transaction. Needs no display (the offscreen platform).
#include "app/logview.h"
#include "app/tfmain.h"
#include "benchlog.h"
#include "store/logstore.h"
#include "support/fakes.h"
#include "support/tempdatabase.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int kLines = 10000;
constexpr int kRuns = 9;

QByteArray ediFile()
{
    QByteArray file =
        "[REG1TEST;1]\r\nTName=Полевой день\r\nPCall=RK3AW\r\nPBand=144 MHz\r\n[QSORecords;10000]\r\n";
    const char* locators[] = {"KO95AA", "KO86AA", "JN45AA", "LO02QQ", "KN97XU"};
    for (int i = 1; i <= kLines; ++i)
        file += QStringLiteral("1507%1;%2%3;UA%4ABC;1;59;%5;59;%6;;%7;;;;;\r\n")
                    .arg(4 + i / 5000, 2, 10, QLatin1Char('0'))
                    .arg(i / 60 % 24, 2, 10, QLatin1Char('0'))
                    .arg(i % 60, 2, 10, QLatin1Char('0'))
                    .arg(i % 10)
                    .arg(i, 3, 10, QLatin1Char('0'))
                    .arg(i % 999 + 1, 3, 10, QLatin1Char('0'))
                    .arg(QLatin1String(locators[i % 5]))
                    .toLatin1();
    return file;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TempDatabase log;
    FakePrompts prompts;
    log.openStore(prompts);
    log.sqlite("UPDATE SettingInfo SET SettingInfoValue='KO85UR' WHERE SettingInfoN='PWWLo';");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.edi"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(ediFile()) < 0)
        return 1;
    file.close();

    std::vector<double> openMs, floorMs;
    for (int run = 0; run < kRuns; ++run) {
        FakeServices fakes;
        LogStore store(Database::open(log.path()), fakes.prompts);
        Tfmain window(store, fakes.services);
        window.show();
        QCoreApplication::processEvents();
        fakes.prompts.pathAnswers = {path};
        QElapsedTimer timer;
        timer.start();
        window.action(QStringLiteral("N12"))->trigger();
        QCoreApplication::processEvents(); // the grid painted with the file's rows
        openMs.push_back(timer.nsecsElapsed() / 1e6);
        if (window.logView()->log().rowCount() != kLines ||
            fakes.prompts.texts().size() != 1) { // the file dialog alone
            std::fprintf(stderr, "the file did not open whole: %d rows; %s\n",
                         window.logView()->log().rowCount(), qPrintable(fakes.prompts.texts().join(" | ")));
            return 1;
        }

        // The floor: the rows the file gave, inserted again with one prepared statement.
        const ResultSet rows = store.db().queryNative(QStringLiteral("SELECT * FROM ContestListRead"));
        timer.restart();
        store.db().transaction([&] {
            store.db().execNative(QStringLiteral("DELETE FROM ContestListRead"));
            store.db().execNativeEach(
                QStringLiteral("INSERT INTO ContestListRead VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                rows.rows);
        });
        floorMs.push_back(timer.nsecsElapsed() / 1e6);
    }
    const double open = spreadOf(openMs).median;
    const double floor = spreadOf(floorMs).median;
    std::printf("EDI viewer, a file of %d contact lines, median of %d:\n", kLines, kRuns);
    std::printf("  \"Открыть\" until the grid shows the rows %.1f ms\n", open);
    std::printf("  the same rows inserted with one prepared statement in one transaction %.1f ms: ratio %.2f "
                "(aim: at most 10)\n",
                floor, open / floor);
    return 0;
}
