#pragma once

#include <QString>

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

void restoreWindowGeometry(LogStore& store, QWidget& window, const WindowSettingNames& names);
void saveWindowGeometry(LogStore& store, const QWidget& window, const WindowSettingNames& names);

// A grid column as stored: a width that is present and not 0 (at least 10) brings its
// caption and hint with it; an absent or 0 width keeps the design width, caption and hint.
// A caption row that is missing keeps the design caption.
void applyStoredColumn(LogStore& store, GridColumnSpec& column, const QString& widthName,
                       const QString& captionName, const QString& hintName = QString());
