#include "config/tfedittable.h"

#include "controls/datagrid.h"
#include "controls/dbnavigator.h"
#include "controls/windowsettings.h"
#include "platform/clock.h"
#include "platform/guarded.h"
#include "platform/services.h"
#include "store/logstore.h"

#include <QApplication>
#include <QKeyEvent>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace {

bool isNumericType(const QString& declaredType)
{
    static const QRegularExpression numeric(
        QStringLiteral("INT|FLOAT|REAL|DOUBLE|NUMERIC|DECIMAL|CURRENCY|MONEY|WORD|BYTE|SHORT|LONG"),
        QRegularExpression::CaseInsensitiveOption);
    return numeric.match(declaredType).hasMatch();
}

} // namespace

QString tableOfQuery(const QString& queryText)
{
    static const QRegularExpression from(QStringLiteral("\\bFROM\\s+\\[?(\\w+)\\]?"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = from.match(queryText);
    return match.hasMatch() ? match.captured(1) : QString();
}

Tfedittable::Tfedittable(LogStore& store, const Services& services, const QString& queryText,
                         std::function<void()> changed, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint),
      m_store(store), m_services(services), m_rows(std::make_unique<Cursor>(store.db()))
{
    setObjectName(QStringLiteral("fedittable"));
    setWindowTitle(QStringLiteral("Редактор табличных данных"));
    setFixedSize(610, 400);

    m_grid = new DataGrid(this);
    m_grid->setObjectName(QStringLiteral("g1"));
    m_grid->enableFind(services.prompts);
    m_grid->setGroupedTitles(true);
    auto* panel = new QWidget(this);
    panel->setFixedHeight(41);
    m_navigator = new DbNavigator(services.prompts, panel);
    m_navigator->setObjectName(QStringLiteral("DBNavigator1"));
    m_navigator->setGeometry(12, 8, 225, 25);
    m_navigator->setVisibleButtons(DbNavigator::First | DbNavigator::Prior | DbNavigator::Next |
                                   DbNavigator::Last | DbNavigator::Insert | DbNavigator::Delete |
                                   DbNavigator::Edit | DbNavigator::Post | DbNavigator::Cancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_grid, 1);
    layout->addWidget(panel);

    Cursor& q1 = *m_rows;
    q1.setObjectName(QStringLiteral("q1"));
    q1.setSql(queryText);
    q1.setBaseTable(tableOfQuery(queryText));
    q1.afterPost = changed;
    q1.afterDelete = changed;
    m_grid->setCursor(&q1);
    m_grid->cursorModel()->setUtcNow([this] { return m_services.clock.now().toUTC(); });
    m_grid->setEditable(true);
    m_navigator->setCursor(&q1);
    connect(m_grid->cursorModel(), &CursorModel::postFailed, this,
            [this](const QString& message) { m_services.prompts.error(message); });

    guarded(m_services.prompts, [&] {
        q1.open();
        buildColumns();
    });
    centreOn(*this, parent);
    qApp->installEventFilter(this);
}

Tfedittable::~Tfedittable() = default;

bool Tfedittable::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if ((type == QEvent::KeyPress || type == QEvent::ShortcutOverride) && isVisible()) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            if (type == QEvent::KeyPress)
                reject();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void Tfedittable::buildColumns()
{
    QVector<GridColumnSpec> columns;
    for (const ResultColumn& field : m_rows->columns()) {
        GridColumnSpec column;
        column.field = field.name;
        column.title = field.name;
        column.width = isNumericType(field.declaredType) ? 70 : 210;
        if (const auto title = m_store.textSetting(field.name))
            column.title = *title;
        if (const auto hint = m_store.textSetting(field.name + QStringLiteral("Hint")))
            column.hint = *hint;
        columns << column;
    }
    if (!columns.isEmpty())
        columns[0].readOnly = true; // the key, which the table numbers itself
    m_grid->setColumns(columns);
    if (!columns.isEmpty())
        m_grid->setColumnHidden(0, true);
    m_grid->moveOffHiddenColumn();
}

void Tfedittable::done(int result)
{
    // Esc and the close box leave an edit that was not saved unsaved: an open cell editor is
    // dropped before it could hand its text to the row.
    qApp->removeEventFilter(this);
    m_grid->discardOpenEdit();
    if (m_rows->state() == Cursor::State::Edit || m_rows->state() == Cursor::State::Insert)
        m_rows->cancel();
    QDialog::done(result);
}
