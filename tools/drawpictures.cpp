// Draws the compass rose and the needle of the main window into resources/pictures.
// Run it after changing a picture: build/tools/drawpictures resources/pictures
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace {

QImage compassRose()
{
    const int size = 250;
    const QPointF c(size / 2.0, size / 2.0);
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    QRadialGradient face(c, 118);
    face.setColorAt(0, QColor(250, 250, 245));
    face.setColorAt(1, QColor(222, 226, 232));
    p.setBrush(face);
    p.setPen(QPen(QColor(90, 100, 120), 2));
    p.drawEllipse(c, 118, 118);
    p.setPen(QPen(QColor(150, 160, 175), 1));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, 96, 96);

    for (int deg = 0; deg < 360; deg += 5) {
        const double a = qDegreesToRadians(double(deg));
        const double outer = 116;
        const double inner = deg % 30 == 0 ? 104 : (deg % 10 == 0 ? 108 : 112);
        p.setPen(QPen(QColor(60, 70, 90), deg % 30 == 0 ? 2 : 1));
        p.drawLine(QPointF(c.x() + inner * std::sin(a), c.y() - inner * std::cos(a)),
                   QPointF(c.x() + outer * std::sin(a), c.y() - outer * std::cos(a)));
    }

    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(10);
    p.setFont(font);
    p.setPen(QColor(70, 80, 100));
    for (int deg = 30; deg < 360; deg += 30) {
        if (deg % 90 == 0)
            continue;
        const double a = qDegreesToRadians(double(deg));
        const QPointF at(c.x() + 88 * std::sin(a), c.y() - 88 * std::cos(a));
        p.drawText(QRectF(at.x() - 15, at.y() - 7, 30, 14), Qt::AlignCenter, QString::number(deg));
    }
    font.setPixelSize(16);
    font.setBold(true);
    p.setFont(font);
    const struct
    {
        int deg;
        const char* letter;
    } points[] = {{0, "С"}, {90, "В"}, {180, "Ю"}, {270, "З"}};
    for (const auto& point : points) {
        const double a = qDegreesToRadians(double(point.deg));
        const QPointF at(c.x() + 86 * std::sin(a), c.y() - 86 * std::cos(a));
        p.setPen(point.deg == 0 ? QColor(190, 30, 30) : QColor(40, 50, 80));
        p.drawText(QRectF(at.x() - 12, at.y() - 10, 24, 20), Qt::AlignCenter,
                   QString::fromUtf8(point.letter));
    }
    return image;
}

// An upward needle on a 161 x 161 transparent square, turning about its centre.
QImage needle()
{
    const int size = 161;
    const double c = 80.5;
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    QPainterPath head;
    head.moveTo(c, 4);
    head.lineTo(c + 9, c);
    head.lineTo(c - 9, c);
    head.closeSubpath();
    QLinearGradient red(c - 9, 0, c + 9, 0);
    red.setColorAt(0, QColor(235, 60, 50, 230));
    red.setColorAt(1, QColor(160, 20, 20, 230));
    p.setPen(QPen(QColor(110, 10, 10, 240), 1));
    p.setBrush(red);
    p.drawPath(head);

    QPainterPath tail;
    tail.moveTo(c - 9, c);
    tail.lineTo(c + 9, c);
    tail.lineTo(c, size - 8);
    tail.closeSubpath();
    QLinearGradient grey(c - 9, 0, c + 9, 0);
    grey.setColorAt(0, QColor(170, 180, 195, 200));
    grey.setColorAt(1, QColor(110, 120, 140, 200));
    p.setPen(QPen(QColor(70, 80, 100, 220), 1));
    p.setBrush(grey);
    p.drawPath(tail);

    p.setBrush(QColor(50, 55, 70));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(c, c), 4.5, 4.5);
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    const bool ok = compassRose().save(folder + QStringLiteral("/compass.png")) &&
                    needle().save(folder + QStringLiteral("/arrow.png"));
    return ok ? 0 : 1;
}
