#include "app/hints.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QWidget>

namespace {

// The header whose viewport the object is: mouse events of a header arrive there.
QHeaderView* viewportHeader(QObject* object)
{
    auto* widget = qobject_cast<QWidget*>(object);
    auto* header = widget ? qobject_cast<QHeaderView*>(widget->parentWidget()) : nullptr;
    return header && header->viewport() == widget ? header : nullptr;
}

} // namespace

HintTracker::HintTracker(QApplication& app) : QObject(&app)
{
    app.setStyle(new HintDelayStyle(app.style()->name()));
    app.installEventFilter(this);
}

QString HintTracker::hintOf(const QWidget* widget)
{
    for (; widget; widget = widget->parentWidget()) {
        if (!widget->toolTip().isEmpty())
            return widget->toolTip();
        if (widget->isWindow())
            break;
    }
    return {};
}

bool HintTracker::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ToolTipChange:
        if (auto* widget = qobject_cast<QWidget*>(watched))
            widget->setToolTipDuration(kHintShowTimeMs);
        break;
    case QEvent::Enter:
        if (auto* widget = qobject_cast<QWidget*>(watched))
            setHint(hintOf(widget));
        break;
    case QEvent::MouseMove:
        // Over a grid title, the hint is that column's.
        if (auto* header = viewportHeader(watched)) {
            const auto* move = static_cast<QMouseEvent*>(event);
            const int section = header->logicalIndexAt(move->position().toPoint());
            const QString hint =
                header->model() && section >= 0
                    ? header->model()->headerData(section, header->orientation(), Qt::ToolTipRole).toString()
                    : QString();
            setHint(hint.isEmpty() ? hintOf(header) : hint);
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void HintTracker::setHint(const QString& hint)
{
    if (hint == m_hint)
        return;
    m_hint = hint;
    emit hintChanged(hint);
}

int HintDelayStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                              QStyleHintReturn* returnData) const
{
    if (hint == QStyle::SH_ToolTip_WakeUpDelay)
        return kHintShowDelayMs;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}
