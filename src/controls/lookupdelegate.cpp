#include "controls/lookupdelegate.h"

#include "controls/cursormodel.h"

#include <QComboBox>

LookupDelegate::LookupDelegate(Background background, QObject* parent)
    : GridDelegate(parent), m_background(std::move(background))
{}

QWidget* LookupDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                      const QModelIndex& index) const
{
    const auto* model = qobject_cast<const CursorModel*>(index.model());
    if (!model || model->columns()[index.column()].lookup.empty())
        return GridDelegate::createEditor(parent, option, index);
    auto* list = new QComboBox(parent);
    for (const auto& [key, name] : model->columns()[index.column()].lookup) {
        list->addItem(name);
        if (m_background) {
            if (const auto color = m_background(key))
                list->setItemData(list->count() - 1, *color, Qt::BackgroundRole);
        }
    }
    return list;
}

void LookupDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    if (auto* list = qobject_cast<QComboBox*>(editor)) {
        list->setCurrentIndex(list->findText(index.data(Qt::DisplayRole).toString()));
        return;
    }
    GridDelegate::setEditorData(editor, index);
}

void LookupDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    if (auto* list = qobject_cast<QComboBox*>(editor)) {
        model->setData(index, list->currentText(), Qt::EditRole);
        return;
    }
    GridDelegate::setModelData(editor, model, index);
}
