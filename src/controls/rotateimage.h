#pragma once

#include "controls/rotation.h"

#include <QPixmap>
#include <QPolygon>
#include <QWidget>

// A picture shown turned by any angle: the compass needle. The picture is turned pixel by
// pixel into a cached bitmap whenever the angle or the picture changes, never while
// painting; painting stretch-draws that bitmap, its corners keyed out (transparent) or
// clipped to the outline of the turned picture.
class TRotateImage : public QWidget
{
    Q_OBJECT
public:
    explicit TRotateImage(QWidget* parent = nullptr);

    long double angle() const { return m_angle; }
    // An effective change turns the picture, repaints and fires rotation().
    void setAngle(long double angle);

    void setPicture(const QImage& picture);
    const QImage& picture() const { return m_picture; }

    bool center() const { return m_center; }
    void setCenter(bool on);
    bool stretch() const { return m_stretch; }
    void setStretch(bool on);
    bool proportional() const { return m_proportional; }
    void setProportional(bool on);
    bool transparent() const { return m_transparent; }
    void setTransparent(bool on);
    bool uniqueSize() const { return m_uniqueSize; }
    void setUniqueSize(bool on);
    bool autoSize() const { return m_autoSize; }
    void setAutoSize(bool on);
    // The control's colour: the background a picture with alpha is blended over, and the
    // colour keyed out when transparent.
    QColor color() const { return m_color; }
    void setColor(const QColor& color);

    // The picture's diagonal, round(sqrt(w² + h²)); 0 without picture.
    int diagonal() const { return m_diagonal; }
    const RotatedBitmap& rotated() const { return m_rotated; }
    QRect destinationRect();
    // The outline of the turned picture in the parent's coordinates.
    QPolygon clipPolygon();

signals:
    void rotation();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void pictureChanged();
    void rebuildWorkingBitmap();
    void rebuildRotatedBitmap();
    void invalidateCaches() { m_valid = 0; }
    void applyAutoSize();

    long double m_angle = 0;
    QImage m_picture;
    QImage m_working;
    RotatedBitmap m_rotated;
    QPixmap m_keyed; // the rotated bitmap with the background keyed out
    QColor m_color;
    bool m_center = false;
    bool m_stretch = false;
    bool m_proportional = false;
    bool m_transparent = false;
    bool m_uniqueSize = true;
    bool m_autoSize = false;
    int m_diagonal = 0;
    unsigned char m_valid = 0; // bit 0: destination rectangle, bit 1: clip polygon
    QRect m_destination;
    QPolygon m_clip;
};
