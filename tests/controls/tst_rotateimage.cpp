#include "controls/rotateimage.h"
#include "controls/rotation.h"

#include <QSignalSpy>
#include <QtTest>

#include <set>

// The compass needle's rotation, pixel for pixel, and the control around it.
class TestRotateImage : public QObject
{
    Q_OBJECT
private slots:
    void sizesAndCentres_data();
    void sizesAndCentres();
    void zeroAndFullTurnsCopyThePicture();
    void quarterTurnMovesEveryPixel();
    void fortyFiveDegreesFillsTheCorners();
    void sameAngleTwiceRotatesOnce();
    void angleWithoutPictureWaits();
    void needleIsDrawnCentredAtItsOwnSize();
    void clipOutlineFollowsTheTurnedPicture();
    void destinationRectangle_data();
    void destinationRectangle();

private:
    static QImage numbered(int w, int h);
};

// Every pixel a different colour, so that a pixel can be followed.
QImage TestRotateImage::numbered(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x, y, (x * 7 + y * 13) % 256));
    return image;
}

void TestRotateImage::sizesAndCentres_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<double>("angle");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("centre");
    QTest::newRow("161 at 0") << 161 << 161 << 0.0 << QSize(161, 161) << QPoint(80, 80);
    QTest::newRow("161 at 45") << 161 << 161 << 45.0 << QSize(227, 227) << QPoint(113, 113);
    QTest::newRow("161 at 90") << 161 << 161 << 90.0 << QSize(161, 161) << QPoint(80, 80);
    QTest::newRow("100x50 at 0") << 100 << 50 << 0.0 << QSize(100, 50) << QPoint(49, 24);
    QTest::newRow("100x50 at 90") << 100 << 50 << 90.0 << QSize(50, 100) << QPoint(25, 49);
    QTest::newRow("100x50 at -90") << 100 << 50 << -90.0 << QSize(50, 100) << QPoint(24, 50);
    QTest::newRow("100x50 at 270") << 100 << 50 << 270.0 << QSize(50, 100) << QPoint(25, 50);
    QTest::newRow("100x50 at 450") << 100 << 50 << 450.0 << QSize(50, 100) << QPoint(25, 49);
    QTest::newRow("100x50 at 360") << 100 << 50 << 360.0 << QSize(100, 50) << QPoint(49, 24);
}

void TestRotateImage::sizesAndCentres()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(double, angle);
    QFETCH(QSize, size);
    QFETCH(QPoint, centre);
    const RotatedBitmap r = rotateBitmap(numbered(width, height), qRgb(0, 0, 0), angle);
    QCOMPARE(r.image.size(), size);
    QCOMPARE(QPoint(r.centreX, r.centreY), centre);
}

void TestRotateImage::zeroAndFullTurnsCopyThePicture()
{
    for (const QSize size : {QSize(161, 161), QSize(100, 50)}) {
        const QImage source = numbered(size.width(), size.height());
        QCOMPARE(rotateBitmap(source, 0, 0).image, source);
        QCOMPARE(rotateBitmap(source, 0, 360).image, source);
        QCOMPARE(rotateBitmap(source, 0, 450).image, rotateBitmap(source, 0, 90).image);
    }
}

void TestRotateImage::quarterTurnMovesEveryPixel()
{
    // A quarter turn counter-clockwise: the picture's right edge becomes its top, and not
    // one pixel is lost or doubled.
    const QImage source = numbered(100, 50);
    const QImage turned = rotateBitmap(source, qRgb(1, 2, 3), 90).image;
    std::set<QRgb> seen;
    for (int y = 0; y < turned.height(); ++y)
        for (int x = 0; x < turned.width(); ++x)
            seen.insert(turned.pixel(x, y));
    QCOMPARE(seen.size(), size_t(100 * 50));
    QCOMPARE(turned.pixel(0, 0), source.pixel(99, 0));
    QCOMPARE(turned.pixel(0, 99), source.pixel(0, 0));
    QCOMPARE(turned.pixel(49, 99), source.pixel(0, 49));
}

void TestRotateImage::fortyFiveDegreesFillsTheCorners()
{
    const QRgb background = qRgb(10, 20, 30);
    const QImage turned = rotateBitmap(numbered(161, 161), background, 45).image;
    QCOMPARE(turned.size(), QSize(227, 227));
    for (const QPoint corner :
         {QPoint(0, 0), QPoint(226, 0), QPoint(0, 226), QPoint(226, 226), QPoint(20, 20)})
        QCOMPARE(turned.pixel(corner), background);
    QVERIFY(turned.pixel(113, 113) != background);
    QVERIFY(turned.pixel(113, 2) != background); // a corner of the picture now points up
}

