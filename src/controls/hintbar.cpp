#include "controls/hintbar.h"

#include <algorithm>

HintBar::HintBar(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
}

void HintBar::showHover(const QString& hint)
{
    m_hover = hint;
    setText(hint.isEmpty() ? newestStatus() : hint);
}

void HintBar::setStatus(const QString& source, const QString& text)
{
    const QString before = status(source);
    std::erase_if(m_statuses, [&](const auto& entry) { return entry.first == source; });
    if (!text.isEmpty()) {
        m_statuses.emplace_back(source, text);
        setText(text);
    } else if (!before.isEmpty() && this->text() == before) {
        setText(m_hover.isEmpty() ? newestStatus() : m_hover);
    }
}

QString HintBar::status(const QString& source) const
{
    const auto it = std::find_if(m_statuses.begin(), m_statuses.end(),
                                 [&](const auto& entry) { return entry.first == source; });
    return it == m_statuses.end() ? QString() : it->second;
}

QString HintBar::newestStatus() const
{
    return m_statuses.empty() ? QString() : m_statuses.back().second;
}
