#include "benchlog.h"

#include "logging/locator.h"
#include "logging/repeatrule.h"
#include "store/database.h"
#include "store/daycount.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <map>

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

void fillLargeContest(const QString& path, int contacts, const QDateTime& start)
{
    QFile::remove(path);
    Database::open(path); // the seeded file
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    const double first = toDayCount(start);
    const QByteArray contest =
        QStringLiteral("INSERT INTO Contest VALUES (1, 'Большое соревнование', %1, %2, 1)")
            .arg(first, 0, 'f', 6)
            .arg(first + 1, 0, 'f', 6)
            .toUtf8();
    sqlite3_exec(db, contest.constData(), nullptr, nullptr, nullptr);
    const QString own = QStringLiteral("KO85UR");
    sqlite3_exec(db, "UPDATE SettingInfo SET SettingInfoValue='KO85UR' WHERE SettingInfoN='PWWLo'", nullptr,
                 nullptr, nullptr);
    sqlite3_exec(db,
                 "INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('LastBand', 0), ('LastMod', 1)",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(
        db,
        "INSERT INTO ContestList (IdContest, IdBand, ContestListDateTime, ContestListCall, "
        "ContestListQTH, IdModulation, ContestListSendNum, ContestListSendRST, "
        "ContestListReceivedNum, ContestListReceivedRST, ContestListResult, ContestListDistance, "
        "ContestListAzimut) VALUES (1, ?, ?, ?, ?, 1, ?, 59, 1, 59, ?, ?, ?)",
        -1, &insert, nullptr);
    // Half the contacts on 144 MHz, fewer the higher the band.
    const int bands[] = {144, 144, 144, 144, 432, 432, 1300, 2300};
    const double factors[] = {1, 1, 1, 1, 2, 2, 3, 4};
    std::map<int, int> serial;
    for (int i = 0; i < contacts; ++i) {
        const int station = int((quint64(i) * 2654435761u) % 3000);
        const int b = int((quint64(i) * 40503u) % 8);
        const QByteArray call = QStringLiteral("R%1%2%3")
                                    .arg(station % 10)
                                    .arg(QChar(char16_t(u'A' + station / 10 % 26)))
                                    .arg(station / 260)
                                    .toUtf8();
        // A station's place: up to 8 degrees of longitude and 4 of latitude from the own one.
        const double longitude = 37.6 + (double(quint64(station) * 7919u % 1600) - 800) / 100.0 + 180;
        const double latitude = 55.7 + (double(quint64(station) * 104729u % 800) - 400) / 100.0 + 90;
        QString locator;
        for (const double c : {longitude / 20, latitude / 10})
            locator += QChar(char16_t(u'A' + int(c)));
        for (const double c : {std::fmod(longitude, 20) / 2, std::fmod(latitude, 10)})
            locator += QChar(char16_t(u'0' + int(c)));
        for (const double c : {std::fmod(longitude, 2) * 12, std::fmod(latitude, 1) * 24})
            locator += QChar(char16_t(u'A' + int(c)));
        int azimuth = 0;
        double distance = 0;
        LocatorAzimuthDistance(own, locator, azimuth, distance);
        const QByteArray qth = locator.toUtf8();
        sqlite3_bind_int(insert, 1, bands[b]);
        sqlite3_bind_double(insert, 2, first + std::round(double(i) * 86400.0 / contacts) / 86400.0);
        sqlite3_bind_text(insert, 3, call.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 4, qth.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(insert, 5, ++serial[bands[b]]);
        sqlite3_bind_int(insert, 6, contactPoints(distance, factors[b]));
        sqlite3_bind_double(insert, 7, distance);
        sqlite3_bind_int(insert, 8, azimuth);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
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
