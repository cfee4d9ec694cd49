#pragma once

#include "controls/hinttimes.h"

#include <QObject>
#include <QProxyStyle>

class QApplication;
class QWidget;

// Hints appear 50 ms after the mouse stops over a control and stay up to 55 s; the hint
// of the control under the mouse (or of its nearest parent that has one) is also the
// program's current hint, which the main window's hint bar shows.
class HintTracker : public QObject
{
    Q_OBJECT
public:
    explicit HintTracker(QApplication& app);
    QString currentHint() const { return m_hint; }

    // The hint a control gives: its own tooltip or the nearest parent's.
    static QString hintOf(const QWidget* widget);

signals:
    void hintChanged(const QString& hint);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setHint(const QString& hint);
    QString m_hint;
};

// The style that sets the hint delay.
class HintDelayStyle : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override;
};
