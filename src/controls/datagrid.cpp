#include "controls/datagrid.h"

#include "controls/griddelegate.h"
#include "controls/hinttimes.h"
#include "platform/guarded.h"

#include <QAction>
#include <QApplication>
#include <QHelpEvent>
#include <QToolTip>

#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionFrame>
#include <QStyleOptionHeader>

// The footer under one column: a raised cell whose text changes without any relayout.
class FooterCell : public QWidget
{
public:
    using QWidget::QWidget;
    QString text() const { return m_text; }
    void setText(const QString& text)
    {
        if (text == m_text)
            return;
        m_text = text;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        QStyleOptionFrame frame;
        frame.initFrom(this);
        frame.lineWidth = 1;
        frame.state |= QStyle::State_Raised;
        style()->drawPrimitive(QStyle::PE_Frame, &frame, &painter, this);
        QFont bold = font();
        bold.setBold(true);
        painter.setFont(bold);
        painter.drawText(rect().adjusted(2, 0, -3, 0), Qt::AlignRight | Qt::AlignVCenter, m_text);
    }

private:
    QString m_text;
};

// Titles drawn on two levels when grouped: each column paints its share of the upper title
// it has in common with its neighbours, so the upper text reads as one.
class TitleHeader : public QHeaderView
{
public:
    explicit TitleHeader(DataGrid* grid) : QHeaderView(Qt::Horizontal, grid), m_grid(grid) {}
    bool grouped = false;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override
    {
        const QString title = model()->headerData(logicalIndex, Qt::Horizontal, Qt::UserRole).toString();
        const qsizetype bar = title.indexOf(QLatin1Char('|'));
        if (!grouped || bar < 0) {
            QHeaderView::paintSection(painter, rect, logicalIndex);
            return;
        }
        const int upperHeight = rect.height() / 2;
        QStyleOptionHeader option;
        initStyleOption(&option);
        option.section = logicalIndex;
        option.textAlignment = Qt::AlignCenter;

        const auto [first, last] = m_grid->titleGroup(logicalIndex);
        option.rect = QRect(
            sectionViewportPosition(first), rect.top(),
            sectionViewportPosition(last) + sectionSize(last) - sectionViewportPosition(first), upperHeight);
        option.text = title.left(bar);
        painter->save();
        painter->setClipRect(QRect(rect.left(), rect.top(), rect.width(), upperHeight));
        style()->drawControl(QStyle::CE_Header, &option, painter, this);
        painter->restore();

        option.rect = QRect(rect.left(), rect.top() + upperHeight, rect.width(), rect.height() - upperHeight);
        option.text = title.mid(bar + 1);
        style()->drawControl(QStyle::CE_Header, &option, painter, this);
    }

private:
    DataGrid* m_grid;
};

DataGrid::DataGrid(QWidget* parent)
    : QTableView(parent), m_model(new CursorModel(nullptr, this)), m_titles(new TitleHeader(this))
{
    setHorizontalHeader(m_titles);
    setModel(m_model);
    setItemDelegate(new GridDelegate(this));
    horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setMinimumSectionSize(10);
    horizontalHeader()->viewport()->setMouseTracking(true); // column hints follow the mouse
    verticalHeader()->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    horizontalHeader()->viewport()->installEventFilter(this);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &DataGrid::titleClicked);
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        updateFooter();
        if (cursor())
            followCursor(cursor()->currentRow());
    });
    connect(m_model, &QAbstractItemModel::dataChanged, this, &DataGrid::updateFooter);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &DataGrid::updateFooter);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &DataGrid::updateFooter);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this] { updateGeometries(); });
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { updateGeometries(); });
}

void DataGrid::setCursor(Cursor* cursor)
{
    if (m_model->cursor())
        disconnect(m_model->cursor(), &Cursor::currentRowChanged, this, &DataGrid::followCursor);
    m_model->setCursor(cursor);
    if (cursor) {
        connect(cursor, &Cursor::currentRowChanged, this, &DataGrid::followCursor);
        followCursor(cursor->currentRow());
    }
    updateFooter();
}

void DataGrid::setColumns(const QVector<GridColumnSpec>& columns)
{
    m_model->setColumns(columns);
    for (int i = 0; i < columns.size(); ++i)
        setColumnWidth(i, columns[i].width);
    fitHeader();
}

