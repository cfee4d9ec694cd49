#include "controls/drlabel.h"

#include <QtTest>

// The raised lettering of the distance read-out.
class TestDRLabel : public QObject
{
    Q_OBJECT
private slots:
    void shadowLiesDeepRightAndDown_data();
    void shadowLiesDeepRightAndDown();
    void depthTakesOnlyOneOrTwo();
    void withoutCtl3DOnlyTheText();
    void disabledTextIsGrey();
    void fontColourOfTheBackgroundHidesAll();
    void blinking();

private:
    // The label painted on white; returns the box of pixels of each colour.
    static QRect boxOf(const QImage& image, QRgb colour);
    static QImage paint(TDRLabel& label);
};

QImage TestDRLabel::paint(TDRLabel& label)
{
    QImage image(label.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    label.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    return image;
}

QRect TestDRLabel::boxOf(const QImage& image, QRgb colour)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == colour)
                box |= QRect(x, y, 1, 1);
    return box;
}

static void setUp(TDRLabel& label)
{
    QFont font;
    font.setPixelSize(20);
    font.setBold(true);
    font.setStyleStrategy(QFont::NoAntialias); // whole pixels in two colours
    label.setFont(font);
    label.setText("127 km\n\r89°");
    label.setColor(Qt::white);
    label.setFontColor(QColor(0, 0, 255));
    label.setShadowColor(QColor(255, 0, 0));
    label.resize(120, 60);
}

void TestDRLabel::shadowLiesDeepRightAndDown_data()
{
    QTest::addColumn<int>("deep");
    QTest::newRow("1") << 1;
    QTest::newRow("2") << 2;
}

void TestDRLabel::shadowLiesDeepRightAndDown()
{
    QFETCH(int, deep);
    TDRLabel label;
    setUp(label);
    label.setDeep(deep);
    const QImage image = paint(label);
    const QRect text = boxOf(image, qRgb(0, 0, 255));
    const QRect shadow = boxOf(image, qRgb(255, 0, 0));
    QVERIFY(!text.isEmpty());
    QCOMPARE(shadow.bottomRight(), text.bottomRight() + QPoint(deep, deep));
}

void TestDRLabel::depthTakesOnlyOneOrTwo()
{
    TDRLabel label;
    label.setDeep(2);
    label.setDeep(3);
    QCOMPARE(label.deep(), 2);
    label.setDeep(0);
    QCOMPARE(label.deep(), 2);
}

void TestDRLabel::withoutCtl3DOnlyTheText()
{
    TDRLabel label;
    setUp(label);
    label.setCtl3D(false);
    const QImage image = paint(label);
    QVERIFY(boxOf(image, qRgb(255, 0, 0)).isEmpty());
    QVERIFY(!boxOf(image, qRgb(0, 0, 255)).isEmpty());
}

void TestDRLabel::disabledTextIsGrey()
{
    TDRLabel label;
    setUp(label);
    label.setEnabled(false);
    const QImage image = paint(label);
    QVERIFY(boxOf(image, qRgb(0, 0, 255)).isEmpty());
    QVERIFY(!boxOf(image, label.palette().color(QPalette::Disabled, QPalette::Text).rgb()).isEmpty());
    QVERIFY(!boxOf(image, qRgb(255, 0, 0)).isEmpty()); // over the shadow copy
}

void TestDRLabel::fontColourOfTheBackgroundHidesAll()
{
    TDRLabel label;
    setUp(label);
    label.setColor(QColor(0, 0, 255));
    const QImage image = paint(label);
    QCOMPARE(boxOf(image, qRgb(0, 0, 255)), image.rect()); // the background alone
    label.setText(QString());
    label.setColor(Qt::white);
    QCOMPARE(boxOf(paint(label), qRgb(255, 255, 255)), QRect(0, 0, 120, 60));
}

void TestDRLabel::blinking()
{
    TDRLabel label;
    setUp(label);
    label.setBlinkInterval(300);
    label.setBlink(TDRLabel::Blink::Blink);
    label.blinkStep();
    QCOMPARE(label.fontColor(), QColor(Qt::white)); // gone
    label.blinkStep();
    QCOMPARE(label.fontColor(), QColor(0, 0, 255)); // back
    label.blinkStep();
    label.setBlink(TDRLabel::Blink::None);
    QCOMPARE(label.fontColor(), QColor(0, 0, 255)); // restored, and no more ticks
    QTest::qWait(400);
    QCOMPARE(label.fontColor(), QColor(0, 0, 255));

    label.setBlink(TDRLabel::Blink::HiLo); // the text is blue, the high colour
    label.blinkStep();
    QCOMPARE(label.fontColor(), label.loColor());
    label.blinkStep();
    QCOMPARE(label.fontColor(), label.hiColor());
    // The timer itself alternates every interval.
    QTRY_COMPARE_WITH_TIMEOUT(label.fontColor(), label.loColor(), 1000);
}

QTEST_MAIN(TestDRLabel)
#include "tst_drlabel.moc"
