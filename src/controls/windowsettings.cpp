#include "controls/windowsettings.h"

#include "controls/cursormodel.h"
#include "store/logstore.h"

#include <QScreen>
#include <QWidget>

namespace {

// Set once a window has been placed, so that showing it again keeps it where it stood.
constexpr char kPlacedProperty[] = "kovraPlaced";

} // namespace

void restoreWindowGeometry(LogStore& store, QWidget& window, const WindowSettingNames& names,
                           std::optional<QPoint> designedPlace)
{
    auto stored = [&store](const QString& name) -> std::optional<int> {
        if (name.isEmpty())
            return std::nullopt;
        return store.intSetting(name);
    };
    QSize size = window.size();
    if (const auto height = stored(names.height))
        size.setHeight(*height);
    if (const auto width = stored(names.width))
        size.setWidth(*width);
    window.resize(size);

    const auto top = stored(names.top);
    const auto left = stored(names.left);
    if (!top && !left && window.property(kPlacedProperty).toBool())
        return;
    if (designedPlace)
        window.move(*designedPlace);
    else
        centreOn(window, window.parentWidget());
    if (top || left)
        window.move(left.value_or(window.x()), top.value_or(window.y()));
    window.setProperty(kPlacedProperty, true);
}

void centreOn(QWidget& window, const QWidget* owner)
{
    QRect area;
    QSize decoration; // a window not yet shown has no frame: take the owner's
    if (owner) {
        const QWidget* ownerWindow = owner->window();
        area = ownerWindow->frameGeometry();
        decoration = area.size() - ownerWindow->size();
    } else if (const QScreen* screen = window.screen()) {
        area = screen->availableGeometry();
    }
    if (area.isEmpty())
        return;
    const QSize frame = window.isVisible() ? window.frameGeometry().size() : window.size() + decoration;
    window.move(area.x() + (area.width() - frame.width()) / 2,
                area.y() + (area.height() - frame.height()) / 2);
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
