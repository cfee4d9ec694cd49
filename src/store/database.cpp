#include "store/database.h"

#include "store/errors.h"
#include "store/jetdialect.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <functional>

#include <sqlite3.h>

namespace {

constexpr int kBusyTimeoutMs = 3000;

QString sqliteMessage(sqlite3* db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

// Jet's Last(): the value of the last row the aggregate saw.
void lastStep(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    auto** slot = static_cast<sqlite3_value**>(sqlite3_aggregate_context(ctx, sizeof(sqlite3_value*)));
    if (!slot)
        return;
    sqlite3_value_free(*slot);
    *slot = sqlite3_value_dup(argv[0]);
}

void lastFinal(sqlite3_context* ctx)
{
    auto** slot = static_cast<sqlite3_value**>(sqlite3_aggregate_context(ctx, 0));
    if (slot && *slot) {
        sqlite3_result_value(ctx, *slot);
        sqlite3_value_free(*slot);
        *slot = nullptr;
    } else {
        sqlite3_result_null(ctx);
    }
}

QByteArray seedSql()
{
    QFile seed(QStringLiteral(":/store/seed.sql"));
    if (!seed.open(QIODevice::ReadOnly))
        throw ConnectionError(QStringLiteral("Нет начального содержимого базы данных"));
    return seed.readAll();
}

// Builds a new log database beside the target and moves it into place only when it is
// complete, so an interrupted creation never leaves a half-made log behind.
void createFromSeed(const QString& path)
{
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath()))
        throw ConnectionError(QStringLiteral("Нельзя создать папку %1").arg(info.absolutePath()));
    const QString temp = path + QStringLiteral(".new");
    QFile::remove(temp);

    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(temp).constData(), &db,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    char* error = nullptr;
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, ("BEGIN;" + seedSql() + ";COMMIT;").constData(), nullptr, nullptr, &error);
    const QString message = error ? QString::fromUtf8(error) : (db ? sqliteMessage(db) : QString());
    sqlite3_free(error);
    sqlite3_close(db);
    if (rc != SQLITE_OK) {
        QFile::remove(temp);
        throw ConnectionError(QStringLiteral("Нельзя создать базу данных %1: %2").arg(path, message));
    }
    if (!QFile::rename(temp, path)) {
        QFile::remove(temp);
        if (!QFileInfo::exists(path))
            throw ConnectionError(QStringLiteral("Нельзя создать базу данных %1").arg(path));
    }
}

// Leaves a statement ready for its next run, whether this one ended or threw.
class ResetOnExit
{
public:
    explicit ResetOnExit(Database::Statement& statement) : m_statement(statement) {}
    ~ResetOnExit() { m_statement.reset(); }
    ResetOnExit(const ResetOnExit&) = delete;
    ResetOnExit& operator=(const ResetOnExit&) = delete;

private:
    Database::Statement& m_statement;
};

} // namespace

const QStringList& requiredLogTables()
{
    static const QStringList tables{
        QStringLiteral("ContestList"), QStringLiteral("Contest"), QStringLiteral("Band"),
        QStringLiteral("Modulation"),  QStringLiteral("Grade"),   QStringLiteral("Country"),
        QStringLiteral("StationType"), QStringLiteral("Setting"), QStringLiteral("SettingInfo")};
    return tables;
}

Database::Statement::Statement(Statement&& other) noexcept : m_db(other.m_db), m_stmt(other.m_stmt)
{
    other.m_stmt = nullptr;
}

Database::Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

