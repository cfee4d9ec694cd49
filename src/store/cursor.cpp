#include "store/cursor.h"

#include "store/errors.h"
#include "store/jetdialect.h"

namespace {

const QString kRowidColumn = QStringLiteral("kovra_rowid");

QString quoteIdentifier(const QString& name)
{
    QString plain = name;
    if (plain.startsWith(QLatin1Char('[')) && plain.endsWith(QLatin1Char(']')))
        plain = plain.mid(1, plain.size() - 2);
    return QLatin1Char('"') + plain.replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

QString plainTableName(const QString& name)
{
    if (name.startsWith(QLatin1Char('[')) && name.endsWith(QLatin1Char(']')))
        return name.mid(1, name.size() - 2);
    return name;
}

} // namespace

Cursor::Cursor(Database& db, QObject* parent) : QObject(parent), m_db(db) {}

template <typename F> void Cursor::withTransaction(F&& write)
{
    if (inTransaction)
        m_db.transaction(write);
    else
        write();
}

void Cursor::open()
{
    if (isOpen())
        close();
    QString sql = translateJet(m_sql).sql;
    const bool writable = !m_baseTable.isEmpty();
    if (writable) {
        // The rowid rides along as the first column so that posts find their row again.
        const qsizetype select = sql.indexOf(QLatin1String("SELECT"), 0, Qt::CaseInsensitive);
        if (select < 0 || !sql.left(select).trimmed().isEmpty())
            throw SqlError(QStringLiteral("Курсор с таблицей требует запроса SELECT: %1").arg(m_sql));
        sql.insert(select + 6,
                   QStringLiteral(" %1.rowid AS %2,").arg(quoteIdentifier(m_baseTable), kRowidColumn));
    }
    ResultSet result;
    try {
        result = m_db.queryNative(sql);
    } catch (const SqlError& e) {
        throw SqlError(e.message(), m_sql); // the box names the statement as written
    }
    m_rowIds.clear();
    if (writable) {
        result.columns.removeFirst();
        m_rowIds.reserve(result.rows.size());
        for (ResultRow& row : result.rows) {
            m_rowIds.push_back(row.front().toInt());
            row.erase(row.begin());
        }
    } else {
        m_rowIds.assign(result.rows.size(), 0);
    }
    m_columns = std::move(result.columns);
    m_rows = std::move(result.rows);
    m_current = m_rows.empty() ? -1 : 0;
    setState(State::Browse);
    emit reset();
    emit currentRowChanged(m_current);
}

void Cursor::close()
{
    if (!isOpen())
        return;
    m_rows.clear();
    m_rowIds.clear();
    m_columns.clear();
    m_buffer.clear();
    m_current = -1;
    setState(State::Closed);
    emit reset();
    emit currentRowChanged(m_current);
}

void Cursor::reopen()
{
    close();
    open();
}

int Cursor::fieldIndex(const QString& field) const
{
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_columns[i].name.compare(field, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int Cursor::requireField(const QString& field) const
{
    const int index = fieldIndex(field);
    if (index < 0)
        throw SqlError(QStringLiteral("Поле %1 не найдено").arg(field));
    return index;
}

void Cursor::setCurrentRow(int row)
{
    if (m_rows.empty())
        return;
    row = std::clamp(row, 0, rowCount() - 1);
    if (row == m_current)
        return;
    if (m_state == State::Edit || m_state == State::Insert) {
        post();
        if (m_state != State::Browse)
            return;
    }
    m_current = row;
    emit currentRowChanged(m_current);
}

bool Cursor::locatePrefix(const QString& field, const QString& prefix)
{
    const int column = requireField(field);
    for (int row = 0; row < rowCount(); ++row) {
        const DbValue& v = m_rows[size_t(row)][size_t(column)];
        if (!v.isNull() && v.displayText().startsWith(prefix)) {
            setCurrentRow(row);
            return m_current == row;
        }
    }
    return false;
}

bool Cursor::locate(const QString& field, const DbValue& value)
{
    const int column = requireField(field);
    for (int row = 0; row < rowCount(); ++row) {
        if (m_rows[size_t(row)][size_t(column)] == value) {
            setCurrentRow(row);
            return m_current == row;
        }
    }
    return false;
}

DbValue Cursor::value(const QString& field) const
{
    if (m_current < 0)
        return {};
    return value(m_current, requireField(field));
}

DbValue Cursor::value(int row, int column) const
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= m_columns.size())
        return {};
    if (row == m_current && (m_state == State::Edit || m_state == State::Insert))
        return m_buffer[size_t(column)];
    return m_rows[size_t(row)][size_t(column)];
}

void Cursor::insertStoredRow(qint64 rowid, int position)
{
    if (!isOpen() || m_baseTable.isEmpty())
        throw SqlError(QStringLiteral("Данные не открыты"));
    position = std::clamp(position, 0, rowCount());
    m_rows.insert(m_rows.begin() + position, readBack(rowid, ResultRow(size_t(m_columns.size()))));
    m_rowIds.insert(m_rowIds.begin() + position, rowid);
    if (m_current >= position)
        ++m_current;
    emit rowInserted(position);
}

void Cursor::edit()
{
    if (m_state == State::Edit || m_state == State::Insert)
        return;
    if (m_state != State::Browse || m_current < 0)
        throw SqlError(QStringLiteral("Нет записи для изменения"));
    if (m_baseTable.isEmpty())
        throw SqlError(QStringLiteral("Эти данные только для чтения"));
    m_buffer = m_rows[size_t(m_current)];
    m_modified.assign(m_buffer.size(), false);
    setState(State::Edit);
}

void Cursor::append()
{
    if (!isOpen())
        throw SqlError(QStringLiteral("Данные не открыты"));
    if (m_baseTable.isEmpty())
        throw SqlError(QStringLiteral("Эти данные только для чтения"));
    if (m_state == State::Edit || m_state == State::Insert) {
        post();
        if (m_state != State::Browse)
            return;
    }
    m_buffer.assign(size_t(m_columns.size()), DbValue());
    m_modified.assign(m_buffer.size(), false);
    m_rows.push_back(m_buffer);
    m_rowIds.push_back(0);
    m_current = rowCount() - 1;
    setState(State::Insert);
    emit rowInserted(m_current);
    emit currentRowChanged(m_current);
    if (afterInsert)
        afterInsert();
}

void Cursor::setValue(const QString& field, const DbValue& value)
{
    setValue(requireField(field), value);
}

void Cursor::setValue(int column, const DbValue& value)
{
    if (m_state == State::Browse)
        edit();
    if (m_state != State::Edit && m_state != State::Insert)
        throw SqlError(QStringLiteral("Нет записи для изменения"));
    m_buffer[size_t(column)] = value;
    m_modified[size_t(column)] = true;
    emit rowChanged(m_current);
}

void Cursor::post()
{
    if (m_state != State::Edit && m_state != State::Insert)
        return;
    if (beforePost && !beforePost())
        return;
    writeBack();
    setState(State::Browse);
    emit rowChanged(m_current);
    if (afterPost)
        afterPost();
}

void Cursor::cancel()
{
    if (m_state == State::Insert) {
        const int row = m_current;
        m_rows.erase(m_rows.begin() + row);
        m_rowIds.erase(m_rowIds.begin() + row);
        m_current = std::min(row, rowCount() - 1);
        setState(State::Browse);
        emit rowRemoved(row);
        emit currentRowChanged(m_current);
    } else if (m_state == State::Edit) {
        setState(State::Browse);
        emit rowChanged(m_current);
    }
}

void Cursor::remove()
{
    if (m_state == State::Insert) {
        cancel();
        return;
    }
    if (m_state == State::Closed || m_current < 0)
        return;
    if (m_baseTable.isEmpty())
        throw SqlError(QStringLiteral("Эти данные только для чтения"));
    if (beforeDelete && !beforeDelete())
        return;
    const int row = m_current;
    const qint64 rowid = m_rowIds[size_t(row)];
    withTransaction([&] {
        if (inTransaction)
            inTransaction(rowid, true);
        m_db.execNative(QStringLiteral("DELETE FROM %1 WHERE rowid=?").arg(quoteIdentifier(m_baseTable)),
                        {DbValue(rowid)});
    });
    m_rows.erase(m_rows.begin() + row);
    m_rowIds.erase(m_rowIds.begin() + row);
    m_current = std::min(row, rowCount() - 1);
    setState(State::Browse);
    emit rowRemoved(row);
    emit currentRowChanged(m_current);
    if (afterDelete)
        afterDelete();
}

void Cursor::setState(State state)
{
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged(state);
}

void Cursor::writeBack()
{
    const QString table = plainTableName(m_baseTable);
    QStringList names;
    std::vector<DbValue> values;
    for (int c = 0; c < m_columns.size(); ++c) {
        const ResultColumn& column = m_columns[c];
        const bool own = column.table.compare(table, Qt::CaseInsensitive) == 0 && !column.origin.isEmpty();
        if (!own || !m_modified[size_t(c)])
            continue;
        names << quoteIdentifier(column.origin);
        values.push_back(m_buffer[size_t(c)]);
    }

    qint64 rowid = m_rowIds[size_t(m_current)];
    if (m_state == State::Insert) {
        QString sql = QStringLiteral("INSERT INTO %1").arg(quoteIdentifier(m_baseTable));
        if (names.isEmpty()) {
            sql += QStringLiteral(" DEFAULT VALUES");
        } else {
            QStringList marks;
            for (qsizetype i = 0; i < names.size(); ++i)
                marks << QStringLiteral("?");
            sql += QStringLiteral(" (%1) VALUES (%2)")
                       .arg(names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
        }
        withTransaction([&] {
            m_db.execNative(sql, values);
            rowid = m_db.lastInsertRowid();
            if (inTransaction)
                inTransaction(rowid, false);
        });
        m_rowIds[size_t(m_current)] = rowid;
    } else if (!names.isEmpty()) {
        QStringList assignments;
        for (const QString& name : std::as_const(names))
            assignments << name + QStringLiteral("=?");
        values.push_back(DbValue(rowid));
        withTransaction([&] {
            m_db.execNative(QStringLiteral("UPDATE %1 SET %2 WHERE rowid=?")
                                .arg(quoteIdentifier(m_baseTable), assignments.join(QLatin1Char(','))),
                            values);
            if (inTransaction)
                inTransaction(rowid, false);
        });
    }
    m_rows[size_t(m_current)] = readBack(rowid, m_buffer);
}

// The row as the database now holds it (types applied, keys assigned); fields that do not
// come from the base table keep what the buffer had.
ResultRow Cursor::readBack(qint64 rowid, ResultRow row) const
{
    const QString table = plainTableName(m_baseTable);
    QStringList names;
    std::vector<int> positions;
    for (int c = 0; c < m_columns.size(); ++c) {
        const ResultColumn& column = m_columns[c];
        if (column.table.compare(table, Qt::CaseInsensitive) == 0 && !column.origin.isEmpty()) {
            names << quoteIdentifier(column.origin);
            positions.push_back(c);
        }
    }
    if (names.isEmpty())
        return row;
    const ResultSet stored =
        m_db.queryNative(QStringLiteral("SELECT %1 FROM %2 WHERE rowid=?")
                             .arg(names.join(QLatin1Char(',')), quoteIdentifier(m_baseTable)),
                         {DbValue(rowid)});
    if (stored.rows.empty())
        return row;
    for (size_t i = 0; i < positions.size(); ++i)
        row[size_t(positions[i])] = stored.rows[0][i];
    return row;
}
