#pragma once

#include <QTimer>
#include <QWidget>

// A label in raised lettering: its text drawn once shifted right and down in a shadow
// colour, then over it in the font colour. It can draw a frame and make the text blink.
class TDRLabel : public QWidget
{
    Q_OBJECT
public:
    enum class Border { None, Single, Raised, Lowered };
    enum class Blink { None, Blink, HiLo };

    explicit TDRLabel(QWidget* parent = nullptr);

    QString text() const { return m_text; }
    // Line breaks may be LF CR; the label shows them as one break.
    void setText(const QString& text);
    void clear() { setText(QString()); }

    int deep() const { return m_deep; }
    void setDeep(int deep); // 1 or 2; anything else is ignored
    QColor shadowColor() const { return m_shadowColor; }
    void setShadowColor(const QColor& color);
    bool ctl3D() const { return m_ctl3D; }
    void setCtl3D(bool on);
    Border border() const { return m_border; }
    void setBorder(Border border);
    Blink blink() const { return m_blink; }
    void setBlink(Blink blink);
    int blinkInterval() const { return m_blinkInterval; }
    void setBlinkInterval(int ms);
    QColor hiColor() const { return m_hiColor; }
    void setHiColor(const QColor& color);
    QColor loColor() const { return m_loColor; }
    void setLoColor(const QColor& color);

    QColor fontColor() const { return m_fontColor; }
    void setFontColor(const QColor& color);
    QColor color() const { return m_color; }
    void setColor(const QColor& color);
    bool transparent() const { return m_transparent; }
    void setTransparent(bool on);
    Qt::Alignment alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment alignment);

    QSize sizeHint() const override;
    // Makes the label as large as its text plus the shadow's depth.
    void adjustToText();

    // One blink step, as the timer runs it.
    void blinkStep();

signals:
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QString shownText() const;

    QString m_text;
    int m_deep = 1;
    QColor m_shadowColor;
    bool m_ctl3D = true;
    Border m_border = Border::None;
    Blink m_blink = Blink::None;
    int m_blinkInterval = 300;
    QColor m_hiColor{0, 0, 255};
    QColor m_loColor{0, 0, 128};
    QColor m_fontColor;
    QColor m_savedColor;
    QColor m_color;
    bool m_transparent = false;
    Qt::Alignment m_alignment = Qt::AlignLeft | Qt::AlignTop;
    QTimer m_timer;
};
