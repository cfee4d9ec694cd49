#include "controls/windowsettings.h"

#include "controls/cursormodel.h"
#include "store/logstore.h"

#include <QWidget>

void restoreWindowGeometry(LogStore& store, QWidget& window, const WindowSettingNames& names)
{
    QPoint position = window.pos();
    QSize size = window.size();
    auto apply = [&store](const QString& name, auto set) {
        if (name.isEmpty())
            return;
        if (const auto value = store.intSetting(name))
            set(*value);
    };
    apply(names.top, [&](int v) { position.setY(v); });
    apply(names.left, [&](int v) { position.setX(v); });
    apply(names.height, [&](int v) { size.setHeight(v); });
    apply(names.width, [&](int v) { size.setWidth(v); });
    window.move(position);
    window.resize(size);
}

void saveWindowGeometry(LogStore& store, const QWidget& window, const WindowSettingNames& names)
{
    const std::pair<const QString&, int> values[] = {{names.top, window.y()},
                                                     {names.left, window.x()},
                                                     {names.height, window.height()},
                                                     {names.width, window.width()}};
    for (const auto& [name, value] : values) {
        if (!name.isEmpty())
            store.SetSet(name, LogStore::IntegerSetting, value);
    }
}

void applyStoredColumn(LogStore& store, GridColumnSpec& column, const QString& widthName,
                       const QString& captionName, const QString& hintName)
{
    const auto width = store.intSetting(widthName);
    if (!width || *width == 0)
        return;
    column.width = std::max(*width, 10);
    column.title = store.textSetting(captionName).value_or(column.title);
    if (hintName.isEmpty())
        return;
    if (const auto hint = store.textSetting(hintName))
        column.hint = *hint;
}
