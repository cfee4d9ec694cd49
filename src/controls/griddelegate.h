#pragma once

#include <QFont>
#include <QHash>
#include <QStaticText>
#include <QStyledItemDelegate>

#include <vector>

// Paints grid cells the quick way: the background, then the text laid out once and kept,
// so that a repaint after every saved contact costs little. Editing is the styled
// delegate's own, but for date-times.
class GridDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    // A date-time is edited in UTC, as the log holds it, whatever the computer's zone.
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    // A date-time editor is as wide as its text needs, wider than a narrow column.
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

private:
    const QStaticText& laidOut(const QString& text, const QFont& font) const;

    struct FontTexts
    {
        QFont font;
        QHash<QString, QStaticText> texts;
    };
    mutable std::vector<FontTexts> m_fonts;
};
