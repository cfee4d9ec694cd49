#pragma once

#include "controls/cursormodel.h"

#include <QGroupBox>

#include <memory>

class DataGrid;
class DbNavigator;
class LogStore;
class QCheckBox;
class QLabel;
class QSlider;
struct MainState;
struct Services;

// The right frame of the main window, "Список": the log of the current contest on the
// chosen band in a grid, its navigator, the "Редактор" check box, the font-size slider and
// the hint bar.
class LogView : public QGroupBox
{
    Q_OBJECT
public:
    LogView(LogStore& store, MainState& state, const Services& services, QWidget* parent = nullptr);
    ~LogView() override;

    enum Column
    {
        BandColumn,
        ModeColumn,
        CallColumn,
        LocatorColumn,
        TimeColumn,
        SentReportColumn,
        SentNumberColumn,
        ReceivedReportColumn,
        ReceivedNumberColumn,
        AzimuthColumn,
        DistanceColumn,
        PointsColumn,
        ColumnCount
    };

    // The log cursor: the contest and band of the main state, in the sort order.
    Cursor& log() { return *m_log; }
    DataGrid* grid() const { return m_grid; }
    DbNavigator* navigator() const { return m_navigator; }
    QCheckBox* editorCheck() const { return m_editor; }
    QSlider* fontSlider() const { return m_fontSlider; }
    QLabel* hintBar() const { return m_hintBar; }

    // The band and mode names the grid shows for their identifiers.
    void openLookups();
    // Reopens the log of the current contest and band; the newest contact is current.
    void q1Set();
    // Widths, captions and hints of the columns from the settings.
    void applyColumnSettings();
    // The call, sent number and received number columns follow the font size.
    void applyFontSize(int size);
    // Editor mode: cells editable, computed columns read-only and grey.
    void applyEditorMode();
    // The frame caption counts the rows in the order they were logged.
    void updateCaption();

private:
    QVector<GridColumnSpec> designColumns() const;

    LogStore& m_store;
    MainState& m_state;
    const Services& m_services;
    std::unique_ptr<Cursor> m_log;
    std::unique_ptr<Cursor> m_bands;
    std::unique_ptr<Cursor> m_modes;
    DataGrid* m_grid;
    DbNavigator* m_navigator;
    QCheckBox* m_editor;
    QSlider* m_fontSlider;
    QLabel* m_hintBar;
};