void DataGrid::setColumnTitle(int column, const QString& title)
{
    m_model->setColumnTitle(column, title);
    fitHeader();
}

void DataGrid::setColumnHint(int column, const QString& hint)
{
    m_model->column(column).hint = hint;
}

QString DataGrid::columnTitle(int column) const
{
    return m_model->columns()[column].title;
}

void DataGrid::fitHeader()
{
    int lines = 1;
    for (const GridColumnSpec& c : m_model->columns())
        lines = std::max(lines, int(c.title.count(QLatin1Char('|'))) + 1);
    horizontalHeader()->setMinimumHeight(fontMetrics().height() * lines + 6);
}

void DataGrid::discardOpenEdit()
{
    if (state() != EditingState)
        return;
    QWidget* editor = QApplication::focusWidget();
    while (editor && editor->parentWidget() != viewport())
        editor = editor->parentWidget();
    if (editor)
        closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
}

int DataGrid::firstEditableColumn() const
{
    const QHeaderView* titles = horizontalHeader();
    int firstShown = -1;
    for (int v = 0; v < titles->count(); ++v) {
        const int logical = titles->logicalIndex(v);
        if (titles->isSectionHidden(logical))
            continue;
        if (firstShown < 0)
            firstShown = logical;
        if (m_model->isEditable() && !m_model->columns()[logical].readOnly)
            return logical;
    }
    return firstShown;
}

int DataGrid::shownCurrentColumn() const
{
    const int column = currentIndex().column();
    if (column >= 0 && column < m_model->columnCount() && !isColumnHidden(column))
        return column;
    return firstEditableColumn();
}

void DataGrid::moveOffHiddenColumn()
{
    if (cursor())
        followCursor(cursor()->currentRow());
}

bool DataGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    if (!index.isValid())
        return QTableView::edit(index, trigger, event);
    if (!isColumnHidden(index.column()))
        return (m_model->flags(index) & Qt::ItemIsEditable) && QTableView::edit(index, trigger, event);
    if (trigger != AnyKeyPressed)
        return false;
    // A key typed while the current cell is a hidden one goes to the row's first editable cell.
    const int column = firstEditableColumn();
    if (column < 0 || column == index.column())
        return false;
    const QModelIndex target = m_model->index(index.row(), column);
    if (!(m_model->flags(target) & Qt::ItemIsEditable))
        return false;
    setCurrentIndex(target);
    return QTableView::edit(target, trigger, event);
}

void DataGrid::setGroupedTitles(bool on)
{
    m_titles->grouped = on;
    m_titles->viewport()->update();
}

std::pair<int, int> DataGrid::titleGroup(int column) const
{
    auto upperOf = [this](int logical) {
        const QString title = m_model->columns().value(logical).title;
        const qsizetype bar = title.indexOf(QLatin1Char('|'));
        return bar < 0 ? std::optional<QString>() : std::optional<QString>(title.left(bar));
    };
    const auto upper = upperOf(column);
    const QHeaderView* titles = horizontalHeader();
    int first = column;
    int last = column;
    if (!upper)
        return {first, last};
    // Neighbours by position, hidden columns passed over.
    for (int v = titles->visualIndex(column) - 1; v >= 0; --v) {
        const int logical = titles->logicalIndex(v);
        if (titles->isSectionHidden(logical))
            continue;
        if (upperOf(logical) != upper)
            break;
        first = logical;
    }
    for (int v = titles->visualIndex(column) + 1; v < titles->count(); ++v) {
        const int logical = titles->logicalIndex(v);
        if (titles->isSectionHidden(logical))
            continue;
        if (upperOf(logical) != upper)
            break;
        last = logical;
    }
    return {first, last};
}

