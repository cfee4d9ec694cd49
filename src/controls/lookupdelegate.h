#pragma once

#include "controls/griddelegate.h"
#include <QColor>

#include <functional>
#include <optional>

class DbValue;

// Edits a lookup column with a drop-down list of the lookup's names; each entry may have
// a background of its own, by its key.
class LookupDelegate : public GridDelegate
{
    Q_OBJECT
public:
    using Background = std::function<std::optional<QColor>(const DbValue& key)>;
    LookupDelegate(Background background, QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

private:
    Background m_background;
};