void Database::Statement::bind(const std::vector<DbValue>& values)
{
    for (size_t i = 0; i < values.size(); ++i) {
        const DbValue& v = values[i];
        const int index = int(i) + 1;
        switch (v.kind()) {
        case DbValue::Kind::Null:
            sqlite3_bind_null(m_stmt, index);
            break;
        case DbValue::Kind::Integer:
        case DbValue::Kind::Boolean:
            sqlite3_bind_int64(m_stmt, index, v.toInt());
            break;
        case DbValue::Kind::Double:
        case DbValue::Kind::DateTime:
            sqlite3_bind_double(m_stmt, index, v.toDouble());
            break;
        case DbValue::Kind::Text: {
            const QByteArray utf8 = v.toString().toUtf8();
            sqlite3_bind_text(m_stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
            break;
        }
        }
    }
}

void Database::Statement::reset()
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

bool Database::Statement::step()
{
    if (!m_stmt)
        return false;
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    throw SqlError(sqliteMessage(m_db), QString(),
                   (rc & 0xff) == SQLITE_CONSTRAINT ? SqlError::Cause::Constraint : SqlError::Cause::Other);
}

QVector<ResultColumn> Database::Statement::columns() const
{
    QVector<ResultColumn> result;
    const int count = m_stmt ? sqlite3_column_count(m_stmt) : 0;
    for (int c = 0; c < count; ++c) {
        auto text = [](const char* s) { return s ? QString::fromUtf8(s) : QString(); };
        result.push_back({text(sqlite3_column_name(m_stmt, c)), text(sqlite3_column_decltype(m_stmt, c)),
                          text(sqlite3_column_table_name(m_stmt, c)),
                          text(sqlite3_column_origin_name(m_stmt, c))});
    }
    return result;
}

DbValue Database::Statement::value(int c, DbValue::Kind declared) const
{
    switch (sqlite3_column_type(m_stmt, c)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER: {
        const qint64 v = sqlite3_column_int64(m_stmt, c);
        if (declared == DbValue::Kind::Boolean)
            return DbValue::boolean(v != 0);
        if (declared == DbValue::Kind::DateTime)
            return DbValue::dateTime(double(v));
        return DbValue(v);
    }
    case SQLITE_FLOAT: {
        const double v = sqlite3_column_double(m_stmt, c);
        if (declared == DbValue::Kind::DateTime)
            return DbValue::dateTime(v);
        if (declared == DbValue::Kind::Boolean)
            return DbValue::boolean(v != 0.0);
        return DbValue(v);
    }
    default:
        return DbValue(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, c)),
                                         sqlite3_column_bytes(m_stmt, c)));
    }
}

void Database::Statement::forEachRow(const std::function<void(const ResultRow&)>& use)
{
    std::vector<DbValue::Kind> kinds;
    for (const ResultColumn& c : columns())
        kinds.push_back(kindOfDeclaredType(c.declaredType));
    ResultRow row(kinds.size());
    while (step()) {
        for (size_t c = 0; c < kinds.size(); ++c)
            row[c] = value(int(c), kinds[c]);
        use(row);
    }
}

void Database::Statement::forEachRow(const std::vector<DbValue>& values,
                                     const std::function<void(const ResultRow&)>& use)
{
    const ResetOnExit ready(*this);
    bind(values);
    forEachRow(use);
}

ResultSet Database::Statement::readAll(std::optional<size_t> maxRows)
{
    ResultSet result;
    result.columns = columns();
    std::vector<DbValue::Kind> kinds;
    for (const ResultColumn& c : std::as_const(result.columns))
        kinds.push_back(kindOfDeclaredType(c.declaredType));
    while ((!maxRows || result.rows.size() < *maxRows) && step()) {
        ResultRow row;
        row.reserve(kinds.size());
        for (int c = 0; c < int(kinds.size()); ++c)
            row.push_back(value(c, kinds[size_t(c)]));
        result.rows.push_back(std::move(row));
    }
    return result;
}

void Database::Statement::run(const std::vector<DbValue>& values)
{
    const ResetOnExit ready(*this);
    bind(values);
    while (step()) {
    }
}

std::optional<DbValue> Database::Statement::first(const std::vector<DbValue>& values)
{
    const ResetOnExit ready(*this);
    bind(values);
    if (sqlite3_column_count(m_stmt) == 0 || !step())
        return std::nullopt;
    return value(0, kindOfDeclaredType(QString::fromUtf8(sqlite3_column_decltype(m_stmt, 0))));
}

