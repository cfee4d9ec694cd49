#include "controls/griddelegate.h"

#include "platform/localeformat.h"

#include <QDateTimeEdit>
#include <QPainter>

namespace {

constexpr int kPadding = 2;
constexpr qsizetype kMaxKeptTexts = 20000;

} // namespace

const QStaticText& GridDelegate::laidOut(const QString& text, const QFont& font) const
{
    auto fonts =
        std::find_if(m_fonts.begin(), m_fonts.end(), [&](const FontTexts& f) { return f.font == font; });
    if (fonts == m_fonts.end()) {
        m_fonts.push_back({font, {}});
        fonts = m_fonts.end() - 1;
    }
    QHash<QString, QStaticText>& texts = fonts->texts;
    auto it = texts.constFind(text);
    if (it == texts.constEnd()) {
        if (texts.size() >= kMaxKeptTexts)
            texts.clear();
        QStaticText laid(text);
        laid.setTextFormat(Qt::PlainText);
        laid.prepare(QTransform(), font);
        it = texts.insert(text, laid);
    }
    return *it;
}

void GridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const
{
    const bool selected = option.state & QStyle::State_Selected;
    if (selected) {
        painter->fillRect(option.rect, option.palette.highlight());
    } else {
        const QVariant background = index.data(Qt::BackgroundRole);
        if (background.isValid())
            painter->fillRect(option.rect, background.value<QColor>());
    }
    const QString text = index.data(Qt::DisplayRole).toString();
    if (text.isEmpty())
        return;
    const QVariant fontData = index.data(Qt::FontRole);
    const QFont font = fontData.isValid() ? fontData.value<QFont>().resolve(option.font) : option.font;
    const QStaticText& laid = laidOut(text, font);

    const QVariant foreground = index.data(Qt::ForegroundRole);
    const QRect area = option.rect.adjusted(kPadding, 0, -kPadding, 0);
    const QSizeF size = laid.size();
    const Qt::Alignment alignment = Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt());
    const qreal x = alignment & Qt::AlignRight ? area.right() - size.width() + 1 : area.left();
    const qreal y = area.top() + (area.height() - size.height()) / 2;
    const bool overflows = size.width() > area.width() || size.height() > option.rect.height();

    const QFont oldFont = painter->font();
    const QPen oldPen = painter->pen();
    painter->setFont(font);
    painter->setPen(selected ? option.palette.color(QPalette::HighlightedText)
                             : (foreground.isValid() ? foreground.value<QColor>()
                                                     : option.palette.color(QPalette::Text)));
    if (overflows) {
        // A text wider than its cell is cut at the cell's edge, as grids do.
        painter->save();
        painter->setClipRect(option.rect);
        painter->drawStaticText(QPointF(area.left(), y), laid);
        painter->restore();
    } else {
        painter->drawStaticText(QPointF(x, y), laid);
    }
    painter->setFont(oldFont);
    painter->setPen(oldPen);
}

QWidget* GridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const
{
    if (index.data(Qt::EditRole).metaType().id() != QMetaType::QDateTime)
        return QStyledItemDelegate::createEditor(parent, option, index);
    auto* editor = new QDateTimeEdit(parent);
    editor->setTimeSpec(Qt::UTC);
    // The regional date and time, with the whole year: a contest date is typed in full.
    QString date = shortDateFormat();
    if (!date.contains(QLatin1String("yyyy")))
        date.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    editor->setDisplayFormat(date + QLatin1Char(' ') + longTimeFormat());
    editor->setFrame(false);
    return editor;
}

void GridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    if (auto* dateTime = qobject_cast<QDateTimeEdit*>(editor)) {
        dateTime->setDateTime(index.data(Qt::EditRole).toDateTime().toUTC());
        return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
}

void GridDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    if (auto* dateTime = qobject_cast<QDateTimeEdit*>(editor)) {
        model->setData(index, dateTime->dateTime().toUTC(), Qt::EditRole);
        return;
    }
    QStyledItemDelegate::setModelData(editor, model, index);
}

void GridDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                        const QModelIndex& index) const
{
    QStyledItemDelegate::updateEditorGeometry(editor, option, index);
    if (qobject_cast<QDateTimeEdit*>(editor))
        editor->resize(std::max(editor->width(), editor->sizeHint().width()), editor->height());
}
