#pragma once

#include "controls/cursormodel.h"

#include <QWidget>

#include <memory>

class DataGrid;
class DbNavigator;
class HintBar;
class LogStore;
class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QSlider;
class QTimer;
struct MainState;
struct Services;

// The right frame of the main window, "Список": the log of the current contest on the
// chosen band in a grid, its navigator, the "Редактор" check box, the font-size slider and
// the hint bar. Its caption is a label of its own, so that counting rows after every save
// repaints the caption alone and not the whole frame.
class LogView : public QWidget
{
    Q_OBJECT
public:
    LogView(LogStore& store, MainState& state, const Services& services, QWidget* parent = nullptr);
    ~LogView() override;

    enum Column {
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
        PositionColumn, // the position that logged the contact, shown for a shared contest
        ColumnCount
    };
    // The names of a column's width, caption and hint settings. The position column's are its
    // own: "GridColumnWidth12" would begin with "GridColumnWidth1".
    static QString widthSetting(int column);
    static QString captionSetting(int column);
    static QString hintSetting(int column);

    // The log cursor: the contest and band of the main state, in the sort order.
    Cursor& log() { return *m_log; }
    DataGrid* grid() const { return m_grid; }
    DbNavigator* navigator() const { return m_navigator; }
    QCheckBox* editorCheck() const { return m_editor; }
    QSlider* fontSlider() const { return m_fontSlider; }
    HintBar* hintBar() const { return m_hintBar; }

    // The band (BandColumn) or mode (ModeColumn) names the grid shows for identifiers.
    void openLookup(Column column);
    // The names of that lookup, in identifier order.
    QStringList lookupNames(Column column) const;
    // Reopens the log of the current contest and band; the newest contact is current.
    void q1Set();
    // The position column shows while the current contest is shared.
    void showPositionColumn();
    // Widths, captions and hints of the columns from the settings; the mode column no narrower
    // than its longest name.
    void applyColumnSettings();
    // The call, sent number and received number columns follow the font size; the mode column
    // widens to its longest name in the new size.
    void applyFontSize(int size);
    // Editor mode: cells editable, computed columns read-only and grey.
    void applyEditorMode();
    // The width of a column as the settings keep it: a column the viewer hides keeps the
    // width it had; the position column, while hidden, stores nothing.
    std::optional<int> columnWidthToStore(int column) const;
    // The frame caption counts the rows in the order they were logged.
    void updateCaption();
    QString caption() const;
    // The band list's text, as the erase question names it.
    void setBandName(const QString& name) { m_bandName = name; }
    // The grid shows the contacts of a viewed EDI file (read into ContestListRead) in place
    // of the log, read-only, for as long as the program runs; the caption counts its rows
    // under the file's path.
    void showFile(const QString& path);
    // A contact was saved: it joins the rows in its place, the newest is current.
    void contactAdded(qint64 rowid, double sentNumber);
    // The log changed under the grid (another position's contacts arrived): it is read again
    // with the same contact current, or the newest when the newest was; while a row or a cell
    // is being edited, once the edit is done.
    void refresh();

    // The sort order of the radio items ("ASC" first contact on top), stored unless
    // applying what was stored.
    void applySortOrder(bool store);
    // Serial numbers plain or padded to three digits (GridOptionsNol 1 or 0).
    void applyNumberDisplay(bool padded, bool store);
    // Ctrl+click on a title: rename the column, in the grid and in the settings.
    void renameColumn(int column);
    // "Стереть все записи": behind the confirmation code and a question.
    void eraseBandLog();
    // "Открыть QTH в браузере": the web map at the current contact's locator.
    void openLocatorInBrowser();
    // "Пересчитать расстояние и очки" for the current row.
    void rescoreCurrentRow();
    QAction* action(const QString& objectName) const;
    QMenu* normalMenu() const { return m_normalMenu; }
    QMenu* editorMenu() const { return m_editorMenu; }
    // Captions and enabled state of the context menus for the current row.
    void prepareMenus();

    // Cell background by column: mode, reports and numbers, azimuth sector.
    static std::optional<QColor> cellBackground(int column, const DbValue& mode, const DbValue& azimuth);

signals:
    // The log changed under the grid: the entry panel recomputes what follows from it.
    void logChanged();
    // Double click: the current row's call and locator for the entry fields.
    void contactPicked(const QString& call, const QString& locator);
    // The band log was erased.
    void bandLogErased();

private:
    QVector<GridColumnSpec> designColumns() const;
    // The width the mode column needs for its longest name in the grid's font; a stored width
    // chosen under a smaller font would cut "MSK144".
    int modeColumnLeast() const;
    void buildMenus();
    void showContextMenu(const QPoint& position);

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
    HintBar* m_hintBar;
    QLabel* m_caption;
    QMenu* m_normalMenu = nullptr;
    QMenu* m_editorMenu = nullptr;
    QString m_bandName;
    QString m_viewedPath;
    int m_hiddenBandWidth = 0;
    QTimer* m_refreshLater = nullptr;
};
