#pragma once

#include <QDialog>

#include <functional>
#include <memory>

class Cursor;
class DataGrid;
class DbNavigator;
class LogStore;
struct Services;

// The reference-table editor, "Редактор табличных данных": any table given by a query text,
// its key column hidden, titles and hints from the settings named after the fields. Every
// save or delete is reported through `changed`, so that the window that opened it can
// rebuild what it took from the table.
class Tfedittable : public QDialog
{
    Q_OBJECT
public:
    Tfedittable(LogStore& store, const Services& services, const QString& queryText,
                std::function<void()> changed, QWidget* parent = nullptr);
    ~Tfedittable() override;

    Cursor& rows() { return *m_rows; }
    DataGrid* grid() const { return m_grid; }
    DbNavigator* navigator() const { return m_navigator; }

protected:
    void done(int result) override;
    // Esc closes the window before any control sees it, an open cell edit included.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildColumns();

    LogStore& m_store;
    const Services& m_services;
    std::unique_ptr<Cursor> m_rows; // q1
    DataGrid* m_grid;
    DbNavigator* m_navigator;
};

// The table a "SELECT ... FROM Table" text reads, without brackets; empty when none.
QString tableOfQuery(const QString& queryText);
