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
