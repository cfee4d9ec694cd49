#include "controls/cursormodel.h"

#include "store/daycount.h"
#include "store/errors.h"

#include <QDateTime>

CursorModel::CursorModel(Cursor* cursor, QObject* parent) : QAbstractTableModel(parent)
{
    setCursor(cursor);
}

void CursorModel::setCursor(Cursor* cursor)
{
    beginResetModel();
    for (auto& c : m_connections)
        disconnect(c);
    m_cursor = cursor;
    connectCursor();
    findFields();
    endResetModel();
}

void CursorModel::connectCursor()
{
    if (!m_cursor)
        return;
    m_connections[0] = connect(m_cursor, &Cursor::reset, this, [this] {
        beginResetModel();
        findFields(); // field positions may differ after a reopen
        endResetModel();
    });
    m_connections[1] = connect(m_cursor, &Cursor::rowChanged, this, [this](int row) {
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    });
    m_connections[2] = connect(m_cursor, &Cursor::rowInserted, this, [this](int row) {
        beginInsertRows(QModelIndex(), row, row);
        endInsertRows();
    });
    m_connections[3] = connect(m_cursor, &Cursor::rowRemoved, this, [this](int row) {
        beginRemoveRows(QModelIndex(), row, row);
        endRemoveRows();
    });
    m_connections[4] = connect(m_cursor, &Cursor::stateChanged, this, [this] {
        if (rowCount() > 0)
            emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
    });
    // The indicator column marks the current row.
    m_connections[5] = connect(m_cursor, &Cursor::currentRowChanged, this, [this](int row) {
        if (m_indicatorRow >= 0 && m_indicatorRow < rowCount())
            emit headerDataChanged(Qt::Vertical, m_indicatorRow, m_indicatorRow);
        m_indicatorRow = row;
        if (row >= 0 && row < rowCount())
            emit headerDataChanged(Qt::Vertical, row, row);
    });
}

void CursorModel::setColumns(QVector<GridColumnSpec> columns)
{
    const bool countChanged = columns.size() != m_columns.size();
    if (countChanged)
        beginResetModel();
    m_columns = std::move(columns);
    findFields();
    if (countChanged)
        endResetModel();
}

void CursorModel::findFields()
{
    m_fieldIndex.clear();
    for (const GridColumnSpec& c : std::as_const(m_columns)) {
        const QString& field = c.keyField.isEmpty() ? c.field : c.keyField;
        m_fieldIndex.push_back(m_cursor ? m_cursor->fieldIndex(field) : -1);
    }
}