std::unique_ptr<Database> Database::open(const QString& path)
{
    if (!QFileInfo::exists(path))
        createFromSeed(path);

    sqlite3* handle = nullptr;
    const int rc =
        // One connection, used on the interface thread only: no locking on every call.
        sqlite3_open_v2(QFile::encodeName(path).constData(), &handle,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    std::unique_ptr<Database> db(new Database(handle, path));
    if (rc != SQLITE_OK)
        throw ConnectionError(sqliteMessage(handle));
    sqlite3_busy_timeout(handle, kBusyTimeoutMs);
    sqlite3_extended_result_codes(handle, 1);

    // Read before anything is written: a file that is no database, or a database of some
    // other program, must stay exactly as it is.
    QStringList tables;
    try {
        for (const ResultRow& row :
             db->queryNative(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table'")).rows)
            tables << row[0].toString();
    } catch (const SqlError& e) {
        throw ConnectionError(e.message());
    }
    for (const QString& table : requiredLogTables()) {
        if (!tables.contains(table, Qt::CaseInsensitive))
            throw ConnectionError(
                QStringLiteral("В файле нет таблицы %1: это не база данных журнала").arg(table));
    }
    if (sqlite3_db_readonly(handle, "main") == 1)
        throw ConnectionError(QStringLiteral("Файл базы данных доступен только для чтения"));

    try {
        // WAL lets a reader (a backup, the sqlite3 client) look while the log is written;
        // FULL makes every saved contact survive a power cut.
        const ResultSet mode = db->queryNative(QStringLiteral("PRAGMA journal_mode=WAL"));
        if (mode.rows.empty() ||
            mode.rows[0][0].toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
            throw SqlError(QStringLiteral("Журнал WAL недоступен"));
        db->execNative(QStringLiteral("PRAGMA synchronous=FULL"));
    } catch (const SqlError& e) {
        throw ConnectionError(e.message());
    }
    sqlite3_create_function_v2(handle, "Last", 1, SQLITE_UTF8, nullptr, nullptr, lastStep, lastFinal,
                               nullptr);
    return db;
}

Database::Database(sqlite3* handle, QString path) : m_db(handle), m_path(std::move(path)) {}

Database::~Database()
{
    sqlite3_close_v2(m_db);
}

Database::Statement Database::prepare(const QString& sql)
{
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(m_db, utf8.constData(), int(utf8.size()), &stmt, &tail) != SQLITE_OK)
        throw SqlError(sqliteMessage(m_db));
    Statement statement(m_db, stmt);
    // One statement per call: whatever follows the first one is refused, never run.
    for (const char* p = tail; p && *p; ++p) {
        if (*p != ';' && !QChar::isSpace(uchar(*p)))
            throw SqlError(QStringLiteral("В запросе больше одного оператора"));
    }
    return statement;
}

namespace {

// A refused statement names the statement as it was sent, so that whoever shows the error
// can show what was asked.
template <typename F> auto naming(const QString& jetSql, F&& run)
{
    try {
        return run();
    } catch (const SqlError& e) {
        if (!e.statement().isEmpty())
            throw;
        throw SqlError(e.message(), jetSql,
                       e.brokeConstraint() ? SqlError::Cause::Constraint : SqlError::Cause::Other);
    }
}

} // namespace

void Database::exec(const QString& jetSql)
{
    naming(jetSql, [&] {
        const JetTranslation t = translateJet(jetSql);
        if (!t.noOp)
            execNative(t.sql);
    });
}

ResultSet Database::query(const QString& jetSql)
{
    return naming(jetSql, [&] {
        const JetTranslation t = translateJet(jetSql);
        return t.noOp ? ResultSet() : queryNative(t.sql);
    });
}

void Database::queryEach(const QString& jetSql, const std::function<void(const ResultRow&)>& use)
{
    naming(jetSql, [&] {
        const JetTranslation t = translateJet(jetSql);
        if (!t.noOp)
            prepare(t.sql).forEachRow(use);
    });
}

std::optional<DbValue> Database::queryFirst(const QString& jetSql)
{
    return naming(jetSql, [&]() -> std::optional<DbValue> {
        const JetTranslation t = translateJet(jetSql);
        if (t.noOp)
            return std::nullopt;
        Statement stmt = prepare(t.sql);
        ResultSet result = stmt.readAll(1);
        if (result.rows.empty() || result.rows[0].empty())
            return std::nullopt;
        return result.rows[0][0];
    });
}

void Database::rollbackQuietly()
{
    // Nothing to report: the error that led here is the one the caller hears of.
    sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

void Database::execNative(const QString& sql, const std::vector<DbValue>& values)
{
    Statement stmt = prepare(sql);
    stmt.bind(values);
    while (stmt.step()) {
    }
}

void Database::execNativeEach(const QString& sql, const std::vector<std::vector<DbValue>>& rows)
{
    Statement stmt = prepare(sql);
    for (const std::vector<DbValue>& values : rows) {
        stmt.bind(values);
        while (stmt.step()) {
        }
        stmt.reset();
    }
}

ResultSet Database::queryNative(const QString& sql, const std::vector<DbValue>& values)
{
    Statement stmt = prepare(sql);
    stmt.bind(values);
    return stmt.readAll();
}

qint64 Database::lastInsertRowid() const
{
    return sqlite3_last_insert_rowid(m_db);
}

DbValue::Kind Database::kindOfDeclaredType(const QString& declaredType)
{
    const QString t = declaredType.toUpper();
    if (t.contains(QLatin1String("DATE")) || t.contains(QLatin1String("TIME")))
        return DbValue::Kind::DateTime;
    if (t.contains(QLatin1String("BOOL")) || t == QLatin1String("BIT") || t.contains(QLatin1String("YESNO")))
        return DbValue::Kind::Boolean;
    return DbValue::Kind::Null;
}