void DataGrid::setWholeRowSelection(bool on)
{
    setSelectionBehavior(on ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
    if (cursor())
        followCursor(cursor()->currentRow());
}

void DataGrid::setEditable(bool on)
{
    m_model->setEditable(on);
    setEditTriggers(on ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                             QAbstractItemView::AnyKeyPressed
                       : QAbstractItemView::NoEditTriggers);
}

void DataGrid::enableFind(Prompts& prompts)
{
    m_prompts = &prompts;
    auto* find = new QAction(this);
    find->setObjectName(QStringLiteral("gridFind"));
    find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    find->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(find, &QAction::triggered, this, [this] { guarded(*m_prompts, [this] { findNext(); }); });
    addAction(find);
}

void DataGrid::findNext()
{
    if (!m_prompts || !cursor())
        return;
    const int column = shownCurrentColumn();
    if (column < 0)
        return;
    const std::optional<QString> text = m_prompts->askText(
        QStringLiteral("Поиск"),
        QStringLiteral("Найти в колонке \"") +
            QString(m_model->columns().value(column).title).replace(QLatin1Char('|'), QLatin1Char(' ')) +
            QStringLiteral("\":"),
        m_findText);
    if (!text || text->isEmpty())
        return;
    m_findText = *text;
    const int rows = m_model->rowCount();
    const int start = cursor()->currentRow();
    for (int step = 1; step <= rows; ++step) {
        const int row = (start + step) % rows;
        if (m_model->displayText(row, column).contains(*text, Qt::CaseInsensitive)) {
            cursor()->setCurrentRow(row);
            return;
        }
    }
    m_prompts->information(QStringLiteral("Текст \"") + *text + QStringLiteral("\" не найден."));
}

bool DataGrid::eventFilter(QObject* watched, QEvent* event)
{
    QHeaderView* titles = horizontalHeader();
    if (watched == titles->viewport() && event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const int section = titles->logicalIndexAt(help->pos());
        const QString hint = section >= 0
                                 ? m_model->headerData(section, Qt::Horizontal, Qt::ToolTipRole).toString()
                                 : QString();
        if (hint.isEmpty()) {
            QToolTip::hideText();
        } else {
            const QRect area(titles->sectionViewportPosition(section), 0, titles->sectionSize(section),
                             titles->height());
            QToolTip::showText(help->globalPos(), hint, titles->viewport(), area, kHintShowTimeMs);
        }
        return true;
    }
    return QTableView::eventFilter(watched, event);
}

void DataGrid::setSumFooter(int column)
{
    m_footerColumn = column;
    if (!m_footer) {
        m_footer = new FooterCell(this);
        m_footer->setObjectName(QStringLiteral("footer"));
    }
    updateFooter();
    updateGeometries();
}

QString DataGrid::footerText() const
{
    return m_footer ? m_footer->text() : QString();
}

void DataGrid::updateFooter()
{
    if (!m_footer || !cursor())
        return;
    double sum = 0;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const DbValue v = m_model->value(row, m_footerColumn);
        if (v.isNumeric())
            sum += v.toDouble();
    }
    m_footer->setText(QString::number(sum, 'g', 15));
}

void DataGrid::updateGeometries()
{
    if (m_footer) {
        const int height = fontMetrics().height() + 6;
        setViewportMargins(verticalHeader()->isVisible() ? verticalHeader()->width() : 0,
                           horizontalHeader()->isVisible() ? horizontalHeader()->height() : 0, 0, height);
        QTableView::updateGeometries();
        const QRect vp = viewport()->geometry();
        const int x = vp.left() + columnViewportPosition(m_footerColumn);
        m_footer->setGeometry(x, vp.bottom() + 1, columnWidth(m_footerColumn), height);
        m_footer->setVisible(!isColumnHidden(m_footerColumn));
        return;
    }
    QTableView::updateGeometries();
}

void DataGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (m_following || !cursor() || !current.isValid() || current.row() == cursor()->currentRow())
        return;
    try {
        cursor()->setCurrentRow(current.row()); // posts a row left being edited
    } catch (const KovraError& e) {
        m_model->reportPostFailure(e.boxText());
    }
    if (cursor()->currentRow() != current.row())
        followCursor(cursor()->currentRow()); // the move was refused
}

void DataGrid::followCursor(int row)
{
    if (row < 0 || row >= m_model->rowCount())
        return;
    m_following = true;
    const int column = std::max(0, shownCurrentColumn());
    const QModelIndex target = m_model->index(row, column);
    selectionModel()->setCurrentIndex(
        target,
        QItemSelectionModel::ClearAndSelect |
            (selectionBehavior() == SelectRows ? QItemSelectionModel::Rows : QItemSelectionModel::NoUpdate));
    scrollTo(target);
    m_following = false;
}
