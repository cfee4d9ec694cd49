#pragma once

#include <QDialog>

#include <memory>

class Cursor;
class DataGrid;
class DbNavigator;
class LogStore;
class QGroupBox;
struct Services;

// The bands window, "Диапазоны": the points-per-kilometre factor of each band and the offset of
// its transverter, if the rig works it through one. The set of bands is fixed: no band is added
// or removed here, so no contact loses its band.
class Tfband : public QDialog
{
    Q_OBJECT
public:
    Tfband(LogStore& store, const Services& services, QWidget* parent = nullptr);
    ~Tfband() override;

    Cursor& bands() { return *m_bands; }
    DataGrid* grid() const { return m_grid; }
    DbNavigator* navigator() const { return m_navigator; }
    QGroupBox* frame() const { return m_frame; }

protected:
    void done(int result) override;

private:
    void restoreSettings();
    void saveSettings();
    void updateCaption();

    LogStore& m_store;
    const Services& m_services;
    std::unique_ptr<Cursor> m_bands; // q1
    QGroupBox* m_frame;
    DataGrid* m_grid;
    DbNavigator* m_navigator;
    bool m_built = false; // the list and the stored columns were read
};
