#include "support/tempdatabase.h"

#include <QFile>
#include <QVariant>

#include <sqlite3.h>

#include <stdexcept>

TempDatabase::TempDatabase()
{
    if (!m_dir.isValid())
        throw std::runtime_error("no temporary folder");
}

std::unique_ptr<LogStore> TempDatabase::openStore(Prompts& prompts) const
{
    return std::make_unique<LogStore>(Database::open(path()), prompts);
}

namespace {

sqlite3* openRaw(const QString& path)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
    sqlite3_busy_timeout(db, 3000);
    return db;
}

} // namespace

void TempDatabase::sqlite(const QString& statements) const
{
    sqlite3* db = openRaw(path());
    char* error = nullptr;
    const int rc = sqlite3_exec(db, statements.toUtf8().constData(), nullptr, nullptr, &error);
    const std::string message = error ? error : "";
    sqlite3_free(error);
    sqlite3_close(db);
    if (rc != SQLITE_OK)
        throw std::runtime_error(message);
}

QVariantList TempDatabase::column(const QString& query) const
{
    sqlite3* db = openRaw(path());
    sqlite3_stmt* stmt = nullptr;
    QVariantList values;
    if (sqlite3_prepare_v2(db, query.toUtf8().constData(), -1, &stmt, nullptr) != SQLITE_OK) {
        const std::string message = sqlite3_errmsg(db);
        sqlite3_close(db);
        throw std::runtime_error(message);
    }
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        switch (sqlite3_column_type(stmt, 0)) {
        case SQLITE_NULL:
            values << QVariant();
            break;
        case SQLITE_INTEGER:
            values << QVariant(qlonglong(sqlite3_column_int64(stmt, 0)));
            break;
        case SQLITE_FLOAT:
            values << QVariant(sqlite3_column_double(stmt, 0));
            break;
        default:
            values << QVariant(
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))));
        }
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return values;
}

QString fiveContactsOnTwoBands()
{
    return QStringLiteral(
        "INSERT INTO Contest (ContestRowid, ContestName, ContestDTStart, ContestDTStop, ContestActual) "
        "VALUES "
        "(1, 'Полевой день', 42200, 42201, 1), (2, 'Другой', 42190, 42191, 0);"
        "UPDATE SettingInfo SET SettingInfoValue='UA3XYZ' WHERE SettingInfoN='PCall';"
        "UPDATE SettingInfo SET SettingInfoValue='KO85AA' WHERE SettingInfoN='PWWLo';"
        "INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('LastBand', 0), ('LastMod', 1);"
        "INSERT INTO ContestList (ContestListRowid, IdContest, IdBand, IdModulation, ContestListCall, "
        "ContestListQTH, ContestListSendNum, ContestListSendRST, ContestListReceivedNum, "
        "ContestListReceivedRST, "
        "ContestListDateTime, ContestListResult, ContestListDistance, ContestListAzimut) VALUES "
        "(1, 1, 144, 1, 'UA3AAA', 'KO95AA', 1, 59, 1, 59, 42200 + 602 / 1440.0, 127, 127.4, 89),"
        "(2, 1, 144, 1, 'UA3BBB', 'KO86AA', 2, 59, 1, 59, 42200 + 630 / 1440.0, 111, 111.1, 0),"
        "(3, 1, 144, 2, 'RA1CCC', 'KO59XX', 3, 599, 1, 599, 42200 + 660 / 1440.0, 700, 700.2, 330),"
        "(4, 1, 432, 1, 'UA3AAA', 'KO95AA', 1, 59, 2, 59, 42200 + 640 / 1440.0, 254, 127.4, 89),"
        "(5, 1, 432, 1, 'R2DDD', 'KO95BB', 2, 59, 1, 59, 42200 + 715 / 1440.0, 260, 130.0, 88),"
        "(6, 2, 144, 1, 'UA9ZZZ', 'MO05AA', 1, 59, 1, 59, 42200 + 650 / 1440.0, 2000, 2000.0, 80);");
}
