#pragma once

#include "store/database.h"

#include <QObject>

#include <functional>

// A client-side cursor: the rows of a query held in memory with a current row, as the
// windows browse, edit and append them. With a base table set, a post or delete is written
// back to that table by its rowid, at once and on its own.
//
// The hooks follow the life of a row: beforePost and beforeDelete may refuse (return
// false) and the row stays as it is; afterInsert runs when a new row has been started,
// afterPost and afterDelete when the database has it.
class Cursor : public QObject
{
    Q_OBJECT
public:
    enum class State { Closed, Browse, Edit, Insert };

    explicit Cursor(Database& db, QObject* parent = nullptr);

    void setSql(const QString& jetSql) { m_sql = jetSql; }
    const QString& sql() const { return m_sql; }
    // The table a post or delete writes to; none makes the cursor read-only.
    void setBaseTable(const QString& table) { m_baseTable = table; }
    const QString& baseTable() const { return m_baseTable; }

    void open();
    void close();
    // Close and open with the same statement, keeping no position.
    void reopen();
    bool isOpen() const { return m_state != State::Closed; }
    State state() const { return m_state; }

    const QVector<ResultColumn>& columns() const { return m_columns; }
    int fieldIndex(const QString& field) const; // -1 when absent; names ignore case
    int rowCount() const { return int(m_rows.size()); }
    bool isEmpty() const { return m_rows.empty(); }

    // The current row: 0-based index, -1 when there is none; recNo() is 1-based, 0 for none.
    int currentRow() const { return m_current; }
    int recNo() const { return m_current + 1; }
    void setCurrentRow(int row);
    void first() { setCurrentRow(0); }
    void last() { setCurrentRow(rowCount() - 1); }
    void next() { setCurrentRow(m_current + 1); }
    void prior() { setCurrentRow(m_current - 1); }

    // The first row, from the top, whose field text begins with `prefix`; it becomes
    // current. Case matters, as in the settings lookups.
    bool locatePrefix(const QString& field, const QString& prefix);
    // The first row whose field equals the value.
    bool locate(const QString& field, const DbValue& value);

    // The value of the current row (the edit buffer while editing); null without a row.
    DbValue value(const QString& field) const;
    DbValue value(int row, int column) const;
    // The rowid of a row, for finding it again after a reload.
    qint64 rowId(int row) const { return m_rowIds[size_t(row)]; }

    // Reads a row the database already holds into the cursor at `position`, as a reopen
    // would show it, without reading the others again. The current row stays.
    void insertStoredRow(qint64 rowid, int position);

    void edit();
    void append();
    void setValue(const QString& field, const DbValue& value);
    void setValue(int column, const DbValue& value);
    void post(); // throws SqlError; the row stays in edit or insert state
    void cancel();
    void remove(); // throws SqlError; the row stays

    std::function<bool()> beforePost;
    std::function<void()> afterPost;
    std::function<void()> afterInsert;
    std::function<bool()> beforeDelete;
    std::function<void()> afterDelete;
    // When set, every post that writes and every delete is one transaction with it: it runs
    // after the row is written, or before the row goes (`deleting`), given the row's rowid.
    std::function<void(qint64 rowid, bool deleting)> inTransaction;

signals:
    // The cursor was opened, closed or reloaded: every row may differ.
    void reset();
    void currentRowChanged(int row);
    void rowChanged(int row);
    void rowInserted(int row);
    void rowRemoved(int row);
    void stateChanged(Cursor::State state);

private:
    int requireField(const QString& field) const;
    void setState(State state);
    void writeBack();
    // The write alone, or in one transaction with inTransaction when that is set.
    template <typename F> void withTransaction(F&& write);
    ResultRow readBack(qint64 rowid, ResultRow row) const;

    Database& m_db;
    QString m_sql;
    QString m_baseTable;
    State m_state = State::Closed;
    QVector<ResultColumn> m_columns;
    std::vector<ResultRow> m_rows;
    std::vector<qint64> m_rowIds;
    int m_current = -1;
    ResultRow m_buffer;
    std::vector<bool> m_modified;
};
