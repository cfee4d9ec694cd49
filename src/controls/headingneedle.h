#pragma once

#include <QWidget>

#include <optional>

// Where the antenna points, read from the rotator: a thin second needle over the compass.
class HeadingNeedle : public QWidget
{
    Q_OBJECT
public:
    explicit HeadingNeedle(QWidget* parent = nullptr);

    // Degrees from north, clockwise; none hides the needle.
    void setHeading(std::optional<double> degrees);
    std::optional<double> heading() const { return m_heading; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<double> m_heading;
};
