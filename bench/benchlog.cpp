#include "benchlog.h"

#include "store/database.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>

#include <sqlite3.h>

void fillBenchmarkLog(const QString& path)
{
    QFile::remove(path);
    Database::open(path); // the seeded file
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    for (int c = 1; c <= 20; ++c) {
        const QByteArray contest =
            QStringLiteral("INSERT INTO Contest VALUES (%1, 'Соревнование %1', %2, %3, %4)")
                .arg(c)
                .arg(45000 + c * 30)
                .arg(45001 + c * 30)
                .arg(c == 1 ? 1 : 0)
                .toUtf8();
        sqlite3_exec(db, contest.constData(), nullptr, nullptr, nullptr);
    }
    sqlite3_exec(db, "UPDATE SettingInfo SET SettingInfoValue='KO85UR' WHERE SettingInfoN='PWWLo'", nullptr,
                 nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(
        db,
        "INSERT INTO ContestList (IdContest, IdBand, ContestListDateTime, ContestListCall, "
        "ContestListQTH, IdModulation, ContestListSendNum, ContestListSendRST, "
        "ContestListReceivedNum, ContestListReceivedRST, ContestListResult, ContestListDistance, "
        "ContestListAzimut) VALUES (?, ?, ?, ?, 'KO95AA', 1, ?, 59, 1, 59, 127, 127.4, 89)",
        -1, &insert, nullptr);
    const int bands[] = {144, 432, 1300, 2300, 5700};
    int serial[21][5] = {};
    for (int i = 0; i < 100000; ++i) {
        const int contest = i % 20 + 1;
        // Contest 1 has exactly 2,000 contacts on 144 MHz, the others spread over five bands.
        const int band = contest == 1 ? (i / 20 < 2000 ? 0 : 1 + i % 4) : i % 5;
        // Regulars come back contest after contest: 8,000 different calls in all.
        const int station = int((quint64(i) * 2654435761u) % 8000);
        const QByteArray call = QStringLiteral("R%1%2%3")
                                    .arg(station % 10)
                                    .arg(QChar(char16_t(u'A' + station / 10 % 26)))
                                    .arg(station / 260)
                                    .toUtf8();
        sqlite3_bind_int(insert, 1, contest);
        sqlite3_bind_int(insert, 2, bands[band]);
        sqlite3_bind_double(insert, 3, 45000 + contest * 30 + i / 100000.0);
        sqlite3_bind_text(insert, 4, call.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(insert, 5, ++serial[contest][band]);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db,
                 "INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('LastBand', 0), ('LastMod', 1)",
                 nullptr, nullptr, nullptr);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

Spread spreadOf(std::vector<double> millis)
{
    std::sort(millis.begin(), millis.end());
    const auto at = [&](double q) {
        return millis[std::min(millis.size() - 1, size_t(q * double(millis.size())))];
    };
    return {at(0.5), at(0.99)};
}

SettledWindow::SettledWindow(const QString& path)
    : store(Database::open(path), fakes.prompts), window(store, fakes.services)
{
    window.show();
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 300)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
}
