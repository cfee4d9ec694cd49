#include "controls/rotateimage.h"

#include <QBitmap>
#include <QPainter>

#include <cmath>

namespace {

// Windows' MulDiv: a × b / c rounded to the nearest integer, halves away from zero.
int mulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const long double exact = static_cast<long double>(a) * b / c;
    return static_cast<int>(std::llround(exact));
}

} // namespace

TRotateImage::TRotateImage(QWidget* parent) : QWidget(parent)
{
    m_color = parent ? parent->palette().color(QPalette::Window) : palette().color(QPalette::Window);
    resize(105, 105);
}

void TRotateImage::setAngle(long double angle)
{
    if (angle == m_angle)
        return;
    m_angle = angle;
    if (m_picture.isNull())
        return;
    rebuildRotatedBitmap();
    invalidateCaches();
    if (m_autoSize && !m_uniqueSize)
        applyAutoSize();
    update();
    emit rotation();
}

void TRotateImage::setPicture(const QImage& picture)
{
    m_picture = picture;
    pictureChanged();
}

void TRotateImage::pictureChanged()
{
    m_diagonal = m_picture.isNull()
                     ? 0
                     : int(std::nearbyint(std::sqrt(double(m_picture.width()) * m_picture.width() +
                                                    double(m_picture.height()) * m_picture.height())));
    rebuildWorkingBitmap();
    rebuildRotatedBitmap();
    invalidateCaches();
    if (m_autoSize && m_diagonal != 0)
        applyAutoSize();
    update();
    emit rotation();
}

void TRotateImage::rebuildWorkingBitmap()
{
    if (m_picture.isNull()) {
        m_working = QImage();
        return;
    }
    // A picture with alpha is blended over the control's colour once, here.
    m_working = QImage(m_picture.size(), QImage::Format_RGB32);
    m_working.fill(m_color);
    QPainter painter(&m_working);
    painter.drawImage(0, 0, m_picture);
}

void TRotateImage::rebuildRotatedBitmap()
{
    if (m_working.isNull()) {
        m_rotated = RotatedBitmap();
        m_keyed = QPixmap();
        return;
    }
    m_rotated = rotateBitmap(m_working, m_color.rgb(), m_angle);
    m_keyed = QPixmap::fromImage(m_rotated.image);
    if (m_transparent && !m_rotated.image.isNull())
        m_keyed.setMask(QBitmap::fromImage(m_rotated.image.createMaskFromColor(m_color.rgb() | 0xff000000u)));
}

void TRotateImage::setCenter(bool on)
{
    if (on == m_center)
        return;
    m_center = on;
    invalidateCaches();
    update();
}

void TRotateImage::setStretch(bool on)
{
    if (on == m_stretch)
        return;
    m_stretch = on;
    invalidateCaches();
    update();
}

void TRotateImage::setProportional(bool on)
{
    if (on == m_proportional)
        return;
    m_proportional = on;
    invalidateCaches();
    update();
}

void TRotateImage::setTransparent(bool on)
{
    if (on == m_transparent)
        return;
    m_transparent = on;
    rebuildRotatedBitmap();
    invalidateCaches();
    update();
}

void TRotateImage::setUniqueSize(bool on)
{
    if (on == m_uniqueSize)
        return;
    m_uniqueSize = on;
    invalidateCaches();
    if (m_autoSize)
        applyAutoSize();
    update();
}

void TRotateImage::setAutoSize(bool on)
{
    m_autoSize = on;
    if (on)
        applyAutoSize();
}

void TRotateImage::setColor(const QColor& color)
{
    if (color == m_color)
        return;
    m_color = color;
    pictureChanged();
}

void TRotateImage::applyAutoSize()
{
    if (m_uniqueSize) {
        if (m_diagonal != 0)
            resize(m_diagonal, m_diagonal);
    } else if (!m_rotated.image.isNull()) {
        resize(m_rotated.image.size());
    }
}

void TRotateImage::resizeEvent(QResizeEvent* event)
{
    invalidateCaches();
    QWidget::resizeEvent(event);
}

QRect TRotateImage::destinationRect()
{
    if (m_valid & 1)
        return m_destination;
    const int cw = width();
    const int ch = height();
    const int rw = m_rotated.image.width();
    const int rh = m_rotated.image.height();
    int w = m_uniqueSize ? m_diagonal : rw;
    int h = m_uniqueSize ? m_diagonal : rh;
    if (m_stretch || (m_proportional && (cw < w || ch < h))) {
        if (!m_proportional || w <= 0 || h <= 0) {
            w = cw;
            h = ch;
        } else if (double(ch) / h > double(cw) / w) {
            h = mulDiv(h, cw, w);
            w = cw;
        } else {
            w = mulDiv(w, ch, h);
            h = ch;
        }
    }
    int dx = 0;
    int dy = 0;
    if (m_uniqueSize && m_diagonal != 0) {
        dx = mulDiv(m_diagonal - rw, w, m_diagonal);
        dy = mulDiv(m_diagonal - rh, h, m_diagonal);
        w -= dx;
        h -= dy;
    }
    QRect rect(0, 0, w, h);
    if (m_center)
        rect.translate((cw - w) / 2, (ch - h) / 2);
    else if (m_uniqueSize && m_diagonal > 0)
        rect.translate(dx / 2, dy / 2);
    m_destination = rect;
    m_valid |= 1;
    return rect;
}

QPolygon TRotateImage::clipPolygon()
{
    if (m_valid & 2)
        return m_clip;
    m_clip.clear();
    if (!m_working.isNull() && !m_rotated.image.isNull()) {
        const long double turns = m_angle / 360.0L;
        const long double a = 360.0L * (turns - std::trunc(turns));
        const double phi = double(-a * 3.14159265358979323846264338327950288L / 180.0L);
        const int w = m_working.width();
        const int h = m_working.height();
        const QRect destination = destinationRect();
        const double scaleX = double(destination.width()) / m_rotated.image.width();
        const double scaleY = double(destination.height()) / m_rotated.image.height();
        for (const QPoint corner : {QPoint(0, 0), QPoint(w, 0), QPoint(w, h), QPoint(0, h)}) {
            const double px = corner.x() - w / 2;
            const double py = corner.y() - h / 2;
            const double xr = std::nearbyint(px * std::cos(phi) - py * std::sin(phi)) + m_rotated.centreX;
            const double yr = std::nearbyint(px * std::sin(phi) + py * std::cos(phi)) + m_rotated.centreY;
            m_clip << QPoint(int(std::nearbyint(xr * scaleX + destination.left() + x())),
                             int(std::nearbyint(yr * scaleY + destination.top() + y())));
        }
    }
    m_valid |= 2;
    return m_clip;
}

void TRotateImage::paintEvent(QPaintEvent*)
{
    if (m_rotated.image.isNull() || m_rotated.image.width() == 0)
        return;
    QPainter painter(this);
    const QRect destination = destinationRect();
    if (m_transparent) {
        painter.drawPixmap(destination, m_keyed);
        return;
    }
    painter.save();
    // The outline lives in the parent's coordinates, as the control paints on its parent.
    painter.setClipRegion(QRegion(clipPolygon().translated(-pos()), Qt::OddEvenFill) & QRegion(rect()));
    painter.drawPixmap(destination, m_keyed);
    painter.restore();
}