void TestRotateImage::sameAngleTwiceRotatesOnce()
{
    TRotateImage needle;
    needle.setPicture(numbered(161, 161));
    QSignalSpy rotated(&needle, &TRotateImage::rotation);
    needle.setAngle(271);
    needle.setAngle(271);
    QCOMPARE(rotated.count(), 1);
    QCOMPARE(needle.rotated().image.size(), rotateBitmap(numbered(161, 161), 0, 271).image.size());
}

void TestRotateImage::angleWithoutPictureWaits()
{
    TRotateImage needle;
    QSignalSpy rotated(&needle, &TRotateImage::rotation);
    needle.setAngle(90);
    QCOMPARE(rotated.count(), 0);
    QVERIFY(needle.rotated().image.isNull());
    needle.setPicture(numbered(100, 50));
    QCOMPARE(needle.rotated().image.size(), QSize(50, 100));
    QCOMPARE(needle.diagonal(), 112);
}

void TestRotateImage::needleIsDrawnCentredAtItsOwnSize()
{
    // The main window's needle: 184 x 184, centred, keyed out, the diagonal as its square.
    TRotateImage needle;
    needle.resize(184, 184);
    needle.setCenter(true);
    needle.setTransparent(true);
    needle.setColor(QColor(240, 240, 240));
    QImage arrow(161, 161, QImage::Format_ARGB32);
    arrow.fill(Qt::transparent);
    for (int y = 10; y < 150; ++y)
        arrow.setPixel(80, y, qRgb(200, 0, 0));
    needle.setPicture(arrow);
    QCOMPARE(needle.diagonal(), 228);
    QCOMPARE(needle.destinationRect(), QRect(11, 11, 161, 161));
    needle.setAngle(45);
    QCOMPARE(needle.destinationRect(), QRect(-21, -21, 227, 227));

    // Painted over a white parent: the keyed-out corners let the parent through.
    QImage screen(184, 184, QImage::Format_RGB32);
    screen.fill(Qt::white);
    needle.render(&screen, QPoint(), QRegion(), QWidget::RenderFlags());
    QCOMPARE(screen.pixel(2, 2), qRgb(255, 255, 255));
    QCOMPARE(screen.pixel(91, 91), qRgb(200, 0, 0)); // the needle's centre stays in the middle
}

void TestRotateImage::clipOutlineFollowsTheTurnedPicture()
{
    TRotateImage needle;
    needle.move(5, 7);
    needle.resize(184, 184);
    needle.setCenter(true);
    needle.setPicture(numbered(161, 161));
    const QPolygon outline = needle.clipPolygon();
    QCOMPARE(outline.size(), 4);
    // At angle 0 the outline is the picture's own square, in the parent's coordinates.
    QCOMPARE(outline.boundingRect().topLeft(), QPoint(11 + 5, 11 + 7));
}

void TestRotateImage::destinationRectangle_data()
{
    QTest::addColumn<QSize>("control");
    QTest::addColumn<bool>("center");
    QTest::addColumn<bool>("stretch");
    QTest::addColumn<bool>("proportional");
    QTest::addColumn<bool>("uniqueSize");
    QTest::addColumn<QRect>("rect");
    // A 161 x 161 picture at angle 0 (diagonal 228).
    QTest::newRow("stretched") << QSize(100, 50) << false << true << false << false << QRect(0, 0, 100, 50);
    QTest::newRow("proportional, only down")
        << QSize(100, 50) << true << false << true << false << QRect(25, 0, 50, 50);
    QTest::newRow("proportional, room enough")
        << QSize(200, 200) << false << false << true << false << QRect(0, 0, 161, 161);
    QTest::newRow("diagonal square, stretched")
        << QSize(228, 228) << false << true << false << true << QRect(33, 33, 161, 161);
    QTest::newRow("diagonal square, centred")
        << QSize(300, 300) << true << false << false << true << QRect(69, 69, 161, 161);
}

void TestRotateImage::destinationRectangle()
{
    QFETCH(QSize, control);
    QFETCH(bool, center);
    QFETCH(bool, stretch);
    QFETCH(bool, proportional);
    QFETCH(bool, uniqueSize);
    QFETCH(QRect, rect);
    TRotateImage image;
    image.resize(control);
    image.setCenter(center);
    image.setStretch(stretch);
    image.setProportional(proportional);
    image.setUniqueSize(uniqueSize);
    image.setPicture(numbered(161, 161));
    QCOMPARE(image.destinationRect(), rect);
}

QTEST_MAIN(TestRotateImage)
#include "tst_rotateimage.moc"
