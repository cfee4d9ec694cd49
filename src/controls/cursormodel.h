#pragma once

#include "store/cursor.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QDateTime>
#include <QFont>

#include <functional>
#include <optional>

// One column of a data grid: which field it shows and how.
struct GridColumnSpec
{
    QString field;
    int width = 64;
    QString title; // "|" starts a new title line
    QString hint;
    bool readOnly = false;
    // How a value reads in the cell; plain text of the value when not set.
    std::function<QString(const DbValue&)> display;
    // A lookup column shows the text that `lookup` gives for the key field's value and
    // offers the lookup's entries when edited.
    QString keyField;
    std::vector<std::pair<DbValue, QString>> lookup;
    int maxChars = 0; // 0: no limit
    // A typed text this refuses is not stored; the cell keeps its value and the grid says why.
    std::function<bool(const QString&)> accepts;
    QString refusal;
    std::optional<QColor> foreground;
    bool bold = false;
    int pointSize = 0; // 0: the grid's own
};

// A cursor as a table for Qt's views: rows in the cursor's order, the current row kept in
// step, edits written through the cursor (which posts them to the database).
class CursorModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    CursorModel(Cursor* cursor, QObject* parent = nullptr);

    void setCursor(Cursor* cursor);
    Cursor* cursor() const { return m_cursor; }

    void setColumns(QVector<GridColumnSpec> columns);
    const QVector<GridColumnSpec>& columns() const { return m_columns; }
    GridColumnSpec& column(int i) { return m_columns[i]; }
    // Tell the views that column settings (format, fonts) changed.
    void refreshColumns();
    void setColumnTitle(int column, const QString& title);

    void setEditable(bool editable);
    bool isEditable() const { return m_editable; }
    void setRowNumbers(bool on);
    // The program's UTC now, which an empty date-time cell offers when edited; the system's
    // UTC when not set.
    void setUtcNow(std::function<QDateTime()> utcNow);
    // Background of a cell; no value keeps the view's own.
    void setBackground(std::function<std::optional<QColor>(int row, int column)> background);

    // The value behind a cell: the key of a lookup column, else its field.
    DbValue value(int row, int column) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    QString displayText(int row, int column) const;

    // Says that the database refused an edit, once the event loop is back: a box opened
    // while a cell editor hands over its text would run inside the editor's own call, and
    // the view may close that editor under it.
    void reportPostFailure(const QString& message);

signals:
    // An edit the database refused; the row shows what is stored again.
    void postFailed(const QString& message);

private:
    int fieldOf(int column) const;
    void findFields();
    void connectCursor();

    Cursor* m_cursor = nullptr;
    QVector<GridColumnSpec> m_columns;
    std::vector<int> m_fieldIndex;
    bool m_editable = false;
    bool m_rowNumbers = true;
    std::function<std::optional<QColor>(int, int)> m_background;
    std::function<QDateTime()> m_utcNow;
    QMetaObject::Connection m_connections[6];
    int m_indicatorRow = -1;
};