void CursorModel::refreshColumns()
{
    setColumns(m_columns);
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

void CursorModel::setColumnTitle(int column, const QString& title)
{
    m_columns[column].title = title;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

void CursorModel::setEditable(bool editable)
{
    m_editable = editable;
}

void CursorModel::setRowNumbers(bool on)
{
    m_rowNumbers = on;
    if (rowCount() > 0)
        emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
}

void CursorModel::setUtcNow(std::function<QDateTime()> utcNow)
{
    m_utcNow = std::move(utcNow);
}

void CursorModel::setBackground(std::function<std::optional<QColor>(int, int)> background)
{
    m_background = std::move(background);
}

int CursorModel::fieldOf(int column) const
{
    return column >= 0 && size_t(column) < m_fieldIndex.size() ? m_fieldIndex[size_t(column)] : -1;
}

DbValue CursorModel::value(int row, int column) const
{
    if (!m_cursor)
        return {};
    return m_cursor->value(row, fieldOf(column));
}

int CursorModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_cursor ? 0 : m_cursor->rowCount();
}

int CursorModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QString CursorModel::displayText(int row, int column) const
{
    const GridColumnSpec& def = m_columns[column];
    const DbValue v = value(row, column);
    QString text;
    if (!def.lookup.empty() && !v.isNull()) {
        for (const auto& [key, name] : def.lookup) {
            if (key == v) {
                text = name;
                break;
            }
        }
    } else if (def.display) {
        text = def.display(v);
    } else {
        text = v.displayText();
    }
    if (def.maxChars > 0)
        text.truncate(def.maxChars);
    return text;
}

QVariant CursorModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !m_cursor)
        return {};
    const GridColumnSpec& def = m_columns[index.column()];
    switch (role) {
    case Qt::DisplayRole:
        return displayText(index.row(), index.column());
    case Qt::EditRole: {
        const DbValue v = value(index.row(), index.column());
        switch (v.kind()) {
        case DbValue::Kind::Null: {
            // An empty date-time is edited as one: today (UTC, as the log) at midnight.
            const int field = fieldOf(index.column());
            if (field >= 0 && Database::kindOfDeclaredType(m_cursor->columns()[field].declaredType) ==
                                  DbValue::Kind::DateTime)
                return QDateTime((m_utcNow ? m_utcNow() : QDateTime::currentDateTimeUtc()).date(),
                                 QTime(0, 0), Qt::UTC);
            return QString();
        }
        case DbValue::Kind::DateTime:
            return fromDayCount(v.toDouble());
        case DbValue::Kind::Integer:
            return def.lookup.empty() ? QVariant(v.toInt())
                                      : QVariant(displayText(index.row(), index.column()));
        case DbValue::Kind::Double:
            return v.toDouble();
        case DbValue::Kind::Boolean:
            return v.toBool();
        case DbValue::Kind::Text:
            return v.toString();
        }
        return {};
    }
    case Qt::BackgroundRole:
        if (m_background) {
            if (const auto color = m_background(index.row(), index.column()))
                return *color;
        }
        return {};
    case Qt::TextAlignmentRole: {
        const DbValue v = value(index.row(), index.column());
        const bool number =
            def.lookup.empty() && (v.kind() == DbValue::Kind::Integer || v.kind() == DbValue::Kind::Double);
        return int((number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    }
    case Qt::ForegroundRole:
        return def.foreground ? QVariant(*def.foreground) : QVariant();
    case Qt::FontRole:
        if (def.bold || def.pointSize > 0) {
            QFont font;
            font.setBold(def.bold);
            if (def.pointSize > 0)
                font.setPointSize(def.pointSize);
            return font;
        }
        return {};
    default:
        return {};
    }
}

bool CursorModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || !m_cursor)
        return false;
    const GridColumnSpec& def = m_columns[index.column()];
    const int field = fieldOf(index.column());
    if (field < 0)
        return false;
    DbValue v;
    if (!def.lookup.empty()) {
        for (const auto& [key, name] : def.lookup) {
            if (name == value.toString())
                v = key;
        }
    } else if (value.metaType().id() == QMetaType::QDateTime) {
        v = DbValue::dateTime(toDayCount(value.toDateTime().toUTC()));
    } else if (value.metaType().id() == QMetaType::Bool) {
        v = DbValue::boolean(value.toBool());
    } else if (value.metaType().id() == QMetaType::Int || value.metaType().id() == QMetaType::LongLong) {
        v = DbValue(value.toLongLong());
    } else if (value.metaType().id() == QMetaType::Double) {
        v = DbValue(value.toDouble());
    } else if (!value.toString().isEmpty()) {
        if (def.accepts && !def.accepts(value.toString())) {
            reportPostFailure(def.refusal);
            return false;
        }
        v = DbValue(value.toString());
    }
    try {
        if (m_cursor->currentRow() != index.row())
            m_cursor->setCurrentRow(index.row());
        if (m_cursor->value(index.row(), field) == v)
            return true;
        m_cursor->setValue(field, v);
        // An edited row is stored at once; a new row waits until it is complete.
        if (m_cursor->state() == Cursor::State::Edit)
            m_cursor->post();
    } catch (const KovraError& e) {
        if (m_cursor->state() == Cursor::State::Edit)
            m_cursor->cancel();
        reportPostFailure(e.boxText());
        return false;
    }
    return true;
}

void CursorModel::reportPostFailure(const QString& message)
{
    QMetaObject::invokeMethod(
        this, [this, message] { emit postFailed(message); }, Qt::QueuedConnection);
}

Qt::ItemFlags CursorModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (m_editable && index.isValid() && !m_columns[index.column()].readOnly)
        f |= Qt::ItemIsEditable;
    return f;
}

QVariant CursorModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= m_columns.size())
            return {};
        const GridColumnSpec& def = m_columns[section];
        if (role == Qt::DisplayRole)
            return QString(def.title).replace(QLatin1Char('|'), QLatin1Char('\n'));
        if (role == Qt::UserRole) // the title as stored, "|" and all
            return def.title;
        if (role == Qt::ToolTipRole && !def.hint.isEmpty())
            return def.hint;
        return {};
    }
    if (role == Qt::DisplayRole) {
        const bool current = m_cursor && section == m_cursor->currentRow();
        if (current && m_cursor->state() != Cursor::State::Browse)
            return m_cursor->state() == Cursor::State::Insert ? QStringLiteral("*") : QStringLiteral("I");
        if (m_rowNumbers)
            return section + 1;
        return current ? QStringLiteral("▶") : QString();
    }
    return {};
}
