#include "controls/headingneedle.h"

#include <QPainter>

#include <cmath>

HeadingNeedle::HeadingNeedle(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents); // the compass and its read-out stay clickable
    setAttribute(Qt::WA_TranslucentBackground);
    hide();
}

void HeadingNeedle::setHeading(std::optional<double> degrees)
{
    if (degrees == m_heading)
        return;
    m_heading = degrees;
    setVisible(m_heading.has_value());
    update();
}

void HeadingNeedle::paintEvent(QPaintEvent*)
{
    if (!m_heading)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(width() / 2.0, height() / 2.0);
    const double radius = std::min(width(), height()) / 2.0 * 0.82;
    const double radians = *m_heading * M_PI / 180.0;
    const QPointF tip(centre.x() + radius * std::sin(radians), centre.y() - radius * std::cos(radians));
    painter.setPen(QPen(QColor(0, 70, 160), 2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(centre, tip);
    painter.setBrush(QColor(0, 70, 160));
    painter.drawEllipse(tip, 3, 3);
}
