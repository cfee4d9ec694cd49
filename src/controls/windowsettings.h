#pragma once

#include <QPoint>
#include <QString>

#include <optional>

class LogStore;
class QWidget;
struct GridColumnSpec;

// Where a window is and how large, kept as four integer settings: restored from those that
// are present, stored whatever the window's state. An empty name skips that value.
struct WindowSettingNames
{
    QString top;
    QString left;
    QString height;
    QString width;
};

// A window opens where it was: at its stored place, else where it stood earlier in this run,
// else at its designed place when it has one, else centred on the window it belongs to
// (the main window). A stored size applies whatever the place.
void restoreWindowGeometry(LogStore& store, QWidget& window, const WindowSettingNames& names,
                           std::optional<QPoint> designedPlace = std::nullopt);

// The window centred on `owner`'s window, or on the screen when it has none.
void centreOn(QWidget& window, const QWidget* owner);
void saveWindowGeometry(LogStore& store, const QWidget& window, const WindowSettingNames& names);

// A grid column as stored: a width that is present and not 0 (at least 10) brings its
// caption and hint with it; an absent or 0 width keeps the design width, caption and hint.
// A caption row that is missing keeps the design caption.
void applyStoredColumn(LogStore& store, GridColumnSpec& column, const QString& widthName,
                       const QString& captionName, const QString& hintName = QString());
