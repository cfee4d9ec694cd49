// EDI export of a contest of 7 bands with 3,000 contacts each: the median time of the whole
// export, against the floor of reading the same rows with one SELECT and writing the same
// number of bytes to files.
#include "benchlog.h"
#include "exchange/ediexport.h"
#include "platform/wholefile.h"
#include "support/tempdatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kBands[] = {144, 432, 1300, 2300, 5700, 10000, 24000};
constexpr int kPerBand = 3000;
constexpr int kRuns = 21;

void fillContest(const TempDatabase& file)
{
    QString sql = "INSERT INTO Contest VALUES (1, 'Полевой день', 42189, 42190, 1);"
                  "UPDATE SettingInfo SET SettingInfoValue='RK3AW/P' WHERE SettingInfoN='PCall';"
                  "UPDATE SettingInfo SET SettingInfoValue='KO85UR' WHERE SettingInfoN='PWWLo';"
                  "UPDATE SettingInfo SET SettingInfoValue='Иванов Иван Иванович' WHERE SettingInfoN='RName';"
                  "BEGIN;";
    for (int band : kBands) {
        for (int n = 1; n <= kPerBand; ++n)
            sql +=
                QString(
                    "INSERT INTO ContestList (IdContest, IdBand, ContestListDateTime, ContestListCall, "
                    "ContestListQTH, IdModulation, ContestListSendNum, ContestListSendRST, "
                    "ContestListReceivedNum, ContestListReceivedRST, ContestListResult, "
                    "ContestListDistance, ContestListAzimut) VALUES (1, %1, %2, 'UA%3ABC', 'KO95AA', 1, %4, "
                    "59, %5, 59, 127, 127.4, 89);")
                    .arg(band)
                    .arg(42189.25 + n / 10000.0, 0, 'f', 8)
                    .arg(n % 10)
                    .arg(n)
                    .arg(n % 999 + 1);
    }
    sql += "COMMIT;";
    file.sqlite(sql);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    TempDatabase file;
    FakePrompts prompts;
    file.openStore(prompts);
    fillContest(file);
    auto store = file.openStore(prompts);
    store->openSettingCursors();
    QTemporaryDir folder;
    const EdiExportInput input{"RK3AW/P", "KO85UR", "Полевой день", 1};

    // One export first: it warms the caches and gives the size of the files.
    auto exportRun = [&](qint64* bytes) {
        QElapsedTimer timer;
        timer.start();
        const EdiExportResult result = EdiExport(*store).exportTo(folder.path() + "/", input);
        const double ms = timer.nsecsElapsed() / 1e6;
        if (!result.error.isEmpty() || result.written.size() != 7) {
            std::fprintf(stderr, "export failed: %s\n", qPrintable(result.error));
            return -1.0;
        }
        for (const QString& path : result.written)
            *bytes += QFileInfo(path).size();
        return ms;
    };
    qint64 bytes = 0;
    if (exportRun(&bytes) < 0)
        return 1;

    // The floor: the same rows in one SELECT, the same number of bytes into seven files; once
    // written plainly, once with each file synced and renamed into place as the export does
    // so that a failed write never leaves a half-written log behind.
    const QByteArray chunk(int(bytes / 7), 'x');
    auto floorRun = [&](bool durable) {
        QElapsedTimer timer;
        timer.start();
        const ResultSet rows =
            store->db().query("SELECT IdBand, ContestListDateTime, ContestListCall, IdModulation, "
                              "ContestListSendRST, ContestListSendNum, ContestListReceivedRST, "
                              "ContestListReceivedNum, ContestListQTH FROM ContestList WHERE IdContest=1 "
                              "ORDER BY IdBand, ContestListSendNum");
        for (int i = 0; i < 7; ++i) {
            const QString path = folder.filePath(QString("floor_%1.edi").arg(i));
            if (durable) {
                writeWholeFile(path, chunk);
            } else {
                QFile out(path);
                out.open(QIODevice::WriteOnly);
                out.write(chunk);
            }
        }
        return rows.rows.size() == 7 * kPerBand ? timer.nsecsElapsed() / 1e6 : -1.0;
    };
    // Interleaved, so that a busy moment of the machine falls on all three alike.
    std::vector<double> exportMs, plainMs, durableMs;
    for (int run = 0; run < kRuns; ++run) {
        qint64 ignored = 0;
        exportMs.push_back(exportRun(&ignored));
        plainMs.push_back(floorRun(false));
        durableMs.push_back(floorRun(true));
    }
    for (const auto* times : {&exportMs, &plainMs, &durableMs}) {
        if (std::count(times->begin(), times->end(), -1.0))
            return 1;
    }
    const double exportMedian = median(exportMs);
    const double plainMedian = median(plainMs);
    const double durableMedian = median(durableMs);
    std::printf("EDI export, 7 bands x %d contacts (%lld bytes), median of %d:\n", kPerBand, bytes, kRuns);
    std::printf("  export %.1f ms\n", exportMedian);
    std::printf("  one SELECT and the same bytes written %.1f ms: ratio %.2f (aim: at most 3)\n", plainMedian,
                exportMedian / plainMedian);
    std::printf("  one SELECT and the same bytes written, synced and renamed %.1f ms: ratio %.2f\n",
                durableMedian, exportMedian / durableMedian);
    return 0;
}
