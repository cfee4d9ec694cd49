#pragma once

#include <QLabel>

// A label that opens something when clicked: bold navy, bold underlined red while the
// mouse is over it, with a hand cursor.
class LinkLabel : public QLabel
{
    Q_OBJECT
public:
    explicit LinkLabel(const QString& text, QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void paintAs(bool hovered);
};
