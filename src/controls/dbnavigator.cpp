#include "controls/dbnavigator.h"

#include "platform/prompts.h"
#include "store/cursor.h"
#include "store/errors.h"

#include <QHBoxLayout>
#include <QToolButton>

DbNavigator::DbNavigator(Prompts& prompts, QWidget* parent)
    : QWidget(parent), m_prompts(prompts),
      m_visible(First | Prior | Next | Last | Insert | Delete | Edit | Post | Cancel)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    const struct
    {
        Button button;
        const char* glyph;
        const char* hint;
        const char* name;
    } buttons[] = {{First, "|◀", "Первая запись", "first"},      {Prior, "◀", "Предыдущая запись", "prior"},
                   {Next, "▶", "Следующая запись", "next"},      {Last, "▶|", "Последняя запись", "last"},
                   {Insert, "+", "Добавить запись", "insert"},   {Delete, "−", "Удалить запись", "delete"},
                   {Edit, "✎", "Редактировать запись", "edit"},  {Post, "✓", "Сохранить изменения", "post"},
                   {Cancel, "✗", "Отменить изменения", "cancel"}};
    for (const auto& b : buttons) {
        auto* tool = new QToolButton(this);
        tool->setObjectName(QString::fromLatin1(b.name));
        tool->setText(QString::fromUtf8(b.glyph));
        tool->setToolTip(QString::fromUtf8(b.hint));
        tool->setAutoRaise(true);
        tool->setFocusPolicy(Qt::NoFocus);
        tool->setMinimumWidth(26);
        connect(tool, &QToolButton::clicked, this, [this, which = b.button] { click(which); });
        layout->addWidget(tool);
        m_buttons.emplace_back(b.button, tool);
    }
    updateButtons();
}

void DbNavigator::setCursor(Cursor* cursor)
{
    if (m_cursor)
        disconnect(m_cursor, nullptr, this, nullptr);
    m_cursor = cursor;
    if (m_cursor) {
        connect(m_cursor, &Cursor::reset, this, &DbNavigator::updateButtons);
        connect(m_cursor, &Cursor::currentRowChanged, this, &DbNavigator::updateButtons);
        connect(m_cursor, &Cursor::stateChanged, this, &DbNavigator::updateButtons);
        connect(m_cursor, &Cursor::rowRemoved, this, &DbNavigator::updateButtons);
        connect(m_cursor, &Cursor::rowInserted, this, &DbNavigator::updateButtons);
    }
    updateButtons();
}

void DbNavigator::setVisibleButtons(Buttons buttons)
{
    m_visible = buttons;
    for (auto& [which, tool] : m_buttons)
        tool->setVisible(m_visible.testFlag(which));
}

QToolButton* DbNavigator::button(Button which) const
{
    for (const auto& [b, tool] : m_buttons) {
        if (b == which)
            return tool;
    }
    return nullptr;
}

void DbNavigator::click(Button which)
{
    if (!m_cursor || !m_cursor->isOpen())
        return;
    try {
        switch (which) {
        case First:
            m_cursor->first();
            break;
        case Prior:
            m_cursor->prior();
            break;
        case Next:
            m_cursor->next();
            break;
        case Last:
            m_cursor->last();
            break;
        case Insert:
            m_cursor->append();
            break;
        case Delete:
            if (m_cursor->isEmpty() ||
                (m_confirmDelete && !m_prompts.confirm(QStringLiteral("Удалить запись?"))))
                break;
            m_cursor->remove();
            break;
        case Edit:
            m_cursor->edit();
            break;
        case Post:
            m_cursor->post();
            break;
        case Cancel:
            m_cursor->cancel();
            break;
        }
    } catch (const KovraError& e) {
        m_prompts.error(e.boxText());
    }
    updateButtons();
}

void DbNavigator::updateButtons()
{
    const bool open = m_cursor && m_cursor->isOpen();
    const bool browsing = open && m_cursor->state() == Cursor::State::Browse;
    const bool editing = open && !browsing;
    const bool hasRows = open && !m_cursor->isEmpty();
    const bool atFirst = !hasRows || m_cursor->currentRow() <= 0;
    const bool atLast = !hasRows || m_cursor->currentRow() >= m_cursor->rowCount() - 1;
    for (auto& [which, tool] : m_buttons) {
        bool enabled = false;
        switch (which) {
        case First:
        case Prior:
            enabled = browsing && !atFirst;
            break;
        case Next:
        case Last:
            enabled = browsing && !atLast;
            break;
        case Insert:
            enabled = browsing;
            break;
        case Delete:
        case Edit:
            enabled = browsing && hasRows;
            break;
        case Post:
        case Cancel:
            enabled = editing;
            break;
        }
        tool->setEnabled(enabled);
        tool->setVisible(m_visible.testFlag(which));
    }
}
