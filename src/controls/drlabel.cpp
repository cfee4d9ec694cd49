#include "controls/drlabel.h"

#include <QPainter>

namespace {

constexpr int kMaxTextLength = 255;

} // namespace

TDRLabel::TDRLabel(QWidget* parent) : QWidget(parent)
{
    m_shadowColor = palette().color(QPalette::Light);
    m_fontColor = palette().color(QPalette::WindowText);
    m_savedColor = m_fontColor;
    m_color = palette().color(QPalette::Window);
    m_timer.setInterval(m_blinkInterval);
    connect(&m_timer, &QTimer::timeout, this, &TDRLabel::blinkStep);
    resize(65 + m_deep, 17 + m_deep);
}

QString TDRLabel::shownText() const
{
    QString shown = m_text.left(kMaxTextLength);
    shown.replace(QLatin1String("\n\r"), QLatin1String("\n"));
    shown.remove(QLatin1Char('\r'));
    return shown;
}

void TDRLabel::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    update();
}

void TDRLabel::setDeep(int deep)
{
    if ((deep != 1 && deep != 2) || deep == m_deep)
        return;
    m_deep = deep;
    update();
}

void TDRLabel::setShadowColor(const QColor& color)
{
    if (color == m_shadowColor)
        return;
    m_shadowColor = color;
    update();
}

void TDRLabel::setCtl3D(bool on)
{
    if (on == m_ctl3D)
        return;
    m_ctl3D = on;
    update();
}

void TDRLabel::setBorder(Border border)
{
    if (border == m_border)
        return;
    m_border = border;
    update();
}

void TDRLabel::setBlink(Blink blink)
{
    if (blink == m_blink)
        return;
    m_blink = blink;
    if (blink == Blink::Blink)
        m_savedColor = m_fontColor;
    else
        m_fontColor = m_savedColor;
    if (blink == Blink::None)
        m_timer.stop();
    else
        m_timer.start();
    update();
}

void TDRLabel::setBlinkInterval(int ms)
{
    if (ms == m_blinkInterval)
        return;
    m_blinkInterval = ms;
    m_timer.setInterval(ms);
    update();
}

void TDRLabel::setHiColor(const QColor& color)
{
    if (color == m_hiColor)
        return;
    m_hiColor = color;
    update();
}

void TDRLabel::setLoColor(const QColor& color)
{
    if (color == m_loColor)
        return;
    m_loColor = color;
    update();
}

void TDRLabel::setFontColor(const QColor& color)
{
    m_fontColor = color;
    if (m_blink == Blink::None)
        m_savedColor = color;
    update();
}

void TDRLabel::setColor(const QColor& color)
{
    m_color = color;
    update();
}

void TDRLabel::setTransparent(bool on)
{
    m_transparent = on;
    update();
}

void TDRLabel::setAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment;
    update();
}

QSize TDRLabel::sizeHint() const
{
    const QString shown = shownText();
    const QSize text = fontMetrics().size(0, shown.isEmpty() ? QStringLiteral(" ") : shown);
    return text + QSize(m_deep, m_deep);
}

void TDRLabel::adjustToText()
{
    resize(sizeHint());
}

void TDRLabel::blinkStep()
{
    if (m_blink == Blink::HiLo)
        m_fontColor = m_fontColor == m_hiColor ? m_loColor : m_hiColor;
    else if (m_blink == Blink::Blink)
        m_fontColor = m_fontColor == m_color ? m_savedColor : m_color;
    update();
}

void TDRLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect client = rect();
    if (!m_transparent)
        painter.fillRect(client, m_color);

    const QRect frame = client.adjusted(0, 0, -1, -1);
    auto line = [&](const QColor& color, QPoint from, QPoint to) {
        painter.setPen(color);
        painter.drawLine(from, to);
    };
    const QColor highlight = palette().color(QPalette::Light);
    const QColor shadow = palette().color(QPalette::Dark);
    switch (m_border) {
    case Border::None:
        break;
    case Border::Single:
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawRect(frame);
        break;
    case Border::Raised:
    case Border::Lowered: {
        const bool raised = m_border == Border::Raised;
        line(raised ? highlight : shadow, frame.topLeft(), frame.topRight());
        line(raised ? highlight : shadow, frame.topLeft(), frame.bottomLeft());
        line(raised ? shadow : highlight, frame.bottomLeft(), frame.bottomRight());
        line(raised ? shadow : highlight, frame.topRight(), frame.bottomRight());
        break;
    }
    }

    const QString shown = shownText();
    const int flags = int(m_alignment) | Qt::TextExpandTabs | Qt::TextWordWrap;
    if (m_ctl3D && m_fontColor != m_color) {
        painter.setPen(m_shadowColor);
        painter.drawText(client.translated(m_deep, m_deep), flags, shown);
    }
    if (m_fontColor != m_color) {
        painter.setPen(isEnabled() ? m_fontColor : palette().color(QPalette::Disabled, QPalette::Text));
        painter.drawText(client, flags, shown);
    }
}

void TDRLabel::mouseDoubleClickEvent(QMouseEvent* event)
{
    emit doubleClicked();
    QWidget::mouseDoubleClickEvent(event);
}
