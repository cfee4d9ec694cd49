#pragma once

#include "store/dbvalue.h"

#include <QString>
#include <QVector>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// A column of a query result: its name, the kind its declared type gives, and for a column
// read straight from a table, that table and column (the cursor writes back through them).
struct ResultColumn
{
    QString name;
    QString declaredType;
    QString table;
    QString origin;
};

using ResultRow = std::vector<DbValue>;

struct ResultSet
{
    QVector<ResultColumn> columns;
    std::vector<ResultRow> rows;
};

// The one connection to the log file. Statements come in the Jet dialect and run through
// translateJet(); native statements (the cursors' write-back) come with bound values.
// Every failure is thrown as SqlError with the database's message.
class Database
{
public:
    // Opens an existing log database or, when the file is missing, creates it from the
    // seed. Throws ConnectionError when the file is not a log database, is locked past the
    // busy timeout, or cannot be read and written; such a file is left untouched.
    static std::unique_ptr<Database> open(const QString& path);

    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    const QString& path() const { return m_path; }

    void exec(const QString& jetSql);
    ResultSet query(const QString& jetSql);
    // The rows of a query one at a time, none kept: for bulk reads such as an export.
    void queryEach(const QString& jetSql, const std::function<void(const ResultRow&)>& use);
    // The first column of the first row; no value when the query gives no row.
    std::optional<DbValue> queryFirst(const QString& jetSql);

    void execNative(const QString& sql, const std::vector<DbValue>& values = {});
    ResultSet queryNative(const QString& sql, const std::vector<DbValue>& values = {});
    // One statement prepared once and run for each row of values, as bulk inserts need.
    void execNativeEach(const QString& sql, const std::vector<std::vector<DbValue>>& rows);
    qint64 lastInsertRowid() const;

    // A native statement prepared once, bound and run again and again (bulk work that reads
    // and writes between its runs); it finalizes itself and must not outlive the database.
    class Statement
    {
    public:
        Statement(sqlite3* db, sqlite3_stmt* stmt) : m_db(db), m_stmt(stmt) {}
        Statement(Statement&& other) noexcept;
        ~Statement();
        Statement(const Statement&) = delete;
        Statement& operator=(const Statement&) = delete;
        Statement& operator=(Statement&&) = delete;

        void bind(const std::vector<DbValue>& values);
        // Ready to be bound and run again.
        void reset();
        // Steps once; true while a row is there. A failure throws SqlError.
        bool step();
        QVector<ResultColumn> columns() const;
        DbValue value(int column, DbValue::Kind declared) const;
        // Each row in turn, in one buffer: for reading many rows that are used once.
        void forEachRow(const std::function<void(const ResultRow&)>& use);
        // Bound with the values: each row in turn, as above; then ready again.
        void forEachRow(const std::vector<DbValue>& values, const std::function<void(const ResultRow&)>& use);
        ResultSet readAll(std::optional<size_t> maxRows = std::nullopt);

        // Bound with the values and run to its end; then ready again.
        void run(const std::vector<DbValue>& values);
        // Bound with the values: the first column of the first row, none without a row;
        // then ready again.
        std::optional<DbValue> first(const std::vector<DbValue>& values);

    private:
        sqlite3* m_db;
        sqlite3_stmt* m_stmt;
    };
    // Native SQL, one statement: whatever follows it is refused, never run.
    Statement prepare(const QString& sql);

    // How a transaction begins: Immediate takes the write lock at once (waiting the busy
    // timeout for it), for work that reads and then writes while another connection writes
    // too; a deferred one that read first cannot write after another connection's commit.
    enum class Begin { Deferred, Immediate };

    // Bulk work runs in one transaction; an exception inside, or a COMMIT the database
    // refuses, rolls it back, so that no later statement joins a transaction left open.
    template <typename F> void transaction(F&& work, Begin begin = Begin::Deferred)
    {
        execNative(begin == Begin::Immediate ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN"));
        try {
            work();
            execNative(QStringLiteral("COMMIT"));
        } catch (...) {
            rollbackQuietly();
            throw;
        }
    }

    // The kind a value of a column with this declared type has in DbValue.
    static DbValue::Kind kindOfDeclaredType(const QString& declaredType);

    // The connection itself, for SQLite's online backup, which copies from it page by page.
    sqlite3* nativeHandle() const { return m_db; }

private:
    Database(sqlite3* handle, QString path);
    void rollbackQuietly();

    sqlite3* m_db;
    QString m_path;
};

// The tables a file must hold to be taken as a log database; the rest the upgrade adds.
const QStringList& requiredLogTables();
